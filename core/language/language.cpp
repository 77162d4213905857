// SPDX-License-Identifier: MIT
#include "core/language/language.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

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
    definitions += std::move(facts.definitions);
    references += std::move(facts.references);
    triggers += std::move(facts.triggers);
    randomLists += std::move(facts.randomLists);
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

namespace {

// The edit distance of two texts when it is at most `most`, else most + 1.
int editsUpTo(QStringView a, QStringView b, int most)
{
    if (std::abs(int(a.size()) - int(b.size())) > most)
        return most + 1;
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        int least = row[0];
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j) - 1] + 1,
                                       diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
            least = std::min(least, row[size_t(j)]);
        }
        if (least > most)
            return most + 1;
    }
    return std::min(row.back(), most + 1);
}

} // namespace

QString ScriptLanguage::nearestName(QStringView name, Kinds kinds) const
{
    constexpr int most = 2;
    int best = most + 1;
    QString nearest;
    for (const Definition &definition : definitions) {
        if (definition.number >= 0 || !(kindBit(definition.kind) & kinds) ||
            definition.name == name)
            continue;
        const int edits = editsUpTo(definition.name, name, best - 1);
        if (edits < best) {
            best = edits;
            nearest = definition.shown();
        }
    }
    return nearest;
}

} // namespace tavrel
