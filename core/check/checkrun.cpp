// SPDX-License-Identifier: MIT
#include "core/check/checkrun.h"

#include "core/load/scriptload.h"

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

Finding &CheckRun::add(const QString &message, const QString &file, TextPosition position,
                       const QString &defname, const QString &subject)
{
    Finding finding;
    finding.check = running->id;
    finding.severity = running->severity;
    finding.message = message;
    finding.file = file;
    finding.line = position.line;
    finding.column = position.column;
    finding.defname = defname;
    finding.subject = subject;
    result.findings.append(std::move(finding));
    return result.findings.last();
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

CheckSummary summarize(const LoadedScripts &loaded, const CheckResult &result)
{
    CheckSummary summary;
    summary.files = loaded.files.size();
    summary.definitions = loaded.language.definitions.size();
    summary.references = loaded.language.references.size();
    for (const ScriptRecord &record : loaded.records)
        summary.references += record.entries.resources.size() + record.entries.skills.size();
    for (const Finding &finding : result.findings)
        ++(finding.severity == Severity::Error ? summary.errors : summary.warnings);
    return summary;
}

} // namespace tavrel
