// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_SETTINGS_H
#define TAVREL_LSP_SETTINGS_H

#include "core/check/checks.h"
#include "core/config/project.h"

#include <QString>
#include <QStringList>

namespace tavrel::lsp {

using tavrel::ScriptDirectory;

// What a workspace reads and checks.
struct Settings
{
    // The client's workspace folders.
    QStringList roots;
    // In the order they are read.
    QList<ScriptDirectory> directories;
    // Tables files, absolute, whose listed scripts are read instead of a root's directories.
    QStringList tablesFiles;
    CheckOptions checks;
    // The configuration files read, to watch them.
    QStringList configurations;
    // What the user should know about the configuration, such as a check it disables that
    // does not exist.
    QStringList problems;
};

// Each root is a project as tavrel-report run at the root resolves it: a root with a config.cfg
// reads the script directories and filter it names, relative to the root, or the scripts its
// [Check] Tables= file lists, and its [Check] section; a root without one is itself the script
// directory, of .scp files.
Settings readSettings(const QStringList &roots);

} // namespace tavrel::lsp

#endif
