// SPDX-License-Identifier: MIT
#include "core/check/checkrun.h"

#include "core/load/parallel.h"

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
    return ignored.contains(subject.toLower()) || (!defname.isEmpty() && ignored.contains(defname));
}

void CheckRun::note(const QString &text)
{
    result.notes.append(text);
}

int CheckRun::place(const QString &file, const QString &section, const QString &key,
                    const QString &word, int occurrence, const QString &headerWord)
{
    places.push_back(Place{file, section, key, word, occurrence, headerWord, {}});
    return int(places.size()) - 1;
}

Finding CheckRun::started(const QString &message, const QString &file, const QString &defname,
                          const QString &subject) const
{
    return Finding{running->id, running->severity, message, file, 0, 0, defname, subject};
}

void CheckRun::add(const QString &message, const QString &file, int at, const QString &defname,
                   const QString &subject)
{
    pending.append(Pending{started(message, file, defname, subject), at, {}, {}});
}

void CheckRun::add(const QString &message, const QString &file, TextPosition position,
                   const QString &subject)
{
    if (isIgnored(QString(), subject))
        return;
    Finding finding = started(message, file, QString(), subject);
    finding.line = position.line;
    finding.column = position.column;
    pending.append(Pending{finding, -1, {}, {}});
}

void CheckRun::add(const RelatedMessage &message, const QString &file, int at,
                   const QString &defname, const QString &subject, const QList<int> &related)
{
    pending.append(Pending{started(QString(), file, defname, subject), at, message, related});
}

CheckResult CheckRun::run()
{
    for (const Check &check : checks()) {
        if (options.disabled.contains(check.id))
            continue;
        running = &check;
        check.run(*this);
    }
    locateAll();
    for (const Pending &entry : std::as_const(pending))
        result.findings.append(finished(entry));
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

// Files are independent: each is read by one task with a locator of its own, so several are
// located at once and only as many texts as threads are held.
void CheckRun::locateAll()
{
    std::vector<int> order(places.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return places[a].file < places[b].file; });
    std::vector<size_t> fileStarts;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || places[order[i]].file != places[order[i - 1]].file)
            fileStarts.push_back(i);
    }
    fileStarts.push_back(order.size());

    parallelFor(fileStarts.size() - 1, QThread::idealThreadCount(), [&](size_t f) {
        ScriptLocator locator;
        for (size_t i = fileStarts[f]; i < fileStarts[f + 1]; ++i) {
            Place &p = places[order[i]];
            p.position = locator.keyPosition(p.file, p.section, p.key, p.word, p.occurrence);
            if (!p.headerWord.isEmpty() && p.position.line > 0 &&
                p.position.line == locator.headerLine(p.file, p.section))
                p.position.column = locator.column(p.file, p.position.line, p.headerWord);
        }
    });
}

QString CheckRun::where(int at) const
{
    return QStringLiteral("%1:%2").arg(places[at].file, QString::number(places[at].position.line));
}

Finding CheckRun::finished(const Pending &entry) const
{
    Finding finding = entry.finding;
    if (entry.at >= 0) {
        finding.line = places[entry.at].position.line;
        finding.column = places[entry.at].position.column;
    }
    if (entry.message) {
        QStringList related;
        for (const int at : entry.related)
            related.append(where(at));
        finding.message = entry.message(related);
    }
    return finding;
}

CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options)
{
    return CheckRun(loaded, options).run();
}

} // namespace tavrel
