// SPDX-License-Identifier: MIT
#ifndef TAVREL_ITEMDEFINITION_H
#define TAVREL_ITEMDEFINITION_H

#include <QString>

class QSettings;

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

// A copy whose texts have storage of their own, allocated by the calling thread. A load keeps
// its records for as long as its results live; left where a reading thread allocated them,
// among the INI reader's short-lived allocations, they would spread that thread's memory out,
// and each big file would be read more slowly than the one before.
QString ownCopy(const QString &text);
ItemFields ownCopy(const ItemFields &fields);

// Words of a section name are split at single blanks, empty words kept.
QString sectionWord(const QString &section, int index);
bool isItemDefinition(const QString &section);

// Reads the keys of `section` (already known to be an item definition) from an open script,
// with their defaults and cleaning. Key names match regardless of case; a key written exactly
// as expected wins over another spelling. `name` is left as the keys give it: see finishName.
ItemFields readItemDefinition(QSettings &script, const QString &section);

// Script authors comment with "//" to the end of the line, inside values too: the first "//",
// what follows it and the blanks and tabs before it are not part of the value.
QString withoutComment(const QString &value);

// "i_" removed everywhere, "_" to " ", then first character upper case and the rest lower case.
QString nameFromDefname(const QString &defname);
QString capitalised(const QString &text);

// An empty name is derived from the defname; every "%" becomes "'".
void finishName(ItemFields &fields);

// A definition without a defname is dropped (false); an accepted one gets its finished name.
bool acceptItem(ItemFields &fields);

} // namespace tavrel

#endif
