// SPDX-License-Identifier: MIT
#ifndef TAVREL_NAMEINDEX_H
#define TAVREL_NAMEINDEX_H

#include <QString>
#include <QStringView>

#include <vector>

namespace tavrel {

// Names numbered in the order they are first added, for the lookups a load makes by the
// hundred thousand. Each slot keeps its name's hash and where its text is, so that a lookup
// reads one slot and, where the hashes agree, the text: ids such as i_item_000123 share their
// length and most of their characters, and a table of this size is mostly out of the cache.
class NameIndex
{
public:
    // The number of the name, added at the end when it is new.
    int add(const QString &name);
    // The number of the name, or -1.
    int find(QStringView name) const;
    const QString &name(int number) const { return names[size_t(number)]; }
    qsizetype size() const { return qsizetype(names.size()); }

private:
    struct Slot
    {
        size_t hash = 0;
        const QChar *text = nullptr;
        int size = 0;
        int number = -1;
    };
    size_t slotOf(QStringView name, size_t hash) const;
    void grow();

    std::vector<Slot> table;
    std::vector<QString> names;
};

} // namespace tavrel

#endif
