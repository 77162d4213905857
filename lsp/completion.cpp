// SPDX-License-Identifier: MIT
#include "lsp/completion.h"

#include "lsp/symbolkinds.h"
#include "lsp/workspace.h"

#include "core/language/facts.h"
#include "core/read/itemdefinition.h"

#include <QJsonArray>
#include <QSet>

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

// The kinds a definition gives its name, an alias those of what it stands for.
Kinds kindsOf(const ScriptLanguage &language, const Definition &definition)
{
    if (definition.kind != Kind::Alias)
        return kindBit(definition.kind);
    const Resolution resolution = language.resolve(definition.name);
    return resolution.outcome == Resolution::Defined ? resolution.kinds : 0;
}

QString detailOf(const LoadedScripts &loaded, const Definition &definition)
{
    if (definition.kind == Kind::Item) {
        const auto record = loaded.records.constFind(definition.name);
        if (record != loaded.records.cend())
            return record->fields.name;
    }
    if (definition.kind == Kind::Skill)
        return capitalised(definition.name);
    return QString(kindName(definition.kind));
}

QJsonObject emptyList()
{
    return QJsonObject{{QStringLiteral("isIncomplete"), false},
                       {QStringLiteral("items"), QJsonArray()}};
}

} // namespace

QJsonObject completion(const Workspace &workspace, const QString &path, TextPosition place)
{
    const Script script = Script::fromBytes(workspace.text(path).toUtf8());
    for (const ScriptSection &section : script.sections) {
        for (int index = section.firstLine; index < section.firstLine + section.lineCount;
             ++index) {
            const ScriptLine &line = script.lines.at(index);
            if (line.line != place.line)
                continue;
            const qsizetype offset = offsetOf(script.text, line.lineStart, place.column);
            const Kinds kinds = kindsNamedBy(script, section, index);
            if (kinds == 0 || offset <= line.key.start + line.key.length)
                return emptyList();
            qsizetype start = offset;
            while (start > line.lineStart && isNameCharacter(script.text.at(start - 1)))
                --start;
            const QString word = script.text.mid(start, offset - start).toLower();
            const TextPosition from = script.position(line, start);

            const LoadedScripts &loaded = workspace.analysis().loaded;
            const ScriptLanguage &language = loaded.language;
            QJsonArray items;
            QSet<QString> listed;
            bool incomplete = false;
            for (const Definition &definition : language.definitions) {
                if (definition.number >= 0 || !(kindsOf(language, definition) & kinds) ||
                    !definition.name.contains(word) || listed.contains(definition.name))
                    continue;
                if (items.size() == mostItems) {
                    incomplete = true;
                    break;
                }
                listed.insert(definition.name);
                const QString label = definition.shown();
                items.append(QJsonObject{
                    {QStringLiteral("label"), label},
                    {QStringLiteral("kind"), completionKind(definition.kind)},
                    {QStringLiteral("detail"), detailOf(loaded, definition)},
                    {QStringLiteral("textEdit"),
                     QJsonObject{{QStringLiteral("range"),
                                  workspace.wide(path).range(from, characterCount(word))},
                                 {QStringLiteral("newText"), label}}}});
            }
            return QJsonObject{{QStringLiteral("isIncomplete"), incomplete},
                               {QStringLiteral("items"), items}};
        }
    }
    return emptyList();
}

} // namespace tavrel::lsp
