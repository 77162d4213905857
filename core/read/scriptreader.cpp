// SPDX-License-Identifier: MIT
#include "core/read/scriptreader.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace tavrel {

namespace {

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u == ' ' || u == '\t' || u == '\r' || u == '\v' || u == '\f';
    return c.isSpace();
}

bool isUtf8(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        // Script text is mostly ASCII: eight bytes at a time while no high bit is set.
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, data + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = data[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned minimum = 0;
        unsigned code = 0;
        if ((c & 0xe0) == 0xc0) {
            length = 2;
            minimum = 0x80;
            code = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            length = 3;
            minimum = 0x800;
            code = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            length = 4;
            minimum = 0x10000;
            code = c & 0x07;
        }
        bool valid = length > 0 && i + length <= size;
        for (int k = 1; valid && k < length; ++k) {
            valid = (data[i + k] & 0xc0) == 0x80;
            code = (code << 6) | (data[i + k] & 0x3f);
        }
        if (!valid || code < minimum || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

// Windows-1252 is Latin-1 but for 0x80 to 0x9f; its five unassigned bytes stay C1 controls.
void decodeWindows1252(QByteArrayView bytes, QString &text)
{
    static const char16_t high[32] = {
        0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
        0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};
    text.resize(bytes.size());
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        out[i] = b >= 0x80 && b < 0xa0 ? high[b - 0x80] : char16_t(b);
    }
}

void decodeUtf8(QByteArrayView bytes, QString &text)
{
    text.resize(bytes.size());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QChar *end = decoder.appendToBuffer(text.data(), bytes);
    text.resize(end - text.constData());
}

// Where "//" starts in a line, or its end.
qsizetype commentStart(QStringView line)
{
    for (qsizetype slash = line.indexOf(u'/'); slash >= 0; slash = line.indexOf(u'/', slash + 1)) {
        if (slash + 1 < line.size() && line.at(slash + 1) == u'/')
            return slash;
    }
    return line.size();
}

bool isMenu(QStringView kind)
{
    return isKeyword(kind, QLatin1String("SKILLMENU")) || isKeyword(kind, QLatin1String("MENU"));
}

} // namespace

bool isKeyword(QStringView word, QLatin1String name)
{
    if (word.size() != name.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        char16_t c = word.at(i).unicode();
        if (c >= 'a' && c <= 'z')
            c = char16_t(c - 'a' + 'A');
        if (c != char16_t(static_cast<unsigned char>(name.at(i).toLatin1())))
            return false;
    }
    return true;
}

Script Script::fromBytes(QByteArrayView bytes)
{
    Script script;
    script.read(bytes);
    return script;
}

void Script::read(QByteArrayView bytes)
{
    sections.clear();
    lines.clear();
    blocks.clear();
    counted = Counted();
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes = bytes.sliced(3);
    utf8 = isUtf8(bytes);
    if (utf8)
        decodeUtf8(bytes, text);
    else
        decodeWindows1252(bytes, text);
    // Characters outside the basic plane come from four-byte sequences.
    wide = utf8 && std::any_of(bytes.begin(), bytes.end(),
                               [](char b) { return static_cast<unsigned char>(b) >= 0xf0; });
    parse();
}

namespace {

// What runs of a section, by its header.
enum class SectionCode : unsigned char
{
    // ON=@name opens a trigger.
    Triggers,
    // Every ON= opens a block of its kind.
    SpeechTriggers,
    Buttons,
    MenuOptions,
    // The whole section is one block.
    Function,
    DialogLayout,
    // Nothing: a comment, a dialog's texts.
    None,
};

SectionCode codeOf(QStringView kind, QStringView arguments)
{
    if (isMenu(kind))
        return SectionCode::MenuOptions;
    if (isKeyword(kind, QLatin1String("FUNCTION")))
        return SectionCode::Function;
    if (isKeyword(kind, QLatin1String("SPEECH")))
        return SectionCode::SpeechTriggers;
    if (isKeyword(kind, QLatin1String("COMMENT")))
        return SectionCode::None;
    if (!isKeyword(kind, QLatin1String("DIALOG")))
        return SectionCode::Triggers;
    // [DIALOG d_x] is the layout, [DIALOG d_x BUTTON] the buttons, [DIALOG d_x TEXT] texts.
    qsizetype part = 0;
    while (part < arguments.size() && !isBlank(arguments.at(part)))
        ++part;
    while (part < arguments.size() && isBlank(arguments.at(part)))
        ++part;
    if (part == arguments.size())
        return SectionCode::DialogLayout;
    qsizetype partEnd = part;
    while (partEnd < arguments.size() && !isBlank(arguments.at(partEnd)))
        ++partEnd;
    return isKeyword(arguments.mid(part, partEnd - part), QLatin1String("BUTTON"))
               ? SectionCode::Buttons
               : SectionCode::None;
}

} // namespace

// Where the reading of the lines stands.
struct Script::Reading
{
    int section = -1;
    int block = -1;
    SectionCode code = SectionCode::Triggers;
    bool menu = false;
    // The properties end at the first trigger or menu option, whatever runs of the section.
    bool properties = true;
};

void Script::parse()
{
    const QStringView all(text);
    Reading reading;
    int line = 0;
    readEnd = text.size();
    for (qsizetype start = 0;;) {
        ++line;
        qsizetype end = all.indexOf(u'\n', start);
        const bool last = end < 0;
        if (last)
            end = text.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && all.at(lineEnd - 1) == u'\r')
            --lineEnd;
        if (!readLine(line, start, lineEnd, reading)) {
            readEnd = start;
            break;
        }
        if (last)
            break;
        start = end + 1;
    }
    endSection(reading);
}

void Script::endSection(Reading &reading)
{
    if (reading.block >= 0) {
        ScriptBlock &block = blocks[reading.block];
        block.lineCount = int(lines.size()) - block.firstLine;
    }
    if (reading.section >= 0) {
        ScriptSection &done = sections[reading.section];
        done.lineCount = int(lines.size()) - done.firstLine;
        if (reading.properties)
            done.propertyCount = done.lineCount;
    }
    reading.block = -1;
    reading.properties = true;
}

void Script::openBlock(ScriptBlock::Kind kind, int opener, Reading &reading)
{
    const int here = int(lines.size());
    if (reading.block >= 0) {
        ScriptBlock &before = blocks[reading.block];
        before.lineCount = here - before.firstLine;
    }
    blocks.append(ScriptBlock{opener, kind, opener < 0 ? here : opener + 1, 0, reading.section});
    reading.block = int(blocks.size()) - 1;
}

// False at "[EOF]".
bool Script::readLine(int line, qsizetype start, qsizetype end, Reading &reading)
{
    const QChar *data = text.constData();
    qsizetype s = start;
    qsizetype e = start + commentStart(QStringView(data + start, end - start));
    while (s < e && isBlank(data[s]))
        ++s;
    while (e > s && isBlank(data[e - 1]))
        --e;
    if (s == e)
        return true;

    if (data[s] == u'[') {
        const qsizetype close = QStringView(data + s + 1, e - s - 1).indexOf(u']');
        qsizetype nameStart = s + 1;
        qsizetype nameEnd = close < 0 ? e : s + 1 + close;
        while (nameStart < nameEnd && isBlank(data[nameStart]))
            ++nameStart;
        while (nameEnd > nameStart && isBlank(data[nameEnd - 1]))
            --nameEnd;
        qsizetype kindEnd = nameStart;
        while (kindEnd < nameEnd && !isBlank(data[kindEnd]))
            ++kindEnd;
        qsizetype arguments = kindEnd;
        while (arguments < nameEnd && isBlank(data[arguments]))
            ++arguments;
        const QStringView kind(data + nameStart, kindEnd - nameStart);
        if (isKeyword(kind, QLatin1String("EOF")))
            return false;

        endSection(reading);
        ScriptSection header;
        header.line = line;
        header.lineStart = start;
        header.name = TextSpan{nameStart, nameEnd - nameStart};
        header.kindLength = kindEnd - nameStart;
        header.arguments = TextSpan{arguments, nameEnd - arguments};
        header.firstLine = int(lines.size());
        sections.append(header);
        reading.section = int(sections.size()) - 1;
        reading.code = codeOf(kind, QStringView(data + arguments, nameEnd - arguments));
        reading.menu = reading.code == SectionCode::MenuOptions;
        return true;
    }
    // Lines before the first header belong to no section.
    if (reading.section < 0)
        return true;

    qsizetype keyEnd = s;
    while (keyEnd < e && data[keyEnd] != u'=' && !isBlank(data[keyEnd]))
        ++keyEnd;
    qsizetype value = keyEnd;
    while (value < e && isBlank(data[value]))
        ++value;
    if (value < e && data[value] == u'=') {
        ++value;
        while (value < e && isBlank(data[value]))
            ++value;
    }
    ScriptLine key;
    key.line = line;
    key.lineStart = start;
    key.key = TextSpan{s, keyEnd - s};
    key.value = TextSpan{value, e - value};

    const int here = int(lines.size());
    const bool on = isKeyword(this->key(key), QLatin1String("ON"));
    const bool trigger = on && value < e && data[value] == u'@';
    if (reading.properties && (trigger || (on && reading.menu))) {
        sections[reading.section].propertyCount = here - sections.at(reading.section).firstLine;
        reading.properties = false;
    }
    switch (reading.code) {
    case SectionCode::Triggers:
        if (trigger)
            openBlock(ScriptBlock::Trigger, here, reading);
        break;
    case SectionCode::SpeechTriggers:
        if (on)
            openBlock(ScriptBlock::Speech, here, reading);
        break;
    case SectionCode::Buttons:
        if (on)
            openBlock(ScriptBlock::Button, here, reading);
        break;
    case SectionCode::MenuOptions:
        if (on)
            openBlock(ScriptBlock::MenuOption, here, reading);
        break;
    case SectionCode::Function:
        if (reading.block < 0)
            openBlock(ScriptBlock::Function, -1, reading);
        break;
    case SectionCode::DialogLayout:
        if (reading.block < 0)
            openBlock(ScriptBlock::DialogLayout, here, reading);
        break;
    case SectionCode::None:
        break;
    }
    key.block = reading.block;
    lines.append(key);
    return true;
}

// Positions are mostly asked in the order they stand on a line: the count of a line's wide
// characters goes on from the last position asked, so that a line of many names is counted once.
TextPosition Script::position(int line, qsizetype lineStart, qsizetype offset) const
{
    if (!wide)
        return TextPosition{line, int(offset - lineStart + 1)};
    qsizetype from = lineStart;
    qsizetype lows = 0;
    if (counted.lineStart == lineStart && counted.offset <= offset) {
        from = counted.offset;
        lows = counted.lows;
    }
    for (qsizetype i = from; i < offset; ++i)
        lows += text.at(i).isLowSurrogate() ? 1 : 0;
    counted = Counted{lineStart, offset, lows};
    return TextPosition{line, int(offset - lineStart + 1 - lows)};
}

TextPosition Script::firstLegacyCharacter() const
{
    if (utf8)
        return TextPosition();
    for (const ScriptLine &line : lines) {
        const QStringView value = view(line.value);
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value.at(i).unicode() >= 0x80)
                return position(line, line.value.start + i);
        }
    }
    return TextPosition();
}

QList<LineSpan> Script::comments() const
{
    QList<LineSpan> found;
    const QStringView all(text);
    int line = 0;
    for (qsizetype start = 0; start <= text.size();) {
        ++line;
        qsizetype lineEnd = all.indexOf(u'\n', start);
        const qsizetype next = lineEnd < 0 ? text.size() + 1 : lineEnd + 1;
        if (lineEnd < 0)
            lineEnd = text.size();
        if (lineEnd > start && all.at(lineEnd - 1) == u'\r')
            --lineEnd;
        const qsizetype from =
            start >= readEnd ? start : start + commentStart(all.mid(start, lineEnd - start));
        if (from < lineEnd)
            found.append(LineSpan{line, start, TextSpan{from, lineEnd - from}});
        start = next;
    }
    return found;
}

} // namespace tavrel
