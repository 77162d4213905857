// SPDX-License-Identifier: MIT
#include "cli/crossrefformats.h"

#include "cli/outputtext.h"
#include "core/crossref/crossref.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tavrel;

namespace {

QString kindName(ResourceUse::Target target)
{
    switch (target) {
    case ResourceUse::Item:
        return QStringLiteral("item");
    case ResourceUse::Type:
        return QStringLiteral("type");
    case ResourceUse::Nothing:
        break;
    }
    return QStringLiteral("unknown");
}

QString stopName(MaterialNode::Stop stop)
{
    switch (stop) {
    case MaterialNode::Cycle:
        return QStringLiteral("cycle");
    case MaterialNode::ShownAbove:
        return QStringLiteral("shown above");
    case MaterialNode::TooDeep:
        return QStringLiteral("too deep");
    case MaterialNode::Expanded:
        break;
    }
    return QString();
}

// What a line of the tree or the totals says besides "amount name (id)".
QString marks(ResourceUse::Target target, MaterialNode::Stop stop)
{
    QString text;
    if (target == ResourceUse::Type)
        text += QStringLiteral(" [item type]");
    else if (target == ResourceUse::Nothing)
        text += QStringLiteral(" [no item]");
    switch (stop) {
    case MaterialNode::Cycle:
        text += QStringLiteral(" [cycle]");
        break;
    case MaterialNode::ShownAbove:
        text += QStringLiteral(" [shown above]");
        break;
    case MaterialNode::TooDeep:
        text += QStringLiteral(" [deeper levels left out]");
        break;
    case MaterialNode::Expanded:
        break;
    }
    return text;
}

QString materialLine(qint64 amount, const QString &name, const QString &id)
{
    return QStringLiteral("%1 %2 (%3)")
        .arg(QString::number(amount), escapedLineBreaks(name), escapedLineBreaks(id));
}

void appendTree(QString &text, const MaterialNode &node, int level)
{
    text += QString(2 * level, QLatin1Char(' ')) + materialLine(node.amount, node.name, node.id) +
            marks(node.target, node.stop) + QLatin1Char('\n');
    for (const MaterialNode &resource : node.resources)
        appendTree(text, resource, level + 1);
}

QJsonObject treeJson(const MaterialNode &node)
{
    QJsonObject object{{QStringLiteral("amount"), node.amount},
                       {QStringLiteral("id"), node.id},
                       {QStringLiteral("name"), node.name},
                       {QStringLiteral("kind"), kindName(node.target)},
                       {QStringLiteral("crafted"), node.crafted}};
    if (!node.crafted)
        return object;
    if (node.stop != MaterialNode::Expanded) {
        object.insert(QStringLiteral("stop"), stopName(node.stop));
        return object;
    }
    QJsonArray resources;
    for (const MaterialNode &resource : node.resources)
        resources.append(treeJson(resource));
    object.insert(QStringLiteral("resources"), resources);
    return object;
}

QString partialReason(const BillOfMaterials &bill)
{
    QStringList reasons;
    if (!bill.cycles.isEmpty())
        reasons.append(QStringLiteral("a cycle stops the expansion"));
    if (!bill.unknown.isEmpty())
        reasons.append(QStringLiteral("a resource names no item"));
    return reasons.join(QStringLiteral(" and "));
}

} // namespace

QString usesText(const QList<LocatedUse> &uses)
{
    QString text;
    for (const LocatedUse &located : uses) {
        QString line =
            QStringLiteral("%1 %2 \"%3\" needs %4")
                .arg(placeText(located.file, located.position.line, located.position.column),
                     escapedLineBreaks(located.use.defname), escapedLineBreaks(located.name),
                     QString::number(located.use.amount));
        if (!located.skills.isEmpty())
            line += QStringLiteral(" [%1]").arg(escapedLineBreaks(located.skills.join(", ")));
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString namingText(const QList<NamingPlace> &places)
{
    QString text;
    for (const NamingPlace &place : places) {
        text += QStringLiteral("%1 %2 in %3\n")
                    .arg(placeText(place.file, place.position.line, place.position.column),
                         escapedLineBreaks(place.key), escapedLineBreaks(place.owner));
    }
    return text;
}

QString usesJson(const QString &id, const QString &kind, const QString &name,
                 const QList<LocatedUse> &uses, const QList<NamingPlace> &places)
{
    QJsonArray list;
    for (const LocatedUse &located : uses) {
        list.append(
            QJsonObject{{QStringLiteral("defname"), located.use.defname},
                        {QStringLiteral("name"), located.name},
                        {QStringLiteral("amount"), located.use.amount},
                        {QStringLiteral("skills"), QJsonArray::fromStringList(located.skills)},
                        {QStringLiteral("file"), located.file},
                        {QStringLiteral("line"), located.position.line},
                        {QStringLiteral("column"), located.position.column}});
    }
    QJsonArray naming;
    for (const NamingPlace &place : places) {
        naming.append(QJsonObject{{QStringLiteral("file"), place.file},
                                  {QStringLiteral("line"), place.position.line},
                                  {QStringLiteral("column"), place.position.column},
                                  {QStringLiteral("key"), place.key},
                                  {QStringLiteral("section"), place.owner}});
    }
    return jsonText(QJsonObject{{QStringLiteral("id"), id},
                                {QStringLiteral("kind"), kind},
                                {QStringLiteral("name"), name},
                                {QStringLiteral("uses"), list},
                                {QStringLiteral("places"), naming}});
}

QString billText(const BillOfMaterials &bill)
{
    QString text;
    appendTree(text, bill.tree, 0);
    if (bill.partial())
        text += QStringLiteral("Raw materials (partial: %1):\n").arg(partialReason(bill));
    else
        text += QStringLiteral("Raw materials:\n");
    if (bill.totals.isEmpty())
        text += QStringLiteral("  none\n");
    for (const RawMaterial &material : bill.totals) {
        text += QStringLiteral("  ") + materialLine(material.amount, material.name, material.id) +
                marks(material.target, MaterialNode::Expanded) + QLatin1Char('\n');
    }
    return text;
}

QString billJson(const BillOfMaterials &bill)
{
    QJsonArray totals;
    for (const RawMaterial &material : bill.totals) {
        totals.append(QJsonObject{{QStringLiteral("amount"), material.amount},
                                  {QStringLiteral("id"), material.id},
                                  {QStringLiteral("name"), material.name},
                                  {QStringLiteral("kind"), kindName(material.target)}});
    }
    QJsonArray cycles;
    for (const ResourceCycle &cycle : bill.cycles) {
        cycles.append(
            QJsonObject{{QStringLiteral("items"), QJsonArray::fromStringList(cycle.items)},
                        {QStringLiteral("length"), cycle.length}});
    }
    return jsonText(
        QJsonObject{{QStringLiteral("tree"), treeJson(bill.tree)},
                    {QStringLiteral("totals"), totals},
                    {QStringLiteral("partial"), bill.partial()},
                    {QStringLiteral("cycles"), cycles},
                    {QStringLiteral("unknown"), QJsonArray::fromStringList(bill.unknown)}});
}

QString cycleText(const ResourceCycle &cycle)
{
    QStringList steps = cycle.items;
    const qsizetype leftOut = cycle.length - cycle.items.size();
    if (leftOut > 0)
        steps.insert(1, QStringLiteral("... %1 more ...").arg(QString::number(leftOut)));
    if (!cycle.items.isEmpty())
        steps.append(cycle.items.constFirst());
    return steps.join(QStringLiteral(" -> "));
}
