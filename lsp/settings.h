// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_SETTINGS_H
#define TAVREL_LSP_SETTINGS_H

#include "core/check/checks.h"
#include "core/config/project.h"

#include <QString>
#include <QStringList>

namespace tavrel::lsp {

using tavrel::ScriptDirectory;

// A folder that is not known to hold scripts is not read when its walk goes past this many
// folders or script files: it is likely a home folder or the whole file system.
constexpr int mostGuessedFolders = 5000;
constexpr int mostGuessedScripts = 20000;

// What a workspace reads and checks.
struct Settings
{
    // The folders the workspace is read from.
    QStringList roots;
    // In the order they are read.
    QList<ScriptDirectory> directories;
    // The directories taken for want of a configuration or a tables file, walked only so far
    // (see mostGuessedFolders).
    QStringList guessed;
    // Tables files, absolute, whose listed scripts are read instead of a root's directories.
    QStringList tablesFiles;
    CheckOptions checks;
    // The configuration files read, to watch them.
    QStringList configurations;
    // What the user should know about the configuration, such as a check it disables that
    // does not exist.
    QStringList problems;
};

// Each root is the nearest folder from the one given upward that holds config.cfg or a tables
// file (*tables.scp), or the folder given where none does. A root with a config.cfg reads the
// script directories and filter it names, relative to the root, or the scripts its [Check]
// Tables= file lists, and its [Check] section, as tavrel-report run at the root does; a root
// without one is itself the script directory, of .scp files, walked only so far where it holds
// no tables file either.
Settings readSettings(const QStringList &roots);

} // namespace tavrel::lsp

#endif
