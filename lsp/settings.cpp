// SPDX-License-Identifier: MIT
#include "lsp/settings.h"

#include "core/config/configuration.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::lsp {

namespace {

// The nearest folder from `folder` upward that holds config.cfg or a tables file, or empty.
QString markedFolder(const QString &folder)
{
    for (QDir dir(folder);;) {
        if (dir.exists(QStringLiteral("config.cfg")) ||
            !dir.entryList({QStringLiteral("*tables.scp")}, QDir::Files).isEmpty())
            return dir.absolutePath();
        if (!dir.cdUp())
            return QString();
    }
}

} // namespace

Settings readSettings(const QStringList &folders)
{
    const QString scripts = QStringLiteral("*.scp");
    Settings settings;
    for (const QString &folder : folders) {
        const QString marked = markedFolder(folder);
        const QString root = marked.isEmpty() ? QDir::cleanPath(folder) : marked;
        if (settings.roots.contains(root))
            continue;
        settings.roots.append(root);
        const QDir base(root);
        const QString file = base.filePath(QStringLiteral("config.cfg"));
        if (!QFileInfo::exists(file)) {
            settings.directories.append(ScriptDirectory{root, scripts, marked.isEmpty()});
            continue;
        }
        settings.configurations.append(file);
        const QString problem = configurationFileProblem(file);
        if (!problem.isEmpty()) {
            settings.problems.append(
                QStringLiteral("%1: %2; the folder's .scp files are read").arg(file, problem));
            settings.directories.append(ScriptDirectory{root, scripts});
            continue;
        }
        const Configuration configuration = readConfiguration(file);
        const CheckConfiguration checks = readCheckConfiguration(file);
        if (!checks.tables.isEmpty()) {
            settings.tablesFiles.append(QDir::cleanPath(base.absoluteFilePath(checks.tables)));
        } else {
            for (const QString &directory : configuration.dirs) {
                settings.directories.append(ScriptDirectory{
                    QDir::cleanPath(base.absoluteFilePath(directory)), configuration.filter});
            }
        }
        settings.checks.ignored += checks.ignore;
        for (const QString &id : checks.disable) {
            if (findCheck(id))
                settings.checks.disabled.insert(id);
            else
                settings.problems.append(
                    QStringLiteral("%1: [Check] Disable names no check \"%2\"").arg(file, id));
        }
    }
    return settings;
}

} // namespace tavrel::lsp
