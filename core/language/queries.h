// SPDX-License-Identifier: MIT
#ifndef TAVREL_QUERIES_H
#define TAVREL_QUERIES_H

#include "core/language/index.h"

#include <QList>
#include <QString>

#include <optional>

namespace tavrel {

// A name written at a place: the definition or the use that writes it, its name in lower case
// as names compare, and where it stands.
struct NameAt
{
    QString name;
    FactRef fact;
    bool definition = false;
    Location location;
};

// The name defined or used at a line and column of a file of the index; a place just after a
// name is on it, as an editor's cursor after a word stands for the word. A use that names
// nothing (see isNaming) is no name.
std::optional<NameAt> nameAt(const ScriptIndex &index, const QString &path, int line, int column);

// Whether a use names what it is read for: a verb of code that may call a function is a call
// where a [FUNCTION] defines it, or where nothing defines a name that starts with "f_"; else it
// is the server's own verb and names nothing.
bool isNaming(const ScriptIndex &index, const Use &use);

// Every use of a lower-case name, by file in load order and in order within a file; numbers
// go by their number.
QList<FactRef> usesOf(const ScriptIndex &index, const QString &name);

} // namespace tavrel

#endif
