// SPDX-License-Identifier: MIT
#ifndef TAVREL_VALUES_H
#define TAVREL_VALUES_H

#include <QList>
#include <QStringView>

#include <cstdint>
#include <functional>

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

// A "{...}" list: one element is a value, two a range, more pairs of a name and its weight.
struct ValueList
{
    qsizetype start = 0;
    int elements = 0;
    // The weights of 0 of a list of pairs, where they stand.
    QList<qsizetype> zeroWeights;
};

// Reads the words a value names by its key's shape, as the server reads them: a word that holds
// a part computed when the script runs ("<eval 5>", "f(1)") names nothing that can be known here
// and is skipped alone. Offsets count in `text`, of which [start, end) is the value.
void readValue(QStringView text, qsizetype start, qsizetype end, Shape shape,
               const std::function<void(const ValueWord &)> &word,
               const std::function<void(const ValueList &)> &list = {});

// Whether a word is a number: a digit, or "-" or "+" and a digit.
bool isNumberText(QStringView text);
// A number as the scripts write ids: a leading 0 makes it hexadecimal; -1 when the text is not
// one or is below 0 (a text that does not start with a digit is a name).
qint64 scriptNumber(QStringView text);

// An alias's value as the server reads it where it is used: without one pair of quotes around
// it. The offset of the text it keeps in the value goes to `offset`.
QStringView unquoted(QStringView value, qsizetype *offset = nullptr);

} // namespace tavrel

#endif
