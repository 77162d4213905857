// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCRIPTREADER_H
#define TAVREL_SCRIPTREADER_H

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace tavrel {

// A place in a script's text: line and column counted from 1, in characters of the decoded
// line (after a byte-order mark); 0 where unknown.
struct TextPosition
{
    int line = 0;
    int column = 0;
};

// A stretch of a script's text, by offset and length.
struct TextSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
};

// A stretch of a script's text within one line, and the line it stands on.
struct LineSpan
{
    int line = 0;
    qsizetype lineStart = 0;
    TextSpan span;
};

// A line of a section that is not its header: a key (up to the first "=" or blank) and a value
// (after the "=" or the blanks), both as written.
struct ScriptLine
{
    int line = 0;
    // Where the line starts in the text, to count columns from.
    qsizetype lineStart = 0;
    TextSpan key;
    TextSpan value;
    // The block the line stands in, as its opener or its code (see ScriptBlock), or -1.
    int block = -1;
};

// The lines of script code the server runs together, and the line that opens them: from an
// "ON=" line to the next one or the end of the section, or a whole section.
struct ScriptBlock
{
    enum Kind : unsigned char
    {
        // ON=@name, in any section but those below.
        Trigger,
        // ON=pattern in a [SPEECH] section.
        Speech,
        // ON=n in the BUTTON part of a dialog.
        Button,
        // ON= in a [SKILLMENU] or [MENU] section.
        MenuOption,
        // A [FUNCTION] section, which its header opens.
        Function,
        // A dialog's layout, opened by its first line, the dialog's position.
        DialogLayout,
    };
    // The opening line, an index into Script::lines, or -1 where the header opens the block.
    int opener = 0;
    Kind kind = Trigger;
    // The code, a range of Script::lines after the opener.
    int firstLine = 0;
    int lineCount = 0;
    // The section it stands in, an index into Script::sections.
    int section = 0;
};

// A section: its header and its lines, the properties first.
struct ScriptSection
{
    int line = 0;
    qsizetype lineStart = 0;
    // Between "[" and "]", or the end of the line, trimmed. Its first word is the section's kind,
    // the rest its arguments.
    TextSpan name;
    qsizetype kindLength = 0;
    TextSpan arguments;
    // The section's lines, a range of Script::lines; the first propertyCount of them stand
    // before its first trigger or menu option. The lines of a function, a dialog or a speech
    // section are its properties and its code at once.
    int firstLine = 0;
    int lineCount = 0;
    int propertyCount = 0;
};

// A script file as the game server reads it: lines (LF or CRLF) after an optional byte-order
// mark, UTF-8 when the bytes are valid UTF-8 and Windows-1252 otherwise; "//" starts a comment
// anywhere on a line; a line whose first character is "[" is a section header and "[EOF]" ends
// the file. Quotes, backslashes, ";" and "%" mean nothing. Every line is kept, in order, with
// its position; the texts are spans of the decoded text. The lines the server runs as code are
// kept as blocks: triggers, speech triggers, dialog layouts and buttons, menu options and
// functions; a [COMMENT] section holds none.
class Script
{
public:
    static Script fromBytes(QByteArrayView bytes);
    // Reads the bytes anew, in the storage of what was read before.
    void read(QByteArrayView bytes);

    QStringView view(TextSpan span) const { return QStringView(text).mid(span.start, span.length); }
    QString string(TextSpan span) const { return text.mid(span.start, span.length); }
    QStringView name(const ScriptSection &section) const { return view(section.name); }
    QStringView kind(const ScriptSection &section) const
    {
        return QStringView(text).mid(section.name.start, section.kindLength);
    }
    QStringView key(const ScriptLine &line) const { return view(line.key); }
    QStringView value(const ScriptLine &line) const { return view(line.value); }

    // The position of an offset of the text on a line that starts at `lineStart`; asked in the
    // order they stand on a line, a line's positions take as long as the line.
    TextPosition position(int line, qsizetype lineStart, qsizetype offset) const;
    TextPosition position(const ScriptLine &line, qsizetype offset) const
    {
        return position(line.line, line.lineStart, offset);
    }

    // The block whose code the line (an index into `lines`) is, or -1 where it is not code.
    int codeBlock(int line) const
    {
        const int block = lines.at(line).block;
        return block >= 0 && blocks.at(block).opener != line ? block : -1;
    }

    // In a file read as Windows-1252, where the first character outside ASCII stands in a value
    // (not in a comment); line 0 when there is none.
    TextPosition firstLegacyCharacter() const;

    // What the server does not read, line by line: each "//" comment to the end of its line,
    // and every line from "[EOF]" on.
    QList<LineSpan> comments() const;

    QString text;
    // False when the bytes were not UTF-8 and were read as Windows-1252.
    bool utf8 = true;
    QList<ScriptSection> sections;
    QList<ScriptLine> lines;
    QList<ScriptBlock> blocks;
    // Where the reading ended: at the start of the "[EOF]" line, or at the end of the text.
    qsizetype readEnd = 0;

private:
    // Where the reading of the lines stands.
    struct Reading;
    void parse();
    bool readLine(int line, qsizetype start, qsizetype end, Reading &reading);
    void endSection(Reading &reading);
    void openBlock(ScriptBlock::Kind kind, int opener, Reading &reading);

    // Whether the text holds characters outside the basic plane, which take two code units
    // but make one column.
    bool wide = false;
    // The low surrogates of a line up to an offset, as `position` counted them last; a script
    // is read by one thread at a time.
    struct Counted
    {
        qsizetype lineStart = -1;
        qsizetype offset = 0;
        qsizetype lows = 0;
    };
    mutable Counted counted;
};

// Compares a key or a kind with a name written in upper case, regardless of case.
bool isKeyword(QStringView word, QLatin1String name);

} // namespace tavrel

#endif
