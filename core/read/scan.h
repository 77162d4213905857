// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCAN_H
#define TAVREL_SCAN_H

#include "core/language/facts.h"
#include "core/read/itemdefinition.h"
#include "core/read/scriptreader.h"

#include <QList>
#include <QString>

namespace tavrel {

// One section of a script file, as far as a load reads it.
struct ScannedSection
{
    bool itemDefinition = false;
    // An item definition that has a defname, when items are read: its finished fields, the
    // plural form of its name, its place (but for the file) and its entries when read.
    bool accepted = false;
    ItemDefinition item;
    QString plural;
    // The KEY of a [SKILL n] section, the name the scripts give that skill, when items are read.
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
    // Every definition and reference, when everything is read.
    ScriptFacts facts;
};

// How much of a script file a load reads.
enum class ScanDepth
{
    Kinds,
    Items,
    // The items with their entries, and every definition and reference of the language and the
    // faults in the blocks of its code.
    Everything
};

// Reads a script file's sections: their kinds, their item definitions and skill keys, and
// everything else the language defines and names.
ScannedFile scanScriptFile(const QString &path, ScanDepth depth);
// The same of a script read before, such as the text of a document an editor holds: what it
// keeps refers to nothing of the script.
// Its facts' locations name the file at `path`.
ScannedFile scanScript(const Script &script, ScanDepth depth, const QString &path = QString());

} // namespace tavrel

#endif
