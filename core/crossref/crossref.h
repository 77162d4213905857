// SPDX-License-Identifier: MIT
#ifndef TAVREL_CROSSREF_H
#define TAVREL_CROSSREF_H

#include "core/language/index.h"
#include "core/load/linking.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

namespace tavrel {

// An item whose resources name an id: the amount of all its entries naming it, and the first
// such entry's position in its RESOURCES list and its use.
struct ItemUse
{
    QString defname;
    qint64 amount = 0;
    int element = 0;
    FactRef use;
};

// What an item's resource names, as the items are linked: the item kept for a defname, else an
// item type some item has, else nothing.
ResourceUse::Target resourceTarget(const ScriptIndex &index, const QString &id);

// Which items name each id (an item id or an item type) among their resources.
class UsageIndex
{
public:
    explicit UsageIndex(const ScriptIndex &index);
    // In ascending defname order.
    QList<ItemUse> usesOf(const QString &id) const;

private:
    QHash<QString, QList<ItemUse>> uses;
};

// A place that names something besides item resources: a key of any section, a SKILLMAKE entry.
struct NamingPlace
{
    QString file;
    TextPosition position;
    QString key;
    // The header of the section it stands in ("CHARDEF c_man").
    QString owner;
};

// Where each name is named, compared regardless of case, as written (no alias is followed): by
// every use but the entries of the items' RESOURCES, which are UsageIndex's, and the verbs of
// code that call no function.
class NamingIndex
{
public:
    explicit NamingIndex(const ScriptIndex &index);
    // By file, line and column.
    QList<NamingPlace> placesNaming(const QString &name) const;

private:
    QHash<QString, QList<NamingPlace>> places;
};

// An item that uses an id, as a report of the uses shows it.
struct LocatedUse
{
    ItemUse use;
    QString name;
    // Display names, each once.
    QStringList skills;
    QString file;
    // The line of the RESOURCES key and the column of the first entry naming the id.
    TextPosition position;
};

// Where the users name the id.
QList<LocatedUse> locateUses(const ScriptIndex &index, const QList<ItemUse> &uses);

// A raw material and how much of it is needed. An item type is named by its id, as the window
// shows it.
struct RawMaterial
{
    QString id;
    QString name;
    ResourceUse::Target target = ResourceUse::Item;
    qint64 amount = 0;
};

// A resource that closes a cycle: the items from the repeated one to the item naming it again.
// A long cycle keeps only the repeated item and the last items before it; `length` always
// counts them all.
struct ResourceCycle
{
    QStringList items;
    int length = 0;
};

struct MaterialNode
{
    // Why a crafted item's resources are not below it.
    enum Stop
    {
        Expanded,
        // The resource leads back to an item being expanded.
        Cycle,
        // The item is expanded where it first appears in the tree.
        ShownAbove,
        // Below the deepest level a tree shows.
        TooDeep
    };

    qint64 amount = 0;
    QString id;
    QString name;
    ResourceUse::Target target = ResourceUse::Item;
    bool crafted = false;
    Stop stop = Expanded;
    QList<MaterialNode> resources;
};

struct BillOfMaterials
{
    MaterialNode tree;
    // Largest amount first, then by id.
    QList<RawMaterial> totals;
    // Every cycle the expansion meets, once, in the order met.
    QList<ResourceCycle> cycles;
    // Resource ids naming no item and no item type, once each, in the order met; the totals
    // leave them out.
    QStringList unknown;

    bool partial() const { return !cycles.isEmpty() || !unknown.isEmpty(); }
};

// Expands the resources of crafted items (items with resources of their own) down to raw
// materials: items that are not crafted, and item types. Amounts multiply down the levels and
// stop at the largest or smallest 64-bit integer.
//
// A cycle is cut at one place for every item that reaches it, so that an item's totals are
// always the sum of its resources' totals: the items are walked depth first in ascending
// defname order, their resources in the order written, and a resource naming an item that the
// walk is still expanding is where the cycle is cut. Each item's totals are computed once.
class MaterialCosts
{
public:
    explicit MaterialCosts(const ScriptIndex &index);
    // The costs of one item and what its resources reach, and no more: when they reach more than
    // `mostItems` items, nothing, and `reachesTooFar` says so.
    MaterialCosts(const ScriptIndex &index, const QString &root, int mostItems);
    bool reachesTooFar() const { return tooFar; }

    // The deepest level below the item that a tree shows.
    static constexpr int deepestLevel = 64;

    bool isItem(const QString &defname) const;
    bool isCrafted(const QString &defname) const;

    // The raw materials `amount` of the item needs, largest first; an item that is not crafted
    // is its own raw material. `partial` tells whether a cycle or a resource naming nothing
    // left something out.
    QList<RawMaterial> rawMaterials(const QString &defname, qint64 amount, bool *partial = nullptr);

    // The tree of the item's resources with its totals. In the tree a crafted item is expanded
    // once, where it first appears, and down to deepestLevel; the totals count everything.
    BillOfMaterials bill(const QString &defname, qint64 amount);

private:
    struct Edge
    {
        int amount = 0;
        // A crafted item's node, or else a raw material.
        int target = 0;
        bool crafted = false;
        bool cut = false;
    };
    struct Node
    {
        QString defname;
        QString name;
        std::vector<Edge> edges;
        int parent = -1;
        int depth = 0;
    };
    struct Raw
    {
        QString id;
        QString name;
        ResourceUse::Target target = ResourceUse::Item;
    };
    struct Amount
    {
        int raw = 0;
        qint64 amount = 0;
    };
    struct Totals
    {
        std::vector<Amount> amounts;
        bool computed = false;
        bool partial = false;
    };

    // A kept item, in ascending defname order, with its resources.
    struct Item
    {
        QString name;
        QList<const Use *> resources;
    };
    void build(const ScriptIndex &index, const QMap<QString, Item> &items);
    bool tooFar = false;
    int rawIndex(const QString &id, const QString &name, ResourceUse::Target target);
    void numberRawsById();
    void cutCycles();
    const Totals &totals(int node);
    void computeTotals(int node);
    QList<RawMaterial> materials(const std::vector<Amount> &amounts, qint64 factor) const;
    ResourceCycle cycleClosedBy(int node, int target) const;
    MaterialNode tree(int node, qint64 amount, int level, QList<bool> &expanded) const;
    MaterialNode rawNode(int raw, qint64 amount) const;
    void collectProblems(int node, BillOfMaterials &bill) const;

    QHash<QString, int> nodeOf;
    QHash<QString, int> rawOf;
    std::vector<Node> nodes;
    std::vector<Raw> raws;
    std::vector<Totals> memo;
    // Scratch for summing totals: an amount per raw material and which ones are set.
    std::vector<qint64> sums;
    std::vector<bool> summed;
};

} // namespace tavrel

#endif
