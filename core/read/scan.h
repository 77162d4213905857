// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCAN_H
#define TAVREL_SCAN_H

#include "core/read/itemdefinition.h"
#include "core/read/locations.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavrel {

// One section of a script file, as far as a load reads it.
struct ScannedSection
{
    QString name;
    bool itemDefinition = false;
    // An item definition that has a defname, when its keys are read, and its finished fields.
    bool accepted = false;
    ItemFields fields;
    // The values of the KEY keys of a [SKILL n] section, when the keys are read.
    QStringList skillKeys;
};

// One script file, in the order of the sections the INI reader lists.
struct ScannedFile
{
    QList<ScannedSection> sections;
    // Why the file could not be read, or an empty text.
    QString problem;
    // Where the first byte that is not UTF-8 stands, when the keys are read.
    TextPosition invalidUtf8;
};

// Reads the sections of a script file; without `keys` only their names and kinds.
ScannedFile scanScriptFile(const QString &path, bool keys);

} // namespace tavrel

#endif
