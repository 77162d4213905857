// SPDX-License-Identifier: MIT
#include "core/load/scriptload.h"

#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <vector>

namespace tavrel {

namespace {

// What one script file gives a load. Files are independent until their records are merged, so
// they can be read on several threads and merged in discovery order.
struct FileContent
{
    QString path;
    // Why the file could not be read, or an empty text.
    QString problem;
    // The accepted item definitions with their sections, in the reader's order.
    QList<QPair<ItemFields, QString>> items;
    int itemDefinitions = 0;
    QStringList skillDefinitions;
    TextPosition invalidUtf8;
};

class FileReader : public ScriptScan
{
public:
    explicit FileReader(FileContent &content)
        : ScriptScan(ScanReading{true, true, 0}), content(content)
    {
    }

protected:
    QStringList filesOf(const QString &) override { return {}; }

    void fileStarted(const QString &path) override
    {
        content.path = path;
        const QFileInfo info(path);
        if (!info.exists()) {
            content.problem =
                QStringLiteral("cannot open the file: it is gone, or its name cannot be opened");
            return;
        }
        if (!info.isFile()) {
            content.problem = QStringLiteral("is not a regular file");
            return;
        }
        // The encoding is tested here, on the reading thread, while the file is at hand.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            content.problem = file.errorString();
        else
            content.invalidUtf8 = firstInvalidUtf8(file.readAll());
    }

    void itemDefinitionFound(ScannedSection &section) override
    {
        ++content.itemDefinitions;
        if (acceptItem(section.fields))
            content.items.append({std::move(section.fields), section.name});
    }

    void otherSectionFound(ScannedSection &section) override
    {
        for (const QString &key : std::as_const(section.skillKeys)) {
            const QString name = withoutComment(key).trimmed();
            if (!name.isEmpty())
                content.skillDefinitions.append(name);
        }
    }

private:
    FileContent &content;
};

FileContent readScriptFile(const QString &path)
{
    FileContent content;
    FileReader(content).readFile(path);
    return content;
}

// Adds the files of a load in discovery order: a later definition of a defname replaces the
// earlier one.
class Merge
{
public:
    Merge(LoadedScripts &loaded, const ScanProgress &progress) : loaded(loaded), progress(progress)
    {
    }

    void add(const FileContent &content)
    {
        if (!content.problem.isEmpty())
            loaded.unreadable.append({content.path, content.problem});
        if (content.itemDefinitions > 0 && content.invalidUtf8.line > 0)
            loaded.invalidUtf8.append({content.path, content.invalidUtf8});
        loaded.skillDefinitions += content.skillDefinitions;
        for (const auto &[read, section] : std::as_const(content.items)) {
            ItemFields fields = ownCopy(read);
            const DefinitionPlace place{content.path, ownCopy(section)};
            ScriptRecord &stored = loaded.records[fields.defname];
            if (!stored.fields.defname.isEmpty()) {
                QList<DefinitionPlace> &places = loaded.redefinitions[fields.defname];
                if (places.isEmpty())
                    places.append(stored.place);
                places.append(place);
            }
            stored = ScriptRecord{std::move(fields), place};
        }
        ++files;
        itemDefinitions += content.itemDefinitions;
        if (progress)
            progress(files, itemDefinitions);
    }

private:
    LoadedScripts &loaded;
    const ScanProgress &progress;
    int files = 0;
    int itemDefinitions = 0;
};

// Reads the files on up to `threads` threads; each is merged, in order, as soon as it and the
// ones before it are read.
void readFiles(const QStringList &paths, int threads, Merge &merge)
{
    std::vector<FileContent> contents(size_t(paths.size()));
    orderedFor(
        contents.size(), threads > 1 ? threads : 0, filesReadAhead(threads),
        [&](size_t i) { contents[i] = readScriptFile(paths.at(qsizetype(i))); },
        [&](size_t i) {
            merge.add(contents[i]);
            return true;
        },
        [&](size_t i) { contents[i] = FileContent(); });
}

// Records are linked independently of each other, on every thread; only the grouping by skill,
// in order of first use, runs in defname order afterwards.
void linkRecords(LoadedScripts &loaded, int threads)
{
    Linker &linker = loaded.linker;
    linker.reserve(loaded.records.size());
    std::vector<const ScriptRecord *> records;
    records.reserve(size_t(loaded.records.size()));
    for (const ScriptRecord &record : std::as_const(loaded.records)) {
        linker.addRecord(record.fields.defname, record.fields.name, record.fields.type);
        records.push_back(&record);
    }

    std::vector<LinkedRecord> linked(records.size());
    parallelFor(records.size(), threads, [&](size_t i) {
        linked[i] = linker.link(records[i]->fields.resources, records[i]->fields.skillmake);
    });

    QHash<QString, int> skillIndex;
    for (size_t i = 0; i < records.size(); ++i) {
        const ItemFields &fields = records[i]->fields;
        const LinkedRecord &record = linked[i];
        for (const MissingResource &missing : record.missing)
            loaded.missing.append(MissingResourceUse{fields.defname, missing});

        if (record.skills.isEmpty())
            continue;
        const ReportItem item{fields.defname, fields.name, record.resources, record.skillmake};
        for (const QString &skillName : record.skills) {
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
                          const ScanProgress &progress, int threads)
{
    if (threads <= 0)
        threads = QThread::idealThreadCount();
    LoadedScripts loaded;
    Merge merge(loaded, progress);
    for (const QString &directory : directories) {
        QStringList unreadable;
        const QStringList paths = findScriptFiles(directory, filter, &unreadable);
        for (const QString &path : std::as_const(unreadable))
            loaded.unreadable.append({path, QStringLiteral("cannot open the directory")});
        readFiles(paths, threads, merge);
    }
    linkRecords(loaded, threads);
    return loaded;
}

} // namespace tavrel
