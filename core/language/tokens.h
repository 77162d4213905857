// SPDX-License-Identifier: MIT
#ifndef TAVREL_TOKENS_H
#define TAVREL_TOKENS_H

#include "core/language/index.h"

#include <QList>

namespace tavrel {

// A stretch of a script that means one thing, for an editor to colour the script by meaning:
// the kind word of a section, a name defined or used and the kind of what it names, a key, a
// trigger, a block word, a number, a text in quotes, a comment or a part the server computes
// when the line runs.
struct ScriptToken
{
    enum Type : unsigned char
    {
        SectionKind,
        Definition,
        // A name some section defines, of the kind of its definition that the key takes.
        Use,
        // A name nothing defines, where the checks report it.
        Undefined,
        Key,
        Trigger,
        BlockWord,
        Number,
        Text,
        Comment,
        Computed,
    };
    Type type = Key;
    // What a definition or a use names.
    Kind kind = Kind::Item;
    // Line and column from 1, length in characters, as locations count them.
    int line = 0;
    int column = 0;
    int length = 0;
};

// The tokens of a file of the index on the lines from `firstLine` to `lastLine`, in the order
// they stand, none over another; `script` is the text its facts were read from. Where two would
// overlap, the one that says more is kept: a name over the key or the number it is written in,
// a computed part over the key or the text in quotes that holds it.
QList<ScriptToken> scriptTokens(const ScriptIndex &index, int file, const Script &script,
                                int firstLine, int lastLine);

} // namespace tavrel

Q_DECLARE_TYPEINFO(tavrel::ScriptToken, Q_PRIMITIVE_TYPE);

#endif
