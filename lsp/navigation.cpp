// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include "core/crossref/crossref.h"
#include "core/crossref/description.h"
#include "core/language/queries.h"

#include <algorithm>
#include <tuple>

namespace tavrel::lsp {

namespace {

constexpr int mostHoverItems = 2000;

void addDefinitions(const ScriptIndex &index, const QString &name, QList<Location> &places)
{
    const QList<FactRef> &defined = index.definitionsOf(
        index.nameOf(isNumberText(name) ? ScriptIndex::numberName(scriptNumber(name)) : name));
    for (const FactRef &ref : defined)
        places.append(index.definition(ref).location);
}

QList<Location> ordered(QList<Location> places)
{
    const auto key = [](const Location &l) { return std::tie(l.file, l.line, l.column); };
    std::sort(places.begin(), places.end(),
              [&](const Location &a, const Location &b) { return key(a) < key(b); });
    places.erase(
        std::unique(places.begin(), places.end(),
                    [&](const Location &a, const Location &b) { return key(a) == key(b); }),
        places.end());
    return places;
}

} // namespace

QList<Location> definitionsAt(const Workspace &workspace, const QString &path, int line, int column)
{
    const std::optional<NameAt> name = nameAt(workspace.index(), path, line, column);
    if (!name)
        return {};
    QList<Location> places;
    addDefinitions(workspace.index(), name->name, places);
    return ordered(places);
}

QList<Location> referencesAt(const Workspace &workspace, const QString &path, int line, int column,
                             bool withDefinitions)
{
    const ScriptIndex &index = workspace.index();
    const std::optional<NameAt> name = nameAt(index, path, line, column);
    if (!name)
        return {};
    QList<Location> places;
    for (const FactRef &ref : usesOf(index, name->name))
        places.append(index.use(ref).location);
    if (withDefinitions)
        addDefinitions(index, name->name, places);
    return ordered(places);
}

std::optional<Hover> hoverAt(const Workspace &workspace, const QString &path, int line, int column)
{
    const ScriptIndex &index = workspace.index();
    const std::optional<NameAt> name = nameAt(index, path, line, column);
    if (!name)
        return std::nullopt;
    // The materials of an item whose resources reach most of the pack are left to --bom.
    MaterialCosts costs(index, name->name, mostHoverItems);
    return Hover{
        describeName(index, name->name, costs,
                     [&workspace](const QString &file) { return workspace.shownPath(file); }),
        name->location};
}

QList<Highlight> highlightsAt(const Workspace &workspace, const QString &path, int line, int column)
{
    const ScriptIndex &index = workspace.index();
    const std::optional<NameAt> name = nameAt(index, path, line, column);
    if (!name)
        return {};
    QList<Highlight> highlights;
    for (const NameAt &place : placesIn(index, name->fact.file, name->name))
        highlights.append(Highlight{place.location, place.definition});
    return highlights;
}

} // namespace tavrel::lsp
