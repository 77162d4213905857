// SPDX-License-Identifier: MIT
#include "core/language/language.h"

namespace tavrel {

namespace {

// The server follows an alias to its value at most this many times.
constexpr int deepestAlias = 8;

// Where an alias's value names an alias or a name, it is read as a key of the shape reads
// its own value; an element of a resource list names one resource.
Shape aliasShape(Shape shape)
{
    return shape == Shape::ResourceList ? Shape::Name : shape;
}

} // namespace

void ScriptLanguage::add(int file, ScriptFacts &&facts)
{
    for (Definition &definition : facts.definitions)
        definition.file = file;
    for (Reference &reference : facts.references)
        reference.file = file;
    for (Trigger &trigger : facts.triggers)
        trigger.file = file;
    for (RandomList &list : facts.randomLists)
        list.file = file;
    for (BlockProblem &problem : facts.blockProblems)
        problem.file = file;
    definitions += std::move(facts.definitions);
    references += std::move(facts.references);
    triggers += std::move(facts.triggers);
    randomLists += std::move(facts.randomLists);
    blockProblems += std::move(facts.blockProblems);
}

void ScriptLanguage::index()
{
    for (int i = 0; i < definitions.size(); ++i) {
        const Definition &definition = definitions.at(i);
        defined |= kindBit(definition.kind);
        if (definition.number >= 0) {
            if (definition.kind == Kind::Item && !definition.multi)
                itemNumbers.insert(definition.number);
            continue;
        }
        const int number = names.add(definition.name);
        if (size_t(number) == byName.size())
            byName.emplace_back();
        byName[size_t(number)].append(i);
    }
}

QList<int> ScriptLanguage::definitionsOf(QStringView name) const
{
    const int number = names.find(name);
    return number < 0 ? QList<int>() : byName[size_t(number)];
}

Resolution ScriptLanguage::resolve(QStringView name, Shape shape) const
{
    return resolve(name, shape, 0);
}

Resolution ScriptLanguage::resolve(QStringView name, Shape shape, int depth) const
{
    Resolution resolution;
    const int number = names.find(name);
    if (number < 0)
        return resolution;
    resolution.outcome = Resolution::Defined;
    for (const int index : byName[size_t(number)]) {
        const Definition &definition = definitions.at(index);
        if (definition.kind == Kind::Alias)
            resolveAlias(index, shape, depth, resolution);
        else
            resolution.kinds |= kindBit(definition.kind);
    }
    return resolution;
}

// An alias stands for what its value names, read as the key that reaches it reads its own: a
// name, a number, or the names of a "{name weight ...}" list.
void ScriptLanguage::resolveAlias(int alias, Shape shape, int depth, Resolution &resolution) const
{
    if (depth == deepestAlias) {
        resolution.outcome = Resolution::Unresolved;
        return;
    }
    qsizetype offset = 0;
    const QString &value = definitions.at(alias).value;
    const QStringView text = unquoted(value, &offset);
    readValue(text, 0, text.size(), aliasShape(shape), [&](const ValueWord &word) {
        const QStringView target = text.mid(word.start, word.length);
        if (isNumberText(target)) {
            resolution.number = scriptNumber(target);
            return;
        }
        const Resolution inner = resolve(target.toString().toLower(), shape, depth + 1);
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
            resolution.aliases = QList<int>{alias} + inner.aliases;
            resolution.held = inner.held;
            resolution.heldAt = inner.heldAt;
        }
    });
}

} // namespace tavrel
