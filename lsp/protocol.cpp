// SPDX-License-Identifier: MIT
#include "lsp/protocol.h"

#include "lsp/workspace.h"

namespace tavrel::lsp {

namespace {

enum DiagnosticSeverity
{
    ErrorSeverity = 1,
    WarningSeverity = 2
};

} // namespace

const WideCharacters &Protocol::wideOf(const QString &path) const
{
    auto found = wide.find(path);
    if (found == wide.end())
        found = wide.insert(path, workspace.wide(path));
    return *found;
}

QJsonObject Protocol::range(const Location &location) const
{
    return wideOf(location.file).range(location.position(), location.length);
}

QJsonObject Protocol::range(const QString &path, const TextRange &range) const
{
    const WideCharacters &characters = wideOf(path);
    return QJsonObject{
        {QStringLiteral("start"),
         characters.position(TextPosition{range.startLine, range.startColumn})},
        {QStringLiteral("end"), characters.position(TextPosition{range.endLine, range.endColumn})}};
}

QJsonObject Protocol::location(const Location &location) const
{
    return QJsonObject{{QStringLiteral("uri"), uriOf(location.file)},
                       {QStringLiteral("range"), range(location)}};
}

QJsonArray Protocol::locations(const QList<Location> &locations) const
{
    QJsonArray array;
    for (const Location &place : locations)
        array.append(location(place));
    return array;
}

// A finding covers the text it is about; one without a length, such as a file that could not be
// read, covers the rest of its line, or the first line.
QJsonObject Protocol::covering(const Location &location) const
{
    if (location.length > 0)
        return range(location);
    const QJsonObject start = wideOf(location.file).position(location.position());
    return QJsonObject{
        {QStringLiteral("start"), start},
        {QStringLiteral("end"),
         QJsonObject{{QStringLiteral("line"), start.value(QLatin1String("line")).toInt() + 1},
                     {QStringLiteral("character"), 0}}}};
}

QJsonObject Protocol::diagnostic(const Finding &finding) const
{
    QJsonObject object{{QStringLiteral("range"), covering(finding.location)},
                       {QStringLiteral("severity"),
                        finding.severity == Severity::Error ? ErrorSeverity : WarningSeverity},
                       {QStringLiteral("code"), finding.check},
                       {QStringLiteral("source"), QStringLiteral("tavrel")},
                       {QStringLiteral("message"), finding.message}};
    if (!finding.related.isEmpty()) {
        QJsonArray related;
        for (const RelatedPlace &place : finding.related) {
            related.append(
                QJsonObject{{QStringLiteral("location"),
                             QJsonObject{{QStringLiteral("uri"), uriOf(place.location.file)},
                                         {QStringLiteral("range"), covering(place.location)}}},
                            {QStringLiteral("message"), place.message}});
        }
        object.insert(QStringLiteral("relatedInformation"), related);
    }
    return object;
}

QJsonArray Protocol::diagnostics(const QString &, const QList<Finding> &findings) const
{
    QJsonArray list;
    for (const Finding &finding : findings)
        list.append(diagnostic(finding));
    return list;
}

QJsonObject Protocol::hover(const Hover &hover) const
{
    return QJsonObject{{QStringLiteral("contents"),
                        QJsonObject{{QStringLiteral("kind"), QStringLiteral("markdown")},
                                    {QStringLiteral("value"), hover.markdown}}},
                       {QStringLiteral("range"), range(hover.range)}};
}

QJsonObject Protocol::completion(const CompletionList &list) const
{
    QJsonArray items;
    for (const CompletionItem &item : list.items) {
        items.append(QJsonObject{{QStringLiteral("label"), item.label},
                                 {QStringLiteral("kind"), item.kind},
                                 {QStringLiteral("detail"), item.detail},
                                 {QStringLiteral("textEdit"),
                                  QJsonObject{{QStringLiteral("range"), range(item.replaced)},
                                              {QStringLiteral("newText"), item.text}}}});
    }
    return QJsonObject{{QStringLiteral("isIncomplete"), list.incomplete},
                       {QStringLiteral("items"), items}};
}

QJsonArray Protocol::documentSymbols(const QString &path, const QList<Symbol> &symbols,
                                     bool hierarchical) const
{
    QJsonArray array;
    for (const Symbol &symbol : symbols) {
        if (hierarchical) {
            QJsonObject object{{QStringLiteral("name"), symbol.name},
                               {QStringLiteral("kind"), symbol.kind},
                               {QStringLiteral("range"), range(path, symbol.range)},
                               {QStringLiteral("selectionRange"), range(symbol.selection)}};
            if (!symbol.detail.isEmpty())
                object.insert(QStringLiteral("detail"), symbol.detail);
            const QJsonArray children = documentSymbols(path, symbol.children, true);
            if (!children.isEmpty())
                object.insert(QStringLiteral("children"), children);
            array.append(object);
            continue;
        }
        // A client without outlines takes each symbol with the one it stands in.
        const std::function<void(const Symbol &, const QString &)> flatten =
            [&](const Symbol &flat, const QString &container) {
                QJsonObject object{{QStringLiteral("name"), flat.name},
                                   {QStringLiteral("kind"), flat.kind},
                                   {QStringLiteral("location"), location(flat.selection)}};
                if (!container.isEmpty())
                    object.insert(QStringLiteral("containerName"), container);
                array.append(object);
                for (const Symbol &child : flat.children)
                    flatten(child, flat.name);
            };
        flatten(symbol, QString());
    }
    return array;
}

QJsonArray Protocol::workspaceSymbols(const QList<Symbol> &symbols) const
{
    QJsonArray array;
    for (const Symbol &symbol : symbols) {
        array.append(QJsonObject{{QStringLiteral("name"), symbol.name},
                                 {QStringLiteral("kind"), symbol.kind},
                                 {QStringLiteral("containerName"), symbol.detail},
                                 {QStringLiteral("location"), location(symbol.selection)}});
    }
    return array;
}

QJsonArray Protocol::codeActions(const QString &path, const QList<CodeAction> &actions,
                                 const QJsonArray &clientDiagnostics) const
{
    QJsonArray array;
    for (const CodeAction &action : actions) {
        const QJsonObject place = range(action.replaced);
        QJsonArray fixed;
        for (const QJsonValue &diagnostic : clientDiagnostics) {
            const QJsonObject object = diagnostic.toObject();
            if (object.value(QLatin1String("code")) == action.finding.check &&
                object.value(QLatin1String("range")).toObject().value(QLatin1String("start")) ==
                    place.value(QLatin1String("start")))
                fixed.append(object);
        }
        const QJsonObject edit{
            {QStringLiteral("changes"),
             QJsonObject{{uriOf(path),
                          QJsonArray{QJsonObject{{QStringLiteral("range"), place},
                                                 {QStringLiteral("newText"), action.text}}}}}}};
        array.append(QJsonObject{{QStringLiteral("title"), action.title},
                                 {QStringLiteral("kind"), QStringLiteral("quickfix")},
                                 {QStringLiteral("isPreferred"), true},
                                 {QStringLiteral("diagnostics"), fixed},
                                 {QStringLiteral("edit"), edit}});
    }
    return array;
}

// Each token as five numbers: its line and start relative to the token before, its length,
// its type and its modifiers.
QJsonObject Protocol::semanticTokens(const QList<SemanticToken> &tokens) const
{
    QJsonArray data;
    int line = 0;
    int start = 0;
    for (const SemanticToken &token : tokens) {
        const Location &place = token.location;
        const WideCharacters &characters = wideOf(place.file);
        const int from = characters.character(place.line, place.column);
        const int to = characters.character(place.line, place.column + place.length);
        if (to <= from)
            continue;
        const int at = place.line - 1;
        data.append(at - line);
        data.append(at == line ? from - start : from);
        data.append(to - from);
        data.append(token.type);
        data.append(token.modifiers);
        line = at;
        start = from;
    }
    return QJsonObject{{QStringLiteral("data"), data}};
}

QJsonArray Protocol::foldingRanges(const QList<FoldingRange> &ranges) const
{
    QJsonArray array;
    for (const FoldingRange &range : ranges) {
        QJsonObject object{{QStringLiteral("startLine"), range.startLine - 1},
                           {QStringLiteral("endLine"), range.endLine - 1}};
        if (range.comment)
            object.insert(QStringLiteral("kind"), QStringLiteral("comment"));
        array.append(object);
    }
    return array;
}

QJsonArray Protocol::highlights(const QList<Highlight> &highlights) const
{
    // The protocol's DocumentHighlightKind: a use reads the name, a definition writes it.
    enum
    {
        Read = 2,
        Write = 3
    };
    QJsonArray array;
    for (const Highlight &highlight : highlights)
        array.append(QJsonObject{{QStringLiteral("range"), range(highlight.location)},
                                 {QStringLiteral("kind"), highlight.definition ? Write : Read}});
    return array;
}

QJsonArray Protocol::documentLinks(const QList<DocumentLink> &links) const
{
    QJsonArray array;
    for (const DocumentLink &link : links)
        array.append(QJsonObject{{QStringLiteral("range"), range(link.location)},
                                 {QStringLiteral("target"), uriOf(link.target)},
                                 {QStringLiteral("tooltip"), link.target}});
    return array;
}

QJsonObject Protocol::renamed(const Rename &rename) const
{
    return QJsonObject{{QStringLiteral("range"), range(rename.name)},
                       {QStringLiteral("placeholder"), rename.written}};
}

QJsonObject Protocol::workspaceEdit(const Rename &rename, const QString &newName) const
{
    QJsonObject changes;
    for (const Location &place : rename.places) {
        const QString uri = uriOf(place.file);
        QJsonArray edits = changes.value(uri).toArray();
        edits.append(QJsonObject{{QStringLiteral("range"), range(place)},
                                 {QStringLiteral("newText"), newName}});
        changes.insert(uri, edits);
    }
    return QJsonObject{{QStringLiteral("changes"), changes}};
}

} // namespace tavrel::lsp
