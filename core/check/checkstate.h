// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKSTATE_H
#define TAVREL_CHECKSTATE_H

#include "core/check/checkcontext.h"
#include "core/check/checks.h"
#include "core/language/index.h"
#include "core/language/suggestions.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace tavrel {

// The findings of a workspace, kept as its files change: a change runs again only the checks
// whose inputs it touched, a file's own checks for the files it changed and for the files that
// use or define a name it touched, and the checks of a name's definitions for those names. The
// findings are those a check of the same files from nothing gives.
class CheckState
{
public:
    CheckState(const ScriptIndex &index, const CheckOptions &options);

    // Every check anew, with what the project could not read.
    void checkAll(const ProjectProblems &project);
    // After the index changed: the files whose facts were replaced, inserted or taken out, and
    // what the index says the change touched.
    void update(const QSet<int> &files, const ScriptIndex::Change &change);

    // The findings of a file looked at apart, as the guest of the index (see
    // ScriptIndex::addGuest) that defines `names`: its own checks against the workspace's names
    // and its own, and its names it defines twice itself; the workspace's findings stay as they
    // are. Once the file is taken out, namesChanged gives the names back what they stand for.
    QList<Finding> checkGuest(int file, const QSet<int> &names);
    void namesChanged(const QSet<int> &names);

    // The findings about a file, in order of line and column.
    QList<Finding> findingsIn(const QString &path) const;
    // Every finding, in the order a check lists them.
    QList<Finding> findings() const;
    // The files whose findings changed since the last call.
    QSet<QString> takeChangedPaths();

private:
    void checkFile(int file);
    void checkName(int name);
    void setNames(const QSet<int> &names);
    void suggest(QList<Finding> &findings, const QList<SuggestionRequest> &requests) const;

    const ScriptIndex &index;
    const CheckOptions options;
    ProjectProblems project;
    // The findings of each file's checks, of each name's, and of the project's.
    QHash<int, QList<Finding>> byFile;
    QHash<int, QList<Finding>> byName;
    QList<Finding> ofProject;
    // For each path, the names with findings there.
    QHash<QString, QSet<int>> namesIn;
    QStringList notes;
    NameSuggestions table;
    QSet<QString> changed;
};

} // namespace tavrel

#endif
