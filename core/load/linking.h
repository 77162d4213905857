// SPDX-License-Identifier: MIT
#ifndef TAVREL_LINKING_H
#define TAVREL_LINKING_H

#include "core/load/nameindex.h"
#include "core/read/entries.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace tavrel {

// "amount name", after ", " when the list has entries already.
void appendResource(QString &list, int amount, const QString &name);
QString renderResource(int amount, const QString &name);
QString renderSkill(const QString &displayName, double value);
QString notFoundMessage(const QString &id);

// A resource entry whose id names no item and no item type.
struct MissingResource
{
    QString id;
    // The entry's position in the RESOURCES list, counted from 0.
    int element = 0;
};

// One record's texts after linking.
struct LinkedRecord
{
    QString resources;
    QString skillmake;
    // The display names of the skills the record goes under, in order, repeats included.
    QStringList skills;
    QList<MissingResource> missing;
};

// What a resource entry names.
struct ResourceUse
{
    enum Target
    {
        Item,
        Type,
        Nothing
    };
    ResourceEntry entry;
    Target target = Nothing;
    int element = 0;
};

// Links records against the accepted records of a load. A resource names the record with its id
// or, failing that, the item type some record has ("1 t_food": one item of type t_food). A
// SKILLMAKE entry whose skill names a record or a type is a tool or material the craft needs,
// not a skill ("Inscription 65.0,1 i_pen_and_ink"), and is left out like a one-word entry.
class Linker
{
public:
    // Every record a load accepts, with its name's singular and plural forms; a later record of
    // a defname replaces the earlier.
    void addRecord(const QString &defname, const QString &name, const QString &plural,
                   const QString &type);

    // Renders a record's entries; without entries, or without `render`, a text stays empty.
    // Each entry keeps what it names, and the resource ids become texts of their own (see
    // ItemEntries): an id that names a record or a type takes the text the linker holds, so that
    // a record keeping its entries holds no copy of it.
    LinkedRecord link(ItemEntries &entries, bool render = true) const;
    // Every resource entry with what it names.
    QList<ResourceUse> resourceUses(const QList<ResourceEntry> &resources) const;
    // A SKILLMAKE entry naming neither an item nor a type names a skill.
    bool isSkill(const SkillEntry &entry) const;
    // The display names of the skills a record goes under, in order, repeats included.
    QStringList skillNames(const QList<SkillEntry> &skills) const;

    bool namesRecord(const QString &id) const;
    bool namesType(const QString &id) const;

private:
    Named lookUp(QStringView name) const;
    Named named(const ResourceEntry &entry) const;
    QString linkResources(QList<ResourceEntry> &resources, QList<MissingResource> &missing,
                          bool render) const;
    QString linkSkills(QList<SkillEntry> &skills, QStringList &skillNames, bool render) const;

    // The number of a type some record has, or -1.
    int typeNumber(QStringView type) const;

    struct Names
    {
        QString singular;
        QString plural;
        int type = 0;
    };
    NameIndex records;
    std::vector<Names> names;
    NameIndex types;
    // How many records have each type.
    std::vector<int> typeRecords;
    int lastType = -1;
};

// Keeps the first occurrence of each text, in order.
QStringList withoutRepeats(const QStringList &texts);

} // namespace tavrel

#endif
