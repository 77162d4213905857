// SPDX-License-Identifier: MIT
#include "core/language/values.h"

namespace tavrel {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A word holding these is computed when the script runs.
bool isComputed(QStringView word)
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

class ValueReader
{
public:
    ValueReader(QStringView text, const std::function<void(const ValueWord &)> &word,
                const std::function<void(const ValueList &)> &list)
        : text(text), wordFound(word), listFound(list)
    {
    }

    void read(qsizetype start, qsizetype end, Shape shape)
    {
        switch (shape) {
        case Shape::Name:
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

    // The name of an "amount name" element, or of a "name amount" one, or its one word.
    Span resourceName(qsizetype start, qsizetype end) const
    {
        const Span first = firstToken(start, end);
        const Span second = firstToken(first.end(), end);
        const QStringView written = text.mid(first.start, first.length);
        if (second.length > 0 && (isNumberText(written) || written.startsWith(u'{')))
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
        ValueList list{span.start, int(elements.size()), {}};
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
                list.zeroWeights.append(element.start);
        }
        resourceElement = wasResource;
        if (listFound)
            listFound(list);
    }

    const QStringView text;
    const std::function<void(const ValueWord &)> &wordFound;
    const std::function<void(const ValueList &)> &listFound;
    bool resourceElement = false;
    qsizetype restFrom = -1;
};

} // namespace

void readValue(QStringView text, qsizetype start, qsizetype end, Shape shape,
               const std::function<void(const ValueWord &)> &word,
               const std::function<void(const ValueList &)> &list)
{
    ValueReader(text, word, list).read(start, end, shape);
}

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

QStringView unquoted(QStringView value, qsizetype *offset)
{
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
