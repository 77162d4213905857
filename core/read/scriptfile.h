// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCRIPTFILE_H
#define TAVREL_SCRIPTFILE_H

#include <QByteArray>
#include <QString>

namespace tavrel {

// Opens the file once, without blocking, and reads it from that descriptor into `bytes` (whose
// storage is reused) if it is a regular file: a FIFO or a device put in its place, even between
// listing and reading, is refused rather than waited on. Returns why the file could not be read,
// or an empty text.
QString readScriptBytes(const QString &path, QByteArray &bytes);

} // namespace tavrel

#endif
