// SPDX-License-Identifier: MIT
#include "bench/generate_pack.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a synthetic script pack."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("directory"), QStringLiteral("Where to write it."));
    const QCommandLineOption items(QStringLiteral("items"), QStringLiteral("Item definitions."),
                                   QStringLiteral("n"), QStringLiteral("50000"));
    const QCommandLineOption files(QStringLiteral("files"), QStringLiteral("Script files."),
                                   QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed."),
                                  QStringLiteral("n"), QStringLiteral("20261207"));
    parser.addOptions({items, files, seed});
    parser.process(application);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    PackOptions options;
    options.items = parser.value(items).toInt();
    options.files = parser.value(files).toInt();
    options.seed = parser.value(seed).toUInt();
    const PackSummary summary = generatePack(parser.positionalArguments().at(0), options);
    QTextStream out(stdout);
    out << summary.files << " files, " << summary.itemDefinitions << " item definitions, "
        << summary.otherSections << " other sections, " << summary.duplicates << " duplicate ids, "
        << summary.missingResources << " missing resources, " << summary.twoSkills
        << " items in two skills\n";
    out << "items under a number " << summary.numberedItems << ", ID= " << summary.idLines
        << ", DUPEITEM= " << summary.dupeItemLines << "; characters " << summary.characters << " ("
        << summary.numberedCharacters << " under a number), templates " << summary.templates
        << ", aliases " << summary.aliases << " in " << summary.aliasBlocks
        << " blocks, skill menus " << summary.skillMenus << ", skills " << summary.skills
        << ", item types " << summary.itemTypes << " (" << summary.typeSections
        << " TYPEDEF), events " << summary.events << ", speech " << summary.speech
        << ", region types " << summary.regionTypes << ", areas " << summary.areas << ", spawns "
        << summary.spawns << ", spells " << summary.spells << ", functions " << summary.functions
        << '\n';
    out << "books " << summary.books << " (" << summary.bookPages << " pages), dialogs "
        << summary.dialogs << ", multis " << summary.multis << ", text constants "
        << summary.constants << ", other shapes that name nothing wrong " << summary.quietShapes
        << '\n';
    out << summary.references
        << " references beside the items' resources and skills, broken: " << summary.undefinedNames
        << " naming nothing, " << summary.typos << " typos, " << summary.wrongKinds
        << " of the wrong kind, " << summary.badCharacters << " with a bad character, "
        << summary.brokenAliasUses << " uses of an alias whose value is broken; "
        << summary.duplicateTriggers << " second ON=@Create, " << summary.duplicateNumbers
        << " numbers taken twice, " << summary.oddRandomLists
        << " random lists with an odd number of elements, " << summary.zeroWeights
        << " with a weight of 0, " << summary.badNames << " sections with a bad name, "
        << summary.blockFaults << " blocks of code amiss; " << summary.codeNames
        << " lines of code naming something, " << summary.codeFaults << " of them broken\n";
    out << summary.planted.size() << " findings planted, listed in "
        << QDir::cleanPath(parser.positionalArguments().at(0)) << ".planted\n";
    return summary.files == options.files ? 0 : 1;
}
