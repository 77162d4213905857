// SPDX-License-Identifier: MIT
#include "core/language/queries.h"

#include <algorithm>

namespace tavrel {

namespace {

// The name a use is indexed by.
QString indexedName(const QString &name)
{
    return isNumberText(name) ? ScriptIndex::numberName(scriptNumber(name)) : name;
}

} // namespace

bool isNaming(const ScriptIndex &index, const Use &use)
{
    if (!use.isCall())
        return true;
    const QList<FactRef> &defined = index.definitionsOf(index.nameOf(use.name));
    if (defined.isEmpty())
        return use.name.startsWith(QLatin1String("f_"));
    return std::any_of(defined.cbegin(), defined.cend(), [&](const FactRef &ref) {
        return index.definition(ref).kind == Kind::Function;
    });
}

std::optional<NameAt> nameAt(const ScriptIndex &index, const QString &path, int line, int column)
{
    const int file = index.fileOf(path);
    if (file < 0 || line < 1)
        return std::nullopt;
    const ScriptFacts &facts = index.facts(file);
    for (int i = 0; i < facts.uses.size(); ++i) {
        const Use &use = facts.uses.at(i);
        if (use.location.covers(line, column) && isNaming(index, use))
            return NameAt{use.name, FactRef{file, i}, false, use.location};
    }
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        if (definition.location.covers(line, column))
            return NameAt{definition.name, FactRef{file, i}, true, definition.location};
    }
    return std::nullopt;
}

QList<FactRef> usesOf(const ScriptIndex &index, const QString &name)
{
    const QString indexed = indexedName(name);
    QList<int> files = index.filesUsing(index.nameOf(indexed));
    if (files.isEmpty())
        files = index.files();
    std::sort(files.begin(), files.end(), [&](int a, int b) { return index.before(a, b); });
    QList<FactRef> uses;
    for (const int file : std::as_const(files)) {
        const QList<Use> &all = index.facts(file).uses;
        for (int i = 0; i < all.size(); ++i) {
            const Use &use = all.at(i);
            if ((use.name == name || indexedName(use.name) == indexed) && isNaming(index, use))
                uses.append(FactRef{file, i});
        }
    }
    return uses;
}

} // namespace tavrel
