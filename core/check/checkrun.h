// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKRUN_H
#define TAVREL_CHECKRUN_H

#include "core/check/checks.h"
#include "core/read/scriptreader.h"

#include <QSet>
#include <QString>

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

    CheckResult run();

private:
    const LoadedScripts &scripts;
    const CheckOptions &options;
    const Check *running = nullptr;
    QSet<QString> ignored;
    CheckResult result;
};

} // namespace tavrel

#endif
