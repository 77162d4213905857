// SPDX-License-Identifier: MIT
#ifndef TAVREL_LINKING_H
#define TAVREL_LINKING_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// One element of RESOURCES: "id" (amount 1) or "amount id ...".
struct ResourceEntry
{
    int amount = 1;
    QString id;
};
ResourceEntry parseResourceEntry(const QString &element);

// One element of SKILLMAKE: "skill value" or "value skill"; fewer than two words, or an
// empty skill, is no entry.
struct SkillEntry
{
    QString skill;
    double value = 0;
};
std::optional<SkillEntry> parseSkillEntry(const QString &element);

// RESOURCES and SKILLMAKE as linking reads them, parsed once when an item is read: every
// element of RESOURCES, empty ones included (an empty text has none), and the elements of
// SKILLMAKE that are skill entries.
struct ItemEntries
{
    QList<ResourceEntry> resources;
    QList<SkillEntry> skills;
};
ItemEntries parseEntries(const QString &resources, const QString &skillmake);

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
    void reserve(qsizetype records);
    // Once for each record a load accepted.
    void addRecord(const QString &defname, const QString &name, const QString &type);

    // Renders a record's entries; without entries a text stays empty.
    LinkedRecord link(const ItemEntries &entries) const;
    // Every resource entry with what it names.
    QList<ResourceUse> resourceUses(const QList<ResourceEntry> &resources) const;
    // Ids that name a record or a type take the text the linker holds, so that a record keeping
    // its entries holds no copy of them.
    void shareNames(ItemEntries &entries) const;
    // The display names of the skills a record goes under, in order, repeats included.
    QStringList skillNames(const QList<SkillEntry> &skills) const;

    bool namesRecord(const QString &id) const;
    bool namesType(const QString &id) const;

private:
    // What an id names: a record, else a type, else nothing; `shown` receives the record's
    // name or the type as written.
    ResourceUse::Target lookUp(const QString &id, QString *shown = nullptr) const;
    QString linkResources(const QList<ResourceEntry> &resources,
                          QList<MissingResource> &missing) const;
    QString linkSkills(const QList<SkillEntry> &skills, QStringList &skillNames) const;
    bool isSkill(const SkillEntry &entry) const;

    QHash<QString, QString> names;
    QSet<QString> types;
};

// Keeps the first occurrence of each text, in order.
QStringList withoutRepeats(const QStringList &texts);

} // namespace tavrel

#endif
