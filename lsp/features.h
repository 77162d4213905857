// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_FEATURES_H
#define TAVREL_LSP_FEATURES_H

#include "core/check/checks.h"
#include "core/language/kinds.h"
#include "core/language/location.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel::lsp {

class Workspace;

// What the server answers, as values of the core's units (lines and columns from 1, lengths in
// characters); the protocol layer alone writes them as the protocol's JSON and UTF-16 units.

// A stretch of a file over lines: from a line and column to another, the end after its last
// character.
struct TextRange
{
    int startLine = 0;
    int startColumn = 0;
    int endLine = 0;
    int endColumn = 0;

    static TextRange of(const Location &location)
    {
        return TextRange{location.line, location.column, location.line,
                         location.column + location.length};
    }
};

struct Hover
{
    QString markdown;
    Location range;
};

struct CompletionItem
{
    QString label;
    // The protocol's CompletionItemKind.
    int kind = 0;
    QString detail;
    // The word the item replaces, and what it writes.
    Location replaced;
    QString text;
};

struct CompletionList
{
    bool incomplete = false;
    QList<CompletionItem> items;
};

struct Symbol
{
    QString name;
    QString detail;
    // The protocol's SymbolKind.
    int kind = 0;
    // All it spans, and its name.
    TextRange range;
    Location selection;
    QList<Symbol> children;
};

struct CodeAction
{
    QString title;
    Finding finding;
    // Where the text is replaced, and by what.
    Location replaced;
    QString text;
};

// A stretch of a file to colour, typed by the legend: an index into semanticTokenTypes() and a
// set of bits of semanticTokenModifiers().
struct SemanticToken
{
    Location location;
    int type = 0;
    int modifiers = 0;
};

// Lines of a file an editor may fold away, from the line that stays to the last one hidden.
struct FoldingRange
{
    int startLine = 0;
    int endLine = 0;
    bool comment = false;
};

struct Highlight
{
    Location location;
    bool definition = false;
};

// A place of a file that opens another file or a folder.
struct DocumentLink
{
    Location location;
    QString target;
};

// What renaming the name at a place writes, or why it does not.
struct Rename
{
    // The name as written there, and where.
    QString written;
    Location name;
    QString refusal;
    // Every place the new name is written, each once.
    QList<Location> places;
};

// Where the name at a place is defined: each header or line that defines it, of whatever kind.
QList<Location> definitionsAt(const Workspace &workspace, const QString &path, int line,
                              int column);
// Every place naming the name at a place, and its definitions when asked; each once, by file,
// line and column.
QList<Location> referencesAt(const Workspace &workspace, const QString &path, int line, int column,
                             bool withDefinitions);
// What the name at a place stands for.
std::optional<Hover> hoverAt(const Workspace &workspace, const QString &path, int line, int column);
// The defined names of the kinds the key at a place takes that hold the word written before
// the place, with their display names. Large workspaces give the first of them and say the
// list is incomplete, so that the editor asks again as the word grows.
CompletionList completionAt(const Workspace &workspace, const QString &path, int line, int column);
// The sections of a file as an outline, each with what its lines define and its triggers below
// it.
QList<Symbol> documentSymbols(const Workspace &workspace, const QString &path);
// The definitions of the workspace whose names hold the query's characters in order, the exact
// name first, then those that start with the query, then the rest; one for each definition.
QList<Symbol> workspaceSymbols(const Workspace &workspace, const QString &query);
// A quick fix for every finding between two lines that knows what to write instead, such as the
// defined name an undefined one is a slip of.
QList<CodeAction> codeActions(const Workspace &workspace, const QString &path, int firstLine,
                              int lastLine);

// The protocol's token types and modifiers, in the order tokens number them.
const QStringList &semanticTokenTypes();
const QStringList &semanticTokenModifiers();
// Every token of a file on the lines from `firstLine` to `lastLine`, in order: the core's tokens
// as the protocol's standard types, so that every editor colours them without a mapping of its
// own.
QList<SemanticToken> semanticTokens(const Workspace &workspace, const QString &path, int firstLine,
                                    int lastLine);
// The sections of a file, the code of its triggers, its blocks (IF ... ENDIF, FOR ... ENDFOR and
// the others) and its runs of comment lines; a block's end word stays in sight.
QList<FoldingRange> foldingRanges(const Workspace &workspace, const QString &path);
// Every place of a file that names the name at a place.
QList<Highlight> highlightsAt(const Workspace &workspace, const QString &path, int line,
                              int column);
// In a tables file, each line of its [RESOURCES] that names a file or a folder.
QList<DocumentLink> documentLinks(const Workspace &workspace, const QString &path);
// Renaming the name at a place, across the workspace: none where no name stands there. Only a
// defined name is renamed, to one the server registers that nothing defines yet; a name that
// computed text writes is not, for the rename could not follow it there. With an empty
// `newName`, only whether it could be.
std::optional<Rename> renameAt(const Workspace &workspace, const QString &path, int line,
                               int column, const QString &newName = QString());

// The protocol's SymbolKind and CompletionItemKind nearest to each kind of name.
int symbolKind(Kind kind);
int completionKind(Kind kind);

} // namespace tavrel::lsp

#endif
