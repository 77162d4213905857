// SPDX-License-Identifier: MIT
#include "core/language/values.h"

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
