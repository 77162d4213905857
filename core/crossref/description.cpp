// SPDX-License-Identifier: MIT
#include "core/crossref/description.h"

#include "core/crossref/crossref.h"
#include "core/language/queries.h"
#include "core/load/linking.h"
#include "core/read/itemdefinition.h"

#include <QStringList>

namespace tavrel {

namespace {

QString code(const QString &text)
{
    return QLatin1Char('`') + text + QLatin1Char('`');
}

QString materialsText(MaterialCosts &costs, const QString &defname)
{
    bool partial = false;
    QStringList materials;
    for (const RawMaterial &material : costs.rawMaterials(defname, 1, &partial)) {
        materials.append(material.name == material.id
                             ? QStringLiteral("%1 %2").arg(material.amount).arg(material.id)
                             : QStringLiteral("%1 %2 (%3)")
                                   .arg(material.amount)
                                   .arg(material.name, material.id));
    }
    QString text = materials.join(QStringLiteral(", "));
    if (partial)
        text += QStringLiteral(" — partial: a cycle or a resource naming nothing is left out");
    return text;
}

// The item's resources and skills as the window renders them: an item by its name, singular or
// plural for its amount, a type by its id; a skill by its display name and value.
void linkedEntries(const ScriptIndex &index, FactRef kept, QString &resources, QString &skills)
{
    const ScriptFacts &facts = index.facts(kept.file);
    for (const Use &use : facts.entriesOf(index.record(kept))) {
        const ResourceUse::Target target = resourceTarget(index, use.name);
        if (use.flags & Use::ItemResource) {
            if (target == ResourceUse::Nothing)
                continue;
            QString shown = use.name;
            if (target == ResourceUse::Item) {
                const ItemRecord &record = index.record(index.keptRecord(index.nameOf(use.name)));
                shown = use.amount > 1 ? record.plural : record.name;
            }
            appendResource(resources, use.amount, shown);
        } else if ((use.flags & Use::ItemSkill) && target == ResourceUse::Nothing) {
            if (!skills.isEmpty())
                skills += QLatin1String(", ");
            skills += renderSkill(capitalised(use.name), use.amount);
        }
    }
}

QString where(const ScriptIndex &index, FactRef ref,
              const std::function<QString(const QString &)> &shownPath)
{
    const Location &location = index.definition(ref).location;
    return QStringLiteral("%1:%2").arg(shownPath(location.file)).arg(location.line);
}

QString usersText(qsizetype users)
{
    return users == 1 ? QStringLiteral("Used in 1 place")
                      : QStringLiteral("Used in %1 places").arg(users);
}

} // namespace

QString describeName(const ScriptIndex &index, const QString &name, MaterialCosts &costs,
                     const std::function<QString(const QString &)> &shownPath)
{
    const qsizetype users = usesOf(index, name).size();
    const FactRef kept = index.keptRecord(index.nameOf(name));
    if (kept.isValid()) {
        const ItemRecord &record = index.record(kept);
        QString resources;
        QString skills;
        linkedEntries(index, kept, resources, skills);
        QStringList lines{QStringLiteral("**%1** %2 — item").arg(record.name, code(name))};
        if (!record.type.isEmpty())
            lines.append(QStringLiteral("Type: ") + code(record.type));
        if (!resources.isEmpty())
            lines.append(QStringLiteral("Resources: ") + resources);
        if (!skills.isEmpty())
            lines.append(QStringLiteral("Skills: ") + skills);
        if (costs.reachesTooFar())
            lines.append(QStringLiteral("Raw materials: too many items below it to total here "
                                        "(`tavrel-report --bom %1` totals them)")
                             .arg(name));
        else if (costs.isCrafted(name))
            lines.append(QStringLiteral("Raw materials: ") + materialsText(costs, name));
        lines.append(usersText(users));
        lines.append(QStringLiteral("Defined at ") + where(index, kept, shownPath));
        return lines.join(QStringLiteral("  \n"));
    }
    QStringList texts;
    for (const FactRef &ref : index.definitionsOf(QStringView(name))) {
        const Definition &definition = index.definition(ref);
        QString text =
            QStringLiteral("**%1** — %2, defined at %3")
                .arg(definition.shown(), kindName(definition.kind), where(index, ref, shownPath));
        if (definition.kind == Kind::Alias)
            text += QStringLiteral(" as ") + code(definition.value);
        texts.append(text);
    }
    if (texts.isEmpty() && index.isRecordType(name))
        texts.append(QStringLiteral("**%1** — item type, the TYPE of items; no section defines it")
                         .arg(name));
    if (texts.isEmpty())
        texts.append(QStringLiteral("**%1** — nothing the scripts define").arg(name));
    else
        texts.append(usersText(users));
    return texts.join(QStringLiteral("\n\n"));
}

} // namespace tavrel
