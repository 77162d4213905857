#include "scripts/scriptload.h"

#include "scripts/discovery.h"
#include "scripts/scan.h"

#include <QFileInfo>
#include <QHash>

namespace {

class RecordScan : public ScriptScan
{
public:
    RecordScan(const QString &filter, const ScanProgress &progress, LoadedScripts &loaded)
        : filter(filter), progress(progress), loaded(loaded)
    {
    }

protected:
    QStringList filesOf(const QString &directory) override
    {
        return findScriptFiles(directory, filter);
    }

    void fileStarted(const QString &path) override { currentFile = path; }

    void itemDefinitionFound(QSettings &script, const QString &section) override
    {
        currentSection = section;
        ScriptScan::itemDefinitionFound(script, section);
    }

    void itemRead(ItemFields &fields) override
    {
        ++itemDefinitions;
        if (!acceptItem(fields))
            return;
        const DefinitionPlace place{currentFile, currentSection};
        ScriptRecord &stored = loaded.records[fields.defname];
        if (!stored.fields.defname.isEmpty()) {
            QList<DefinitionPlace> &places = loaded.redefinitions[fields.defname];
            if (places.isEmpty())
                places.append(stored.place);
            places.append(place);
        }
        stored = ScriptRecord{fields, place};
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
    LoadedScripts &loaded;
    QString currentFile;
    QString currentSection;
    int files = 0;
    int itemDefinitions = 0;
};

void linkRecords(LoadedScripts &loaded)
{
    Linker &linker = loaded.linker;
    linker.reserve(loaded.records.size());
    for (const ScriptRecord &record : std::as_const(loaded.records))
        linker.addRecord(record.fields.defname, record.fields.name, record.fields.type);

    QHash<QString, int> skillIndex;
    for (const ScriptRecord &record : std::as_const(loaded.records)) {
        const ItemFields &fields = record.fields;
        const LinkedRecord linked = linker.link(fields.resources, fields.skillmake);
        for (const MissingResource &missing : linked.missing)
            loaded.missing.append(MissingResourceUse{fields.defname, missing});

        if (linked.skills.isEmpty())
            continue;
        const ReportItem item{fields.defname, fields.name, linked.resources, linked.skillmake};
        for (const QString &skillName : linked.skills) {
            auto index = skillIndex.constFind(skillName);
            if (index == skillIndex.cend()) {
                index = skillIndex.insert(skillName, int(loaded.skills.size()));
                loaded.skills.append(SkillGroup{skillName, {}});
            }
            loaded.skills[*index].items.append(item);
        }
    }
}

} // namespace

QStringList LoadedScripts::messages() const
{
    QStringList all;
    all.reserve(missing.size());
    for (const MissingResourceUse &use : missing)
        all.append(notFoundMessage(use.resource.id));
    return withoutRepeats(all);
}

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
    LoadedScripts loaded;
    RecordScan scan(filter, progress, loaded);
    scan.run(directories);
    linkRecords(loaded);
    return loaded;
}
