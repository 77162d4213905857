// SPDX-License-Identifier: MIT
#ifndef TAVREL_FINDINGFORMATS_H
#define TAVREL_FINDINGFORMATS_H

#include <QList>
#include <QString>

namespace tavrel {
struct CheckSummary;
struct Finding;
} // namespace tavrel

// One line per finding, as compilers write them: "file:line:column: severity: message [check]
// (in defname)". Line breaks in a file name are escaped, so a finding is always one line.
QString findingsText(const QList<tavrel::Finding> &findings);
// "12 files, 3400 definitions, 9100 references: 2 errors, 1 warning", for the end of a check.
QString summaryText(const tavrel::CheckSummary &summary);

// {"findings": [...], "summary": {...}} with every field of every finding.
QString findingsJson(const QList<tavrel::Finding> &findings, const tavrel::CheckSummary &summary);

// A SARIF 2.1.0 log of one run: the rules from the check list, each location relative to
// `baseDirectory` where it lies below it, suggestions as fixes, the summary in the run's
// properties.
QString findingsSarif(const QList<tavrel::Finding> &findings, const tavrel::CheckSummary &summary,
                      const QString &baseDirectory, const QString &version);

// One GitHub Actions workflow command per finding, which a job shows as an annotation, then a
// notice with the summary.
QString findingsGithub(const QList<tavrel::Finding> &findings, const tavrel::CheckSummary &summary);

// The checks as --list-checks --format json prints them.
QString checksJson();

#endif
