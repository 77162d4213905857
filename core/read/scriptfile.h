// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCRIPTFILE_H
#define TAVREL_SCRIPTFILE_H

#include <QByteArray>
#include <QString>

namespace tavrel {

// The largest script read: far above any file of a real pack, and small enough that the reading
// and the text made of it fit in the memory of the machines the programs run on.
constexpr qint64 scriptSizeLimit = qint64(256) << 20;

// What reading a file through one descriptor came to.
struct FileRead
{
    enum Outcome
    {
        Read,
        // Nothing by that name; a symbolic link that leads nowhere is `DanglingLink`.
        Missing,
        DanglingLink,
        NotRegular,
        TooLarge,
        OpenFailed,
        ReadFailed
    };
    Outcome outcome = Read;
    // The system's error of OpenFailed and ReadFailed.
    int error = 0;
};

// Opens the file once, without blocking, and reads it from that descriptor into `bytes` (whose
// storage is reused) if it is a regular file of at most `limit` bytes, in steps that never hold
// more than that: a FIFO or a device put in its place, even between listing and reading, is
// refused rather than waited on, and a file that grows past the limit while it is read is
// refused too. `bytes` is empty unless the file was read. Without `followLinks`, a symbolic link
// is not opened at all (OpenFailed, ELOOP).
FileRead readRegularFile(const QString &path, QByteArray &bytes, qint64 limit,
                         bool followLinks = true);

// `readRegularFile` for a script, with `scriptSizeLimit`. Returns why the file could not be
// read, or an empty text.
QString readScriptBytes(const QString &path, QByteArray &bytes);

} // namespace tavrel

#endif
