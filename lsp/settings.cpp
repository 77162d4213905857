// SPDX-License-Identifier: MIT
#include "lsp/settings.h"

#include "core/config/configuration.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::lsp {

Settings readSettings(const QStringList &roots)
{
    const QString scripts = QStringLiteral("*.scp");
    Settings settings;
    settings.roots = roots;
    for (const QString &root : roots) {
        const QDir base(root);
        const QString file = base.filePath(QStringLiteral("config.cfg"));
        if (!QFileInfo::exists(file)) {
            settings.directories.append(ScriptDirectory{root, scripts});
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
        for (const QString &id : checks.enable) {
            if (findCheck(id))
                settings.checks.enable(id);
            else
                settings.problems.append(
                    QStringLiteral("%1: [Check] Enable names no check \"%2\"").arg(file, id));
        }
        for (const QString &id : checks.disable) {
            if (findCheck(id))
                settings.checks.disable(id);
            else
                settings.problems.append(
                    QStringLiteral("%1: [Check] Disable names no check \"%2\"").arg(file, id));
        }
    }
    return settings;
}

} // namespace tavrel::lsp
