// SPDX-License-Identifier: MIT
#include "core/language/language.h"

namespace tavrel {

namespace {

// The server follows an alias to its value at most this many times.
constexpr int deepestAlias = 8;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
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
            if (definition.kind == Kind::Item)
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

Resolution ScriptLanguage::resolve(QStringView name) const
{
    return resolve(name, 0);
}

Resolution ScriptLanguage::resolve(QStringView name, int depth) const
{
    Resolution resolution;
    const int number = names.find(name);
    if (number < 0)
        return resolution;
    resolution.outcome = Resolution::Defined;
    for (const int index : byName[size_t(number)]) {
        const Definition &definition = definitions.at(index);
        if (definition.kind == Kind::Alias)
            resolveAlias(definition, depth, resolution);
        else
            resolution.kinds |= kindBit(definition.kind);
    }
    return resolution;
}

// An alias stands for what its value names: a name, a number, or every name of a
// "{name weight ...}" list.
void ScriptLanguage::resolveAlias(const Definition &alias, int depth, Resolution &resolution) const
{
    if (depth == deepestAlias) {
        resolution.outcome = Resolution::Unresolved;
        return;
    }
    QStringView value = QStringView(alias.value).trimmed();
    QList<QStringView> targets;
    if (value.startsWith(u'{')) {
        const qsizetype close = value.indexOf(u'}');
        value = value.mid(1, close < 0 ? -1 : close - 1);
        int index = 0;
        for (qsizetype from = 0; from < value.size();) {
            while (from < value.size() && isBlank(value.at(from)))
                ++from;
            qsizetype to = from;
            while (to < value.size() && !isBlank(value.at(to)))
                ++to;
            if (to > from && index++ % 2 == 0)
                targets.append(value.mid(from, to - from));
            from = to;
        }
    } else {
        qsizetype to = 0;
        while (to < value.size() && !isBlank(value.at(to)))
            ++to;
        targets.append(value.left(to));
    }
    for (const QStringView target : std::as_const(targets)) {
        if (isNumberText(target)) {
            resolution.number = scriptNumber(target);
            continue;
        }
        const Resolution inner = resolve(target.toString().toLower(), depth + 1);
        if (inner.outcome == Resolution::Unresolved)
            resolution.outcome = Resolution::Unresolved;
        resolution.kinds |= inner.kinds;
        if (inner.number >= 0)
            resolution.number = inner.number;
    }
}

} // namespace tavrel
