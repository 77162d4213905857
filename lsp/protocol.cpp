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

QJsonObject Protocol::diagnostic(const Finding &finding) const
{
    QJsonObject object{{QStringLiteral("range"), range(finding.location)},
                       {QStringLiteral("severity"),
                        finding.severity == Severity::Error ? ErrorSeverity : WarningSeverity},
                       {QStringLiteral("code"), finding.check},
                       {QStringLiteral("source"), QStringLiteral("tavrel")},
                       {QStringLiteral("message"), finding.message}};
    if (!finding.related.isEmpty()) {
        QJsonArray related;
        for (const RelatedPlace &place : finding.related) {
            related.append(QJsonObject{{QStringLiteral("location"), location(place.location)},
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

} // namespace tavrel::lsp
