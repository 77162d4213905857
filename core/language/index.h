// SPDX-License-Identifier: MIT
#ifndef TAVREL_INDEX_H
#define TAVREL_INDEX_H

#include "core/language/facts.h"
#include "core/load/nameindex.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <array>
#include <vector>

namespace tavrel {

// A definition or a use of the index: its file and its place among the file's.
struct FactRef
{
    int file = -1;
    int index = -1;

    bool isValid() const { return file >= 0; }
    bool operator==(const FactRef &other) const
    {
        return file == other.file && index == other.index;
    }
};

// What a name stands for, followed through aliases as the server follows them.
struct Resolution
{
    enum Outcome
    {
        // No section defines it.
        Undefined,
        // Defined, of the kinds given; through an alias whose value is a number, also `number`.
        Defined,
        // Aliases that lead to one another, or further than the server follows them.
        Unresolved
    };
    Outcome outcome = Undefined;
    Kinds kinds = 0;
    // The number an alias leads to, or -1.
    qint64 number = -1;
    // Where an alias's value holds a name that no section defines: the aliases followed to it,
    // from the one named, and the name as written in the last one's value, at `heldAt` in it.
    QList<FactRef> aliases;
    QString held;
    qsizetype heldAt = 0;
};

// Every definition and use of the scripts of a load or a workspace, file by file in the order
// they load, with a table of the names, compared regardless of case, to resolve uses with. A
// load adds its files and indexes them once; a workspace changes one file at a time and asks
// what each change touched.
class ScriptIndex
{
public:
    // What a change of files touched: the names whose definitions changed, the aliases that lead
    // to them, and whether the kinds that some section defines changed.
    struct Change
    {
        // What the names stand for changed: their uses resolve anew.
        QSet<int> names;
        // Their definitions only moved, as lines came or went above them.
        QSet<int> moved;
        bool kinds = false;
        bool empty() const { return names.isEmpty() && moved.isEmpty() && !kinds; }
    };

    // With `tracksUses`, the index knows which files use each name, for a workspace's changes
    // and its references.
    explicit ScriptIndex(bool tracksUses = false);

    // A file's facts, after the files added before it; the file's number is returned. Files
    // added so are indexed once, by index().
    int addFile(const QString &path, ScriptFacts &&facts);
    void index();

    // A workspace's changes, each indexed at once: a file's facts replaced, a file inserted
    // before another (at the end with -1), a file taken out.
    void replaceFile(int file, ScriptFacts &&facts);
    int insertFile(const QString &path, ScriptFacts &&facts, int before = -1);
    void removeFile(int file);
    // What the changes since the last call touched.
    Change takeChange();

    // A file looked at against the index without joining it, such as a script outside a
    // workspace's list: it loads after every file and its definitions count while it is in;
    // taking it out leaves the index, and the change it tells next, as they were. One at a time.
    // `touched` is given the names whose definitions it changed.
    int addGuest(const QString &path, ScriptFacts &&facts, QSet<int> *touched = nullptr);
    void removeGuest();

    // The files, in the order they load.
    const QList<int> &files() const { return order; }
    bool hasFile(int file) const;
    const QString &path(int file) const { return entries[size_t(file)].path; }
    const ScriptFacts &facts(int file) const { return entries[size_t(file)].facts; }
    // The number of a file by its path, or -1.
    int fileOf(const QString &path) const { return byPath.value(path, -1); }
    // Whether a file loads before another.
    bool before(int file, int other) const { return rank[size_t(file)] < rank[size_t(other)]; }

    const Definition &definition(FactRef ref) const
    {
        return entries[size_t(ref.file)].facts.definitions.at(ref.index);
    }
    const Use &use(FactRef ref) const { return entries[size_t(ref.file)].facts.uses.at(ref.index); }

    // The number of a lower-case name in the table, or -1; numbered sections are named "#" and
    // their number in hexadecimal ("#f3f").
    int nameOf(QStringView name) const { return names.find(name); }
    const QString &name(int number) const { return names.name(number); }
    qsizetype nameCount() const { return names.size(); }
    static QString numberName(qint64 number);
    // The definitions of a name, in the order they load.
    const QList<FactRef> &definitionsOf(int name) const;
    QList<FactRef> definitionsOf(QStringView name) const;
    // The files that use a name, when uses are tracked.
    QList<int> filesUsing(int name) const;

    // A lower-case name; an alias's value is read as a key of the shape given reads its own.
    Resolution resolve(QStringView name, Shape shape = Shape::Name) const;
    Resolution resolve(int name, Shape shape = Shape::Name) const
    {
        return resolve(name, shape, 0);
    }
    // The number of the name a use of a file names, numbers as "#" names, when uses are tracked;
    // -1 otherwise.
    int nameOfUse(int file, qsizetype use) const
    {
        const std::vector<int> &names = entries[size_t(file)].useNames;
        return size_t(use) < names.size() ? names[size_t(use)] : -1;
    }
    // Whether a numeric [ITEMDEF n] defines the number; multis are numbered apart.
    bool definesItemNumber(qint64 number) const;
    // The kinds some section defines.
    Kinds definedKinds() const;
    // The item definition kept for a defname, the one read last of those with a record; and
    // whether a definition with a record is it.
    FactRef keptRecord(int name) const;
    bool isKept(FactRef definition) const;
    const ItemRecord &record(FactRef definition) const;
    // Whether a kept record has the type: "1 t_food" names any one food.
    bool isRecordType(QStringView type) const;

    qsizetype definitionCount() const { return definitionTotal; }
    qsizetype useCount() const { return useTotal; }

private:
    struct FileEntry
    {
        QString path;
        ScriptFacts facts;
        bool present = false;
        // The names its definitions and, when uses are tracked, its uses go by, in their order.
        std::vector<int> definitionNames;
        std::vector<int> useNames;
    };
    struct NameEntry
    {
        QList<FactRef> definitions;
        // What its definitions other than aliases define, and how many aliases it has: most
        // names resolve from these alone.
        Kinds kinds = 0;
        int aliases = 0;
        // The files that use the name, and how many times each.
        QHash<int, int> users;
    };

    Resolution resolve(int name, Shape shape, int depth) const;
    void resolveAlias(FactRef alias, Shape shape, int depth, Resolution &resolution) const;
    void place(int file, ScriptFacts &&facts);
    // Without `users`, the files' counts of the names they use stay as they were.
    void link(int file, bool users = true);
    void unlink(int file, bool users = true);
    // The counts of the names a file uses, from what it used before to what it uses now.
    void recountUsers(int file, std::vector<int> before, std::vector<int> after);
    int nameFor(const Definition &definition);
    void touch(int name);
    // Whether a name's definitions in a file's facts before a change stand for what they stand
    // for after it, wherever they moved.
    static bool sameMeaning(const ScriptFacts &before, const Definition &was,
                            const ScriptFacts &after, const Definition &is);
    void countRecordType(int name, int delta);
    NameEntry &entryOf(int name);
    void summarize(NameEntry &entry) const;

    bool tracksUses;
    std::vector<FileEntry> entries;
    QHash<QString, int> byPath;
    QList<int> order;
    std::vector<qint64> rank;
    NameIndex names;
    std::vector<NameEntry> byName;
    QHash<qint64, int> itemNumbers;
    std::array<int, size_t(Kind::Count)> kindCounts{};
    QHash<QString, int> recordTypes;
    // For each name, the aliases whose values name it, which a change of it touches too.
    QHash<int, QSet<int>> aliasesNaming;
    QHash<int, QSet<int>> aliasTargets;
    qsizetype definitionTotal = 0;
    qsizetype useTotal = 0;
    Change change;
    bool indexed = false;
    // While a file is replaced, the names its definitions touch, told apart once it is in.
    QSet<int> *deferred = nullptr;
    // The entry guests take, once one came.
    int guest = -1;
};

} // namespace tavrel

Q_DECLARE_TYPEINFO(tavrel::FactRef, Q_PRIMITIVE_TYPE);

#endif
