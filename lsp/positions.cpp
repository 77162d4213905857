// SPDX-License-Identifier: MIT
#include "lsp/positions.h"

#include <QDir>
#include <QUrl>

#include <algorithm>

namespace tavrel::lsp {

WideCharacters WideCharacters::of(QStringView text)
{
    WideCharacters wide;
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n') {
            ++line;
            lineStart = i + 1;
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            wide.lines[line].append(int(i - lineStart));
            ++i;
        }
    }
    return wide;
}

// The k-th wide character of a line, at UTF-16 offset o, is its (o - k)-th character: both
// counts grow along the line, so each conversion is a binary search.
int WideCharacters::character(int line, int column) const
{
    const int character = column - 1;
    const auto found = lines.constFind(line);
    if (found == lines.cend())
        return character;
    // Each wide character before the column adds a code unit.
    const QList<int> &offsets = *found;
    qsizetype before = 0;
    for (qsizetype count = offsets.size(); count > 0;) {
        const qsizetype half = count / 2;
        if (offsets.at(before + half) - int(before + half) < character) {
            before += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return character + int(before);
}

int WideCharacters::column(int line, int character) const
{
    const auto found = lines.constFind(line);
    if (found == lines.cend())
        return character + 1;
    // The wide characters that end before the place, and one the place stands inside.
    const QList<int> &offsets = *found;
    const int ended =
        int(std::upper_bound(offsets.cbegin(), offsets.cend(), character - 2) - offsets.cbegin());
    const bool inside = ended < offsets.size() && offsets.at(ended) + 1 == character;
    return character + 1 - ended - (inside ? 1 : 0);
}

QJsonObject WideCharacters::position(TextPosition position) const
{
    const int line = std::max(position.line, 1);
    return QJsonObject{
        {QStringLiteral("line"), line - 1},
        {QStringLiteral("character"), character(line, std::max(position.column, 1))}};
}

QJsonObject WideCharacters::range(TextPosition start, int length) const
{
    const TextPosition end{start.line, std::max(start.column, 1) + length};
    return QJsonObject{{QStringLiteral("start"), position(start)},
                       {QStringLiteral("end"), position(end)}};
}

TextPosition WideCharacters::fromProtocol(const QJsonObject &position) const
{
    const int line = position.value(QLatin1String("line")).toInt(-1) + 1;
    const int character = position.value(QLatin1String("character")).toInt(-1);
    if (line < 1 || character < 0)
        return TextPosition();
    return TextPosition{line, column(line, character)};
}

QString pathOf(const QString &uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return QString();
    return QDir::cleanPath(url.toLocalFile());
}

QString documentPath(const QString &uri)
{
    const QString path = pathOf(uri);
    if (!path.isEmpty())
        return path;
    const QUrl url(uri);
    return url.isValid() && !url.scheme().isEmpty() && !url.isLocalFile() ? uri : QString();
}

QString uriOf(const QString &path)
{
    if (!QDir::isAbsolutePath(path))
        return path;
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

} // namespace tavrel::lsp
