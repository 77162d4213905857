// SPDX-License-Identifier: MIT
#include "core/check/checkrun.h"

#include <algorithm>

namespace tavrel {

CheckRun::CheckRun(const LoadedScripts &loaded, const CheckOptions &options)
    : scripts(loaded), options(options)
{
    for (const QString &id : options.ignored)
        ignored.insert(id.toLower());
}

bool CheckRun::isIgnored(const QString &defname, const QString &subject) const
{
    return ignored.contains(subject.toLower()) || (!defname.isEmpty() && ignored.contains(defname));
}

void CheckRun::note(const QString &text)
{
    result.notes.append(text);
}

void CheckRun::add(const QString &message, const QString &file, TextPosition position,
                   const QString &defname, const QString &subject)
{
    result.findings.append(Finding{running->id, running->severity, message, file, position.line,
                                   position.column, defname, subject});
}

CheckResult CheckRun::run()
{
    for (const Check &check : checks()) {
        if (options.disabled.contains(check.id))
            continue;
        running = &check;
        check.run(*this);
    }
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const Finding &a, const Finding &b) {
                         if (a.file != b.file)
                             return a.file < b.file;
                         if (a.line != b.line)
                             return a.line < b.line;
                         return a.column < b.column;
                     });
    return result;
}

CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options)
{
    return CheckRun(loaded, options).run();
}

} // namespace tavrel
