// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_SYMBOLKINDS_H
#define TAVREL_LSP_SYMBOLKINDS_H

#include "core/language/kinds.h"

namespace tavrel::lsp {

// The protocol's SymbolKind and CompletionItemKind nearest to each kind of name.
int symbolKind(Kind kind);
int completionKind(Kind kind);

} // namespace tavrel::lsp

#endif
