// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKCONTEXT_H
#define TAVREL_CHECKCONTEXT_H

#include "core/check/checks.h"
#include "core/language/index.h"
#include "core/language/suggestions.h"

#include <QSet>
#include <QString>

#include <vector>

namespace tavrel {

// A finding that asks for the defined name likely meant by its subject, or by `held`, a name
// it stands for elsewhere (in an alias's value), once every check has run.
struct SuggestionRequest
{
    qsizetype finding = 0;
    Kinds accepted = 0;
    bool inMessage = false;
    QString holder;
    QString held;
};

// What a check function works with: the index, the suppressions, the file, the name or the
// project it looks at, and the findings it adds for the check that runs.
class CheckContext
{
public:
    CheckContext(const ScriptIndex &index, const ProjectProblems &project,
                 const CheckOptions &options);

    const ScriptIndex &index() const { return scripts; }
    const ProjectProblems &project() const { return problems; }
    // The file or the name looked at, and its facts.
    int file() const { return currentFile; }
    int name() const { return currentName; }
    const ScriptFacts &facts() const { return scripts.facts(currentFile); }

    // What each use of the file resolves to, resolved once for every check.
    const Resolution &resolution(int use);
    // Whether an item entry belongs to the record kept for its defname, the one linked.
    bool isKept(const Use &use) const;

    // Whether findings about the subject, or in the definition of the defname, are dropped;
    // whether any are.
    bool isIgnored(const QString &defname, const QString &subject) const;
    bool ignores() const { return !ignored.isEmpty(); }
    void note(const QString &text);
    // A finding of the running check; the returned one may be completed.
    Finding &add(const QString &message, const Location &location, const QString &defname,
                 const QString &subject);
    // Gives the finding just added, once every check has run, the defined name of an accepted
    // kind likely meant by its subject as its suggestion, and with `inMessage` asks about it at
    // the end of its message; never `holder`, the name whose definition holds it. A `held` name
    // stands elsewhere than the finding (in an alias's value): it is only asked about.
    void suggest(Kinds accepted, bool inMessage, const QString &holder = QString(),
                 const QString &held = QString());

    // Runs the checks that are not disabled over a file, a name or the project; the findings,
    // requests and notes gather until taken.
    void checkFile(int file);
    void checkName(int name);
    void checkProject();
    QList<Finding> takeFindings();
    QList<SuggestionRequest> takeSuggestions();
    QStringList takeNotes();

private:
    const ScriptIndex &scripts;
    const ProjectProblems &problems;
    const CheckOptions &options;
    QSet<QString> ignored;
    const Check *running = nullptr;
    int currentFile = -1;
    int currentName = -1;
    std::vector<Resolution> resolutions;
    std::vector<bool> resolved;
    // Whether each record of the file is the one kept for its defname.
    std::vector<bool> keptRecords;
    QList<Finding> findings;
    QList<SuggestionRequest> suggestions;
    QStringList notes;
};

// The defined names of every kind, an alias as each kind it leads to, as suggestions are made
// from.
NameSuggestions suggestionTable(const ScriptIndex &index);
// The suggestions the requests ask for, from the table of the names the index defines, put in
// their findings.
void addSuggestions(const ScriptIndex &index, const NameSuggestions &table,
                    QList<Finding> &findings, const QList<SuggestionRequest> &requests);

} // namespace tavrel

#endif
