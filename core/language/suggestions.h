// SPDX-License-Identifier: MIT
#ifndef TAVREL_SUGGESTIONS_H
#define TAVREL_SUGGESTIONS_H

#include "core/language/kinds.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

namespace tavrel {

// A name the scripts define, in lower case, and the kind of what defines it.
struct DefinedName
{
    QString name;
    Kind kind;
};

// The "did you mean" of a name that names nothing: the defined name nearest to it, where a
// character inserted, deleted or replaced, or two neighbouring characters swapped, is one edit.
// Built once over every defined name, it answers each query without comparing it with every
// name, and from several threads at once.
class NameSuggestions
{
public:
    NameSuggestions() = default;
    // A name may come more than once, with a kind each time.
    explicit NameSuggestions(const QList<DefinedName> &names);

    // The defined name of an accepted kind nearest to `name`, or an empty string: at most two
    // edits away, and fewer edits than half the characters of `name`, so that a short name is
    // not "corrected" into an unrelated one; never `name` itself. Between names as near, the
    // first in the order of their characters' codes. `name` is compared in lower case.
    QString suggest(QStringView name, Kinds accepted) const;

private:
    class Search;

    struct Name
    {
        std::uint32_t start = 0;
        std::uint32_t length = 0;
    };

    // Every distinct name, sorted, with its characters end to end in `characters`.
    std::vector<char32_t> characters;
    std::vector<Name> names;
    // For each kind, its names' indices in ascending order.
    std::array<std::vector<std::uint32_t>, std::size_t(Kind::Count)> namesOfKind;
};

} // namespace tavrel

#endif
