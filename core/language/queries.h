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

// Where a file of the index defines or uses a lower-case name (numbers going by their number),
// in the order they are written.
QList<NameAt> placesIn(const ScriptIndex &index, int file, const QString &name);

// Where a script's text writes a lower-case name beyond what its facts hold: inside a part the
// server computes as the line runs ("<SRC.FINDID.i_log>"), which names nothing that can be known
// before, or as a word of the code of a trigger or a function, which is not read. Words in
// comments and in quotes do not count. Locations name the file at `path`.
struct Mention
{
    Location location;
    // The computed part it stands in, as written, or empty in code.
    QString computed;
};
QList<Mention> mentionsOf(const Script &script, const ScriptFacts &facts, const QString &name,
                          const QString &path = QString());

} // namespace tavrel

#endif
