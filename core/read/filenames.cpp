// SPDX-License-Identifier: MIT
#include "core/read/filenames.h"

namespace tavrel {

namespace {

constexpr char16_t escapeBase = 0xDC00;

// The length of the valid UTF-8 sequence that starts at `at`, or 0.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&bytes](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are no valid UTF-8.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

QString fileNameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    qsizetype plain = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = sequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(plain, at - plain));
        name += QChar(char16_t(escapeBase + uchar(bytes.at(at))));
        plain = ++at;
    }
    name += QString::fromUtf8(bytes.sliced(plain));
    return name;
}

QByteArray fileNameBytes(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype plain = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        const bool escaped = c >= escapeBase + 0x80 && c <= escapeBase + 0xFF &&
                             (i == 0 || !path.at(i - 1).isHighSurrogate());
        if (!escaped)
            continue;
        bytes += QStringView(path).sliced(plain, i - plain).toUtf8();
        bytes += char(c - escapeBase);
        plain = i + 1;
    }
    bytes += QStringView(path).sliced(plain).toUtf8();
    return bytes;
}

} // namespace tavrel
