// SPDX-License-Identifier: MIT
#include "core/language/facts.h"

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

// How a value names things.
enum class Shape
{
    // Its first word.
    Name,
    // Comma-separated names.
    List,
    // Comma-separated names, each perhaps after "+" or "-".
    SignedList,
    // The first word of its first comma-separated element.
    FirstElement,
    // The first element, a name or a "{name weight ...}" list ("i_gold,{100 200},R5").
    ItemOrList,
    // Comma-separated "amount name" elements.
    ResourceList,
};

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
constexpr unsigned char numbers = Reference::NumberAllowed;

const Rule rules[] = {
    {itemSections, "TYPE", Shape::Name, kindBit(Kind::ItemType), numbers, Properties},
    {bit(Section::Itemdef), "ID DUPEITEM", Shape::Name, items, Reference::ScriptedNumber,
     Properties},
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
    {bit(Section::SkillMenu) | bit(Section::Menu), "ON", Shape::Name, items,
     Reference::ScriptedNumber, MenuOptions},
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

// Reads one section's definitions and references.
class SectionReader
{
public:
    SectionReader(const Script &script, ScriptFacts &facts, int ordinal)
        : script(script), text(script.text), facts(facts), ordinal(ordinal)
    {
    }

    void read(const ScriptSection &section)
    {
        const SectionWord &word = sectionOf(script.kind(section));
        owner.clear();
        defineFromHeader(section, word);
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i) {
            const ScriptLine &line = script.lines.at(i);
            const bool property = i - section.firstLine < section.propertyCount;
            if (property)
                defineFromLine(section, line, word);
            if (line.block >= 0 && script.blocks.at(line.block).opener == i &&
                script.blocks.at(line.block).kind == ScriptBlock::Trigger)
                noteTrigger(line);
            referFromLine(section, line, word.section,
                          whereOf(script, line, property, word.section));
        }
    }

private:
    const QString &ownerOf(const ScriptSection &section)
    {
        if (owner.isEmpty())
            owner = script.string(section.name);
        return owner;
    }

    void define(Kind kind, Word word, const ScriptLine *line, int lineNumber, qsizetype lineStart)
    {
        if (word.length == 0)
            return;
        Definition definition;
        definition.kind = kind;
        definition.section = ordinal;
        definition.position = line ? script.position(*line, word.start)
                                   : script.position(lineNumber, lineStart, word.start);
        setName(QStringView(text).mid(word.start, word.length), definition.name,
                definition.written);
        facts.definitions.append(std::move(definition));
    }

    void defineFromHeader(const ScriptSection &section, const SectionWord &word)
    {
        if (word.defines == Kind::Count)
            return;
        const Word first = firstWord(text, section.arguments.start,
                                     section.arguments.start + section.arguments.length);
        if (first.length == 0)
            return;
        const QStringView name = QStringView(text).mid(first.start, first.length);
        if (!isNumberText(name)) {
            define(word.defines, first, nullptr, section.line, section.lineStart);
            return;
        }
        // Numbers give item and character ids; other sections are numbered, and named by a
        // DEFNAME or KEY line.
        if (word.defines != Kind::Item && word.defines != Kind::Character)
            return;
        Definition definition;
        definition.kind = word.defines;
        definition.section = ordinal;
        definition.number = scriptNumber(name);
        definition.position = script.position(section.line, section.lineStart, first.start);
        definition.name = name.toString();
        facts.definitions.append(std::move(definition));
    }

    void defineFromLine(const ScriptSection &section, const ScriptLine &line,
                        const SectionWord &word)
    {
        const QStringView key = script.key(line);
        const Word value = firstWord(text, line.value.start, line.value.start + line.value.length);
        switch (word.section) {
        case Section::Typedefs:
            define(Kind::ItemType, Word{line.key.start, line.key.length}, &line, 0, 0);
            return;
        case Section::Defnames:
        case Section::ResDefnames:
            define(Kind::Alias, Word{line.key.start, line.key.length}, &line, 0, 0);
            if (!facts.definitions.isEmpty() && line.key.length > 0) {
                Definition &alias = facts.definitions.last();
                alias.value = script.string(line.value);
                alias.valuePosition = script.position(line, line.value.start);
            }
            referFromAlias(section, line);
            return;
        case Section::Skill:
            if (isKeyword(key, QLatin1String("KEY")))
                define(Kind::Skill, value, &line, 0, 0);
            break;
        default:
            break;
        }
        if (word.defines != Kind::Count &&
            (isKeyword(key, QLatin1String("DEFNAME")) || isKeyword(key, QLatin1String("DEFNAME2"))))
            define(word.defines, value, &line, 0, 0);
    }

    void noteTrigger(const ScriptLine &opener)
    {
        const QStringView name = triggerName(script, opener);
        if (name.isEmpty())
            return;
        facts.triggers.append(Trigger{name.toString().toLower(), ordinal,
                                      script.position(opener, opener.value.start), 0});
    }

    void referFromLine(const ScriptSection &section, const ScriptLine &line, Section kind,
                       unsigned where)
    {
        if (where == 0)
            return;
        const QStringView key = script.key(line);
        for (const KeyRule &keyRule : rulesOf(kind)) {
            const Rule &rule = *keyRule.rule;
            if (!(rule.where & where) || !isKeyword(key, QLatin1String(keyRule.word)))
                continue;
            const QStringView value = script.value(line);
            // A value computed when the script runs names nothing that can be checked here.
            if (value.contains(u'<') || value.contains(u'('))
                return;
            current = Context{&line, &rule, &keyRule.key, &ownerOf(section)};
            referByShape(line.value.start, line.value.start + line.value.length);
            return;
        }
    }

    // The key of an alias's references is the alias, as written.
    void referFromAlias(const ScriptSection &section, const ScriptLine &line)
    {
        static const Rule aliasRule{
            0, "", Shape::Name, everyKind, numbers | Reference::AliasValue, Properties};
        const QStringView value = script.value(line);
        if (value.contains(u'<') || value.contains(u'('))
            return;
        aliasKey = script.string(line.key);
        current = Context{&line, &aliasRule, &aliasKey, &ownerOf(section)};
        const Word first = trimmed(text, line.value.start, line.value.start + line.value.length);
        if (first.length > 0 && text.at(first.start) == u'{')
            referFromList(first.start, first.start + first.length);
        else
            refer(firstWord(text, first.start, first.start + first.length), 0, QString());
    }

    void referByShape(qsizetype start, qsizetype end)
    {
        const Rule &rule = *current.rule;
        switch (rule.shape) {
        case Shape::Name:
            refer(firstWord(text, start, end), 0, QString());
            return;
        case Shape::FirstElement:
            refer(firstWord(text, start, elementEnd(start, end)), 0, QString());
            return;
        case Shape::ItemOrList: {
            const Word first = trimmed(text, start, elementEnd(start, end));
            if (first.length > 0 && text.at(first.start) == u'{')
                referFromList(first.start, end);
            else
                refer(firstWord(text, first.start, first.start + first.length), 0, QString());
            return;
        }
        case Shape::List:
        case Shape::SignedList:
            for (qsizetype from = start; from <= end;) {
                const qsizetype stop = elementEnd(from, end);
                Word element = trimmed(text, from, stop);
                if (rule.shape == Shape::SignedList && element.length > 0 &&
                    (text.at(element.start) == u'+' || text.at(element.start) == u'-'))
                    element = trimmed(text, element.start + 1, element.start + element.length);
                refer(firstWord(text, element.start, element.start + element.length), 0, QString());
                from = stop + 1;
            }
            return;
        case Shape::ResourceList:
            for (qsizetype from = start; from <= end;) {
                const qsizetype stop = elementEnd(from, end);
                const QString rest =
                    stop < end
                        ? QStringView(text).mid(stop + 1, end - stop - 1).trimmed().toString()
                        : QString();
                refer(resourceName(from, stop), Reference::ResourceElement, rest);
                from = stop + 1;
            }
            return;
        }
    }

    qsizetype elementEnd(qsizetype start, qsizetype end) const
    {
        const qsizetype comma = QStringView(text).mid(start, end - start).indexOf(u',');
        return comma < 0 ? end : start + comma;
    }

    // The name of an "amount name" element, or of a "name amount" one, or its one word.
    Word resourceName(qsizetype start, qsizetype end) const
    {
        const Word first = firstWord(text, start, end);
        const Word second = firstWord(text, first.start + first.length, end);
        if (second.length > 0 && isNumberText(QStringView(text).mid(first.start, first.length)))
            return second;
        return first;
    }

    // A "{name weight ...}" list: its names are references, and its shape is noted.
    void referFromList(qsizetype open, qsizetype end)
    {
        const qsizetype close = QStringView(text).mid(open, end - open).indexOf(u'}');
        const qsizetype stop = close < 0 ? end : open + close;
        RandomList list;
        list.position = script.position(*current.line, open);
        int index = 0;
        for (qsizetype from = open + 1;;) {
            const Word word = firstWord(text, from, stop);
            if (word.length == 0)
                break;
            const QStringView written = QStringView(text).mid(word.start, word.length);
            if (index % 2 == 0)
                refer(word, 0, QString());
            else if (isNumberText(written) && scriptNumber(written) == 0)
                list.zeroWeights.append(script.position(*current.line, word.start));
            ++index;
            from = word.start + word.length;
        }
        list.words = index;
        facts.randomLists.append(std::move(list));
    }

    void refer(Word word, unsigned char flags, const QString &rest)
    {
        if (word.length == 0)
            return;
        const Rule &rule = *current.rule;
        flags |= rule.flags;
        const QStringView written = QStringView(text).mid(word.start, word.length);
        if (isNumberText(written) &&
            !(flags & (Reference::ResourceElement | Reference::ScriptedNumber)))
            return;
        Reference reference;
        setName(written, reference.name, reference.written);
        reference.accepted = rule.accepted;
        reference.flags = flags;
        reference.position = script.position(*current.line, word.start);
        reference.key = *current.key;
        reference.owner = *current.owner;
        reference.rest = rest;
        facts.references.append(std::move(reference));
    }

    struct Context
    {
        const ScriptLine *line = nullptr;
        const Rule *rule = nullptr;
        const QString *key = nullptr;
        const QString *owner = nullptr;
    };

    const Script &script;
    const QString &text;
    ScriptFacts &facts;
    const int ordinal;
    QString owner;
    QString aliasKey;
    Context current;
};

} // namespace

bool isNumberText(QStringView text)
{
    return !text.isEmpty() && text.at(0).unicode() >= '0' && text.at(0).unicode() <= '9';
}

qint64 scriptNumber(QStringView text)
{
    if (!isNumberText(text))
        return -1;
    bool ok = false;
    qint64 number = 0;
    if (text.at(0) == u'0' && text.size() > 1) {
        QStringView digits = text.mid(1);
        if (digits.startsWith(u'x') || digits.startsWith(u'X'))
            digits = digits.mid(1);
        number = digits.toLongLong(&ok, 16);
    } else {
        number = text.toLongLong(&ok, 10);
    }
    return ok && number >= 0 ? number : -1;
}

Kinds kindsNamedBy(const Script &script, const ScriptSection &section, int line)
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
    const unsigned where = whereOf(script, scriptLine, property, kind);
    for (const KeyRule &keyRule : rulesOf(kind)) {
        if ((keyRule.rule->where & where) && isKeyword(key, QLatin1String(keyRule.word)))
            return keyRule.rule->accepted;
    }
    return 0;
}

ScriptFacts readFacts(const Script &script)
{
    ScriptFacts facts;
    int ordinal = 0;
    for (const ScriptSection &section : script.sections) {
        SectionReader reader(script, facts, ordinal++);
        reader.read(section);
    }
    return facts;
}

} // namespace tavrel
