// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_CODEACTIONS_H
#define TAVREL_LSP_CODEACTIONS_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace tavrel::lsp {

class Workspace;

// A quick fix for every finding in the range that knows what to write instead, such as the
// defined name an undefined one is a slip of. `diagnostics` are the client's, which a fix
// names when one is at its place.
QJsonArray codeActions(const Workspace &workspace, const QString &path, const QJsonObject &range,
                       const QJsonArray &diagnostics);

} // namespace tavrel::lsp

#endif
