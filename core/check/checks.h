// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKS_H
#define TAVREL_CHECKS_H

#include "core/read/scriptreader.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tavrel {

struct LoadedScripts;
class CheckRun;

enum class Severity
{
    Error,
    Warning
};
QString severityName(Severity severity);

// A check of the scripts: a stable id, its severity, what it finds in a line and in a few
// sentences, and the function that looks for it.
struct Check
{
    QString id;
    Severity severity;
    QString description;
    QString help;
    void (*run)(CheckRun &run);
};
// Every check, in the order they run and are listed.
const QList<Check> &checks();
const Check *findCheck(const QString &id);

// Another place a finding is about, such as the earlier definition of a name defined again.
struct RelatedPlace
{
    QString file;
    TextPosition position;
    QString message;
};

// One thing a check found, where it is written: line and column counted from 1, in characters,
// 0 where unknown. `subject` is what the finding is about (a resource id, a skill, a defname);
// `length` its characters at the place, 0 where unknown; `suggestion` a text to put in their
// place, where the check knows one.
struct Finding
{
    QString check;
    Severity severity = Severity::Error;
    QString message;
    QString file;
    int line = 0;
    int column = 0;
    QString defname;
    QString subject;
    int length = 0;
    QString suggestion;
    QList<RelatedPlace> related;
};

struct CheckOptions
{
    // Check ids that do not run.
    QSet<QString> disabled;
    // Resource ids, skills or defnames whose findings are dropped, compared regardless of case.
    QStringList ignored;
};

struct CheckResult
{
    // In order of file, line and column; findings without a line first within their file.
    QList<Finding> findings;
    // What a user may want to know about how the checks ran.
    QStringList notes;
};

// Runs every check that is not disabled over a load.
CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options);

// What a check went through and found, as every output format ends with.
struct CheckSummary
{
    qsizetype files = 0;
    qsizetype definitions = 0;
    qsizetype references = 0;
    qsizetype errors = 0;
    qsizetype warnings = 0;
};
CheckSummary summarize(const LoadedScripts &loaded, const CheckResult &result);

} // namespace tavrel

#endif
