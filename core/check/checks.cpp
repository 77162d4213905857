// SPDX-License-Identifier: MIT
#include "core/check/checks.h"

#include "core/check/checkrun.h"
#include "core/load/linking.h"
#include "core/load/scriptload.h"
#include "core/read/itemdefinition.h"

namespace tavrel {

namespace {

TextPosition resourcePosition(const ScriptRecord &record, int element)
{
    const QList<ResourceEntry> &entries = record.entries.resources;
    return TextPosition{record.place.resourcesLine,
                        element < entries.size() ? entries.at(element).column : 0};
}

void missingResources(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (const MissingResourceUse &use : loaded.missing) {
        const QString &id = use.resource.id;
        if (run.isIgnored(use.defname, id))
            continue;
        const ScriptRecord &record = *loaded.records.constFind(use.defname);
        run.add(notFoundMessage(id), record.place.file,
                resourcePosition(record, use.resource.element), use.defname, id);
    }
}

QString lineOf(const DefinitionPlace &place)
{
    return QStringLiteral("%1:%2").arg(place.file, QString::number(place.defname.line));
}

void redefinitions(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (auto it = loaded.redefinitions.cbegin(); it != loaded.redefinitions.cend(); ++it) {
        const QString &defname = it.key();
        if (run.isIgnored(defname, defname))
            continue;
        const QList<DefinitionPlace> &definitions = it.value();
        for (qsizetype i = 1; i < definitions.size(); ++i) {
            const DefinitionPlace &place = definitions.at(i);
            const QString keeps =
                i + 1 == definitions.size()
                    ? QStringLiteral("this one")
                    : QStringLiteral("the one at %1").arg(lineOf(definitions.constLast()));
            run.add(
                QStringLiteral("Defname \"%1\" is defined again (before at %2); the load keeps %3.")
                    .arg(defname, lineOf(definitions.at(i - 1)), keeps),
                place.file, place.defname, defname, defname);
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
        for (const SkillEntry &entry : record.entries.skills) {
            if (!loaded.linker.isSkill(entry) || known.contains(entry.skill))
                continue;
            const QString skill = capitalised(entry.skill);
            if (run.isIgnored(record.fields.defname, skill))
                continue;
            run.add(
                QStringLiteral("Skill \"%1\" is none of the skills the scripts define.").arg(skill),
                record.place.file, TextPosition{record.place.skillmakeLine, entry.column},
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
        for (const ResourceEntry &entry : record.entries.resources) {
            if (entry.id != defname)
                continue;
            run.add(QStringLiteral("Item \"%1\" lists itself among its resources.").arg(defname),
                    record.place.file, TextPosition{record.place.resourcesLine, entry.column},
                    defname, defname);
        }
    }
}

void legacyEncodings(CheckRun &run)
{
    if (run.isIgnored(QString(), QString()))
        return;
    for (const auto &[path, character] : run.loaded().legacyEncodings) {
        run.add(QStringLiteral("The file is not valid UTF-8; it was read as Windows-1252, so "
                               "this character is what that code page makes of its byte."),
                path, character, QString(), QString());
    }
}

void unreadableFiles(CheckRun &run)
{
    if (run.isIgnored(QString(), QString()))
        return;
    for (const auto &[path, reason] : run.loaded().unreadable)
        run.add(QStringLiteral("Cannot be read: %1.").arg(reason), path, TextPosition(), QString(),
                QString());
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
         QStringLiteral("a script file that is not valid UTF-8, read as Windows-1252, with a "
                        "character outside ASCII in a value"),
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
