// SPDX-License-Identifier: MIT
#ifndef TAVREL_BLOCKS_H
#define TAVREL_BLOCKS_H

#include "core/language/location.h"
#include "core/read/scriptreader.h"

#include <QList>
#include <QString>

namespace tavrel {

// A fault in the blocks of a piece of script code (IF ... ENDIF, FOR ... ENDFOR, WHILE ...
// ENDWHILE, DORAND and DOSWITCH ... ENDDO, BEGIN ... END) or in the parentheses of a condition,
// as the server runs the code: any end word closes the innermost block, a block left open runs
// to the end of the code, and an end word or an ELSE outside every block ends the code there.
struct BlockProblem
{
    enum Fault : unsigned char
    {
        // A block still open where its code ends; `other` is the last line of the code.
        Unclosed,
        // An end word with no block open.
        StrayEnd,
        // An ELSE, ELIF or ELSEIF outside an IF; `other` is the block it stands in, if any.
        StrayElse,
        // An ELSE, ELIF or ELSEIF after the ELSE of its IF; `other` is that ELSE.
        AfterElse,
        // An end word of another block's kind than the block it closes; `other` opens that block.
        OtherEnd,
        // A "(" never closed in the condition of `other`, or a ")" that closes none.
        OpenParenthesis,
        ClosingParenthesis,
    };

    Fault fault = Unclosed;
    ScriptBlock::Kind code = ScriptBlock::Trigger;
    // The offending word as written and where it stands.
    QString word;
    Location location;
    QString otherWord;
    Location other;
    // The first word of the section's arguments, the name it defines ("f_go", "i_axe").
    QString owner;
    // The index of the file in its load.
    int file = 0;
};

// Every block fault of a script's code; locations name the file at `path`.
QList<BlockProblem> blockProblemsOf(const Script &script, const QString &path = QString());

// The blocks of a script's code as the server runs them: each block word where it stands (the
// words that open, divide and close blocks), and each block from the line of the word that opens
// it to the line of the end word that closes it, or to the last line of its code where none
// does. Lines count from 1; locations name the file at `path`.
struct BlockStructure
{
    struct Block
    {
        int firstLine = 0;
        int lastLine = 0;
        bool closed = false;
    };
    QList<Location> words;
    QList<Block> blocks;
};
BlockStructure blockStructureOf(const Script &script, const QString &path = QString());

} // namespace tavrel

Q_DECLARE_TYPEINFO(tavrel::BlockProblem, Q_RELOCATABLE_TYPE);

#endif
