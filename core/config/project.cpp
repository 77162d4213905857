// SPDX-License-Identifier: MIT
#include "core/config/project.h"

#include "core/config/configuration.h"
#include "core/load/scriptload.h"

#include <QDir>

namespace tavrel {

namespace {

QString fromBase(const QString &base, const QString &path)
{
    return base.isEmpty() ? path : QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

} // namespace

Project resolveProject(const ProjectRequest &request)
{
    Project project;
    // Read once: what is checked is what is used, whatever takes the file's place meanwhile. A
    // file that is not there, or cannot be used, gives the defaults.
    const ConfigurationFile file = readConfigurationFile(request.configurationFile);
    Configuration configuration = file.configuration;
    QStringList ignore;
    QStringList enable;
    QStringList disable;
    if (!request.configurationFile.isEmpty() && (request.configurationGiven || file.exists)) {
        project.configurationFile = request.configurationFile;
        if (!file.problem.isEmpty()) {
            project.problems.append({Project::Problem::Configuration,
                                     QStringLiteral("configuration \"%1\": %2")
                                         .arg(request.configurationFile, file.problem)});
        } else {
            // Directories given mean those directories.
            if (!request.directories && !request.filter && !file.checks.tables.isEmpty())
                project.tablesFile = fromBase(request.base, file.checks.tables);
            ignore = file.checks.ignore;
            enable = file.checks.enable;
            disable = file.checks.disable;
        }
    }
    if (request.tablesFile)
        project.tablesFile = *request.tablesFile;
    const QStringList directories = request.directories.value_or(configuration.dirs);
    const QString filter = request.filter.value_or(configuration.filter);
    project.configuration = configuration;
    project.configuration.dirs = directories;
    project.configuration.filter = filter;
    if (project.tablesFile.isEmpty()) {
        for (const QString &directory : directories)
            project.directories.append(ScriptDirectory{
                request.directories ? directory : fromBase(request.base, directory), filter});
    }
    project.checks.ignored = ignore + request.ignore;
    // A check the configuration names is told by its key; one a caller gives, by itself. What
    // is said of a check last wins: the caller's word over the configuration's, and within each
    // a check disabled over the same check enabled.
    const auto turn = [&](const QStringList &ids, bool on, const QString &key) {
        for (const QString &id : ids) {
            if (!findCheck(id)) {
                project.problems.append(
                    {Project::Problem::Check,
                     key.isEmpty()
                         ? QStringLiteral("unknown check \"%1\" (see --list-checks)").arg(id)
                         : QStringLiteral("[Check] %1 names no check \"%2\"").arg(key, id)});
            } else if (on) {
                project.checks.enable(id);
            } else {
                project.checks.disable(id);
            }
        }
    };
    turn(enable, true, QStringLiteral("Enable"));
    turn(disable, false, QStringLiteral("Disable"));
    turn(request.enable, true, QString());
    turn(request.disable, false, QString());
    // The tables file lists the scripts itself; its files are read as the server finds them.
    for (const ScriptDirectory &directory : std::as_const(project.directories)) {
        const QString problem = directoryProblem(directory.path);
        if (!problem.isEmpty())
            project.problems.append(
                {Project::Problem::Directory,
                 QStringLiteral("script directory \"%1\": %2").arg(directory.path, problem)});
    }
    return project;
}

} // namespace tavrel
