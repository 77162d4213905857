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

    // A lower-case name.
    Resolution resolve(QStringView name) const;
    // The definitions of a lower-case name, indices into `definitions`.
    QList<int> definitionsOf(QStringView name) const;
    // For each distinct name, its definitions in the order of the load.
    const std::vector<QList<int>> &definitionsByName() const { return byName; }
    bool definesItemNumber(qint64 number) const { return itemNumbers.contains(number); }
    // The kinds some section defines.
    Kinds definedKinds() const { return defined; }

    QList<Definition> definitions;
    QList<Reference> references;
    QList<Trigger> triggers;
    QList<RandomList> randomLists;
    QList<BlockProblem> blockProblems;

private:
    Resolution resolve(QStringView name, int depth) const;
    void resolveAlias(const Definition &alias, int depth, Resolution &resolution) const;

    NameIndex names;
    // For each name of the table, its definitions.
    std::vector<QList<int>> byName;
    QSet<qint64> itemNumbers;
    Kinds defined = 0;
};

} // namespace tavrel

#endif
