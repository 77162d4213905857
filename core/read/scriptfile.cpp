// SPDX-License-Identifier: MIT
#include "core/read/scriptfile.h"

#include "core/read/descriptor.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

QString readScriptBytes(const QString &path, QByteArray &bytes)
{
    bytes.resize(0);
    const QByteArray name = QFile::encodeName(path);
    const Descriptor script(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (script.fd < 0) {
        return errno == ENOENT
                   ? QStringLiteral("cannot open the file: it is gone")
                   : QStringLiteral("cannot open the file: %1").arg(systemReason(errno));
    }
    struct stat status;
    if (::fstat(script.fd, &status) != 0)
        return QStringLiteral("cannot read the file: %1").arg(systemReason(errno));
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("is not a regular file");
    // The size is a hint: the file may grow or shrink while it is read.
    qsizetype done = 0;
    bytes.resize(qsizetype(status.st_size) + 1);
    for (;;) {
        if (done == bytes.size())
            bytes.resize(done + std::max<qsizetype>(65536, done / 2));
        const ssize_t count = ::read(script.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            bytes.resize(0);
            return QStringLiteral("cannot read the file: %1").arg(systemReason(errno));
        }
        done += count;
    }
    bytes.resize(done);
    return QString();
}

} // namespace tavrel
