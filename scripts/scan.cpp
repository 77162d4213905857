// SPDX-License-Identifier: MIT
#include "scripts/scan.h"

#include <QFileInfo>
#include <QSettings>

ScriptScan::~ScriptScan() = default;

bool ScriptScan::run(const QStringList &directories)
{
    for (const QString &directory : directories) {
        const QStringList paths = filesOf(directory);
        directoryStarted(directory, paths);
        for (const QString &path : paths) {
            if (!readFile(path))
                return false;
        }
        directoryFinished();
    }
    return true;
}

bool ScriptScan::readFile(const QString &path)
{
    fileStarted(path);
    // Opening a FIFO or a device would block or never end; only a regular file is read.
    if (QFileInfo(path).isFile()) {
        QSettings script(path, QSettings::IniFormat);
        script.sync();
        const QStringList sections = script.childGroups();
        for (const QString &section : sections) {
            if (!mayContinue())
                return false;
            if (isItemDefinition(section))
                itemDefinitionFound(script, section);
            else
                otherSectionFound(script, section);
        }
    }
    fileFinished();
    return true;
}

void ScriptScan::directoryStarted(const QString &, const QStringList &) {}

void ScriptScan::fileStarted(const QString &) {}

bool ScriptScan::mayContinue()
{
    return true;
}

void ScriptScan::itemDefinitionFound(QSettings &script, const QString &section)
{
    ItemFields fields = readItemDefinition(script, section);
    itemRead(fields);
}

void ScriptScan::otherSectionFound(QSettings &, const QString &) {}

void ScriptScan::itemRead(ItemFields &) {}

void ScriptScan::fileFinished() {}

void ScriptScan::directoryFinished() {}
