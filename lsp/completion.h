// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_COMPLETION_H
#define TAVREL_LSP_COMPLETION_H

#include "core/read/scriptreader.h"

#include <QJsonObject>
#include <QString>

namespace tavrel::lsp {

class Workspace;

// A completion list for a place in a value: the defined names of the kinds its key takes that
// hold the word written before the place, with their display names. Large workspaces give the
// first of them and say the list is incomplete, so that the editor asks again as the word
// grows.
QJsonObject completion(const Workspace &workspace, const QString &path, TextPosition place);

} // namespace tavrel::lsp

#endif
