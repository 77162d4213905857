// SPDX-License-Identifier: MIT
#include "core/config/inifile.h"

#include "core/read/descriptor.h"
#include "core/read/filenames.h"
#include "core/read/scriptfile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {

// A save writes the new file as "NAME.tavrel-" and six letters or digits beside NAME.
const QByteArray saveInfix = QByteArrayLiteral(".tavrel-");
constexpr qsizetype saveSuffixLength = 6;
constexpr int linkHops = 40;

// A logical line of an INI text as QSettings cuts it: from its first character that is not
// blank to the end of the line, a ";" comment left out, a line ended by "\" or inside quotes
// going on over the next.
struct IniLine
{
    qsizetype start = 0;
    qsizetype length = 0;
    // The position of its first "=" outside quotes, or -1.
    qsizetype equals = -1;
    // For a section header, its name; for a key, its section's name and the key.
    QByteArray section;
    QByteArray key;
    bool header = false;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// QSettings' own reading of one line, from `position`, which it moves past the line.
bool nextIniLine(const QByteArray &text, qsizetype &position, IniLine &line)
{
    const qsizetype size = text.size();
    bool inQuotes = false;
    line.equals = -1;
    qsizetype start = position;
    while (start < size && isBlank(text.at(start)))
        ++start;
    qsizetype i = start;
    while (i < size) {
        char c = text.at(i++);
        if (c == '=') {
            if (!inQuotes && line.equals == -1)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                c = text.at(i++);
                if (i < size) {
                    const char next = text.at(i);
                    if ((c == '\n' && next == '\r') || (c == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < size && text.at(i) != '\n' && text.at(i) != '\r')
                    ++i;
                while (i < size && isBlank(text.at(i)))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    position = i;
    line.start = start;
    line.length = i - start;
    return line.length > 0;
}

// The section headers and the keys of an INI text, each key with its section.
std::vector<IniLine> iniLines(const QByteArray &text)
{
    std::vector<IniLine> lines;
    QByteArray section;
    qsizetype position = 0;
    IniLine line;
    while (nextIniLine(text, position, line)) {
        const QByteArray content = text.mid(line.start, line.length);
        if (content.startsWith('[')) {
            const qsizetype close = content.indexOf(']');
            section = content.mid(1, close < 0 ? -1 : close - 1).trimmed();
            line.header = true;
            line.section = section;
            line.key.clear();
            lines.push_back(line);
        } else if (line.equals >= 0) {
            line.header = false;
            line.section = section;
            line.key = text.mid(line.start, line.equals - line.start).trimmed();
            lines.push_back(line);
        }
    }
    return lines;
}

// Where the physical line holding `position` ends: at its line break, or at the end.
qsizetype lineEnd(const QByteArray &text, qsizetype position)
{
    while (position < text.size() && text.at(position) != '\n' && text.at(position) != '\r')
        ++position;
    return position;
}

// `original` with each key line of `encoded` (QSettings' writing of the values to set) put in
// place of the same key's last line in the same section, or added after the last line of the
// section's last occurrence, or in a new section at the end.
QByteArray spliceIniLines(const QByteArray &original, const QByteArray &encoded)
{
    const std::vector<IniLine> lines = iniLines(original);
    const QByteArray newline = original.contains("\r\n") ? "\r\n" : "\n";
    struct Edit
    {
        qsizetype position;
        qsizetype removed;
        QByteArray inserted;
    };
    std::vector<Edit> edits;
    QList<QByteArray> sections;
    QHash<QByteArray, QByteArray> added;
    for (const IniLine &line : iniLines(encoded)) {
        if (line.header)
            continue;
        const QByteArray text = encoded.mid(line.start, line.length);
        auto same = std::find_if(lines.rbegin(), lines.rend(), [&line](const IniLine &old) {
            return !old.header && old.section == line.section && old.key == line.key;
        });
        if (same != lines.rend()) {
            // The blanks before a comment on the line stay with the comment.
            qsizetype length = same->length;
            while (length > 0 && (original.at(same->start + length - 1) == ' ' ||
                                  original.at(same->start + length - 1) == '\t'))
                --length;
            edits.push_back({same->start, length, text});
            continue;
        }
        if (!sections.contains(line.section))
            sections.append(line.section);
        added[line.section] += text + newline;
    }
    QByteArray appended;
    for (const QByteArray &section : std::as_const(sections)) {
        const QByteArray keys = added.value(section);
        auto last = std::find_if(lines.rbegin(), lines.rend(),
                                 [&section](const IniLine &old) { return old.section == section; });
        if (last == lines.rend()) {
            appended += newline + '[' + section + ']' + newline + keys;
            continue;
        }
        const qsizetype end = lineEnd(original, last->start + last->length);
        edits.push_back({end, 0, newline + keys.chopped(newline.size())});
    }
    std::sort(edits.begin(), edits.end(),
              [](const Edit &a, const Edit &b) { return a.position > b.position; });
    QByteArray result = original;
    for (const Edit &edit : edits)
        result.replace(edit.position, edit.removed, edit.inserted);
    if (!appended.isEmpty()) {
        if (result.isEmpty())
            appended.remove(0, newline.size());
        else if (!result.endsWith('\n') && !result.endsWith('\r'))
            result += newline;
        result += appended;
    }
    return result;
}

// The text QSettings writes for the values, in INI format.
std::optional<QByteArray> encodedIni(const QList<std::pair<QString, QVariant>> &values)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return std::nullopt;
    const QString path = scratch.filePath(QStringLiteral("values.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        for (const auto &[key, value] : values)
            settings.setValue(key, value);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString cannotRead(int error)
{
    return QStringLiteral("cannot be read: %1").arg(systemReason(error));
}

QString cannotWrite(int error)
{
    return QStringLiteral("cannot be written: %1").arg(systemReason(error));
}

QString noScratch()
{
    return QStringLiteral("cannot be written: no scratch file can be made");
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray baseNameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The file a path stands for: the path itself, or through its links the file they lead to.
struct SaveTarget
{
    QByteArray path;
    bool exists = false;
    QString problem;
};

SaveTarget saveTarget(const QString &fileName)
{
    QByteArray path = fileNameBytes(fileName);
    for (int hop = 0; hop < linkHops; ++hop) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0) {
            if (errno != ENOENT)
                return {path, false, cannotRead(errno)};
            // A file to be made is fine; a link to one that is not there leads nowhere.
            if (hop == 0)
                return {path, false, QString()};
            return {path, false, QStringLiteral("is a symbolic link to nothing")};
        }
        if (S_ISDIR(status.st_mode))
            return {path, true, QStringLiteral("is a directory")};
        if (!S_ISLNK(status.st_mode)) {
            if (S_ISREG(status.st_mode))
                return {path, true, QString()};
            return {path, true, QStringLiteral("is not a regular file")};
        }
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (size < 0)
            return {path, true, cannotRead(errno)};
        target.truncate(size);
        path = target.startsWith('/') ? target : directoryOf(path) + '/' + target;
    }
    return {path, true, cannotRead(ELOOP)};
}

bool isSaveName(const QByteArray &entry, const QByteArray &prefix)
{
    return isRandomName(entry, prefix, saveSuffixLength);
}

QByteArray saveName(const QByteArray &target)
{
    return randomName(target + saveInfix, saveSuffixLength);
}

bool writeAll(int fd, const QByteArray &content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t count =
            ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        done += count;
    }
    return true;
}

// A new file beside the target, locked for as long as it is written so that a start that
// removes what killed saves left passes it by, then renamed over the target.
QString replaceFile(const SaveTarget &target, const QByteArray &content)
{
    struct stat existing;
    const bool exists = target.exists && ::stat(target.path.constData(), &existing) == 0;
    if (exists && ::access(target.path.constData(), W_OK) != 0)
        return cannotWrite(errno);
    int fd = -1;
    QByteArray temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = saveName(target.path);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0 && errno != EEXIST)
            return cannotWrite(errno);
        if (fd < 0)
            continue;
        // A start that removed it between its making and its locking took it for a leftover.
        struct stat status;
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &status) != 0 || status.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return cannotWrite(EEXIST);
    const Descriptor file(fd);
    if (exists) {
        // The owner's permissions and, where the system allows it, the owner stay.
        // Only root gives a file away: another user's file becomes the saver's.
        const bool kept = ::fchmod(fd, existing.st_mode & 07777) == 0 &&
                          ::fchown(fd, existing.st_uid, existing.st_gid) == 0;
        Q_UNUSED(kept);
    }
    if (!writeAll(fd, content) || ::fsync(fd) != 0 ||
        ::rename(temporary.constData(), target.path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return cannotWrite(error);
    }
    return QString();
}

} // namespace

ConfigurationBytes readConfigurationBytes(const QString &fileName)
{
    ConfigurationBytes read;
    const FileRead outcome = readRegularFile(fileName, read.bytes, configurationSizeLimit);
    read.exists = outcome.outcome != FileRead::Missing;
    switch (outcome.outcome) {
    case FileRead::Read:
    case FileRead::Missing:
        break;
    case FileRead::DanglingLink:
        read.problem = QStringLiteral("is a symbolic link to nothing");
        break;
    case FileRead::NotRegular: {
        struct stat status;
        const bool directory =
            ::stat(fileNameBytes(fileName).constData(), &status) == 0 && S_ISDIR(status.st_mode);
        read.problem =
            directory ? QStringLiteral("is a directory") : QStringLiteral("is not a regular file");
        break;
    }
    case FileRead::TooLarge:
        read.problem =
            QStringLiteral("is larger than %1 MiB; not read").arg(configurationSizeLimit >> 20);
        break;
    case FileRead::OpenFailed:
    case FileRead::ReadFailed:
        read.problem = systemReason(outcome.error);
        break;
    }
    return read;
}

IniValues::IniValues(const QByteArray &text) : scratch(std::make_unique<QTemporaryDir>())
{
    if (!scratch->isValid())
        return;
    const QString path = scratch->filePath(QStringLiteral("values.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return;
    file.close();
    settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->sync();
}

IniValues::~IniValues() = default;

bool IniValues::wellFormed() const
{
    return settings && settings->status() != QSettings::FormatError;
}

bool IniValues::contains(const QString &key) const
{
    return settings && settings->contains(key);
}

QVariant IniValues::value(const QString &key, const QVariant &fallback) const
{
    return settings ? settings->value(key, fallback) : fallback;
}

SaveOutcome writeIniValues(const QString &fileName,
                           const QList<std::pair<QString, QVariant>> &values)
{
    const SaveTarget target = saveTarget(fileName);
    if (!target.problem.isEmpty())
        return SaveOutcome{false, target.problem};
    QByteArray original;
    if (target.exists) {
        // Not through a link: the links were followed already, and one put in the file's place
        // since is refused.
        const FileRead read = readRegularFile(fileNameFromBytes(target.path), original,
                                              configurationSizeLimit, false);
        if (read.outcome == FileRead::NotRegular)
            return SaveOutcome{false, QStringLiteral("is not a regular file")};
        if (read.outcome == FileRead::TooLarge)
            return SaveOutcome{
                false, QStringLiteral("is larger than %1 MiB").arg(configurationSizeLimit >> 20)};
        if (read.outcome != FileRead::Read && read.outcome != FileRead::Missing)
            return SaveOutcome{false, cannotRead(read.error)};
    }

    // The values as they would read back once written, against what the file holds now.
    const std::optional<QByteArray> all = encodedIni(values);
    const IniValues before(original);
    if (!all || !before.decoded())
        return SaveOutcome{false, noScratch()};
    const IniValues after(*all);
    QList<std::pair<QString, QVariant>> changed;
    for (const auto &[key, value] : values) {
        if (!before.contains(key) || before.value(key) != after.value(key))
            changed.append({key, value});
    }
    if (changed.isEmpty())
        return SaveOutcome{true, QString()};
    const std::optional<QByteArray> encoded = encodedIni(changed);
    if (!encoded)
        return SaveOutcome{false, noScratch()};
    const QString problem = replaceFile(target, spliceIniLines(original, *encoded));
    return SaveOutcome{problem.isEmpty(), problem};
}

void removeInterruptedSaves(const QString &fileName)
{
    const SaveTarget target = saveTarget(fileName);
    const QByteArray prefix = baseNameOf(target.path) + saveInfix;
    const Descriptor directory(
        ::open(directoryOf(target.path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.fd < 0)
        return;
    const int listed = ::dup(directory.fd);
    DIR *listing = listed < 0 ? nullptr : ::fdopendir(listed);
    if (listing == nullptr) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(listing)) {
        if (isSaveName(entry->d_name, prefix))
            names.append(entry->d_name);
    }
    ::closedir(listing);
    for (const QByteArray &name : std::as_const(names)) {
        const Descriptor file(::openat(directory.fd, name.constData(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat status;
        // A save that is still running holds its lock.
        if (file.fd >= 0 && ::fstat(file.fd, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(file.fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(directory.fd, name.constData(), 0);
    }
}

} // namespace tavrel
