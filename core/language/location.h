// SPDX-License-Identifier: MIT
#ifndef TAVREL_LOCATION_H
#define TAVREL_LOCATION_H

#include "core/read/scriptreader.h"

#include <QString>

namespace tavrel {

// Where a text stands in a script: the file, the line and column counted from 1 (0 where
// unknown), and the length, all in characters (code points) of the decoded text, as the tool
// prints them. The language server converts them to the protocol's UTF-16 units in one place.
struct Location
{
    QString file;
    int line = 0;
    int column = 0;
    int length = 0;

    TextPosition position() const { return TextPosition{line, column}; }
    static Location at(const QString &file, TextPosition position, int length = 0)
    {
        return Location{file, position.line, position.column, length};
    }
    // Whether the place is on the text or just after its last character, as an editor's cursor
    // after a word stands for the word.
    bool covers(int atLine, int atColumn) const
    {
        return atLine == line && atColumn >= column && atColumn <= column + length;
    }
};

// The characters of a text, as columns and lengths count them.
int characterCount(QStringView text);

} // namespace tavrel

Q_DECLARE_TYPEINFO(tavrel::Location, Q_RELOCATABLE_TYPE);

#endif
