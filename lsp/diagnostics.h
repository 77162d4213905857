// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_DIAGNOSTICS_H
#define TAVREL_LSP_DIAGNOSTICS_H

#include <QHash>
#include <QJsonArray>
#include <QString>

namespace tavrel::lsp {

class Workspace;

// The diagnostics of the last analysis by file: every file of the workspace, those without a
// finding with an empty list, and any other place a finding stands (a directory that cannot
// be read).
QHash<QString, QJsonArray> diagnostics(const Workspace &workspace);

} // namespace tavrel::lsp

#endif
