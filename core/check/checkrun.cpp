// SPDX-License-Identifier: MIT
#include "core/check/checkrun.h"

#include "core/check/languagechecks.h"
#include "core/language/suggestions.h"
#include "core/load/parallel.h"
#include "core/load/scriptload.h"

#include <QThread>

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
    if (ignored.isEmpty())
        return false;
    return ignored.contains(subject.toLower()) || (!defname.isEmpty() && ignored.contains(defname));
}

const std::vector<CheckRun::Resolved> &CheckRun::resolved()
{
    if (resolvedYet)
        return resolutions;
    resolvedYet = true;
    unlinked = unlinkedResources(scripts);
    const QList<Reference> &references = scripts.language.references;
    resolutions.resize(size_t(references.size() + unlinked.size()));
    for (qsizetype i = 0; i < references.size(); ++i)
        resolutions[size_t(i)] = Resolved{&references.at(i), {}, false};
    // An alias's words are text until a key reads them, where they are resolved.
    for (qsizetype i = 0; i < unlinked.size(); ++i)
        resolutions[size_t(references.size() + i)] = Resolved{&unlinked.at(i), {}, true};
    // Names are resolved by the tens of thousands; the table only answers questions.
    constexpr size_t chunk = 1024;
    parallelFor(
        (resolutions.size() + chunk - 1) / chunk, QThread::idealThreadCount(), [this](size_t c) {
            const size_t end = std::min(resolutions.size(), (c + 1) * chunk);
            for (size_t i = c * chunk; i < end; ++i) {
                Resolved &entry = resolutions[i];
                const Reference &reference = *entry.reference;
                if (!isNumberText(reference.name) && !(reference.flags & Reference::AliasValue))
                    entry.resolution = scripts.language.resolve(reference.name, reference.shape);
            }
        });
    return resolutions;
}

void CheckRun::suggest(Kinds accepted, bool inMessage, const QString &holder, const QString &held)
{
    suggestionsWanted.append({result.findings.size() - 1, accepted, inMessage, holder, held});
}

namespace {

// The defined names of the kinds given; an alias counts as each kind it leads to.
NameSuggestions suggestionTable(const ScriptLanguage &language, Kinds wanted)
{
    QList<DefinedName> names;
    for (const Definition &definition : language.definitions) {
        if (definition.number >= 0)
            continue;
        const Kinds kinds = definition.kind == Kind::Alias ? language.resolve(definition.name).kinds
                                                           : kindBit(definition.kind);
        for (int kind = 0; kind < int(Kind::Count); ++kind) {
            if (kinds & wanted & kindBit(Kind(kind)))
                names.append(DefinedName{definition.name, Kind(kind)});
        }
    }
    return NameSuggestions(names);
}

} // namespace

// The table of names costs about as much as a few checks: it is built beside them, and only
// when some name is undefined.
void CheckRun::startSuggestionTable()
{
    Kinds wanted = 0;
    if (!options.disabled.contains(QStringLiteral("missing-resource")) &&
        !scripts.missing.isEmpty())
        wanted |= kindBit(Kind::Item) | kindBit(Kind::ItemType);
    if (!options.disabled.contains(QStringLiteral("undefined-name"))) {
        for (const Resolved &entry : resolved()) {
            const bool undefined = entry.resolution.outcome == Resolution::Undefined ||
                                   !entry.resolution.held.isEmpty();
            if (undefined && !entry.itemResource && !isNumberText(entry.reference->name) &&
                !(entry.reference->flags & Reference::AliasValue))
                wanted |= entry.reference->accepted;
        }
    }
    if (wanted)
        suggestionTable = std::async(std::launch::async, [this, wanted] {
            return tavrel::suggestionTable(scripts.language, wanted);
        });
}

// The suggestions are the names as their first definition writes them.
void CheckRun::addSuggestions()
{
    if (suggestionsWanted.isEmpty() || !suggestionTable.valid())
        return;
    const ScriptLanguage &language = scripts.language;
    const NameSuggestions suggestions = suggestionTable.get();
    std::vector<QString> found(size_t(suggestionsWanted.size()));
    parallelFor(found.size(), QThread::idealThreadCount(), [&](size_t i) {
        const SuggestionWanted &want = suggestionsWanted.at(qsizetype(i));
        const QString &name =
            want.held.isEmpty() ? result.findings.at(want.finding).subject : want.held;
        found[i] = suggestions.suggest(name, want.accepted, want.holder);
    });
    for (qsizetype i = 0; i < suggestionsWanted.size(); ++i) {
        if (found[size_t(i)].isEmpty())
            continue;
        const SuggestionWanted &want = suggestionsWanted.at(i);
        Finding &finding = result.findings[want.finding];
        const QList<int> definitions = language.definitionsOf(found[size_t(i)]);
        const QString suggestion = language.definitions.at(definitions.constFirst()).shown();
        if (want.held.isEmpty())
            finding.suggestion = suggestion;
        if (want.inMessage)
            finding.message += QStringLiteral(" Did you mean \"%1\"?").arg(suggestion);
    }
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
    startSuggestionTable();
    for (const Check &check : checks()) {
        if (options.disabled.contains(check.id))
            continue;
        running = &check;
        check.run(*this);
    }
    addSuggestions();
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
