// SPDX-License-Identifier: MIT
#include "core/language/suggestions.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tavrel {

namespace {

constexpr int mostEdits = 2;
// Distances are kept up to this value, which stands for every distance out of reach.
constexpr std::uint8_t beyond = mostEdits + 1;
// A row of the table keeps the cells within mostEdits of its diagonal, as the others are out of
// reach, and one more on each side that is never written and so reads as out of reach.
constexpr int band = 2 * mostEdits + 3;

// A stem shorter than this is too near too many names for a character replaced in it to be a
// likely slip: "i_frog" is not "i_froe", though "i_bord" is "i_board".
constexpr int shortestReplaced = 6;

// The length of a name's family, the prefix before its first "_" of one to four characters
// with the "_", or 0.
int familyLength(const char32_t *name, int length)
{
    for (int i = 0; i < length && i <= 4; ++i) {
        if (name[i] == U'_')
            return i > 0 && i + 1 < length ? i + 1 : 0;
    }
    return 0;
}

// A name without its digits and the "_" they leave over: siblings numbered apart
// ("i_shell", "i_shell_2", "c_orc_12") share it.
std::u32string skeleton(const char32_t *name, int length)
{
    std::u32string text;
    for (int i = 0; i < length; ++i) {
        if (name[i] >= U'0' && name[i] <= U'9')
            continue;
        if (name[i] == U'_' && !text.empty() && text.back() == U'_')
            continue;
        text.push_back(name[i]);
    }
    while (!text.empty() && text.back() == U'_')
        text.pop_back();
    return text;
}

// Whether a name's skeleton is `skeleton`, without making it.
bool sameSkeleton(const char32_t *name, int length, const std::u32string &skeleton)
{
    std::size_t at = 0;
    char32_t last = 0;
    for (int i = 0; i < length; ++i) {
        const char32_t c = name[i];
        if ((c >= U'0' && c <= U'9') || (c == U'_' && last == U'_'))
            continue;
        if (c == U'_') {
            // A "_" counts only where something follows it.
            last = c;
            continue;
        }
        if (last == U'_') {
            if (at == skeleton.size() || skeleton[at] != U'_')
                return false;
            ++at;
        }
        if (at == skeleton.size() || skeleton[at] != c)
            return false;
        ++at;
        last = c;
    }
    return at == skeleton.size();
}

} // namespace

// The names are walked in sorted order as the paths of a trie: the rows of the table of edit
// distances between a name's first characters and the query serve every name that starts with
// them, and once a beginning is out of reach, every name that starts with it is skipped at once.
class NameSuggestions::Search
{
public:
    Search(const NameSuggestions &suggestions, const QList<uint> &query, int limit,
           const std::u32string &holder)
        : names(suggestions.names), characters(suggestions.characters.data()),
          query(query.constData()), queryLength(int(query.size())), limit(limit),
          bestDistance(limit + 1), holder(holder)
    {
        const auto *text = reinterpret_cast<const char32_t *>(query.constData());
        queryFamily = familyLength(text, queryLength);
        querySkeleton = skeleton(text, queryLength);
        // A name longer than the query by more than mostEdits is out of reach at the row after,
        // so no walk goes deeper than this.
        const int rowCount = queryLength + mostEdits + 2;
        rows.assign(std::size_t(rowCount) * band, beyond);
        for (int j = 0; j <= mostEdits && j <= queryLength; ++j)
            cell(0, j) = std::uint8_t(j);
    }

    // Walks the names of the accepted kinds.
    void search(Kinds accepted)
    {
        // A name as near as the best one makes it doubtful, so the walk goes on as far as it.
        int reach = std::min(limit, bestDistance);
        const char32_t *previous = nullptr;
        // How many rows hold the distances of the first characters of `previous`.
        int known = 0;
        auto at = names.begin();
        while (at != names.end() && reach > 0) {
            const Name name = *at;
            const char32_t *text = characters + name.start;
            const int length = int(name.length);
            int depth = 0;
            while (depth < known && depth < length && text[depth] == previous[depth])
                ++depth;
            while (depth < length && computeRow(depth + 1, text) <= reach)
                ++depth;
            previous = text;
            known = depth;
            if (depth < length) {
                const std::uint32_t beginning = std::uint32_t(depth) + 1;
                const auto startsSo = [&](const Name &next) {
                    return next.length >= beginning &&
                           std::equal(text, text + beginning, characters + next.start);
                };
                // Most runs of names that start alike are short: their end is looked for near
                // first, in steps that double.
                auto low = at + 1;
                std::ptrdiff_t step = 1;
                while (step < names.end() - low && startsSo(low[step - 1])) {
                    low += step;
                    step *= 2;
                }
                at = std::partition_point(low, low + std::min(step, names.end() - low), startsSo);
                continue;
            }
            const int distance =
                std::abs(length - queryLength) <= mostEdits ? cell(length, queryLength) : beyond;
            if (distance > 0 && distance <= reach && (name.kinds & accepted) &&
                likely(text, length)) {
                tie = distance == bestDistance;
                if (distance < bestDistance) {
                    best = std::uint32_t(at - names.begin());
                    bestDistance = distance;
                    reach = distance;
                }
            }
            ++at;
        }
    }

    QString result() const
    {
        if (bestDistance > limit || tie)
            return QString();
        const Name name = names[best];
        return QString::fromUcs4(characters + name.start, qsizetype(name.length));
    }

private:
    // Fills row i, the distances of the name's first i characters, and returns its least cell:
    // no name that starts with these characters is nearer, as every later cell draws on this
    // row, or through a swap on the row above at the cost of an edit, which a deletion from that
    // row into this one costs too.
    int computeRow(int i, const char32_t *name)
    {
        const char32_t c = name[i - 1];
        int least = beyond;
        const int last = std::min(queryLength, i + mostEdits);
        for (int j = std::max(0, i - mostEdits); j <= last; ++j) {
            int d = std::min(i, int(beyond));
            if (j > 0) {
                d = std::min({cell(i - 1, j) + 1, cell(i, j - 1) + 1,
                              cell(i - 1, j - 1) + (c == query[j - 1] ? 0 : 1)});
                if (i > 1 && j > 1 && c == query[j - 2] && name[i - 2] == query[j - 1])
                    d = std::min(d, cell(i - 2, j - 2) + 1);
                d = std::min(d, int(beyond));
            }
            cell(i, j) = std::uint8_t(d);
            least = std::min(least, d);
        }
        return least;
    }

    // The distance between the first i characters of the name and the first j of the query.
    std::uint8_t &cell(int i, int j)
    {
        return rows[std::size_t(i) * band + std::size_t(j - i + mostEdits + 1)];
    }

    // Whether the name may be what the query meant: of its family, not its holder, and not a
    // sibling numbered apart.
    bool likely(const char32_t *text, int length) const
    {
        if (familyLength(text, length) != queryFamily ||
            !std::equal(text, text + queryFamily, query))
            return false;
        if (std::u32string_view(text, std::size_t(length)) == holder)
            return false;
        if (queryLength - queryFamily < shortestReplaced && length == queryLength && !swapped(text))
            return false;
        return !sameSkeleton(text, length, querySkeleton);
    }

    // Whether a name as long as the query differs from it only by two neighbours swapped, not
    // by a character replaced.
    bool swapped(const char32_t *text) const
    {
        int first = 0;
        while (first < queryLength && text[first] == query[first])
            ++first;
        return first + 1 < queryLength && text[first] == query[first + 1] &&
               text[first + 1] == query[first] &&
               std::equal(text + first + 2, text + queryLength, query + first + 2);
    }

    const std::vector<Name> &names;
    const char32_t *const characters;
    const uint *const query;
    const int queryLength;
    const int limit;
    std::vector<std::uint8_t> rows;
    std::uint32_t best = std::uint32_t(-1);
    int bestDistance;
    bool tie = false;
    const std::u32string &holder;
    int queryFamily = 0;
    std::u32string querySkeleton;
};

NameSuggestions::NameSuggestions(const QList<DefinedName> &defined)
{
    // The names are sorted by their characters' codes; the indices move, not the names.
    std::vector<Name> staged;
    staged.reserve(std::size_t(defined.size()));
    characters.reserve(std::size_t(defined.size()) * 12);
    for (const DefinedName &name : defined) {
        const std::size_t start = characters.size();
        // As toUcs4 reads them, without a list for each name.
        const QChar *text = name.name.constData();
        const qsizetype size = name.name.size();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
                characters.push_back(char32_t(QChar::surrogateToUcs4(c, text[i + 1].unicode())));
                ++i;
            } else {
                characters.push_back(QChar::isSurrogate(c) ? char32_t(QChar::ReplacementCharacter)
                                                           : char32_t(c));
            }
        }
        staged.push_back(Name{std::uint32_t(start), std::uint32_t(characters.size() - start),
                              kindBit(name.kind)});
    }
    const char32_t *all = characters.data();
    std::sort(staged.begin(), staged.end(), [all](const Name &a, const Name &b) {
        return std::lexicographical_compare(all + a.start, all + a.start + a.length, all + b.start,
                                            all + b.start + b.length);
    });
    const auto same = [all](const Name &a, const Name &b) {
        return a.length == b.length &&
               std::equal(all + a.start, all + a.start + a.length, all + b.start);
    };
    const std::u32string *lastSkeleton = nullptr;
    for (const Name &name : staged) {
        if (!names.empty() && same(names.back(), name)) {
            names.back().kinds |= name.kinds;
            continue;
        }
        names.push_back(name);
        const char32_t *first = all + name.start;
        const int length = int(name.length);
        // A numbered family comes side by side: its skeleton is made once.
        if (std::any_of(first, first + length, [](char32_t c) { return c >= U'0' && c <= U'9'; })) {
            if (!(lastSkeleton && sameSkeleton(first, length, *lastSkeleton)))
                lastSkeleton = &skeletons.emplace(skeleton(first, length), 0).first->first;
            ++skeletons[*lastSkeleton];
        }
    }
}

QString NameSuggestions::suggest(QStringView name, Kinds accepted, QStringView holder) const
{
    const QList<uint> query = name.toString().toLower().toUcs4();
    const int stem =
        int(query.size()) -
        familyLength(reinterpret_cast<const char32_t *>(query.constData()), int(query.size()));
    // A short stem is one or two edits from many unrelated names ("i_frog", "i_froe").
    const int limit = stem >= 8 ? 2 : stem >= 4 ? 1 : 0;
    if (limit < 1)
        return QString();
    // A name of a numbered family that the scripts define ("i_item_008947" beside
    // "i_item_008946") has only siblings near it, which are not suggested: the walk through
    // them all is spared.
    if (skeletons.count(
            skeleton(reinterpret_cast<const char32_t *>(query.constData()), int(query.size()))))
        return QString();
    const QList<uint> held = holder.toString().toLower().toUcs4();
    const std::u32string holderText(held.begin(), held.end());
    Search search(*this, query, limit, holderText);
    search.search(accepted);
    return search.result();
}

// Where a name stands among the names sorted by their characters' codes, and whether it is there.
std::pair<std::size_t, bool> NameSuggestions::find(const char32_t *text, int length) const
{
    const auto at = std::lower_bound(names.begin(), names.end(), 0, [&](const Name &name, int) {
        const char32_t *other = characters.data() + name.start;
        return std::lexicographical_compare(other, other + name.length, text, text + length);
    });
    const bool found = at != names.end() && int(at->length) == length &&
                       std::equal(text, text + length, characters.data() + at->start);
    return {std::size_t(at - names.begin()), found};
}

void NameSuggestions::set(const QString &name, Kinds kinds)
{
    const QList<uint> text = name.toUcs4();
    const auto *first = reinterpret_cast<const char32_t *>(text.constData());
    const int length = int(text.size());
    const auto [at, found] = find(first, length);
    const bool numbered =
        std::any_of(first, first + length, [](char32_t c) { return c >= U'0' && c <= U'9'; });
    if (found) {
        if (kinds != 0) {
            names[at].kinds = kinds;
            return;
        }
        names.erase(names.begin() + std::ptrdiff_t(at));
        if (numbered) {
            const auto family = skeletons.find(skeleton(first, length));
            if (family != skeletons.end() && --family->second == 0)
                skeletons.erase(family);
        }
        return;
    }
    if (kinds == 0)
        return;
    names.insert(names.begin() + std::ptrdiff_t(at),
                 Name{std::uint32_t(characters.size()), std::uint32_t(length), kinds});
    characters.insert(characters.end(), first, first + length);
    if (numbered)
        ++skeletons[skeleton(first, length)];
}

} // namespace tavrel
