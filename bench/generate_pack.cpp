// SPDX-License-Identifier: MIT
// Writes a synthetic script pack for the benchmarks: nested directories of script files with
// item definitions, trigger sections, duplicate ids, missing resources and items in two skills;
// then, after the items of each file, the other definitions of a pack in proportion to its items
// (characters, templates, aliases, skill menus, skills, item types, events, speech, region types,
// areas, spawns, spells), about 1 % of their references broken.
#include "bench/generate_pack.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

template <class T, int N> constexpr int countOf(const T (&)[N])
{
    return N;
}

const char *const skillNames[] = {
    "Blacksmithy", "Carpentry",   "Tailoring",   "Alchemy",      "Tinkering",     "Bowcraft",
    "Cooking",     "Inscription", "Cartography", "Mining",       "Lumberjacking", "Fishing",
    "Magery",      "Fletching",   "Masonry",     "Glassblowing", "Herding",       "Veterinary",
    "Poisoning",   "Lockpicking", "Tracking",    "Musicianship", "Peacemaking",   "Provocation",
    "Discordance", "Stealing",    "Snooping",    "Forensics",    "Anatomy",       "Healing",
    "Necromancy",  "Chivalry",    "Bushido",     "Ninjitsu",     "Spellweaving",  "Mysticism",
    "Imbuing",     "Throwing",    "Focus",       "Meditation"};
constexpr int skillCount = countOf(skillNames);

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

// Numbers are written in hexadecimal after a 0, as the server's own art and bodies are.
QString hexNumber(int number)
{
    return QLatin1Char('0') + QString::number(number, 16);
}

// "magic_arrow" -> "Magic arrow".
QString title(const char *word)
{
    QString text = QString::fromLatin1(word).replace(u'_', u' ');
    text[0] = text.at(0).toUpper();
    return text;
}

// A quarter of the items are written under a number, the others under their defname. The
// numbers follow the item ids, so that an ID= line can name any item written so far.
constexpr int numberedEvery = 4;
constexpr int firstItemNumber = 0x1000;

// Sections per item definition, after a pack of 68,000 items with a few thousand characters,
// about a thousand templates, several thousand aliases and a few hundred skill menus; every
// kind has a few sections however small the pack.
constexpr int itemsPerCharacter = 20;
constexpr int itemsPerTemplate = 64;
constexpr int itemsPerAliasBlock = 500;
constexpr int aliasesPerBlock = 50;
constexpr int itemsPerSkillMenu = 200;
constexpr int itemsPerEvents = 2000;
constexpr int itemsPerSpeech = 2500;
constexpr int itemsPerRegionType = 2500;
constexpr int itemsPerArea = 1000;
constexpr int itemsPerSpawn = 500;
constexpr int leastSections = 3;
// One character in ten is a body the others take by ID=, written under its number.
constexpr int charactersPerBody = 10;
// A pack's item types hardly grow with its items.
constexpr int itemTypeCount = 250;
constexpr int typeSectionCount = 8;
constexpr int firstCustomTypeNumber = 1000;

// One reference in brokenEvery is broken; how, by these weights.
constexpr int brokenEvery = 100;
enum Breakage
{
    Undefined,
    Typo,
    WrongKind,
    BadCharacter,
    BreakageCount
};
const int breakageWeights[BreakageCount] = {8, 7, 4, 1};

// What a reference names, each with its pool of real names.
enum Pool
{
    Crafted,
    ItemNumber,
    CommonItem,
    Container,
    Reagent,
    ItemAlias,
    Character,
    Monster,
    Body,
    BodyNumber,
    CharacterAlias,
    Template,
    Skill,
    ItemType,
    Events,
    Speech,
    RegionType,
    SkillMenu,
    Spell,
    Color,
    PoolCount
};

struct PoolTraits
{
    Pool pool;
    // How a name that nothing defines starts.
    const char *prefix;
    // Whose names stand in for one of the wrong kind; numbers have none and are only ever broken
    // by naming nothing.
    Pool wrongKind;
};
constexpr PoolTraits poolTraits[] = {
    {Crafted, "i_", Character},   {ItemNumber, "", PoolCount},     {CommonItem, "i_", Character},
    {Container, "i_", Character}, {Reagent, "i_reag_", Spell},     {ItemAlias, "i_", Character},
    {Character, "c_", Crafted},   {Monster, "c_", Crafted},        {Body, "c_", Crafted},
    {BodyNumber, "", PoolCount},  {CharacterAlias, "c_", Crafted}, {Template, "tm_", Character},
    {Skill, "", Spell},           {ItemType, "t_", Events},        {Events, "e_", ItemType},
    {Speech, "spk_", Events},     {RegionType, "r_", ItemType},    {SkillMenu, "sm_", Template},
    {Spell, "s_", Skill},         {Color, "color_", Character},
};

constexpr bool inPoolOrder()
{
    for (int pool = 0; pool < PoolCount; ++pool) {
        if (poolTraits[pool].pool != pool)
            return false;
    }
    return countOf(poolTraits) == PoolCount;
}
static_assert(inPoolOrder(), "poolTraits has one row per pool, in the order of Pool");

// Items that characters, templates and spells name by their usual names, which a DEFNAME block
// gives to items of the pack.
const char *const containerNames[] = {"i_backpack",     "i_bag",   "i_pouch",
                                      "i_chest_wooden", "i_crate", "i_barrel"};
const char *const reagentNames[] = {
    "i_reag_black_pearl",   "i_reag_blood_moss", "i_reag_garlic",      "i_reag_ginseng",
    "i_reag_mandrake_root", "i_reag_nightshade", "i_reag_spider_silk", "i_reag_sulfur_ash"};
const char *const commonItemNames[] = {
    "i_gold",         "i_bandage",  "i_treasure_map3", "i_ingot_iron",  "i_log",
    "i_board",        "i_cloth",    "i_leather",       "i_hides",       "i_feathers",
    "i_bottle_empty", "i_dagger",   "i_torch",         "i_bread_loaf",  "i_apple",
    "i_fish_big",     "i_arrow",    "i_bolt",          "i_shirt_plain", "i_pants_short",
    "i_boots",        "i_robe",     "i_lockpick",      "i_spellbook",   "i_scroll_blank",
    "i_key_copper",   "i_meat_raw", "i_ribs_raw",      "i_candle",      "i_lantern"};

enum class Role
{
    Monster,
    Animal,
    Vendor
};
struct Creature
{
    const char *word;
    Role role;
};
const Creature creatures[] = {
    {"orc", Role::Monster},    {"troll", Role::Monster},      {"ogre", Role::Monster},
    {"lich", Role::Monster},   {"skeleton", Role::Monster},   {"zombie", Role::Monster},
    {"ettin", Role::Monster},  {"harpy", Role::Monster},      {"drake", Role::Monster},
    {"daemon", Role::Monster}, {"wolf", Role::Animal},        {"bear", Role::Animal},
    {"deer", Role::Animal},    {"rabbit", Role::Animal},      {"horse", Role::Animal},
    {"cow", Role::Animal},     {"blacksmith", Role::Vendor},  {"tailor", Role::Vendor},
    {"baker", Role::Vendor},   {"alchemist", Role::Vendor},   {"mage", Role::Vendor},
    {"healer", Role::Vendor},  {"provisioner", Role::Vendor}, {"carpenter", Role::Vendor}};

// The keys of item lines; ON=@Create takes those before firstRestockKey, ON=@NPCRestock the
// others.
const char *const itemKeys[] = {"ITEMNEWBIE", "ITEM", "CONTAINER", "BUY", "SELL"};
constexpr int containerKey = 2;
constexpr int firstRestockKey = 3;

const char *const templateWords[] = {
    "loot_poor",    "loot_meager", "loot_average",    "loot_rich",      "vendor_weapons",
    "vendor_armor", "vendor_food", "vendor_reagents", "treasure_chest", "bones"};
const char *const eventsWords[] = {"orc_ai", "guard", "vendor", "undead", "townsfolk", "quest"};
const char *const speechWords[] = {"vendor", "banker", "guard", "healer", "townsfolk"};
const char *const regionWords[] = {"mine", "forest", "town", "dungeon", "swamp", "desert"};
const char *const areaWords[] = {"britain", "minoc",   "vesper",   "yew",
                                 "cove",    "trinsic", "moonglow", "magincia"};
const char *const eventsTriggers[] = {"@Death", "@Hit", "@GetHit", "@NPCSeeNewPlayer", "@Click"};
const char *const speechKeywords[] = {"hello", "buy", "sell", "train", "news", "bank", "name"};

const char *const builtInTypes[] = {"t_normal",       "t_container",    "t_container_locked",
                                    "t_door",         "t_door_locked",  "t_key",
                                    "t_light_lit",    "t_light_out",    "t_food",
                                    "t_food_raw",     "t_armor",        "t_weapon_mace",
                                    "t_weapon_sword", "t_weapon_fence", "t_weapon_bow",
                                    "t_wand",         "t_telepad",      "t_switch",
                                    "t_book",         "t_rune",         "t_booze",
                                    "t_potion",       "t_fire",         "t_clock",
                                    "t_trap",         "t_map",          "t_sign_gump",
                                    "t_spellbook",    "t_gold",         "t_ore",
                                    "t_ingot",        "t_log",          "t_board",
                                    "t_cloth",        "t_hide",         "t_leather",
                                    "t_reagent",      "t_scroll",       "t_shield",
                                    "t_clothing",     "t_crops",        "t_fruit",
                                    "t_grain",        "t_meat_raw",     "t_bandage"};
constexpr int builtInTypeCount = countOf(builtInTypes);

// The first three circles of magery.
const char *const spellNames[] = {
    "clumsy",         "create_food",  "feeblemind",  "heal",     "magic_arrow", "night_sight",
    "reactive_armor", "weaken",       "agility",     "cunning",  "cure",        "harm",
    "magic_trap",     "magic_untrap", "protection",  "strength", "bless",       "fireball",
    "magic_lock",     "poison",       "telekinesis", "teleport", "unlock",      "wall_of_stone"};
constexpr int spellCount = countOf(spellNames);

enum AliasValue
{
    Number,
    Name,
    WeightedList
};
struct AliasGroup
{
    const char *group;
    const char *prefix;
    // The pool the aliases join, and the one their values name.
    Pool pool;
    AliasValue value;
    Pool names;
};
const AliasGroup aliasGroups[] = {
    {"colors", "color_", Color, Number, PoolCount},
    {"loot_items", "i_loot_", ItemAlias, Name, Crafted},
    {"random_items", "i_random_", ItemAlias, WeightedList, Crafted},
    {"monster_kinds", "c_kind_", CharacterAlias, Name, Monster},
    {"random_monsters", "c_random_", CharacterAlias, WeightedList, Monster}};
constexpr int aliasGroupCount = countOf(aliasGroups);

int scaled(int items, int itemsPerSection)
{
    return std::max(leastSections, items / itemsPerSection);
}

// "orc_42": a word of a table, in turn, and the index that keeps the name apart.
template <class Words> QString nameAt(const Words &words, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(words[index % countOf(words)])).arg(index);
}

// The definitions beside the items and the references they make. Its random numbers are its own,
// so that the items come out as they did before there was anything beside them.
class Pack
{
public:
    Pack(const PackOptions &options, PackSummary &summary);

    // The name of an item section, under a number for a quarter of the items; a few take the
    // number of an earlier item of another defname. Items written under a number the first time
    // can be named by it, as every item written the first time can be by its defname.
    QString itemSection(int id, bool duplicate);
    // An ID= line in some items written under their defname and a DUPEITEM= line in some written
    // under a number, naming the number of an earlier item.
    void writeArt(QTextStream &text, const QString &section);
    // Writes every file's share of the definitions after its items.
    void writeSections(const QStringList &files);

private:
    struct SectionKind
    {
        void (Pack::*write)(QTextStream &text, int index);
        int PackSummary::*count;
        int total;
    };

    int pick(int size) { return int(random.bounded(size)); }
    QString real(Pool pool);
    QString reference(Pool pool, const QString &name);
    QString refer(Pool pool) { return reference(pool, real(pool)); }
    QString undefined(Pool pool);
    QString typo(const QString &name);
    QString withBadCharacter(const QString &name);
    QString item();
    QString itemValue();
    QString amounts(Pool first, Pool second);
    template <class Name> QString randomList(Name name);
    void writeItemLines(QTextStream &text, int firstKey, int keys, int lines);

    QString characterName(int index) const
    {
        return QStringLiteral("c_%1_%2")
            .arg(QLatin1String(creatures[index % creatureCount].word))
            .arg(index);
    }
    QString templateName(int index) const
    {
        return QLatin1String("tm_") + nameAt(templateWords, index);
    }
    QString skillMenuName(int index) const
    {
        return QLatin1String("sm_") +
               QString::fromLatin1(skillNames[index % skillCount]).toLower() + QLatin1Char('_') +
               QString::number(index);
    }
    QString typeName(int index) const
    {
        return index < builtInTypeCount
                   ? QString::fromLatin1(builtInTypes[index])
                   : QStringLiteral("t_custom_%1").arg(index - builtInTypeCount);
    }
    static QString aliasName(const AliasGroup &group, int block, int line)
    {
        return QLatin1String(group.prefix) + QString::number(block * aliasesPerBlock + line);
    }

    void writeCharacter(QTextStream &text, int index);
    void writeTemplate(QTextStream &text, int index);
    void writeAliases(QTextStream &text, int block);
    void writeItemNames(QTextStream &text, int index);
    void writeSkillMenu(QTextStream &text, int index);
    void writeSkill(QTextStream &text, int index);
    void writeTypeNumbers(QTextStream &text, int index);
    void writeTypeSection(QTextStream &text, int index);
    void writeEvents(QTextStream &text, int index);
    void writeSpeech(QTextStream &text, int index);
    void writeRegionType(QTextStream &text, int index);
    void writeArea(QTextStream &text, int index);
    void writeSpawn(QTextStream &text, int index);
    void writeSpell(QTextStream &text, int index);

    static constexpr int creatureCount = countOf(creatures);

    QRandomGenerator random;
    PackSummary &summary;
    const int itemCount;
    std::vector<SectionKind> kinds;
    QStringList pools[PoolCount];
    // The names of every pool in lower case, so that no typo lands on a real name.
    QSet<QString> realNames;
    // Items written the first time, by id and by number, and the numbers taken a second time.
    std::vector<int> definedIds;
    std::vector<int> itemNumbers;
    QHash<int, int> takenNumbers;
    int bodyCount = 0;
};

Pack::Pack(const PackOptions &options, PackSummary &summary)
    : random(options.seed ^ 0x9e3779b9u), summary(summary), itemCount(options.items)
{
    const int characters = scaled(itemCount, itemsPerCharacter);
    const int templates = scaled(itemCount, itemsPerTemplate);
    // Every group of aliases has a block, so that each pool of aliases has names to pick.
    const int aliasBlocks = std::max(aliasGroupCount, scaled(itemCount, itemsPerAliasBlock));
    const int skillMenus = scaled(itemCount, itemsPerSkillMenu);
    const int events = scaled(itemCount, itemsPerEvents);
    const int speech = scaled(itemCount, itemsPerSpeech);
    const int regionTypes = scaled(itemCount, itemsPerRegionType);
    bodyCount = (characters + charactersPerBody - 1) / charactersPerBody;
    kinds = {{&Pack::writeItemNames, &PackSummary::aliasBlocks, 1},
             {&Pack::writeTypeNumbers, nullptr, 1},
             {&Pack::writeSkill, &PackSummary::skills, skillCount},
             {&Pack::writeSpell, &PackSummary::spells, spellCount},
             {&Pack::writeTypeSection, &PackSummary::typeSections, typeSectionCount},
             {&Pack::writeAliases, &PackSummary::aliasBlocks, aliasBlocks},
             {&Pack::writeCharacter, &PackSummary::characters, characters},
             {&Pack::writeTemplate, &PackSummary::templates, templates},
             {&Pack::writeSkillMenu, &PackSummary::skillMenus, skillMenus},
             {&Pack::writeEvents, &PackSummary::events, events},
             {&Pack::writeSpeech, &PackSummary::speech, speech},
             {&Pack::writeRegionType, &PackSummary::regionTypes, regionTypes},
             {&Pack::writeArea, &PackSummary::areas, scaled(itemCount, itemsPerArea)},
             {&Pack::writeSpawn, &PackSummary::spawns, scaled(itemCount, itemsPerSpawn)}};

    for (const char *name : containerNames)
        pools[Container] << QString::fromLatin1(name);
    for (const char *name : reagentNames)
        pools[Reagent] << QString::fromLatin1(name);
    for (const char *name : commonItemNames)
        pools[CommonItem] << QString::fromLatin1(name);
    for (int index = 0; index < characters; ++index) {
        pools[Character] << characterName(index);
        if (creatures[index % creatureCount].role != Role::Vendor)
            pools[Monster] << characterName(index);
        if (index % charactersPerBody == 0) {
            pools[Body] << characterName(index);
            pools[BodyNumber] << hexNumber(1 + index / charactersPerBody);
        }
    }
    for (int block = 0; block < aliasBlocks; ++block) {
        const AliasGroup &group = aliasGroups[block % aliasGroupCount];
        for (int line = 0; line < aliasesPerBlock; ++line)
            pools[group.pool] << aliasName(group, block, line);
    }
    for (int index = 0; index < templates; ++index)
        pools[Template] << templateName(index);
    for (const char *name : skillNames)
        pools[Skill] << QString::fromLatin1(name);
    for (int index = 0; index < itemTypeCount; ++index)
        pools[ItemType] << typeName(index);
    for (int index = 0; index < events; ++index)
        pools[Events] << QLatin1String("e_") + nameAt(eventsWords, index);
    for (int index = 0; index < speech; ++index)
        pools[Speech] << QLatin1String("spk_") + nameAt(speechWords, index);
    for (int index = 0; index < regionTypes; ++index)
        pools[RegionType] << QLatin1String("r_") + nameAt(regionWords, index);
    for (int index = 0; index < skillMenus; ++index)
        pools[SkillMenu] << skillMenuName(index);
    for (const char *name : spellNames)
        pools[Spell] << QLatin1String("s_") + QLatin1String(name);
    for (const QStringList &pool : pools) {
        for (const QString &name : pool)
            realNames.insert(name.toLower());
    }
}

QString Pack::itemSection(int id, bool duplicate)
{
    if (!duplicate)
        definedIds.push_back(id);
    if (id % numberedEvery != 0)
        return itemId(id);
    ++summary.numberedItems;
    if (!duplicate) {
        if (!itemNumbers.empty() && random.bounded(1000) == 0) {
            takenNumbers.insert(id, itemNumbers.at(size_t(pick(int(itemNumbers.size())))));
            ++summary.duplicateNumbers;
        } else {
            itemNumbers.push_back(firstItemNumber + id / numberedEvery);
        }
    }
    return hexNumber(takenNumbers.value(id, firstItemNumber + id / numberedEvery));
}

void Pack::writeArt(QTextStream &text, const QString &section)
{
    const bool numbered = section.startsWith(u'0');
    if (itemNumbers.empty() || random.bounded(numbered ? 10 : 25) != 0)
        return;
    const QString other = hexNumber(itemNumbers.at(size_t(pick(int(itemNumbers.size())))));
    if (other == section)
        return;
    text << (numbered ? "DUPEITEM=" : "ID=") << reference(ItemNumber, other) << '\n';
    ++(numbered ? summary.dupeItemLines : summary.idLines);
}

void Pack::writeSections(const QStringList &files)
{
    // An empty pack has no item to name, so nothing is written beside its items.
    if (definedIds.empty())
        kinds.clear();
    for (int file = 0; file < files.size(); ++file) {
        QFile out(files.at(file));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        QTextStream text(&out);
        for (const SectionKind &kind : kinds) {
            const qint64 total = kind.total;
            const int first = int(total * file / files.size());
            const int end = int(total * (file + 1) / files.size());
            for (int index = first; index < end; ++index) {
                (this->*kind.write)(text, index);
                text << '\n';
                if (kind.count)
                    ++(summary.*kind.count);
                ++summary.otherSections;
            }
        }
        ++summary.files;
    }
}

QString Pack::real(Pool pool)
{
    if (pool == Crafted)
        return itemId(definedIds.at(size_t(pick(int(definedIds.size())))));
    if (pool == ItemNumber)
        return hexNumber(itemNumbers.at(size_t(pick(int(itemNumbers.size())))));
    return pools[pool].at(pick(int(pools[pool].size())));
}

QString Pack::reference(Pool pool, const QString &name)
{
    ++summary.references;
    if (random.bounded(brokenEvery) != 0)
        return name;
    const Pool wrongKind = poolTraits[pool].wrongKind;
    int breakage = Undefined;
    if (wrongKind != PoolCount) {
        int weight =
            pick(std::accumulate(std::begin(breakageWeights), std::end(breakageWeights), 0));
        for (breakage = 0; weight >= breakageWeights[breakage]; ++breakage)
            weight -= breakageWeights[breakage];
    }
    switch (breakage) {
    case Typo:
        if (const QString mistyped = typo(name); !mistyped.isEmpty()) {
            ++summary.typos;
            return mistyped;
        }
        break;
    case WrongKind:
        ++summary.wrongKinds;
        return real(wrongKind);
    case BadCharacter:
        ++summary.badCharacters;
        return withBadCharacter(name);
    }
    ++summary.undefinedNames;
    return undefined(pool);
}

QString Pack::undefined(Pool pool)
{
    if (pool == ItemNumber)
        return hexNumber(firstItemNumber + itemCount / numberedEvery + 1 + pick(0x1000));
    if (pool == BodyNumber)
        return hexNumber(bodyCount + 1 + pick(0x100));
    return QLatin1String(poolTraits[pool].prefix) + QStringLiteral("lost_%1").arg(pick(1000));
}

// One or two letters past the name's prefix deleted, replaced or added: letters only, so that a
// typo of a numbered name never lands on another number.
QString Pack::typo(const QString &name)
{
    const qsizetype from = name.indexOf(u'_') + 1;
    for (int attempt = 0; attempt < 4; ++attempt) {
        QString text = name;
        const int edits = 1 + pick(2);
        for (int edit = 0; edit < edits; ++edit) {
            std::vector<qsizetype> letters;
            for (qsizetype at = from; at < text.size(); ++at) {
                if (text.at(at).isLetter())
                    letters.push_back(at);
            }
            if (letters.empty())
                break;
            const qsizetype at = letters.at(size_t(pick(int(letters.size()))));
            const QChar other(u'a' + (text.at(at).toLower().unicode() - u'a' + 1 + pick(25)) % 26);
            switch (pick(3)) {
            case 0:
                text.remove(at, 1);
                break;
            case 1:
                text[at] = other;
                break;
            default:
                text.insert(at, other);
            }
        }
        if (text.compare(name, Qt::CaseInsensitive) != 0 && !realNames.contains(text.toLower()))
            return text;
    }
    return QString();
}

// "i_bad-name": a "_" past the prefix made another character, or one put in the middle.
QString Pack::withBadCharacter(const QString &name)
{
    const QChar bad = QLatin1String("-.!").at(pick(3));
    QString text = name;
    const qsizetype underscore = name.indexOf(u'_', name.indexOf(u'_') + 1);
    if (underscore > 0)
        text[underscore] = bad;
    else
        text.insert(name.size() / 2 + 1, bad);
    return text;
}

// Most item references name a crafted item; some a common item, an alias or a number.
QString Pack::item()
{
    const int form = pick(20);
    return refer(form == 0 ? ItemNumber : form < 3 ? CommonItem : form == 3 ? ItemAlias : Crafted);
}

// What an item line gives: an item, an amount of it, an amount in a range, or a template.
QString Pack::itemValue()
{
    switch (pick(6)) {
    case 0:
        return refer(Template);
    case 1:
        return item() + QLatin1Char(',') + QString::number(1 + pick(20));
    case 2: {
        const int least = 1 + pick(50);
        return item() + QStringLiteral(",{%1 %2}").arg(least).arg(least + 1 + pick(50));
    }
    default:
        return item();
    }
}

// "3 i_a, 1 t_b": RESOURCES and FOODTYPE of a character.
QString Pack::amounts(Pool first, Pool second)
{
    QString list;
    const int count = 1 + pick(3);
    for (int element = 0; element < count; ++element) {
        if (element)
            list += QLatin1String(", ");
        list += QString::number(1 + pick(15)) + QLatin1Char(' ') +
                (pick(2) ? refer(first) : refer(second));
    }
    return list;
}

// "{i_a 3 i_b 1}", a few with the last weight left out or a weight of 0.
template <class Name> QString Pack::randomList(Name name)
{
    const int pairs = 2 + pick(3);
    const int zero = pick(100) == 0 ? pick(pairs) : -1;
    QStringList words;
    for (int pair = 0; pair < pairs; ++pair)
        words << name() << QString::number(pair == zero ? 0 : 1 + pick(10));
    if (pick(100) == 0) {
        words.removeLast();
        ++summary.oddRandomLists;
    }
    summary.zeroWeights += zero >= 0 ? 1 : 0;
    return QLatin1Char('{') + words.join(u' ') + QLatin1Char('}');
}

void Pack::writeItemLines(QTextStream &text, int firstKey, int keys, int lines)
{
    for (int line = 0; line < lines; ++line) {
        const int key = firstKey + pick(keys);
        text << itemKeys[key] << '=' << (key == containerKey ? refer(Container) : itemValue())
             << '\n';
    }
}

void Pack::writeCharacter(QTextStream &text, int index)
{
    const Creature &creature = creatures[index % creatureCount];
    const bool body = index % charactersPerBody == 0;
    if (body) {
        text << "[CHARDEF " << hexNumber(1 + index / charactersPerBody)
             << "]\nDEFNAME=" << characterName(index) << '\n';
        ++summary.numberedCharacters;
    } else {
        text << "[CHARDEF " << characterName(index) << "]\n";
    }
    text << "NAME=" << title(creature.word) << '\n';
    if (!body)
        text << "ID=" << refer(pick(2) ? Body : BodyNumber) << '\n';
    text << "ICON=" << item() << '\n';
    if (creature.role != Role::Vendor)
        text << "RESOURCES=" << amounts(Crafted, CommonItem) << '\n';
    if (creature.role == Role::Animal)
        text << "FOODTYPE=" << amounts(ItemType, Crafted) << '\n';
    if (pick(2))
        text << "TEVENTS=" << refer(Events) << '\n';
    if (creature.role == Role::Vendor)
        text << "TSPEECH=" << refer(Speech) << '\n';
    if (pick(4) == 0)
        text << "COLOR=" << refer(Color) << '\n';
    if (pick(5) == 0)
        writeItemLines(text, 0, countOf(itemKeys), 1);
    const int creates = pick(200) == 0 ? 2 : 1;
    for (int create = 0; create < creates; ++create) {
        text << "ON=@Create\n";
        writeItemLines(text, 0, firstRestockKey, 2 + pick(4));
    }
    summary.duplicateTriggers += creates - 1;
    if (creature.role == Role::Vendor) {
        text << "ON=@NPCRestock\n";
        writeItemLines(text, firstRestockKey, countOf(itemKeys) - firstRestockKey, 2 + pick(5));
    }
}

void Pack::writeTemplate(QTextStream &text, int index)
{
    text << "[TEMPLATE " << templateName(index) << "]\n";
    if (pick(2))
        text << "CONTAINER=" << refer(Container) << '\n';
    const int lines = 2 + pick(5);
    for (int line = 0; line < lines; ++line) {
        const int form = pick(10);
        text << "ITEM=";
        if (form < 3)
            text << randomList([this] { return item(); });
        // Only earlier templates, so that none holds itself.
        else if (form < 5 && index > 0)
            text << reference(Template, templateName(pick(index)));
        else
            text << item() << ",{" << 1 + pick(100) << ' ' << 101 + pick(100) << "},R"
                 << 1 + pick(10);
        text << '\n';
    }
}

void Pack::writeAliases(QTextStream &text, int block)
{
    const AliasGroup &group = aliasGroups[block % aliasGroupCount];
    text << '[' << (pick(5) == 0 ? "RESDEFNAME " : "DEFNAME ") << group.group << '_' << block
         << "]\n";
    for (int line = 0; line < aliasesPerBlock; ++line) {
        // A name the server refuses now and then, as one comes into a pack by a slip.
        if (line == 0 && block % 8 == 5) {
            text << withBadCharacter(aliasName(group, block, line)) << ' ';
            ++summary.badNames;
        } else {
            text << aliasName(group, block, line) << ' ';
        }
        switch (group.value) {
        case Number:
            text << (pick(2) ? hexNumber(1 + pick(0x3e9)) : QString::number(1 + pick(0x3e9)));
            break;
        case Name:
            text << refer(group.names);
            break;
        case WeightedList:
            text << randomList([this, &group] { return refer(group.names); });
            break;
        }
        text << '\n';
    }
    summary.aliases += aliasesPerBlock;
}

// The usual names of common items, containers and reagents, given to items of the pack: an
// alias of a name, as an alias of a number has no type and would be no resource.
void Pack::writeItemNames(QTextStream &text, int)
{
    text << "[DEFNAME item_names]\n";
    for (const Pool pool : {CommonItem, Container, Reagent}) {
        for (const QString &name : std::as_const(pools[pool]))
            text << name << ' ' << refer(Crafted) << '\n';
        summary.aliases += int(pools[pool].size());
    }
}

void Pack::writeSkillMenu(QTextStream &text, int index)
{
    const QString skill = QString::fromLatin1(skillNames[index % skillCount]);
    text << "[SKILLMENU " << skillMenuName(index) << "]\n" << skill << '\n';
    const int menus = int(pools[SkillMenu].size());
    const int options = 3 + pick(6);
    for (int option = 1; option <= options; ++option) {
        const QString made = real(Crafted);
        text << "ON=" << reference(Crafted, made) << " Option " << option << '\n';
        if (pick(5) == 0) {
            // Another menu, never this one.
            text << "SKILLMENU="
                 << reference(SkillMenu, skillMenuName((index + 1 + pick(menus - 1)) % menus))
                 << '\n';
        } else {
            text << "TEST=" << reference(Skill, skill) << ' ' << pick(1000) / 10.0 << '\n';
            text << "MAKEITEM=" << reference(Crafted, made) << '\n';
        }
    }
}

void Pack::writeSkill(QTextStream &text, int index)
{
    text << "[SKILL " << index << "]\nDEFNAME=SKILL_" << QByteArray(skillNames[index]).toUpper()
         << "\nKEY=" << skillNames[index] << '\n';
}

void Pack::writeTypeNumbers(QTextStream &text, int)
{
    text << "[TYPEDEFS]\n";
    for (int index = 0; index < itemTypeCount; ++index) {
        text << typeName(index) << ' '
             << (index < builtInTypeCount ? index : firstCustomTypeNumber + index) << '\n';
    }
    summary.itemTypes += itemTypeCount;
}

void Pack::writeTypeSection(QTextStream &text, int index)
{
    text << "[TYPEDEF " << typeName(builtInTypeCount + index)
         << "]\nON=@DClick\nSRC.SYSMESSAGE Nothing happens.\nRETURN 1\n";
}

void Pack::writeEvents(QTextStream &text, int index)
{
    text << "[EVENTS " << pools[Events].at(index) << "]\n";
    for (int trigger = pick(3); trigger < countOf(eventsTriggers); trigger += 1 + pick(2))
        text << "ON=" << eventsTriggers[trigger]
             << "\nIF (<SRC.ISPLAYER>)\n    SAY Begone\nENDIF\n";
}

void Pack::writeSpeech(QTextStream &text, int index)
{
    text << "[SPEECH " << pools[Speech].at(index) << "]\n";
    for (int keyword = pick(2); keyword < countOf(speechKeywords); keyword += 1 + pick(3))
        text << "ON=*" << speechKeywords[keyword] << "*\nSAY Well met.\n";
}

void Pack::writeRegionType(QTextStream &text, int index)
{
    text << "[REGIONTYPE " << pools[RegionType].at(index)
         << "]\nON=@Enter\nSRC.SYSMESSAGE You enter a quiet place.\nON=@Exit\nRETURN 0\n";
}

void Pack::writeArea(QTextStream &text, int index)
{
    const int x = pick(6000);
    const int y = pick(4000);
    text << "[AREADEF a_" << nameAt(areaWords, index)
         << "]\nNAME=" << title(areaWords[index % countOf(areaWords)]) << ' ' << index
         << "\nGROUP=Towns\nP=" << x << ',' << y << ",0,0\nRECT=" << x - 50 << ',' << y - 50 << ','
         << x + 50 << ',' << y + 50 << ",0\n";
    const int events = 1 + pick(2);
    for (int line = 0; line < events; ++line)
        text << "EVENTS=" << refer(RegionType) << '\n';
}

void Pack::writeSpawn(QTextStream &text, int index)
{
    text << "[SPAWN s_spawn_" << creatures[index % creatureCount].word << '_' << index << "]\n";
    const int lines = 2 + pick(4);
    for (int line = 0; line < lines; ++line)
        text << "ID=" << refer(pick(5) == 0 ? CharacterAlias : Monster) << '\n';
}

void Pack::writeSpell(QTextStream &text, int index)
{
    text << "[SPELL " << index + 1 << "]\nDEFNAME=" << pools[Spell].at(index)
         << "\nNAME=" << title(spellNames[index]) << "\nRESOURCES=";
    const int reagents = 1 + pick(3);
    for (int reagent = 0; reagent < reagents; ++reagent)
        text << (reagent ? ", " : "") << refer(Reagent);
    text << "\nRUNE_ITEM=" << refer(Crafted) << '\n';
}

} // namespace

PackSummary generatePack(const QString &root, const PackOptions &options)
{
    QRandomGenerator random(options.seed);
    PackSummary summary;
    Pack pack(options, summary);
    QDir().mkpath(root);

    QStringList files;
    const int perFile = (options.items + options.files - 1) / options.files;
    int item = 0;
    for (int file = 0; file < options.files; ++file) {
        // Four levels of nesting: pack/group/subgroup/file.
        const QString directory =
            QStringLiteral("%1/group%2/sub%3").arg(root).arg(file % 10).arg((file / 10) % 5);
        QDir().mkpath(directory);
        files << QStringLiteral("%1/items%2.scp").arg(directory).arg(file, 3, 10, QLatin1Char('0'));
        QFile out(files.last());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return summary;
        QTextStream text(&out);

        for (int k = 0; k < perFile && item < options.items; ++k, ++item) {
            if (random.bounded(10) == 0) {
                text << "[FUNCTION f_trigger_" << file << '_' << k << "]\n";
                for (int line = 0; line < 6; ++line)
                    text << "IF (<SRC.STR> > " << line * 10
                         << ")\n    SRC.SYSMESSAGE Hello\nENDIF\n";
                text << '\n';
                ++summary.otherSections;
                ++summary.functions;
            }
            // A few ids come again later in the pack and replace the earlier definition.
            const bool duplicate = item > 100 && random.bounded(200) == 0;
            const int id = duplicate ? int(random.bounded(item)) : item;
            summary.duplicates += duplicate ? 1 : 0;

            const QString section = pack.itemSection(id, duplicate);
            text << "[ITEMDEF " << section << "]\n";
            text << "DEFNAME=" << itemId(id) << '\n';
            pack.writeArt(text, section);
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
    pack.writeSections(files);
    return summary;
}
