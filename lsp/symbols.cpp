// SPDX-License-Identifier: MIT
#include "lsp/symbols.h"

#include "lsp/symbolkinds.h"
#include "lsp/workspace.h"

#include <QJsonObject>

namespace tavrel::lsp {

namespace {

constexpr int mostSymbols = 1000;
constexpr int namespaceKind = 3;
constexpr int eventKind = 24;

struct Outline
{
    QString name;
    QString detail;
    int kind = namespaceKind;
    // From the start of its first line to where it ends (a line and a UTF-16 offset, from 1
    // and 0), and the name within it.
    int firstLine = 0;
    int endLine = 0;
    int endCharacter = 0;
    // A name defined on a line or a trigger, which spans its name alone.
    bool leaf = false;
    TextPosition namePosition;
    int nameLength = 0;
    QList<Outline> children;
};

QJsonObject range(const Outline &outline)
{
    return QJsonObject{
        {QStringLiteral("start"), QJsonObject{{QStringLiteral("line"), outline.firstLine - 1},
                                              {QStringLiteral("character"), 0}}},
        {QStringLiteral("end"), QJsonObject{{QStringLiteral("line"), outline.endLine - 1},
                                            {QStringLiteral("character"), outline.endCharacter}}}};
}

QJsonObject documentSymbol(const WideCharacters &wide, const Outline &outline)
{
    const QJsonObject name = wide.range(outline.namePosition, outline.nameLength);
    QJsonObject symbol{{QStringLiteral("name"), outline.name},
                       {QStringLiteral("kind"), outline.kind},
                       {QStringLiteral("range"), outline.leaf ? name : range(outline)},
                       {QStringLiteral("selectionRange"), name}};
    if (!outline.detail.isEmpty())
        symbol.insert(QStringLiteral("detail"), outline.detail);
    QJsonArray children;
    for (const Outline &child : outline.children)
        children.append(documentSymbol(wide, child));
    if (!children.isEmpty())
        symbol.insert(QStringLiteral("children"), children);
    return symbol;
}

void flatten(const Workspace &workspace, const QString &path, const Outline &outline,
             const QString &container, QJsonArray &symbols)
{
    QJsonObject symbol{{QStringLiteral("name"), outline.name},
                       {QStringLiteral("kind"), outline.kind},
                       {QStringLiteral("location"),
                        workspace.location(path, outline.namePosition, outline.nameLength)}};
    if (!container.isEmpty())
        symbol.insert(QStringLiteral("containerName"), container);
    symbols.append(symbol);
    for (const Outline &child : outline.children)
        flatten(workspace, path, child, outline.name, symbols);
}

Outline leaf(const QString &name, int kind, TextPosition position)
{
    Outline outline;
    outline.name = name;
    outline.kind = kind;
    outline.leaf = true;
    outline.namePosition = position;
    outline.nameLength = characterCount(name);
    return outline;
}

QList<Outline> outlineOf(const Workspace &workspace, const QString &path)
{
    const Script script = Script::fromBytes(workspace.text(path).toUtf8());
    const Analysis &analysis = workspace.analysis();
    const int file = analysis.fileIndex(path);
    // The end of the text, where the last section ends.
    const int lastLine = int(script.text.count(u'\n')) + 1;
    const int lastCharacter = int(script.text.size() - script.text.lastIndexOf(u'\n') - 1);
    QList<Outline> sections;
    for (int i = 0; i < script.sections.size(); ++i) {
        const ScriptSection &section = script.sections.at(i);
        Outline outline;
        outline.name = script.string(section.name);
        outline.firstLine = section.line;
        const bool last = i + 1 == script.sections.size();
        outline.endLine = last ? lastLine : script.sections.at(i + 1).line;
        outline.endCharacter = last ? lastCharacter : 0;
        outline.namePosition = script.position(section.line, section.lineStart, section.name.start);
        outline.nameLength = characterCount(outline.name);
        sections.append(outline);
    }
    for (const Definition &definition : analysis.loaded.language.definitions) {
        if (definition.file != file || definition.section >= sections.size())
            continue;
        Outline &section = sections[definition.section];
        if (definition.position.line == section.firstLine) {
            section.kind = symbolKind(definition.kind);
            const auto record = analysis.loaded.records.constFind(definition.name);
            if (record != analysis.loaded.records.cend() && record->place.file == path)
                section.detail = record->fields.name;
            continue;
        }
        section.children.append(
            leaf(definition.shown(), symbolKind(definition.kind), definition.position));
    }
    for (const Trigger &trigger : analysis.loaded.language.triggers) {
        if (trigger.file == file && trigger.section < sections.size())
            sections[trigger.section].children.append(
                leaf(QLatin1Char('@') + trigger.name, eventKind, trigger.position));
    }
    return sections;
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

QJsonArray documentSymbols(const Workspace &workspace, const QString &path, bool hierarchical)
{
    QJsonArray symbols;
    const WideCharacters &wide = workspace.wide(path);
    for (const Outline &outline : outlineOf(workspace, path)) {
        if (hierarchical)
            symbols.append(documentSymbol(wide, outline));
        else
            flatten(workspace, path, outline, QString(), symbols);
    }
    return symbols;
}

QJsonArray workspaceSymbols(const Workspace &workspace, const QString &query)
{
    const Analysis &analysis = workspace.analysis();
    QJsonArray symbols;
    for (const Definition &definition : analysis.loaded.language.definitions) {
        const QString name = definition.shown();
        if (!matches(name, query))
            continue;
        if (symbols.size() == mostSymbols)
            break;
        symbols.append(
            QJsonObject{{QStringLiteral("name"), name},
                        {QStringLiteral("kind"), symbolKind(definition.kind)},
                        {QStringLiteral("containerName"), QString(kindName(definition.kind))},
                        {QStringLiteral("location"),
                         workspace.location(analysis.path(definition.file), definition.position,
                                            characterCount(name))}});
    }
    return symbols;
}

} // namespace tavrel::lsp
