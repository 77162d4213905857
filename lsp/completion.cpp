// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include "core/language/facts.h"
#include "core/read/itemdefinition.h"

#include <QSet>
#include <QStringMatcher>

#include <algorithm>

namespace tavrel::lsp {

namespace {

constexpr int mostItems = 200;

// The offset in the text of a column of a line.
qsizetype offsetOf(QStringView text, qsizetype lineStart, int column)
{
    qsizetype offset = lineStart;
    for (int c = 1; c < column && offset < text.size() && text.at(offset) != u'\n'; ++c)
        offset += text.at(offset).isHighSurrogate() ? 2 : 1;
    return offset;
}

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

QString detailOf(const ScriptIndex &index, FactRef ref)
{
    const Definition &definition = index.definition(ref);
    if (definition.record >= 0)
        return index.record(ref).name;
    if (definition.kind == Kind::Skill)
        return capitalised(definition.name);
    return QString(kindName(definition.kind));
}

} // namespace

CompletionList completionAt(const Workspace &workspace, const QString &path, int line, int column)
{
    const Script script = Script::fromBytes(workspace.text(path).toUtf8());
    for (const ScriptSection &section : script.sections) {
        for (int at = section.firstLine; at < section.firstLine + section.lineCount; ++at) {
            const ScriptLine &scriptLine = script.lines.at(at);
            if (scriptLine.line != line)
                continue;
            const qsizetype offset = offsetOf(script.text, scriptLine.lineStart, column);
            const Kinds kinds = kindsNamedBy(script, section, at, offset);
            if (kinds == 0 || offset <= scriptLine.key.start + scriptLine.key.length)
                return {};
            qsizetype start = offset;
            while (start > scriptLine.lineStart && isNameCharacter(script.text.at(start - 1)))
                --start;
            const QString word = script.text.mid(start, offset - start).toLower();
            const Location replaced{path, line, script.position(scriptLine, start).column,
                                    characterCount(word)};

            const ScriptIndex &index = workspace.index();
            CompletionList list;
            QSet<QString> listed;
            Workspace::NameText &names = workspace.nameText();
            if (qsizetype(names.starts.size()) > index.nameCount())
                names = Workspace::NameText();
            for (qsizetype name = qsizetype(names.starts.size()); name < index.nameCount();
                 ++name) {
                names.starts.push_back(names.text.size());
                names.text += u'\n';
                names.text += index.name(int(name));
            }
            const QStringMatcher matcher(word);
            qsizetype from = 0;
            while (!list.incomplete) {
                // An empty word is found at every place, the end of the text too.
                const qsizetype found =
                    from < names.text.size() ? matcher.indexIn(names.text, from) : -1;
                if (found < 0)
                    break;
                // The name the text was found in, and the search goes on after it.
                const auto after =
                    std::upper_bound(names.starts.cbegin(), names.starts.cend(), found);
                const int name = int(after - names.starts.cbegin()) - 1;
                from = after == names.starts.cend() ? names.text.size() : *after;
                const QString &text = index.name(name);
                if (text.startsWith(u'#'))
                    continue;
                const QList<FactRef> &defined = index.definitionsOf(name);
                if (defined.isEmpty())
                    continue;
                // An alias stands for the kinds it leads to.
                Kinds named = 0;
                bool alias = false;
                for (const FactRef &ref : defined) {
                    const Kind kind = index.definition(ref).kind;
                    alias = alias || kind == Kind::Alias;
                    named |= kindBit(kind);
                }
                if (alias)
                    named |= index.resolve(text).kinds;
                if (!(named & kinds))
                    continue;
                if (list.items.size() == mostItems) {
                    list.incomplete = true;
                    break;
                }
                const FactRef first = defined.constFirst();
                const Definition &definition = index.definition(first);
                list.items.append(
                    CompletionItem{definition.shown(), completionKind(definition.kind),
                                   detailOf(index, first), replaced, definition.shown()});
            }
            return list;
        }
    }
    return {};
}

} // namespace tavrel::lsp
