// SPDX-License-Identifier: MIT
#include "core/read/scriptfile.h"

#include "core/read/descriptor.h"
#include "core/read/filenames.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {

constexpr qsizetype firstStep = 64 * 1024;

FileRead failed(FileRead::Outcome outcome, int error)
{
    return FileRead{outcome, error};
}

} // namespace

FileRead readRegularFile(const QString &path, QByteArray &bytes, qint64 limit, bool followLinks)
{
    bytes.resize(0);
    const QByteArray name = fileNameBytes(path);
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    const Descriptor file(::open(name.constData(), flags));
    if (file.fd < 0) {
        const int error = errno;
        struct stat link;
        if (error == ENOENT && ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            return failed(FileRead::DanglingLink, error);
        return failed(error == ENOENT ? FileRead::Missing : FileRead::OpenFailed, error);
    }
    struct stat status;
    if (::fstat(file.fd, &status) != 0)
        return failed(FileRead::ReadFailed, errno);
    if (!S_ISREG(status.st_mode))
        return failed(FileRead::NotRegular, 0);
    if (status.st_size > limit)
        return failed(FileRead::TooLarge, 0);
    // The size is a hint: the file may grow or shrink while it is read.
    bytes.resize(qsizetype(std::min<qint64>(status.st_size, limit)) + 1);
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            // One byte past the limit tells a file that grew beyond it.
            if (done > limit) {
                bytes.resize(0);
                return failed(FileRead::TooLarge, 0);
            }
            bytes.resize(qsizetype(
                std::min<qint64>(limit + 1, done + std::max<qsizetype>(firstStep, done / 2))));
        }
        const ssize_t count = ::read(file.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            bytes.resize(0);
            return failed(FileRead::ReadFailed, error);
        }
        done += count;
    }
    if (done > limit) {
        bytes.resize(0);
        return failed(FileRead::TooLarge, 0);
    }
    bytes.resize(done);
    return FileRead();
}

QString readScriptBytes(const QString &path, QByteArray &bytes)
{
    const FileRead read = readRegularFile(path, bytes, scriptSizeLimit);
    switch (read.outcome) {
    case FileRead::Read:
        return QString();
    case FileRead::Missing:
        return QStringLiteral("cannot open the file: it is gone");
    case FileRead::DanglingLink:
        return QStringLiteral("is a symbolic link to nothing");
    case FileRead::NotRegular:
        return QStringLiteral("is not a regular file");
    case FileRead::TooLarge:
        return QStringLiteral("is larger than %1 MiB; not read").arg(scriptSizeLimit >> 20);
    case FileRead::OpenFailed:
        return QStringLiteral("cannot open the file: %1").arg(systemReason(read.error));
    case FileRead::ReadFailed:
        break;
    }
    return QStringLiteral("cannot read the file: %1").arg(systemReason(read.error));
}

} // namespace tavrel
