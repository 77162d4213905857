// SPDX-License-Identifier: MIT
#include "core/check/languagechecks.h"

#include "core/check/checkcontext.h"

#include <map>
#include <tuple>

namespace tavrel {

namespace {

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

// The name of the section a use stands in, for "(in ...)".
QString ownerName(const Use &use)
{
    const qsizetype blank = use.owner.indexOf(u' ');
    return blank < 0 ? use.owner : use.owner.mid(blank + 1);
}

QString placeOf(const Location &location)
{
    return QStringLiteral("%1:%2").arg(location.file, QString::number(location.line));
}

// An alias's own words are text: they are checked where a key reads the alias. An item's
// entries are the item checks'.
bool checked(CheckContext &context, const Use &use)
{
    return !(use.flags & Use::AliasValue) && !use.isItemEntry() &&
           !(context.ignores() && context.isIgnored(ownerName(use), use.shown()));
}

Finding &report(CheckContext &context, const Use &use, const QString &message)
{
    return context.add(message, use.location, ownerName(use), use.shown());
}

// The resource a number or an alias to one stands in place of, and what the server drops.
QString droppedText(const Use &use)
{
    const QString rest = use.rest();
    if (rest.isEmpty())
        return QStringLiteral("the server rejects the element.");
    return QStringLiteral("the server rejects it and drops the rest of the list with it: %1.")
        .arg(rest);
}

// "loot_a" (defined at items.scp:12) holds "i_missing": the aliases followed from a use to the
// name one of them holds, each a related place of the finding.
void reportHeld(CheckContext &context, const Use &use, const Resolution &resolution)
{
    const ScriptIndex &index = context.index();
    const Definition &first = index.definition(resolution.aliases.constFirst());
    const Definition &last = index.definition(resolution.aliases.constLast());
    Finding &finding = report(
        context, use,
        QStringLiteral("\"%1\" (defined at %2) holds \"%3\", which is not defined; %4 expects "
                       "%5 here.")
            .arg(use.shown(), placeOf(first.location), resolution.held, use.key,
                 kindsText(use.accepted)));
    for (const FactRef &ref : resolution.aliases) {
        const Definition &alias = index.definition(ref);
        if (&alias == &last)
            break;
        finding.related.append(
            RelatedPlace{alias.location, QStringLiteral("\"%1\" is an alias").arg(alias.shown())});
    }
    const Location &value = last.valueLocation;
    const Location held{value.file, value.line,
                        value.column +
                            characterCount(QStringView(last.value).left(resolution.heldAt)),
                        characterCount(resolution.held)};
    finding.related.append(RelatedPlace{
        held, QStringLiteral("\"%1\" holds \"%2\" here").arg(last.shown(), resolution.held)});
    context.suggest(use.accepted, true, QString(), resolution.held);
}

// A verb of code that names no function is the server's own, but for the names the scripts
// give functions alone.
bool isServerVerb(const Use &use)
{
    return use.isCall() && !use.name.startsWith(QLatin1String("f_"));
}

} // namespace

void undefinedNames(CheckContext &context)
{
    const Kinds defined = context.index().definedKinds();
    const QList<Use> &uses = context.facts().uses;
    bool skipped = false;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        // A name the code reads as 0 where it is missing is undefined-def0's.
        if (isNumberText(use.name) || (use.flags & Use::Optional) || isServerVerb(use) ||
            !checked(context, use))
            continue;
        const Resolution &resolution = context.resolution(i);
        if (resolution.outcome == Resolution::Defined) {
            if (!resolution.held.isEmpty())
                reportHeld(context, use, resolution);
            continue;
        }
        // A pack that defines no name of the kinds a key takes is a part of one: its uses of
        // the rest are not errors.
        if (!(use.accepted & defined)) {
            skipped = true;
            continue;
        }
        if (resolution.outcome == Resolution::Unresolved) {
            report(context, use,
                   QStringLiteral("\"%1\" is an alias that leads back to itself or through more "
                                  "than eight aliases; the server cannot resolve it.")
                       .arg(use.shown()));
            continue;
        }
        if (use.isCall())
            report(context, use,
                   QStringLiteral("\"%1\" is not defined: no [FUNCTION] section defines it, and "
                                  "the server has no verb of that name.")
                       .arg(use.shown()));
        else
            report(context, use,
                   QStringLiteral("\"%1\" is not defined; %2 expects %3 here.")
                       .arg(use.shown(), use.key, kindsText(use.accepted)));
        context.suggest(use.accepted, true, ownerName(use).toLower());
    }
    if (skipped)
        context.note(QStringLiteral("undefined-name left out references to kinds the scripts "
                                    "define no name of"));
}

void wrongKinds(CheckContext &context)
{
    const QList<Use> &uses = context.facts().uses;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        // A verb that names something else than a function is the server's own.
        if (isNumberText(use.name) || use.isCall() || !checked(context, use))
            continue;
        const Resolution &resolution = context.resolution(i);
        if (resolution.outcome != Resolution::Defined || resolution.kinds == 0 ||
            (resolution.kinds & use.accepted))
            continue;
        report(
            context, use,
            QStringLiteral("\"%1\" is %2, but %3 expects %4.")
                .arg(use.shown(), kindsText(resolution.kinds), use.key, kindsText(use.accepted)));
    }
}

void undefinedDefaults(CheckContext &context)
{
    const QList<Use> &uses = context.facts().uses;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        if (!(use.flags & Use::Optional) || !checked(context, use) ||
            context.resolution(i).outcome != Resolution::Undefined)
            continue;
        report(
            context, use,
            QStringLiteral("\"%1\" is not defined: %2 reads 0 for it.").arg(use.shown(), use.key));
        context.suggest(use.accepted, true, ownerName(use).toLower());
    }
}

void unscriptedIds(CheckContext &context)
{
    const ScriptIndex &index = context.index();
    const QList<Use> &uses = context.facts().uses;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        if (!(use.flags & Use::ScriptedNumber) || !checked(context, use))
            continue;
        qint64 number = scriptNumber(use.name);
        if (number < 0) {
            const Resolution &resolution = context.resolution(i);
            if (resolution.kinds != 0)
                continue;
            number = resolution.number;
        }
        if (number < 0 || index.definesItemNumber(number))
            continue;
        report(context, use,
               QStringLiteral("%1 needs a scripted item, and no numeric [ITEMDEF] section "
                              "defines %2.")
                   .arg(use.key, use.shown()));
    }
}

// The server drops the rest of a list with the element it rejects: the first is the one to
// mend, and the ones after it are never read. Elements of one list share its text.
void untypedResources(CheckContext &context)
{
    const QList<Use> &uses = context.facts().uses;
    const QChar *reportedList = nullptr;
    for (int i = 0; i < uses.size(); ++i) {
        const Use &use = uses.at(i);
        if (!(use.flags & Use::ResourceElement) || use.list.constData() == reportedList ||
            (use.flags & Use::AliasValue) ||
            (context.ignores() && context.isIgnored(ownerName(use), use.shown())))
            continue;
        // An item's entries are linked only for the record kept for its defname.
        if ((use.flags & Use::ItemResource) && !context.isKept(use))
            continue;
        if (isNumberText(use.name)) {
            report(context, use,
                   QStringLiteral("\"%1\" is a number, not the name of a resource; %2")
                       .arg(use.shown(), droppedText(use)));
            reportedList = use.list.constData();
            continue;
        }
        const Resolution &resolution = context.resolution(i);
        if (resolution.kinds != 0 || resolution.number < 0)
            continue;
        reportedList = use.list.constData();
        report(context, use,
               QStringLiteral("\"%1\" is an alias of a number, not the name of a resource; %2")
                   .arg(use.shown(), droppedText(use)));
    }
}

void duplicateDefinitions(CheckContext &context)
{
    const ScriptIndex &index = context.index();
    const QList<FactRef> &named = index.definitionsOf(context.name());
    // Item defnames are duplicate-defname's; an alias is text until it is used; a book's pages
    // and a dialog's parts, an item type's number and its code, a multi's number and an item's,
    // are not the same definition.
    const auto counted = [](const Definition &definition) {
        if (definition.kind == Kind::Alias)
            return false;
        return definition.kind != Kind::Item || definition.number >= 0;
    };
    const auto facet = [](const Definition &definition) {
        return std::make_tuple(int(definition.kind), definition.origin == Definition::TypeNumber,
                               definition.multi, definition.part);
    };
    std::map<decltype(facet(Definition())), QList<FactRef>> byFacet;
    for (const FactRef &ref : named) {
        const Definition &definition = index.definition(ref);
        if (!counted(definition))
            continue;
        QList<FactRef> &same = byFacet[facet(definition)];
        // The same section naming itself twice (a header and its DEFNAME) is one definition.
        if (!same.isEmpty()) {
            const Definition &last = index.definition(same.constLast());
            if (last.file == definition.file && last.section == definition.section)
                continue;
        }
        same.append(ref);
    }
    // A numbered item defined again with its defname is that defname's own definition again.
    const auto defnameOf = [&](const Definition &definition) {
        return definition.record >= 0
                   ? index.facts(definition.file).records.at(definition.record).defname
                   : definition.label.toLower();
    };
    for (const auto &[key, same] : byFacet) {
        if (same.size() < 2)
            continue;
        const Definition &kept = index.definition(same.constLast());
        for (qsizetype n = 1; n < same.size(); ++n) {
            const Definition &definition = index.definition(same.at(n));
            const Definition &before = index.definition(same.at(n - 1));
            const bool sameItem =
                definition.kind == Kind::Item && defnameOf(definition) == defnameOf(before);
            if (sameItem || context.isIgnored(definition.owner().toLower(), definition.shown()))
                continue;
            const QString keeps = n + 1 == same.size()
                                      ? QStringLiteral("this one")
                                      : QStringLiteral("the one at %1").arg(placeOf(kept.location));
            Finding &finding = context.add(
                QStringLiteral("The %1 \"%2\" is defined again (before at %3); the server keeps "
                               "%4.")
                    .arg(kindName(definition.kind), definition.shown(), placeOf(before.location),
                         keeps),
                definition.location, definition.owner(), definition.shown());
            finding.related.append(
                RelatedPlace{before.location, QStringLiteral("defined before here")});
        }
    }
}

void randomRanges(CheckContext &context)
{
    if (context.isIgnored(QString(), QString()))
        return;
    for (const RandomList &list : context.facts().randomLists) {
        if (list.elements >= 3 && list.elements % 2 != 0)
            context.add(QStringLiteral("This {...} list has an odd number of elements: its names "
                                       "and weights do not pair up."),
                        list.location, QString(), QString());
        for (const Location &zero : list.zeroWeights)
            context.add(QStringLiteral("A weight of 0 in a {...} list: the name before it is "
                                       "never chosen."),
                        zero, QString(), QString());
    }
}

void badNames(CheckContext &context)
{
    // The server stores the keys of [DEFNAME] and [TYPEDEFS] as written; it registers the names
    // of sections.
    for (const Definition &definition : context.facts().definitions) {
        if (definition.number >= 0 || definition.origin != Definition::Section)
            continue;
        const bool plain =
            std::all_of(definition.name.cbegin(), definition.name.cend(), [](QChar c) {
                const char16_t u = c.unicode();
                return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       u == '_';
            });
        if (plain || context.isIgnored(definition.name, definition.shown()))
            continue;
        context.add(QStringLiteral("\"%1\" has a character other than letters, digits and "
                                   "\"_\": the server refuses to register the name.")
                        .arg(definition.shown()),
                    definition.location, definition.shown(), definition.shown());
    }
}

void duplicateTriggers(CheckContext &context)
{
    const QList<Trigger> &triggers = context.facts().triggers;
    // A section's triggers follow one another and are few: each is compared with those before
    // it in its section.
    qsizetype sectionStart = 0;
    for (qsizetype i = 0; i < triggers.size(); ++i) {
        const Trigger &trigger = triggers.at(i);
        if (trigger.section != triggers.at(sectionStart).section)
            sectionStart = i;
        const auto sectionEnd = triggers.cbegin() + i;
        const auto before =
            std::find_if(triggers.cbegin() + sectionStart, sectionEnd,
                         [&](const Trigger &other) { return other.name == trigger.name; });
        if (before == sectionEnd || context.isIgnored(QString(), trigger.name))
            continue;
        Finding &finding = context.add(
            QStringLiteral("Trigger @%1 is written again in this section (before at line %2).")
                .arg(trigger.name, QString::number(before->location.line)),
            trigger.location, QString(), trigger.name);
        finding.related.append(
            RelatedPlace{before->location, QStringLiteral("written before here")});
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

void blockStructure(CheckContext &context)
{
    for (const BlockProblem &problem : context.facts().blockProblems) {
        if (context.isIgnored(problem.owner.toLower(), problem.word))
            continue;
        Finding &finding =
            context.add(blockMessage(problem), problem.location, problem.owner, problem.word);
        switch (problem.fault) {
        case BlockProblem::Unclosed:
            finding.related.append(RelatedPlace{
                problem.other, QStringLiteral("%1 ends here").arg(codeName(problem.code))});
            break;
        case BlockProblem::StrayElse:
            if (!problem.otherWord.isEmpty())
                finding.related.append(
                    RelatedPlace{problem.other, QStringLiteral("the block it stands in")});
            break;
        case BlockProblem::AfterElse:
            finding.related.append(
                RelatedPlace{problem.other, QStringLiteral("the ELSE of the IF")});
            break;
        case BlockProblem::OtherEnd:
            // The server runs the code as it does with the right word: a warning.
            finding.severity = Severity::Warning;
            finding.related.append(
                RelatedPlace{problem.other, QStringLiteral("the block it closes")});
            break;
        default:
            break;
        }
    }
}

} // namespace tavrel
