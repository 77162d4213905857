// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCAN_H
#define TAVREL_SCAN_H

#include "scripts/itemdefinition.h"

#include <QString>
#include <QStringList>

class QSettings;

// Reads every item definition in the script files below a list of directories, in the order
// of the directories, of the files discovery gives and of the sections the INI reader lists.
// The window and the command-line tool read scripts through this one walk; subclasses decide
// what happens at each step.
class ScriptScan
{
public:
    virtual ~ScriptScan();
    ScriptScan(const ScriptScan &) = delete;
    ScriptScan &operator=(const ScriptScan &) = delete;

    // False when mayContinue() stopped the walk.
    bool run(const QStringList &directories);
    // One file of the walk, from fileStarted() to fileFinished(); false as run().
    bool readFile(const QString &path);

protected:
    ScriptScan() = default;

    virtual QStringList filesOf(const QString &directory) = 0;
    virtual void directoryStarted(const QString &directory, const QStringList &paths);
    virtual void fileStarted(const QString &path);
    // Asked before every section of a file.
    virtual bool mayContinue();
    // Every item definition section, with its file open at the top level. By default its keys
    // are read and handed to itemRead().
    virtual void itemDefinitionFound(QSettings &script, const QString &section);
    // Every section that is not an item definition, with its file open at the top level.
    virtual void otherSectionFound(QSettings &script, const QString &section);
    // Every item definition, as read; its defname may be empty and its name is not yet
    // finished (see finishName).
    virtual void itemRead(ItemFields &fields);
    virtual void fileFinished();
    virtual void directoryFinished();
};

#endif
