// SPDX-License-Identifier: MIT
#include "lsp/navigation.h"

#include "lsp/workspace.h"

#include "core/read/itemdefinition.h"

#include <QJsonObject>

#include <algorithm>
#include <tuple>

namespace tavrel::lsp {

namespace {

struct Place
{
    QString file;
    TextPosition position;

    auto key() const { return std::tie(file, position.line, position.column); }
    bool operator<(const Place &other) const { return key() < other.key(); }
    bool operator==(const Place &other) const { return key() == other.key(); }
};

void addDefinitions(const LoadedScripts &loaded, const QString &name, QList<Place> &places)
{
    for (const int index : loaded.language.definitionsOf(name)) {
        const Definition &definition = loaded.language.definitions.at(index);
        places.append(Place{loaded.files.at(definition.file), definition.position});
    }
}

QJsonArray locations(const Workspace &workspace, QList<Place> places, int length)
{
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    QJsonArray array;
    for (const Place &place : std::as_const(places))
        array.append(workspace.location(place.file, place.position, length));
    return array;
}

QString code(const QString &text)
{
    return QLatin1Char('`') + text + QLatin1Char('`');
}

QString where(const Workspace &workspace, const QString &file, TextPosition position)
{
    return QStringLiteral("%1:%2").arg(workspace.shownPath(file)).arg(position.line);
}

QString materialsText(MaterialCosts &costs, const QString &defname)
{
    bool partial = false;
    QStringList materials;
    for (const RawMaterial &material : costs.rawMaterials(defname, 1, &partial)) {
        materials.append(material.name == material.id
                             ? QStringLiteral("%1 %2").arg(material.amount).arg(material.id)
                             : QStringLiteral("%1 %2 (%3)")
                                   .arg(material.amount)
                                   .arg(material.name, material.id));
    }
    QString text = materials.join(QStringLiteral(", "));
    if (partial)
        text += QStringLiteral(" — partial: a cycle or a resource naming nothing is left out");
    return text;
}

QString itemText(const Workspace &workspace, const ScriptRecord &record)
{
    const Analysis &analysis = workspace.analysis();
    const QString &defname = record.fields.defname;
    ItemEntries entries = record.entries;
    const LinkedRecord linked = analysis.loaded.linker.link(entries);
    QStringList lines{QStringLiteral("**%1** %2 — item").arg(record.fields.name, code(defname))};
    if (!record.fields.type.isEmpty())
        lines.append(QStringLiteral("Type: ") + code(record.fields.type));
    if (!linked.resources.isEmpty())
        lines.append(QStringLiteral("Resources: ") + linked.resources);
    if (!linked.skillmake.isEmpty())
        lines.append(QStringLiteral("Skills: ") + linked.skillmake);
    if (analysis.costs().isCrafted(defname))
        lines.append(QStringLiteral("Raw materials: ") + materialsText(analysis.costs(), defname));
    const qsizetype users = analysis.usage().usesOf(defname).size();
    lines.append(users == 1 ? QStringLiteral("Used by 1 item")
                            : QStringLiteral("Used by %1 items").arg(users));
    lines.append(QStringLiteral("Defined at ") +
                 where(workspace, record.place.file, record.place.defname));
    return lines.join(QStringLiteral("  \n"));
}

QString definitionText(const Workspace &workspace, const Definition &definition)
{
    QString text =
        QStringLiteral("**%1** — %2, defined at %3")
            .arg(definition.shown(), kindName(definition.kind),
                 where(workspace, workspace.analysis().path(definition.file), definition.position));
    if (definition.kind == Kind::Alias)
        text += QStringLiteral(" as ") + code(definition.value);
    return text;
}

} // namespace

QJsonArray definitionsOf(const Workspace &workspace, const NameAt &name)
{
    QList<Place> places;
    addDefinitions(workspace.analysis().loaded, name.name, places);
    return locations(workspace, places, name.length);
}

QJsonArray referencesTo(const Workspace &workspace, const NameAt &name, bool withDefinitions)
{
    const Analysis &analysis = workspace.analysis();
    QList<Place> places;
    for (const LocatedUse &use : locateUses(analysis.loaded, analysis.usage().usesOf(name.name)))
        places.append(Place{use.file, use.position});
    for (const NamingPlace &naming : analysis.naming().placesNaming(name.name))
        places.append(Place{naming.file, naming.position});
    if (withDefinitions)
        addDefinitions(analysis.loaded, name.name, places);
    return locations(workspace, places, name.length);
}

QString hoverText(const Workspace &workspace, const NameAt &name)
{
    const LoadedScripts &loaded = workspace.analysis().loaded;
    const auto record = loaded.records.constFind(name.name);
    if (record != loaded.records.cend())
        return itemText(workspace, *record);
    QStringList texts;
    for (const int index : loaded.language.definitionsOf(name.name))
        texts.append(definitionText(workspace, loaded.language.definitions.at(index)));
    if (texts.isEmpty() && loaded.linker.namesType(name.name))
        texts.append(QStringLiteral("**%1** — item type, the TYPE of items; no section defines it")
                         .arg(name.name));
    if (texts.isEmpty())
        texts.append(QStringLiteral("**%1** — nothing the scripts define").arg(name.name));
    return texts.join(QStringLiteral("\n\n"));
}

} // namespace tavrel::lsp
