// SPDX-License-Identifier: MIT
#include "core/language/index.h"

#include <algorithm>

namespace tavrel {

namespace {

// The server follows an alias to its value at most this many times.
constexpr int deepestAlias = 8;

// Where an alias's value names an alias or a name, it is read as a key of the shape reads its
// own value; an element of a resource list names one resource.
Shape aliasShape(Shape shape)
{
    return shape == Shape::ResourceList ? Shape::Name : shape;
}

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'-';
}

} // namespace

ScriptIndex::ScriptIndex(bool tracksUses) : tracksUses(tracksUses) {}

QString ScriptIndex::numberName(qint64 number)
{
    return u'#' + QString::number(number, 16);
}

bool ScriptIndex::hasFile(int file) const
{
    return file >= 0 && size_t(file) < entries.size() && entries[size_t(file)].present;
}

int ScriptIndex::addFile(const QString &path, ScriptFacts &&facts)
{
    const int file = int(entries.size());
    entries.push_back(FileEntry{path, ScriptFacts(), true});
    byPath.insert(path, file);
    order.append(file);
    rank.push_back(file);
    place(file, std::move(facts));
    if (indexed)
        link(file);
    return file;
}

void ScriptIndex::index()
{
    for (const int file : std::as_const(order))
        link(file);
    indexed = true;
    change = Change();
}

void ScriptIndex::replaceFile(int file, ScriptFacts &&facts)
{
    unlink(file);
    place(file, std::move(facts));
    link(file);
}

int ScriptIndex::insertFile(const QString &path, ScriptFacts &&facts, int before)
{
    const int file = int(entries.size());
    entries.push_back(FileEntry{path, ScriptFacts(), true});
    byPath.insert(path, file);
    const qsizetype at = before < 0 ? -1 : order.indexOf(before);
    if (at < 0)
        order.append(file);
    else
        order.insert(at, file);
    rank.resize(entries.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        rank[size_t(order.at(i))] = i;
    place(file, std::move(facts));
    link(file);
    return file;
}

void ScriptIndex::removeFile(int file)
{
    if (!hasFile(file))
        return;
    unlink(file);
    FileEntry &entry = entries[size_t(file)];
    byPath.remove(entry.path);
    entry.facts = ScriptFacts();
    entry.present = false;
    order.removeAll(file);
}

ScriptIndex::Change ScriptIndex::takeChange()
{
    Change taken = std::move(change);
    change = Change();
    return taken;
}

// The facts take the file's number, and its path where a scan did not give it.
void ScriptIndex::place(int file, ScriptFacts &&facts)
{
    FileEntry &entry = entries[size_t(file)];
    entry.facts = std::move(facts);
    ScriptFacts &placed = entry.facts;
    const QString &path = entry.path;
    const auto name = [&path](Location &location) {
        if (location.file.constData() != path.constData())
            location.file = path;
    };
    for (Definition &definition : placed.definitions) {
        definition.file = file;
        name(definition.location);
        if (definition.kind == Kind::Alias)
            name(definition.valueLocation);
    }
    for (Use &use : placed.uses) {
        use.file = file;
        name(use.location);
    }
    for (Trigger &trigger : placed.triggers) {
        trigger.file = file;
        name(trigger.location);
    }
    for (RandomList &list : placed.randomLists) {
        list.file = file;
        name(list.location);
        for (Location &zero : list.zeroWeights)
            name(zero);
    }
    for (BlockProblem &problem : placed.blockProblems) {
        problem.file = file;
        name(problem.location);
        name(problem.other);
    }
    name(placed.legacyCharacter);
}

int ScriptIndex::nameFor(const Definition &definition)
{
    return names.add(definition.number >= 0 ? numberName(definition.number) : definition.name);
}

ScriptIndex::NameEntry &ScriptIndex::entryOf(int name)
{
    if (size_t(name) >= byName.size())
        byName.resize(size_t(name) + 1);
    return byName[size_t(name)];
}

// A name changes, and with it every alias that leads to it.
void ScriptIndex::touch(int name)
{
    if (!indexed || change.names.contains(name))
        return;
    QList<int> pending{name};
    while (!pending.isEmpty()) {
        const int next = pending.takeLast();
        if (change.names.contains(next))
            continue;
        change.names.insert(next);
        const auto aliases = aliasesNaming.constFind(next);
        if (aliases != aliasesNaming.cend())
            pending += QList<int>(aliases->cbegin(), aliases->cend());
    }
}

// The type of the record kept for a defname counts once among the record types; a type that
// comes or goes changes what resources naming it name.
void ScriptIndex::countRecordType(int name, int delta)
{
    const FactRef kept = keptRecord(name);
    if (!kept.isValid())
        return;
    const QString &type = record(kept).type;
    int &count = recordTypes[type];
    const bool had = count > 0;
    count += delta;
    if ((count > 0) != had && indexed)
        touch(names.add(type));
    if (count == 0)
        recordTypes.remove(type);
}

void ScriptIndex::link(int file)
{
    const ScriptFacts &facts = entries[size_t(file)].facts;
    QSet<int> recordNames;
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        const int name = nameFor(definition);
        QList<FactRef> &list = entryOf(name).definitions;
        const FactRef ref{file, i};
        // Most files come in load order: their definitions go at the end.
        const auto later = [&](const FactRef &other) {
            return rank[size_t(other.file)] > rank[size_t(file)] ||
                   (other.file == file && other.index > i);
        };
        auto at = list.end();
        while (at != list.begin() && later(*(at - 1)))
            --at;
        if (definition.record >= 0 && !recordNames.contains(name)) {
            recordNames.insert(name);
            countRecordType(name, -1);
        }
        list.insert(at, ref);
        ++definitionTotal;
        if (kindCounts[size_t(definition.kind)]++ == 0)
            change.kinds = true;
        if (definition.number >= 0 && definition.kind == Kind::Item && !definition.multi)
            ++itemNumbers[definition.number];
        if (definition.kind == Kind::Alias) {
            // Every word of the value may be what some key reads it as.
            const QString &value = definition.value;
            for (qsizetype from = 0; from < value.size();) {
                while (from < value.size() && !isNameCharacter(value.at(from)))
                    ++from;
                qsizetype to = from;
                while (to < value.size() && isNameCharacter(value.at(to)))
                    ++to;
                if (to > from) {
                    const QStringView word = QStringView(value).mid(from, to - from);
                    const int target = names.add(isNumberText(word) ? numberName(scriptNumber(word))
                                                                    : word.toString().toLower());
                    aliasesNaming[target].insert(name);
                    aliasTargets[name].insert(target);
                }
                from = to;
            }
        }
        touch(name);
    }
    for (const int name : std::as_const(recordNames))
        countRecordType(name, 1);
    useTotal += facts.uses.size();
    if (!tracksUses)
        return;
    for (const Use &use : facts.uses) {
        const int name =
            names.add(isNumberText(use.name) ? numberName(scriptNumber(use.name)) : use.name);
        ++entryOf(name).users[file];
    }
}

void ScriptIndex::unlink(int file)
{
    const ScriptFacts &facts = entries[size_t(file)].facts;
    QSet<int> recordNames;
    for (const Definition &definition : facts.definitions) {
        if (definition.record >= 0)
            recordNames.insert(names.find(definition.number >= 0 ? numberName(definition.number)
                                                                 : definition.name));
    }
    for (const int name : std::as_const(recordNames))
        countRecordType(name, -1);
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        const int name = nameFor(definition);
        entryOf(name).definitions.removeOne(FactRef{file, i});
        --definitionTotal;
        if (--kindCounts[size_t(definition.kind)] == 0)
            change.kinds = true;
        if (definition.number >= 0 && definition.kind == Kind::Item && !definition.multi) {
            if (--itemNumbers[definition.number] == 0)
                itemNumbers.remove(definition.number);
        }
        touch(name);
    }
    for (const int name : std::as_const(recordNames))
        countRecordType(name, 1);
    // An alias's words are forgotten with it; the others of its name may name them too, and a
    // word named by no alias any more costs nothing but a look.
    for (const Definition &definition : facts.definitions) {
        if (definition.kind != Kind::Alias)
            continue;
        const int name = names.find(definition.name);
        if (!entryOf(name).definitions.isEmpty())
            continue;
        for (const int target : aliasTargets.take(name)) {
            const auto naming = aliasesNaming.find(target);
            if (naming == aliasesNaming.end())
                continue;
            naming->remove(name);
            if (naming->isEmpty())
                aliasesNaming.erase(naming);
        }
    }
    useTotal -= facts.uses.size();
    if (!tracksUses)
        return;
    for (const Use &use : facts.uses) {
        const int name =
            names.find(isNumberText(use.name) ? numberName(scriptNumber(use.name)) : use.name);
        QHash<int, int> &users = entryOf(name).users;
        if (--users[file] == 0)
            users.remove(file);
    }
}

const QList<FactRef> &ScriptIndex::definitionsOf(int name) const
{
    static const QList<FactRef> none;
    return name < 0 || size_t(name) >= byName.size() ? none : byName[size_t(name)].definitions;
}

QList<FactRef> ScriptIndex::definitionsOf(QStringView name) const
{
    return definitionsOf(names.find(name));
}

QList<int> ScriptIndex::filesUsing(int name) const
{
    if (name < 0 || size_t(name) >= byName.size())
        return {};
    const QHash<int, int> &users = byName[size_t(name)].users;
    return QList<int>(users.keyBegin(), users.keyEnd());
}

Resolution ScriptIndex::resolve(QStringView name, Shape shape) const
{
    return resolve(names.find(name), shape, 0);
}

Resolution ScriptIndex::resolve(int name, Shape shape, int depth) const
{
    Resolution resolution;
    const QList<FactRef> &defined = definitionsOf(name);
    if (defined.isEmpty())
        return resolution;
    resolution.outcome = Resolution::Defined;
    for (const FactRef &ref : defined) {
        const Definition &definition = this->definition(ref);
        if (definition.kind == Kind::Alias && shape != Shape::Itself)
            resolveAlias(ref, shape, depth, resolution);
        else
            resolution.kinds |= kindBit(definition.kind);
    }
    return resolution;
}

// An alias stands for what its value names, read as the key that reaches it reads its own: a
// name, a number, or the names of a "{name weight ...}" list.
void ScriptIndex::resolveAlias(FactRef alias, Shape shape, int depth, Resolution &resolution) const
{
    if (depth == deepestAlias) {
        resolution.outcome = Resolution::Unresolved;
        return;
    }
    qsizetype offset = 0;
    const QString &value = definition(alias).value;
    const QStringView text = unquoted(value, &offset);
    readValue(text, 0, text.size(), aliasShape(shape), [&](const ValueWord &word) {
        const QStringView target = text.mid(word.start, word.length);
        if (isNumberText(target)) {
            resolution.number = scriptNumber(target);
            return;
        }
        const Resolution inner = resolve(names.find(target.toString().toLower()), shape, depth + 1);
        if (inner.outcome == Resolution::Unresolved)
            resolution.outcome = Resolution::Unresolved;
        resolution.kinds |= inner.kinds;
        if (inner.number >= 0)
            resolution.number = inner.number;
        if (!resolution.held.isEmpty())
            return;
        if (inner.outcome == Resolution::Undefined) {
            resolution.aliases = {alias};
            resolution.held = target.toString();
            resolution.heldAt = offset + word.start;
        } else if (!inner.held.isEmpty()) {
            resolution.aliases = QList<FactRef>{alias} + inner.aliases;
            resolution.held = inner.held;
            resolution.heldAt = inner.heldAt;
        }
    });
}

bool ScriptIndex::definesItemNumber(qint64 number) const
{
    return itemNumbers.contains(number);
}

Kinds ScriptIndex::definedKinds() const
{
    Kinds kinds = 0;
    for (size_t kind = 0; kind < kindCounts.size(); ++kind) {
        if (kindCounts[kind] > 0)
            kinds |= kindBit(Kind(kind));
    }
    return kinds;
}

FactRef ScriptIndex::keptRecord(int name) const
{
    const QList<FactRef> &defined = definitionsOf(name);
    for (auto it = defined.crbegin(); it != defined.crend(); ++it) {
        if (definition(*it).record >= 0)
            return *it;
    }
    return FactRef();
}

bool ScriptIndex::isKept(FactRef ref) const
{
    const Definition &defined = definition(ref);
    return keptRecord(
               names.find(defined.number >= 0 ? numberName(defined.number) : defined.name)) == ref;
}

const ItemRecord &ScriptIndex::record(FactRef definition) const
{
    return facts(definition.file).records.at(this->definition(definition).record);
}

bool ScriptIndex::isRecordType(QStringView type) const
{
    return recordTypes.contains(type.toString());
}

} // namespace tavrel
