// SPDX-License-Identifier: MIT
#include "core/check/checkcontext.h"

#include "core/language/suggestions.h"
#include "core/load/parallel.h"
#include "core/read/entries.h"

#include <QThread>

#include <algorithm>
#include <future>
#include <mutex>

namespace tavrel {

CheckContext::CheckContext(const ScriptIndex &index, const ProjectProblems &project,
                           const CheckOptions &options)
    : scripts(index), problems(project), options(options)
{
    for (const QString &id : options.ignored)
        ignored.insert(id.toLower());
}

const Resolution &CheckContext::resolution(int use)
{
    if (!resolved[size_t(use)]) {
        const Use &used = facts().uses.at(use);
        // An alias's words are text until a key reads them; numbers stand for themselves.
        if (!isNumberText(used.name) && !(used.flags & Use::AliasValue)) {
            // A workspace knows the number of each use's name already.
            const int name = scripts.nameOfUse(currentFile, use);
            resolutions[size_t(use)] = name >= 0 ? scripts.resolve(name, used.shape)
                                                 : scripts.resolve(used.name, used.shape);
        }
        resolved[size_t(use)] = true;
    }
    return resolutions[size_t(use)];
}

bool CheckContext::isKept(const Use &use) const
{
    return keptRecords[size_t(use.record)];
}

bool CheckContext::isIgnored(const QString &defname, const QString &subject) const
{
    if (ignored.isEmpty())
        return false;
    return ignored.contains(subject.toLower()) || (!defname.isEmpty() && ignored.contains(defname));
}

void CheckContext::note(const QString &text)
{
    if (!notes.contains(text))
        notes.append(text);
}

Finding &CheckContext::add(const QString &message, const Location &location, const QString &defname,
                           const QString &subject)
{
    Finding finding;
    finding.check = running->id;
    finding.severity = running->severity;
    finding.message = message;
    finding.location = location;
    // A name read from an item's entries refers to the text of the item's list; a finding
    // outlives the facts it was found in, so it keeps texts of its own.
    finding.defname = defname.data_ptr().isMutable() ? defname : ownText(defname);
    finding.subject = subject.data_ptr().isMutable() ? subject : ownText(subject);
    findings.append(std::move(finding));
    return findings.last();
}

void CheckContext::suggest(Kinds accepted, bool inMessage, const QString &holder,
                           const QString &held)
{
    suggestions.append({findings.size() - 1, accepted, inMessage, holder, held});
}

void CheckContext::checkFile(int file)
{
    currentFile = file;
    currentName = -1;
    const qsizetype uses = scripts.facts(file).uses.size();
    resolutions.assign(size_t(uses), Resolution());
    resolved.assign(size_t(uses), false);
    const ScriptFacts &facts = scripts.facts(file);
    keptRecords.assign(size_t(facts.records.size()), true);
    for (qsizetype i = 0; i < facts.records.size(); ++i) {
        const int definition = facts.records.at(i).definition;
        if (definition >= 0)
            keptRecords[size_t(i)] = scripts.isKept(FactRef{file, definition});
    }
    for (const Check &check : checks()) {
        if (!check.file || !options.runs(check))
            continue;
        running = &check;
        check.file(*this);
    }
    resolutions.clear();
    resolved.clear();
}

void CheckContext::checkName(int name)
{
    currentFile = -1;
    currentName = name;
    for (const Check &check : checks()) {
        if (!check.name || !options.runs(check))
            continue;
        running = &check;
        check.name(*this);
    }
}

void CheckContext::checkProject()
{
    currentFile = -1;
    currentName = -1;
    for (const Check &check : checks()) {
        if (!check.project || !options.runs(check))
            continue;
        running = &check;
        check.project(*this);
    }
}

QList<Finding> CheckContext::takeFindings()
{
    return std::exchange(findings, QList<Finding>());
}

QList<SuggestionRequest> CheckContext::takeSuggestions()
{
    return std::exchange(suggestions, QList<SuggestionRequest>());
}

QStringList CheckContext::takeNotes()
{
    return std::exchange(notes, QStringList());
}

NameSuggestions suggestionTable(const ScriptIndex &index)
{
    QList<DefinedName> names;
    names.reserve(index.definitionCount());
    for (const int file : index.files()) {
        for (const Definition &definition : index.facts(file).definitions) {
            if (definition.number >= 0)
                continue;
            const Kinds kinds = definition.kind == Kind::Alias
                                    ? index.resolve(definition.name).kinds
                                    : kindBit(definition.kind);
            for (int kind = 0; kind < int(Kind::Count); ++kind) {
                if (kinds & kindBit(Kind(kind)))
                    names.append(DefinedName{definition.name, Kind(kind)});
            }
        }
    }
    return NameSuggestions(names);
}

// The suggestions are the names as their first definition writes them.
void addSuggestions(const ScriptIndex &index, const NameSuggestions &table,
                    QList<Finding> &findings, const QList<SuggestionRequest> &requests)
{
    if (requests.isEmpty())
        return;
    std::vector<QString> found(size_t(requests.size()));
    parallelFor(found.size(), QThread::idealThreadCount(), [&](size_t i) {
        const SuggestionRequest &request = requests.at(qsizetype(i));
        const QString &name =
            request.held.isEmpty() ? findings.at(request.finding).subject : request.held;
        found[i] = table.suggest(name, request.accepted, request.holder);
    });
    for (qsizetype i = 0; i < requests.size(); ++i) {
        if (found[size_t(i)].isEmpty())
            continue;
        const SuggestionRequest &request = requests.at(i);
        Finding &finding = findings[request.finding];
        const QString suggestion =
            index.definition(index.definitionsOf(QStringView(found[size_t(i)])).constFirst())
                .shown();
        if (request.held.isEmpty())
            finding.suggestion = suggestion;
        if (request.inMessage)
            finding.message += QStringLiteral(" Did you mean \"%1\"?").arg(suggestion);
    }
}

bool sameFindings(const QList<Finding> &a, const QList<Finding> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const Finding &x = a.at(i);
        const Finding &y = b.at(i);
        if (x.check != y.check || x.message != y.message || x.location.file != y.location.file ||
            x.location.line != y.location.line || x.location.column != y.location.column ||
            x.location.length != y.location.length || x.suggestion != y.suggestion ||
            x.related.size() != y.related.size() || x.severity != y.severity)
            return false;
    }
    return true;
}

void sortFindings(QList<Finding> &findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        if (a.location.file != b.location.file)
            return a.location.file < b.location.file;
        if (a.location.line != b.location.line)
            return a.location.line < b.location.line;
        return a.location.column < b.location.column;
    });
}

CheckResult runChecks(const ScriptIndex &index, const ProjectProblems &project,
                      const CheckOptions &options)
{
    CheckResult result;
    QList<SuggestionRequest> requests;
    const auto gather = [&](CheckContext &context) {
        const qsizetype offset = result.findings.size();
        for (SuggestionRequest &request : context.takeSuggestions()) {
            request.finding += offset;
            requests.append(std::move(request));
        }
        result.findings += context.takeFindings();
        for (const QString &note : context.takeNotes()) {
            if (!result.notes.contains(note))
                result.notes.append(note);
        }
    };

    // The names the did-you-means come from are gathered beside the checks, from the first file
    // that asks for one; a pack without such findings never gathers them.
    std::future<NameSuggestions> table;
    std::once_flag started;
    const auto startTable = [&] {
        std::call_once(started, [&] {
            table = std::async(std::launch::async, [&index] { return suggestionTable(index); });
        });
    };

    // Files are checked each on its own, side by side; their findings join in load order.
    const QList<int> &files = index.files();
    struct Checked
    {
        QList<Finding> findings;
        QList<SuggestionRequest> suggestions;
        QStringList notes;
    };
    std::vector<Checked> checked(size_t(files.size()));
    parallelFor(checked.size(), QThread::idealThreadCount(), [&](size_t i) {
        CheckContext context(index, project, options);
        context.checkFile(files.at(qsizetype(i)));
        checked[i] =
            Checked{context.takeFindings(), context.takeSuggestions(), context.takeNotes()};
        if (!checked[i].suggestions.isEmpty())
            startTable();
    });
    for (Checked &file : checked) {
        const qsizetype offset = result.findings.size();
        for (SuggestionRequest &request : file.suggestions) {
            request.finding += offset;
            requests.append(std::move(request));
        }
        result.findings += std::move(file.findings);
        for (const QString &note : std::as_const(file.notes)) {
            if (!result.notes.contains(note))
                result.notes.append(note);
        }
    }
    checked.clear();

    CheckContext context(index, project, options);
    for (int name = 0; name < index.nameCount(); ++name) {
        if (index.definitionsOf(name).size() > 1)
            context.checkName(name);
    }
    gather(context);
    context.checkProject();
    gather(context);

    if (!requests.isEmpty()) {
        startTable();
        addSuggestions(index, table.get(), result.findings, requests);
    }
    sortFindings(result.findings);
    return result;
}

CheckSummary summarize(const ScriptIndex &index, const QList<Finding> &findings)
{
    CheckSummary summary;
    summary.files = index.files().size();
    summary.definitions = index.definitionCount();
    summary.references = index.useCount();
    for (const Finding &finding : findings)
        ++(finding.severity == Severity::Error ? summary.errors : summary.warnings);
    return summary;
}

} // namespace tavrel
