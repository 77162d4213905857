// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

namespace tavrel::lsp {

QList<CodeAction> codeActions(const Workspace &workspace, const QString &path, int firstLine,
                              int lastLine)
{
    QList<CodeAction> actions;
    for (const Finding &finding : workspace.findingsIn(path)) {
        const Location &location = finding.location;
        if (finding.suggestion.isEmpty() || location.line < firstLine || location.line > lastLine)
            continue;
        actions.append(CodeAction{QStringLiteral("Change to \"%1\"").arg(finding.suggestion),
                                  finding, location, finding.suggestion});
    }
    return actions;
}

} // namespace tavrel::lsp
