// SPDX-License-Identifier: MIT
// Writes a synthetic script pack for the benchmarks and the check's own tests: nested directories
// of script files with item definitions, trigger sections, duplicate ids, missing resources and
// items in two skills; then, after the items of each file, the other definitions of a pack in
// proportion to its items (characters, templates, aliases, text constants, skill menus, skills,
// item types, events, speech, region types, areas, spawns, spells, books, dialogs, multis),
// about 1 % of their references broken. Every fault is planted where the check will find it, and
// the shapes real packs hold that name nothing wrong are written beside them.
#include "bench/generate_pack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <numeric>
#include <tuple>
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
    Function,
    Dialog,
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
    {Spell, "s_", Skill},         {Color, "color_", Character},    {Function, "f_", PoolCount},
    {Dialog, "d_", Template},
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
                                    "t_grain",        "t_meat_raw",     "t_bandage",
                                    "t_multi"};
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
    WeightedList,
    // A name in quotes, which the server strips where the alias is used.
    Quoted
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
    {"random_monsters", "c_random_", CharacterAlias, WeightedList, Monster},
    {"quoted_items", "i_quoted_", ItemAlias, Quoted, Crafted}};
constexpr int aliasGroupCount = countOf(aliasGroups);

// Constants of a [DEFNAME] block that only code reads, as real packs hold them by the thousand:
// messages, words, lists, flags, paths, negative numbers, names with dots and letters outside
// ASCII. "%1" is the block's number.
const char *const textConstants[] = {"msg_age_%1 \"The 2nd Age\"",
                                     "facet_name_%1 Felucca",
                                     "menu_hair_%1 New Hair, 50000, d_hair_style",
                                     "upd_flags_%1 statf_a|statf_b",
                                     "db_file_%1 databases/adddialog.db",
                                     "color_text_%1 -1",
                                     "NPCBrain.%1 brain_none",
                                     "Map.Trammel.%1 1",
                                     "nom_\xc3\xa9t\xc3\xa9_%1 5",
                                     "range_%1 {-10000 -6001}",
                                     "greeting_%1 Hello, <src.name>!",
                                     "sound_%1 0x57"};

int scaled(int items, int itemsPerSection)
{
    return std::max(leastSections, items / itemsPerSection);
}

// "orc_42": a word of a table, in turn, and the index that keeps the name apart.
template <class Words> QString nameAt(const Words &words, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(words[index % countOf(words)])).arg(index);
}

// The text of a script file as it is written, with the line and column it has reached, so that
// a finding planted in it knows where the check will report it.
class ScriptText
{
public:
    explicit ScriptText(const QString &name) : name(name) {}

    ScriptText &operator<<(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == u'\n') {
                ++line;
                lineStart = content.size() + i + 1;
            }
        }
        content += text;
        return *this;
    }
    ScriptText &operator<<(const QString &text) { return *this << QStringView(text); }
    ScriptText &operator<<(QLatin1String text) { return *this << QString(text); }
    ScriptText &operator<<(const char *text) { return *this << QString::fromUtf8(text); }
    ScriptText &operator<<(const QByteArray &text) { return *this << QString::fromUtf8(text); }
    ScriptText &operator<<(char c) { return *this << QString(QLatin1Char(c)); }
    ScriptText &operator<<(int n) { return *this << QString::number(n); }
    ScriptText &operator<<(quint32 n) { return *this << QString::number(n); }
    ScriptText &operator<<(double n) { return *this << QString::number(n); }

    int column() const { return int(content.size() - lineStart) + 1; }

    // The file as the check names it.
    const QString name;
    QString content;
    int line = 1;
    qsizetype lineStart = 0;
};

// What a broken reference is, and the finding it makes.
enum class Held
{
    Nothing,
    Undefined,
    WrongKind
};

// The definitions beside the items and the references they make. Its random numbers are its own,
// so that the items come out as they did before there was anything beside them.
class Pack
{
public:
    Pack(const PackOptions &options, PackSummary &summary);

    void startFile(ScriptText &text) { out = &text; }

    // An item definition: under a number for a quarter of the items, a few taking the number of
    // an earlier item of another defname; a few redefine an earlier id.
    void writeItem(QRandomGenerator &itemRandom, int id, bool duplicate);
    void writeFunction(int file, int index);
    // Writes every file's share of the definitions after its items.
    void writeSections(const std::vector<ScriptText *> &files);

private:
    struct SectionKind
    {
        void (Pack::*write)(int index);
        int PackSummary::*count;
        int total;
    };
    // An alias as the references that use it see it.
    struct Alias
    {
        QString value;
        Held held = Held::Nothing;
    };

    int pick(int size) { return int(random.bounded(size)); }
    void plant(const char *check, const QString &subject)
    {
        summary.planted.append(PlantedFinding{QString::fromLatin1(check), out->name, out->line,
                                              out->column(), subject});
    }

    QString itemSection(int id, bool duplicate);
    void writeArt(const QString &section);
    QString real(Pool pool);
    // A name of the pool, now and then broken: the finding it makes is planted where the text
    // stands, so it must be written at once. `kindChecked` tells whether the key takes only
    // some kinds, so that a name of another kind is a finding; numbers are checked only where
    // the key needs a scripted item.
    // A name that ends where its word does (a call, a bare name an IF compares, FINDID.name) is
    // never broken by a character a name cannot hold, which would end it early.
    QString reference(Pool pool, const QString &name, bool kindChecked, bool numberChecked = false,
                      bool wordOnly = false);
    QString refer(Pool pool, bool kindChecked = true)
    {
        return reference(pool, real(pool), kindChecked, pool == ItemNumber);
    }
    // The same for an alias's value, which is checked where the alias is used.
    QString quietReference(Pool pool, Held &held);
    QString undefined(Pool pool);
    QString typo(const QString &name);
    QString withBadCharacter(const QString &name);
    void writeItemName(bool kindChecked = true);
    void writeItemValue();
    void writeAmounts(Pool first, Pool second);
    void writeRandomList();
    QString aliasList(Pool names, Held &held);
    void writeItemLines(int firstKey, int keys, int lines);
    void writeCode(int lines);
    QString word(Pool pool, bool kindChecked = false)
    {
        return reference(pool, real(pool), kindChecked, false, true);
    }

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
    static QString dialogName(int index) { return QStringLiteral("d_menu_%1").arg(index); }
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

    void writeCharacter(int index);
    void writeTemplate(int index);
    void writeAliases(int block);
    void writeItemNames(int index);
    void writeTextConstants(int index);
    void writeSkillMenu(int index);
    void writeSkill(int index);
    void writeTypeNumbers(int index);
    void writeTypeSection(int index);
    void writeEvents(int index);
    void writeSpeech(int index);
    void writeRegionType(int index);
    void writeArea(int index);
    void writeSpawn(int index);
    void writeSpell(int index);
    void writeBook(int index);
    void writeDialog(int index);
    void writeMulti(int index);

    static constexpr int creatureCount = countOf(creatures);

    QRandomGenerator random;
    PackSummary &summary;
    const int itemCount;
    ScriptText *out = nullptr;
    std::vector<SectionKind> kinds;
    QStringList pools[PoolCount];
    // The names of every pool in lower case, so that no typo lands on a real name.
    QSet<QString> realNames;
    QHash<QString, Alias> aliases;
    // Items written the first time, by id and by number, and the numbers taken a second time.
    std::vector<int> definedIds;
    std::vector<int> itemNumbers;
    QHash<int, int> takenNumbers;
    // The id of the item that wrote each number last: a number written again for another id is
    // defined again, whether by an item taking it or by the redefinition of one that took it.
    QHash<QString, int> numberWriters;
    // The findings of an item's resources, which a later definition of its id takes away.
    QHash<int, QList<qsizetype>> resourceFindings;
    int bodyCount = 0;
};

// One section kind in every this many items of a pack, beside the kinds above.
constexpr int itemsPerBook = 500;
constexpr int itemsPerDialog = 400;
constexpr int itemsPerMulti = 500;
constexpr int itemsPerConstants = 2000;
// Multis numbered past every item, which an item's ID= names by mistake now and then.
constexpr int firstMultiOnlyNumber = 0x9000;

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
    const int dialogs = scaled(itemCount, itemsPerDialog);
    bodyCount = (characters + charactersPerBody - 1) / charactersPerBody;
    kinds = {{&Pack::writeItemNames, &PackSummary::aliasBlocks, 1},
             {&Pack::writeTypeNumbers, nullptr, 1},
             {&Pack::writeSkill, &PackSummary::skills, skillCount},
             {&Pack::writeSpell, &PackSummary::spells, spellCount},
             {&Pack::writeTypeSection, &PackSummary::typeSections, typeSectionCount},
             {&Pack::writeAliases, &PackSummary::aliasBlocks, aliasBlocks},
             {&Pack::writeTextConstants, nullptr, scaled(itemCount, itemsPerConstants)},
             {&Pack::writeCharacter, &PackSummary::characters, characters},
             {&Pack::writeTemplate, &PackSummary::templates, templates},
             {&Pack::writeSkillMenu, &PackSummary::skillMenus, skillMenus},
             {&Pack::writeEvents, &PackSummary::events, events},
             {&Pack::writeSpeech, &PackSummary::speech, speech},
             {&Pack::writeRegionType, &PackSummary::regionTypes, regionTypes},
             {&Pack::writeArea, &PackSummary::areas, scaled(itemCount, itemsPerArea)},
             {&Pack::writeSpawn, &PackSummary::spawns, scaled(itemCount, itemsPerSpawn)},
             {&Pack::writeBook, &PackSummary::books, scaled(itemCount, itemsPerBook)},
             {&Pack::writeDialog, &PackSummary::dialogs, dialogs},
             {&Pack::writeMulti, &PackSummary::multis, scaled(itemCount, itemsPerMulti)}};

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
    for (int index = 0; index < dialogs; ++index)
        pools[Dialog] << dialogName(index);
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

void Pack::writeArt(const QString &section)
{
    const bool numbered = section.startsWith(u'0');
    if (itemNumbers.empty() || random.bounded(numbered ? 10 : 25) != 0)
        return;
    QString other = hexNumber(itemNumbers.at(size_t(pick(int(itemNumbers.size())))));
    if (other == section)
        return;
    *out << (numbered ? "DUPEITEM=" : "ID=");
    // A multi's number is no item's, however near it lies.
    if (!numbered && random.bounded(100) == 0) {
        other = hexNumber(firstMultiOnlyNumber + pick(leastSections));
        plant("unscripted-id", other);
        *out << other << '\n';
    } else {
        *out << reference(ItemNumber, other, true, true) << '\n';
    }
    ++(numbered ? summary.dupeItemLines : summary.idLines);
}

void Pack::writeItem(QRandomGenerator &itemRandom, int id, bool duplicate)
{
    ScriptText &text = *out;
    const QString section = itemSection(id, duplicate);
    text << "[ITEMDEF ";
    if (section.startsWith(u'0')) {
        if (numberWriters.value(section, id) != id)
            plant("duplicate-definition", section);
        numberWriters.insert(section, id);
    }
    text << section << "]\nDEFNAME=";
    if (duplicate) {
        plant("duplicate-defname", itemId(id));
        // The definition read last is the one linked: the resources of the one before go.
        for (const qsizetype finding : resourceFindings.take(id))
            summary.planted[finding].check.clear();
    }
    text << itemId(id) << '\n';
    writeArt(section);
    text << "NAME=Crafted thing " << id << '\n';
    text << "TYPE=T_NORMAL\n";
    text << "VALUE=" << itemRandom.bounded(1000) << '\n';
    if (pick(20) == 0) {
        text << "TDATA3=-1\n";
        ++summary.quietShapes;
    }
    text << "RESOURCES=";
    const int resources = 1 + int(itemRandom.bounded(5));
    for (int r = 0; r < resources; ++r) {
        if (r)
            text << ", ";
        if (itemRandom.bounded(50) == 0) {
            text << 1 + itemRandom.bounded(9) << ' ';
            const QString missing = QStringLiteral("i_missing_%1").arg(itemRandom.bounded(500));
            resourceFindings[id].append(summary.planted.size());
            plant("missing-resource", missing);
            text << missing;
            ++summary.missingResources;
        } else {
            text << 1 + itemRandom.bounded(20) << ' ';
            const QString resource = itemId(int(itemRandom.bounded(itemCount)));
            if (resource == itemId(id)) {
                resourceFindings[id].append(summary.planted.size());
                plant("self-resource", resource);
            }
            text << resource;
        }
    }
    text << "\nSKILLMAKE=" << skillNames[pickSkill(itemRandom)] << ' '
         << itemRandom.bounded(1000) / 10.0;
    if (itemRandom.bounded(10) == 0) {
        text << ", " << skillNames[pickSkill(itemRandom)] << ' ' << itemRandom.bounded(100);
        ++summary.twoSkills;
    }
    text << "\nON=@Create\nCOLOR=0\n\n";
    ++summary.itemDefinitions;
}

void Pack::writeFunction(int file, int index)
{
    const QString name = QStringLiteral("f_trigger_%1_%2").arg(file).arg(index);
    pools[Function] << name;
    realNames.insert(name);
    *out << "[FUNCTION " << name << "]\n";
    for (int line = 0; line < 6; ++line)
        *out << "IF (<SRC.STR> > " << line * 10 << ")\n    SRC.SYSMESSAGE Hello\nENDIF\n";
    writeCode(2 + pick(6));
    if (pick(4) == 0) {
        // The blocks of real code: IF( without a blank, ELIF and ELSEIF, a ")" in quotes, a verb
        // that starts like a keyword, the cases of a DORAND, one of them a BEGIN ... END.
        *out << "IF(<SRC.STR> > 10)\n  SRC.SYSMESSAGE Strong\nELIF (<SRC.DEX> > 10)\n"
                "  SRC.SYSMESSAGE Quick\nELSEIF (<SRC.INT> > 10) && (<SRC.MANA> == \")\")\n"
                "  SRC.SYSMESSAGE Wise\nELSE\n  forge_axe 1\nENDIF\nDORAND 3\n  SAY One\n"
                "  BEGIN\n    SAY Two\n  END\n  SAY Three\nENDDO\n";
        ++summary.quietShapes;
    }
    if (pick(300) == 0) {
        ++summary.blockFaults;
        switch (pick(3)) {
        case 0:
            plant("block-structure", QStringLiteral("FORCHARS"));
            *out << "FORCHARS 5\n  SAY Hello\n";
            break;
        case 1:
            *out << "IF (<SRC.STR> > 5)";
            plant("block-structure", QStringLiteral(")"));
            *out << ")\n  SAY Hello\nENDIF\n";
            break;
        default:
            *out << "FORCHARS 5\n  SAY Hello\n";
            plant("block-structure", QStringLiteral("END"));
            *out << "END\n";
            break;
        }
    }
    *out << '\n';
    ++summary.otherSections;
    ++summary.functions;
}

// Lines of trigger or function code as real packs write them: most name nothing that can be
// checked, now and then one makes an object, opens a dialog, calls a function or reads a name,
// broken as any reference is now and then.
void Pack::writeCode(int lines)
{
    ScriptText &text = *out;
    const qsizetype planted = summary.planted.size();
    // The code of functions is written with the items, before the aliases have their values:
    // it names items by their own names.
    const auto itemName = [this] {
        const int form = pick(20);
        const Pool pool = form == 0 ? ItemNumber : form < 3 ? CommonItem : Crafted;
        return reference(pool, real(pool), true);
    };
    for (int line = 0; line < lines; ++line) {
        int form = pick(40);
        // Code written before any function or item has none to call or name.
        const bool calls = form == 3 || form == 9;
        const bool names = form == 1 || form == 2 || form == 5 || form == 10 || form == 11;
        if ((calls && pools[Function].isEmpty()) ||
            (names && (definedIds.empty() || itemNumbers.empty())))
            form = 20;
        if (form < 12)
            ++summary.codeNames;
        switch (form) {
        case 0:
            text << "SRC.NEWNPC " << reference(Monster, real(Monster), true) << '\n';
            break;
        case 1:
            text << "SERV.NEWITEM " << itemName() << ", " << 1 + pick(5)
                 << "\nNEW.CONT=<SRC.FINDLAYER.21>\n";
            break;
        case 2:
            text << "NEWITEM {" << itemName() << " 1 " << itemName() << " 1}\nNEW.P=<SRC.P>\n";
            break;
        case 3:
            text << "TIMERF " << 1 + pick(60) << ", " << word(Function) << '\n';
            break;
        case 4:
            text << "SRC.DIALOG " << word(Dialog, true) << '\n';
            break;
        case 5:
            text << "IF (<SRC.BASEID> == " << word(Crafted) << ")\n  SAY Found it\nENDIF\n";
            break;
        case 6:
            text << "IF (<ARGO.ISEVENT." << word(Events) << ">)\n  RETURN 1\nENDIF\n";
            break;
        case 7:
            text << "SRC.SYSMESSAGE @<DEF." << word(Color) << "> Welcome\n";
            break;
        case 8:
            text << "SRC.EVENTS +" << word(Events) << '\n';
            break;
        case 9:
            text << (pick(2) ? "CALL " : "TRY SRC.") << word(Function) << '\n';
            break;
        case 10:
            text << "LOCAL.made=<SERV.ITEMDEF." << word(Crafted, true) << ".NAME>\n";
            break;
        case 11:
            text << "SRC.FINDID." << word(Crafted, true) << ".REMOVE\n";
            break;
        case 12:
            // What looks like a name and is none: numbers, computed names, text in quotes, the
            // server's own verbs after TIMERF, a constant read as 0 where it is missing.
            ++summary.quietShapes;
            switch (pick(8)) {
            case 0:
                text << "ADD 0" << QString::number(0xeed + pick(16), 16) << "\nADD <LOCAL.id>\n";
                break;
            case 1:
                text << "NEWITEM i_<LOCAL.kind>\nSRC.NEWNPC <LOCAL.monster>\n";
                break;
            case 2:
                text << "IF (<SRC.BASEID> == \"i_fake\") || (<LOCAL.i_count> > 5)\n  RETURN 0\n"
                        "ENDIF\n";
                break;
            case 3:
                text << "TIMERF 5, SAY Later\nTIMERF CLEAR\n";
                break;
            case 4:
                text << "SRC.SYSMESSAGE <DEF0.msg_lost_" << pick(100) << ">\n";
                break;
            case 5:
                text << "LOCAL.name=<SERV.ITEMDEF.0eed.NAME>\nTRYSRC <SRC.UID> SAY Hi\n";
                break;
            case 6:
                text << "forge_axe 1\nTAG.last_c_man=<SERV.TIME>\n";
                break;
            default:
                text << "SRC.EVENTS " << real(Events) << "\nVAR.add=<eval <VAR.add>+1>\n";
                break;
            }
            break;
        case 13:
        case 14:
            text << "LOCAL.count=<EVAL <LOCAL.count> + 1>\n";
            break;
        case 15:
        case 16:
            text << "TAG.last=<SERV.TIME>\n";
            break;
        case 17:
            text << "IF (<SRC.STR> > " << pick(100) << ")\n  SRC.STR += 1\nENDIF\n";
            break;
        case 18:
            text << "SRC.SOUND 0" << QString::number(0x1f0 + pick(32), 16) << '\n';
            break;
        case 19:
            text << "ARGN1=<R6>\n";
            break;
        case 20:
        case 21:
            text << "SAY Well met, <SRC.NAME>.\n";
            break;
        default:
            text << "SRC.SYSMESSAGE You feel " << (pick(2) ? "stronger" : "weaker") << ".\n";
            break;
        }
    }
    summary.codeFaults += int(summary.planted.size() - planted);
}

void Pack::writeSections(const std::vector<ScriptText *> &files)
{
    // An empty pack has no item to name, so nothing is written beside its items.
    if (definedIds.empty())
        kinds.clear();
    // Every alias's value is known before any key uses it.
    for (const SectionKind &kind : kinds) {
        if (kind.write != &Pack::writeAliases)
            continue;
        for (int block = 0; block < kind.total; ++block) {
            const AliasGroup &group = aliasGroups[block % aliasGroupCount];
            for (int line = 0; line < aliasesPerBlock; ++line) {
                Alias alias;
                switch (group.value) {
                case Number:
                    alias.value =
                        pick(2) ? hexNumber(1 + pick(0x3e9)) : QString::number(1 + pick(0x3e9));
                    break;
                case Name:
                    alias.value = quietReference(group.names, alias.held);
                    break;
                case Quoted:
                    alias.value = QLatin1Char('"') + quietReference(group.names, alias.held) + u'"';
                    break;
                case WeightedList:
                    alias.value = aliasList(group.names, alias.held);
                    break;
                }
                aliases.insert(aliasName(group, block, line), alias);
            }
        }
    }
    for (int file = 0; file < int(files.size()); ++file) {
        startFile(*files[size_t(file)]);
        for (const SectionKind &kind : kinds) {
            const qint64 total = kind.total;
            const int first = int(total * file / qint64(files.size()));
            const int end = int(total * (file + 1) / qint64(files.size()));
            for (int index = first; index < end; ++index) {
                (this->*kind.write)(index);
                *out << '\n';
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

QString Pack::reference(Pool pool, const QString &name, bool kindChecked, bool numberChecked,
                        bool wordOnly)
{
    ++summary.references;
    const bool number = pool == ItemNumber || pool == BodyNumber;
    const auto alias = aliases.constFind(name);
    if (random.bounded(brokenEvery) != 0 || (number && !numberChecked)) {
        // A name that stands for an alias takes what is wrong with the alias's value.
        if (alias != aliases.cend() && alias->held == Held::Undefined) {
            plant("undefined-name", name);
            ++summary.brokenAliasUses;
        } else if (alias != aliases.cend() && alias->held == Held::WrongKind && kindChecked) {
            plant("wrong-kind", name);
            ++summary.brokenAliasUses;
        }
        return name;
    }
    const Pool wrongKind = kindChecked ? poolTraits[pool].wrongKind : PoolCount;
    int breakage = Undefined;
    if (!number) {
        const int weights =
            std::accumulate(std::begin(breakageWeights), std::end(breakageWeights), 0) -
            (wrongKind == PoolCount ? breakageWeights[WrongKind] : 0);
        int weight = pick(weights);
        for (breakage = 0; weight >= breakageWeights[breakage] ||
                           (breakage == WrongKind && wrongKind == PoolCount);
             ++breakage) {
            if (breakage != WrongKind || wrongKind != PoolCount)
                weight -= breakageWeights[breakage];
        }
    }
    switch (breakage) {
    case Typo:
        if (const QString mistyped = typo(name); !mistyped.isEmpty()) {
            ++summary.typos;
            plant("undefined-name", mistyped);
            return mistyped;
        }
        break;
    case WrongKind: {
        ++summary.wrongKinds;
        const QString other = real(wrongKind);
        const auto held = aliases.constFind(other);
        // An alias of another kind may itself hold a name that is not defined.
        plant(held != aliases.cend() && held->held == Held::Undefined ? "undefined-name"
                                                                      : "wrong-kind",
              other);
        return other;
    }
    case BadCharacter: {
        if (wordOnly)
            break;
        ++summary.badCharacters;
        const QString bad = withBadCharacter(name);
        plant("undefined-name", bad);
        return bad;
    }
    }
    ++summary.undefinedNames;
    const QString lost = undefined(pool);
    plant(number ? "unscripted-id" : "undefined-name", lost);
    return lost;
}

// An alias's value is checked where a key reads the alias: what is wrong with it is noted with
// the alias, and planted at each use.
QString Pack::quietReference(Pool pool, Held &held)
{
    const QString name = real(pool);
    if (random.bounded(brokenEvery) != 0)
        return name;
    switch (pick(3)) {
    case 0:
        if (const QString mistyped = typo(name); !mistyped.isEmpty()) {
            held = Held::Undefined;
            return mistyped;
        }
        break;
    case 1:
        if (poolTraits[pool].wrongKind != PoolCount) {
            held = held == Held::Nothing ? Held::WrongKind : held;
            return real(poolTraits[pool].wrongKind);
        }
        break;
    }
    held = Held::Undefined;
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
void Pack::writeItemName(bool kindChecked)
{
    const int form = pick(20);
    const Pool pool = form == 0   ? ItemNumber
                      : form < 3  ? CommonItem
                      : form == 3 ? ItemAlias
                                  : Crafted;
    *out << reference(pool, real(pool), kindChecked);
}

// What an item line gives: an item, an amount of it, an amount in a range, a template, or a list
// of one value or a range that real packs write too.
void Pack::writeItemValue()
{
    switch (pick(8)) {
    case 0:
        *out << refer(Template);
        return;
    case 1:
        writeItemName();
        *out << ',' << 1 + pick(20);
        return;
    case 2: {
        writeItemName();
        const int least = 1 + pick(50);
        *out << QStringLiteral(",{%1 %2}").arg(least).arg(least + 1 + pick(50));
        return;
    }
    case 3:
        ++summary.quietShapes;
        switch (pick(4)) {
        case 0:
            *out << '{';
            writeItemName();
            *out << '}';
            return;
        case 1:
            *out << '{';
            writeItemName();
            *out << " 0}";
            return;
        case 2:
            writeItemName();
            *out << ",{-" << 10 + pick(10) << " -" << 1 + pick(9) << '}';
            return;
        default:
            *out << "{0bf 1 {024d 024f} 1}";
            return;
        }
    default:
        writeItemName();
        return;
    }
}

// "3 i_a, 1 t_b": RESOURCES and FOODTYPE of a character, whose lists take every kind.
void Pack::writeAmounts(Pool first, Pool second)
{
    const int count = 1 + pick(3);
    for (int element = 0; element < count; ++element) {
        if (element)
            *out << ", ";
        *out << 1 + pick(15) << ' ';
        *out << refer(pick(2) ? first : second, false);
    }
}

// "{i_a 3 i_b 1}", a few with the last weight left out or a weight of 0.
void Pack::writeRandomList()
{
    const int pairs = 2 + pick(3);
    const int zero = pick(100) == 0 ? pick(pairs) : -1;
    const bool odd = pick(100) == 0;
    if (odd) {
        plant("random-range", QString());
        ++summary.oddRandomLists;
    }
    *out << '{';
    for (int pair = 0; pair < pairs; ++pair) {
        if (pair)
            *out << ' ';
        writeItemName();
        if (odd && pair + 1 == pairs)
            break;
        *out << ' ';
        // An odd list's weights are not read as weights.
        if (pair == zero && !odd) {
            plant("random-range", QString());
            ++summary.zeroWeights;
        }
        *out << (pair == zero ? 0 : 1 + pick(10));
    }
    *out << '}';
}

// The value of an alias of a random choice.
QString Pack::aliasList(Pool names, Held &held)
{
    const int pairs = 2 + pick(3);
    QStringList words;
    bool right = false;
    Held wrong = Held::Nothing;
    for (int pair = 0; pair < pairs; ++pair) {
        Held element = Held::Nothing;
        words << quietReference(names, element) << QString::number(1 + pick(10));
        if (element == Held::Undefined)
            held = Held::Undefined;
        else if (element == Held::WrongKind)
            wrong = Held::WrongKind;
        else
            right = true;
    }
    // A list of names of two kinds is of both, which the keys take.
    if (held == Held::Nothing && !right)
        held = wrong;
    return QLatin1Char('{') + words.join(u' ') + QLatin1Char('}');
}

void Pack::writeItemLines(int firstKey, int keys, int lines)
{
    for (int line = 0; line < lines; ++line) {
        const int key = firstKey + pick(keys);
        *out << itemKeys[key] << '=';
        if (key == containerKey)
            *out << refer(Container);
        else
            writeItemValue();
        *out << '\n';
    }
}

void Pack::writeCharacter(int index)
{
    ScriptText &text = *out;
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
    if (!body) {
        text << "ID=";
        text << refer(pick(2) ? Body : BodyNumber) << '\n';
    }
    text << "ICON=";
    writeItemName();
    text << '\n';
    if (creature.role != Role::Vendor) {
        text << "RESOURCES=";
        writeAmounts(Crafted, CommonItem);
        text << '\n';
    }
    if (creature.role == Role::Animal) {
        text << "FOODTYPE=";
        writeAmounts(ItemType, Crafted);
        text << '\n';
    }
    if (pick(2))
        text << "TEVENTS=" << refer(Events) << '\n';
    if (creature.role == Role::Vendor)
        text << "TSPEECH=" << refer(Speech) << '\n';
    // Colours are not names a check reads.
    if (pick(4) == 0)
        text << "COLOR=" << real(Color) << '\n';
    if (pick(5) == 0)
        writeItemLines(0, countOf(itemKeys), 1);
    const int creates = pick(200) == 0 ? 2 : 1;
    for (int create = 0; create < creates; ++create) {
        text << "ON=";
        if (create > 0) {
            plant("duplicate-trigger", QStringLiteral("create"));
            ++summary.duplicateTriggers;
        }
        text << "@Create\n";
        writeItemLines(0, firstRestockKey, 2 + pick(4));
    }
    if (creature.role == Role::Vendor) {
        text << "ON=@NPCRestock\n";
        writeItemLines(firstRestockKey, countOf(itemKeys) - firstRestockKey, 2 + pick(5));
    }
}

void Pack::writeTemplate(int index)
{
    ScriptText &text = *out;
    // Now and then a stray template whose name the server refuses, beside the real one.
    if (index % 200 == 7) {
        text << "[TEMPLATE ";
        const QString stray = QStringLiteral("tm_stray-%1").arg(index);
        plant("bad-name", stray);
        text << stray << "]\nCONTAINER=" << real(Container) << "\n\n";
        ++summary.badNames;
    }
    text << "[TEMPLATE " << templateName(index) << "]\n";
    if (pick(2))
        text << "CONTAINER=" << refer(Container) << '\n';
    const int lines = 2 + pick(5);
    for (int line = 0; line < lines; ++line) {
        const int form = pick(10);
        text << "ITEM=";
        if (form < 3) {
            writeRandomList();
        } else if (form < 5 && index > 0) {
            // Only earlier templates, so that none holds itself.
            text << reference(Template, templateName(pick(index)), true);
        } else {
            writeItemName();
            text << ",{" << 1 + pick(100) << ' ' << 101 + pick(100) << "},R" << 1 + pick(10);
        }
        text << '\n';
    }
}

void Pack::writeAliases(int block)
{
    const AliasGroup &group = aliasGroups[block % aliasGroupCount];
    *out << '[' << (pick(5) == 0 ? "RESDEFNAME " : "DEFNAME ") << group.group << '_' << block
         << "]\n";
    for (int line = 0; line < aliasesPerBlock; ++line) {
        const QString name = aliasName(group, block, line);
        *out << name << ' ' << aliases.value(name).value << '\n';
    }
    summary.aliases += aliasesPerBlock;
}

// The usual names of common items, containers and reagents, given to items of the pack: an
// alias of a name, as an alias of a number has no type and would be no resource.
void Pack::writeItemNames(int)
{
    *out << "[DEFNAME item_names]\n";
    for (const Pool pool : {CommonItem, Container, Reagent}) {
        for (const QString &name : std::as_const(pools[pool]))
            *out << name << ' ' << real(Crafted) << '\n';
        summary.aliases += int(pools[pool].size());
    }
}

void Pack::writeTextConstants(int index)
{
    *out << "[DEFNAME texts_" << index << "]\n";
    for (const char *constant : textConstants)
        *out << QString::fromUtf8(constant).arg(index) << '\n';
    summary.constants += countOf(textConstants);
}

void Pack::writeSkillMenu(int index)
{
    ScriptText &text = *out;
    const QString skill = QString::fromLatin1(skillNames[index % skillCount]);
    // The first line of a menu is its title.
    text << "[SKILLMENU " << skillMenuName(index) << "]\n" << skill << " menu\n";
    const int menus = int(pools[SkillMenu].size());
    const int options = 3 + pick(6);
    for (int option = 1; option <= options; ++option) {
        const QString made = real(Crafted);
        text << "ON=" << reference(Crafted, made, true);
        // What an option shows may be computed; the item it names is read all the same.
        if (pick(4) == 0) {
            text << " <name> (<resmake>)\n";
            ++summary.quietShapes;
        } else {
            text << " Option " << option << '\n';
        }
        if (pick(5) == 0) {
            // Another menu, never this one.
            text << "SKILLMENU="
                 << reference(SkillMenu, skillMenuName((index + 1 + pick(menus - 1)) % menus), true)
                 << '\n';
        } else {
            text << "TEST=" << reference(Skill, skill, false) << ' ' << pick(1000) / 10.0 << '\n';
            text << "MAKEITEM=" << reference(Crafted, made, true) << '\n';
        }
    }
}

void Pack::writeSkill(int index)
{
    *out << "[SKILL " << index << "]\nDEFNAME=SKILL_" << QByteArray(skillNames[index]).toUpper()
         << "\nKEY=" << skillNames[index] << '\n';
}

void Pack::writeTypeNumbers(int)
{
    *out << "[TYPEDEFS]\n";
    for (int index = 0; index < itemTypeCount; ++index) {
        *out << typeName(index) << ' '
             << (index < builtInTypeCount ? index : firstCustomTypeNumber + index) << '\n';
    }
    summary.itemTypes += itemTypeCount;
}

// The code of an item type whose number a [TYPEDEFS] line gives.
void Pack::writeTypeSection(int index)
{
    *out << "[TYPEDEF " << typeName(builtInTypeCount + index)
         << "]\nON=@DClick\nSRC.SYSMESSAGE Nothing happens.\nRETURN 1\n";
}

void Pack::writeEvents(int index)
{
    *out << "[EVENTS " << pools[Events].at(index) << "]\n";
    for (int trigger = pick(3); trigger < countOf(eventsTriggers); trigger += 1 + pick(2)) {
        *out << "ON=" << eventsTriggers[trigger] << '\n';
        writeCode(pick(4));
        // Now and then an IF never closed, which runs to the end of its trigger.
        const bool unclosed = pick(100) == 0;
        if (unclosed) {
            plant("block-structure", QStringLiteral("IF"));
            ++summary.blockFaults;
        }
        *out << "IF (<SRC.ISPLAYER>)\n    SAY Begone\n" << (unclosed ? "" : "ENDIF\n");
    }
}

void Pack::writeSpeech(int index)
{
    *out << "[SPEECH " << pools[Speech].at(index) << "]\n";
    for (int keyword = pick(2); keyword < countOf(speechKeywords); keyword += 1 + pick(3))
        *out << "ON=*" << speechKeywords[keyword]
             << "*\nIF (<SRC.ISPLAYER>)\n  SAY Well met.\nENDIF\n";
}

void Pack::writeRegionType(int index)
{
    *out << "[REGIONTYPE " << pools[RegionType].at(index)
         << "]\nON=@Enter\nSRC.SYSMESSAGE You enter a quiet place.\nON=@Exit\nRETURN 0\n";
}

void Pack::writeArea(int index)
{
    const int x = pick(6000);
    const int y = pick(4000);
    *out << "[AREADEF a_" << nameAt(areaWords, index)
         << "]\nNAME=" << title(areaWords[index % countOf(areaWords)]) << ' ' << index
         << "\nGROUP=Towns\nP=" << x << ',' << y << ",0,0\nRECT=" << x - 50 << ',' << y - 50 << ','
         << x + 50 << ',' << y + 50 << ",0\n";
    const int events = 1 + pick(2);
    for (int line = 0; line < events; ++line)
        *out << "EVENTS=" << refer(RegionType) << '\n';
}

void Pack::writeSpawn(int index)
{
    *out << "[SPAWN s_spawn_" << creatures[index % creatureCount].word << '_' << index << "]\n";
    const int lines = 2 + pick(4);
    for (int line = 0; line < lines; ++line)
        *out << "ID=" << refer(pick(5) == 0 ? CharacterAlias : Monster, false) << '\n';
}

void Pack::writeSpell(int index)
{
    *out << "[SPELL " << index + 1 << "]\nDEFNAME=" << pools[Spell].at(index)
         << "\nNAME=" << title(spellNames[index]) << "\nRESOURCES=";
    const int reagents = 1 + pick(3);
    for (int reagent = 0; reagent < reagents; ++reagent) {
        if (reagent)
            *out << ", ";
        *out << refer(Reagent, false);
    }
    *out << "\nRUNE_ITEM=" << refer(Crafted) << '\n';
}

// A book and its pages, each page a section of its own.
void Pack::writeBook(int index)
{
    const QString name = QStringLiteral("b_guide_%1").arg(index);
    const int pages = 1 + pick(4);
    *out << "[BOOK " << name << "]\nAUTHOR=The scribe\nTITLE=Guide " << index << "\nPAGES=" << pages
         << '\n';
    for (int page = 1; page <= pages; ++page)
        *out << "\n[BOOK " << name << ' ' << page << "]\nThe road leads on,\nto page " << page + 1
             << ".\n";
    summary.bookPages += pages;
}

// A dialog's layout, then its texts and its buttons in sections of their own.
void Pack::writeDialog(int index)
{
    const QString name = dialogName(index);
    *out << "[DIALOG " << name << "]\n0,0\npage 0\nresizepic 0 0 5054 240 120\n"
         << "IF (<src.isgm>)\n  dtext 20 20 0 GM\nENDIF\n"
         << "dtext 20 40 0 <src.name>\nbutton 20 80 4005 4007 1 0 1\n\n"
         << "[DIALOG " << name << " TEXT]\nWelcome, traveller.\nIf you may, choose well.\n\n"
         << "[DIALOG " << name << " BUTTON]\nON=0\nRETURN 1\nON=1\nSRC.SYSMESSAGE Chosen.\n";
    writeCode(pick(3));
}

// A multi whose number an item has too: multis are numbered apart from the items.
void Pack::writeMulti(int index)
{
    const int number = index < int(itemNumbers.size()) ? itemNumbers.at(size_t(index))
                                                       : firstMultiOnlyNumber + index;
    *out << "[MULTIDEF " << hexNumber(index < leastSections ? firstMultiOnlyNumber + index : number)
         << "]\nDEFNAME=m_house_" << index << "\nTYPE=t_multi\nCOMPONENT=" << refer(Crafted)
         << ",0,0,0\n";
}

} // namespace

QString PlantedFinding::text() const
{
    return QStringLiteral("%1:%2:%3: %4 %5").arg(file).arg(line).arg(column).arg(check, subject);
}

PackSummary generatePack(const QString &root, const PackOptions &options)
{
    QRandomGenerator random(options.seed);
    PackSummary summary;
    Pack pack(options, summary);
    QDir().mkpath(root);
    const QString name = QFileInfo(QDir::cleanPath(root)).fileName();

    std::vector<std::unique_ptr<ScriptText>> texts;
    QStringList paths;
    QStringList folders;
    const int perFile = (options.items + options.files - 1) / options.files;
    int item = 0;
    for (int file = 0; file < options.files; ++file) {
        // Four levels of nesting: pack/group/subgroup/file, the files in the order a walk of
        // the folders meets them.
        const QString folder = QStringLiteral("group%1/sub%2")
                                   .arg(qint64(file) * 10 / options.files)
                                   .arg(qint64(file) * 50 / options.files % 5);
        if (!folders.contains(folder))
            folders.append(folder);
        const QString relative =
            QStringLiteral("%1/items%2.scp").arg(folder).arg(file, 3, 10, QLatin1Char('0'));
        QDir().mkpath(root + u'/' + folder);
        paths << root + u'/' + relative;
        texts.push_back(std::make_unique<ScriptText>(name + u'/' + relative));
        pack.startFile(*texts.back());

        // The last file takes what the redefinitions left over.
        const bool last = file + 1 == options.files;
        for (int k = 0; (k < perFile || last) && item < options.items; ++k) {
            if (random.bounded(10) == 0)
                pack.writeFunction(file, k);
            // A few ids come again later in the pack and replace the earlier definition.
            const bool duplicate = item > 100 && random.bounded(200) == 0;
            const int id = duplicate ? int(random.bounded(item)) : item++;
            summary.duplicates += duplicate ? 1 : 0;
            pack.writeItem(random, id, duplicate);
        }
    }
    std::vector<ScriptText *> files;
    for (const auto &text : texts)
        files.push_back(text.get());
    pack.writeSections(files);

    for (size_t file = 0; file < texts.size(); ++file) {
        QFile out(paths.at(qsizetype(file)));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(texts[file]->content.toUtf8()) < 0) {
            summary.files = int(file);
            return summary;
        }
    }
    // The server's tables file lists the folders as the server's folder sees them.
    QFile tables(root + QStringLiteral("/tables.scp"));
    if (tables.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QByteArray listing = "[RESOURCES]\n";
        for (const QString &folder : std::as_const(folders))
            listing += "scripts/" + folder.toUtf8() + "/\n";
        tables.write(listing);
    }

    summary.planted.removeIf([](const PlantedFinding &f) { return f.check.isEmpty(); });
    std::stable_sort(summary.planted.begin(), summary.planted.end(),
                     [](const PlantedFinding &a, const PlantedFinding &b) {
                         return std::tie(a.file, a.line, a.column) <
                                std::tie(b.file, b.line, b.column);
                     });
    QFile planted(QDir::cleanPath(root) + QStringLiteral(".planted"));
    if (planted.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QString list;
        for (const PlantedFinding &finding : std::as_const(summary.planted))
            list += finding.text() + u'\n';
        planted.write(list.toUtf8());
    }
    return summary;
}
