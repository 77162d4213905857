#include "scripts/scriptload.h"

#include "scripts/discovery.h"
#include "scripts/scan.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>

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
        QStringList unreadable;
        const QStringList files = findScriptFiles(directory, filter, &unreadable);
        for (const QString &path : std::as_const(unreadable))
            loaded.unreadable.append({path, QStringLiteral("cannot open the directory")});
        return files;
    }

    void fileStarted(const QString &path) override
    {
        currentFile = path;
        itemsInFile = false;
        const QFileInfo info(path);
        if (!info.exists()) {
            loaded.unreadable.append({path, QStringLiteral("cannot open the file: it is gone, or "
                                                           "its name cannot be opened")});
            return;
        }
        if (!info.isFile()) {
            loaded.unreadable.append({path, QStringLiteral("is not a regular file")});
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            loaded.unreadable.append({path, file.errorString()});
    }

    void itemDefinitionFound(QSettings &script, const QString &section) override
    {
        currentSection = section;
        if (!itemsInFile) {
            itemsInFile = true;
            loaded.itemFiles.append(currentFile);
        }
        ScriptScan::itemDefinitionFound(script, section);
    }

    void otherSectionFound(QSettings &script, const QString &section) override
    {
        if (sectionWord(section, 0).compare(QLatin1String("skill"), Qt::CaseInsensitive) != 0)
            return;
        script.beginGroup(section);
        const QStringList keys = script.childKeys();
        for (const QString &key : keys) {
            if (key.compare(QLatin1String("KEY"), Qt::CaseInsensitive) != 0)
                continue;
            const QString name = withoutComment(script.value(key).toString()).trimmed();
            if (!name.isEmpty())
                loaded.skillDefinitions.append(name);
        }
        script.endGroup();
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
    bool itemsInFile = false;
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
