// SPDX-License-Identifier: MIT
#ifndef TAVREL_CROSSREFFORMATS_H
#define TAVREL_CROSSREFFORMATS_H

#include <QList>
#include <QString>

namespace tavrel {
struct BillOfMaterials;
struct LocatedUse;
struct NamingPlace;
struct ResourceCycle;
} // namespace tavrel

// One line per item, as compilers write places: "file:line:column: defname "name" needs amount
// [skills]", the skills left out when there are none.
QString usesText(const QList<tavrel::LocatedUse> &uses);
// One line per other place that names it: "file:line:column: KEY in SECTION".
QString namingText(const QList<tavrel::NamingPlace> &places);

// {"id", "kind" ("item", "type", or the kind of another definition: "template"...), "name",
// "uses": [...], "places": [...]} with every field of every use and place.
QString usesJson(const QString &id, const QString &kind, const QString &name,
                 const QList<tavrel::LocatedUse> &uses, const QList<tavrel::NamingPlace> &places);

// The tree, two blanks deeper per level, each line "amount name (id)" and its marks, then the
// raw materials.
QString billText(const tavrel::BillOfMaterials &bill);

// {"tree", "totals", "partial", "cycles", "unknown"}; a tree node has "resources" when it is
// expanded and "stop" when it is crafted but not expanded there.
QString billJson(const tavrel::BillOfMaterials &bill);

// "i_a -> i_b -> i_a"; in a shortened cycle "... n more ..." follows the first item.
QString cycleText(const tavrel::ResourceCycle &cycle);

#endif
