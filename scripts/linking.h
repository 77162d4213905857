#ifndef TAVREL_LINKING_H
#define TAVREL_LINKING_H

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

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

QString renderResource(int amount, const QString &name);
QString renderSkill(const QString &displayName, double value);
QString notFoundMessage(const QString &id);

// The display name of the item an id names, or null when no item has that id.
using NameLookup = std::function<const QString *(const QString &id)>;

// Renders a raw RESOURCES text as "amount name" entries joined by ", ". Every id that names
// no item adds its message to `messages` and is left out of the text.
QString linkResources(const QString &resources, const NameLookup &nameOf, QStringList &messages);

// Renders a raw SKILLMAKE text as "Skill value" entries joined by ", "; `skillNames` receives the
// display name of every usable entry in order, repeats included.
QString linkSkills(const QString &skillmake, QStringList &skillNames);

// A record's texts after linking, and the display names of the skills it goes under, in order.
struct LinkedRecord
{
    QString resources;
    QString skillmake;
    QStringList skills;
};
// Links the raw RESOURCES and SKILLMAKE texts of one record; an empty text stays empty.
LinkedRecord linkRecord(const QString &resources, const QString &skillmake,
                        const NameLookup &nameOf, QStringList &messages);

// Keeps the first occurrence of each text, in order.
QStringList withoutRepeats(const QStringList &texts);

#endif
