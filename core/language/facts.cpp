// SPDX-License-Identifier: MIT
#include "core/language/facts.h"

#include "core/language/code.h"

#include <QHash>

#include <array>
#include <vector>

namespace tavrel {

namespace {

// The sections whose headers or lines define or name something.
enum class Section
{
    Itemdef,
    Multidef,
    Chardef,
    Template,
    Spawn,
    Typedef,
    SkillMenu,
    Menu,
    Events,
    Speech,
    Names,
    Dialog,
    Book,
    RegionType,
    RegionResource,
    SkillClass,
    Scroll,
    Tip,
    Champion,
    Areadef,
    Roomdef,
    Skill,
    Spell,
    Function,
    Newbie,
    Defnames,
    ResDefnames,
    Typedefs,
    Other
};
constexpr unsigned bit(Section section)
{
    return 1u << unsigned(section);
}

struct SectionWord
{
    const char *word;
    Section section;
    // The kind of the names its header and DEFNAME lines define, or Kind::Count for none.
    Kind defines;
};

const SectionWord sectionWords[] = {
    {"ITEMDEF", Section::Itemdef, Kind::Item},
    {"MULTIDEF", Section::Multidef, Kind::Item},
    {"CHARDEF", Section::Chardef, Kind::Character},
    {"TEMPLATE", Section::Template, Kind::Template},
    {"SPAWN", Section::Spawn, Kind::Spawn},
    {"TYPEDEF", Section::Typedef, Kind::ItemType},
    {"SKILLMENU", Section::SkillMenu, Kind::SkillMenu},
    {"MENU", Section::Menu, Kind::Menu},
    {"EVENTS", Section::Events, Kind::Events},
    {"SPEECH", Section::Speech, Kind::Speech},
    {"NAMES", Section::Names, Kind::Names},
    {"DIALOG", Section::Dialog, Kind::Dialog},
    {"BOOK", Section::Book, Kind::Book},
    {"REGIONTYPE", Section::RegionType, Kind::RegionType},
    {"REGIONRESOURCE", Section::RegionResource, Kind::RegionResource},
    {"SKILLCLASS", Section::SkillClass, Kind::SkillClass},
    {"SCROLL", Section::Scroll, Kind::Scroll},
    {"TIP", Section::Tip, Kind::Tip},
    {"CHAMPION", Section::Champion, Kind::Champion},
    {"AREADEF", Section::Areadef, Kind::Area},
    {"ROOMDEF", Section::Roomdef, Kind::Room},
    {"SKILL", Section::Skill, Kind::Skill},
    {"SPELL", Section::Spell, Kind::Spell},
    {"FUNCTION", Section::Function, Kind::Function},
    {"NEWBIE", Section::Newbie, Kind::Count},
    {"DEFNAME", Section::Defnames, Kind::Count},
    {"RESDEFNAME", Section::ResDefnames, Kind::Count},
    {"TYPEDEFS", Section::Typedefs, Kind::Count},
};

const SectionWord &sectionOf(QStringView kind)
{
    static const SectionWord other{"", Section::Other, Kind::Count};
    for (const SectionWord &word : sectionWords) {
        if (isKeyword(kind, QLatin1String(word.word)))
            return word;
    }
    return other;
}

// Where in a section a key is read: trigger code is run later and not read, but for the item
// lines of a character's stock triggers, which are plain data.
enum Where : unsigned
{
    Properties = 1,
    MenuOptions = 2,
    StockTriggers = 4,
};

struct Rule
{
    unsigned sections;
    const char *keys;
    Shape shape;
    Kinds accepted;
    unsigned char flags;
    unsigned where;
};

constexpr Kinds items = kindBit(Kind::Item);
constexpr Kinds itemsOrTemplates = kindBit(Kind::Item) | kindBit(Kind::Template);
constexpr Kinds crafting = kindBit(Kind::Skill) | kindBit(Kind::ItemType) | kindBit(Kind::Item);
constexpr unsigned itemSections = bit(Section::Itemdef) | bit(Section::Multidef);
constexpr unsigned char numbers = Use::NumberAllowed;

const Rule rules[] = {
    {itemSections, "TYPE", Shape::Name, kindBit(Kind::ItemType), numbers, Properties},
    {bit(Section::Itemdef), "ID DUPEITEM", Shape::Name, items, Use::ScriptedNumber, Properties},
    {bit(Section::Multidef), "DUPEITEM", Shape::Name, items, numbers, Properties},
    {itemSections, "DUPELIST", Shape::List, items, numbers, Properties},
    {itemSections, "RESDISPDNID", Shape::Name, items, numbers, Properties},
    {itemSections, "COMPONENT", Shape::FirstElement, items, numbers, Properties},
    {bit(Section::Multidef), "RESOURCES", Shape::ResourceList, everyKind, 0, Properties},
    {bit(Section::Multidef), "SKILLMAKE", Shape::ResourceList, crafting, 0, Properties},
    {bit(Section::Itemdef), "TDATA1 TDATA2 TDATA3 TDATA4", Shape::Name, everyKind, numbers,
     Properties},
    {itemSections, "TEVENTS", Shape::SignedList, kindBit(Kind::Events) | kindBit(Kind::ItemType),
     numbers, Properties},
    {bit(Section::Chardef), "RESOURCES FOODTYPE DESIRES AVERSIONS", Shape::ResourceList, everyKind,
     0, Properties},
    {bit(Section::Chardef), "ICON", Shape::Name, items, numbers, Properties},
    {bit(Section::Chardef), "ID RESDISPDNID", Shape::Name, kindBit(Kind::Character), numbers,
     Properties},
    {bit(Section::Chardef), "TEVENTS", Shape::SignedList, kindBit(Kind::Events), numbers,
     Properties},
    {bit(Section::Chardef), "TSPEECH", Shape::SignedList, kindBit(Kind::Speech), numbers,
     Properties},
    {bit(Section::Chardef), "ITEM ITEMNEWBIE CONTAINER BUY SELL", Shape::ItemOrList,
     itemsOrTemplates, numbers, Properties | StockTriggers},
    {bit(Section::Spell), "RESOURCES SKILLREQ", Shape::ResourceList, everyKind, 0, Properties},
    {bit(Section::Spell), "RUNE_ITEM SCROLL_ITEM EFFECT_ID", Shape::Name, items, numbers,
     Properties},
    {bit(Section::RegionType), "RESOURCES", Shape::ResourceList, everyKind, 0, Properties},
    {bit(Section::RegionResource), "REAP", Shape::Name, items, numbers, Properties},
    {bit(Section::SkillMenu), "TEST", Shape::ResourceList, everyKind, 0, Properties | MenuOptions},
    {bit(Section::SkillMenu), "MAKEITEM", Shape::Name, items, numbers, Properties | MenuOptions},
    {bit(Section::SkillMenu), "SKILLMENU", Shape::Name, kindBit(Kind::SkillMenu), numbers,
     Properties | MenuOptions},
    {bit(Section::SkillMenu) | bit(Section::Menu), "ON", Shape::Name, items, Use::ScriptedNumber,
     MenuOptions},
    {bit(Section::Template), "CONTAINER ITEM ITEMNEWBIE BUY SELL", Shape::ItemOrList,
     itemsOrTemplates, numbers, Properties},
    {bit(Section::Newbie), "ITEM", Shape::ItemOrList, itemsOrTemplates, numbers, Properties},
    {bit(Section::Areadef) | bit(Section::Roomdef), "EVENTS", Shape::SignedList,
     kindBit(Kind::RegionType), numbers, Properties},
    {bit(Section::Spawn), "ID", Shape::Name, everyKind, numbers, Properties},
};

struct KeyRule
{
    QByteArray word;
    // The key as findings and cross-references show it, shared by all of them.
    QString key;
    const Rule *rule;
};

// The rules of each section, by key.
const std::vector<KeyRule> &rulesOf(Section section)
{
    static const auto table = [] {
        std::array<std::vector<KeyRule>, size_t(Section::Other) + 1> bySection;
        for (const Rule &rule : rules) {
            const QStringList keys = QString::fromLatin1(rule.keys).split(u' ', Qt::SkipEmptyParts);
            for (size_t s = 0; s < bySection.size(); ++s) {
                if (rule.sections & (1u << s)) {
                    for (const QString &key : keys)
                        bySection[s].push_back(KeyRule{key.toLatin1(), key, &rule});
                }
            }
        }
        return bySection;
    }();
    return table[size_t(section)];
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isAsciiLower(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            return false;
    }
    return true;
}

// The lower-case name and, where it differs, the name as written.
void setName(QStringView text, QString &name, QString &written)
{
    if (isAsciiLower(text)) {
        name = text.toString();
        return;
    }
    written = text.toString();
    name = written.toLower();
}

// A span of the script's text, for the words of a value.
struct Word
{
    qsizetype start = 0;
    qsizetype length = 0;
};

Word trimmed(QStringView text, qsizetype start, qsizetype end)
{
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return Word{start, end - start};
}

Word firstWord(QStringView text, qsizetype start, qsizetype end)
{
    const Word all = trimmed(text, start, end);
    qsizetype stop = all.start;
    while (stop < all.start + all.length && !isBlank(text.at(stop)))
        ++stop;
    return Word{all.start, stop - all.start};
}

// The header's words after the kind: the name, and the part a second word names.
Word headerWord(const Script &script, const ScriptSection &section, int index)
{
    const QStringView text = script.text;
    qsizetype from = section.arguments.start;
    const qsizetype end = section.arguments.start + section.arguments.length;
    Word word;
    for (int i = 0; i <= index; ++i) {
        word = firstWord(text, from, end);
        from = word.start + word.length;
    }
    return word;
}

QStringView triggerName(const Script &script, const ScriptLine &opener)
{
    const QStringView text = script.text;
    const Word name =
        firstWord(text, opener.value.start + 1, opener.value.start + opener.value.length);
    return text.mid(name.start, name.length);
}

unsigned whereOf(const Script &script, const ScriptLine &line, bool property, Section section)
{
    if (property)
        return Properties;
    if (line.block < 0)
        return 0;
    const ScriptBlock &block = script.blocks.at(line.block);
    if (block.kind == ScriptBlock::MenuOption)
        return MenuOptions;
    if (block.kind != ScriptBlock::Trigger || section != Section::Chardef)
        return 0;
    const QStringView trigger = triggerName(script, script.lines.at(block.opener));
    for (const char *stock : {"CREATE", "NPCRESTOCK", "CREATELOOT"}) {
        if (isKeyword(trigger, QLatin1String(stock)))
            return StockTriggers;
    }
    return 0;
}

// The first line of a menu is its title ("Test your skill"), whatever its words.
bool isMenuTitle(Section section, const ScriptSection &header, int line)
{
    return (section == Section::SkillMenu || section == Section::Menu) && line == header.firstLine;
}

// Books and dialogs are written in several sections: a book's pages, a dialog's texts and
// buttons follow the name in the header.
bool hasParts(Section section)
{
    return section == Section::Book || section == Section::Dialog;
}

// The value of the last DEFNAME line among a section's properties.
Word defnameOf(const Script &script, const ScriptSection &section)
{
    for (int i = section.firstLine + section.propertyCount - 1; i >= section.firstLine; --i) {
        const ScriptLine &line = script.lines.at(i);
        if (isKeyword(script.key(line), QLatin1String("DEFNAME")))
            return firstWord(script.text, line.value.start, line.value.start + line.value.length);
    }
    return Word();
}

// Reads one section's definitions and references.
class SectionReader
{
public:
    SectionReader(const Script &script, const QString &path, ScriptFacts &facts, int ordinal)
        : script(script), text(script.text), path(path), facts(facts), ordinal(ordinal)
    {
    }

    void read(const ScriptSection &section)
    {
        const SectionWord &word = sectionOf(script.kind(section));
        nameSection(section);
        defineFromHeader(section, word);
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i) {
            if (isMenuTitle(word.section, section, i))
                continue;
            const ScriptLine &line = script.lines.at(i);
            const bool property = i - section.firstLine < section.propertyCount;
            if (property)
                defineFromLine(line, word);
            if (line.block >= 0 && script.blocks.at(line.block).opener == i &&
                script.blocks.at(line.block).kind == ScriptBlock::Trigger)
                noteTrigger(line);
            // A line a key's rule reads is data; any other line of code is read as code.
            if (!referFromLine(line, word.section, whereOf(script, line, property, word.section)) &&
                script.codeBlock(i) >= 0)
                readCodeUses(script, line, path, owner, facts.uses);
        }
    }

private:
    // A numbered section goes by its DEFNAME: "CHARDEF c_steed" rather than "CHARDEF 073".
    void nameSection(const ScriptSection &section)
    {
        const Word name = headerWord(script, section, 0);
        const QStringView written = QStringView(text).mid(name.start, name.length);
        const Word defname = isNumberText(written) ? defnameOf(script, section) : Word();
        label = defname.length > 0 ? text.mid(defname.start, defname.length) : QString();
        if (label.isEmpty())
            owner = script.string(section.name);
        else
            owner = script.kind(section).toString() + u' ' + label;
    }

    Definition &define(Kind kind, Word word, Definition::Origin origin, TextPosition position)
    {
        Definition definition;
        definition.kind = kind;
        definition.origin = origin;
        definition.section = ordinal;
        const QStringView written = QStringView(text).mid(word.start, word.length);
        definition.location = Location::at(path, position, characterCount(written));
        setName(written, definition.name, definition.written);
        facts.definitions.append(std::move(definition));
        return facts.definitions.last();
    }

    void defineFromHeader(const ScriptSection &section, const SectionWord &word)
    {
        if (word.defines == Kind::Count)
            return;
        const Word first = headerWord(script, section, 0);
        if (first.length == 0)
            return;
        const TextPosition position = script.position(section.line, section.lineStart, first.start);
        const QStringView name = QStringView(text).mid(first.start, first.length);
        QString part;
        if (hasParts(word.section)) {
            const Word second = headerWord(script, section, 1);
            part = QStringView(text).mid(second.start, second.length).toString().toLower();
        }
        if (!isNumberText(name)) {
            define(word.defines, first, Definition::Section, position).part = part;
            return;
        }
        // Numbers give item, multi and character ids; other sections are numbered, and named
        // by a DEFNAME or KEY line.
        if (word.defines != Kind::Item && word.defines != Kind::Character)
            return;
        Definition definition;
        definition.kind = word.defines;
        definition.multi = word.section == Section::Multidef;
        definition.section = ordinal;
        definition.number = scriptNumber(name);
        definition.location = Location::at(path, position, characterCount(name));
        definition.name = name.toString();
        definition.label = label;
        facts.definitions.append(std::move(definition));
    }

    void defineFromLine(const ScriptLine &line, const SectionWord &word)
    {
        const QStringView key = script.key(line);
        const Word value = firstWord(text, line.value.start, line.value.start + line.value.length);
        const Word keyWord{line.key.start, line.key.length};
        switch (word.section) {
        case Section::Typedefs:
            if (keyWord.length > 0)
                define(Kind::ItemType, keyWord, Definition::TypeNumber,
                       script.position(line, keyWord.start));
            return;
        case Section::Defnames:
        case Section::ResDefnames:
            if (keyWord.length > 0) {
                Definition &alias = define(Kind::Alias, keyWord, Definition::Key,
                                           script.position(line, keyWord.start));
                alias.value = script.string(line.value);
                alias.valueLocation = Location::at(path, script.position(line, line.value.start),
                                                   characterCount(alias.value));
            }
            referFromAlias(line);
            return;
        case Section::Skill:
            if (isKeyword(key, QLatin1String("KEY")) && value.length > 0)
                define(Kind::Skill, value, Definition::Key, script.position(line, value.start));
            break;
        default:
            break;
        }
        if (word.defines != Kind::Count && value.length > 0 &&
            (isKeyword(key, QLatin1String("DEFNAME")) || isKeyword(key, QLatin1String("DEFNAME2"))))
            define(word.defines, value, Definition::Section, script.position(line, value.start));
    }

    void noteTrigger(const ScriptLine &opener)
    {
        const QStringView name = triggerName(script, opener);
        if (name.isEmpty())
            return;
        facts.triggers.append(
            Trigger{name.toString().toLower(), ordinal,
                    Location::at(path, script.position(opener, opener.value.start),
                                 characterCount(script.value(opener))),
                    0});
    }

    // Whether a rule reads the line.
    bool referFromLine(const ScriptLine &line, Section kind, unsigned where)
    {
        if (where == 0)
            return false;
        const QStringView key = script.key(line);
        for (const KeyRule &keyRule : rulesOf(kind)) {
            const Rule &rule = *keyRule.rule;
            if (!(rule.where & where) || !isKeyword(key, QLatin1String(keyRule.word)))
                continue;
            current = Context{&line, &rule, &keyRule.key};
            referFromValue(line, rule.shape);
            return true;
        }
        return false;
    }

    // An alias's value is text until a key that names something reads it, where it is checked;
    // its words are kept as references of the alias, for the cross-references, and no more.
    void referFromAlias(const ScriptLine &line)
    {
        static const Rule aliasRule{
            0, "", Shape::Name, everyKind, numbers | Use::AliasValue, Properties};
        aliasKey = script.string(line.key);
        current = Context{&line, &aliasRule, &aliasKey};
        qsizetype offset = 0;
        const QStringView value = unquoted(script.value(line), &offset);
        const qsizetype start = line.value.start + offset;
        referFromValue(start, start + value.size(), Shape::Name, false);
    }

    void referFromValue(const ScriptLine &line, Shape shape)
    {
        referFromValue(line.value.start, line.value.start + line.value.length, shape, true);
    }

    void referFromValue(qsizetype start, qsizetype end, Shape shape, bool lists)
    {
        // Every element of one list shares its text.
        const QString list =
            shape == Shape::ResourceList ? text.mid(start, end - start) : QString();
        readValue(
            text, start, end, shape,
            [&](const ValueWord &word) {
                refer(word, shape, list, word.restFrom < 0 ? -1 : word.restFrom - start);
            },
            [&](const ValueList &found) {
                if (!lists)
                    return;
                // A finding about a list covers it, braces and all; one about a weight the weight.
                const auto place = [&](qsizetype at, qsizetype length) {
                    return Location::at(path, script.position(*current.line, at),
                                        characterCount(QStringView(text).mid(at, length)));
                };
                RandomList randomList;
                randomList.location = place(found.start, found.length);
                randomList.elements = found.elements;
                for (const TextSpan &zero : found.zeroWeights)
                    randomList.zeroWeights.append(place(zero.start, zero.length));
                facts.randomLists.append(std::move(randomList));
            });
    }

    void refer(const ValueWord &word, Shape shape, const QString &list, qsizetype restFrom)
    {
        const Rule &rule = *current.rule;
        quint16 flags = rule.flags;
        if (word.resourceElement)
            flags |= Use::ResourceElement;
        const QStringView written = QStringView(text).mid(word.start, word.length);
        if (isNumberText(written) && !(flags & (Use::ResourceElement | Use::ScriptedNumber)))
            return;
        Use use;
        setName(written, use.name, use.written);
        use.accepted = rule.accepted;
        use.flags = flags;
        use.shape = shape;
        use.location =
            Location::at(path, script.position(*current.line, word.start), characterCount(written));
        use.key = *current.key;
        use.owner = owner;
        if (word.resourceElement) {
            use.list = list;
            use.restFrom = restFrom;
        }
        facts.uses.append(std::move(use));
    }

    struct Context
    {
        const ScriptLine *line = nullptr;
        const Rule *rule = nullptr;
        const QString *key = nullptr;
    };

    const Script &script;
    const QString &text;
    const QString &path;
    ScriptFacts &facts;
    const int ordinal;
    QString owner;
    QString label;
    QString aliasKey;
    Context current;
};
} // namespace

Kinds kindsNamedBy(const Script &script, const ScriptSection &section, int line, qsizetype offset)
{
    const Section kind = sectionOf(script.kind(section)).section;
    const ScriptLine &scriptLine = script.lines.at(line);
    const bool property = line - section.firstLine < section.propertyCount;
    const QStringView key = script.key(scriptLine);
    if (kind == Section::Itemdef && property) {
        if (isKeyword(key, QLatin1String("RESOURCES")))
            return kindBit(Kind::Item) | kindBit(Kind::ItemType);
        if (isKeyword(key, QLatin1String("SKILLMAKE")))
            return crafting;
    }
    if (property && (kind == Section::Defnames || kind == Section::ResDefnames))
        return everyKind;
    if (isMenuTitle(kind, section, line))
        return 0;
    const unsigned where = whereOf(script, scriptLine, property, kind);
    for (const KeyRule &keyRule : rulesOf(kind)) {
        if ((keyRule.rule->where & where) && isKeyword(key, QLatin1String(keyRule.word)))
            return keyRule.rule->accepted;
    }
    return offset >= 0 && script.codeBlock(line) >= 0 ? codeKindsAt(script, scriptLine, offset) : 0;
}

bool isTextLine(const Script &script, const ScriptSection &section, int line)
{
    const QStringView kind = script.kind(section);
    const Section known = sectionOf(kind).section;
    if (isMenuTitle(known, section, line))
        return true;
    switch (known) {
    case Section::Names:
    case Section::Tip:
    case Section::Scroll:
        return true;
    case Section::Book:
        // A book's header has no page; its pages, [BOOK b_name 1], are text.
        return headerWord(script, section, 1).length > 0;
    case Section::Dialog:
        // [DIALOG d_name TEXT]; a dialog's layout and buttons are code.
        return script.lines.at(line).block < 0 && headerWord(script, section, 1).length > 0;
    case Section::Other:
        return isKeyword(kind, QLatin1String("RESOURCES")) ||
               isKeyword(kind, QLatin1String("COMMENT"));
    default:
        return false;
    }
}

ScriptFacts readFacts(const Script &script, const QString &path, qsizetype moreUses)
{
    ScriptFacts facts;
    // Room for a use a line and two definitions a section, most of it never touched, so that the
    // lists are not moved as they grow.
    facts.uses.reserve(script.lines.size() + moreUses);
    // A list of constants or item types defines a name a line.
    qsizetype definitions = 2 * script.sections.size();
    for (const ScriptSection &section : script.sections) {
        switch (sectionOf(script.kind(section)).section) {
        case Section::Typedefs:
        case Section::Defnames:
        case Section::ResDefnames:
            definitions += section.lineCount;
            break;
        default:
            break;
        }
    }
    facts.definitions.reserve(definitions);
    int ordinal = 0;
    for (const ScriptSection &section : script.sections) {
        SectionReader reader(script, path, facts, ordinal++);
        reader.read(section);
    }
    return facts;
}

} // namespace tavrel
