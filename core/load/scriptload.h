// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCRIPTLOAD_H
#define TAVREL_SCRIPTLOAD_H

#include "core/load/linking.h"
#include "core/read/itemdefinition.h"
#include "core/read/locations.h"
#include "core/report/itemrow.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

namespace tavrel {

// Where an item definition was read: its script file and the section's name.
struct DefinitionPlace
{
    QString file;
    QString section;
};

// An accepted item definition, with its RESOURCES and SKILLMAKE texts as read (not linked).
struct ScriptRecord
{
    ItemFields fields;
    DefinitionPlace place;
};

// A skill with its items in the order the window hangs them under the skill's node.
struct SkillGroup
{
    QString name;
    QList<ReportItem> items;
};

// A resource entry of an accepted record that names no item and no item type.
struct MissingResourceUse
{
    QString defname;
    MissingResource resource;
};

// What a load produces without a window: what Open shows, and what a check of the scripts needs.
struct LoadedScripts
{
    // The records that linking sees, by defname: a later definition replaced an earlier one.
    QMap<QString, ScriptRecord> records;
    // Every place of each defname defined more than once, in the order they were read.
    QMap<QString, QList<DefinitionPlace>> redefinitions;
    Linker linker;
    // In order of first use, as the window's skill tree lists them.
    QList<SkillGroup> skills;
    // Every entry naming nothing, in linking order: records by defname, entries in order.
    QList<MissingResourceUse> missing;

    // The script files holding item definitions that are not valid UTF-8, in reading order,
    // with the place of the first bad byte.
    QList<QPair<QString, TextPosition>> invalidUtf8;
    // Files and directories below the configured directories that were listed but could not be
    // read, with the reason.
    QList<QPair<QString, QString>> unreadable;
    // The names the scripts give their skills ([SKILL n] sections, key KEY), as written.
    QStringList skillDefinitions;

    // The window's load messages: one per id that names nothing, in order of first occurrence.
    QStringList messages() const;
};

// Called after every script file with the counts so far.
using ScanProgress = std::function<void(int files, int itemDefinitions)>;

// Why a configured directory cannot be scanned, or an empty text when it can.
QString directoryProblem(const QString &directory);

// Reads and links the scripts as the window's Open does. The files are read on `threads`
// threads (one per core when 0) and merged in the order a single thread reads them, so the
// result does not depend on the number.
LoadedScripts loadScripts(const QStringList &directories, const QString &filter,
                          const ScanProgress &progress, int threads = 0);

} // namespace tavrel

#endif
