// SPDX-License-Identifier: MIT
#ifndef TAVREL_GENERATE_PACK_H
#define TAVREL_GENERATE_PACK_H

#include <QList>
#include <QString>

struct PackOptions
{
    int files = 200;
    int items = 50000;
    quint32 seed = 20261207;
};

// A finding the generator planted, where the check reports it: the file as the tool names it
// when run from the folder above the pack (the pack's folder name, then the path below it), the
// line and column counted from 1, and the name it is about.
struct PlantedFinding
{
    QString check;
    QString file;
    int line = 0;
    int column = 0;
    QString subject;

    // "file:line:column: check subject", as the planted list writes it.
    QString text() const;
};

struct PackSummary
{
    int files = 0;
    int itemDefinitions = 0;
    // Every section but the item definitions.
    int otherSections = 0;
    int duplicates = 0;
    int missingResources = 0;
    int twoSkills = 0;

    // Item definitions written under a number ([ITEMDEF 01a2f] with a DEFNAME), and the ID= and
    // DUPEITEM= lines that name such a number; all of them count among itemDefinitions.
    int numberedItems = 0;
    int idLines = 0;
    int dupeItemLines = 0;

    // The definitions beside the items. Characters include those written under a number; the
    // aliases are the lines of the DEFNAME and RESDEFNAME blocks, the item types the lines of
    // TYPEDEFS.
    int characters = 0;
    int numberedCharacters = 0;
    int templates = 0;
    int aliases = 0;
    int aliasBlocks = 0;
    int skillMenus = 0;
    int skills = 0;
    int itemTypes = 0;
    int typeSections = 0;
    int events = 0;
    int speech = 0;
    int regionTypes = 0;
    int areas = 0;
    int spawns = 0;
    int spells = 0;
    int functions = 0;
    // What real packs hold that names nothing wrong: books and their pages, dialogs and their
    // parts, multis numbered as items are, text constants of every shape, and the lines that use
    // lists of one value, ranges, negative numbers, quoted aliases and computed menu options.
    int books = 0;
    int bookPages = 0;
    int dialogs = 0;
    int multis = 0;
    int constants = 0;
    int quietShapes = 0;

    // The references those definitions make (the items' RESOURCES and SKILLMAKE aside), and
    // the broken ones by what is wrong with them.
    int references = 0;
    int undefinedNames = 0;
    int typos = 0;
    int wrongKinds = 0;
    int badCharacters = 0;
    // Uses of an alias whose value names nothing.
    int brokenAliasUses = 0;
    // Other faults of the definitions beside the items: a second ON=@Create in one section, a
    // number that a second item of another defname takes, random lists with an odd number of
    // elements or a weight of 0, sections whose names have a character the server does not take.
    int duplicateTriggers = 0;
    int badNames = 0;
    int duplicateNumbers = 0;
    int oddRandomLists = 0;
    int zeroWeights = 0;
    // Blocks of code left open, closed by another kind's word, or with a ")" too many.
    int blockFaults = 0;
    // The lines of code that name something (an object made, a dialog opened, a function
    // called, a name read or compared), and the faults planted in them.
    int codeNames = 0;
    int codeFaults = 0;

    // Every finding the pack holds, in the order the check reports them.
    QList<PlantedFinding> planted;
};

// Writes the pack below `root`, the server's tables file "tables.scp" in it listing its folders
// as "scripts/..." whatever `root` is called, and beside it, in `root` + ".planted", the list
// of the findings it planted.
PackSummary generatePack(const QString &root, const PackOptions &options);

#endif
