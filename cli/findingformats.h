// SPDX-License-Identifier: MIT
#ifndef TAVREL_FINDINGFORMATS_H
#define TAVREL_FINDINGFORMATS_H

#include <QList>
#include <QString>

namespace tavrel {
struct Finding;
} // namespace tavrel

// One line per finding, as compilers write them: "file:line:column: severity: message [check]
// (in defname)". Line breaks in a file name are escaped, so a finding is always one line.
QString findingsText(const QList<tavrel::Finding> &findings);

// {"findings": [...]} with every field of every finding.
QString findingsJson(const QList<tavrel::Finding> &findings);

// A SARIF 2.1.0 log of one run, the rules from the check list and each location relative to
// `baseDirectory` where it lies below it.
QString findingsSarif(const QList<tavrel::Finding> &findings, const QString &baseDirectory,
                      const QString &version);

// One GitHub Actions workflow command per finding, which a job shows as an annotation.
QString findingsGithub(const QList<tavrel::Finding> &findings);

#endif
