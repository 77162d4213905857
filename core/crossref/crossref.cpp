// SPDX-License-Identifier: MIT
#include "core/crossref/crossref.h"

#include "core/language/queries.h"
#include "core/read/itemdefinition.h"

#include <QMap>
#include <QSet>
#include <QtNumeric>

#include <algorithm>
#include <limits>

namespace tavrel {

namespace {

constexpr qint64 largest = std::numeric_limits<qint64>::max();
constexpr qint64 smallest = std::numeric_limits<qint64>::min();

// A longer cycle keeps its first item and the last ones before it comes again.
constexpr int longestCycleShown = 16;

qint64 times(qint64 a, qint64 b)
{
    qint64 product = 0;
    if (qMulOverflow(a, b, &product))
        return (a < 0) != (b < 0) ? smallest : largest;
    return product;
}

qint64 plus(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (qAddOverflow(a, b, &sum))
        return a < 0 ? smallest : largest;
    return sum;
}

} // namespace

ResourceUse::Target resourceTarget(const ScriptIndex &index, const QString &id)
{
    // An item written under its number without a DEFNAME goes by that number.
    const int name = isNumberText(id) ? index.nameOf(ScriptIndex::numberName(scriptNumber(id)))
                                      : index.nameOf(id);
    if (index.keptRecord(name).isValid())
        return ResourceUse::Item;
    return index.isRecordType(id) ? ResourceUse::Type : ResourceUse::Nothing;
}

namespace {

// Whether an item's entry belongs to the record kept for its defname, the one linked.
bool isKept(const ScriptIndex &index, const Use &use)
{
    const int definition = index.facts(use.file).records.at(use.record).definition;
    return definition < 0 || index.isKept(FactRef{use.file, definition});
}

// Every kept item's resource entries, in the order of the defnames, the entries of each item in
// the order written.
template <class Visit> void forEachResource(const ScriptIndex &index, Visit visit)
{
    QMap<QString, QList<FactRef>> byDefname;
    for (const int file : index.files()) {
        const QList<Use> &uses = index.facts(file).uses;
        for (int i = 0; i < uses.size(); ++i) {
            const Use &use = uses.at(i);
            if ((use.flags & Use::ItemResource) && isKept(index, use))
                byDefname[index.facts(file).records.at(use.record).defname].append({file, i});
        }
    }
    for (auto it = byDefname.cbegin(); it != byDefname.cend(); ++it) {
        for (const FactRef &ref : it.value())
            visit(it.key(), ref, index.use(ref));
    }
}

} // namespace

UsageIndex::UsageIndex(const ScriptIndex &index)
{
    forEachResource(index, [&](const QString &defname, FactRef ref, const Use &use) {
        if (resourceTarget(index, use.name) == ResourceUse::Nothing)
            return;
        // Records come in ascending order, so a record's entries end up side by side.
        QList<ItemUse> &users = uses[use.name];
        if (!users.isEmpty() && users.constLast().defname == defname)
            users.last().amount = plus(users.constLast().amount, use.amount);
        else
            users.append(ItemUse{defname, use.amount, use.element, ref});
    });
}

QList<ItemUse> UsageIndex::usesOf(const QString &id) const
{
    return uses.value(id);
}

NamingIndex::NamingIndex(const ScriptIndex &index)
{
    for (const int file : index.files()) {
        for (const Use &use : index.facts(file).uses) {
            if (!(use.flags & Use::ItemResource) && isNaming(index, use))
                places[use.name].append(
                    NamingPlace{use.location.file, use.location.position(), use.key, use.owner});
        }
    }
    const auto order = [](const NamingPlace &a, const NamingPlace &b) {
        if (a.file != b.file)
            return a.file < b.file;
        if (a.position.line != b.position.line)
            return a.position.line < b.position.line;
        return a.position.column < b.position.column;
    };
    for (QList<NamingPlace> &list : places)
        std::stable_sort(list.begin(), list.end(), order);
}

QList<NamingPlace> NamingIndex::placesNaming(const QString &name) const
{
    return places.value(name.toLower());
}

QList<LocatedUse> locateUses(const ScriptIndex &index, const QList<ItemUse> &uses)
{
    QList<LocatedUse> located;
    located.reserve(uses.size());
    for (const ItemUse &use : uses) {
        const Use &entry = index.use(use.use);
        const ScriptFacts &facts = index.facts(entry.file);
        const ItemRecord &record = facts.records.at(entry.record);
        // The skills of the item are the entries of its SKILLMAKE that name no item and no type.
        QStringList skills;
        for (const Use &other : facts.entriesOf(record)) {
            if ((other.flags & Use::ItemSkill) &&
                resourceTarget(index, other.name) == ResourceUse::Nothing)
                skills.append(capitalised(other.name));
        }
        located.append(LocatedUse{use, record.name, withoutRepeats(skills), entry.location.file,
                                  entry.location.position()});
    }
    return located;
}

MaterialCosts::MaterialCosts(const ScriptIndex &index)
{
    QMap<QString, Item> items;
    for (const int file : index.files()) {
        const ScriptFacts &facts = index.facts(file);
        for (int i = 0; i < facts.definitions.size(); ++i) {
            const Definition &definition = facts.definitions.at(i);
            if (definition.record < 0 || !index.isKept(FactRef{file, i}))
                continue;
            const ItemRecord &record = facts.records.at(definition.record);
            items[record.defname].name = record.name;
        }
    }
    forEachResource(index, [&](const QString &defname, FactRef, const Use &use) {
        items[defname].resources.append(&use);
    });
    build(index, items);
}

// The items the item's resources reach, and theirs, walked as the whole load is: an item's
// totals are its resources' totals, but for where a cycle is cut.
MaterialCosts::MaterialCosts(const ScriptIndex &index, const QString &root, int mostItems)
{
    QMap<QString, Item> items;
    QList<QString> pending{root};
    while (!pending.isEmpty()) {
        if (items.size() > mostItems) {
            tooFar = true;
            return;
        }
        const QString defname = pending.takeLast();
        if (items.contains(defname))
            continue;
        const FactRef kept = index.keptRecord(index.nameOf(defname));
        if (!kept.isValid())
            continue;
        Item &item = items[defname];
        item.name = index.record(kept).name;
        const ScriptFacts &facts = index.facts(kept.file);
        for (const Use &use : facts.entriesOf(index.record(kept))) {
            if (!(use.flags & Use::ItemResource))
                continue;
            item.resources.append(&use);
            pending.append(use.name);
        }
    }
    build(index, items);
}

void MaterialCosts::build(const ScriptIndex &index, const QMap<QString, Item> &items)
{
    // Every crafted item is numbered before any resource can name it.
    std::vector<const QList<const Use *> *> resources;
    for (auto item = items.cbegin(); item != items.cend(); ++item) {
        if (item->resources.isEmpty()) {
            rawIndex(item.key(), item->name, ResourceUse::Item);
            continue;
        }
        nodeOf.insert(item.key(), int(nodes.size()));
        nodes.push_back(Node{item.key(), item->name, {}});
        resources.push_back(&item->resources);
    }
    for (size_t n = 0; n < nodes.size(); ++n) {
        Node &node = nodes[n];
        node.edges.reserve(size_t(resources[n]->size()));
        for (const Use *use : *resources[n]) {
            Edge edge;
            edge.amount = use->amount;
            const QString &id = use->name;
            const ResourceUse::Target target = resourceTarget(index, id);
            const auto crafted = nodeOf.constFind(id);
            if (target == ResourceUse::Item && crafted != nodeOf.cend()) {
                edge.crafted = true;
                edge.target = *crafted;
            } else if (target == ResourceUse::Item) {
                edge.target = rawOf.value(id);
            } else {
                edge.target = rawIndex(id, id, target);
            }
            node.edges.push_back(edge);
        }
    }
    numberRawsById();
    memo.resize(nodes.size());
    sums.resize(raws.size());
    summed.resize(raws.size());
    cutCycles();
}

bool MaterialCosts::isItem(const QString &defname) const
{
    if (nodeOf.contains(defname))
        return true;
    const auto raw = rawOf.constFind(defname);
    return raw != rawOf.cend() && raws[size_t(*raw)].target == ResourceUse::Item;
}

bool MaterialCosts::isCrafted(const QString &defname) const
{
    return nodeOf.contains(defname);
}

int MaterialCosts::rawIndex(const QString &id, const QString &name, ResourceUse::Target target)
{
    const auto found = rawOf.constFind(id);
    if (found != rawOf.cend())
        return *found;
    const int index = int(raws.size());
    raws.push_back(Raw{id, name, target});
    rawOf.insert(id, index);
    return index;
}

// Raw materials numbered in the order of their ids let totals be ordered without comparing
// any text.
void MaterialCosts::numberRawsById()
{
    std::vector<int> order(raws.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [this](int a, int b) { return raws[size_t(a)].id < raws[size_t(b)].id; });
    std::vector<int> number(raws.size());
    std::vector<Raw> sorted;
    sorted.reserve(raws.size());
    for (const int old : order) {
        number[size_t(old)] = int(sorted.size());
        sorted.push_back(raws[size_t(old)]);
    }
    raws.swap(sorted);
    for (auto raw = rawOf.begin(); raw != rawOf.end(); ++raw)
        *raw = number[size_t(*raw)];
    for (Node &node : nodes) {
        for (Edge &edge : node.edges) {
            if (!edge.crafted)
                edge.target = number[size_t(edge.target)];
        }
    }
}

// A resource naming an item that is still on the walk's path closes a cycle: that resource is
// cut, and what is left has no cycle, so every item's totals have a single value.
void MaterialCosts::cutCycles()
{
    enum State : char
    {
        Unvisited,
        OnPath,
        Done
    };
    std::vector<State> state(nodes.size(), Unvisited);
    struct Frame
    {
        int node;
        size_t next;
    };
    std::vector<Frame> path;
    for (size_t start = 0; start < nodes.size(); ++start) {
        if (state[start] != Unvisited)
            continue;
        state[start] = OnPath;
        path.push_back(Frame{int(start), 0});
        while (!path.empty()) {
            const int current = path.back().node;
            Node &node = nodes[size_t(current)];
            if (path.back().next == node.edges.size()) {
                state[size_t(current)] = Done;
                path.pop_back();
                continue;
            }
            Edge &edge = node.edges[path.back().next++];
            if (!edge.crafted)
                continue;
            const size_t target = size_t(edge.target);
            if (state[target] == OnPath) {
                edge.cut = true;
            } else if (state[target] == Unvisited) {
                state[target] = OnPath;
                nodes[target].parent = current;
                nodes[target].depth = node.depth + 1;
                path.push_back(Frame{edge.target, 0});
            }
        }
    }
}

// Without the cut resources the items form no cycle, so the walk ends; it keeps its own stack
// because resource chains can be far deeper than the call stack allows.
const MaterialCosts::Totals &MaterialCosts::totals(int node)
{
    if (memo[size_t(node)].computed)
        return memo[size_t(node)];
    struct Frame
    {
        int node;
        size_t next;
    };
    std::vector<Frame> pending{Frame{node, 0}};
    while (!pending.empty()) {
        Frame &frame = pending.back();
        const std::vector<Edge> &edges = nodes[size_t(frame.node)].edges;
        while (frame.next < edges.size()) {
            const Edge &edge = edges[frame.next];
            if (edge.crafted && !edge.cut && !memo[size_t(edge.target)].computed)
                break;
            ++frame.next;
        }
        if (frame.next == edges.size()) {
            const int done = frame.node;
            pending.pop_back();
            computeTotals(done);
            continue;
        }
        const int child = edges[frame.next++].target;
        pending.push_back(Frame{child, 0});
    }
    return memo[size_t(node)];
}

void MaterialCosts::computeTotals(int node)
{
    Totals &result = memo[size_t(node)];
    std::vector<int> touched;
    const auto add = [&](int raw, qint64 amount) {
        const size_t at = size_t(raw);
        if (summed[at]) {
            sums[at] = plus(sums[at], amount);
            return;
        }
        summed[at] = true;
        sums[at] = amount;
        touched.push_back(raw);
    };
    for (const Edge &edge : nodes[size_t(node)].edges) {
        if (edge.cut) {
            result.partial = true;
        } else if (edge.crafted) {
            const Totals &below = memo[size_t(edge.target)];
            result.partial = result.partial || below.partial;
            for (const Amount &amount : below.amounts)
                add(amount.raw, times(edge.amount, amount.amount));
        } else if (raws[size_t(edge.target)].target == ResourceUse::Nothing) {
            result.partial = true;
        } else {
            add(edge.target, edge.amount);
        }
    }
    std::sort(touched.begin(), touched.end());
    result.amounts.reserve(touched.size());
    for (const int raw : touched) {
        result.amounts.push_back(Amount{raw, sums[size_t(raw)]});
        summed[size_t(raw)] = false;
    }
    result.computed = true;
}

QList<RawMaterial> MaterialCosts::materials(const std::vector<Amount> &amounts, qint64 factor) const
{
    std::vector<Amount> ordered;
    ordered.reserve(amounts.size());
    for (const Amount &amount : amounts)
        ordered.push_back(Amount{amount.raw, times(factor, amount.amount)});
    // Sorted by amount only, the order of the ids is kept for equal amounts.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Amount &a, const Amount &b) { return a.amount > b.amount; });
    QList<RawMaterial> list;
    list.reserve(qsizetype(ordered.size()));
    for (const Amount &amount : ordered) {
        const Raw &raw = raws[size_t(amount.raw)];
        list.append(RawMaterial{raw.id, raw.name, raw.target, amount.amount});
    }
    return list;
}

QList<RawMaterial> MaterialCosts::rawMaterials(const QString &defname, qint64 amount, bool *partial)
{
    if (partial)
        *partial = false;
    const auto node = nodeOf.constFind(defname);
    if (node != nodeOf.cend()) {
        const Totals &found = totals(*node);
        if (partial)
            *partial = found.partial;
        return materials(found.amounts, amount);
    }
    if (!isItem(defname))
        return {};
    const Raw &raw = raws[size_t(rawOf.value(defname))];
    return {RawMaterial{raw.id, raw.name, raw.target, amount}};
}

BillOfMaterials MaterialCosts::bill(const QString &defname, qint64 amount)
{
    BillOfMaterials bill;
    bill.totals = rawMaterials(defname, amount);
    const auto node = nodeOf.constFind(defname);
    if (node == nodeOf.cend()) {
        if (isItem(defname))
            bill.tree = rawNode(rawOf.value(defname), amount);
        return bill;
    }
    QList<bool> expanded(qsizetype(nodes.size()), false);
    bill.tree = tree(*node, amount, 0, expanded);
    collectProblems(*node, bill);
    return bill;
}

MaterialNode MaterialCosts::rawNode(int raw, qint64 amount) const
{
    const Raw &material = raws[size_t(raw)];
    MaterialNode line;
    line.amount = amount;
    line.id = material.id;
    line.name = material.name;
    line.target = material.target;
    return line;
}

MaterialNode MaterialCosts::tree(int node, qint64 amount, int level, QList<bool> &expanded) const
{
    const Node &item = nodes[size_t(node)];
    MaterialNode line;
    line.amount = amount;
    line.id = item.defname;
    line.name = item.name;
    line.crafted = true;
    if (expanded.at(node)) {
        line.stop = MaterialNode::ShownAbove;
        return line;
    }
    if (level == deepestLevel) {
        line.stop = MaterialNode::TooDeep;
        return line;
    }
    expanded[node] = true;
    line.resources.reserve(qsizetype(item.edges.size()));
    for (const Edge &edge : item.edges) {
        const qint64 needed = times(amount, edge.amount);
        if (!edge.crafted) {
            line.resources.append(rawNode(edge.target, needed));
        } else if (edge.cut) {
            const Node &repeated = nodes[size_t(edge.target)];
            MaterialNode stopped;
            stopped.amount = needed;
            stopped.id = repeated.defname;
            stopped.name = repeated.name;
            stopped.crafted = true;
            stopped.stop = MaterialNode::Cycle;
            line.resources.append(stopped);
        } else {
            line.resources.append(tree(edge.target, needed, level + 1, expanded));
        }
    }
    return line;
}

ResourceCycle MaterialCosts::cycleClosedBy(int node, int target) const
{
    ResourceCycle cycle;
    cycle.length = nodes[size_t(node)].depth - nodes[size_t(target)].depth + 1;
    // The walk's parents lead from the item naming the repeated one back up to it; a long cycle
    // is not followed all the way.
    int kept = std::min(cycle.length, longestCycleShown) - 1;
    for (int at = node; at != target && kept > 0; at = nodes[size_t(at)].parent, --kept)
        cycle.items.prepend(nodes[size_t(at)].defname);
    cycle.items.prepend(nodes[size_t(target)].defname);
    return cycle;
}

void MaterialCosts::collectProblems(int node, BillOfMaterials &bill) const
{
    std::vector<bool> visited(nodes.size(), false);
    QSet<int> unknown;
    struct Frame
    {
        int node;
        size_t next;
    };
    std::vector<Frame> path{Frame{node, 0}};
    visited[size_t(node)] = true;
    while (!path.empty()) {
        const int current = path.back().node;
        const std::vector<Edge> &edges = nodes[size_t(current)].edges;
        if (path.back().next == edges.size()) {
            path.pop_back();
            continue;
        }
        const Edge &edge = edges[path.back().next++];
        if (edge.cut) {
            bill.cycles.append(cycleClosedBy(current, edge.target));
        } else if (edge.crafted) {
            if (!visited[size_t(edge.target)]) {
                visited[size_t(edge.target)] = true;
                path.push_back(Frame{edge.target, 0});
            }
        } else if (raws[size_t(edge.target)].target == ResourceUse::Nothing &&
                   !unknown.contains(edge.target)) {
            unknown.insert(edge.target);
            bill.unknown.append(raws[size_t(edge.target)].id);
        }
    }
}

} // namespace tavrel
