// SPDX-License-Identifier: MIT
#include "core/language/tokens.h"

#include "core/language/blocks.h"

#include <algorithm>
#include <map>
#include <optional>

namespace tavrel {

namespace {

// Where tokens overlap, the heavier one is kept and the lighter cut around it.
int weight(ScriptToken::Type type)
{
    switch (type) {
    case ScriptToken::Definition:
    case ScriptToken::Use:
    case ScriptToken::Undefined:
    case ScriptToken::Trigger:
    case ScriptToken::BlockWord:
        return 3;
    case ScriptToken::Computed:
        return 2;
    case ScriptToken::SectionKind:
    case ScriptToken::Key:
    case ScriptToken::Comment:
        return 1;
    default:
        return 0;
    }
}

// A use names what the first of its definitions of a kind its key takes is, or what the first
// is; a name nothing defines is undefined where the checks say so: an item's resource that is
// no item type either, a skill where the scripts define skills, another name where the scripts
// define names of a kind the key takes. A number nothing defines is a number, and an alias's
// words are text until a key reads them.
std::optional<ScriptToken> useToken(const ScriptIndex &index, const Use &use)
{
    const bool number = isNumberText(use.name);
    const QList<FactRef> &defined = index.definitionsOf(
        index.nameOf(number ? ScriptIndex::numberName(scriptNumber(use.name)) : use.name));
    ScriptToken token;
    token.type = ScriptToken::Use;
    if (!defined.isEmpty()) {
        const auto accepted = std::find_if(defined.cbegin(), defined.cend(), [&](FactRef ref) {
            return kindBit(index.definition(ref).kind) & use.accepted;
        });
        token.kind =
            index.definition(accepted == defined.cend() ? defined.constFirst() : *accepted).kind;
        return token;
    }
    if (number || (use.flags & Use::AliasValue))
        return std::nullopt;
    if (index.isRecordType(use.name)) {
        token.kind = Kind::ItemType;
        return token;
    }
    const Kinds kinds = index.definedKinds();
    const bool reported = (use.flags & Use::ItemResource) ? true
                          : (use.flags & Use::ItemSkill)  ? bool(kinds & kindBit(Kind::Skill))
                                                          : bool(use.accepted & kinds);
    if (!reported)
        return std::nullopt;
    token.type = ScriptToken::Undefined;
    return token;
}

class Tokens
{
public:
    Tokens(const Script &script, int firstLine, int lastLine)
        : script(script), firstLine(firstLine), lastLine(lastLine)
    {
    }

    bool wanted(int line) const { return line >= firstLine && line <= lastLine; }

    void add(ScriptToken token)
    {
        if (token.length > 0 && wanted(token.line))
            found.append(token);
    }
    void add(ScriptToken::Type type, const Location &location, Kind kind = Kind::Item)
    {
        add(ScriptToken{type, kind, location.line, location.column, location.length});
    }
    // A stretch of the text on a line.
    void add(ScriptToken::Type type, int line, qsizetype lineStart, qsizetype start,
             qsizetype length)
    {
        if (length <= 0 || !wanted(line))
            return;
        const int column = script.position(line, lineStart, start).column;
        add(ScriptToken{type, Kind::Item, line, column,
                        characterCount(QStringView(script.text).mid(start, length))});
    }
    void addParts(int line, qsizetype lineStart, qsizetype start, qsizetype end, bool computedOnly)
    {
        for (const ValuePart &part : valueParts(script.text, start, end)) {
            if (computedOnly && part.type != ValuePart::Computed)
                continue;
            const ScriptToken::Type type = part.type == ValuePart::Number ? ScriptToken::Number
                                           : part.type == ValuePart::Text ? ScriptToken::Text
                                                                          : ScriptToken::Computed;
            add(type, line, lineStart, part.start, part.length);
        }
    }

    // Each line's tokens by weight, each cut around those kept before it, then in order.
    QList<ScriptToken> take()
    {
        std::stable_sort(found.begin(), found.end(),
                         [](const ScriptToken &a, const ScriptToken &b) {
                             if (a.line != b.line)
                                 return a.line < b.line;
                             return weight(a.type) > weight(b.type);
                         });
        QList<ScriptToken> kept;
        kept.reserve(found.size());
        // The columns taken on the line, from each start to its end.
        std::map<int, int> taken;
        int line = 0;
        for (const ScriptToken &token : std::as_const(found)) {
            if (token.line != line) {
                taken.clear();
                line = token.line;
            }
            int from = token.column;
            const int end = token.column + token.length;
            auto next = taken.upper_bound(from);
            if (next != taken.begin() && std::prev(next)->second > from)
                from = std::prev(next)->second;
            while (from < end) {
                const int stop = next == taken.end() ? end : std::min(end, next->first);
                if (stop > from) {
                    ScriptToken piece = token;
                    piece.column = from;
                    piece.length = stop - from;
                    kept.append(piece);
                    taken.emplace(from, stop);
                }
                if (next == taken.end())
                    break;
                from = std::max(from, next->second);
                ++next;
            }
        }
        std::sort(kept.begin(), kept.end(), [](const ScriptToken &a, const ScriptToken &b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
        return kept;
    }

private:
    const Script &script;
    const int firstLine;
    const int lastLine;
    QList<ScriptToken> found;
};

} // namespace

QList<ScriptToken> scriptTokens(const ScriptIndex &index, int file, const Script &script,
                                int firstLine, int lastLine)
{
    Tokens tokens(script, firstLine, lastLine);
    for (const LineSpan &comment : script.comments())
        tokens.add(ScriptToken::Comment, comment.line, comment.lineStart, comment.span.start,
                   comment.span.length);
    for (const ScriptSection &section : script.sections) {
        const int last = section.lineCount > 0
                             ? script.lines.at(section.firstLine + section.lineCount - 1).line
                             : section.line;
        if (last < firstLine || section.line > lastLine)
            continue;
        tokens.add(ScriptToken::SectionKind, section.line, section.lineStart, section.name.start,
                   section.kindLength);
        tokens.addParts(section.line, section.lineStart, section.arguments.start,
                        section.arguments.start + section.arguments.length, false);
        const bool comment = isKeyword(script.kind(section), QLatin1String("COMMENT"));
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i) {
            const ScriptLine &line = script.lines.at(i);
            if (!tokens.wanted(line.line))
                continue;
            const qsizetype end = line.value.start + line.value.length;
            if (comment) {
                tokens.add(ScriptToken::Comment, line.line, line.lineStart, line.key.start,
                           end - line.key.start);
                continue;
            }
            const bool text = isTextLine(script, section, i);
            if (!text)
                tokens.add(ScriptToken::Key, line.line, line.lineStart, line.key.start,
                           line.key.length);
            tokens.addParts(line.line, line.lineStart, line.key.start, end, text);
        }
    }
    for (const Location &word : blockStructureOf(script).words)
        tokens.add(ScriptToken::BlockWord, word);

    const ScriptFacts &facts = index.facts(file);
    for (const Definition &definition : facts.definitions)
        tokens.add(ScriptToken::Definition, definition.location, definition.kind);
    for (const Trigger &trigger : facts.triggers)
        tokens.add(ScriptToken::Trigger, trigger.location);
    for (const Use &use : facts.uses) {
        if (!tokens.wanted(use.location.line))
            continue;
        if (const std::optional<ScriptToken> token = useToken(index, use))
            tokens.add(token->type, use.location, token->kind);
    }
    return tokens.take();
}

} // namespace tavrel
