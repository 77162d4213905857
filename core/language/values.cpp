// SPDX-License-Identifier: MIT
#include "core/language/values.h"

#include <algorithm>

namespace tavrel {

bool isNumberText(QStringView text)
{
    if (text.isEmpty())
        return false;
    const char16_t first = text.at(0).unicode();
    if ((first == '-' || first == '+') && text.size() > 1)
        return text.at(1).unicode() >= '0' && text.at(1).unicode() <= '9';
    return first >= '0' && first <= '9';
}

qint64 scriptNumber(QStringView text)
{
    if (text.isEmpty() || text.at(0).unicode() < '0' || text.at(0).unicode() > '9')
        return -1;
    bool ok = false;
    qint64 number = 0;
    if (text.at(0) == u'0' && text.size() > 1) {
        QStringView digits = text.mid(1);
        if (digits.startsWith(u'x') || digits.startsWith(u'X'))
            digits = digits.mid(1);
        number = digits.toLongLong(&ok, 16);
    } else {
        number = text.toLongLong(&ok, 10);
    }
    return ok && number >= 0 ? number : -1;
}

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// Whether a word is a number as it is written: digits, perhaps a decimal part, or hexadecimal
// digits after a leading 0.
bool isNumberWord(QStringView word)
{
    if (word.isEmpty() || word.front() < u'0' || word.front() > u'9')
        return false;
    if (word.front() == u'0' && std::all_of(word.begin(), word.end(), isHexDigit))
        return true;
    const qsizetype dot = word.indexOf(u'.');
    const auto digits = [](QStringView part) {
        return !part.isEmpty() && std::all_of(part.begin(), part.end(), [](QChar c) {
            return c.unicode() >= '0' && c.unicode() <= '9';
        });
    };
    return dot < 0 ? digits(word) : digits(word.left(dot)) && digits(word.mid(dot + 1));
}

// Where the part computed from the "<" at `open` ends: after its ">", or at `end`.
qsizetype computedEnd(QStringView text, qsizetype open, qsizetype end)
{
    int depth = 0;
    for (qsizetype i = open; i < end; ++i) {
        if (text.at(i) == u'<' && i + 1 < end &&
            (isWordCharacter(text.at(i + 1)) || QStringView(u"?!<").contains(text.at(i + 1))))
            ++depth;
        else if (text.at(i) == u'>' && --depth == 0)
            return i + 1;
    }
    return end;
}

bool opensComputed(QStringView text, qsizetype at, qsizetype end)
{
    return text.at(at) == u'<' && at + 1 < end &&
           (isWordCharacter(text.at(at + 1)) || QStringView(u"?!<").contains(text.at(at + 1)));
}

} // namespace

QList<ValuePart> valueParts(QStringView text, qsizetype start, qsizetype end)
{
    QList<ValuePart> parts;
    for (qsizetype i = start; i < end;) {
        const QChar c = text.at(i);
        if (opensComputed(text, i, end)) {
            const qsizetype to = computedEnd(text, i, end);
            parts.append(ValuePart{ValuePart::Computed, i, to - i});
            i = to;
        } else if (c == u'"' && text.mid(i + 1, end - i - 1).contains(u'"')) {
            // The text up to the closing quote, cut around what it computes.
            const qsizetype close = text.indexOf(u'"', i + 1);
            qsizetype from = i;
            for (qsizetype k = i + 1; k < close;) {
                if (!opensComputed(text, k, close)) {
                    ++k;
                    continue;
                }
                parts.append(ValuePart{ValuePart::Text, from, k - from});
                from = computedEnd(text, k, close);
                parts.append(ValuePart{ValuePart::Computed, k, from - k});
                k = from;
            }
            parts.append(ValuePart{ValuePart::Text, from, close + 1 - from});
            i = close + 1;
        } else if (isWordCharacter(c)) {
            qsizetype to = i;
            while (to < end && isWordCharacter(text.at(to)))
                ++to;
            if (isNumberWord(text.mid(i, to - i)))
                parts.append(ValuePart{ValuePart::Number, i, to - i});
            i = to;
        } else {
            ++i;
        }
    }
    // A text that is nothing but what it computes leaves empty parts.
    parts.removeIf([](const ValuePart &part) { return part.length == 0; });
    return parts;
}

QStringView unquoted(QStringView value, qsizetype *offset)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype start = 0;
    qsizetype end = value.size();
    while (start < end && isBlank(value.at(start)))
        ++start;
    while (end > start && isBlank(value.at(end - 1)))
        --end;
    if (end - start >= 2 && value.at(start) == u'"' && value.at(end - 1) == u'"') {
        ++start;
        --end;
    }
    if (offset)
        *offset = start;
    return value.mid(start, end - start);
}

} // namespace tavrel
