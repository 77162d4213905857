#include "scripts/discovery.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

void collect(const QString &directory, const QStringList &nameFilters, QSet<QString> &onPath,
             QStringList &result)
{
    const QString base = normaliseDirectory(directory);
    const QDir dir(base);
    // A directory link back into the current path would otherwise recurse without end.
    const QString canonical = QFileInfo(base).canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (onPath.contains(canonical))
            return;
        onPath.insert(canonical);
    }

    const QStringList files = dir.entryList(nameFilters, QDir::Files, QDir::NoSort);
    for (const QString &name : files)
        result.append(base + name);

    const QStringList subdirectories = dir.entryList(QDir::Dirs, QDir::NoSort);
    for (const QString &name : subdirectories) {
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        collect(base + name, nameFilters, onPath, result);
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

QStringList findScriptFiles(const QString &directory, const QString &filter)
{
    const QStringList nameFilters =
        filter.split(QStringLiteral(","), Qt::KeepEmptyParts, Qt::CaseSensitive);
    QSet<QString> onPath;
    QStringList result;
    collect(directory, nameFilters, onPath, result);
    return result;
}
