#ifndef TAVREL_SCRIPTLOAD_H
#define TAVREL_SCRIPTLOAD_H

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// An item as a skill node of the window holds it after linking.
struct ReportItem
{
    QString defname;
    QString name;
    QString resources;
    QString skillmake;
};

// A skill with its items in the order the window hangs them under the skill's node.
struct SkillGroup
{
    QString name;
    QList<ReportItem> items;
};

// A resource id that names no item, with the first item (in ascending defname order) whose
// resources name it and the script file of that item's definition (the last one read, when an
// id is defined more than once).
struct MissingResource
{
    QString id;
    QString message;
    QString file;
    QString defname;
};

struct LoadedScripts
{
    // In order of first use, as the window's skill tree lists them.
    QList<SkillGroup> skills;
    // The window's load messages, in the window's order; one entry per message.
    QList<MissingResource> missing;
};

// Called after every script file with the counts so far.
using ScanProgress = std::function<void(int files, int itemDefinitions)>;

// Why a configured directory cannot be scanned, or an empty text when it can.
QString directoryProblem(const QString &directory);

// Reads and links the scripts as the window's Open does.
LoadedScripts loadScripts(const QStringList &directories, const QString &filter,
                          const ScanProgress &progress);

#endif
