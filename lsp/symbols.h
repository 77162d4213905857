// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_SYMBOLS_H
#define TAVREL_LSP_SYMBOLS_H

#include <QJsonArray>
#include <QString>

namespace tavrel::lsp {

class Workspace;

// The sections of a file as an outline, each with what its lines define and its triggers
// below it; flat SymbolInformation for a client without outlines.
QJsonArray documentSymbols(const Workspace &workspace, const QString &path, bool hierarchical);
// The definitions of the workspace whose names hold the query's characters in order.
QJsonArray workspaceSymbols(const Workspace &workspace, const QString &query);

} // namespace tavrel::lsp

#endif
