// SPDX-License-Identifier: MIT
#ifndef TAVREL_SCRIPTLOAD_H
#define TAVREL_SCRIPTLOAD_H

#include "core/check/checks.h"
#include "core/config/project.h"
#include "core/language/index.h"
#include "core/load/linking.h"
#include "core/read/itemdefinition.h"
#include "core/read/scan.h"
#include "core/read/scriptreader.h"
#include "core/read/tables.h"
#include "core/report/itemrow.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tavrel {

// An accepted item definition, with its RESOURCES and SKILLMAKE texts as read (not linked), the
// plural form of its name, where it is written and its entries (see LoadOptions::keepRecords),
// which refer to its texts until it is linked and have texts of their own from then on.
struct ScriptRecord
{
    ItemFields fields;
    QString plural;
    DefinitionPlace place;
    ItemEntries entries;
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

// What a load produces: what Open shows, and what a check of the scripts needs.
struct LoadedScripts
{
    // The records that linking sees, by defname: a later definition replaced an earlier one.
    QMap<QString, ScriptRecord> records;
    Linker linker;
    // In order of first use, as the window's skill tree lists them.
    QList<SkillGroup> skills;
    // Every entry naming nothing, in linking order: records by defname, entries in order.
    QList<MissingResourceUse> missing;

    // The script files read, in order; the index numbers them in this order too.
    QStringList files;
    // Every definition and use, when everything is read.
    ScriptIndex index;
    // The directories listed that could not be read and the lines of a tables file that name
    // nothing; and with a tables file, why it could not be read.
    ProjectProblems problems;
    QString tablesProblem;

    // The window's load messages: one per id that names nothing, in order of first occurrence.
    QStringList messages() const;
};

// The steps of a load, for a caller that shows its progress or stops it. They run on the
// thread that called the load, in the order of the directories, of the files discovery gives
// and of the sections in each file, then of the records by defname, however many threads read
// the files and link the records.
class LoadObserver
{
public:
    virtual ~LoadObserver();

    // Asked as the walk of a configured directory enters each directory below it (the
    // configured one itself is always listed), however long the walk takes; false stops the
    // load. Asks `mayContinue` unless overridden.
    virtual bool enteringDirectory();
    virtual void directoryStarted(const QString &directory, const QStringList &paths);
    virtual void fileStarted(const QString &path);
    // Asked before every section of a file that has lines; false stops the load.
    virtual bool mayContinue();
    // Every item definition, with the record the load keeps for it (it replaces any earlier one
    // of its defname), or null when it has no defname or the walk reads no key.
    virtual void itemDefinitionRead(const ScriptRecord *record);
    virtual void fileFinished();
    virtual void directoryFinished();

    virtual void linkingStarted(qsizetype records);
    // A skill met for the first time; its group is the next in LoadedScripts::skills.
    virtual void skillGroupStarted(const QString &name);
    // Every record once linked, with the indices of the skill groups it goes under (the first
    // takes the record, each further one a copy). False stops the load.
    virtual bool recordLinked(const ScriptRecord &record, const LinkedRecord &linked,
                              const QList<int> &groups);
};

struct LoadOptions
{
    QStringList directories;
    QString filter;
    // Threads reading the files and linking the records besides the calling one, which mostly
    // waits for them; one per core when 0.
    int threads = 0;
    // Whether the result keeps the records with their entries, the skill groups with their items
    // and every definition and use of the language, for the checks, the cross-references and
    // the pages. A caller that keeps what it shows itself lets each record go once it is
    // linked: the result then holds the messages and the skills without their items.
    bool keepRecords = true;
    // Whether the records are kept and linked at all: the checks need only the index.
    bool linkRecords = true;
    // Whether the skill groups hold their items with their rows rendered as the window shows
    // them, for the listing and the pages; the checks need only what the entries name.
    bool itemRows = true;
    // Script files to read, in this order, instead of those below the directories.
    QStringList files;
    // The server's tables file: the scripts it lists are read instead of the directories'.
    QString tablesFile;
};

// What to load for a project: its tables file, or its directories with their filter (one for
// all of them, as a configuration gives it).
LoadOptions loadOptionsOf(const Project &project);

// Runs the checks over what a load read.
CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options);

// Why a configured directory cannot be scanned, or an empty text when it can.
QString directoryProblem(const QString &directory);

// The steps of a load's reading without reading any key: every item definition comes with a
// null record. False when the observer stopped it.
bool walkScripts(const LoadOptions &options, LoadObserver &observer);

// Reads the script files and links the records: a later definition of a defname replaces the
// earlier one. The result does not depend on the number of threads. False when the observer
// stopped the load; `loaded` then holds what was done.
bool loadScripts(const LoadOptions &options, LoadedScripts &loaded,
                 LoadObserver *observer = nullptr);
LoadedScripts loadScripts(const QStringList &directories, const QString &filter, int threads = 0);

// A script file read before, with everything a load reads of it.
struct ScannedScript
{
    QString path;
    ScannedFile file;
};
// A load of files read before, in the order given, keeping its records: what loadScripts gives
// for them, without reading any.
LoadedScripts loadScanned(const QList<ScannedScript> &scripts, int threads = 0);

} // namespace tavrel

#endif
