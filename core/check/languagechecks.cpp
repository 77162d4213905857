// SPDX-License-Identifier: MIT
#include "core/check/languagechecks.h"

#include "core/check/checkrun.h"
#include "core/load/scriptload.h"

#include <QHash>

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

// Every reference the language checks look at: those of the language, and the item resources
// the linker found nothing for.
QList<Reference> checkedReferences(const LoadedScripts &loaded)
{
    return loaded.language.references + unlinkedResources(loaded);
}

bool checked(CheckRun &run, const Reference &reference)
{
    return !run.isIgnored(ownerName(reference), reference.shown());
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
    if (reference.rest.isEmpty())
        return QStringLiteral("the server rejects the element.");
    return QStringLiteral("the server rejects it and drops the rest of the list with it: %1.")
        .arg(reference.rest);
}

} // namespace

QList<Reference> unlinkedResources(const LoadedScripts &loaded)
{
    QList<Reference> references;
    for (const MissingResourceUse &use : loaded.missing) {
        const ScriptRecord &record = *loaded.records.constFind(use.defname);
        const QList<ResourceEntry> &entries = record.entries.resources;
        const int element = use.resource.element;
        Reference reference;
        reference.name = use.resource.id;
        reference.flags = Reference::ResourceElement;
        reference.position = TextPosition{
            record.place.resourcesLine, element < entries.size() ? entries.at(element).column : 0};
        reference.key = resourcesKey;
        reference.owner = QStringLiteral("ITEMDEF ") + use.defname;
        QStringList rest;
        for (int i = element + 1; i < entries.size(); ++i) {
            const ResourceEntry &entry = entries.at(i);
            rest.append(QStringLiteral("%1 %2").arg(QString::number(entry.amount), entry.id));
        }
        reference.rest = rest.join(QLatin1String(", "));
        reference.file = int(loaded.files.indexOf(record.place.file));
        references.append(std::move(reference));
    }
    return references;
}

void undefinedNames(CheckRun &run)
{
    const ScriptLanguage &language = run.loaded().language;
    const Kinds defined = language.definedKinds();
    bool skipped = false;
    for (const Reference &reference : language.references) {
        if (isNumberText(reference.name) || !checked(run, reference))
            continue;
        const Resolution resolution = language.resolve(reference.name);
        if (resolution.outcome == Resolution::Defined)
            continue;
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
        Finding &finding =
            report(run, reference,
                   QStringLiteral("\"%1\" is not defined; %2 expects %3 here.")
                       .arg(reference.shown(),
                            reference.key.isEmpty() ? QStringLiteral("the alias") : reference.key,
                            kindsText(reference.accepted)));
        finding.suggestion = language.nearestName(reference.name, reference.accepted);
    }
    if (skipped)
        run.note(QStringLiteral("undefined-name left out references to kinds the scripts define "
                                "no name of"));
}

void wrongKinds(CheckRun &run)
{
    const ScriptLanguage &language = run.loaded().language;
    for (const Reference &reference : checkedReferences(run.loaded())) {
        if (isNumberText(reference.name) || !checked(run, reference))
            continue;
        const Resolution resolution = language.resolve(reference.name);
        if (resolution.outcome != Resolution::Defined || resolution.kinds == 0 ||
            (resolution.kinds & reference.accepted))
            continue;
        report(run, reference,
               QStringLiteral("\"%1\" is %2, but %3 expects %4.")
                   .arg(reference.shown(), kindsText(resolution.kinds),
                        reference.key.isEmpty() ? QStringLiteral("the alias") : reference.key,
                        kindsText(reference.accepted)));
    }
}

void unscriptedIds(CheckRun &run)
{
    const ScriptLanguage &language = run.loaded().language;
    for (const Reference &reference : language.references) {
        if (!(reference.flags & Reference::ScriptedNumber) || !checked(run, reference))
            continue;
        qint64 number = scriptNumber(reference.name);
        if (number < 0) {
            const Resolution resolution = language.resolve(reference.name);
            if (resolution.kinds != 0)
                continue;
            number = resolution.number;
        }
        if (number < 0 || language.definesItemNumber(number))
            continue;
        report(run, reference,
               QStringLiteral("%1 needs a scripted item, and no numeric [ITEMDEF] section "
                              "defines %2.")
                   .arg(reference.key, reference.shown()));
    }
}

void untypedResources(CheckRun &run)
{
    const ScriptLanguage &language = run.loaded().language;
    for (const Reference &reference : checkedReferences(run.loaded())) {
        if (!(reference.flags & Reference::ResourceElement) || !checked(run, reference))
            continue;
        if (isNumberText(reference.name)) {
            report(run, reference,
                   QStringLiteral("\"%1\" is a number, not the name of a resource; %2")
                       .arg(reference.shown(), droppedText(reference)));
            continue;
        }
        const Resolution resolution = language.resolve(reference.name);
        if (resolution.kinds != 0 || resolution.number < 0)
            continue;
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
    QHash<QString, QList<int>> byName;
    for (int i = 0; i < definitions.size(); ++i) {
        const Definition &definition = definitions.at(i);
        if (definition.kind == Kind::Item &&
            (definition.number < 0 || loaded.redefinitions.contains(definition.name)))
            continue;
        const QString key =
            QString::number(int(definition.kind)) + u':' +
            (definition.number >= 0 ? QString::number(definition.number) : definition.name);
        QList<int> &same = byName[key];
        // The same section naming itself twice (a header and its DEFNAME) is one definition.
        if (!same.isEmpty()) {
            const Definition &last = definitions.at(same.constLast());
            if (last.file == definition.file && last.section == definition.section)
                continue;
        }
        same.append(i);
    }
    QList<QList<int>> repeated;
    for (const QList<int> &same : std::as_const(byName)) {
        if (same.size() > 1)
            repeated.append(same);
    }
    std::sort(repeated.begin(), repeated.end());
    for (const QList<int> &same : std::as_const(repeated)) {
        const Definition &kept = definitions.at(same.constLast());
        for (qsizetype n = 1; n < same.size(); ++n) {
            const Definition &definition = definitions.at(same.at(n));
            const Definition &before = definitions.at(same.at(n - 1));
            if (run.isIgnored(definition.name, definition.shown()))
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
                        loaded.files.at(definition.file), definition.position, definition.shown(),
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
        if (list.words % 2 != 0)
            run.add(QStringLiteral("This {...} list has an odd number of words: its names and "
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
    for (const Definition &definition : loaded.language.definitions) {
        if (definition.number >= 0)
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
    QHash<QString, TextPosition> first;
    int file = -1;
    int section = -1;
    for (const Trigger &trigger : triggers) {
        if (trigger.file != file || trigger.section != section) {
            first.clear();
            file = trigger.file;
            section = trigger.section;
        }
        const auto before = first.constFind(trigger.name);
        if (before == first.cend()) {
            first.insert(trigger.name, trigger.position);
            continue;
        }
        if (run.isIgnored(QString(), trigger.name))
            continue;
        Finding &finding =
            run.add(QStringLiteral("Trigger @%1 is written again in this section (before at line "
                                   "%2).")
                        .arg(trigger.name, QString::number(before->line)),
                    loaded.files.at(trigger.file), trigger.position, QString(), trigger.name);
        finding.related.append(RelatedPlace{loaded.files.at(trigger.file), *before,
                                            QStringLiteral("written before here")});
    }
}

} // namespace tavrel
