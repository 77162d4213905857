// SPDX-License-Identifier: MIT
#include "core/load/nameindex.h"

#include <QHashFunctions>

namespace tavrel {

namespace {

size_t hashOf(QStringView name)
{
    return qHash(name, QHashSeed::globalSeed());
}

} // namespace

// The slot holding the name, or the empty one where it belongs; the table is never full.
size_t NameIndex::slotOf(QStringView name, size_t hash) const
{
    const size_t mask = table.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = table[at];
        if (slot.number < 0 || (slot.hash == hash && QStringView(slot.text, slot.size) == name))
            return at;
    }
}

void NameIndex::grow()
{
    std::vector<Slot> old;
    old.swap(table);
    table.resize(old.empty() ? 64 : 2 * old.size());
    for (const Slot &slot : old) {
        if (slot.number >= 0)
            table[slotOf(QStringView(slot.text, slot.size), slot.hash)] = slot;
    }
}

int NameIndex::add(const QString &name)
{
    // At most half full, so that a search for a missing name ends soon.
    if (2 * (names.size() + 1) > table.size())
        grow();
    const size_t hash = hashOf(name);
    Slot &slot = table[slotOf(name, hash)];
    if (slot.number < 0) {
        // The text stays where it is as long as the name is kept; a text that only refers to
        // another's is copied first.
        names.push_back(name.data_ptr().isMutable() ? name
                                                    : QString(name.constData(), name.size()));
        slot = Slot{hash, names.back().constData(), int(name.size()), int(names.size()) - 1};
    }
    return slot.number;
}

int NameIndex::find(QStringView name) const
{
    if (table.empty())
        return -1;
    const size_t hash = hashOf(name);
    return table[slotOf(name, hash)].number;
}

} // namespace tavrel
