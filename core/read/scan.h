// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCAN_H
#define TAVREL_SCAN_H

#include "core/read/itemdefinition.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>

namespace tavrel {

// One section of a script file, as far as a walk reads it.
struct ScannedSection
{
    QString name;
    bool itemDefinition = false;
    // An item definition's keys, when the walk reads them. The defname may be empty and the
    // name is not yet finished (see finishName).
    ItemFields fields;
    // The values of the KEY keys of a [SKILL n] section, when the walk reads them.
    QStringList skillKeys;
};

// What a walk reads of each section besides its name, and on how many threads other than its
// own it reads the files of a directory ahead of the steps.
struct ScanReading
{
    bool itemKeys = true;
    bool skillKeys = false;
    int threadsAhead = 0;
};

// How many files may be read ahead of a walk on `threads` threads: a few per thread keep them
// busy; more would only hold memory.
std::size_t filesReadAhead(int threads);

// Reads every item definition in the script files below a list of directories, in the order
// of the directories, of the files discovery gives and of the sections the INI reader lists.
// The window and the command-line tool read scripts through this one walk; subclasses decide
// what happens at each step. Every step runs on the walk's thread, in that order, whether or
// not files are read ahead on other threads.
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
    explicit ScriptScan(const ScanReading &reading = ScanReading());

    virtual QStringList filesOf(const QString &directory) = 0;
    virtual void directoryStarted(const QString &directory, const QStringList &paths);
    virtual void fileStarted(const QString &path);
    // Asked before every section of a file.
    virtual bool mayContinue();
    // Every item definition section. By default its fields are handed to itemRead().
    virtual void itemDefinitionFound(ScannedSection &section);
    // Every section that is not an item definition.
    virtual void otherSectionFound(ScannedSection &section);
    virtual void itemRead(ItemFields &fields);
    virtual void fileFinished();
    virtual void directoryFinished();

private:
    QList<ScannedSection> sectionsOf(const QString &path) const;
    bool walkFile(const QString &path, QList<ScannedSection> &sections);

    ScanReading reading;
};

} // namespace tavrel

#endif
