// SPDX-License-Identifier: MIT
#include "core/read/entries.h"

#include <charconv>
#include <system_error>

namespace tavrel {

namespace {

// The first two words of an entry, split at single blanks with empty words kept, where they
// start, and whether there were at least two.
struct EntryWords
{
    QStringView first;
    QStringView second;
    qsizetype secondStart = 0;
    bool two = false;
};

EntryWords entryWords(QStringView element)
{
    EntryWords words;
    const qsizetype blank = element.indexOf(u' ');
    if (blank < 0) {
        words.first = element;
        return words;
    }
    words.two = true;
    words.first = element.left(blank);
    words.secondStart = blank + 1;
    const QStringView rest = element.mid(blank + 1);
    const qsizetype next = rest.indexOf(u' ');
    words.second = next < 0 ? rest : rest.left(next);
    return words;
}

// Most skill entries begin with the skill's name, and QString::toDouble takes long to refuse a
// word; a word that starts with a letter can only be a number when it spells inf or nan.
bool mayBeNumber(QStringView word)
{
    for (const QChar c : word) {
        if (c.isSpace())
            continue;
        if (!c.isLetter())
            return true;
        const char16_t lower = c.toLower().unicode();
        return lower == u'i' || lower == u'n';
    }
    return true;
}

// Skill values are written in plain decimals ("51.1", "100"); those are read here without the
// locale-aware parser, which takes far longer, and to the same value. Anything else goes to it.
double toDouble(QStringView word, bool *ok = nullptr)
{
    char digits[32];
    const qsizetype size = word.size();
    bool plain = size > 0 && size < qsizetype(sizeof digits);
    bool point = false;
    for (qsizetype i = 0; plain && i < size; ++i) {
        const char16_t c = word.at(i).unicode();
        if (c == u'.' && !point && i > 0) {
            point = true;
        } else if (c < u'0' || c > u'9') {
            plain = false;
        }
        digits[i] = char(c);
    }
    plain = plain && digits[size - 1] != '.';
    double value = 0;
    if (plain && std::from_chars(digits, digits + size, value).ec == std::errc()) {
        if (ok)
            *ok = true;
        return value;
    }
    return word.toDouble(ok);
}

QString textOf(QStringView word, bool refer)
{
    return refer ? QString::fromRawData(word.data(), word.size()) : word.toString();
}

ResourceEntry resourceEntry(QStringView element, bool refer)
{
    const EntryWords words = entryWords(element);
    ResourceEntry entry;
    if (!words.two) {
        entry.id = textOf(words.first, refer);
        entry.column = 1;
    } else {
        entry.amount = words.first.toInt(nullptr, 10);
        entry.id = textOf(words.second, refer);
        entry.column = int(words.secondStart) + 1;
    }
    return entry;
}

std::optional<SkillEntry> skillEntry(QStringView element, bool refer)
{
    const EntryWords words = entryWords(element);
    if (!words.two)
        return std::nullopt;
    SkillEntry entry;
    bool valueFirst = false;
    const double first = mayBeNumber(words.first) ? toDouble(words.first, &valueFirst) : 0;
    const QStringView skill = valueFirst ? words.second : words.first;
    if (skill.isEmpty())
        return std::nullopt;
    entry.skill = textOf(skill, refer);
    entry.value = valueFirst ? first : toDouble(words.second);
    entry.column = valueFirst ? int(words.secondStart) + 1 : 1;
    return entry;
}

ItemEntries entriesOf(QStringView resources, QStringView skillmake, bool refer)
{
    ItemEntries entries;
    if (!resources.isEmpty()) {
        entries.resources.reserve(resources.count(u',') + 1);
        forEachElement(resources, [&](QStringView element, qsizetype start) {
            ResourceEntry entry = resourceEntry(element, refer);
            entry.column += int(start);
            entries.resources.append(std::move(entry));
        });
    }
    if (!skillmake.isEmpty()) {
        entries.skills.reserve(skillmake.count(u',') + 1);
        forEachElement(skillmake, [&](QStringView element, qsizetype start) {
            if (std::optional<SkillEntry> entry = skillEntry(element, refer)) {
                entry->column += int(start);
                entries.skills.append(std::move(*entry));
            }
        });
    }
    return entries;
}

} // namespace

ResourceEntry parseResourceEntry(QStringView element)
{
    return resourceEntry(element, false);
}

std::optional<SkillEntry> parseSkillEntry(QStringView element)
{
    return skillEntry(element, false);
}

ItemEntries parseEntries(QStringView resources, QStringView skillmake)
{
    return entriesOf(resources, skillmake, false);
}

ItemEntries referringEntries(const QString &resources, const QString &skillmake)
{
    return entriesOf(resources, skillmake, true);
}

QString ownText(const QString &text)
{
    return QString(text.constData(), text.size());
}

} // namespace tavrel
