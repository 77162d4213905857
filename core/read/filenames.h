// SPDX-License-Identifier: MIT
#ifndef TAVREL_FILENAMES_H
#define TAVREL_FILENAMES_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tavrel {

// A file name as the system gives it, as text: its UTF-8 decoded, and each byte that is not
// part of valid UTF-8 kept as a lone surrogate of its own (U+DC80 to U+DCFF), so that a script
// whose name is in another code page is still found, shown and opened.
QString fileNameFromBytes(QByteArrayView bytes);
// The bytes of a path given by `fileNameFromBytes` or typed by a user.
QByteArray fileNameBytes(const QString &path);

} // namespace tavrel

#endif
