// SPDX-License-Identifier: MIT
#include "core/language/code.h"

#include "core/read/codeline.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace tavrel {

namespace {

bool isLetter(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNameCharacter(char16_t c)
{
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

bool isBlank(char16_t c)
{
    return c == ' ' || c == '\t';
}

char16_t upper(char16_t c)
{
    return c >= 'a' && c <= 'z' ? char16_t(c - 'a' + 'A') : c;
}

// Compares a word with a name written in upper case, regardless of case, in the order of the
// names' bytes.
int compareWord(QStringView word, const char *name)
{
    qsizetype i = 0;
    for (; i < word.size() && name[i]; ++i) {
        const char16_t c = upper(word.at(i).unicode());
        const char16_t n = static_cast<unsigned char>(name[i]);
        if (c != n)
            return c < n ? -1 : 1;
    }
    if (i < word.size())
        return 1;
    return name[i] ? -1 : 0;
}

// Whether the text at `at` holds the upper-case `word`, regardless of case, then a ".".
bool startsWithPath(QStringView text, qsizetype at, qsizetype end, QLatin1String word)
{
    if (at + word.size() >= end || text.at(at + word.size()) != u'.')
        return false;
    return compareWord(text.mid(at, word.size()), word.data()) == 0;
}

// How a verb reads its arguments.
enum class Reads : unsigned char
{
    // Nothing: a verb or a property of the server's own, or a block word.
    Nothing,
    // The first element, or the names of a "{name weight ...}" list.
    Object,
    // "+name" or "-name": events added or taken away; a plain list sets them and is left alone.
    Events,
    // A resource list ("1 i_gold, 2 t_ingot").
    Resources,
    // A line of code of its own: CALL f_x, TRY SRC.f_x.
    Line,
    // The same after a first word: TRYP's privilege level, TRYSRC's object.
    LineAfterWord,
    // The same after the comma: TIMERF 1, f_x.
    LineAfterComma,
    // A condition, whose bare names of items, characters and types are compared.
    Condition,
};

struct Verb
{
    const char *word;
    Reads reads;
    Kinds accepted;
    Shape shape;
};

constexpr Kinds itemsOrTemplates = kindBit(Kind::Item) | kindBit(Kind::Template);
constexpr Kinds characters = kindBit(Kind::Character);
constexpr Kinds events =
    kindBit(Kind::Events) | kindBit(Kind::ItemType) | kindBit(Kind::RegionType);

const Verb namingVerbs[] = {
    {"ADD", Reads::Object, kindBit(Kind::Item) | characters, Shape::FirstElement},
    {"ADDCHAR", Reads::Object, characters, Shape::FirstElement},
    {"ADDITEM", Reads::Object, kindBit(Kind::Item), Shape::FirstElement},
    {"CALL", Reads::Line, 0, Shape::Name},
    {"CAST", Reads::Object, kindBit(Kind::Spell), Shape::FirstElement},
    {"CONSUME", Reads::Resources, everyKind, Shape::ResourceList},
    {"DIALOG", Reads::Object, kindBit(Kind::Dialog), Shape::FirstElement},
    {"DIALOGCLOSE", Reads::Object, kindBit(Kind::Dialog), Shape::FirstElement},
    {"ELIF", Reads::Condition, 0, Shape::Name},
    {"ELSEIF", Reads::Condition, 0, Shape::Name},
    {"EVENTS", Reads::Events, events, Shape::SignedList},
    {"IF", Reads::Condition, 0, Shape::Name},
    {"MAKEITEM", Reads::Object, kindBit(Kind::Item), Shape::FirstElement},
    {"MENU", Reads::Object, kindBit(Kind::Menu), Shape::FirstElement},
    {"NEWITEM", Reads::Object, itemsOrTemplates, Shape::ItemOrList},
    {"NEWLOOT", Reads::Object, itemsOrTemplates, Shape::ItemOrList},
    {"NEWNPC", Reads::Object, characters, Shape::FirstElement},
    {"NEWSUMMON", Reads::Object, characters, Shape::FirstElement},
    {"POLY", Reads::Object, characters, Shape::FirstElement},
    {"RESCOUNT", Reads::Resources, everyKind, Shape::ResourceList},
    {"RESTEST", Reads::Resources, everyKind, Shape::ResourceList},
    {"SDIALOG", Reads::Object, kindBit(Kind::Dialog), Shape::FirstElement},
    {"SKILLMENU", Reads::Object, kindBit(Kind::SkillMenu), Shape::FirstElement},
    {"SUMMON", Reads::Object, characters, Shape::FirstElement},
    {"TIMERF", Reads::LineAfterComma, 0, Shape::Name},
    {"TIMERFMS", Reads::LineAfterComma, 0, Shape::Name},
    {"TRY", Reads::Line, 0, Shape::Name},
    {"TRYP", Reads::LineAfterWord, 0, Shape::Name},
    {"TRYSRC", Reads::LineAfterWord, 0, Shape::Name},
    {"TRYSRV", Reads::Line, 0, Shape::Name},
    {"WHILE", Reads::Condition, 0, Shape::Name},
};

// The server's own verbs and properties that code writes most, and its block words: a verb
// that is none of them may call a function, and is kept as a use that says whether it does.
// The list only spares a use for each of the usual lines; a verb missing from it costs a use,
// never a finding.
const char *const serverWords[] = {
    // Blocks.
    "BEGIN", "DORAND", "DOSWITCH", "ELSE", "END", "ENDDO", "ENDFOR", "ENDIF", "ENDRAND",
    "ENDSWITCH", "ENDWHILE", "FOR", "FORCHARLAYER", "FORCHARMEMORYTYPE", "FORCHARS", "FORCLIENTS",
    "FORCONT", "FORCONTID", "FORCONTTYPE", "FORINSTANCES", "FORITEMS", "FOROBJS", "FORPLAYERS",
    "FORTIMERF", "RETURN",
    // Messages.
    "ALLCLIENTS", "B", "BARK", "CONSOLE", "EMOTE", "LOG", "MESSAGE", "MESSAGEUA", "MSG", "SAY",
    "SAYU", "SAYUA", "SMSG", "SMSGU", "SPEAK", "SPEAKU", "SPEAKUA", "SYSMESSAGE", "SYSMESSAGELOC",
    "SYSMESSAGEUA",
    // What objects do.
    "ADDBUFF", "ADDCLILOC", "ANIM", "ATTACK", "BANK", "BANKSELF", "BOUNCE", "BOW", "CLEARCTAGS",
    "CLEARTAGS", "CLEARVARS", "CLICK", "CRIMINAL", "CURE", "DAMAGE", "DCLICK", "DISCONNECT",
    "DISMOUNT", "DROP", "DUPE", "EFFECT", "EQUIP", "EQUIPARMOR", "EQUIPHALO", "EQUIPWEAPON", "FACE",
    "FIX", "FLEE", "FLIP", "FOLLOW", "FORGIVE", "GO", "GOCHAR", "GOCHARID", "GOCLI", "GONAME",
    "GOSOCK", "GOTYPE", "GOUID", "HEAR", "HUNGRY", "INFO", "INPDLG", "INVIS", "INVUL", "JAIL",
    "KICK", "KILL", "MIDILIST", "MOUNT", "MOVE", "MOVENEAR", "MOVETO", "NEWBIESKILL", "NEWDUPE",
    "NEWGOLD", "NUDGEDOWN", "NUDGEUP", "OPENPAPERDOLL", "PACK", "POISON", "PRIVSET",
    "PROMPTCONSOLE", "RELEASE", "REMOVE", "REMOVEBUFF", "REMOVEFROMVIEW", "REPAIR", "RESEND",
    "RESURRECT", "SALUTE", "SHOW", "SKILLGAIN", "SLEEP", "SOUND", "SPEEDMODE", "SPELLEFFECT",
    "SUICIDE", "SUMMONCAGE", "SUMMONTO", "TARGET", "TARGETF", "TARGETFG", "TARGETG", "TIMER",
    "TIMERD", "TRIGGER", "UNDERWEAR", "UNEQUIP", "UPDATE", "UPDATEX", "USEITEM", "USESKILL", "WAKE",
    "WHERE",
    // Properties, and the objects and arguments a line names alone.
    "ACCOUNT", "ACT", "ACTION", "AMOUNT", "ARGN", "ARGN1", "ARGN2", "ARGN3", "ARGO", "ARGS",
    "ARMOR", "ATTR", "BODY", "BUY", "COLOR", "CONT", "CONTAINER", "DAM", "DESC", "DEX", "DIR",
    "DISPID", "DISPIDDEC", "EMOTEACT", "EXP", "FAME", "FLAGS", "FOOD", "HEIGHT", "HITS", "HOME",
    "HUE", "I", "ICON", "ID", "INT", "ITEM", "ITEMNEWBIE", "KARMA", "LAYER", "LEVEL", "LINK",
    "LOCAL", "MANA", "MAXHITS", "MAXMANA", "MAXSTAM", "MODDEX", "MODINT", "MODSTR", "MORE", "MORE1",
    "MORE1H", "MORE1L", "MORE2", "MORE2H", "MORE2L", "MOREM", "MOREP", "MOREX", "MOREY", "MOREZ",
    "NAME", "NEW", "NPC", "OBJ", "OBODY", "ODEX", "OINT", "OSKIN", "OSTR", "P", "PLEVEL", "PRICE",
    "PRIV", "RANGE", "SELL", "SPEECH", "SPEECHCOLOR", "SPEED", "SRC", "STAM", "STR", "TAG",
    "TEVENTS", "TITLE", "TSPEECH", "TYPE", "UID", "VALUE", "VAR", "WEIGHT", "Z",
    // The commands of a dialog's layout.
    "BUTTON", "BUTTONTILEART", "CHECKBOX", "CHECKERTRANS", "CROPPEDTEXT", "DBUTTON", "DCHECKBOX",
    "DCROPPEDTEXT", "DHTMLGUMP", "DORIGIN", "DRADIO", "DTEXT", "DTEXTENTRY", "DTEXTENTRYLIMITED",
    "GROUP", "GUMPPIC", "GUMPPICTILED", "HTMLGUMP", "NOCLOSE", "NODISPOSE", "NOMOVE", "NORESIZE",
    "PAGE", "RADIO", "RESIZEPIC", "TEXT", "TEXTENTRY", "TEXTENTRYLIMITED", "TILEPIC", "TILEPICHUE",
    "TOOLTIP", "XMFHTMLGUMP", "XMFHTMLGUMPCOLOR", "XMFHTMLTOK",
    // The lines of a skill menu's options.
    "TEST"};

// Every verb the reading knows, in the order of their words.
const std::vector<Verb> &verbs()
{
    static const std::vector<Verb> table = [] {
        std::vector<Verb> all(std::begin(namingVerbs), std::end(namingVerbs));
        for (const char *word : serverWords)
            all.push_back(Verb{word, Reads::Nothing, 0, Shape::Name});
        std::sort(all.begin(), all.end(),
                  [](const Verb &a, const Verb &b) { return std::strcmp(a.word, b.word) < 0; });
        return all;
    }();
    return table;
}

const Verb *verbOf(QStringView word)
{
    const std::vector<Verb> &table = verbs();
    const auto found =
        std::lower_bound(table.begin(), table.end(), word, [](const Verb &verb, QStringView w) {
            return compareWord(w, verb.word) > 0;
        });
    return found != table.end() && compareWord(word, found->word) == 0 ? &*found : nullptr;
}

// The objects a verb's path may go through before the word that names the action.
const char *const objectWords[] = {"ACT",    "ARGO", "CONT", "I",   "LINK", "NEW",    "OBJ",
                                   "REGION", "ROOM", "SERV", "SRC", "TARG", "TOPOBJ", "WEAPON"};
// Objects picked by the word after them: UID.04001, FINDID.i_key, FINDLAYER.21.
const char *const pickingWords[] = {"FINDCONT",   "FINDID",         "FINDLAYER", "FINDTYPE",
                                    "MEMORYFIND", "MEMORYFINDTYPE", "UID"};

bool isOneOf(QStringView word, const char *const *words, size_t count)
{
    return std::any_of(words, words + count,
                       [word](const char *name) { return compareWord(word, name) == 0; });
}

// REF1, REF2...: the references a script keeps.
bool isReference(QStringView word)
{
    if (word.size() < 4 || compareWord(word.left(3), "REF") != 0)
        return false;
    return std::all_of(word.begin() + 3, word.end(),
                       [](QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; });
}

bool isPlainName(QStringView word)
{
    return !word.isEmpty() && (isLetter(word.front().unicode()) || word.front() == u'_') &&
           std::all_of(word.begin(), word.end(),
                       [](QChar c) { return isNameCharacter(c.unicode()); });
}

// A name a line of code writes: where, the verb or expression word it is written for, and how
// it is resolved.
struct CodeName
{
    qsizetype start = 0;
    qsizetype length = 0;
    TextSpan key;
    Kinds accepted = 0;
    Shape shape = Shape::Name;
    quint16 flags = 0;
};

// The names expressions read, in a dotted path: the kind of what the word after them names.
struct PathWord
{
    QLatin1String word;
    Kinds accepted;
};
const PathWord pathWords[] = {
    {QLatin1String("FINDID"), kindBit(Kind::Item)},
    {QLatin1String("FINDTYPE"), kindBit(Kind::ItemType)},
    {QLatin1String("ISDIALOGOPEN"), kindBit(Kind::Dialog)},
    {QLatin1String("ISEVENT"), events},
    {QLatin1String("ISTEVENT"), events},
};
// The server's tables of definitions, read as SERV.ITEMDEF.i_axe.NAME.
const PathWord serverTables[] = {
    {QLatin1String("ITEMDEF"), kindBit(Kind::Item)},
    {QLatin1String("CHARDEF"), characters},
    {QLatin1String("SPELL"), kindBit(Kind::Spell)},
    {QLatin1String("SKILL"), kindBit(Kind::Skill)},
};

// How many TRY, CALL or TIMERF a line may go through to the verb it runs.
constexpr int deepestCall = 4;

template <class Found> class CodeReader
{
public:
    CodeReader(const Script &script, const ScriptLine &line, Found &found)
        : script(script), text(script.text), line(line), found(found)
    {
    }

    void read()
    {
        const qsizetype end = line.value.start + line.value.length;
        readLine(line.key.start, end, nullptr);
        readExpressions(line.key.start, end);
    }

private:
    void name(qsizetype start, qsizetype length, TextSpan key, Kinds accepted, Shape shape,
              quint16 flags)
    {
        if (length == 0 || isNumberText(text.mid(start, length)))
            return;
        found(CodeName{start, length, key, accepted, shape, flags});
    }

    // A line of code from `start`, or the part of one that TRY, CALL or TIMERF runs; a function
    // it calls is written for `caller` where there is one.
    void readLine(qsizetype start, qsizetype end, const TextSpan *caller, int depth = 0)
    {
        // TRY TRY f_x is as deep as code goes; a line of nothing but TRYs stops here.
        if (depth > deepestCall)
            return;
        ScriptLine part = line;
        part.key = TextSpan{start, 0};
        part.value = TextSpan{start, end - start};
        const CodeLine split = splitCode(script, part);
        const qsizetype verbEnd = split.verb.start + split.verb.length;
        const QStringView verb = text.mid(split.verb.start, split.verb.length);
        if (verb.isEmpty())
            return;
        // IF(<a> == 1): the letters before a "(" are the word, and the rest its condition.
        qsizetype letters = 0;
        while (letters < verb.size() && isLetter(verb.at(letters).unicode()))
            ++letters;
        if (letters > 0 && letters < verb.size() && verb.at(letters) == u'(') {
            const Verb *keyword = verbOf(verb.left(letters));
            if (keyword && keyword->reads == Reads::Condition)
                readCondition(split.verb.start + letters, end, TextSpan{split.verb.start, letters});
            return;
        }
        const qsizetype action = actionOf(split.verb.start, verbEnd);
        if (action < 0)
            return;
        const TextSpan key{action, verbEnd - action};
        const QStringView word = text.mid(action, verbEnd - action);
        const Verb *known = verbOf(word);
        if (!known) {
            if (isPlainName(word))
                name(action, word.size(), caller ? *caller : key, kindBit(Kind::Function),
                     Shape::Itself, Use::Call);
            return;
        }
        const qsizetype arguments = split.arguments.start;
        switch (known->reads) {
        case Reads::Nothing:
            return;
        case Reads::Object:
        case Reads::Resources:
            readArguments(arguments, end, key, *known);
            return;
        case Reads::Events:
            if (arguments < end && (text.at(arguments) == u'+' || text.at(arguments) == u'-'))
                readArguments(arguments, end, key, *known);
            return;
        case Reads::Line:
            readLine(arguments, end, &key, depth + 1);
            return;
        case Reads::LineAfterWord: {
            qsizetype from = arguments;
            while (from < end && !isBlank(text.at(from).unicode()))
                ++from;
            while (from < end && isBlank(text.at(from).unicode()))
                ++from;
            if (from > arguments && from < end)
                readLine(from, end, &key, depth + 1);
            return;
        }
        case Reads::LineAfterComma: {
            // TIMERF CLEAR and TIMERF STOP run nothing.
            qsizetype from = text.mid(arguments, end - arguments).indexOf(u',');
            if (from < 0)
                return;
            from += arguments + 1;
            while (from < end && isBlank(text.at(from).unicode()))
                ++from;
            if (from < end)
                readLine(from, end, &key, depth + 1);
            return;
        }
        case Reads::Condition:
            readCondition(action + word.size(), end, key);
            return;
        }
    }

    // Where the word naming the action starts, after the objects of its path: SRC.NEWNPC,
    // REF1.f_go, SRC.FINDID.i_key.REMOVE. A variable (LOCAL.x, TAG.x) or anything else the
    // path goes through names no action: -1.
    qsizetype actionOf(qsizetype start, qsizetype end) const
    {
        const QStringView verb = text.mid(start, end - start);
        for (const QChar c : verb) {
            if (c == u'<' || c == u'(' || c == u'[' || c == u'{' || c == u'"')
                return -1;
        }
        qsizetype action = start;
        for (;;) {
            const qsizetype dot = text.mid(action, end - action).indexOf(u'.');
            if (dot < 0)
                return action;
            const QStringView segment = text.mid(action, dot);
            if (isOneOf(segment, objectWords, std::size(objectWords)) || isReference(segment)) {
                action += dot + 1;
            } else if (isOneOf(segment, pickingWords, std::size(pickingWords))) {
                const qsizetype next =
                    text.mid(action + dot + 1, end - action - dot - 1).indexOf(u'.');
                if (next < 0)
                    return -1;
                action += dot + 1 + next + 1;
            } else {
                return -1;
            }
        }
    }

    void readArguments(qsizetype start, qsizetype end, TextSpan key, const Verb &verb)
    {
        readValue(text, start, end, verb.shape, [&](const ValueWord &word) {
            name(word.start, word.length, key, verb.accepted, verb.shape, 0);
        });
    }

    // The bare names of items, characters and types an IF, ELIF or WHILE compares, outside
    // quotes and expressions: (<SRC.BASEID> == i_sword), (t_door != <TYPE>).
    void readCondition(qsizetype start, qsizetype end, TextSpan key)
    {
        bool quoted = false;
        int depth = 0;
        for (qsizetype p = start; p < end; ++p) {
            const char16_t c = text.at(p).unicode();
            if (c == u'"') {
                quoted = !quoted;
            } else if (quoted) {
                continue;
            } else if (c == u'<') {
                depth += opensExpression(p, end);
            } else if (c == u'>') {
                depth -= depth > 0;
            } else if (depth == 0 && isLetter(c) &&
                       (p == start ||
                        (!isNameCharacter(text.at(p - 1).unicode()) && text.at(p - 1) != u'.'))) {
                qsizetype q = p;
                while (q < end && isNameCharacter(text.at(q).unicode()))
                    ++q;
                comparedName(p, q, end, key);
                p = q - 1;
            }
        }
    }

    void comparedName(qsizetype start, qsizetype stop, qsizetype end, TextSpan key)
    {
        if (stop - start < 3 || text.at(start + 1) != u'_')
            return;
        Kinds accepted = 0;
        switch (upper(text.at(start).unicode())) {
        case 'I':
            accepted = itemsOrTemplates;
            break;
        case 'C':
            accepted = characters;
            break;
        case 'T':
            accepted = kindBit(Kind::ItemType) | kindBit(Kind::Events);
            break;
        default:
            return;
        }
        // A name that goes on (i_x.NAME, i_<local.n>, f(...)) is not a bare name.
        if (stop < end) {
            const QChar next = text.at(stop);
            if (next == u'.' || next == u'(' || next == u'[' || next == u'<')
                return;
        }
        qsizetype before = start;
        while (before > line.key.start && isBlank(text.at(before - 1).unicode()))
            --before;
        qsizetype after = stop;
        while (after < end && isBlank(text.at(after).unicode()))
            ++after;
        const bool compared =
            (before > line.key.start && text.at(before - 1) == u'=') ||
            (after + 1 < end && (text.at(after) == u'=' || text.at(after) == u'!') &&
             text.at(after + 1) == u'=');
        if (compared)
            name(start, stop - start, key, accepted, Shape::Name, 0);
    }

    // The names that the expressions of a line read wherever they stand.
    void readExpressions(qsizetype start, qsizetype end)
    {
        const QStringView all = text.mid(start, end - start);
        if (!all.contains(u'<') && !all.contains(u'.'))
            return;
        // The expressions open where a character stands, each with the resource test it
        // holds, read once the expression closes: every character is looked at once, however
        // long the line and however deep its expressions.
        QVarLengthArray<OpenExpression, 8> open;
        for (qsizetype p = start; p < end; ++p) {
            const char16_t c = text.at(p).unicode();
            if (c == u'<' && opensExpression(p, end)) {
                open.append(OpenExpression{});
            } else if (c == u'>' && !open.isEmpty()) {
                const OpenExpression closed = open.last();
                open.removeLast();
                if (closed.test)
                    readArguments(closed.arguments, p, closed.key, *closed.test);
            }
            if (!isLetter(c) || (p > start && isNameCharacter(text.at(p - 1).unicode())))
                continue;
            const bool opened = p > start && text.at(p - 1) == u'<';
            switch (upper(c)) {
            case 'D':
                if (opened && !constant(p, end, QLatin1String("DEF0"), Use::Optional))
                    constant(p, end, QLatin1String("DEF"), 0);
                break;
            case 'R':
                if (opened && (constant(p, end, QLatin1String("RESDEF0"), Use::Optional) ||
                               constant(p, end, QLatin1String("RESDEF"), 0)))
                    break;
                // <SRC.RESCOUNT i_gold>; a line whose verb it is reads it as a verb.
                if (!open.isEmpty() && p > start && (opened || text.at(p - 1) == u'.'))
                    resourceTest(p, end, open.last());
                break;
            case 'F':
                if (opened && p + 2 < end && text.at(p + 1) == u'_' &&
                    isNameCharacter(text.at(p + 2).unicode()))
                    expressionCall(p, end);
                else
                    pathName(p, end, pathWords, std::size(pathWords));
                break;
            case 'I':
                pathName(p, end, pathWords, std::size(pathWords));
                break;
            case 'S':
                if (!(p > start && text.at(p - 1) == u'.') &&
                    startsWithPath(text, p, end, QLatin1String("SERV")))
                    pathName(p + 5, end, serverTables, std::size(serverTables));
                break;
            default:
                break;
            }
        }
    }

    // "<" before a blank or "=" compares; before anything else it opens an expression.
    bool opensExpression(qsizetype at, qsizetype end) const
    {
        return at + 1 < end && !isBlank(text.at(at + 1).unicode()) && text.at(at + 1) != u'=';
    }

    // An expression still open, and the RESCOUNT or RESTEST it holds, whose resource list runs
    // to the ">" that closes it.
    struct OpenExpression
    {
        const Verb *test = nullptr;
        TextSpan key;
        qsizetype arguments = 0;
    };

    void resourceTest(qsizetype at, qsizetype end, OpenExpression &expression)
    {
        for (const Verb *verb :
             {verbOf(QStringView(u"RESCOUNT")), verbOf(QStringView(u"RESTEST"))}) {
            const qsizetype length = qsizetype(std::strlen(verb->word));
            if (at + length >= end || !isBlank(text.at(at + length).unicode()) ||
                compareWord(text.mid(at, length), verb->word) != 0)
                continue;
            if (!expression.test)
                expression = OpenExpression{verb, TextSpan{at, length}, at + length};
            return;
        }
    }

    // FINDID.i_key, ISEVENT.e_guard, SERV.ITEMDEF.i_axe: the word after the path word, to the
    // next character that cannot be in a name.
    void pathName(qsizetype at, qsizetype end, const PathWord *words, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            const PathWord &path = words[i];
            if (!startsWithPath(text, at, end, path.word))
                continue;
            const qsizetype start = at + path.word.size() + 1;
            qsizetype stop = start;
            while (stop < end && isNameCharacter(text.at(stop).unicode()))
                ++stop;
            if (stop < end && text.at(stop) == u'<')
                return;
            name(start, stop - start, TextSpan{at, path.word.size()}, path.accepted, Shape::Name,
                 0);
            return;
        }
    }

    // <DEF.x> reads a [DEFNAME] constant and <RESDEF.x> a name, each as it is written to the
    // ">"; the value a constant holds is text. False where the text is not the word given.
    bool constant(qsizetype at, qsizetype end, QLatin1String word, quint16 flags)
    {
        if (!startsWithPath(text, at, end, word))
            return false;
        const qsizetype start = at + word.size() + 1;
        // A constant's name may hold dots and any letter, a resource's is a plain name; either
        // runs to the ">", and anything else in the way makes it none.
        const bool resource = word.startsWith(QLatin1Char('R'));
        qsizetype close = start;
        for (; close < end && text.at(close) != u'>'; ++close) {
            const char16_t c = text.at(close).unicode();
            if (resource ? !isNameCharacter(c) : c == u'<' || isBlank(c) || c == u'"')
                return true;
        }
        if (close < end)
            name(start, close - start, TextSpan{at, word.size()}, everyKind, Shape::Itself, flags);
        return true;
    }

    // <f_x ...>: an expression that is a function's value.
    void expressionCall(qsizetype start, qsizetype end)
    {
        qsizetype stop = start;
        while (stop < end && isNameCharacter(text.at(stop).unicode()))
            ++stop;
        if (stop < end && text.at(stop) != u'>' && !isBlank(text.at(stop).unicode()))
            return;
        name(start, stop - start, TextSpan{start, stop - start}, kindBit(Kind::Function),
             Shape::Itself, Use::Call);
    }

    const Script &script;
    const QStringView text;
    const ScriptLine &line;
    Found &found;
};

template <class Found> void readCode(const Script &script, const ScriptLine &line, Found found)
{
    CodeReader<Found>(script, line, found).read();
}

} // namespace

void readCodeUses(const Script &script, const ScriptLine &line, const QString &path,
                  const QString &owner, QList<Use> &uses)
{
    const QString &text = script.text;
    readCode(script, line, [&](const CodeName &found) {
        Use use;
        const QStringView written = QStringView(text).mid(found.start, found.length);
        use.name = written.toString().toLower();
        if (use.name != written)
            use.written = written.toString();
        use.accepted = found.accepted;
        use.flags = found.flags;
        use.shape = found.shape;
        use.location =
            Location::at(path, script.position(line, found.start), characterCount(written));
        use.key = script.string(found.key);
        use.owner = owner;
        uses.append(std::move(use));
    });
}

Kinds codeKindsAt(const Script &script, const ScriptLine &line, qsizetype offset)
{
    Kinds kinds = 0;
    readCode(script, line, [&](const CodeName &found) {
        if (kinds == 0 && offset >= found.start && offset <= found.start + found.length)
            kinds = found.accepted;
    });
    return kinds;
}

} // namespace tavrel
