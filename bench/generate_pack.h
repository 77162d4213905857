// SPDX-License-Identifier: MIT
#ifndef TAVREL_GENERATE_PACK_H
#define TAVREL_GENERATE_PACK_H

#include <QString>

struct PackOptions
{
    int files = 200;
    int items = 50000;
    quint32 seed = 20261207;
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

    // The references those definitions make (the items' RESOURCES and SKILLMAKE aside), and
    // the broken ones by what is wrong with them.
    int references = 0;
    int undefinedNames = 0;
    int typos = 0;
    int wrongKinds = 0;
    int badCharacters = 0;
    // Other faults of the definitions beside the items: a second ON=@Create in one section, a
    // number that a second item of another defname takes, random lists with a word count that is
    // odd or a weight of 0, aliases whose names have a character the server does not take.
    int duplicateTriggers = 0;
    int badNames = 0;
    int duplicateNumbers = 0;
    int oddRandomLists = 0;
    int zeroWeights = 0;
};

PackSummary generatePack(const QString &root, const PackOptions &options);

#endif
