// SPDX-License-Identifier: MIT
#include "core/check/checkstate.h"

#include "core/check/checkcontext.h"

#include <algorithm>

namespace tavrel {

CheckState::CheckState(const ScriptIndex &index, const CheckOptions &options)
    : index(index), options(options)
{
}

void CheckState::checkAll(const ProjectProblems &problems)
{
    project = problems;
    for (auto file = byFile.cbegin(); file != byFile.cend(); ++file)
        changed.insert(index.hasFile(file.key()) ? index.path(file.key()) : QString());
    for (const Finding &finding : std::as_const(ofProject))
        changed.insert(finding.location.file);
    for (auto names = namesIn.cbegin(); names != namesIn.cend(); ++names)
        changed.insert(names.key());
    byFile.clear();
    byName.clear();
    namesIn.clear();
    table = NameSuggestions();

    QSet<int> names;
    for (int name = 0; name < index.nameCount(); ++name)
        names.insert(name);
    setNames(names);
    for (const int file : index.files())
        checkFile(file);
    for (int name = 0; name < index.nameCount(); ++name)
        checkName(name);
    CheckContext context(index, project, options);
    context.checkProject();
    ofProject = context.takeFindings();
    for (const Finding &finding : std::as_const(ofProject))
        changed.insert(finding.location.file);
    changed.remove(QString());
}

void CheckState::update(const QSet<int> &files, const ScriptIndex::Change &change)
{
    setNames(change.names);
    QSet<int> again;
    if (change.kinds) {
        again = QSet<int>(index.files().cbegin(), index.files().cend());
    } else {
        for (const int file : files) {
            if (index.hasFile(file))
                again.insert(file);
        }
        // The uses of a name touched resolve anew; the entries of a defname's items may now
        // belong to the record kept, or no more.
        for (const int name : change.names) {
            for (const int file : index.filesUsing(name))
                again.insert(file);
            for (const FactRef &ref : index.definitionsOf(name))
                again.insert(ref.file);
        }
    }
    for (const int file : files) {
        if (index.hasFile(file))
            continue;
        const auto gone = byFile.find(file);
        if (gone == byFile.end())
            continue;
        if (!gone->isEmpty())
            changed.insert(gone->constFirst().location.file);
        byFile.erase(gone);
    }
    for (const int file : std::as_const(again))
        checkFile(file);
    for (const int name : change.names)
        checkName(name);
    for (const int name : change.moved)
        checkName(name);
}

// The table of names gives the kinds each is defined as, an alias's those it leads to.
void CheckState::setNames(const QSet<int> &names)
{
    for (const int name : names) {
        const QString &text = index.name(name);
        if (text.startsWith(u'#'))
            continue;
        const bool defined = !index.definitionsOf(name).isEmpty();
        table.set(text, defined ? index.resolve(text).kinds : 0);
    }
}

void CheckState::suggest(QList<Finding> &findings, const QList<SuggestionRequest> &requests) const
{
    for (const SuggestionRequest &request : requests) {
        Finding &finding = findings[request.finding];
        const QString &name = request.held.isEmpty() ? finding.subject : request.held;
        const QString found = table.suggest(name, request.accepted, request.holder);
        if (found.isEmpty())
            continue;
        const QString suggestion =
            index.definition(index.definitionsOf(QStringView(found)).constFirst()).shown();
        if (request.held.isEmpty())
            finding.suggestion = suggestion;
        if (request.inMessage)
            finding.message += QStringLiteral(" Did you mean \"%1\"?").arg(suggestion);
    }
}

void CheckState::checkFile(int file)
{
    CheckContext context(index, project, options);
    context.checkFile(file);
    QList<Finding> findings = context.takeFindings();
    suggest(findings, context.takeSuggestions());
    for (const QString &note : context.takeNotes()) {
        if (!notes.contains(note))
            notes.append(note);
    }
    QList<Finding> &kept = byFile[file];
    if (!sameFindings(kept, findings))
        changed.insert(index.path(file));
    kept = std::move(findings);
}

void CheckState::checkName(int name)
{
    QList<Finding> findings;
    if (index.definitionsOf(name).size() > 1) {
        CheckContext context(index, project, options);
        context.checkName(name);
        findings = context.takeFindings();
    }
    const auto before = byName.constFind(name);
    const QList<Finding> none;
    const QList<Finding> &old = before == byName.cend() ? none : *before;
    if (sameFindings(old, findings))
        return;
    for (const Finding &finding : old) {
        changed.insert(finding.location.file);
        namesIn[finding.location.file].remove(name);
    }
    for (const Finding &finding : std::as_const(findings)) {
        changed.insert(finding.location.file);
        namesIn[finding.location.file].insert(name);
    }
    if (findings.isEmpty())
        byName.remove(name);
    else
        byName.insert(name, std::move(findings));
}

QList<Finding> CheckState::checkGuest(int file, const QSet<int> &names)
{
    setNames(names);
    CheckContext context(index, project, options);
    context.checkFile(file);
    QList<Finding> findings = context.takeFindings();
    suggest(findings, context.takeSuggestions());
    context.takeNotes();
    // The file's own names defined twice in it; the workspace's definitions are the workspace's.
    const QString &path = index.path(file);
    for (const int name : names) {
        const QList<FactRef> &defined = index.definitionsOf(name);
        if (std::count_if(defined.cbegin(), defined.cend(),
                          [file](const FactRef &ref) { return ref.file == file; }) < 2)
            continue;
        context.checkName(name);
        for (Finding &finding : context.takeFindings()) {
            if (finding.location.file == path &&
                std::all_of(finding.related.cbegin(), finding.related.cend(),
                            [&path](const RelatedPlace &p) { return p.location.file == path; }))
                findings.append(std::move(finding));
        }
    }
    sortFindings(findings);
    return findings;
}

void CheckState::namesChanged(const QSet<int> &names)
{
    setNames(names);
}

QList<Finding> CheckState::findingsIn(const QString &path) const
{
    QList<Finding> found = byFile.value(index.fileOf(path));
    for (const int name : namesIn.value(path)) {
        for (const Finding &finding : byName.value(name)) {
            if (finding.location.file == path)
                found.append(finding);
        }
    }
    for (const Finding &finding : ofProject) {
        if (finding.location.file == path)
            found.append(finding);
    }
    sortFindings(found);
    return found;
}

QList<Finding> CheckState::findings() const
{
    QList<Finding> all;
    for (const int file : index.files())
        all += byFile.value(file);
    for (const QList<Finding> &findings : byName)
        all += findings;
    all += ofProject;
    sortFindings(all);
    return all;
}

QSet<QString> CheckState::takeChangedPaths()
{
    return std::exchange(changed, QSet<QString>());
}

} // namespace tavrel
