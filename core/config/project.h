// SPDX-License-Identifier: MIT
#ifndef TAVREL_PROJECT_H
#define TAVREL_PROJECT_H

#include "core/check/checks.h"
#include "core/config/configuration.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// A directory of scripts and the patterns of its files' names, comma-separated.
struct ScriptDirectory
{
    QString path;
    QString filter;
};

// What to load and check: the script directories, or the server's tables file whose list
// replaces them, the checks that do not run and the names whose findings are dropped, with what
// is wrong with any of it. The window, the tool and the language server all make it with
// resolveProject.
struct Project
{
    QList<ScriptDirectory> directories;
    QString tablesFile;
    CheckOptions checks;
    // The configuration file read, or empty, and its values with what the request gives instead;
    // its templates are the pages'.
    QString configurationFile;
    Configuration configuration;
    // What is wrong, in this order: a configuration file that cannot be used (its values are
    // then the defaults), a check that does not exist, a directory that cannot be read. The
    // tool stops at the first; the window and the language server read what they can, and the
    // language server says what is wrong with its configuration.
    struct Problem
    {
        enum Kind
        {
            Configuration,
            Check,
            Directory
        } kind;
        QString text;
    };
    QList<Problem> problems;
};

// Where a project comes from: a configuration file (read when it is there, or when it is given
// and must be there), whose relative paths are taken from `base` (as written when empty), and
// what a command line or a window gives instead of its values.
struct ProjectRequest
{
    QString configurationFile;
    bool configurationGiven = false;
    QString base;
    std::optional<QStringList> directories;
    std::optional<QString> filter;
    std::optional<QString> tablesFile;
    QStringList ignore;
    QStringList enable;
    QStringList disable;
};

Project resolveProject(const ProjectRequest &request);

} // namespace tavrel

#endif
