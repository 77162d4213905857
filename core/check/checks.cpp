// SPDX-License-Identifier: MIT
#include "core/check/checks.h"

#include "core/check/checkcontext.h"
#include "core/check/languagechecks.h"
#include "core/read/itemdefinition.h"

#include <QMap>

#include <algorithm>

namespace tavrel {

namespace {

QString defnameOf(const Use &use)
{
    return use.owner.mid(use.owner.indexOf(u' ') + 1);
}

// An id that names something else, through an alias or not, or that is a number, is the
// business of wrong-kind and untyped-resource; an item type that some item has is a resource.
void missingResources(CheckContext &context)
{
    const ScriptIndex &index = context.index();
    const QList<Use> &uses = context.facts().uses;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        const QString &id = use.name;
        // An empty element is a comma too many, which names nothing.
        if (!(use.flags & Use::ItemResource) || id.isEmpty() || isNumberText(id))
            continue;
        if (context.resolution(i).outcome != Resolution::Undefined || !context.isKept(use) ||
            index.isRecordType(id))
            continue;
        const QString defname = defnameOf(use);
        if (context.isIgnored(defname, id))
            continue;
        context.add(QStringLiteral("Resource \"%1\" is not defined; RESOURCES expects an item or "
                                   "an item type here.")
                        .arg(id),
                    use.location, defname, id);
        context.suggest(kindBit(Kind::Item) | kindBit(Kind::ItemType), true, defname);
    }
}

QString placeOf(const Location &location)
{
    return QStringLiteral("%1:%2").arg(location.file, QString::number(location.line));
}

void redefinitions(CheckContext &context)
{
    const ScriptIndex &index = context.index();
    QMap<QString, QList<FactRef>> byDefname;
    for (const FactRef &ref : index.definitionsOf(context.name())) {
        if (index.definition(ref).record >= 0)
            byDefname[index.record(ref).defname].append(ref);
    }
    for (auto it = byDefname.cbegin(); it != byDefname.cend(); ++it) {
        const QString &defname = it.key();
        const QList<FactRef> &definitions = it.value();
        if (definitions.size() < 2 || context.isIgnored(defname, defname))
            continue;
        const Location &last = index.definition(definitions.constLast()).location;
        for (qsizetype i = 1; i < definitions.size(); ++i) {
            const Location &before = index.definition(definitions.at(i - 1)).location;
            const QString keeps = i + 1 == definitions.size()
                                      ? QStringLiteral("this one")
                                      : QStringLiteral("the one at %1").arg(placeOf(last));
            Finding &finding = context.add(
                QStringLiteral("Defname \"%1\" is defined again (before at %2); the load keeps "
                               "%3.")
                    .arg(defname, placeOf(before), keeps),
                index.definition(definitions.at(i)).location, defname, defname);
            finding.related.append(RelatedPlace{before, QStringLiteral("defined before here")});
        }
    }
}

// A SKILLMAKE entry that names no item and no item type some item has is a skill.
void unknownSkills(CheckContext &context)
{
    const ScriptIndex &index = context.index();
    if (!(index.definedKinds() & kindBit(Kind::Skill))) {
        context.note(QStringLiteral(
            "unknown-skill did not run: the scripts define no skill ([SKILL n] with KEY=)"));
        return;
    }
    for (const Use &use : context.facts().uses) {
        if (!(use.flags & Use::ItemSkill) || !context.isKept(use))
            continue;
        const int name = index.nameOf(use.name);
        if (index.keptRecord(name).isValid() || index.isRecordType(use.name))
            continue;
        const QList<FactRef> &defined = index.definitionsOf(name);
        if (std::any_of(defined.cbegin(), defined.cend(), [&](const FactRef &ref) {
                return index.definition(ref).kind == Kind::Skill;
            }))
            continue;
        const QString skill = capitalised(use.name);
        const QString defname = defnameOf(use);
        if (context.isIgnored(defname, skill))
            continue;
        context.add(
            QStringLiteral("Skill \"%1\" is none of the skills the scripts define.").arg(skill),
            use.location, defname, skill);
    }
}

void selfResources(CheckContext &context)
{
    for (const Use &use : context.facts().uses) {
        if (!(use.flags & Use::ItemResource))
            continue;
        const QString defname = defnameOf(use);
        if (use.name != defname || context.isIgnored(defname, defname) || !context.isKept(use))
            continue;
        context.add(QStringLiteral("Item \"%1\" lists itself among its resources.").arg(defname),
                    use.location, defname, defname);
    }
}

void legacyEncodings(CheckContext &context)
{
    const Location &character = context.facts().legacyCharacter;
    if (character.line == 0 || context.isIgnored(QString(), QString()))
        return;
    context.add(QStringLiteral("The file is not valid UTF-8; it was read as Windows-1252, so "
                               "this character is what that code page makes of its byte."),
                character, QString(), QString());
}

QString unreadableText(const QString &reason)
{
    return QStringLiteral("Cannot be read: %1.").arg(reason);
}

void unreadableFiles(CheckContext &context)
{
    const QString &problem = context.facts().problem;
    if (problem.isEmpty() || context.isIgnored(QString(), QString()))
        return;
    context.add(unreadableText(problem), Location{context.index().path(context.file())}, QString(),
                QString());
}

void unreadableDirectories(CheckContext &context)
{
    if (context.isIgnored(QString(), QString()))
        return;
    for (const auto &[path, reason] : context.project().unreadableDirectories)
        context.add(unreadableText(reason), Location{path}, QString(), QString());
}

void missingScriptFiles(CheckContext &context)
{
    for (const auto &[tables, entry] : context.project().missingScriptFiles) {
        if (context.isIgnored(QString(), entry.text))
            continue;
        context.add(QStringLiteral("\"%1\" names no script file and no folder: the server loads "
                                   "nothing for it.")
                        .arg(entry.text),
                    Location::at(tables, entry.position, characterCount(entry.text)), QString(),
                    entry.text);
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
         missingResources, nullptr, nullptr},
        {QStringLiteral("duplicate-defname"), Severity::Warning,
         QStringLiteral("a defname defined again; the definition read last is kept"),
         QStringLiteral("Two item definitions have the same defname, compared regardless of "
                        "case; the one read last replaces the other."),
         nullptr, redefinitions, nullptr},
        {QStringLiteral("unknown-skill"), Severity::Warning,
         QStringLiteral("a SKILLMAKE skill that no [SKILL n] section of the scripts names"),
         QStringLiteral("A SKILLMAKE entry names a skill that no [SKILL n] section names with "
                        "KEY=; it runs only when the scripts define skills."),
         unknownSkills, nullptr, nullptr},
        {QStringLiteral("self-resource"), Severity::Warning,
         QStringLiteral("an item that lists itself among its resources"),
         QStringLiteral("An item needs itself to be made, which no one can do."), selfResources,
         nullptr, nullptr},
        {QStringLiteral("not-utf8"), Severity::Warning,
         QStringLiteral("a script file that is not valid UTF-8, read as Windows-1252"),
         QStringLiteral("The file is not valid UTF-8 and is read, as the server reads it, in "
                        "Windows-1252; the finding stands at the first character outside ASCII "
                        "in a value, so that it can be checked to read as meant."),
         legacyEncodings, nullptr, nullptr},
        {QStringLiteral("unreadable"), Severity::Error,
         QStringLiteral("a file or directory below a script directory that cannot be read"),
         QStringLiteral("A file or directory below a script directory cannot be opened or read, "
                        "or a file is not a regular file (a FIFO or a device is refused rather "
                        "than waited on)."),
         unreadableFiles, nullptr, unreadableDirectories},
        {QStringLiteral("missing-script-file"), Severity::Error,
         QStringLiteral("a file or folder the tables file lists that does not exist"),
         QStringLiteral("A line of the [RESOURCES] section of the server's tables file names no "
                        "script file and no folder; the server starts without the scripts it "
                        "meant."),
         nullptr, nullptr, missingScriptFiles},
        {QStringLiteral("undefined-name"), Severity::Error,
         QStringLiteral("a reference to a name that nothing defines"),
         QStringLiteral("A key or a line of code names something (an item, a template, an item "
                        "type, an event, a region type, a dialog, a [DEFNAME] constant...) that "
                        "no section of the scripts defines; the server finds out only when the "
                        "object is first made or the code first runs in play. Code is read as "
                        "the server runs it: what NEWITEM, NEWNPC, ADD, DIALOG, CAST, EVENTS "
                        "+x... name, <DEF.x>, FINDID.x, ISEVENT.x and SERV.ITEMDEF.x in "
                        "expressions, bare i_, c_ and t_ names an IF, ELIF or WHILE compares, "
                        "and the functions a line, CALL, TRY or TIMERF calls; a verb that no "
                        "[FUNCTION] defines is the server's own unless its name starts with "
                        "f_. A defined name of an accepted kind within two edits is suggested."),
         undefinedNames, nullptr, nullptr},
        {QStringLiteral("wrong-kind"), Severity::Warning,
         QStringLiteral("a name defined as a kind the key does not take"),
         QStringLiteral("The name is defined, but as another kind than the key takes, for "
                        "instance an item type where an area's EVENTS takes region types."),
         wrongKinds, nullptr, nullptr},
        {QStringLiteral("undefined-def0"), Severity::Warning,
         QStringLiteral("a <DEF0.x> or <RESDEF0.x> whose name nothing defines (off unless "
                        "enabled)"),
         QStringLiteral("Code reads <DEF0.x> and <RESDEF0.x> as 0 where nothing defines the "
                        "name, which scripts often mean: a setting a shard may leave out. Where "
                        "every such name should be defined, enable the check to list those that "
                        "are not."),
         undefinedDefaults, nullptr, nullptr, true},
        {QStringLiteral("unscripted-id"), Severity::Error,
         QStringLiteral("a number where a scripted item is needed, and no numeric [ITEMDEF n] "
                        "defines it"),
         QStringLiteral("ID, DUPEITEM or a menu option gives a number where the server needs "
                        "an item that a numeric [ITEMDEF n] section scripts."),
         unscriptedIds, nullptr, nullptr},
        {QStringLiteral("untyped-resource"), Severity::Error,
         QStringLiteral("a resource list element that is a number or an alias of one"),
         QStringLiteral("An element of a resource list is a bare number or an alias of a "
                        "number; the server rejects it and drops the rest of the list."),
         untypedResources, nullptr, nullptr},
        {QStringLiteral("duplicate-definition"), Severity::Warning,
         QStringLiteral("a name or numeric id defined again by another section of its kind"),
         QStringLiteral("Two sections of one kind define the same name or numeric id; the server "
                        "keeps the later one. Item defnames are reported by duplicate-defname."),
         nullptr, duplicateDefinitions, nullptr},
        {QStringLiteral("random-range"), Severity::Warning,
         QStringLiteral("a {name weight ...} list with an odd number of words or a weight of 0"),
         QStringLiteral("The names and weights of a random list do not pair up, or a weight of "
                        "0 makes a name that can never be chosen."),
         randomRanges, nullptr, nullptr},
        {QStringLiteral("bad-name"), Severity::Error,
         QStringLiteral("a defined name with a character other than letters, digits and _"),
         QStringLiteral("The server registers only names of letters, digits and \"_\"; a name "
                        "with any other character is refused, and everything naming it breaks."),
         badNames, nullptr, nullptr},
        {QStringLiteral("duplicate-trigger"), Severity::Warning,
         QStringLiteral("the same ON=@trigger twice in one section"),
         QStringLiteral("A section has two blocks for the same trigger, compared regardless of "
                        "case; one of them is code that never runs as meant."),
         duplicateTriggers, nullptr, nullptr},
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
         blockStructure, nullptr, nullptr},
    };
    return table;
}

bool CheckOptions::runs(const Check &check) const
{
    if (disabled.contains(check.id))
        return false;
    return !check.offByDefault || enabled.contains(check.id);
}

void CheckOptions::enable(const QString &id)
{
    disabled.remove(id);
    enabled.insert(id);
}

void CheckOptions::disable(const QString &id)
{
    enabled.remove(id);
    disabled.insert(id);
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
