// SPDX-License-Identifier: MIT
#include "lsp/settings.h"

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
        const QString file = QDir(root).filePath(QStringLiteral("config.cfg"));
        ProjectRequest request;
        request.configurationFile = file;
        request.base = root;
        const Project project = resolveProject(request);
        if (project.configurationFile.isEmpty()) {
            settings.directories.append(ScriptDirectory{root, scripts});
            if (marked.isEmpty())
                settings.guessed.append(root);
            continue;
        }
        settings.configurations.append(file);
        // A directory that cannot be read is a finding of the walk; a configuration that cannot
        // be used leaves the folder's scripts to read.
        bool usable = true;
        for (const Project::Problem &problem : project.problems) {
            if (problem.kind == Project::Problem::Configuration) {
                usable = false;
                settings.problems.append(problem.text +
                                         QStringLiteral("; the folder's .scp files are read"));
            } else if (problem.kind == Project::Problem::Check) {
                settings.problems.append(QStringLiteral("%1: %2").arg(file, problem.text));
            }
        }
        if (!usable) {
            settings.directories.append(ScriptDirectory{root, scripts});
            continue;
        }
        if (!project.tablesFile.isEmpty())
            settings.tablesFiles.append(project.tablesFile);
        settings.directories += project.directories;
        settings.checks.ignored += project.checks.ignored;
        for (const QString &id : std::as_const(project.checks.enabled))
            settings.checks.enable(id);
        for (const QString &id : std::as_const(project.checks.disabled))
            settings.checks.disable(id);
    }
    return settings;
}

} // namespace tavrel::lsp
