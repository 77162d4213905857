// SPDX-License-Identifier: MIT
#ifndef TAVREL_DESCRIPTOR_H
#define TAVREL_DESCRIPTOR_H

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <cstring>

#include <unistd.h>

namespace tavrel {

// The system's text for an errno value.
inline QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A file descriptor closed however the scope that opened it ends.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    const int fd;
};

// A name of a file made beside another and renamed over it or taken away: the prefix and
// `length` letters and digits drawn at random; and whether a directory's entry is one such.
inline QByteArray randomName(const QByteArray &prefix, qsizetype length)
{
    static const char characters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = prefix;
    for (qsizetype i = 0; i < length; ++i)
        name += characters[QRandomGenerator::global()->bounded(int(sizeof characters) - 1)];
    return name;
}

inline bool isRandomName(const QByteArray &entry, const QByteArray &prefix, qsizetype length)
{
    if (entry.size() != prefix.size() + length || !entry.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry.at(i);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace tavrel

#endif
