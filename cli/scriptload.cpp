#include "cli/scriptload.h"

#include "scripts/discovery.h"
#include "scripts/itemdefinition.h"
#include "scripts/linking.h"
#include "scripts/scan.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>

namespace {

struct Record
{
    ItemFields fields;
    QString file;
};

class RecordScan : public ScriptScan
{
public:
    RecordScan(const QString &filter, const ScanProgress &progress)
        : filter(filter), progress(progress)
    {
    }

    QMap<QString, Record> records;

protected:
    QStringList filesOf(const QString &directory) override
    {
        return findScriptFiles(directory, filter);
    }

    void fileStarted(const QString &path) override { currentFile = path; }

    void itemRead(ItemFields &fields) override
    {
        ++itemDefinitions;
        if (fields.defname.isEmpty())
            return;
        finishName(fields);
        // A later definition of the same id replaces the earlier one, as in the window.
        records.insert(fields.defname, Record{fields, currentFile});
    }

    void fileFinished() override
    {
        ++files;
        if (progress)
            progress(files, itemDefinitions);
    }

private:
    const QString filter;
    const ScanProgress &progress;
    QString currentFile;
    int files = 0;
    int itemDefinitions = 0;
};

} // namespace

QString directoryProblem(const QString &directory)
{
    QString path = normaliseDirectory(directory);
    // A file named with a trailing "/" would not be found at all.
    if (path.size() > 1)
        path.chop(1);
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("does not exist");
    if (!info.isDir())
        return QStringLiteral("is not a directory");
    if (!info.isReadable() || !info.isExecutable())
        return QStringLiteral("permission denied");
    return QString();
}

LoadedScripts loadScripts(const QStringList &directories, const QString &filter,
                          const ScanProgress &progress)
{
    RecordScan scan(filter, progress);
    scan.run(directories);
    QMap<QString, Record> &records = scan.records;

    // linkResources asks for every id once and reports each unknown one with a message, so
    // the ids asked for in vain line up with the messages it appends.
    QStringList unknownIds;
    const NameLookup nameOf = [&records, &unknownIds](const QString &id) -> const QString * {
        const auto found = records.constFind(id);
        if (found == records.cend()) {
            unknownIds.append(id);
            return nullptr;
        }
        return &found->fields.name;
    };

    LoadedScripts loaded;
    QStringList messages;
    QHash<QString, MissingResource> firstOccurrence;
    QHash<QString, int> skillIndex;
    for (auto record = records.begin(); record != records.end(); ++record) {
        ItemFields &fields = record->fields;
        const qsizetype before = messages.size();
        unknownIds.clear();
        const LinkedRecord linked =
            linkRecord(fields.resources, fields.skillmake, nameOf, messages);
        fields.resources = linked.resources;
        fields.skillmake = linked.skillmake;
        for (qsizetype i = before; i < messages.size(); ++i) {
            const QString &message = messages.at(i);
            if (!firstOccurrence.contains(message))
                firstOccurrence.insert(message, MissingResource{unknownIds.at(i - before), message,
                                                                record->file, fields.defname});
        }

        if (linked.skills.isEmpty())
            continue;
        const ReportItem item{fields.defname, fields.name, fields.resources, fields.skillmake};
        for (const QString &skillName : linked.skills) {
            auto index = skillIndex.constFind(skillName);
            if (index == skillIndex.cend()) {
                index = skillIndex.insert(skillName, int(loaded.skills.size()));
                loaded.skills.append(SkillGroup{skillName, {}});
            }
            loaded.skills[*index].items.append(item);
        }
    }

    const QStringList shown = withoutRepeats(messages);
    for (const QString &message : shown)
        loaded.missing.append(firstOccurrence.value(message));
    return loaded;
}
