// SPDX-License-Identifier: MIT
#include "core/read/discovery.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace tavrel {

namespace {

// Only a link can lead anywhere but below its parent. Resolving every subdirectory from the
// root instead would make the walk quadratic in its depth, and the system's share of that
// cubic, since each step of the resolution re-reads the path from the root.
QString canonicalSubdirectory(const QString &canonicalParent, const QFileInfo &entry)
{
    if (canonicalParent.isEmpty() || entry.isSymLink())
        return entry.canonicalFilePath();
    if (canonicalParent.endsWith(QLatin1Char('/')))
        return canonicalParent + entry.fileName();
    return canonicalParent + QLatin1Char('/') + entry.fileName();
}

// `canonical` is the resolved form of `directory`, or empty when it cannot be resolved.
void collect(const QString &directory, const QString &canonical, const QStringList &nameFilters,
             QSet<QString> &onPath, QStringList &result, QStringList *unreadable)
{
    // A directory link back into the current path would otherwise recurse without end.
    if (!canonical.isEmpty()) {
        if (onPath.contains(canonical))
            return;
        onPath.insert(canonical);
    }

    const QString base = normaliseDirectory(directory);
    // A directory that cannot be listed looks empty; a caller may want to know it was skipped.
    if (unreadable) {
        const QFileInfo info(base);
        if (!info.isDir() || !info.isReadable() || !info.isExecutable()) {
            unreadable->append(base);
            onPath.remove(canonical);
            return;
        }
    }
    const QDir dir(base);
    const QStringList files = dir.entryList(nameFilters, QDir::Files, QDir::NoSort);
    for (const QString &name : files)
        result.append(base + name);

    const QFileInfoList subdirectories = dir.entryInfoList(QDir::Dirs, QDir::NoSort);
    for (const QFileInfo &entry : subdirectories) {
        const QString name = entry.fileName();
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        collect(base + name, canonicalSubdirectory(canonical, entry), nameFilters, onPath, result,
                unreadable);
    }

    if (!canonical.isEmpty())
        onPath.remove(canonical);
}

} // namespace

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

QString unreadableDirectoryReason()
{
    return QStringLiteral("cannot open the directory");
}

QStringList findScriptFiles(const QString &directory, const QString &filter,
                            QStringList *unreadable)
{
    const QStringList nameFilters =
        filter.split(QStringLiteral(","), Qt::KeepEmptyParts, Qt::CaseSensitive);
    const QString base = normaliseDirectory(directory);
    QSet<QString> onPath;
    QStringList result;
    collect(base, QFileInfo(base).canonicalFilePath(), nameFilters, onPath, result, unreadable);
    return result;
}

} // namespace tavrel
