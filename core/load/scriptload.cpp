// SPDX-License-Identifier: MIT
#include "core/load/scriptload.h"

#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"

#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <optional>
#include <vector>

namespace tavrel {

namespace {

// Records are linked in chunks, so that handing them between threads costs little beside the
// linking; a chunk is as many records as a caller's steps run between two looks at the clock.
constexpr std::size_t linkChunk = 64;
constexpr std::size_t chunksAhead = 4;

int threadsOf(const LoadOptions &options)
{
    const int threads = options.threads > 0 ? options.threads : QThread::idealThreadCount();
    return threads > 1 ? threads : 0;
}

// The walk over the directories and their files, and with keys read, the merge of the files in
// discovery order and the linking of the records.
class Load
{
public:
    Load(const LoadOptions &options, ScanDepth depth, LoadedScripts &loaded, LoadObserver &observer)
        : options(options), threads(threadsOf(options)), depth(depth), loaded(loaded),
          observer(observer)
    {
    }

    bool read()
    {
        if (!options.tablesFile.isEmpty())
            return readServerScripts();
        if (!options.files.isEmpty())
            return readFiles(options.files);
        for (const QString &directory : options.directories) {
            QStringList unreadable;
            bool stopped = false;
            const QStringList paths =
                findScriptFiles(directory, options.filter, &unreadable, [this, &stopped] {
                    stopped = !observer.enteringDirectory();
                    return !stopped;
                });
            if (stopped)
                return false;
            for (const QString &path : std::as_const(unreadable))
                loaded.problems.unreadableDirectories.append({path, unreadableDirectoryReason()});
            observer.directoryStarted(directory, paths);
            if (!readFiles(paths))
                return false;
            observer.directoryFinished();
        }
        return true;
    }

    // Files read before, merged as if read now.
    bool merge(const QList<ScannedScript> &scripts)
    {
        for (const ScannedScript &script : scripts) {
            ScannedFile file = script.file;
            if (!merge(script.path, file))
                return false;
        }
        return true;
    }

    bool link()
    {
        observer.linkingStarted(loaded.records.size());
        const Linker &linker = loaded.linker;
        std::vector<QMap<QString, ScriptRecord>::iterator> records;
        records.reserve(size_t(loaded.records.size()));
        for (auto record = loaded.records.begin(); record != loaded.records.end(); ++record)
            records.push_back(record);

        const size_t chunks = (records.size() + linkChunk - 1) / linkChunk;
        std::vector<std::vector<LinkedRecord>> linked(chunks);
        return orderedFor(
            chunks, threads, chunksAhead,
            [&](size_t chunk) {
                const size_t end = std::min(records.size(), (chunk + 1) * linkChunk);
                for (size_t i = chunk * linkChunk; i < end; ++i) {
                    ScriptRecord &record = *records[i];
                    if (!options.keepRecords) {
                        ItemEntries entries =
                            referringEntries(record.fields.resources, record.fields.skillmake);
                        linked[chunk].push_back(linker.link(entries));
                        continue;
                    }
                    linked[chunk].push_back(linker.link(record.entries, options.itemRows));
                    for (SkillEntry &skill : record.entries.skills)
                        skill.skill = ownText(skill.skill);
                }
            },
            [&](size_t chunk) {
                for (size_t k = 0; k < linked[chunk].size(); ++k) {
                    const auto record = records[chunk * linkChunk + k];
                    const bool goOn = group(*record, linked[chunk][k]);
                    // The caller has what it keeps of the record now; letting it go here gives
                    // its memory to the linking's own allocations.
                    if (!options.keepRecords)
                        loaded.records.erase(record);
                    if (!goOn)
                        return false;
                }
                return true;
            },
            [&](size_t chunk) { linked[chunk] = std::vector<LinkedRecord>(); });
    }

private:
    bool readServerScripts()
    {
        ServerScripts server = listServerScripts(options.tablesFile);
        loaded.tablesProblem = server.problem;
        for (const MissingScriptEntry &entry : std::as_const(server.missing))
            loaded.problems.missingScriptFiles.append({options.tablesFile, entry});
        for (const QString &folder : std::as_const(server.unreadableFolders))
            loaded.problems.unreadableDirectories.append({folder, unreadableDirectoryReason()});
        return readFiles(server.files);
    }

    bool readFiles(const QStringList &paths)
    {
        std::vector<ScannedFile> files(size_t(paths.size()));
        return orderedFor(
            files.size(), threads, filesReadAhead(threads),
            [&](size_t i) { files[i] = scanScriptFile(paths.at(qsizetype(i)), depth); },
            [&](size_t i) { return merge(paths.at(qsizetype(i)), files[i]); },
            [&](size_t i) { files[i] = ScannedFile(); });
    }

    bool merge(const QString &path, ScannedFile &file)
    {
        observer.fileStarted(path);
        if (depth == ScanDepth::Everything)
            loaded.index.addFile(path, std::move(file.facts));
        loaded.files.append(path);
        for (ScannedSection &section : file.sections) {
            if (!observer.mayContinue())
                return false;
            if (section.itemDefinition)
                observer.itemDefinitionRead(
                    section.accepted && options.linkRecords ? &keep(path, section) : nullptr);
        }
        observer.fileFinished();
        return true;
    }

    const ScriptRecord &keep(const QString &path, ScannedSection &section)
    {
        ScriptRecord record{std::move(section.item.fields), std::move(section.plural),
                            std::move(section.item.place), std::move(section.item.entries)};
        record.place.file = path;
        // The linker learns the records as they come, while the other threads still read.
        loaded.linker.addRecord(record.fields.defname, record.fields.name, record.plural,
                                record.fields.type);
        ScriptRecord &stored = recordOf(record.fields.defname);
        stored = std::move(record);
        return stored;
    }

    // The place of a defname among the records, empty when it is new. Definitions mostly come in
    // the order of their defnames within a file, so the place after the last one is tried first.
    ScriptRecord &recordOf(const QString &defname)
    {
        QMap<QString, ScriptRecord> &records = loaded.records;
        if (last && (*last).key() < defname) {
            const auto next = std::next(*last);
            if (next == records.end() || defname < next.key()) {
                last = records.insert(next, defname, ScriptRecord());
                return **last;
            }
        }
        last = records.find(defname);
        if (*last == records.end())
            last = records.insert(defname, ScriptRecord());
        return **last;
    }

    // The record's missing resources and its skill groups, in order of first use.
    bool group(const ScriptRecord &record, LinkedRecord &linked)
    {
        const QString &defname = record.fields.defname;
        for (const MissingResource &missing : std::as_const(linked.missing))
            loaded.missing.append(MissingResourceUse{defname, missing});

        QList<int> groups;
        for (const QString &skillName : std::as_const(linked.skills)) {
            auto index = skillIndex.constFind(skillName);
            if (index == skillIndex.cend()) {
                index = skillIndex.insert(skillName, int(loaded.skills.size()));
                loaded.skills.append(SkillGroup{skillName, {}});
                observer.skillGroupStarted(loaded.skills.constLast().name);
            }
            groups.append(*index);
        }
        if (!groups.isEmpty() && options.keepRecords && options.itemRows) {
            const ReportItem item{defname, record.fields.name, linked.resources, linked.skillmake};
            for (const int index : std::as_const(groups))
                loaded.skills[index].items.append(item);
        }
        return observer.recordLinked(record, linked, groups);
    }

    const LoadOptions &options;
    const int threads;
    const ScanDepth depth;
    LoadedScripts &loaded;
    LoadObserver &observer;
    std::optional<QMap<QString, ScriptRecord>::iterator> last;
    QHash<QString, int> skillIndex;
};

LoadObserver &silent()
{
    static LoadObserver nobody;
    return nobody;
}

} // namespace

LoadObserver::~LoadObserver() = default;

void LoadObserver::directoryStarted(const QString &, const QStringList &) {}

void LoadObserver::fileStarted(const QString &) {}

bool LoadObserver::enteringDirectory()
{
    return mayContinue();
}

bool LoadObserver::mayContinue()
{
    return true;
}

void LoadObserver::itemDefinitionRead(const ScriptRecord *) {}

void LoadObserver::fileFinished() {}

void LoadObserver::directoryFinished() {}

void LoadObserver::linkingStarted(qsizetype) {}

void LoadObserver::skillGroupStarted(const QString &) {}

bool LoadObserver::recordLinked(const ScriptRecord &, const LinkedRecord &, const QList<int> &)
{
    return true;
}

QStringList LoadedScripts::messages() const
{
    QStringList all;
    all.reserve(missing.size());
    for (const MissingResourceUse &use : missing)
        all.append(notFoundMessage(use.resource.id));
    return withoutRepeats(all);
}

LoadOptions loadOptionsOf(const Project &project)
{
    LoadOptions options;
    options.tablesFile = project.tablesFile;
    for (const ScriptDirectory &directory : project.directories)
        options.directories.append(directory.path);
    options.filter = project.directories.isEmpty() ? project.configuration.filter
                                                   : project.directories.constFirst().filter;
    return options;
}

CheckResult runChecks(const LoadedScripts &loaded, const CheckOptions &options)
{
    return runChecks(loaded.index, loaded.problems, options);
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

bool walkScripts(const LoadOptions &options, LoadObserver &observer)
{
    LoadedScripts nothing;
    return Load(options, ScanDepth::Kinds, nothing, observer).read();
}

bool loadScripts(const LoadOptions &options, LoadedScripts &loaded, LoadObserver *observer)
{
    Load load(options, options.keepRecords ? ScanDepth::Everything : ScanDepth::Items, loaded,
              observer ? *observer : silent());
    if (!load.read())
        return false;
    loaded.index.index();
    return !options.linkRecords || load.link();
}

LoadedScripts loadScanned(const QList<ScannedScript> &scripts, int threads)
{
    LoadedScripts loaded;
    LoadOptions options;
    options.threads = threads;
    Load load(options, ScanDepth::Everything, loaded, silent());
    load.merge(scripts);
    loaded.index.index();
    load.link();
    return loaded;
}

LoadedScripts loadScripts(const QStringList &directories, const QString &filter, int threads)
{
    LoadedScripts loaded;
    LoadOptions options;
    options.directories = directories;
    options.filter = filter;
    options.threads = threads;
    loadScripts(options, loaded);
    return loaded;
}

} // namespace tavrel
