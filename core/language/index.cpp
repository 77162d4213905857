// SPDX-License-Identifier: MIT
#include "core/language/index.h"

#include <algorithm>
#include <climits>
#include <limits>

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
    entries.push_back(FileEntry{path, ScriptFacts(), true, {}, {}});
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

// A definition that only moved changes no use's resolution: its name's own checks see it.
// An alias's place is quoted where its uses are reported, so a moved alias is changed.
void ScriptIndex::replaceFile(int file, ScriptFacts &&facts)
{
    QSet<int> touched;
    deferred = &touched;
    FileEntry &entry = entries[size_t(file)];
    std::vector<int> usedBefore = entry.useNames;
    unlink(file, false);
    const ScriptFacts before = std::exchange(entry.facts, ScriptFacts());
    const std::vector<int> namesBefore = std::move(entry.definitionNames);
    place(file, std::move(facts));
    link(file, false);
    deferred = nullptr;
    if (tracksUses)
        recountUsers(file, std::move(usedBefore), entry.useNames);
    const ScriptFacts &after = entry.facts;
    // Each name's definitions, before and after, in the order of the file.
    const auto byName = [](const std::vector<int> &names) {
        std::vector<std::pair<int, int>> sorted;
        sorted.reserve(names.size());
        for (size_t i = 0; i < names.size(); ++i)
            sorted.emplace_back(names[i], int(i));
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    const std::vector<std::pair<int, int>> was = byName(namesBefore);
    const std::vector<std::pair<int, int>> is = byName(entry.definitionNames);
    QSet<int> changed;
    size_t w = 0;
    size_t i = 0;
    while (w < was.size() || i < is.size()) {
        const int name = std::min(w < was.size() ? was[w].first : INT_MAX,
                                  i < is.size() ? is[i].first : INT_MAX);
        bool same = true;
        for (; w < was.size() && was[w].first == name; ++w, ++i) {
            same = same && i < is.size() && is[i].first == name &&
                   sameMeaning(before, before.definitions.at(was[w].second), after,
                               after.definitions.at(is[i].second));
        }
        for (; i < is.size() && is[i].first == name; ++i)
            same = false;
        if (!same)
            changed.insert(name);
    }
    for (const int name : std::as_const(touched)) {
        if (changed.contains(name))
            touch(name);
        else if (!change.names.contains(name))
            change.moved.insert(name);
    }
}

bool ScriptIndex::sameMeaning(const ScriptFacts &before, const Definition &was,
                              const ScriptFacts &after, const Definition &is)
{
    if (was.kind != is.kind || was.number != is.number || was.origin != is.origin ||
        was.multi != is.multi || was.part != is.part ||
        was.label.compare(is.label, Qt::CaseInsensitive) != 0 ||
        (was.record >= 0) != (is.record >= 0))
        return false;
    if (was.record >= 0) {
        const ItemRecord &a = before.records.at(was.record);
        const ItemRecord &b = after.records.at(is.record);
        if (a.defname != b.defname || a.type != b.type)
            return false;
    }
    // An alias's place is quoted where its uses are reported.
    return was.kind != Kind::Alias ||
           (was.value == is.value && was.location.line == is.location.line &&
            was.location.column == is.location.column);
}

int ScriptIndex::insertFile(const QString &path, ScriptFacts &&facts, int before)
{
    const int file = int(entries.size());
    entries.push_back(FileEntry{path, ScriptFacts(), true, {}, {}});
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
    entry.definitionNames.clear();
    entry.present = false;
    order.removeAll(file);
}

ScriptIndex::Change ScriptIndex::takeChange()
{
    Change taken = std::move(change);
    change = Change();
    return taken;
}

int ScriptIndex::addGuest(const QString &path, ScriptFacts &&facts, QSet<int> *touched)
{
    Change kept = std::exchange(change, Change());
    if (guest < 0) {
        guest = int(entries.size());
        entries.push_back(FileEntry());
        rank.push_back(0);
    }
    FileEntry &entry = entries[size_t(guest)];
    entry.path = path;
    entry.present = true;
    byPath.insert(path, guest);
    order.append(guest);
    rank[size_t(guest)] = std::numeric_limits<qint64>::max();
    place(guest, std::move(facts));
    link(guest);
    if (touched)
        *touched = change.names;
    change = std::move(kept);
    return guest;
}

void ScriptIndex::removeGuest()
{
    Change kept = std::exchange(change, Change());
    removeFile(guest);
    change = std::move(kept);
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
    if (deferred) {
        deferred->insert(name);
        return;
    }
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
    // A type that comes or goes is a change of what its name stands for, wherever it moved.
    if ((count > 0) != had && indexed) {
        QSet<int> *const saved = std::exchange(deferred, nullptr);
        touch(names.add(type));
        deferred = saved;
    }
    if (count == 0)
        recordTypes.remove(type);
}

void ScriptIndex::link(int file, bool users)
{
    FileEntry &fileEntry = entries[size_t(file)];
    const ScriptFacts &facts = fileEntry.facts;
    std::vector<int> &definitionNames = fileEntry.definitionNames;
    definitionNames.resize(size_t(facts.definitions.size()));
    QSet<int> recordNames;
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        const int name = nameFor(definition);
        definitionNames[size_t(i)] = name;
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
        NameEntry &entry = entryOf(name);
        if (definition.kind == Kind::Alias)
            ++entry.aliases;
        else
            entry.kinds |= kindBit(definition.kind);
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
    std::vector<int> &useNames = fileEntry.useNames;
    useNames.resize(size_t(facts.uses.size()));
    for (qsizetype i = 0; i < facts.uses.size(); ++i) {
        const QString &used = facts.uses.at(i).name;
        const int name = names.add(isNumberText(used) ? numberName(scriptNumber(used)) : used);
        useNames[size_t(i)] = name;
        if (users)
            ++entryOf(name).users[file];
    }
}

void ScriptIndex::recountUsers(int file, std::vector<int> before, std::vector<int> after)
{
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    size_t b = 0;
    size_t a = 0;
    while (b < before.size() || a < after.size()) {
        const int name = std::min(b < before.size() ? before[b] : INT_MAX,
                                  a < after.size() ? after[a] : INT_MAX);
        int delta = 0;
        for (; b < before.size() && before[b] == name; ++b)
            --delta;
        for (; a < after.size() && after[a] == name; ++a)
            ++delta;
        if (delta == 0)
            continue;
        QHash<int, int> &users = entryOf(name).users;
        if ((users[file] += delta) <= 0)
            users.remove(file);
    }
}

void ScriptIndex::unlink(int file, bool users)
{
    FileEntry &fileEntry = entries[size_t(file)];
    const ScriptFacts &facts = fileEntry.facts;
    const std::vector<int> &definitionNames = fileEntry.definitionNames;
    QSet<int> recordNames;
    for (int i = 0; i < facts.definitions.size(); ++i) {
        if (facts.definitions.at(i).record >= 0)
            recordNames.insert(definitionNames[size_t(i)]);
    }
    for (const int name : std::as_const(recordNames))
        countRecordType(name, -1);
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        const int name = definitionNames[size_t(i)];
        NameEntry &entry = entryOf(name);
        entry.definitions.removeOne(FactRef{file, i});
        summarize(entry);
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
    for (int i = 0; i < facts.definitions.size(); ++i) {
        if (facts.definitions.at(i).kind != Kind::Alias)
            continue;
        const int name = definitionNames[size_t(i)];
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
    if (tracksUses && users) {
        for (const int name : fileEntry.useNames) {
            QHash<int, int> &users = entryOf(name).users;
            if (--users[file] == 0)
                users.remove(file);
        }
    }
    fileEntry.useNames.clear();
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
    if (name < 0 || size_t(name) >= byName.size())
        return resolution;
    const NameEntry &entry = byName[size_t(name)];
    if (entry.definitions.isEmpty())
        return resolution;
    resolution.outcome = Resolution::Defined;
    resolution.kinds = entry.kinds;
    if (entry.aliases == 0)
        return resolution;
    // A name that must be defined itself is, by an alias too, whatever the alias holds.
    if (shape == Shape::Itself) {
        resolution.kinds |= kindBit(Kind::Alias);
        return resolution;
    }
    for (const FactRef &ref : entry.definitions) {
        if (definition(ref).kind == Kind::Alias)
            resolveAlias(ref, shape, depth, resolution);
    }
    return resolution;
}

void ScriptIndex::summarize(NameEntry &entry) const
{
    entry.kinds = 0;
    entry.aliases = 0;
    for (const FactRef &ref : std::as_const(entry.definitions)) {
        const Kind kind = definition(ref).kind;
        if (kind == Kind::Alias)
            ++entry.aliases;
        else
            entry.kinds |= kindBit(kind);
    }
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
