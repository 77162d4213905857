// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKS_H
#define TAVREL_CHECKS_H

#include "core/language/location.h"
#include "core/read/tables.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tavrel {

class CheckContext;
class ScriptIndex;

enum class Severity
{
    Error,
    Warning
};
QString severityName(Severity severity);

// A check of the scripts: a stable id, its severity, what it finds in a line and in a few
// sentences, and the functions that look for it: in one file at a time (its own text and what
// its uses name), in the definitions of one name at a time, or once in what the project could
// not read. A change of one file needs only the checks of what it touched to run again. A check
// of what scripts often do on purpose runs only where it is enabled.
struct Check
{
    QString id;
    Severity severity;
    QString description;
    QString help;
    void (*file)(CheckContext &context) = nullptr;
    void (*name)(CheckContext &context) = nullptr;
    void (*project)(CheckContext &context) = nullptr;
    bool offByDefault = false;
};
// Every check, in the order they run and are listed.
const QList<Check> &checks();
const Check *findCheck(const QString &id);

// Another place a finding is about, such as the earlier definition of a name defined again.
struct RelatedPlace
{
    Location location;
    QString message;
};

// One thing a check found, where it is written. `subject` is what the finding is about (a
// resource id, a skill, a defname); `suggestion` a text to put in the place of the location's
// text, where the check knows one.
struct Finding
{
    QString check;
    Severity severity = Severity::Error;
    QString message;
    Location location;
    QString defname;
    QString subject;
    QString suggestion;
    QList<RelatedPlace> related;
};

struct CheckOptions
{
    // Check ids that do not run, and ids of checks off by default that do.
    QSet<QString> disabled;
    QSet<QString> enabled;
    // Resource ids, skills or defnames whose findings are dropped, compared regardless of case.
    QStringList ignored;

    bool runs(const Check &check) const;
    // Turns a check on or off; what is said of a check last wins over what was said before.
    void enable(const QString &id);
    void disable(const QString &id);
};

// What a load could not read beside its files: listed directories it could not open, with the
// reason, and the lines of tables files that name nothing, each with its tables file.
struct ProjectProblems
{
    QList<QPair<QString, QString>> unreadableDirectories;
    QList<QPair<QString, MissingScriptEntry>> missingScriptFiles;
};

struct CheckResult
{
    // In order of file, line and column; findings without a line first within their file.
    QList<Finding> findings;
    // What a user may want to know about how the checks ran.
    QStringList notes;
};

// Runs every check that is not disabled over the files of an index.
CheckResult runChecks(const ScriptIndex &index, const ProjectProblems &project,
                      const CheckOptions &options);

// Whether two lists hold the same findings in the same places, in the same order.
bool sameFindings(const QList<Finding> &a, const QList<Finding> &b);

// Orders findings as a check lists them: by file, line and column, in check order where they
// share a place.
void sortFindings(QList<Finding> &findings);

// What a check went through and found, as every output format ends with.
struct CheckSummary
{
    qsizetype files = 0;
    qsizetype definitions = 0;
    qsizetype references = 0;
    qsizetype errors = 0;
    qsizetype warnings = 0;
};
CheckSummary summarize(const ScriptIndex &index, const QList<Finding> &findings);

} // namespace tavrel

#endif
