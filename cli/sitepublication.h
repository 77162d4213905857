// SPDX-License-Identifier: MIT
#ifndef TAVREL_SITEPUBLICATION_H
#define TAVREL_SITEPUBLICATION_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// A site that is published whole. The output directory DIR is a symbolic link to a directory
// beside it, ".NAME.tavrel-XXXXXX", holding one complete site. A run writes the next site into
// a new directory of that kind and then renames a link to it over DIR: the system replaces DIR
// in that one step, so whenever a run ends or is killed, DIR is the previous site or the new
// one. A lock file beside DIR, ".NAME.tavrel-lock", lets one run at a time publish there; the
// run holding it removes what interrupted runs left beside DIR.
//
// Each site keeps the list of the files the run wrote, ".tavrel-files" at its top: the next run
// replaces the site only when it holds nothing else. A site without that list, as earlier
// versions wrote it, is replaced only when it holds nothing but their pages (files that begin
// as every page does, at the top and in "items/"). A DIR that is a plain directory, as earlier
// versions wrote it, is taken over on those terms; it is swapped with the link in one step too.
class SitePublication
{
public:
    // `stepDone` is called as each step of the run is complete, so that a test can stop the
    // run there.
    SitePublication(const QString &directory, std::function<void()> stepDone);
    ~SitePublication();
    SitePublication(const SitePublication &) = delete;
    SitePublication &operator=(const SitePublication &) = delete;

    // Before anything is written: refuses a DIR that is not a directory or lies inside a script
    // directory or holds one (compared by canonical path), or holds a folder whose own files
    // are scripts, then makes the directories above DIR.
    QString prepare(const QStringList &scriptDirectories, const QStringList &scriptFolders = {});
    // Takes the lock, calling `waiting` first when another run holds it and `wait` is true,
    // refuses a previous site it could not replace whole, and removes the leftovers.
    QString lock(bool wait, const std::function<void()> &waiting);

    // A new directory for the site; the files and directories added go into it.
    QString stage();
    QString addDirectory(const QString &path);
    // A new file; `path` is relative to the site, and its directory was added before.
    QString addFile(const QString &path, const QByteArray &content);
    // Makes the staged site current, then removes the previous one.
    QString publish();

    void stepDone() const;
    // Leftovers that could not be removed, which the next run tries again.
    QStringList takeWarnings();

private:
    enum class Previous
    {
        None,
        Link,
        PlainDirectory
    };

    // A page or directory of the site, named as seen through DIR.
    QString shown(const QString &path) const;
    QString shownBeside(const QByteArray &entry) const;
    // A new name for a staged site, ".NAME.tavrel-" and random characters: a shape that the staged
    // sites and lock files of other output directories never take, so that what a run finds in
    // that shape beside DIR was left by an earlier run.
    QByteArray siteName() const;
    QByteArray sitePrefix() const;
    bool isSiteName(const QByteArray &entry) const;
    QString inspectPrevious();
    void removeLeftovers();
    void removeOrWarn(const QByteArray &entry);

    static constexpr qsizetype siteSuffixLength = 6;

    const QString directory;
    const std::function<void()> stepHook;
    QString parentPath;
    QByteArray name;
    int parentFd = -1;
    int lockFd = -1;
    Previous previous = Previous::None;
    // The directory DIR links to, when it is a link of an earlier run.
    QByteArray currentSite;
    QByteArray stagedSite;
    // The staged site and the directories added to it, by their path in the site.
    QHash<QString, int> stagedDirectories;
    // Every directory and file written into the staged site, as the site's list of its own
    // files names them.
    QList<QByteArray> written;
    QByteArray lockName;
    // Whether this run made the lock file rather than finding it there, and holds the lock.
    bool createdLock = false;
    bool locked = false;
    bool published = false;
    QStringList warnings;
};

#endif
