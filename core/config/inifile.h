// SPDX-License-Identifier: MIT
#ifndef TAVREL_INIFILE_H
#define TAVREL_INIFILE_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <utility>

class QSettings;
class QTemporaryDir;

namespace tavrel {

// The largest configuration file read: a hand-written one is a few kilobytes.
constexpr qint64 configurationSizeLimit = qint64(16) << 20;

// A configuration file as read through one descriptor, opened without blocking: a FIFO, a
// device or a directory in its place is never read nor waited on.
struct ConfigurationBytes
{
    QByteArray bytes;
    // Whether there is anything by that name.
    bool exists = false;
    // Why it was not read ("is not a regular file"), or an empty text; a missing file is none.
    QString problem;
};
ConfigurationBytes readConfigurationBytes(const QString &fileName);

// The values of an INI text as QSettings reads them. QSettings reads only files, so the text is
// handed to it in a private scratch file, never through the file the text came from.
class IniValues
{
public:
    explicit IniValues(const QByteArray &text);
    ~IniValues();
    IniValues(const IniValues &) = delete;
    IniValues &operator=(const IniValues &) = delete;

    // False when no scratch file could be made: then no value is known.
    bool decoded() const { return settings != nullptr; }
    // False when QSettings found the text malformed.
    bool wellFormed() const;
    bool contains(const QString &key) const;
    QVariant value(const QString &key, const QVariant &fallback = QVariant()) const;

private:
    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QSettings> settings;
};

// What a save came to.
struct SaveOutcome
{
    bool saved = false;
    // Why nothing was saved, when nothing was, as said of the file: "is not a regular file",
    // "cannot be written: Read-only file system".
    QString problem;
};

// Gives the keys ("Section/key") of an INI file their values, as QSettings would write them,
// and keeps every other byte of the file: comments, other sections and keys, their order and
// their encoding. A key whose value reads the same already is left as written. The file is
// replaced in one step by a new one written beside it, and only when it is a regular file
// (through symbolic links, which stay) or does not exist yet; anything else is refused. Nothing
// is written when no value changes.
SaveOutcome writeIniValues(const QString &fileName,
                           const QList<std::pair<QString, QVariant>> &values);

// Removes the files that saves of `fileName` killed before they ended left beside it, and only
// those: no save is running on them.
void removeInterruptedSaves(const QString &fileName);

} // namespace tavrel

#endif
