// SPDX-License-Identifier: MIT
#ifndef TAVREL_DESCRIPTOR_H
#define TAVREL_DESCRIPTOR_H

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

} // namespace tavrel

#endif
