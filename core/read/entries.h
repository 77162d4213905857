// SPDX-License-Identifier: MIT
#ifndef TAVREL_ENTRIES_H
#define TAVREL_ENTRIES_H

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace tavrel {

// What the name of an entry names, once linked (see Linker::link).
enum class Named : unsigned char
{
    Unlinked,
    Item,
    Type,
    Nothing
};

// One element of RESOURCES: "id" (amount 1) or "amount id ...". `column` is where the id is
// written: in its script once read from one (see readItemDefinition), else in the parsed text.
struct ResourceEntry
{
    int amount = 1;
    QString id;
    int column = 0;
    Named named = Named::Unlinked;
};
ResourceEntry parseResourceEntry(QStringView element);

// Elements are separated by "," in RESOURCES and SKILLMAKE; an empty element is an element.
template <class Visit> void forEachElement(QStringView list, Visit visit)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = list.indexOf(u',', start);
        visit(list.mid(start, comma < 0 ? list.size() - start : comma - start), start);
        if (comma < 0)
            return;
        start = comma + 1;
    }
}

// One element of SKILLMAKE: "skill value" or "value skill"; fewer than two words, or an empty
// skill, is no entry. `column` is where the skill is written, as for a resource entry.
struct SkillEntry
{
    QString skill;
    double value = 0;
    int column = 0;
    Named named = Named::Unlinked;
};
std::optional<SkillEntry> parseSkillEntry(QStringView element);

// RESOURCES and SKILLMAKE as linking reads them, parsed once when an item is read: every
// element of RESOURCES, empty ones included (an empty text has none), and the elements of
// SKILLMAKE that are skill entries.
struct ItemEntries
{
    QList<ResourceEntry> resources;
    QList<SkillEntry> skills;
};

ItemEntries parseEntries(QStringView resources, QStringView skillmake);
// The same entries, whose ids and skills only refer to the two texts instead of copying them
// (QString::fromRawData), as an item read keeps them until it is linked: the texts must stay
// as they are while the entries refer to them. ownText gives an entry's text its own.
ItemEntries referringEntries(const QString &resources, const QString &skillmake);
QString ownText(const QString &text);

} // namespace tavrel

#endif
