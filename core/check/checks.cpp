// SPDX-License-Identifier: MIT
#include "core/check/checks.h"

#include "core/check/checkrun.h"
#include "core/check/languagechecks.h"
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

// An id that names something else, through an alias or not, or that is a number, is the
// business of wrong-kind and untyped-resource.
void missingResources(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (const MissingResourceUse &use : loaded.missing) {
        const QString &id = use.resource.id;
        // An empty element is a comma too many, which names nothing.
        if (id.isEmpty() || run.isIgnored(use.defname, id) || isNumberText(id) ||
            loaded.language.resolve(id).outcome != Resolution::Undefined)
            continue;
        const ScriptRecord &record = *loaded.records.constFind(use.defname);
        Finding &finding = run.add(
            QStringLiteral("Resource \"%1\" is not defined; RESOURCES expects an item or an item "
                           "type here.")
                .arg(id),
            record.place.file, resourcePosition(record, use.resource.element), use.defname, id);
        finding.length = int(id.size());
        run.suggest(kindBit(Kind::Item) | kindBit(Kind::ItemType), true, use.defname);
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
            Finding &finding = run.add(
                QStringLiteral("Defname \"%1\" is defined again (before at %2); the load keeps %3.")
                    .arg(defname, lineOf(definitions.at(i - 1)), keeps),
                place.file, place.defname, defname, defname);
            finding.length = int(defname.size());
            finding.related.append(RelatedPlace{definitions.at(i - 1).file,
                                                definitions.at(i - 1).defname,
                                                QStringLiteral("defined before here")});
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

void missingScriptFiles(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (const auto &[tables, entry] : loaded.missingScriptFiles) {
        if (run.isIgnored(QString(), entry.text))
            continue;
        Finding &finding =
            run.add(QStringLiteral("\"%1\" names no script file and no folder: the server loads "
                                   "nothing for it.")
                        .arg(entry.text),
                    tables, entry.position, QString(), entry.text);
        finding.length = int(entry.text.size());
    }
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
         QStringLiteral("a resource id that names no item and no item type"),
         QStringLiteral("An item's RESOURCES names an id that no item definition, item type or "
                        "alias of one defines; the window lists it after each load and the "
                        "server cannot make the item."),
         missingResources},
        {QStringLiteral("duplicate-defname"), Severity::Warning,
         QStringLiteral("a defname defined again; the definition read last is kept"),
         QStringLiteral("Two item definitions have the same defname, compared regardless of "
                        "case; the one read last replaces the other."),
         redefinitions},
        {QStringLiteral("unknown-skill"), Severity::Warning,
         QStringLiteral("a SKILLMAKE skill that no [SKILL n] section of the scripts names"),
         QStringLiteral("A SKILLMAKE entry names a skill that no [SKILL n] section names with "
                        "KEY=; it runs only when the scripts define skills."),
         unknownSkills},
        {QStringLiteral("self-resource"), Severity::Warning,
         QStringLiteral("an item that lists itself among its resources"),
         QStringLiteral("An item needs itself to be made, which no one can do."), selfResources},
        {QStringLiteral("not-utf8"), Severity::Warning,
         QStringLiteral("a script file that is not valid UTF-8, read as Windows-1252"),
         QStringLiteral("The file is not valid UTF-8 and is read, as the server reads it, in "
                        "Windows-1252; the finding stands at the first character outside ASCII "
                        "in a value, so that it can be checked to read as meant."),
         legacyEncodings},
        {QStringLiteral("unreadable"), Severity::Error,
         QStringLiteral("a file or directory below a script directory that cannot be read"),
         QStringLiteral("A file or directory below a script directory cannot be opened or read, "
                        "or a file is not a regular file (a FIFO or a device is refused rather "
                        "than waited on)."),
         unreadableFiles},
        {QStringLiteral("missing-script-file"), Severity::Error,
         QStringLiteral("a file or folder the tables file lists that does not exist"),
         QStringLiteral("A line of the [RESOURCES] section of the server's tables file names no "
                        "script file and no folder; the server starts without the scripts it "
                        "meant."),
         missingScriptFiles},
        {QStringLiteral("undefined-name"), Severity::Error,
         QStringLiteral("a reference to a name that nothing defines"),
         QStringLiteral("A key names something (an item, a template, an item type, an event, a "
                        "region type...) that no section of the scripts defines; the server "
                        "finds out only when the object is first made in play. A defined name "
                        "of an accepted kind within two edits is suggested."),
         undefinedNames},
        {QStringLiteral("wrong-kind"), Severity::Warning,
         QStringLiteral("a name defined as a kind the key does not take"),
         QStringLiteral("The name is defined, but as another kind than the key takes, for "
                        "instance an item type where an area's EVENTS takes region types."),
         wrongKinds},
        {QStringLiteral("unscripted-id"), Severity::Error,
         QStringLiteral("a number where a scripted item is needed, and no numeric [ITEMDEF n] "
                        "defines it"),
         QStringLiteral("ID, DUPEITEM or a menu option gives a number where the server needs "
                        "an item that a numeric [ITEMDEF n] section scripts."),
         unscriptedIds},
        {QStringLiteral("untyped-resource"), Severity::Error,
         QStringLiteral("a resource list element that is a number or an alias of one"),
         QStringLiteral("An element of a resource list is a bare number or an alias of a "
                        "number; the server rejects it and drops the rest of the list."),
         untypedResources},
        {QStringLiteral("duplicate-definition"), Severity::Warning,
         QStringLiteral("a name or numeric id defined again by another section of its kind"),
         QStringLiteral("Two sections of one kind define the same name or numeric id; the server "
                        "keeps the later one. Item defnames are reported by duplicate-defname."),
         duplicateDefinitions},
        {QStringLiteral("random-range"), Severity::Warning,
         QStringLiteral("a {name weight ...} list with an odd number of words or a weight of 0"),
         QStringLiteral("The names and weights of a random list do not pair up, or a weight of "
                        "0 makes a name that can never be chosen."),
         randomRanges},
        {QStringLiteral("bad-name"), Severity::Error,
         QStringLiteral("a defined name with a character other than letters, digits and _"),
         QStringLiteral("The server registers only names of letters, digits and \"_\"; a name "
                        "with any other character is refused, and everything naming it breaks."),
         badNames},
        {QStringLiteral("duplicate-trigger"), Severity::Warning,
         QStringLiteral("the same ON=@trigger twice in one section"),
         QStringLiteral("A section has two blocks for the same trigger, compared regardless of "
                        "case; one of them is code that never runs as meant."),
         duplicateTriggers},
        {QStringLiteral("block-structure"), Severity::Error,
         QStringLiteral("an IF, FOR..., WHILE, DORAND, DOSWITCH or BEGIN block left open, an end "
                        "word or ELSE outside one, a \"(\" or \")\" too many in a condition"),
         QStringLiteral("The code of triggers, functions, speech, dialogs and menus is read as "
                        "the server runs it: any end word closes the innermost block, a block "
                        "left open runs to the end of its code, and an end word or an ELSE "
                        "outside every block ends the code there. Reported: a block never closed, "
                        "with where its code ends; an end word that closes nothing; an ELSE, "
                        "ELIF or ELSEIF outside an IF or after the ELSE of its IF; a \"(\" never "
                        "closed or a \")\" closing none in the condition of an IF, ELIF, ELSEIF "
                        "or WHILE. An end word of another block's kind (FORCHARS ... END, "
                        "IF ... ENDFOR) runs as the right one would and is only a warning."),
         blockStructure},
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
