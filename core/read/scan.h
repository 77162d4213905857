// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCAN_H
#define TAVREL_SCAN_H

#include "core/read/itemdefinition.h"
#include "core/read/scriptreader.h"

#include <QList>
#include <QString>

namespace tavrel {

// One section of a script file, as far as a load reads it.
struct ScannedSection
{
    bool itemDefinition = false;
    // An item definition that has a defname, when the keys are read: its finished fields, the
    // plural form of its name, its place (but for the file) and its entries.
    bool accepted = false;
    ItemDefinition item;
    QString plural;
    // The KEY of a [SKILL n] section, the name the scripts give that skill, when the keys are
    // read.
    QString skillKey;
};

// The sections of one script file that have lines, in the order they are written.
struct ScannedFile
{
    QList<ScannedSection> sections;
    // Why the file could not be read, or an empty text.
    QString problem;
    // In a file read as Windows-1252, the first character outside ASCII in a value.
    TextPosition legacyCharacter;
};

// Reads a script file's sections; without `keys` only their kinds.
ScannedFile scanScriptFile(const QString &path, bool keys);

} // namespace tavrel

#endif
