// SPDX-License-Identifier: MIT
#ifndef TAVREL_ITEMDEFINITION_H
#define TAVREL_ITEMDEFINITION_H

#include "core/read/entries.h"
#include "core/read/scriptreader.h"

#include <QString>
#include <QStringView>

namespace tavrel {

// The seven texts of one item definition, as the reading pass leaves them.
struct ItemFields
{
    QString defname;
    QString type;
    QString name;
    QString description;
    QString resources;
    QString skillmake;
    QString subsection;
};

// Where an item definition is written.
struct DefinitionPlace
{
    QString file;
    // The DEFNAME value the defname comes from, or else the header's second word.
    TextPosition defname;
    // The lines of the RESOURCES and SKILLMAKE keys read, 0 without them; each entry carries the
    // column of its word.
    int resourcesLine = 0;
    int skillmakeLine = 0;
};

// An item definition as read: its fields (the defname may be empty and the name is not yet
// finished, see acceptItem), where they are written, and its entries, which refer to the
// fields' RESOURCES and SKILLMAKE texts until the item is linked.
struct ItemDefinition
{
    ItemFields fields;
    DefinitionPlace place;
    ItemEntries entries;
};

// Words of a section name are split at single blanks, empty words kept.
QString sectionWord(QStringView section, int index);
// A section whose kind is "itemdef", in any case.
bool isItemDefinition(QStringView kind);

// Reads an item definition from the properties of its section: the last line of each key wins.
// NAME, DESCRIPTION, SUBSECTION, DEFNAME and TYPE are the values as written; RESOURCES and
// SKILLMAKE keep their elements without the blanks around them. DEFNAME, TYPE, RESOURCES and
// SKILLMAKE are lower case, and DEFNAME, RESOURCES and SKILLMAKE lose their tabs. The entries
// are read when asked for.
ItemDefinition readItemDefinition(const Script &script, const ScriptSection &section,
                                  bool entries = true);

// "i_" removed everywhere, "_" to " ", then first character upper case and the rest lower case.
QString nameFromDefname(const QString &defname);
QString capitalised(const QString &text);

// A name as the game server shows it: "%" opens and closes a marker whose part before "/" is
// shown in the plural and the part after it in the singular ("lo%aves/af% of bread", "log%s").
QString nameForm(const QString &name, bool plural);

// An empty name is derived from the defname, then the name takes its singular form; `plural`
// receives the plural one.
void finishName(ItemFields &fields, QString &plural);

// A definition without a defname is dropped (false); an accepted one gets its finished name.
bool acceptItem(ItemFields &fields, QString &plural);

} // namespace tavrel

#endif
