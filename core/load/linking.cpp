// SPDX-License-Identifier: MIT
#include "core/load/linking.h"

#include "core/read/itemdefinition.h"

#include <QSet>

#include <cmath>

namespace tavrel {

namespace {

void appendEntry(QString &list, const QString &entry)
{
    if (!list.isEmpty())
        list.append(QLatin1String(", "));
    list.append(entry);
}

} // namespace

void appendResource(QString &list, int amount, const QString &name)
{
    if (!list.isEmpty())
        list.append(QLatin1String(", "));
    list.append(QString::number(amount));
    list.append(u' ');
    list.append(name);
}

QString renderResource(int amount, const QString &name)
{
    QString rendered;
    appendResource(rendered, amount, name);
    return rendered;
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

void Linker::addRecord(const QString &defname, const QString &name, const QString &plural,
                       const QString &type)
{
    const int number = records.add(defname);
    // Records of one file mostly share a type.
    if (lastType < 0 || types.name(lastType) != type)
        lastType = types.add(type);
    const int typeNumber = lastType;
    if (size_t(typeNumber) == typeRecords.size())
        typeRecords.push_back(0);
    ++typeRecords[size_t(typeNumber)];
    if (size_t(number) == names.size()) {
        names.push_back(Names{name, plural, typeNumber});
        return;
    }
    // A later definition replaces the earlier, whose type may be carried by no record now.
    --typeRecords[size_t(names[size_t(number)].type)];
    names[size_t(number)] = Names{name, plural, typeNumber};
}

int Linker::typeNumber(QStringView type) const
{
    const int number = types.find(type);
    return number >= 0 && typeRecords[size_t(number)] > 0 ? number : -1;
}

bool Linker::namesRecord(const QString &id) const
{
    return records.find(id) >= 0;
}

bool Linker::namesType(const QString &id) const
{
    return typeNumber(id) >= 0;
}

Named Linker::lookUp(QStringView name) const
{
    if (records.find(name) >= 0)
        return Named::Item;
    return typeNumber(name) >= 0 ? Named::Type : Named::Nothing;
}

Named Linker::named(const ResourceEntry &entry) const
{
    return entry.named != Named::Unlinked ? entry.named : lookUp(entry.id);
}

QList<ResourceUse> Linker::resourceUses(const QList<ResourceEntry> &resources) const
{
    QList<ResourceUse> uses;
    uses.reserve(resources.size());
    int element = 0;
    for (const ResourceEntry &entry : resources) {
        const Named target = named(entry);
        uses.append(ResourceUse{entry,
                                target == Named::Item   ? ResourceUse::Item
                                : target == Named::Type ? ResourceUse::Type
                                                        : ResourceUse::Nothing,
                                element++});
    }
    return uses;
}

// An id that names something takes the linker's text of it, so that kept entries hold no copy.
QString Linker::linkResources(QList<ResourceEntry> &resources, QList<MissingResource> &missing,
                              bool render) const
{
    QString rendered;
    // Room for most lists, so that the text is not reallocated as it grows.
    if (render)
        rendered.reserve(resources.size() * 32);
    int element = 0;
    for (ResourceEntry &entry : resources) {
        const QString *shown = nullptr;
        if (const int record = records.find(entry.id); record >= 0) {
            entry.id = records.name(record);
            entry.named = Named::Item;
            const Names &forms = names[size_t(record)];
            shown = entry.amount > 1 ? &forms.plural : &forms.singular;
        } else if (const int type = typeNumber(entry.id); type >= 0) {
            entry.id = types.name(type);
            entry.named = Named::Type;
            shown = &entry.id;
        } else {
            entry.id = ownText(entry.id);
            entry.named = Named::Nothing;
        }
        if (!shown)
            missing.append(MissingResource{entry.id, element});
        else if (render)
            appendResource(rendered, entry.amount, *shown);
        ++element;
    }
    return rendered;
}

bool Linker::isSkill(const SkillEntry &entry) const
{
    return (entry.named != Named::Unlinked ? entry.named : lookUp(entry.skill)) == Named::Nothing;
}

QString Linker::linkSkills(QList<SkillEntry> &skills, QStringList &skillNames, bool render) const
{
    QString rendered;
    if (render)
        rendered.reserve(skills.size() * 24);
    for (SkillEntry &entry : skills) {
        entry.named = lookUp(entry.skill);
        if (entry.named != Named::Nothing)
            continue;
        const QString displayName = capitalised(entry.skill);
        skillNames.append(displayName);
        if (render)
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

LinkedRecord Linker::link(ItemEntries &entries, bool render) const
{
    LinkedRecord linked;
    linked.resources = linkResources(entries.resources, linked.missing, render);
    linked.skillmake = linkSkills(entries.skills, linked.skills, render);
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
