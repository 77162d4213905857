// SPDX-License-Identifier: MIT
#include "core/read/locations.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace tavrel {

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The number of characters (code points) in a text.
int characters(QStringView text)
{
    int count = 0;
    for (const QChar c : text)
        count += c.isLowSurrogate() ? 0 : 1;
    return count;
}

int wordColumn(QStringView line, const QString &word, int occurrence)
{
    if (word.isEmpty())
        return 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = line.indexOf(word, from, Qt::CaseInsensitive);
        if (at < 0)
            return 0;
        const qsizetype end = at + word.size();
        const bool whole = (at == 0 || !isWordCharacter(line.at(at - 1))) &&
                           (end == line.size() || !isWordCharacter(line.at(end)));
        if (whole && occurrence-- == 0)
            return characters(QStringView(line).left(at)) + 1;
        from = at + 1;
    }
}

// The section name of a header line as the INI reader gives it, or a null text.
QString headerName(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return QString();
    QString name = trimmed.mid(1, close - 1).toString();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.isNull() ? QStringLiteral("") : name;
}

} // namespace

QStringView ScriptLocator::Text::line(int index) const
{
    const qsizetype start = lineStarts.at(index);
    qsizetype end = index + 1 < lineStarts.size() ? lineStarts.at(index + 1) - 1 : content.size();
    if (end > start && content.at(end - 1) == QLatin1Char('\r'))
        --end;
    return QStringView(content).mid(start, end - start);
}

const ScriptLocator::Text &ScriptLocator::text(const QString &file)
{
    auto found = texts.find(file);
    if (found != texts.end())
        return *found;
    Text text;
    QFile script(file);
    // Only a regular file: a FIFO put in its place would block the read.
    if (QFileInfo(file).isFile() && script.open(QIODevice::ReadOnly)) {
        text.content = QString::fromUtf8(script.readAll());
        if (text.content.startsWith(QChar(0xfeff)))
            text.content.remove(0, 1);
        for (qsizetype start = 0;;) {
            text.lineStarts.append(start);
            const qsizetype end = text.content.indexOf(QLatin1Char('\n'), start);
            if (end < 0)
                break;
            start = end + 1;
        }
        for (int i = 0; i < text.lineCount(); ++i) {
            const QStringView line = text.line(i);
            const qsizetype first = line.indexOf(QLatin1Char('['));
            if (first < 0 || !line.left(first).trimmed().isEmpty())
                continue;
            const QString name = headerName(line);
            if (!name.isNull()) {
                text.headers.insert(name, i);
                text.headerLines.append(i);
            }
        }
    }
    return *texts.insert(file, text);
}

int ScriptLocator::headerLine(const QString &file, const QString &section)
{
    const Text &script = text(file);
    const auto exact = script.headers.constFind(section);
    if (exact != script.headers.cend())
        return *exact + 1;
    // The reader may have been told to ignore case; the last header that matches so wins.
    int last = -1;
    for (auto it = script.headers.cbegin(); it != script.headers.cend(); ++it) {
        if (it.key().compare(section, Qt::CaseInsensitive) == 0)
            last = std::max(last, it.value());
    }
    return last + 1;
}

TextPosition ScriptLocator::keyPosition(const QString &file, const QString &section,
                                        const QString &key, const QString &word, int occurrence)
{
    TextPosition position;
    position.line = headerLine(file, section);
    if (position.line == 0)
        return position;
    const Text &script = text(file);
    const int header = position.line - 1;
    const auto next =
        std::upper_bound(script.headerLines.cbegin(), script.headerLines.cend(), header);
    const int end = next == script.headerLines.cend() ? script.lineCount() : *next;
    for (int i = end - 1; i > header; --i) {
        const QStringView line = script.line(i);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 ||
            QStringView(line).left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        position.line = i + 1;
        position.column = wordColumn(line, word, occurrence);
        return position;
    }
    return position;
}

int ScriptLocator::column(const QString &file, int line, const QString &word, int occurrence)
{
    const Text &script = text(file);
    if (line < 1 || line > script.lineCount())
        return 0;
    return wordColumn(script.line(line - 1), word, occurrence);
}

void ScriptLocator::forget(const QString &file)
{
    texts.remove(file);
}

TextPosition firstInvalidUtf8(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
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
        valid = valid && code >= minimum && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
        if (!valid) {
            const QByteArrayView before(bytes.constData(), i);
            const qsizetype lineStart = before.lastIndexOf('\n') + 1;
            const int line = int(std::count(before.begin(), before.end(), '\n')) + 1;
            QString text = QString::fromUtf8(bytes.mid(lineStart, i - lineStart));
            if (line == 1 && text.startsWith(QChar(0xfeff)))
                text.remove(0, 1);
            return TextPosition{line, characters(text) + 1};
        }
        i += length;
    }
    return TextPosition{};
}

} // namespace tavrel
