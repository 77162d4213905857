// SPDX-License-Identifier: MIT
#include "core/check/checks.h"

#include "core/check/checkrun.h"
#include "core/load/linking.h"
#include "core/load/scriptload.h"
#include "core/read/itemdefinition.h"

#include <QHash>

namespace tavrel {

namespace {

const QString resourcesKey = QStringLiteral("RESOURCES");
const QString skillmakeKey = QStringLiteral("SKILLMAKE");
const QString defnameKey = QStringLiteral("DEFNAME");

// How many entries before `element` in the record's RESOURCES name the same id, so that the
// right one of several equal words on the line is pointed at.
int earlierUses(const ScriptRecord &record, const QString &id, int element)
{
    int count = 0;
    for (int i = 0; i < element && i < record.entries.resources.size(); ++i)
        count += record.entries.resources.at(i).id == id ? 1 : 0;
    return count;
}

void missingResources(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (const MissingResourceUse &use : loaded.missing) {
        const QString &id = use.resource.id;
        if (run.isIgnored(use.defname, id))
            continue;
        const ScriptRecord &record = *loaded.records.constFind(use.defname);
        const int at = run.place(record.place.file, record.place.section, resourcesKey, id,
                                 earlierUses(record, id, use.resource.element));
        run.add(notFoundMessage(id), record.place.file, at, use.defname, id);
    }
}

void redefinitions(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    const auto definitionPlace = [&run](const DefinitionPlace &definition, const QString &defname) {
        return run.place(definition.file, definition.section, defnameKey, defname, 0,
                         sectionWord(definition.section, 1));
    };
    for (auto it = loaded.redefinitions.cbegin(); it != loaded.redefinitions.cend(); ++it) {
        const QString &defname = it.key();
        if (run.isIgnored(defname, defname))
            continue;
        const QList<DefinitionPlace> &definitions = it.value();
        const int kept = definitionPlace(definitions.constLast(), defname);
        int before = definitionPlace(definitions.constFirst(), defname);
        for (qsizetype i = 1; i < definitions.size(); ++i) {
            const bool last = i + 1 == definitions.size();
            const int at = last ? kept : definitionPlace(definitions.at(i), defname);
            const auto message = [defname, last](const QStringList &related) {
                const QString keeps = last ? QStringLiteral("this one")
                                           : QStringLiteral("the one at %1").arg(related.at(1));
                return QStringLiteral(
                           "Defname \"%1\" is defined again (before at %2); the load keeps %3.")
                    .arg(defname, related.at(0), keeps);
            };
            run.add(message, definitions.at(i).file, at, defname, defname, {before, kept});
            before = at;
        }
    }
}

void unknownSkills(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    if (loaded.skillDefinitions.isEmpty()) {
        run.note(QStringLiteral(
            "unknown-skill did not run: the scripts define no skill ([SKILL n] with KEY=)"));
        return;
    }
    QSet<QString> known;
    for (const QString &name : loaded.skillDefinitions)
        known.insert(name.toLower());
    for (const ScriptRecord &record : loaded.records) {
        const QStringList skills = loaded.linker.skillNames(record.entries.skills);
        QHash<QString, int> occurrences;
        for (const QString &skill : skills) {
            const QString lower = skill.toLower();
            if (known.contains(lower) || run.isIgnored(record.fields.defname, skill))
                continue;
            run.add(
                QStringLiteral("Skill \"%1\" is none of the skills the scripts define.").arg(skill),
                record.place.file,
                run.place(record.place.file, record.place.section, skillmakeKey, lower,
                          occurrences[lower]++),
                record.fields.defname, skill);
        }
    }
}

void selfResources(CheckRun &run)
{
    for (const ScriptRecord &record : run.loaded().records) {
        const QString &defname = record.fields.defname;
        if (run.isIgnored(defname, defname))
            continue;
        int occurrence = 0;
        for (const ResourceEntry &entry : record.entries.resources) {
            if (entry.id != defname)
                continue;
            run.add(QStringLiteral("Item \"%1\" lists itself among its resources.").arg(defname),
                    record.place.file,
                    run.place(record.place.file, record.place.section, resourcesKey, defname,
                              occurrence++),
                    defname, defname);
        }
    }
}

void legacyEncodings(CheckRun &run)
{
    for (const auto &[path, bad] : run.loaded().invalidUtf8) {
        run.add(QStringLiteral("The file is not valid UTF-8 (a legacy code page such as cp1252?); "
                               "the reader drops such bytes, so names read from it may be wrong."),
                path, bad, QString());
    }
}

void unreadableFiles(CheckRun &run)
{
    for (const auto &[path, reason] : run.loaded().unreadable)
        run.add(QStringLiteral("Cannot be read: %1.").arg(reason), path, TextPosition(), QString());
}

} // namespace

QString severityName(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

const QList<Check> &checks()
{
    static const QList<Check> table = {
        {QStringLiteral("missing-resource"), Severity::Error,
         QStringLiteral("a resource id that names no item and no item type"), missingResources},
        {QStringLiteral("duplicate-defname"), Severity::Warning,
         QStringLiteral("a defname defined again; the definition read last is kept"),
         redefinitions},
        {QStringLiteral("unknown-skill"), Severity::Warning,
         QStringLiteral("a SKILLMAKE skill that no [SKILL n] section of the scripts names"),
         unknownSkills},
        {QStringLiteral("self-resource"), Severity::Warning,
         QStringLiteral("an item that lists itself among its resources"), selfResources},
        {QStringLiteral("not-utf8"), Severity::Warning,
         QStringLiteral("a script file with item definitions that is not valid UTF-8"),
         legacyEncodings},
        {QStringLiteral("unreadable"), Severity::Error,
         QStringLiteral("a file or directory below a script directory that cannot be read"),
         unreadableFiles},
    };
    return table;
}

const Check *findCheck(const QString &id)
{
    for (const Check &check : checks()) {
        if (check.id == id)
            return &check;
    }
    return nullptr;
}

} // namespace tavrel
