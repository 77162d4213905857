// SPDX-License-Identifier: MIT
#ifndef TAVREL_LANGUAGE_H
#define TAVREL_LANGUAGE_H

#include "core/language/facts.h"
#include "core/load/nameindex.h"

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

namespace tavrel {

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
    QList<int> aliases;
    QString held;
    qsizetype heldAt = 0;
};

// Every definition and reference of a load, in the order of the files, with a table of the
// names, compared regardless of case, to resolve references with.
class ScriptLanguage
{
public:
    // A file's facts, in the order of the load; `file` is the file's index in it.
    void add(int file, ScriptFacts &&facts);
    // Makes the table of names; once every file is added.
    void index();

    // A lower-case name; an alias's value is read as a key of the shape given reads its own.
    Resolution resolve(QStringView name, Shape shape = Shape::Name) const;
    // The definitions of a lower-case name, indices into `definitions`.
    QList<int> definitionsOf(QStringView name) const;
    // For each distinct name, its definitions in the order of the load.
    const std::vector<QList<int>> &definitionsByName() const { return byName; }
    // Whether a numeric [ITEMDEF n] defines the number; multis are numbered apart.
    bool definesItemNumber(qint64 number) const { return itemNumbers.contains(number); }
    // The kinds some section defines.
    Kinds definedKinds() const { return defined; }

    QList<Definition> definitions;
    QList<Reference> references;
    QList<Trigger> triggers;
    QList<RandomList> randomLists;
    QList<BlockProblem> blockProblems;

private:
    Resolution resolve(QStringView name, Shape shape, int depth) const;
    void resolveAlias(int alias, Shape shape, int depth, Resolution &resolution) const;

    NameIndex names;
    // For each name of the table, its definitions.
    std::vector<QList<int>> byName;
    QSet<qint64> itemNumbers;
    Kinds defined = 0;
};

} // namespace tavrel

#endif
