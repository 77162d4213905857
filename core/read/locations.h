// SPDX-License-Identifier: MIT
#ifndef TAVREL_LOCATIONS_H
#define TAVREL_LOCATIONS_H

#include <QHash>
#include <QString>
#include <QStringList>

namespace tavrel {

// A place in a script's text: line and column counted from 1, in characters; 0 where unknown.
struct TextPosition
{
    int line = 0;
    int column = 0;
};

// Finds where the sections and keys the INI reader returned are written. The reader gives no
// positions, so they are looked up afterwards in the files' text: the last header of a section
// (the reader merges repeated ones), the last line of a key within it, the word on that line.
// Each file is read once, the first time it is asked about.
class ScriptLocator
{
public:
    // The line of the section's header, or 0 when no header of that name is found.
    int headerLine(const QString &file, const QString &section);
    // The line of the key's last occurrence under the section's last header, matched regardless
    // of case, and the column of the occurrence-th (from 0) whole word `word` on that line,
    // compared regardless of case. Without the key, the header's line; without the word, no
    // column.
    TextPosition keyPosition(const QString &file, const QString &section, const QString &key,
                             const QString &word = QString(), int occurrence = 0);
    // The column of the occurrence-th whole word `word` on a line, or 0.
    int column(const QString &file, int line, const QString &word, int occurrence = 0);
    // Lets the file's text go; it is read again when asked about.
    void forget(const QString &file);

private:
    // A file's text with where each line starts; lines are views of it, so a big file costs
    // no allocation per line.
    struct Text
    {
        QString content;
        QList<qsizetype> lineStarts;
        // The last header line (from 0) of each section name.
        QHash<QString, int> headers;
        QList<int> headerLines;

        int lineCount() const { return int(lineStarts.size()); }
        QStringView line(int index) const;
    };
    const Text &text(const QString &file);

    QHash<QString, Text> texts;
};

// The 1-based line and column of the first byte that is not valid UTF-8, or line 0 when all is.
TextPosition firstInvalidUtf8(const QByteArray &bytes);

} // namespace tavrel

#endif
