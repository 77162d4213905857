// SPDX-License-Identifier: MIT
#ifndef TAVREL_VALUES_H
#define TAVREL_VALUES_H

#include "core/read/scriptreader.h"

#include <QList>
#include <QStringView>

#include <cstdint>

namespace tavrel {

// How a key's value names things.
enum class Shape : std::uint8_t
{
    // Its first word.
    Name,
    // Comma-separated names.
    List,
    // Comma-separated names, each perhaps after "+" or "-".
    SignedList,
    // The first word of its first comma-separated element.
    FirstElement,
    // The first element, a name or a "{name weight ...}" list ("i_gold,{100 200},R5").
    ItemOrList,
    // Comma-separated "amount name" elements.
    ResourceList,
    // Its first word, a name that must be defined itself: an alias is not followed to its value,
    // which may be any text (a constant read by <DEF.x>, a verb that may call a function).
    Itself,
};

// A word of a value that may name something: a name, or a number where the value gives one.
struct ValueWord
{
    qsizetype start = 0;
    qsizetype length = 0;
    // An element of a resource list, and where the elements after it start (-1 when it is the
    // last): the server drops them with it when it rejects it.
    bool resourceElement = false;
    qsizetype restFrom = -1;
};

// A "{...}" list, braces and all: one element is a value, two a range, more pairs of a name and
// its weight.
struct ValueList
{
    qsizetype start = 0;
    qsizetype length = 0;
    int elements = 0;
    // The weights of 0 of a list of pairs, where they stand.
    QList<TextSpan> zeroWeights;
};

// Whether a word is a number: a digit, or "-" or "+" and a digit.
bool isNumberText(QStringView text);
// A number as the scripts write ids: a leading 0 makes it hexadecimal; -1 when the text is not
// one or is below 0 (a text that does not start with a digit is a name).
qint64 scriptNumber(QStringView text);

namespace values {

inline bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A word holding these is computed when the script runs.
inline bool isComputed(QStringView word)
{
    for (const QChar c : word) {
        if (c == u'<' || c == u'>' || c == u'(' || c == u')')
            return true;
    }
    return false;
}

struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;

    qsizetype end() const { return start + length; }
};

template <class WordFound, class ListFound> class ValueReader
{
public:
    ValueReader(QStringView text, WordFound &word, ListFound &list)
        : text(text), wordFound(word), listFound(list)
    {
    }

    void read(qsizetype start, qsizetype end, Shape shape)
    {
        switch (shape) {
        case Shape::Name:
        case Shape::Itself:
            name(firstToken(start, end));
            return;
        case Shape::FirstElement:
        case Shape::ItemOrList:
            name(firstToken(start, elementEnd(start, end)));
            return;
        case Shape::List:
        case Shape::SignedList:
            for (qsizetype from = start; from <= end;) {
                const qsizetype stop = elementEnd(from, end);
                Span element = trimmed(from, stop);
                if (shape == Shape::SignedList && element.length > 0 &&
                    (text.at(element.start) == u'+' || text.at(element.start) == u'-') &&
                    !isNumberText(text.mid(element.start, element.length)))
                    element = trimmed(element.start + 1, element.end());
                name(firstToken(element.start, element.end()));
                from = stop + 1;
            }
            return;
        case Shape::ResourceList:
            for (qsizetype from = start; from <= end;) {
                const qsizetype stop = elementEnd(from, end);
                resourceElement = true;
                restFrom = stop < end ? stop + 1 : -1;
                name(resourceName(from, stop));
                resourceElement = false;
                from = stop + 1;
            }
            return;
        }
    }

private:
    Span trimmed(qsizetype start, qsizetype end) const
    {
        while (start < end && isBlank(text.at(start)))
            ++start;
        while (end > start && isBlank(text.at(end - 1)))
            --end;
        return Span{start, end - start};
    }

    // Where the "}" that closes the "{" at `open` stands, or `end`.
    qsizetype closing(qsizetype open, qsizetype end) const
    {
        int depth = 0;
        for (qsizetype i = open; i < end; ++i) {
            if (text.at(i) == u'{')
                ++depth;
            else if (text.at(i) == u'}' && --depth == 0)
                return i;
        }
        return end;
    }

    // The next token from `from`: a "{...}" group with its braces, or a word up to a blank, a
    // comma or a brace; a "<...>" part, blanks and all, belongs to its word.
    Span token(qsizetype from, qsizetype end, bool inList) const
    {
        while (from < end && (isBlank(text.at(from)) || (inList && text.at(from) == u',')))
            ++from;
        if (from == end)
            return Span{end, 0};
        if (text.at(from) == u'{') {
            const qsizetype close = closing(from, end);
            return Span{from, (close < end ? close + 1 : end) - from};
        }
        int angles = 0;
        qsizetype to = from;
        for (; to < end; ++to) {
            const QChar c = text.at(to);
            if (c == u'<')
                ++angles;
            else if (c == u'>' && angles > 0)
                --angles;
            else if (angles == 0 && (isBlank(c) || c == u'{' || c == u'}' || (inList && c == u',')))
                break;
        }
        return Span{from, to - from};
    }

    Span firstToken(qsizetype start, qsizetype end) const { return token(start, end, false); }

    // Commas inside "{...}" and "(...)" do not end an element.
    qsizetype elementEnd(qsizetype start, qsizetype end) const
    {
        int depth = 0;
        for (qsizetype i = start; i < end; ++i) {
            const QChar c = text.at(i);
            if (c == u'{' || c == u'(')
                ++depth;
            else if ((c == u'}' || c == u')') && depth > 0)
                --depth;
            else if (c == u',' && depth == 0)
                return i;
        }
        return end;
    }

    // The name of an "amount name" element, or of a "name amount" one, or its one word; an
    // amount may be computed ("<eval 5> i_gold").
    Span resourceName(qsizetype start, qsizetype end) const
    {
        const Span first = firstToken(start, end);
        const Span second = firstToken(first.end(), end);
        const QStringView written = text.mid(first.start, first.length);
        if (second.length > 0 &&
            (isNumberText(written) || written.startsWith(u'{') || isComputed(written)))
            return second;
        return first;
    }

    void name(Span span)
    {
        if (span.length == 0)
            return;
        const QStringView written = text.mid(span.start, span.length);
        if (written.startsWith(u'{')) {
            group(span);
            return;
        }
        if (isComputed(written))
            return;
        wordFound(ValueWord{span.start, span.length, resourceElement, restFrom});
    }

    // A "{...}" list: one element, a range of two, or names each with a weight.
    void group(Span span)
    {
        const qsizetype inside = span.start + 1;
        const qsizetype end =
            span.end() > inside && text.at(span.end() - 1) == u'}' ? span.end() - 1 : span.end();
        QList<Span> elements;
        for (Span element = token(inside, end, true); element.length > 0;
             element = token(element.end(), end, true))
            elements.append(element);
        ValueList list{span.start, span.length, int(elements.size()), {}};
        const bool pairs = elements.size() >= 4 && elements.size() % 2 == 0;
        // Inside a list an element is read as a value on its own, not as a resource.
        const bool wasResource = resourceElement;
        resourceElement = false;
        for (qsizetype i = 0; i < elements.size(); ++i) {
            const Span element = elements.at(i);
            const QStringView written = text.mid(element.start, element.length);
            if (i % 2 == 0 || elements.size() < 3)
                name(element);
            else if (pairs && scriptNumber(written) == 0)
                list.zeroWeights.append(TextSpan{element.start, element.length});
        }
        resourceElement = wasResource;
        listFound(list);
    }

    const QStringView text;
    WordFound &wordFound;
    ListFound &listFound;
    bool resourceElement = false;
    qsizetype restFrom = -1;
};

} // namespace values

// Reads the words a value names by its key's shape, as the server reads them, handing each to
// `word` and each "{...}" list to `list`: a word that holds a part computed when the script runs
// ("<eval 5>", "f(1)") names nothing that can be known here and is skipped alone. Offsets count
// in `text`, of which [start, end) is the value.
template <class WordFound, class ListFound>
void readValue(QStringView text, qsizetype start, qsizetype end, Shape shape, WordFound word,
               ListFound list)
{
    values::ValueReader<WordFound, ListFound>(text, word, list).read(start, end, shape);
}
template <class WordFound>
void readValue(QStringView text, qsizetype start, qsizetype end, Shape shape, WordFound word)
{
    readValue(text, start, end, shape, word, [](const ValueList &) {});
}

// A part of a line that reads as something of its own: a number (a leading 0 making it
// hexadecimal), a text between double quotes, or a part the server computes when the line runs
// ("<SRC.NAME>", which may hold others). A text in quotes is cut around the computed parts it
// holds.
struct ValuePart
{
    enum Type : unsigned char
    {
        Number,
        Text,
        Computed,
    };
    Type type = Number;
    qsizetype start = 0;
    qsizetype length = 0;
};
// The parts of [start, end) of `text`, in order; a "<" that a name does not follow compares.
QList<ValuePart> valueParts(QStringView text, qsizetype start, qsizetype end);

// An alias's value as the server reads it where it is used: without one pair of quotes around
// it. The offset of the text it keeps in the value goes to `offset`.
QStringView unquoted(QStringView value, qsizetype *offset = nullptr);

} // namespace tavrel

#endif
