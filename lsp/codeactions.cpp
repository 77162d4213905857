// SPDX-License-Identifier: MIT
#include "lsp/codeactions.h"

#include "lsp/workspace.h"

namespace tavrel::lsp {

namespace {

int lineOf(const QJsonObject &range, const char *end)
{
    return range.value(QLatin1String(end)).toObject().value(QLatin1String("line")).toInt(-1);
}

} // namespace

QJsonArray codeActions(const Workspace &workspace, const QString &path, const QJsonObject &range,
                       const QJsonArray &diagnostics)
{
    const int first = lineOf(range, "start");
    const int last = lineOf(range, "end");
    QJsonArray actions;
    for (const Finding &finding : workspace.analysis().result.findings) {
        if (finding.file != path || finding.suggestion.isEmpty() || finding.line - 1 < first ||
            finding.line - 1 > last)
            continue;
        const QJsonObject place =
            workspace.wide(path).range(TextPosition{finding.line, finding.column}, finding.length);
        QJsonArray fixed;
        for (const QJsonValue &diagnostic : diagnostics) {
            const QJsonObject object = diagnostic.toObject();
            if (object.value(QLatin1String("code")) == finding.check &&
                object.value(QLatin1String("range")).toObject().value(QLatin1String("start")) ==
                    place.value(QLatin1String("start")))
                fixed.append(object);
        }
        const QJsonObject edit{
            {QStringLiteral("changes"),
             QJsonObject{{uriOf(path), QJsonArray{QJsonObject{
                                           {QStringLiteral("range"), place},
                                           {QStringLiteral("newText"), finding.suggestion}}}}}}};
        actions.append(QJsonObject{
            {QStringLiteral("title"), QStringLiteral("Change to \"%1\"").arg(finding.suggestion)},
            {QStringLiteral("kind"), QStringLiteral("quickfix")},
            {QStringLiteral("isPreferred"), true},
            {QStringLiteral("diagnostics"), fixed},
            {QStringLiteral("edit"), edit}});
    }
    return actions;
}

} // namespace tavrel::lsp
