// SPDX-License-Identifier: MIT
#include "core/language/blocks.h"

#include "core/read/codeline.h"

#include <QVarLengthArray>

namespace tavrel {

namespace {

enum class Word : unsigned char
{
    None,
    If,
    ElseIf,
    Else,
    EndIf,
    For,
    EndFor,
    While,
    EndWhile,
    DoRand,
    DoSwitch,
    EndDo,
    EndRand,
    EndSwitch,
    Begin,
    End,
};

struct Keyword
{
    const char *name;
    Word word;
};

// The server's block words. Any other verb starting with FOR (FORGE_AXE, a function) is a
// plain verb.
const Keyword keywords[] = {
    {"IF", Word::If},
    {"ELIF", Word::ElseIf},
    {"ELSEIF", Word::ElseIf},
    {"ELSE", Word::Else},
    {"ENDIF", Word::EndIf},
    {"FOR", Word::For},
    {"FORCHARLAYER", Word::For},
    {"FORCHARMEMORYTYPE", Word::For},
    {"FORCHARS", Word::For},
    {"FORCLIENTS", Word::For},
    {"FORCONT", Word::For},
    {"FORCONTID", Word::For},
    {"FORCONTTYPE", Word::For},
    {"FORINSTANCES", Word::For},
    {"FORITEMS", Word::For},
    {"FOROBJS", Word::For},
    {"FORPLAYERS", Word::For},
    {"FORTIMERF", Word::For},
    {"ENDFOR", Word::EndFor},
    {"WHILE", Word::While},
    {"ENDWHILE", Word::EndWhile},
    {"DORAND", Word::DoRand},
    {"DOSWITCH", Word::DoSwitch},
    {"ENDDO", Word::EndDo},
    {"ENDRAND", Word::EndRand},
    {"ENDSWITCH", Word::EndSwitch},
    {"BEGIN", Word::Begin},
    {"END", Word::End},
};

Word lookUp(QStringView word)
{
    // Most verbs are no block word: their first letter tells.
    if (word.isEmpty() || word.size() > 17 || !QStringView(u"BDEFIWbdefiw").contains(word.front()))
        return Word::None;
    for (const Keyword &keyword : keywords) {
        if (isKeyword(word, QLatin1String(keyword.name)))
            return keyword.word;
    }
    return Word::None;
}

bool isLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

// The block word a verb is, and how long it is in the verb: the server takes the letters before
// a "(" as the word, so "IF(<a>)" is an IF.
Word keywordOf(QStringView verb, qsizetype &length)
{
    const Word whole = lookUp(verb);
    if (whole != Word::None) {
        length = verb.size();
        return whole;
    }
    qsizetype letters = 0;
    while (letters < verb.size() && isLetter(verb.at(letters)))
        ++letters;
    if (letters == verb.size() || verb.at(letters) != u'(')
        return Word::None;
    length = letters;
    return lookUp(verb.left(letters));
}

bool opens(Word word)
{
    switch (word) {
    case Word::If:
    case Word::For:
    case Word::While:
    case Word::DoRand:
    case Word::DoSwitch:
    case Word::Begin:
        return true;
    default:
        return false;
    }
}

bool ends(Word word)
{
    switch (word) {
    case Word::EndIf:
    case Word::EndFor:
    case Word::EndWhile:
    case Word::EndDo:
    case Word::EndRand:
    case Word::EndSwitch:
    case Word::End:
        return true;
    default:
        return false;
    }
}

// Whether an end word is the one written for a block.
bool closes(Word end, Word opener)
{
    switch (end) {
    case Word::EndIf:
        return opener == Word::If;
    case Word::EndFor:
        return opener == Word::For;
    case Word::EndWhile:
        return opener == Word::While;
    case Word::EndDo:
        return opener == Word::DoRand || opener == Word::DoSwitch;
    case Word::EndRand:
        return opener == Word::DoRand;
    case Word::EndSwitch:
        return opener == Word::DoSwitch;
    default:
        return opener == Word::Begin;
    }
}

// A word of a line of code.
struct Place
{
    int line = 0;
    qsizetype start = 0;
    qsizetype length = 0;
};

struct OpenBlock
{
    Word word;
    Place place;
    // The ELSE of an IF, once it has one.
    Place otherwise;
};

class BlockReader
{
public:
    // The structure is kept where one is given.
    BlockReader(const Script &script, const QString &path, QList<BlockProblem> &problems,
                BlockStructure *structure = nullptr)
        : script(script), path(path), problems(problems), structure(structure)
    {
    }

    void read(const ScriptBlock &block)
    {
        code = &block;
        open.clear();
        const int last = block.firstLine + block.lineCount;
        for (int i = block.firstLine; i < last; ++i)
            readLine(i);
        for (const OpenBlock &unclosed : std::as_const(open)) {
            const ScriptLine &end = script.lines.at(last - 1);
            BlockProblem &problem = add(BlockProblem::Unclosed, unclosed.place);
            problem.other =
                Location::at(path, script.position(end, end.key.start), int(end.key.length));
            if (structure)
                structure->blocks.append(BlockStructure::Block{
                    script.lines.at(unclosed.place.line).line, end.line, false});
        }
    }

private:
    void readLine(int i)
    {
        const CodeLine line = splitCode(script, script.lines.at(i));
        qsizetype length = 0;
        const Word word = keywordOf(script.view(line.verb), length);
        if (word == Word::None)
            return;
        const Place place{i, line.verb.start, length};
        if (structure)
            structure->words.append(locationOf(place));
        if (word == Word::If || word == Word::ElseIf || word == Word::While)
            readCondition(place);
        if (opens(word)) {
            open.append(OpenBlock{word, place, Place()});
        } else if (ends(word)) {
            if (open.isEmpty()) {
                add(BlockProblem::StrayEnd, place);
                return;
            }
            const OpenBlock closed = open.takeLast();
            if (structure)
                structure->blocks.append(BlockStructure::Block{
                    script.lines.at(closed.place.line).line, script.lines.at(i).line, true});
            if (!closes(word, closed.word))
                relate(add(BlockProblem::OtherEnd, place), closed.place);
        } else if (open.isEmpty()) {
            add(BlockProblem::StrayElse, place);
        } else if (open.last().word != Word::If) {
            relate(add(BlockProblem::StrayElse, place), open.last().place);
        } else if (open.last().otherwise.length > 0) {
            relate(add(BlockProblem::AfterElse, place), open.last().otherwise);
        } else if (word == Word::Else) {
            open.last().otherwise = place;
        }
    }

    // Parentheses are counted outside double quotes only; "<...>" holds no text of its own.
    void readCondition(const Place &keyword)
    {
        const ScriptLine &line = script.lines.at(keyword.line);
        const QStringView text = script.text;
        const qsizetype end = line.value.start + line.value.length;
        QVarLengthArray<qsizetype, 8> unclosed;
        bool quoted = false;
        for (qsizetype k = keyword.start + keyword.length; k < end; ++k) {
            const QChar c = text.at(k);
            if (c == u'"') {
                quoted = !quoted;
            } else if (quoted) {
                continue;
            } else if (c == u'(') {
                unclosed.append(k);
            } else if (c == u')') {
                if (unclosed.isEmpty()) {
                    relate(add(BlockProblem::ClosingParenthesis, Place{keyword.line, k, 1}),
                           keyword);
                    return;
                }
                unclosed.removeLast();
            }
        }
        if (!unclosed.isEmpty())
            relate(add(BlockProblem::OpenParenthesis, Place{keyword.line, unclosed.first(), 1}),
                   keyword);
    }

    BlockProblem &add(BlockProblem::Fault fault, const Place &place)
    {
        BlockProblem problem;
        problem.fault = fault;
        problem.code = code->kind;
        problem.word = wordAt(place);
        problem.location = locationOf(place);
        problem.owner = ownerOf(script.sections.at(code->section));
        problems.append(std::move(problem));
        return problems.last();
    }

    void relate(BlockProblem &problem, const Place &place)
    {
        problem.otherWord = wordAt(place);
        problem.other = locationOf(place);
    }

    QString wordAt(const Place &place) const
    {
        return QStringView(script.text).mid(place.start, place.length).toString();
    }

    Location locationOf(const Place &place) const
    {
        return Location::at(
            path, script.position(script.lines.at(place.line), place.start),
            characterCount(QStringView(script.text).mid(place.start, place.length)));
    }

    QString ownerOf(const ScriptSection &section) const
    {
        const QStringView arguments = script.view(section.arguments);
        qsizetype end = 0;
        while (end < arguments.size() && arguments.at(end) != u' ' && arguments.at(end) != u'\t')
            ++end;
        return arguments.left(end).toString();
    }

    const Script &script;
    const QString &path;
    QList<BlockProblem> &problems;
    BlockStructure *structure;
    const ScriptBlock *code = nullptr;
    QList<OpenBlock> open;
};

} // namespace

QList<BlockProblem> blockProblemsOf(const Script &script, const QString &path)
{
    QList<BlockProblem> problems;
    BlockReader reader(script, path, problems);
    for (const ScriptBlock &block : script.blocks)
        reader.read(block);
    return problems;
}

BlockStructure blockStructureOf(const Script &script, const QString &path)
{
    QList<BlockProblem> problems;
    BlockStructure structure;
    BlockReader reader(script, path, problems, &structure);
    for (const ScriptBlock &block : script.blocks)
        reader.read(block);
    return structure;
}

} // namespace tavrel
