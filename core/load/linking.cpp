// SPDX-License-Identifier: MIT
#include "core/load/linking.h"

#include "core/read/itemdefinition.h"

#include <QSet>

#include <cmath>

namespace tavrel {

namespace {

// The first two words of an entry, split at single blanks with empty words kept, and whether
// there were at least two.
struct EntryWords
{
    QStringView first;
    QStringView second;
    bool two = false;
};

EntryWords entryWords(QStringView element)
{
    EntryWords words;
    const qsizetype blank = element.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        words.first = element;
        return words;
    }
    words.two = true;
    words.first = element.left(blank);
    const QStringView rest = element.mid(blank + 1);
    const qsizetype next = rest.indexOf(QLatin1Char(' '));
    words.second = next < 0 ? rest : rest.left(next);
    return words;
}

// Calls `visit` with every element of a comma-separated list, empty elements included.
template <class Visit> void forEachElement(const QString &list, Visit visit)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = list.indexOf(QLatin1Char(','), start);
        visit(QStringView(list).mid(start, comma < 0 ? -1 : comma - start));
        if (comma < 0)
            return;
        start = comma + 1;
    }
}

void appendEntry(QString &list, const QString &entry)
{
    if (!list.isEmpty())
        list.append(QLatin1String(", "));
    list.append(entry);
}

// Most skill entries begin with the skill's name, and QString::toDouble takes long to refuse a
// word; a word that starts with a letter can only be a number when it spells inf or nan.
bool mayBeNumber(QStringView word)
{
    for (const QChar c : word) {
        if (c.isSpace())
            continue;
        if (!c.isLetter())
            return true;
        const char16_t lower = c.toLower().unicode();
        return lower == u'i' || lower == u'n';
    }
    return true;
}

ResourceEntry parseResourceEntry(QStringView element)
{
    const EntryWords words = entryWords(element);
    ResourceEntry entry;
    if (!words.two) {
        entry.id = words.first.toString();
    } else {
        entry.amount = words.first.toInt(nullptr, 10);
        entry.id = words.second.toString();
    }
    return entry;
}

std::optional<SkillEntry> parseSkillEntry(QStringView element)
{
    const EntryWords words = entryWords(element);
    if (!words.two)
        return std::nullopt;
    SkillEntry entry;
    bool valueFirst = false;
    const double first = mayBeNumber(words.first) ? words.first.toDouble(&valueFirst) : 0;
    if (valueFirst) {
        entry.value = first;
        entry.skill = words.second.toString();
    } else {
        entry.skill = words.first.toString();
        entry.value = words.second.toDouble();
    }
    if (entry.skill.isEmpty())
        return std::nullopt;
    return entry;
}

} // namespace

ResourceEntry parseResourceEntry(const QString &element)
{
    return parseResourceEntry(QStringView(element));
}

std::optional<SkillEntry> parseSkillEntry(const QString &element)
{
    return parseSkillEntry(QStringView(element));
}

ItemEntries parseEntries(const QString &resources, const QString &skillmake)
{
    ItemEntries entries;
    if (!resources.isEmpty()) {
        entries.resources.reserve(resources.count(QLatin1Char(',')) + 1);
        forEachElement(resources, [&](QStringView element) {
            entries.resources.append(parseResourceEntry(element));
        });
    }
    if (!skillmake.isEmpty()) {
        entries.skills.reserve(skillmake.count(QLatin1Char(',')) + 1);
        forEachElement(skillmake, [&](QStringView element) {
            if (std::optional<SkillEntry> entry = parseSkillEntry(element))
                entries.skills.append(std::move(*entry));
        });
    }
    return entries;
}

QString renderResource(int amount, const QString &name)
{
    return QString::number(amount) + QLatin1Char(' ') + name;
}

QString renderSkill(const QString &displayName, double value)
{
    // Whole values below a million read the same in 'g' format with six digits; printing them as
    // integers is much cheaper.
    const bool whole = value == std::trunc(value) && std::fabs(value) < 1e6 && !std::signbit(value);
    return displayName + QLatin1Char(' ') +
           (whole ? QString::number(qint64(value)) : QString::number(value, 'g', 6));
}

QString notFoundMessage(const QString &id)
{
    return QStringLiteral("Resoucre \"%1\" no found.").arg(id);
}

void Linker::reserve(qsizetype records)
{
    names.reserve(records);
}

void Linker::addRecord(const QString &defname, const QString &name, const QString &type)
{
    names.insert(defname, name);
    types.insert(type);
}

bool Linker::namesRecord(const QString &id) const
{
    return names.contains(id);
}

bool Linker::namesType(const QString &id) const
{
    return types.contains(id);
}

ResourceUse::Target Linker::lookUp(const QString &id, QString *shown) const
{
    const auto record = names.constFind(id);
    if (record != names.cend()) {
        if (shown)
            *shown = *record;
        return ResourceUse::Item;
    }
    if (!types.contains(id))
        return ResourceUse::Nothing;
    if (shown)
        *shown = id;
    return ResourceUse::Type;
}

QList<ResourceUse> Linker::resourceUses(const QList<ResourceEntry> &resources) const
{
    QList<ResourceUse> uses;
    uses.reserve(resources.size());
    int element = 0;
    for (const ResourceEntry &entry : resources)
        uses.append(ResourceUse{entry, lookUp(entry.id), element++});
    return uses;
}

QString Linker::linkResources(const QList<ResourceEntry> &resources,
                              QList<MissingResource> &missing) const
{
    QString rendered;
    int element = 0;
    for (const ResourceEntry &entry : resources) {
        QString shown;
        if (lookUp(entry.id, &shown) == ResourceUse::Nothing)
            missing.append(MissingResource{entry.id, element});
        else
            appendEntry(rendered, renderResource(entry.amount, shown));
        ++element;
    }
    return rendered;
}

void Linker::shareNames(ItemEntries &entries) const
{
    for (ResourceEntry &entry : entries.resources) {
        const auto record = names.constFind(entry.id);
        if (record != names.cend()) {
            entry.id = record.key();
            continue;
        }
        const auto type = types.constFind(entry.id);
        if (type != types.cend())
            entry.id = *type;
    }
}

bool Linker::isSkill(const SkillEntry &entry) const
{
    return lookUp(entry.skill) == ResourceUse::Nothing;
}

QString Linker::linkSkills(const QList<SkillEntry> &skills, QStringList &skillNames) const
{
    QString rendered;
    for (const SkillEntry &entry : skills) {
        if (!isSkill(entry))
            continue;
        const QString displayName = capitalised(entry.skill);
        skillNames.append(displayName);
        appendEntry(rendered, renderSkill(displayName, entry.value));
    }
    return rendered;
}

QStringList Linker::skillNames(const QList<SkillEntry> &skills) const
{
    QStringList names;
    for (const SkillEntry &entry : skills) {
        if (isSkill(entry))
            names.append(capitalised(entry.skill));
    }
    return names;
}

LinkedRecord Linker::link(const ItemEntries &entries) const
{
    LinkedRecord linked;
    linked.resources = linkResources(entries.resources, linked.missing);
    linked.skillmake = linkSkills(entries.skills, linked.skills);
    return linked;
}

QStringList withoutRepeats(const QStringList &texts)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &text : texts) {
        if (seen.contains(text))
            continue;
        seen.insert(text);
        unique.append(text);
    }
    return unique;
}

} // namespace tavrel
