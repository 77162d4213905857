// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include <algorithm>

namespace tavrel::lsp {

namespace {

constexpr int mostSymbols = 1000;
constexpr int namespaceKind = 3;
constexpr int eventKind = 24;

Symbol leaf(const QString &name, int kind, const Location &location)
{
    return Symbol{name, QString(), kind, TextRange::of(location), location, {}};
}

// Whether the characters of the query stand in the name in the same order.
bool matches(const QString &name, const QString &query)
{
    qsizetype at = 0;
    for (const QChar c : query) {
        at = name.indexOf(c, at, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

} // namespace

QList<Symbol> documentSymbols(const Workspace &workspace, const QString &path)
{
    const Script script = Script::fromBytes(workspace.text(path).toUtf8());
    const ScriptIndex &index = workspace.index();
    const int file = index.fileOf(path);
    // The end of the text, where the last section ends.
    const int lastLine = int(script.text.count(u'\n')) + 1;
    const qsizetype lastStart = script.text.lastIndexOf(u'\n') + 1;
    const int lastColumn = characterCount(QStringView(script.text).mid(lastStart)) + 1;
    QList<Symbol> sections;
    for (int i = 0; i < script.sections.size(); ++i) {
        const ScriptSection &section = script.sections.at(i);
        Symbol symbol;
        symbol.name = script.string(section.name);
        symbol.kind = namespaceKind;
        const bool last = i + 1 == script.sections.size();
        symbol.range = TextRange{section.line, 1, last ? lastLine : script.sections.at(i + 1).line,
                                 last ? lastColumn : 1};
        symbol.selection =
            Location::at(path, script.position(section.line, section.lineStart, section.name.start),
                         characterCount(symbol.name));
        sections.append(symbol);
    }
    if (file < 0)
        return sections;
    const ScriptFacts &facts = index.facts(file);
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        if (definition.section >= sections.size())
            continue;
        Symbol &section = sections[definition.section];
        if (definition.location.line == section.range.startLine) {
            section.kind = symbolKind(definition.kind);
            if (definition.record >= 0)
                section.detail = index.record(FactRef{file, i}).name;
            continue;
        }
        section.children.append(
            leaf(definition.shown(), symbolKind(definition.kind), definition.location));
    }
    for (const Trigger &trigger : facts.triggers) {
        if (trigger.section < sections.size())
            sections[trigger.section].children.append(
                leaf(QLatin1Char('@') + trigger.name, eventKind, trigger.location));
    }
    return sections;
}

QList<Symbol> workspaceSymbols(const Workspace &workspace, const QString &query)
{
    const ScriptIndex &index = workspace.index();
    // The exact name first, then the names that start with the query, then the rest.
    QList<Symbol> ranked[3];
    for (const int file : index.files()) {
        const ScriptFacts &facts = index.facts(file);
        for (qsizetype i = 0; i < facts.definitions.size(); ++i) {
            const Definition &definition = facts.definitions.at(i);
            const QString name = definition.shown();
            if (!matches(name, query))
                continue;
            // A section naming itself twice, in its header and its DEFNAME, is one definition.
            if (i > 0 && facts.definitions.at(i - 1).section == definition.section &&
                facts.definitions.at(i - 1).name == definition.name)
                continue;
            const int rank = name.compare(query, Qt::CaseInsensitive) == 0 ? 0
                             : name.startsWith(query, Qt::CaseInsensitive) ? 1
                                                                           : 2;
            Symbol symbol = leaf(name, symbolKind(definition.kind), definition.location);
            symbol.detail = QString(kindName(definition.kind));
            ranked[rank].append(symbol);
        }
    }
    QList<Symbol> symbols = ranked[0] + ranked[1] + ranked[2];
    if (symbols.size() > mostSymbols)
        symbols.resize(mostSymbols);
    return symbols;
}

} // namespace tavrel::lsp
