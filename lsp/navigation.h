// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_NAVIGATION_H
#define TAVREL_LSP_NAVIGATION_H

#include "lsp/analysis.h"

#include <QJsonArray>
#include <QString>

namespace tavrel::lsp {

class Workspace;

// Where the name is defined: each header or line that defines it, of whatever kind.
QJsonArray definitionsOf(const Workspace &workspace, const NameAt &name);
// Every place naming it: the items whose RESOURCES do, every other key, the SKILLMAKE entries,
// and the definitions when asked; each once, by file, line and column.
QJsonArray referencesTo(const Workspace &workspace, const NameAt &name, bool withDefinitions);
// What the name stands for, in Markdown.
QString hoverText(const Workspace &workspace, const NameAt &name);

} // namespace tavrel::lsp

#endif
