// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include "core/language/tokens.h"

#include <cstddef>

namespace tavrel::lsp {

namespace {

// The legend's types, in its order.
enum TokenType
{
    NamespaceToken,
    ClassToken,
    StructToken,
    TypeToken,
    EnumToken,
    InterfaceToken,
    EventToken,
    FunctionToken,
    MethodToken,
    EnumMemberToken,
    VariableToken,
    PropertyToken,
    KeywordToken,
    NumberToken,
    StringToken,
    CommentToken,
    MacroToken,
};

enum TokenModifier
{
    Declaration = 1,
    Readonly = 2,
    // Not one of the protocol's: a name nothing defines.
    Undefined = 4,
};

// The standard type nearest to each kind of name.
int typeOf(Kind kind)
{
    static const TokenType types[] = {
        ClassToken,      StructToken,    TypeToken,     TypeToken,    EnumToken,
        InterfaceToken,  InterfaceToken, EventToken,    EventToken,   TypeToken,
        InterfaceToken,  InterfaceToken, TypeToken,     TypeToken,    ClassToken,
        InterfaceToken,  InterfaceToken, StructToken,   TypeToken,    TypeToken,
        EnumMemberToken, MethodToken,    FunctionToken, VariableToken};
    static_assert(sizeof types / sizeof types[0] == std::size_t(Kind::Count));
    return types[std::size_t(kind)];
}

SemanticToken semanticToken(const QString &path, const ScriptToken &token)
{
    SemanticToken typed{Location{path, token.line, token.column, token.length}, 0, 0};
    switch (token.type) {
    case ScriptToken::SectionKind:
        typed.type = NamespaceToken;
        break;
    case ScriptToken::Definition:
    case ScriptToken::Use:
        typed.type = typeOf(token.kind);
        if (token.type == ScriptToken::Definition)
            typed.modifiers |= Declaration;
        if (token.kind == Kind::Alias)
            typed.modifiers |= Readonly;
        break;
    case ScriptToken::Undefined:
        typed.type = VariableToken;
        typed.modifiers = Undefined;
        break;
    case ScriptToken::Key:
        typed.type = PropertyToken;
        break;
    case ScriptToken::Trigger:
        typed.type = EventToken;
        break;
    case ScriptToken::BlockWord:
        typed.type = KeywordToken;
        break;
    case ScriptToken::Number:
        typed.type = NumberToken;
        break;
    case ScriptToken::Text:
        typed.type = StringToken;
        break;
    case ScriptToken::Comment:
        typed.type = CommentToken;
        break;
    case ScriptToken::Computed:
        typed.type = MacroToken;
        break;
    }
    return typed;
}

} // namespace

const QStringList &semanticTokenTypes()
{
    static const QStringList types = {
        QStringLiteral("namespace"),  QStringLiteral("class"),    QStringLiteral("struct"),
        QStringLiteral("type"),       QStringLiteral("enum"),     QStringLiteral("interface"),
        QStringLiteral("event"),      QStringLiteral("function"), QStringLiteral("method"),
        QStringLiteral("enumMember"), QStringLiteral("variable"), QStringLiteral("property"),
        QStringLiteral("keyword"),    QStringLiteral("number"),   QStringLiteral("string"),
        QStringLiteral("comment"),    QStringLiteral("macro")};
    return types;
}

const QStringList &semanticTokenModifiers()
{
    static const QStringList modifiers = {QStringLiteral("declaration"), QStringLiteral("readonly"),
                                          QStringLiteral("undefined")};
    return modifiers;
}

QList<SemanticToken> semanticTokens(const Workspace &workspace, const QString &path, int firstLine,
                                    int lastLine)
{
    const int file = workspace.index().fileOf(path);
    if (file < 0)
        return {};
    QList<SemanticToken> tokens;
    for (const ScriptToken &token :
         scriptTokens(workspace.index(), file, workspace.script(path), firstLine, lastLine))
        tokens.append(semanticToken(path, token));
    return tokens;
}

} // namespace tavrel::lsp
