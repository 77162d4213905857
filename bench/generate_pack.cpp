// SPDX-License-Identifier: MIT
// Writes a synthetic script pack for the benchmarks: nested directories of script files with
// item definitions, trigger sections, duplicate ids, missing resources and items in two skills.
#include "bench/generate_pack.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

namespace {

const char *const skillNames[] = {
    "Blacksmithy", "Carpentry",   "Tailoring",   "Alchemy",      "Tinkering",     "Bowcraft",
    "Cooking",     "Inscription", "Cartography", "Mining",       "Lumberjacking", "Fishing",
    "Magery",      "Fletching",   "Masonry",     "Glassblowing", "Herding",       "Veterinary",
    "Poisoning",   "Lockpicking", "Tracking",    "Musicianship", "Peacemaking",   "Provocation",
    "Discordance", "Stealing",    "Snooping",    "Forensics",    "Anatomy",       "Healing",
    "Necromancy",  "Chivalry",    "Bushido",     "Ninjitsu",     "Spellweaving",  "Mysticism",
    "Imbuing",     "Throwing",    "Focus",       "Meditation"};
constexpr int skillCount = int(sizeof(skillNames) / sizeof(skillNames[0]));

QString itemId(int index)
{
    return QStringLiteral("i_item_%1").arg(index, 6, 10, QLatin1Char('0'));
}

// The first skill makes an eighth of all items, so one skill node holds thousands of them.
int pickSkill(QRandomGenerator &random)
{
    if (random.bounded(8) == 0)
        return 0;
    return 1 + int(random.bounded(skillCount - 1));
}

} // namespace

PackSummary generatePack(const QString &root, const PackOptions &options)
{
    QRandomGenerator random(options.seed);
    PackSummary summary;
    QDir().mkpath(root);

    const int perFile = (options.items + options.files - 1) / options.files;
    int item = 0;
    for (int file = 0; file < options.files; ++file) {
        // Four levels of nesting: pack/group/subgroup/file.
        const QString directory =
            QStringLiteral("%1/group%2/sub%3").arg(root).arg(file % 10).arg((file / 10) % 5);
        QDir().mkpath(directory);
        QFile out(
            QStringLiteral("%1/items%2.scp").arg(directory).arg(file, 3, 10, QLatin1Char('0')));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return summary;
        QTextStream text(&out);
        ++summary.files;

        for (int k = 0; k < perFile && item < options.items; ++k, ++item) {
            if (random.bounded(10) == 0) {
                text << "[FUNCTION f_trigger_" << file << '_' << k << "]\n";
                for (int line = 0; line < 6; ++line)
                    text << "IF (<SRC.STR> > " << line * 10
                         << ")\n    SRC.SYSMESSAGE Hello\nENDIF\n";
                text << '\n';
                ++summary.otherSections;
            }
            // A few ids come again later in the pack and replace the earlier definition.
            const bool duplicate = item > 100 && random.bounded(200) == 0;
            const int id = duplicate ? int(random.bounded(item)) : item;
            summary.duplicates += duplicate ? 1 : 0;

            text << "[ITEMDEF " << itemId(id) << "]\n";
            text << "DEFNAME=" << itemId(id) << '\n';
            text << "NAME=Crafted thing " << id << '\n';
            text << "TYPE=T_NORMAL\n";
            text << "VALUE=" << random.bounded(1000) << '\n';
            text << "RESOURCES=";
            const int resources = 1 + int(random.bounded(5));
            for (int r = 0; r < resources; ++r) {
                if (r)
                    text << ", ";
                if (random.bounded(50) == 0) {
                    text << 1 + random.bounded(9) << " i_missing_" << random.bounded(500);
                    ++summary.missingResources;
                } else {
                    text << 1 + random.bounded(20) << ' '
                         << itemId(int(random.bounded(options.items)));
                }
            }
            text << "\nSKILLMAKE=" << skillNames[pickSkill(random)] << ' '
                 << random.bounded(1000) / 10.0;
            if (random.bounded(10) == 0) {
                text << ", " << skillNames[pickSkill(random)] << ' ' << random.bounded(100);
                ++summary.twoSkills;
            }
            text << "\nON=@Create\nCOLOR=0\n\n";
            ++summary.itemDefinitions;
        }
    }
    return summary;
}
