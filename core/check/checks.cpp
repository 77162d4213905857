// SPDX-License-Identifier: MIT
#include "core/check/checks.h"

#include "core/load/linking.h"
#include "core/load/parallel.h"
#include "core/load/scriptload.h"
#include "core/read/locations.h"

#include <QHash>
#include <QThread>

#include <algorithm>
#include <vector>

namespace tavrel {

namespace {

const QString missingResource = QStringLiteral("missing-resource");
const QString duplicateDefname = QStringLiteral("duplicate-defname");
const QString unknownSkill = QStringLiteral("unknown-skill");
const QString selfResource = QStringLiteral("self-resource");
const QString notUtf8 = QStringLiteral("not-utf8");
const QString unreadable = QStringLiteral("unreadable");

const QString resourcesKey = QStringLiteral("RESOURCES");
const QString skillmakeKey = QStringLiteral("SKILLMAKE");
const QString defnameKey = QStringLiteral("DEFNAME");

class Checker
{
public:
    Checker(const LoadedScripts &loaded, const CheckOptions &options)
        : loaded(loaded), options(options)
    {
        for (const QString &id : options.ignored)
            ignored.insert(id.toLower());
    }

    CheckResult run()
    {
        if (enabled(unreadable))
            checkUnreadable();
        if (enabled(notUtf8))
            checkEncoding();
        if (enabled(duplicateDefname))
            checkRedefinitions();
        if (enabled(missingResource))
            checkMissing();
        if (enabled(selfResource))
            checkSelfResources();
        if (enabled(unknownSkill))
            checkSkills();
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

private:
    bool enabled(const QString &check) const { return !options.disabled.contains(check); }

    // Where a finding is written. Places are looked up once every finding is known, file by
    // file, so that the text of one file only is held at a time.
    struct Place
    {
        QString file;
        QString section;
        QString key;
        QString word;
        int occurrence = 0;
        // Without the key, the word is looked for on the header's line.
        QString headerWord;
        TextPosition position;
    };

    struct Pending
    {
        Finding finding;
        int at = -1;
        // A redefinition names the definition before it and the one the load keeps.
        int before = -1;
        int kept = -1;
    };

    int place(const QString &file, const QString &section, const QString &key,
              const QString &word = QString(), int occurrence = 0,
              const QString &headerWord = QString())
    {
        places.push_back(Place{file, section, key, word, occurrence, headerWord, {}});
        return int(places.size()) - 1;
    }

    bool isIgnored(const QString &defname, const QString &subject) const
    {
        return ignored.contains(subject.toLower()) ||
               (!defname.isEmpty() && ignored.contains(defname));
    }

    Pending &add(const QString &check, const QString &message, const QString &file, int at,
                 const QString &defname, const QString &subject)
    {
        pending.append(Pending{
            Finding{check, findCheck(check)->severity, message, file, 0, 0, defname, subject}, at});
        return pending.last();
    }

    void add(const QString &check, const QString &message, const QString &file,
             TextPosition position, const QString &subject)
    {
        if (isIgnored(QString(), subject))
            return;
        Finding finding{check,         findCheck(check)->severity,
                        message,       file,
                        position.line, position.column,
                        QString(),     subject};
        pending.append(Pending{finding});
    }

    // Files are independent: each is read by one task with a locator of its own, so several
    // are located at once and only as many texts as threads are held.
    void locateAll()
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
            for (size_t i = fileStarts[f]; i < fileStarts[f + 1]; ++i)
                locate(locator, places[order[i]]);
        });
    }

    static void locate(ScriptLocator &locator, Place &p)
    {
        p.position = locator.keyPosition(p.file, p.section, p.key, p.word, p.occurrence);
        if (!p.headerWord.isEmpty() && p.position.line > 0 &&
            p.position.line == locator.headerLine(p.file, p.section))
            p.position.column = locator.column(p.file, p.position.line, p.headerWord);
    }

    QString where(int at) const
    {
        return QStringLiteral("%1:%2").arg(places[at].file,
                                           QString::number(places[at].position.line));
    }

    Finding finished(const Pending &entry) const
    {
        Finding finding = entry.finding;
        if (entry.at >= 0) {
            finding.line = places[entry.at].position.line;
            finding.column = places[entry.at].position.column;
        }
        if (entry.before >= 0) {
            const QString keeps = entry.kept < 0
                                      ? QStringLiteral("this one")
                                      : QStringLiteral("the one at %1").arg(where(entry.kept));
            finding.message =
                QStringLiteral("Defname \"%1\" is defined again (before at %2); the load keeps %3.")
                    .arg(finding.defname, where(entry.before), keeps);
        }
        return finding;
    }

    // How many entries before `element` in the record's RESOURCES name the same id, so that the
    // right one of several equal words on the line is pointed at.
    int earlierUses(const ScriptRecord &record, const QString &id, int element) const
    {
        if (element == 0)
            return 0;
        int count = 0;
        const QList<ResourceUse> uses = loaded.linker.resourceUses(record.fields.resources);
        for (const ResourceUse &use : uses) {
            if (use.element >= element)
                break;
            count += use.entry.id == id ? 1 : 0;
        }
        return count;
    }

    void checkUnreadable()
    {
        for (const auto &[path, reason] : loaded.unreadable)
            add(unreadable, QStringLiteral("Cannot be read: %1.").arg(reason), path, TextPosition(),
                QString());
    }

    void checkEncoding()
    {
        for (const auto &[path, bad] : loaded.invalidUtf8) {
            add(notUtf8,
                QStringLiteral("The file is not valid UTF-8 (a legacy code page such as cp1252?); "
                               "the reader drops such bytes, so names read from it may be wrong."),
                path, bad, QString());
        }
    }

    int definitionPlace(const DefinitionPlace &definition, const QString &defname)
    {
        return place(definition.file, definition.section, defnameKey, defname, 0,
                     sectionWord(definition.section, 1));
    }

    void checkRedefinitions()
    {
        for (auto it = loaded.redefinitions.cbegin(); it != loaded.redefinitions.cend(); ++it) {
            const QString &defname = it.key();
            if (isIgnored(defname, defname))
                continue;
            const QList<DefinitionPlace> &definitions = it.value();
            const int kept = definitionPlace(definitions.constLast(), defname);
            int before = definitionPlace(definitions.constFirst(), defname);
            for (qsizetype i = 1; i < definitions.size(); ++i) {
                const int at = i + 1 == definitions.size()
                                   ? kept
                                   : definitionPlace(definitions.at(i), defname);
                Pending &entry =
                    add(duplicateDefname, QString(), definitions.at(i).file, at, defname, defname);
                entry.before = before;
                entry.kept = at == kept ? -1 : kept;
                before = at;
            }
        }
    }

    void checkMissing()
    {
        for (const MissingResourceUse &use : loaded.missing) {
            const QString &id = use.resource.id;
            if (isIgnored(use.defname, id))
                continue;
            const ScriptRecord &record = *loaded.records.constFind(use.defname);
            const int at = place(record.place.file, record.place.section, resourcesKey, id,
                                 earlierUses(record, id, use.resource.element));
            add(missingResource, notFoundMessage(id), record.place.file, at, use.defname, id);
        }
    }

    void checkSelfResources()
    {
        for (const ScriptRecord &record : loaded.records) {
            const QString &defname = record.fields.defname;
            if (!record.fields.resources.contains(defname) || isIgnored(defname, defname))
                continue;
            const QList<ResourceUse> uses = loaded.linker.resourceUses(record.fields.resources);
            int occurrence = 0;
            for (const ResourceUse &use : uses) {
                if (use.entry.id != defname)
                    continue;
                add(selfResource,
                    QStringLiteral("Item \"%1\" lists itself among its resources.").arg(defname),
                    record.place.file,
                    place(record.place.file, record.place.section, resourcesKey, defname,
                          occurrence++),
                    defname, defname);
            }
        }
    }

    void checkSkills()
    {
        if (loaded.skillDefinitions.isEmpty()) {
            result.notes.append(QStringLiteral(
                "unknown-skill did not run: the scripts define no skill ([SKILL n] with KEY=)"));
            return;
        }
        QSet<QString> known;
        for (const QString &name : loaded.skillDefinitions)
            known.insert(name.toLower());
        for (const ScriptRecord &record : loaded.records) {
            const LinkedRecord linked = loaded.linker.link(QString(), record.fields.skillmake);
            QHash<QString, int> occurrences;
            for (const QString &skill : linked.skills) {
                const QString lower = skill.toLower();
                if (known.contains(lower) || isIgnored(record.fields.defname, skill))
                    continue;
                add(unknownSkill,
                    QStringLiteral("Skill \"%1\" is none of the skills the scripts define.")
                        .arg(skill),
                    record.place.file,
                    place(record.place.file, record.place.section, skillmakeKey, lower,
                          occurrences[lower]++),
                    record.fields.defname, skill);
            }
        }
    }

    const LoadedScripts &loaded;
    const CheckOptions &options;
    QSet<QString> ignored;
    std::vector<Place> places;
    QList<Pending> pending;
    CheckResult result;
};

} // namespace

QString severityName(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

const QList<Check> &checks()
{
    static const QList<Check> list = {
        {missingResource, Severity::Error,
         QStringLiteral("a resource id that names no item and no item type")},
        {duplicateDefname, Severity::Warning,
         QStringLiteral("a defname defined again; the definition read last is kept")},
        {unknownSkill, Severity::Warning,
         QStringLiteral("a SKILLMAKE skill that no [SKILL n] section of the scripts names")},
        {selfResource, Severity::Warning,
         QStringLiteral("an item that lists itself among its resources")},
        {notUtf8, Severity::Warning,
         QStringLiteral("a script file with item definitions that is not valid UTF-8")},
        {unreadable, Severity::Error,
         QStringLiteral("a file or directory below a script directory that cannot be read")},
    };
    return list;
}

const Check *findCheck(const QString &id)
{
    for (const Check &check : checks()) {
        if (check.id == id)
            return &check;
    }
    return nullptr;
}

CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options)
{
    return Checker(loaded, options).run();
}

} // namespace tavrel
