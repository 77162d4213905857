// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_PROTOCOL_H
#define TAVREL_LSP_PROTOCOL_H

#include "lsp/features.h"
#include "lsp/positions.h"

#include <QHash>

#include <QJsonArray>
#include <QJsonObject>

namespace tavrel::lsp {

class Workspace;

// The one place the server's values become the protocol's JSON: positions in UTF-16 code units
// from 0, paths as file: URIs.
class Protocol
{
public:
    explicit Protocol(const Workspace &workspace) : workspace(workspace) {}

    QJsonObject location(const Location &location) const;
    QJsonObject range(const Location &location) const;
    QJsonObject range(const QString &path, const TextRange &range) const;
    QJsonObject diagnostic(const Finding &finding) const;
    QJsonArray diagnostics(const QString &path, const QList<Finding> &findings) const;
    QJsonObject hover(const Hover &hover) const;
    QJsonObject completion(const CompletionList &list) const;
    QJsonArray documentSymbols(const QString &path, const QList<Symbol> &symbols,
                               bool hierarchical) const;
    QJsonArray workspaceSymbols(const QList<Symbol> &symbols) const;
    QJsonArray codeActions(const QString &path, const QList<CodeAction> &actions,
                           const QJsonArray &clientDiagnostics) const;
    QJsonArray locations(const QList<Location> &locations) const;
    QJsonObject semanticTokens(const QList<SemanticToken> &tokens) const;
    QJsonArray foldingRanges(const QList<FoldingRange> &ranges) const;
    QJsonArray highlights(const QList<Highlight> &highlights) const;
    QJsonArray documentLinks(const QList<DocumentLink> &links) const;
    // The name a rename replaces, and what it writes in its place in every file.
    QJsonObject renamed(const Rename &rename) const;
    QJsonObject workspaceEdit(const Rename &rename, const QString &newName) const;

private:
    const WideCharacters &wideOf(const QString &path) const;
    QJsonObject covering(const Location &location) const;

    const Workspace &workspace;
    mutable QHash<QString, WideCharacters> wide;
};

} // namespace tavrel::lsp

#endif
