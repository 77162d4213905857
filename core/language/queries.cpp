// SPDX-License-Identifier: MIT
#include "core/language/queries.h"

#include <QSet>

#include <algorithm>

namespace tavrel {

namespace {

// The name a use is indexed by.
QString indexedName(const QString &name)
{
    return isNumberText(name) ? ScriptIndex::numberName(scriptNumber(name)) : name;
}

QString indexedName(const Definition &definition)
{
    return definition.number >= 0 ? ScriptIndex::numberName(definition.number) : definition.name;
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

qint64 placeKey(int line, int column)
{
    return (qint64(line) << 32) | quint32(column);
}

} // namespace

bool isNaming(const ScriptIndex &index, const Use &use)
{
    if (!use.isCall())
        return true;
    const QList<FactRef> &defined = index.definitionsOf(index.nameOf(use.name));
    if (defined.isEmpty())
        return use.name.startsWith(QLatin1String("f_"));
    return std::any_of(defined.cbegin(), defined.cend(), [&](const FactRef &ref) {
        return index.definition(ref).kind == Kind::Function;
    });
}

std::optional<NameAt> nameAt(const ScriptIndex &index, const QString &path, int line, int column)
{
    const int file = index.fileOf(path);
    if (file < 0 || line < 1)
        return std::nullopt;
    const ScriptFacts &facts = index.facts(file);
    for (int i = 0; i < facts.uses.size(); ++i) {
        const Use &use = facts.uses.at(i);
        if (use.location.covers(line, column) && isNaming(index, use))
            return NameAt{use.name, FactRef{file, i}, false, use.location};
    }
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        if (definition.location.covers(line, column))
            return NameAt{definition.name, FactRef{file, i}, true, definition.location};
    }
    return std::nullopt;
}

QList<FactRef> usesOf(const ScriptIndex &index, const QString &name)
{
    const QString indexed = indexedName(name);
    QList<int> files = index.filesUsing(index.nameOf(indexed));
    if (files.isEmpty())
        files = index.files();
    std::sort(files.begin(), files.end(), [&](int a, int b) { return index.before(a, b); });
    QList<FactRef> uses;
    for (const int file : std::as_const(files)) {
        const QList<Use> &all = index.facts(file).uses;
        for (int i = 0; i < all.size(); ++i) {
            const Use &use = all.at(i);
            if ((use.name == name || indexedName(use.name) == indexed) && isNaming(index, use))
                uses.append(FactRef{file, i});
        }
    }
    return uses;
}

QList<NameAt> placesIn(const ScriptIndex &index, int file, const QString &name)
{
    QList<NameAt> places;
    if (!index.hasFile(file))
        return places;
    const QString indexed = indexedName(name);
    const ScriptFacts &facts = index.facts(file);
    for (int i = 0; i < facts.definitions.size(); ++i) {
        const Definition &definition = facts.definitions.at(i);
        if (indexedName(definition) == indexed)
            places.append(NameAt{definition.name, FactRef{file, i}, true, definition.location});
    }
    for (int i = 0; i < facts.uses.size(); ++i) {
        const Use &use = facts.uses.at(i);
        if (use.name == name || indexedName(use.name) == indexed)
            places.append(NameAt{use.name, FactRef{file, i}, false, use.location});
    }
    std::sort(places.begin(), places.end(), [](const NameAt &a, const NameAt &b) {
        return placeKey(a.location.line, a.location.column) <
               placeKey(b.location.line, b.location.column);
    });
    return places;
}

QList<Mention> mentionsOf(const Script &script, const ScriptFacts &facts, const QString &name,
                          const QString &path)
{
    QList<Mention> mentions;
    if (name.isEmpty() || !script.text.contains(name, Qt::CaseInsensitive))
        return mentions;
    QSet<qint64> known;
    for (const Definition &definition : facts.definitions) {
        if (definition.name == name)
            known.insert(placeKey(definition.location.line, definition.location.column));
    }
    for (const Use &use : facts.uses) {
        if (use.name == name)
            known.insert(placeKey(use.location.line, use.location.column));
    }
    const QStringView text = script.text;
    for (int i = 0; i < script.lines.size(); ++i) {
        const ScriptLine &line = script.lines.at(i);
        const qsizetype end = line.value.start + line.value.length;
        const QStringView content = text.mid(line.key.start, end - line.key.start);
        QList<ValuePart> parts;
        bool read = false;
        for (qsizetype at = content.indexOf(name, 0, Qt::CaseInsensitive); at >= 0;
             at = content.indexOf(name, at + 1, Qt::CaseInsensitive)) {
            const qsizetype start = line.key.start + at;
            const qsizetype after = start + name.size();
            if ((start > 0 && isWordCharacter(text.at(start - 1))) ||
                (after < text.size() && isWordCharacter(text.at(after))))
                continue;
            if (!read) {
                parts = valueParts(text, line.key.start, end);
                read = true;
            }
            const auto part = std::find_if(parts.cbegin(), parts.cend(), [&](const ValuePart &p) {
                return p.type != ValuePart::Number && start >= p.start &&
                       after <= p.start + p.length;
            });
            const TextPosition position = script.position(line, start);
            Mention mention{
                Location::at(path, position, characterCount(text.mid(start, name.size()))),
                QString()};
            if (part != parts.cend() && part->type == ValuePart::Computed) {
                mention.computed = text.mid(part->start, part->length).toString();
                mentions.append(mention);
            } else if (part == parts.cend() && script.codeBlock(i) >= 0 &&
                       !known.contains(placeKey(position.line, position.column))) {
                mentions.append(mention);
            }
        }
    }
    return mentions;
}

} // namespace tavrel
