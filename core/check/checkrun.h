// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHECKRUN_H
#define TAVREL_CHECKRUN_H

#include "core/check/checks.h"
#include "core/read/locations.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <vector>

namespace tavrel {

// What a check function works with: the load, the suppressions, and the findings it adds for
// the check that runs. Places are looked up once every finding is known, file by file, so that
// the text of one file only is held at a time.
class CheckRun
{
public:
    CheckRun(const LoadedScripts &loaded, const CheckOptions &options);

    const LoadedScripts &loaded() const { return scripts; }
    bool isIgnored(const QString &defname, const QString &subject) const;
    void note(const QString &text);

    // A place to be located: the line of `key` in the section (the header's line without the
    // key) and the column of the occurrence-th whole `word` on it; on the header's line, the
    // column of `headerWord` instead.
    int place(const QString &file, const QString &section, const QString &key,
              const QString &word = QString(), int occurrence = 0,
              const QString &headerWord = QString());
    // A finding of the running check at a place to be located.
    void add(const QString &message, const QString &file, int at, const QString &defname,
             const QString &subject);
    // A finding of the running check at a known position, unless its subject is ignored.
    void add(const QString &message, const QString &file, TextPosition position,
             const QString &subject);
    // A finding whose message names other places: it is made once they are located, from
    // "file:line" of each of `related`.
    using RelatedMessage = std::function<QString(const QStringList &related)>;
    void add(const RelatedMessage &message, const QString &file, int at, const QString &defname,
             const QString &subject, const QList<int> &related);

    CheckResult run();

private:
    struct Place
    {
        QString file;
        QString section;
        QString key;
        QString word;
        int occurrence = 0;
        QString headerWord;
        TextPosition position;
    };
    struct Pending
    {
        Finding finding;
        int at = -1;
        RelatedMessage message;
        QList<int> related;
    };

    Finding started(const QString &message, const QString &file, const QString &defname,
                    const QString &subject) const;
    void locateAll();
    QString where(int at) const;
    Finding finished(const Pending &entry) const;

    const LoadedScripts &scripts;
    const CheckOptions &options;
    const Check *running = nullptr;
    QSet<QString> ignored;
    std::vector<Place> places;
    QList<Pending> pending;
    CheckResult result;
};

} // namespace tavrel

#endif
