// SPDX-License-Identifier: MIT
#include "lsp/diagnostics.h"

#include "lsp/workspace.h"

#include <QJsonObject>

namespace tavrel::lsp {

namespace {

enum DiagnosticSeverity
{
    ErrorSeverity = 1,
    WarningSeverity = 2
};

QJsonObject diagnostic(const Workspace &workspace, const Finding &finding)
{
    QJsonObject object{{QStringLiteral("range"),
                        workspace.wide(finding.file)
                            .range(TextPosition{finding.line, finding.column}, finding.length)},
                       {QStringLiteral("severity"),
                        finding.severity == Severity::Error ? ErrorSeverity : WarningSeverity},
                       {QStringLiteral("code"), finding.check},
                       {QStringLiteral("source"), QStringLiteral("tavrel")},
                       {QStringLiteral("message"), finding.message}};
    if (!finding.related.isEmpty()) {
        QJsonArray related;
        for (const RelatedPlace &place : finding.related) {
            related.append(QJsonObject{
                {QStringLiteral("location"), workspace.location(place.file, place.position, 0)},
                {QStringLiteral("message"), place.message}});
        }
        object.insert(QStringLiteral("relatedInformation"), related);
    }
    return object;
}

} // namespace

QHash<QString, QJsonArray> diagnostics(const Workspace &workspace)
{
    QHash<QString, QJsonArray> byFile;
    for (const QString &path : workspace.paths())
        byFile.insert(path, QJsonArray());
    for (const Finding &finding : workspace.analysis().result.findings)
        byFile[finding.file].append(diagnostic(workspace, finding));
    return byFile;
}

} // namespace tavrel::lsp
