#include "scripts/linking.h"

#include "scripts/itemdefinition.h"

#include <QSet>

namespace {

QStringList entryWords(const QString &element)
{
    return element.split(QStringLiteral(" "), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QStringList listElements(const QString &text)
{
    return text.split(QStringLiteral(","), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

void appendEntry(QString &list, const QString &entry)
{
    if (!list.isEmpty())
        list.append(QLatin1String(", "));
    list.append(entry);
}

} // namespace

ResourceEntry parseResourceEntry(const QString &element)
{
    const QStringList words = entryWords(element);
    ResourceEntry entry;
    if (words.size() == 1) {
        entry.id = words.at(0);
    } else {
        entry.amount = words.at(0).toInt(nullptr, 10);
        entry.id = words.at(1);
    }
    return entry;
}

std::optional<SkillEntry> parseSkillEntry(const QString &element)
{
    const QStringList words = entryWords(element);
    if (words.size() < 2)
        return std::nullopt;
    SkillEntry entry;
    bool valueFirst = false;
    const double first = words.at(0).toDouble(&valueFirst);
    if (valueFirst) {
        entry.value = first;
        entry.skill = words.at(1);
    } else {
        entry.skill = words.at(0);
        entry.value = words.at(1).toDouble();
    }
    if (entry.skill.isEmpty())
        return std::nullopt;
    return entry;
}

// The placeholders are filled in one pass, so a "%" in a name cannot be taken for one.
QString renderResource(int amount, const QString &name)
{
    return QStringLiteral("%2 %1").arg(name, QString::number(amount));
}

QString renderSkill(const QString &displayName, double value)
{
    return QStringLiteral("%1 %2").arg(displayName, QString::number(value, 'g', 6));
}

QString notFoundMessage(const QString &id)
{
    return QStringLiteral("Resoucre \"%1\" no found.").arg(id);
}

QString linkResources(const QString &resources, const NameLookup &nameOf, QStringList &messages)
{
    QString rendered;
    const QStringList elements = listElements(resources);
    for (const QString &element : elements) {
        const ResourceEntry entry = parseResourceEntry(element);
        const QString *name = nameOf(entry.id);
        if (!name) {
            messages.append(notFoundMessage(entry.id));
            continue;
        }
        appendEntry(rendered, renderResource(entry.amount, *name));
    }
    return rendered;
}

QString linkSkills(const QString &skillmake, QStringList &skillNames)
{
    QString rendered;
    const QStringList elements = listElements(skillmake);
    for (const QString &element : elements) {
        const std::optional<SkillEntry> entry = parseSkillEntry(element);
        if (!entry)
            continue;
        const QString displayName = capitalised(entry->skill);
        skillNames.append(displayName);
        appendEntry(rendered, renderSkill(displayName, entry->value));
    }
    return rendered;
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
