// SPDX-License-Identifier: MIT
#include "core/read/discovery.h"

#include "core/read/filenames.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {

// The comma-separated wildcard patterns of a filter, matched regardless of case.
class NamePatterns
{
public:
    explicit NamePatterns(const QString &filter)
    {
        for (const QString &part : filterPatterns(filter))
            patterns.append(QRegularExpression::fromWildcard(part, Qt::CaseInsensitive));
    }

    bool match(const QString &name) const
    {
        // The expressions match valid text only: a byte of a name that is not UTF-8 reads as
        // any character that is not one.
        QString text = name;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const bool paired = c.isHighSurrogate()
                                    ? i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                                : c.isLowSurrogate() ? i > 0 && text.at(i - 1).isHighSurrogate()
                                                     : true;
            if (!paired)
                text[i] = QChar::ReplacementCharacter;
        }
        return std::any_of(patterns.cbegin(), patterns.cend(),
                           [&text](const auto &pattern) { return pattern.match(text).hasMatch(); });
    }

private:
    QList<QRegularExpression> patterns;
};

// The visible entries of a directory, each kind in case-insensitive name order.
struct DirectoryEntries
{
    QStringList files;
    QStringList directories;
};

void sortByName(QStringList &names)
{
    QList<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString &name : std::as_const(names))
        keyed.append({name.toLower(), name});
    std::sort(keyed.begin(), keyed.end());
    for (qsizetype i = 0; i < keyed.size(); ++i)
        names[i] = keyed.at(i).second;
}

// Lists the directory open as `fd`, which it closes. The names come from the system as bytes,
// so a name in another code page is listed like any other; a link leading to a directory is a
// directory, anything else that is not one (a link to nothing, a FIFO) a file.
bool readEntries(int fd, DirectoryEntries &entries)
{
    DIR *listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        return false;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(listing)) {
        // Hidden entries, "." and "..".
        if (entry->d_name[0] == '.') {
            errno = 0;
            continue;
        }
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            directory = ::fstatat(::dirfd(listing), entry->d_name, &status, 0) == 0 &&
                        S_ISDIR(status.st_mode);
        }
        (directory ? entries.directories : entries.files).append(fileNameFromBytes(entry->d_name));
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(listing);
    sortByName(entries.files);
    sortByName(entries.directories);
    return complete;
}

// The directory `path` names, opened without blocking on whatever else it may be, if it can be
// listed and its entries looked into.
int openDirectory(const QString &path)
{
    const QByteArray name = fileNameBytes(path.isEmpty() ? QStringLiteral(".") : path);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && ::faccessat(fd, ".", R_OK | X_OK, AT_EACCESS) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class Walk
{
public:
    Walk(const QString &filter, QStringList *unreadable, const std::function<bool()> &mayContinue)
        : patterns(filter), unreadable(unreadable), mayContinue(mayContinue)
    {
    }

    // `base` ends with "/". Only the current directory is open while it is listed: a deep tree
    // would otherwise hold a descriptor per level.
    void enter(const QString &base, bool top)
    {
        if (stopped || (!top && mayContinue && !mayContinue())) {
            stopped = true;
            return;
        }
        const int fd = openDirectory(base);
        struct stat status;
        if (fd < 0 || ::fstat(fd, &status) != 0) {
            if (fd >= 0)
                ::close(fd);
            if (unreadable)
                unreadable->append(base);
            return;
        }
        // Links can reach one directory by many paths, or lead back above themselves.
        if (!visited.insert({status.st_dev, status.st_ino}).second) {
            ::close(fd);
            return;
        }
        DirectoryEntries entries;
        if (!readEntries(fd, entries)) {
            if (unreadable)
                unreadable->append(base);
            return;
        }
        for (const QString &name : std::as_const(entries.files)) {
            if (patterns.match(name))
                found.append(base + name);
        }
        for (const QString &name : std::as_const(entries.directories))
            enter(base + name + QLatin1Char('/'), false);
    }

    QStringList found;

private:
    const NamePatterns patterns;
    QStringList *const unreadable;
    const std::function<bool()> &mayContinue;
    std::set<std::pair<dev_t, ino_t>> visited;
    bool stopped = false;
};

} // namespace

QStringList filterPatterns(const QString &filter)
{
    return filter.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString normaliseDirectory(const QString &directory)
{
    if (directory.isEmpty())
        return QStringLiteral("./");
    QString normalised = directory;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised.append(QLatin1Char('/'));
    return normalised;
}

bool matchesFilter(const QString &name, const QString &filter)
{
    return !name.startsWith(u'.') && NamePatterns(filter).match(name);
}

QString unreadableDirectoryReason()
{
    return QStringLiteral("cannot open the directory");
}

QStringList findScriptFiles(const QString &directory, const QString &filter,
                            QStringList *unreadable, const std::function<bool()> &mayContinue)
{
    Walk walk(filter, unreadable, mayContinue);
    walk.enter(normaliseDirectory(directory), true);
    return walk.found;
}

QStringList filesInDirectory(const QString &prefix, const QString &filter, bool *listed)
{
    const int fd = openDirectory(prefix);
    DirectoryEntries entries;
    *listed = fd >= 0 && readEntries(fd, entries);
    const NamePatterns patterns(filter);
    QStringList files;
    for (const QString &name : std::as_const(entries.files)) {
        if (patterns.match(name))
            files.append(prefix + name);
    }
    return files;
}

} // namespace tavrel
