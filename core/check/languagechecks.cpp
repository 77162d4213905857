// SPDX-License-Identifier: MIT
#include "core/check/languagechecks.h"

#include "core/check/checkrun.h"
#include "core/load/scriptload.h"

#include <QHash>

#include <map>
#include <tuple>

namespace tavrel {

namespace {

const QString resourcesKey = QStringLiteral("RESOURCES");

// "an item or a template", "a region type", "a defined name".
QString kindsText(Kinds kinds)
{
    if (kinds == everyKind)
        return QStringLiteral("a defined name");
    QStringList names;
    for (int kind = 0; kind < int(Kind::Count); ++kind) {
        if (kinds & kindBit(Kind(kind)))
            names.append(QString(kindName(Kind(kind))));
    }
    QString text = names.join(QLatin1String(", "));
    const qsizetype last = text.lastIndexOf(QLatin1String(", "));
    if (last >= 0)
        text.replace(last, 2, QLatin1String(" or "));
    const QChar first = text.isEmpty() ? QChar() : text.at(0);
    const bool vowel = QStringLiteral("aeiou").contains(first);
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + text;
}

QString keyText(const Reference &reference)
{
    return reference.key;
}

// The name of the section a reference stands in, for "(in ...)".
QString ownerName(const Reference &reference)
{
    const qsizetype blank = reference.owner.indexOf(u' ');
    return blank < 0 ? reference.owner : reference.owner.mid(blank + 1);
}

QString placeOf(const LoadedScripts &loaded, int file, TextPosition position)
{
    return QStringLiteral("%1:%2").arg(loaded.files.at(file), QString::number(position.line));
}

// An alias's own words are text: they are checked where a key reads the alias.
bool checked(CheckRun &run, const Reference &reference)
{
    return !(reference.flags & Reference::AliasValue) &&
           !run.isIgnored(ownerName(reference), reference.shown());
}

Finding &report(CheckRun &run, const Reference &reference, const QString &message)
{
    const LoadedScripts &loaded = run.loaded();
    Finding &finding = run.add(message, loaded.files.at(reference.file), reference.position,
                               ownerName(reference), reference.shown());
    finding.length = int(reference.shown().size());
    return finding;
}

// The resource a number or an alias to one stands in place of, and what the server drops.
QString droppedText(const Reference &reference)
{
    const QString rest = reference.rest();
    if (rest.isEmpty())
        return QStringLiteral("the server rejects the element.");
    return QStringLiteral("the server rejects it and drops the rest of the list with it: %1.")
        .arg(rest);
}

// Where a character stands in a line of text, counted as the columns are.
int columnsIn(QStringView text)
{
    int columns = 0;
    for (const QChar c : text)
        columns += c.isLowSurrogate() ? 0 : 1;
    return columns;
}

// "loot_a" (defined at items.scp:12) holds "i_missing": the aliases followed from a reference
// to the name one of them holds, each a related place of the finding.
void reportHeld(CheckRun &run, const Reference &reference, const Resolution &resolution)
{
    const LoadedScripts &loaded = run.loaded();
    const ScriptLanguage &language = loaded.language;
    const Definition &first = language.definitions.at(resolution.aliases.constFirst());
    const Definition &last = language.definitions.at(resolution.aliases.constLast());
    Finding &finding = report(
        run, reference,
        QStringLiteral("\"%1\" (defined at %2) holds \"%3\", which is not defined; %4 expects "
                       "%5 here.")
            .arg(reference.shown(), placeOf(loaded, first.file, first.position), resolution.held,
                 keyText(reference), kindsText(reference.accepted)));
    for (const int index : resolution.aliases) {
        const Definition &alias = language.definitions.at(index);
        if (&alias == &last)
            break;
        finding.related.append(
            RelatedPlace{loaded.files.at(alias.file), alias.position,
                         QStringLiteral("\"%1\" is an alias").arg(alias.shown())});
    }
    const TextPosition held{last.valuePosition.line,
                            last.valuePosition.column +
                                columnsIn(QStringView(last.value).left(resolution.heldAt))};
    finding.related.append(RelatedPlace{
        loaded.files.at(last.file), held,
        QStringLiteral("\"%1\" holds \"%2\" here").arg(last.shown(), resolution.held)});
    run.suggest(reference.accepted, true, QString(), resolution.held);
}

} // namespace

QList<Reference> unlinkedResources(const LoadedScripts &loaded)
{
    QList<Reference> references;
    // A record's entries naming nothing come one after the other: its list is written once
    // for all of them, with where each entry starts in it.
    const ScriptRecord *record = nullptr;
    QString list;
    QList<qsizetype> starts;
    QString owner;
    int file = -1;
    for (const MissingResourceUse &use : loaded.missing) {
        if (!record || record->fields.defname != use.defname) {
            record = &*loaded.records.constFind(use.defname);
            list.clear();
            starts.clear();
            for (const ResourceEntry &entry : record->entries.resources) {
                if (!list.isEmpty())
                    list.append(QLatin1String(", "));
                starts.append(list.size());
                list.append(QStringLiteral("%1 %2").arg(QString::number(entry.amount), entry.id));
            }
            owner = QStringLiteral("ITEMDEF ") + use.defname;
            file = int(loaded.files.indexOf(record->place.file));
        }
        const QList<ResourceEntry> &entries = record->entries.resources;
        const int element = use.resource.element;
        Reference reference;
        reference.name = use.resource.id;
        reference.flags = Reference::ResourceElement;
        reference.shape = Shape::ResourceList;
        reference.position = TextPosition{
            record->place.resourcesLine, element < entries.size() ? entries.at(element).column : 0};
        reference.key = resourcesKey;
        reference.owner = owner;
        reference.list = list;
        reference.restFrom = element + 1 < starts.size() ? starts.at(element + 1) : -1;
        reference.file = file;
        references.append(std::move(reference));
    }
    return references;
}

void undefinedNames(CheckRun &run)
{
    const Kinds defined = run.loaded().language.definedKinds();
    bool skipped = false;
    for (const CheckRun::Resolved &entry : run.resolved()) {
        const Reference &reference = *entry.reference;
        const Resolution &resolution = entry.resolution;
        if (entry.itemResource || isNumberText(reference.name) || !checked(run, reference))
            continue;
        if (resolution.outcome == Resolution::Defined) {
            if (!resolution.held.isEmpty())
                reportHeld(run, reference, resolution);
            continue;
        }
        // A pack that defines no name of the kinds a key takes is a part of one: its references
        // to the rest are not errors.
        if (!(reference.accepted & defined)) {
            skipped = true;
            continue;
        }
        if (resolution.outcome == Resolution::Unresolved) {
            report(run, reference,
                   QStringLiteral("\"%1\" is an alias that leads back to itself or through more "
                                  "than eight aliases; the server cannot resolve it.")
                       .arg(reference.shown()));
            continue;
        }
        report(run, reference,
               QStringLiteral("\"%1\" is not defined; %2 expects %3 here.")
                   .arg(reference.shown(), keyText(reference), kindsText(reference.accepted)));
        run.suggest(reference.accepted, true, ownerName(reference).toLower());
    }
    if (skipped)
        run.note(QStringLiteral("undefined-name left out references to kinds the scripts define "
                                "no name of"));
}

void wrongKinds(CheckRun &run)
{
    for (const CheckRun::Resolved &entry : run.resolved()) {
        const Reference &reference = *entry.reference;
        const Resolution &resolution = entry.resolution;
        if (resolution.outcome != Resolution::Defined || resolution.kinds == 0 ||
            (resolution.kinds & reference.accepted) || !checked(run, reference))
            continue;
        report(run, reference,
               QStringLiteral("\"%1\" is %2, but %3 expects %4.")
                   .arg(reference.shown(), kindsText(resolution.kinds), keyText(reference),
                        kindsText(reference.accepted)));
    }
}

void unscriptedIds(CheckRun &run)
{
    const ScriptLanguage &language = run.loaded().language;
    for (const CheckRun::Resolved &entry : run.resolved()) {
        const Reference &reference = *entry.reference;
        if (!(reference.flags & Reference::ScriptedNumber) || !checked(run, reference))
            continue;
        qint64 number = scriptNumber(reference.name);
        if (number < 0) {
            if (entry.resolution.kinds != 0)
                continue;
            number = entry.resolution.number;
        }
        if (number < 0 || language.definesItemNumber(number))
            continue;
        report(run, reference,
               QStringLiteral("%1 needs a scripted item, and no numeric [ITEMDEF] section "
                              "defines %2.")
                   .arg(reference.key, reference.shown()));
    }
}

// The server drops the rest of a list with the element it rejects: the first is the one to
// mend, and the ones after it are never read.
void untypedResources(CheckRun &run)
{
    const QChar *reportedList = nullptr;
    int reportedFile = -1;
    for (const CheckRun::Resolved &entry : run.resolved()) {
        const Reference &reference = *entry.reference;
        if (!(reference.flags & Reference::ResourceElement) || !checked(run, reference))
            continue;
        const bool inReportedList =
            reference.file == reportedFile && reference.list.constData() == reportedList;
        if (inReportedList)
            continue;
        if (isNumberText(reference.name)) {
            report(run, reference,
                   QStringLiteral("\"%1\" is a number, not the name of a resource; %2")
                       .arg(reference.shown(), droppedText(reference)));
            reportedList = reference.list.constData();
            reportedFile = reference.file;
            continue;
        }
        if (entry.resolution.kinds != 0 || entry.resolution.number < 0)
            continue;
        reportedList = reference.list.constData();
        reportedFile = reference.file;
        report(run, reference,
               QStringLiteral("\"%1\" is an alias of a number, not the name of a resource; %2")
                   .arg(reference.shown(), droppedText(reference)));
    }
}

void duplicateDefinitions(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    const QList<Definition> &definitions = loaded.language.definitions;
    // Item defnames are duplicate-defname's, a numeric id without a DEFNAME among them; every
    // other name and numeric id is here.
    // An alias is text until it is used; a book's pages and a dialog's parts, an item type's
    // number and its code, a multi's number and an item's, are not the same definition.
    const auto counted = [&](const Definition &definition) {
        if (definition.kind == Kind::Alias)
            return false;
        return definition.kind != Kind::Item ||
               (definition.number >= 0 && !loaded.redefinitions.contains(definition.name));
    };
    const auto facet = [](const Definition &definition) {
        return std::make_tuple(int(definition.kind), definition.origin == Definition::TypeNumber,
                               definition.multi, definition.part);
    };
    QList<QList<int>> repeated;
    // The same section naming itself twice (a header and its DEFNAME) is one definition.
    const auto addTo = [&](QList<int> &same, int index) {
        const Definition &definition = definitions.at(index);
        if (!same.isEmpty()) {
            const Definition &last = definitions.at(same.constLast());
            if (last.file == definition.file && last.section == definition.section)
                return;
        }
        same.append(index);
    };
    // Names come grouped by the language's table; only names defined twice are looked at.
    for (const QList<int> &named : loaded.language.definitionsByName()) {
        if (named.size() < 2)
            continue;
        std::map<decltype(facet(definitions.at(0))), QList<int>> byFacet;
        for (const int index : named) {
            const Definition &definition = definitions.at(index);
            if (counted(definition))
                addTo(byFacet[facet(definition)], index);
        }
        for (const auto &[key, same] : byFacet) {
            if (same.size() > 1)
                repeated.append(same);
        }
    }
    QHash<QPair<int, qint64>, QList<int>> byNumber;
    for (int i = 0; i < definitions.size(); ++i) {
        const Definition &definition = definitions.at(i);
        if (definition.number >= 0 && counted(definition))
            addTo(byNumber[{int(definition.kind) * 2 + int(definition.multi), definition.number}],
                  i);
    }
    for (const QList<int> &same : std::as_const(byNumber)) {
        if (same.size() > 1)
            repeated.append(same);
    }
    std::sort(repeated.begin(), repeated.end());
    for (const QList<int> &same : std::as_const(repeated)) {
        const Definition &kept = definitions.at(same.constLast());
        for (qsizetype n = 1; n < same.size(); ++n) {
            const Definition &definition = definitions.at(same.at(n));
            const Definition &before = definitions.at(same.at(n - 1));
            // An item defined again under its number and defname is duplicate-defname's.
            const bool sameItem = definition.kind == Kind::Item && !definition.label.isEmpty() &&
                                  definition.label.compare(before.label, Qt::CaseInsensitive) == 0;
            if (sameItem || run.isIgnored(definition.owner().toLower(), definition.shown()))
                continue;
            const QString keeps = n + 1 == same.size()
                                      ? QStringLiteral("this one")
                                      : QStringLiteral("the one at %1")
                                            .arg(placeOf(loaded, kept.file, kept.position));
            Finding &finding =
                run.add(QStringLiteral("The %1 \"%2\" is defined again (before at %3); the "
                                       "server keeps %4.")
                            .arg(kindName(definition.kind), definition.shown(),
                                 placeOf(loaded, before.file, before.position), keeps),
                        loaded.files.at(definition.file), definition.position, definition.owner(),
                        definition.shown());
            finding.length = int(definition.shown().size());
            finding.related.append(RelatedPlace{loaded.files.at(before.file), before.position,
                                                QStringLiteral("defined before here")});
        }
    }
}

void randomRanges(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    if (run.isIgnored(QString(), QString()))
        return;
    for (const RandomList &list : loaded.language.randomLists) {
        if (list.elements >= 3 && list.elements % 2 != 0)
            run.add(QStringLiteral("This {...} list has an odd number of elements: its names and "
                                   "weights do not pair up."),
                    loaded.files.at(list.file), list.position, QString(), QString());
        for (const TextPosition &zero : list.zeroWeights)
            run.add(QStringLiteral("A weight of 0 in a {...} list: the name before it is never "
                                   "chosen."),
                    loaded.files.at(list.file), zero, QString(), QString());
    }
}

void badNames(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    // The server stores the keys of [DEFNAME] and [TYPEDEFS] as written; it registers the names
    // of sections.
    for (const Definition &definition : loaded.language.definitions) {
        if (definition.number >= 0 || definition.origin != Definition::Section)
            continue;
        const bool plain =
            std::all_of(definition.name.cbegin(), definition.name.cend(), [](QChar c) {
                const char16_t u = c.unicode();
                return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       u == '_';
            });
        if (plain || run.isIgnored(definition.name, definition.shown()))
            continue;
        Finding &finding =
            run.add(QStringLiteral("\"%1\" has a character other than letters, digits and "
                                   "\"_\": the server refuses to register the name.")
                        .arg(definition.shown()),
                    loaded.files.at(definition.file), definition.position, definition.shown(),
                    definition.shown());
        finding.length = int(definition.shown().size());
    }
}

void duplicateTriggers(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    const QList<Trigger> &triggers = loaded.language.triggers;
    // A section's triggers follow one another and are few: each is compared with those before
    // it in its section.
    qsizetype sectionStart = 0;
    for (qsizetype i = 0; i < triggers.size(); ++i) {
        const Trigger &trigger = triggers.at(i);
        if (trigger.file != triggers.at(sectionStart).file ||
            trigger.section != triggers.at(sectionStart).section)
            sectionStart = i;
        const auto sectionEnd = triggers.cbegin() + i;
        const auto before =
            std::find_if(triggers.cbegin() + sectionStart, sectionEnd,
                         [&](const Trigger &other) { return other.name == trigger.name; });
        if (before == sectionEnd || run.isIgnored(QString(), trigger.name))
            continue;
        Finding &finding =
            run.add(QStringLiteral("Trigger @%1 is written again in this section (before at line "
                                   "%2).")
                        .arg(trigger.name, QString::number(before->position.line)),
                    loaded.files.at(trigger.file), trigger.position, QString(), trigger.name);
        finding.related.append(RelatedPlace{loaded.files.at(trigger.file), before->position,
                                            QStringLiteral("written before here")});
    }
}

namespace {

// "the trigger", "the function": what the server stops running or runs to its end.
QString codeName(ScriptBlock::Kind code)
{
    switch (code) {
    case ScriptBlock::Trigger:
        return QStringLiteral("the trigger");
    case ScriptBlock::Speech:
        return QStringLiteral("the speech trigger");
    case ScriptBlock::Button:
        return QStringLiteral("the button's code");
    case ScriptBlock::MenuOption:
        return QStringLiteral("the menu option's code");
    case ScriptBlock::Function:
        return QStringLiteral("the function");
    case ScriptBlock::DialogLayout:
        break;
    }
    return QStringLiteral("the dialog's layout");
}

QString blockMessage(const BlockProblem &problem)
{
    const QString line = QString::number(problem.other.line);
    switch (problem.fault) {
    case BlockProblem::Unclosed:
        return QStringLiteral("%1 is never closed: everything after it, to the end of %2, is in "
                              "its block.")
            .arg(problem.word, codeName(problem.code));
    case BlockProblem::StrayEnd:
        return QStringLiteral("%1 closes no block: the server ends %2 here.")
            .arg(problem.word, codeName(problem.code));
    case BlockProblem::StrayElse:
        if (problem.otherWord.isEmpty())
            return QStringLiteral("%1 stands in no IF: the server ends %2 here.")
                .arg(problem.word, codeName(problem.code));
        return QStringLiteral("%1 stands in the %2 of line %3, not in an IF.")
            .arg(problem.word, problem.otherWord, line);
    case BlockProblem::AfterElse:
        return QStringLiteral("%1 follows the ELSE of its IF, at line %2.").arg(problem.word, line);
    case BlockProblem::OtherEnd:
        return QStringLiteral("%1 closes the %2 of line %3, a block of another kind: the server "
                              "takes any end word, but these do not match.")
            .arg(problem.word, problem.otherWord, line);
    case BlockProblem::OpenParenthesis:
        return QStringLiteral("This \"(\" is never closed in the condition of %1.")
            .arg(problem.otherWord);
    case BlockProblem::ClosingParenthesis:
        break;
    }
    return QStringLiteral("This \")\" closes no \"(\" in the condition of %1.")
        .arg(problem.otherWord);
}

} // namespace

void blockStructure(CheckRun &run)
{
    const LoadedScripts &loaded = run.loaded();
    for (const BlockProblem &problem : loaded.language.blockProblems) {
        if (run.isIgnored(problem.owner.toLower(), problem.word))
            continue;
        const QString &file = loaded.files.at(problem.file);
        Finding &finding =
            run.add(blockMessage(problem), file, problem.position, problem.owner, problem.word);
        finding.length = int(problem.word.size());
        switch (problem.fault) {
        case BlockProblem::Unclosed:
            finding.related.append(RelatedPlace{
                file, problem.other, QStringLiteral("%1 ends here").arg(codeName(problem.code))});
            break;
        case BlockProblem::StrayElse:
            if (!problem.otherWord.isEmpty())
                finding.related.append(
                    RelatedPlace{file, problem.other, QStringLiteral("the block it stands in")});
            break;
        case BlockProblem::AfterElse:
            finding.related.append(
                RelatedPlace{file, problem.other, QStringLiteral("the ELSE of the IF")});
            break;
        case BlockProblem::OtherEnd:
            // The server runs the code as it does with the right word: a warning.
            finding.severity = Severity::Warning;
            finding.related.append(
                RelatedPlace{file, problem.other, QStringLiteral("the block it closes")});
            break;
        default:
            break;
        }
    }
}

} // namespace tavrel
