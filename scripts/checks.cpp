#include "scripts/checks.h"

#include "scripts/linking.h"
#include "scripts/locations.h"
#include "scripts/scriptload.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

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

    void add(const QString &check, const QString &message, const QString &file,
             TextPosition position, const QString &defname, const QString &subject)
    {
        if (ignored.contains(subject.toLower()) ||
            (!defname.isEmpty() && ignored.contains(defname)))
            return;
        result.findings.append(Finding{check, findCheck(check)->severity, message, file,
                                       position.line, position.column, defname, subject});
    }

    // How many entries before `element` in the record's RESOURCES name the same id, so that the
    // right one of several equal words on the line is pointed at.
    int earlierUses(const ScriptRecord &record, const QString &id, int element) const
    {
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
            add(unreadable, QStringLiteral("Cannot be read: %1.").arg(reason), path, {}, QString(),
                QString());
    }

    void checkEncoding()
    {
        for (const QString &path : loaded.itemFiles) {
            QFile file(path);
            if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
                continue;
            const TextPosition bad = firstInvalidUtf8(file.readAll());
            if (bad.line == 0)
                continue;
            add(notUtf8,
                QStringLiteral("The file is not valid UTF-8 (a legacy code page such as cp1252?); "
                               "the reader drops such bytes, so names read from it may be wrong."),
                path, bad, QString(), QString());
        }
    }

    TextPosition definitionPosition(const DefinitionPlace &place, const QString &defname)
    {
        const int header = locator.headerLine(place.file, place.section);
        TextPosition position = locator.keyPosition(place.file, place.section, defnameKey, defname);
        // Without a DEFNAME key the id is the header's.
        if (position.line == header && header > 0)
            position.column = locator.column(place.file, header, sectionWord(place.section, 1));
        return position;
    }

    QString where(const DefinitionPlace &place, const QString &defname)
    {
        return QStringLiteral("%1:%2").arg(
            place.file, QString::number(definitionPosition(place, defname).line));
    }

    void checkRedefinitions()
    {
        for (auto it = loaded.redefinitions.cbegin(); it != loaded.redefinitions.cend(); ++it) {
            const QString &defname = it.key();
            const QList<DefinitionPlace> &places = it.value();
            const QString kept = where(places.constLast(), defname);
            for (qsizetype i = 1; i < places.size(); ++i) {
                const QString keeps = i + 1 == places.size()
                                          ? QStringLiteral("this one")
                                          : QStringLiteral("the one at %1").arg(kept);
                add(duplicateDefname,
                    QStringLiteral("Defname \"%1\" is defined again (before at %2); the load "
                                   "keeps %3.")
                        .arg(defname, where(places.at(i - 1), defname), keeps),
                    places.at(i).file, definitionPosition(places.at(i), defname), defname, defname);
            }
        }
    }

    void checkMissing()
    {
        for (const MissingResourceUse &use : loaded.missing) {
            const ScriptRecord &record = loaded.records.value(use.defname);
            const QString &id = use.resource.id;
            const TextPosition position =
                locator.keyPosition(record.place.file, record.place.section, resourcesKey, id,
                                    earlierUses(record, id, use.resource.element));
            add(missingResource, notFoundMessage(id), record.place.file, position, use.defname, id);
        }
    }

    void checkSelfResources()
    {
        for (const ScriptRecord &record : loaded.records) {
            const QString &defname = record.fields.defname;
            const QList<ResourceUse> uses = loaded.linker.resourceUses(record.fields.resources);
            int occurrence = 0;
            for (const ResourceUse &use : uses) {
                if (use.entry.id != defname)
                    continue;
                add(selfResource,
                    QStringLiteral("Item \"%1\" lists itself among its resources.").arg(defname),
                    record.place.file,
                    locator.keyPosition(record.place.file, record.place.section, resourcesKey,
                                        defname, occurrence++),
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
                if (known.contains(lower))
                    continue;
                add(unknownSkill,
                    QStringLiteral("Skill \"%1\" is none of the skills the scripts define.")
                        .arg(skill),
                    record.place.file,
                    locator.keyPosition(record.place.file, record.place.section, skillmakeKey,
                                        lower, occurrences[lower]++),
                    record.fields.defname, skill);
            }
        }
    }

    const LoadedScripts &loaded;
    const CheckOptions &options;
    QSet<QString> ignored;
    ScriptLocator locator;
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
