// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKRUN_H
#define TAVREL_CHECKRUN_H

#include "core/check/checks.h"
#include "core/language/language.h"
#include "core/language/suggestions.h"
#include "core/read/scriptreader.h"

#include <QSet>
#include <QString>

#include <future>
#include <vector>

namespace tavrel {

// What a check function works with: the load, the suppressions, and the findings it adds for
// the check that runs.
class CheckRun
{
public:
    CheckRun(const LoadedScripts &loaded, const CheckOptions &options);

    const LoadedScripts &loaded() const { return scripts; }
    // Whether findings about the subject, or in the definition of the defname, are dropped.
    bool isIgnored(const QString &defname, const QString &subject) const;
    void note(const QString &text);
    // A finding of the running check; the returned one may be completed.
    Finding &add(const QString &message, const QString &file, TextPosition position,
                 const QString &defname, const QString &subject);

    // A reference with what it resolves to.
    struct Resolved
    {
        const Reference *reference;
        Resolution resolution;
        // One of the items' RESOURCES entries that name no item and no item type.
        bool itemResource;
    };
    // Every reference of the language, then the items' RESOURCES entries that the linker found
    // nothing for, each resolved once for all the checks that need it.
    const std::vector<Resolved> &resolved();

    // Gives the finding just added, once every check has run, the defined name of an accepted
    // kind likely meant by its subject as its suggestion, and with `inMessage` asks about it at
    // the end of its message; never `holder`, the name whose definition holds it. A `held` name
    // stands elsewhere than the finding (in an alias's value): it is only asked about.
    void suggest(Kinds accepted, bool inMessage, const QString &holder = QString(),
                 const QString &held = QString());

    CheckResult run();

private:
    const LoadedScripts &scripts;
    const CheckOptions &options;
    const Check *running = nullptr;
    QSet<QString> ignored;
    CheckResult result;
    QList<Reference> unlinked;
    std::vector<Resolved> resolutions;
    bool resolvedYet = false;
    struct SuggestionWanted
    {
        qsizetype finding;
        Kinds accepted;
        bool inMessage;
        QString holder;
        QString held;
    };
    QList<SuggestionWanted> suggestionsWanted;
    std::future<NameSuggestions> suggestionTable;

    void startSuggestionTable();
    void addSuggestions();
};

} // namespace tavrel

#endif
