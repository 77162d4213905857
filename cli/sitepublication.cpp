// SPDX-License-Identifier: MIT
#include "cli/sitepublication.h"

#include "cli/pages.h"
#include "core/read/descriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using tavrel::Descriptor;
using tavrel::systemReason;

namespace {

const char manifestName[] = ".tavrel-files";
const QByteArray manifestHeading = QByteArrayLiteral("tavrel-report site files 1");
// Far above the list of a site of a million items.
constexpr qint64 manifestLimit = qint64(256) << 20;

int openDirectory(int parent, const QByteArray &name)
{
    return ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

struct Entry
{
    QByteArray name;
    // As dirent's d_type.
    unsigned char type;
};

// The entries of a directory but "." and "..", or the error that stopped the listing.
int listEntries(int directory, std::vector<Entry> &entries)
{
    const int fd = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR *listing = ::fdopendir(fd);
    if (listing == nullptr) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        unsigned char type = entry->d_type;
        struct stat status;
        // Some file systems leave the type to be asked for.
        if (type == DT_UNKNOWN &&
            ::fstatat(directory, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
            type = IFTODT(status.st_mode);
        entries.push_back({QByteArray(entry->d_name), type});
        errno = 0;
    }
    const int error = errno;
    ::closedir(listing);
    return error;
}

// Removes the entry, and all below it when it is a directory, without following any symbolic
// link. Returns the error that stopped it, or 0.
int removeTree(int directory, const QByteArray &name)
{
    struct stat status;
    if (::fstatat(directory, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(status.st_mode)) {
        const Descriptor tree(openDirectory(directory, name));
        if (tree.fd < 0)
            return errno;
        std::vector<Entry> entries;
        if (const int error = listEntries(tree.fd, entries))
            return error;
        for (const Entry &entry : entries) {
            if (const int error = removeTree(tree.fd, entry.name))
                return error;
        }
    }
    const int flags = S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0;
    return (::unlinkat(directory, name.constData(), flags) == 0 || errno == ENOENT) ? 0 : errno;
}

// Whether the file begins as every page of tavrel-report does, whatever its version.
bool startsAsPage(int directory, const QByteArray &name)
{
    const Descriptor file(
        ::openat(directory, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0)
        return false;
    const QByteArray expected = pageStart();
    QByteArray start(expected.size(), '\0');
    qsizetype done = 0;
    while (done < start.size()) {
        const ssize_t count = ::read(file.fd, start.data() + done, size_t(start.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return start == expected;
}

bool isWithin(const QString &path, const QString &directory)
{
    return path == directory ||
           path.startsWith(directory.endsWith(QLatin1Char('/')) ? directory
                                                                : directory + QLatin1Char('/'));
}

// The canonical form of a path that may not exist yet: its nearest existing ancestor resolved,
// the rest as written.
QString canonicalLocation(const QString &path)
{
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    QStringList rest;
    while (!info.exists() && !info.isRoot()) {
        rest.prepend(info.fileName());
        info.setFile(info.absolutePath());
    }
    rest.prepend(info.canonicalFilePath());
    return QDir::cleanPath(rest.join(QLatin1Char('/')));
}

// The nearest part of `path` that exists, to say why a directory could not be made there.
QString existingAncestor(const QString &path)
{
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    while (!info.exists() && !info.isRoot())
        info.setFile(info.absolutePath());
    return info.absoluteFilePath();
}

QString notOurs(const QString &directory, const QString &entry)
{
    return QStringLiteral("output directory \"%1\" holds \"%2\", not a page of tavrel-report: "
                          "move it elsewhere, as each run replaces the directory whole")
        .arg(directory, entry);
}

enum class SitePart
{
    Top,
    ItemPages,
    // What an earlier version staged under fixed names and left when it was killed.
    EarlierStaging
};

// The list of its own files a site keeps at its top, as publish() writes it: a first line
// naming the list, then one path of the site per line, directories ending in "/". Empty when
// the site has none, as the sites of earlier versions have not.
QSet<QByteArray> manifestOf(int site)
{
    const Descriptor file(
        ::openat(site, manifestName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > manifestLimit)
        return {};
    QByteArray text(qsizetype(status.st_size), '\0');
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t count = ::read(file.fd, text.data() + done, size_t(text.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += count;
    }
    text.truncate(done);
    QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.takeFirst() != manifestHeading)
        return {};
    return QSet<QByteArray>(lines.cbegin(), lines.cend());
}

// Why the previous site cannot be replaced whole: an entry that the site's list of its own
// files does not hold, which its owner may want to keep, or a directory this run could not
// empty. A site without a list, as earlier versions published it, holds its pages only where
// they are, each beginning as they all do.
QString previousSiteProblem(int site, const QString &directory, const QString &shown,
                            const QSet<QByteArray> &manifest, const QByteArray &below,
                            SitePart part)
{
    if (::faccessat(site, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return QStringLiteral("output directory \"%1\": %2")
            .arg(shown,
                 errno == EACCES ? QStringLiteral("permission denied") : systemReason(errno));
    }
    std::vector<Entry> entries;
    if (const int error = listEntries(site, entries))
        return QStringLiteral("cannot read \"%1\": %2").arg(shown, systemReason(error));
    const QByteArray items = QFile::encodeName(itemsDirectoryName());
    for (const Entry &entry : entries) {
        const QString path = shown + QLatin1Char('/') + QFile::decodeName(entry.name);
        const QByteArray inSite = below + entry.name;
        SitePart inner = part;
        if (!manifest.isEmpty()) {
            const bool listed =
                entry.type == DT_DIR
                    ? manifest.contains(inSite + '/')
                    : entry.type == DT_REG && (manifest.contains(inSite) || inSite == manifestName);
            if (!listed)
                return notOurs(directory, path);
        } else if (part == SitePart::Top && entry.name == items) {
            inner = SitePart::ItemPages;
        } else if (part == SitePart::Top &&
                   (entry.name == ".items.new" || entry.name == ".items.old")) {
            inner = SitePart::EarlierStaging;
        }
        if (entry.type == DT_DIR && (!manifest.isEmpty() || inner != part)) {
            const Descriptor innerFd(openDirectory(site, entry.name));
            if (innerFd.fd < 0)
                return QStringLiteral("cannot read \"%1\": %2").arg(path, systemReason(errno));
            const QString problem =
                previousSiteProblem(innerFd.fd, directory, path, manifest, inSite + '/', inner);
            if (!problem.isEmpty())
                return problem;
            continue;
        }
        if (!manifest.isEmpty() || inner == SitePart::EarlierStaging)
            continue;
        const bool page =
            entry.type == DT_REG && entry.name.endsWith(".html") && startsAsPage(site, entry.name);
        if (!page)
            return notOurs(directory, path);
    }
    return QString();
}

// Why the run cannot write in `in`, an existing directory on the way to the output directory.
QString writeProblem(const QString &directory, const QString &in, int error)
{
    if (error == EROFS)
        return QStringLiteral("output directory \"%1\": \"%2\" is on a read-only file system")
            .arg(directory, in);
    if (error == EACCES || error == EPERM)
        return QStringLiteral("output directory \"%1\": no permission to write in \"%2\"")
            .arg(directory, in);
    return QStringLiteral("output directory \"%1\": cannot write in \"%2\": %3")
        .arg(directory, in, systemReason(error));
}

} // namespace

SitePublication::SitePublication(const QString &directory, std::function<void()> stepDone)
    : directory(directory), stepHook(std::move(stepDone))
{
}

SitePublication::~SitePublication()
{
    for (const int fd : std::as_const(stagedDirectories))
        ::close(fd);
    if (!stagedSite.isEmpty() && !published)
        removeTree(parentFd, stagedSite);
    // A run that published nothing leaves nothing, not even the lock file it made.
    if (locked && createdLock && !published)
        ::unlinkat(parentFd, lockName.constData(), 0);
    if (parentFd >= 0)
        ::close(parentFd);
    // Closing the lock file releases the lock.
    if (lockFd >= 0)
        ::close(lockFd);
}

QString SitePublication::prepare(const QStringList &scriptDirectories,
                                 const QStringList &scriptFolders)
{
    QFileInfo info(QDir::cleanPath(directory));
    // "." and ".." name the directory itself, which is replaced as an entry of its parent.
    if (info.fileName() == QLatin1String(".") || info.fileName() == QLatin1String(".."))
        info.setFile(info.canonicalFilePath());
    if (info.isRoot())
        return QStringLiteral("output directory \"%1\": the root cannot be replaced")
            .arg(directory);
    if (!info.isSymLink() && info.exists() && !info.isDir())
        return QStringLiteral("output directory \"%1\": is not a directory").arg(directory);
    parentPath = info.path();
    name = QFile::encodeName(info.fileName());
    if (!info.exists() && !info.isSymLink()) {
        const QFileInfo ancestor(existingAncestor(parentPath));
        if (!ancestor.isDir())
            return QStringLiteral(
                       "cannot create output directory \"%1\": \"%2\" is not a directory")
                .arg(directory, ancestor.filePath());
    }

    // The pages must not be read as scripts, nor scripts be replaced with the pages; through a
    // link of an earlier run, DIR is also where that run's site lies.
    const QString location =
        QDir::cleanPath(canonicalLocation(parentPath) + QLatin1Char('/') + info.fileName());
    const QString target = info.exists() ? info.canonicalFilePath() : location;
    for (const QString &scripts : scriptDirectories + scriptFolders) {
        const QString canonical = QFileInfo(scripts).canonicalFilePath();
        if (canonical.isEmpty())
            continue;
        // Below a folder whose own files are read, the pages are not read.
        const bool recursive = !scriptFolders.contains(scripts);
        for (const QString &output : {location, target}) {
            if (recursive && isWithin(output, canonical))
                return QStringLiteral("output directory \"%1\" is inside the script directory "
                                      "\"%2\"")
                    .arg(directory, scripts);
            if (isWithin(canonical, output))
                return QStringLiteral("output directory \"%1\" holds the script directory \"%2\"")
                    .arg(directory, scripts);
        }
    }

    if (!QDir().mkpath(parentPath)) {
        const QFileInfo blocking(existingAncestor(parentPath));
        if (!blocking.isDir())
            return QStringLiteral(
                       "cannot create output directory \"%1\": \"%2\" is not a directory")
                .arg(directory, blocking.filePath());
        const QByteArray blockingName = QFile::encodeName(blocking.filePath());
        const int error =
            ::faccessat(AT_FDCWD, blockingName.constData(), W_OK | X_OK, AT_EACCESS) == 0 ? EACCES
                                                                                          : errno;
        return writeProblem(directory, blocking.filePath(), error);
    }
    parentFd =
        ::open(QFile::encodeName(parentPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return QStringLiteral("cannot open \"%1\": %2").arg(parentPath, systemReason(errno));
    if (::faccessat(parentFd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return writeProblem(directory, parentPath, errno);
    return QString();
}

QString SitePublication::lock(bool wait, const std::function<void()> &waiting)
{
    lockName = '.' + name + ".tavrel-lock";
    const QString lockPath = shownBeside(lockName);
    bool told = false;
    // A run that made the lock file and is refused removes it while it holds the lock; a run
    // that waited on that file then holds a lock nobody else sees, and starts again.
    for (;;) {
        createdLock = true;
        lockFd = ::openat(parentFd, lockName.constData(),
                          O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (lockFd < 0 && errno == EEXIST) {
            createdLock = false;
            lockFd = ::openat(parentFd, lockName.constData(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (lockFd < 0 && errno == ENOENT)
                continue;
        }
        if (lockFd < 0)
            return QStringLiteral("cannot open the lock file \"%1\": %2")
                .arg(lockPath, systemReason(errno));
        if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                return QStringLiteral("cannot lock \"%1\": %2").arg(lockPath, systemReason(errno));
            if (!wait)
                return QStringLiteral("another run is publishing into \"%1\"").arg(directory);
            if (!std::exchange(told, true))
                waiting();
            while (::flock(lockFd, LOCK_EX) != 0) {
                if (errno != EINTR)
                    return QStringLiteral("cannot lock \"%1\": %2")
                        .arg(lockPath, systemReason(errno));
            }
        }
        struct stat held;
        struct stat named;
        if (::fstat(lockFd, &held) == 0 &&
            ::fstatat(parentFd, lockName.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            locked = true;
            break;
        }
        ::close(lockFd);
        lockFd = -1;
    }
    const QString problem = inspectPrevious();
    if (!problem.isEmpty())
        return problem;
    removeLeftovers();
    stepDone();
    return QString();
}

QString SitePublication::stage()
{
    for (int attempt = 0; attempt < 100 && stagedSite.isEmpty(); ++attempt) {
        const QByteArray candidate = siteName();
        if (::mkdirat(parentFd, candidate.constData(), 0777) == 0)
            stagedSite = candidate;
        else if (errno != EEXIST)
            return QStringLiteral("cannot create \"%1\": %2")
                .arg(shownBeside(candidate), systemReason(errno));
    }
    const int fd = openDirectory(parentFd, stagedSite);
    if (fd < 0)
        return QStringLiteral("cannot open \"%1\": %2")
            .arg(shownBeside(stagedSite), systemReason(errno));
    stagedDirectories.insert(QString(), fd);
    stepDone();
    return QString();
}

QString SitePublication::addDirectory(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const int parent = stagedDirectories.value(slash < 0 ? QString() : path.left(slash), -1);
    const QByteArray leaf = QFile::encodeName(path.mid(slash + 1));
    int fd = -1;
    if (::mkdirat(parent, leaf.constData(), 0777) == 0)
        fd = openDirectory(parent, leaf);
    if (fd < 0)
        return QStringLiteral("cannot create \"%1\": %2").arg(shown(path), systemReason(errno));
    stagedDirectories.insert(path, fd);
    written.append(QFile::encodeName(path) + '/');
    return QString();
}

QString SitePublication::addFile(const QString &path, const QByteArray &content)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const int parent = stagedDirectories.value(slash < 0 ? QString() : path.left(slash), -1);
    const QByteArray leaf = QFile::encodeName(path.mid(slash + 1));
    // A new file in a new directory: nothing that was there before is written through.
    const int fd = ::openat(parent, leaf.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return QStringLiteral("cannot write \"%1\": %2").arg(shown(path), systemReason(errno));
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t count =
            ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            return QStringLiteral("cannot write \"%1\": %2").arg(shown(path), systemReason(error));
        }
        done += count;
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0)
        return QStringLiteral("cannot write \"%1\": %2").arg(shown(path), systemReason(errno));
    written.append(QFile::encodeName(path));
    return QString();
}

QString SitePublication::publish()
{
    // The next run takes for its own only what this one wrote.
    const QByteArray list = manifestHeading + '\n' + written.join('\n') + '\n';
    if (const QString failure = addFile(QFile::decodeName(manifestName), list); !failure.isEmpty())
        return failure;
    // On the disk before it is current, so that a crash of the system does not publish a site
    // whose pages never reached it; one call for the file system, as syncing each page in turn
    // would take minutes.
    if (::syncfs(stagedDirectories.value(QString())) != 0)
        return QStringLiteral("cannot write \"%1\" to the disk: %2")
            .arg(shownBeside(stagedSite), systemReason(errno));
    QByteArray link;
    for (int attempt = 0; attempt < 100 && link.isEmpty(); ++attempt) {
        const QByteArray candidate = siteName();
        if (::symlinkat(stagedSite.constData(), parentFd, candidate.constData()) == 0)
            link = candidate;
        else if (errno != EEXIST)
            return QStringLiteral("cannot create \"%1\": %2")
                .arg(shownBeside(candidate), systemReason(errno));
    }
    stepDone();

    // A plain directory cannot be renamed over, but it can trade places with the link.
    const bool exchange = previous == Previous::PlainDirectory;
    const int renamed =
        exchange
            ? ::renameat2(parentFd, link.constData(), parentFd, name.constData(), RENAME_EXCHANGE)
            : ::renameat(parentFd, link.constData(), parentFd, name.constData());
    if (renamed != 0) {
        const int error = errno;
        ::unlinkat(parentFd, link.constData(), 0);
        if (exchange && error == EINVAL)
            return QStringLiteral("cannot replace the directory \"%1\" in one step on this file "
                                  "system: move it elsewhere, then run again")
                .arg(directory);
        return QStringLiteral("cannot replace \"%1\": %2").arg(directory, systemReason(error));
    }
    published = true;
    // The rename reaches the disk too; the new site is current whatever this returns.
    ::fsync(parentFd);
    stepDone();

    // Traded places, the link's name holds the earlier directory now.
    const QByteArray previousSite = exchange ? link : currentSite;
    if (!previousSite.isEmpty())
        removeOrWarn(previousSite);
    stepDone();
    return QString();
}

void SitePublication::stepDone() const
{
    if (stepHook)
        stepHook();
}

QStringList SitePublication::takeWarnings()
{
    return std::exchange(warnings, QStringList());
}

QString SitePublication::shown(const QString &path) const
{
    return QDir::cleanPath(directory + QLatin1Char('/') + path);
}

QString SitePublication::shownBeside(const QByteArray &entry) const
{
    return QDir::cleanPath(parentPath + QLatin1Char('/') + QFile::decodeName(entry));
}

QByteArray SitePublication::siteName() const
{
    return tavrel::randomName(sitePrefix(), siteSuffixLength);
}

QByteArray SitePublication::sitePrefix() const
{
    return '.' + name + ".tavrel-";
}

bool SitePublication::isSiteName(const QByteArray &entry) const
{
    return tavrel::isRandomName(entry, sitePrefix(), siteSuffixLength);
}

QString SitePublication::inspectPrevious()
{
    struct stat status;
    if (::fstatat(parentFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return QString();
        return QStringLiteral("output directory \"%1\": %2").arg(directory, systemReason(errno));
    }
    QByteArray site = name;
    if (S_ISLNK(status.st_mode)) {
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size =
            ::readlinkat(parentFd, name.constData(), target.data(), size_t(target.size()));
        target.truncate(qMax<ssize_t>(size, 0));
        if (!isSiteName(target))
            return QStringLiteral("output directory \"%1\": is a symbolic link that tavrel-report "
                                  "did not make")
                .arg(directory);
        previous = Previous::Link;
        currentSite = target;
        site = target;
        if (::fstatat(parentFd, site.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 &&
            errno == ENOENT)
            return QString();
    } else if (S_ISDIR(status.st_mode)) {
        previous = Previous::PlainDirectory;
    } else {
        return QStringLiteral("output directory \"%1\": is not a directory").arg(directory);
    }
    const Descriptor siteFd(openDirectory(parentFd, site));
    if (siteFd.fd < 0)
        return QStringLiteral("output directory \"%1\": %2").arg(directory, systemReason(errno));
    return previousSiteProblem(siteFd.fd, directory, directory, manifestOf(siteFd.fd), QByteArray(),
                               SitePart::Top);
}

void SitePublication::removeLeftovers()
{
    std::vector<Entry> entries;
    if (const int error = listEntries(parentFd, entries)) {
        warnings.append(
            QStringLiteral("cannot read \"%1\": %2").arg(parentPath, systemReason(error)));
        return;
    }
    for (const Entry &entry : entries) {
        if (isSiteName(entry.name) && entry.name != currentSite)
            removeOrWarn(entry.name);
    }
}

void SitePublication::removeOrWarn(const QByteArray &entry)
{
    if (const int error = removeTree(parentFd, entry))
        warnings.append(QStringLiteral("cannot remove \"%1\": %2")
                            .arg(shownBeside(entry), systemReason(error)));
}
