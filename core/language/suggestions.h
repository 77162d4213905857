// SPDX-License-Identifier: MIT
#ifndef TAVREL_SUGGESTIONS_H
#define TAVREL_SUGGESTIONS_H

#include "core/language/kinds.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <unordered_map>
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

    // The defined name of an accepted kind nearest to `name`, when one is likely what was meant,
    // or an empty string. A name's family is its short prefix ("i_", "c_", "t_"), and what
    // follows it is its stem: the suggestion is of the same family, one edit away for a stem of
    // four characters or more (but for a character replaced, from six), two for one of eight or
    // more; never `name` itself, nor
    // `holder`, the name whose definition holds the reference, nor a sibling that differs only
    // in numbers ("i_shell_2" for "i_shell"). Where two names are as near, none is suggested.
    // Names are compared in lower case.
    QString suggest(QStringView name, Kinds accepted, QStringView holder = {}) const;

    // Gives a lower-case name the kinds it is defined as, none taking it out: a workspace changes
    // its table name by name.
    void set(const QString &name, Kinds kinds);

private:
    class Search;

    struct Name
    {
        std::uint32_t start = 0;
        std::uint32_t length = 0;
        Kinds kinds = 0;
    };
    std::pair<std::size_t, bool> find(const char32_t *text, int length) const;

    // Every distinct name, sorted by its characters' codes, with the kinds it is defined as; the
    // characters stand end to end in `characters`, where a name taken out leaves its own.
    std::vector<char32_t> characters;
    std::vector<Name> names;
    // The skeletons of the numbered names, a name without its digits (see suggest), with how many
    // names have each.
    std::unordered_map<std::u32string, int> skeletons;
};

} // namespace tavrel

#endif
