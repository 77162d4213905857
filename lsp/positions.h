// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_POSITIONS_H
#define TAVREL_LSP_POSITIONS_H

#include "core/language/location.h"
#include "core/read/scriptreader.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringView>

namespace tavrel::lsp {

// The characters of a text outside the basic plane, which the protocol counts as two UTF-16
// code units and the core's columns as one character. Most script files have none, and then
// the two counts differ only in starting from 0 or from 1.
class WideCharacters
{
public:
    // Lines as the reader splits them: at LF, a CR before it ending the line too.
    static WideCharacters of(QStringView text);

    // A protocol position (line and UTF-16 offset from 0) from a core one (line and column
    // from 1, in characters); and back, a position inside a character moving to its start.
    int character(int line, int column) const;
    int column(int line, int character) const;

    QJsonObject position(TextPosition position) const;
    // From `position` over `length` characters.
    QJsonObject range(TextPosition position, int length) const;
    TextPosition fromProtocol(const QJsonObject &position) const;

private:
    // For each line from 1 with any, the UTF-16 offsets of its characters outside the plane.
    QHash<int, QList<int>> lines;
};

// A local file's path from a file: URI, cleaned; empty for any other URI.
QString pathOf(const QString &uri);
// What names a document of the editor's: a local file's path, or the URI of one that is no
// file, such as an untitled one; empty for no URI.
QString documentPath(const QString &uri);
// The URI of a path, or of what documentPath gave.
QString uriOf(const QString &path);

} // namespace tavrel::lsp

#endif
