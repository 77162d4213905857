// SPDX-License-Identifier: MIT
#include "lsp/workspace.h"

#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"
#include "core/read/scriptfile.h"
#include "core/read/tables.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace tavrel::lsp {

namespace {

// The files the settings list, in the order they load, with what could not be read and the
// folders taken for want of a configuration that held too much to be read.
struct Listing
{
    QStringList paths;
    ProjectProblems problems;
    QStringList refused;
};

// The walk stops where `mayContinue` says so, with what it found.
Listing listFiles(const Settings &settings, const std::function<bool()> &mayContinue)
{
    Listing listing;
    QSet<QString> seen;
    const auto add = [&](const QString &path) {
        const QString clean = QDir::cleanPath(path);
        if (!seen.contains(clean)) {
            seen.insert(clean);
            listing.paths.append(clean);
        }
    };
    for (const QString &tables : settings.tablesFiles) {
        const ServerScripts server = listServerScripts(tables);
        for (const QString &folder : server.unreadableFolders)
            listing.problems.unreadableDirectories.append({folder, unreadableDirectoryReason()});
        if (!server.problem.isEmpty())
            listing.problems.unreadableDirectories.append({tables, server.problem});
        for (const MissingScriptEntry &entry : server.missing)
            listing.problems.missingScriptFiles.append({tables, entry});
        for (const QString &path : server.files)
            add(path);
    }
    for (const ScriptDirectory &directory : settings.directories) {
        const bool guessed = settings.guessed.contains(directory.path);
        QStringList unreadable;
        int folders = 0;
        const std::function<bool()> bounded = [&] {
            return ++folders <= mostGuessedFolders && (!mayContinue || mayContinue());
        };
        const QStringList found = findScriptFiles(directory.path, directory.filter, &unreadable,
                                                  guessed ? bounded : mayContinue);
        if (guessed && (folders > mostGuessedFolders || found.size() > mostGuessedScripts)) {
            listing.refused.append(directory.path);
            continue;
        }
        for (const QString &path : std::as_const(unreadable))
            listing.problems.unreadableDirectories.append({path, unreadableDirectoryReason()});
        for (const QString &path : found)
            add(path);
    }
    return listing;
}

bool sameProblems(const ProjectProblems &a, const ProjectProblems &b)
{
    if (a.unreadableDirectories != b.unreadableDirectories ||
        a.missingScriptFiles.size() != b.missingScriptFiles.size())
        return false;
    for (qsizetype i = 0; i < a.missingScriptFiles.size(); ++i) {
        const auto &x = a.missingScriptFiles.at(i);
        const auto &y = b.missingScriptFiles.at(i);
        if (x.first != y.first || x.second.text != y.second.text ||
            x.second.position.line != y.second.position.line)
            return false;
    }
    return true;
}

} // namespace

Workspace::Workspace() : model(std::make_unique<Model>(CheckOptions())) {}

Workspace::~Workspace()
{
    stopping = true;
    if (load.valid())
        load.wait();
}

void Workspace::configure(const Settings &settings)
{
    stopping = true;
    if (load.valid())
        load.wait();
    load = {};
    current = settings;
    for (const Finding &finding : model->checks->findings())
        changedPaths.insert(finding.location.file);
    model = std::make_unique<Model>(settings.checks);
    loaded = false;
    pending.clear();
    unchecked.clear();
    uncheckedEdits.clear();
    relist = false;
}

void Workspace::open(const QString &path, const QString &text)
{
    Document &document = documents[path];
    // A document takes its code page from its file.
    QByteArray bytes;
    document.legacy = QDir::isAbsolutePath(path) && readScriptBytes(path, bytes).isEmpty() &&
                      !Script::fromBytes(bytes).utf8;
    document.text = text;
    pending.insert(path);
    // A file created since the directories were listed, or in the editor and not saved yet,
    // joins the list as it is opened, whether the client watches files or not.
    if (!contains(path) && mayJoin(path))
        relist = true;
}

bool Workspace::edit(const QString &path, const QList<Edit> &edits)
{
    const auto document = documents.find(path);
    if (document == documents.end())
        return false;
    QString &text = document->text;
    for (const Edit &edit : edits) {
        if (edit.whole) {
            text = edit.text;
            continue;
        }
        // Lines end at LF; a position past a line's end stands at its end.
        const auto offsetOf = [&text](int line, int character) {
            qsizetype at = 0;
            for (int l = 0; l < line; ++l) {
                const qsizetype next = text.indexOf(u'\n', at);
                if (next < 0)
                    return text.size();
                at = next + 1;
            }
            qsizetype end = text.indexOf(u'\n', at);
            if (end < 0)
                end = text.size();
            return std::min(at + std::max(character, 0), end);
        };
        const qsizetype start = offsetOf(edit.startLine, edit.startCharacter);
        const qsizetype end = std::max(start, offsetOf(edit.endLine, edit.endCharacter));
        text.replace(start, end - start, edit.text);
    }
    pending.insert(path);
    return true;
}

void Workspace::saved(const QString &path)
{
    const auto document = documents.find(path);
    QByteArray bytes;
    if (document == documents.end() || !readScriptBytes(path, bytes).isEmpty())
        return;
    document->legacy = !Script::fromBytes(bytes).utf8;
    pending.insert(path);
    if (!contains(path) && mayJoin(path))
        relist = true;
}

// A document closed is its file again; one that is not on disk, never saved or deleted while
// it was open, leaves the list and its findings with it.
void Workspace::close(const QString &path)
{
    if (documents.remove(path) == 0)
        return;
    if (apart.remove(path) > 0)
        changedPaths.insert(path);
    if (!contains(path))
        return;
    pending.insert(path);
    if (!QFileInfo::exists(path))
        relist = true;
}

void Workspace::changedOnDisk(const QString &path)
{
    if (!isOpen(path))
        pending.insert(path);
}

void Workspace::listChanged()
{
    relist = true;
}

// A folder that holds too much to be read is left out of the list from then on, and the user
// told how to give the workspace instead.
void Workspace::refuse(const QStringList &folders)
{
    for (const QString &folder : folders) {
        current.directories.removeIf(
            [&folder](const ScriptDirectory &directory) { return directory.path == folder; });
        notices.append(
            QStringLiteral("%1 holds no config.cfg and no tables file (*tables.scp), and more than "
                           "%2 folders or %3 scripts are below it: its scripts are not read. Open "
                           "the folder of your scripts as the editor's workspace or root, or put a "
                           "config.cfg in it that names them.")
                .arg(folder)
                .arg(mostGuessedFolders)
                .arg(mostGuessedScripts));
    }
}

QStringList Workspace::takeNotices()
{
    return std::exchange(notices, QStringList());
}

bool Workspace::belongs(const QString &path) const
{
    const QString name = QFileInfo(path).fileName();
    for (const ScriptDirectory &directory : current.directories) {
        const QString relative = QDir(directory.path).relativeFilePath(path);
        if (relative.startsWith(QLatin1String("../")) || !QDir::isAbsolutePath(path))
            continue;
        // A hidden folder is not walked.
        const QStringList folders = relative.split(u'/').mid(0, relative.count(u'/'));
        if (std::none_of(folders.cbegin(), folders.cend(),
                         [](const QString &folder) { return folder.startsWith(u'.'); }) &&
            matchesFilter(name, directory.filter))
            return true;
    }
    return false;
}

bool Workspace::mayJoin(const QString &path) const
{
    if (!current.tablesFiles.isEmpty() && QDir::isAbsolutePath(path) && QFileInfo::exists(path))
        return true;
    return belongs(path);
}

bool Workspace::contains(const QString &path) const
{
    return model->index.fileOf(path) >= 0;
}

QStringList Workspace::paths() const
{
    QStringList all;
    for (const int file : model->index.files())
        all.append(model->index.path(file));
    return all;
}

bool Workspace::stale() const
{
    return !loaded || relist || !pending.isEmpty() || !changedPaths.isEmpty() ||
           !unchecked.isEmpty() || !uncheckedEdits.isEmpty();
}

ScriptFacts Workspace::factsOf(const QString &path) const
{
    const auto document = documents.constFind(path);
    if (document == documents.cend())
        return QDir::isAbsolutePath(path) ? scanScriptFile(path, ScanDepth::Everything).facts
                                          : ScriptFacts();
    // A file in Windows-1252 is one while the editor holds it, whatever characters the editor
    // gives it: saving is when it could be damaged.
    Script script = Script::fromBytes(document->text.toUtf8());
    script.utf8 = !document->legacy;
    return scanScript(script, ScanDepth::Everything, path).facts;
}

void Workspace::startLoad()
{
    stopping = false;
    progress = 0;
    listed = 0;
    load = std::async(std::launch::async, [this, settings = current] {
        const Listing listing = listFiles(settings, [this] { return !stopping; });
        const qsizetype count = listing.paths.size();
        listed = int(count);
        std::vector<ScriptFacts> facts(static_cast<size_t>(count));
        parallelFor(facts.size(), QThread::idealThreadCount(), [&](size_t i) {
            if (stopping)
                return;
            facts[i] = scanScriptFile(listing.paths.at(qsizetype(i)), ScanDepth::Everything).facts;
            ++progress;
        });
        auto made = std::make_unique<Model>(settings.checks);
        if (stopping)
            return made;
        for (qsizetype i = 0; i < count; ++i)
            made->index.addFile(listing.paths.at(i), std::move(facts[size_t(i)]));
        made->index.index();
        made->problems = listing.problems;
        made->refused = listing.refused;
        made->checks->checkAll(made->problems);
        return made;
    });
}

// The documents the editor holds are read from their texts, as they were opened before the
// load was done.
void Workspace::takeLoad()
{
    model = load.get();
    load = {};
    loaded = true;
    refuse(model->refused);
    for (auto document = documents.cbegin(); document != documents.cend(); ++document)
        pending.insert(document.key());
}

bool Workspace::waitForLoad(int milliseconds)
{
    if (loaded)
        return true;
    if (!load.valid())
        startLoad();
    return load.wait_for(std::chrono::milliseconds(milliseconds)) == std::future_status::ready;
}

bool Workspace::settle(bool checks)
{
    bool changed = false;
    if (!loaded || relist)
        wideFound.clear();
    for (const QString &path : std::as_const(pending))
        wideFound.remove(path);
    if (!loaded) {
        if (!load.valid())
            startLoad();
        if (load.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return false;
        takeLoad();
        changed = true;
    }
    ScriptIndex &index = model->index;
    QSet<int> &files = unchecked;
    if (relist) {
        relist = false;
        Listing listing = listFiles(current, {});
        refuse(listing.refused);
        QSet<QString> now(listing.paths.cbegin(), listing.paths.cend());
        // A document the editor made, or holds while its file was deleted, is in the list
        // until it is closed.
        for (auto document = documents.cbegin(); document != documents.cend(); ++document) {
            if (!now.contains(document.key()) && !QFileInfo::exists(document.key()) &&
                belongs(document.key())) {
                listing.paths.append(document.key());
                now.insert(document.key());
            }
        }
        for (const QString &path : paths()) {
            if (!now.contains(path)) {
                const int file = index.fileOf(path);
                index.removeFile(file);
                files.insert(file);
            }
        }
        // A new file goes before the next file of the list that is read already.
        for (qsizetype i = listing.paths.size() - 1, next = -1; i >= 0; --i) {
            const QString &path = listing.paths.at(i);
            const int known = index.fileOf(path);
            if (known < 0) {
                const int file = index.insertFile(path, factsOf(path), next);
                files.insert(file);
                pending.remove(path);
                next = file;
            } else {
                next = known;
            }
        }
        if (!sameProblems(listing.problems, model->problems)) {
            model->problems = listing.problems;
            model->checks->checkAll(model->problems);
            changed = true;
        }
    }
    for (const QString &path : std::as_const(pending)) {
        const int file = index.fileOf(path);
        if (file < 0)
            continue;
        index.replaceFile(file, factsOf(path));
        files.insert(file);
    }
    uncheckedEdits.unite(std::exchange(pending, QSet<QString>()));
    if (!checks)
        return changed;
    const QSet<QString> edited = std::exchange(uncheckedEdits, QSet<QString>());
    const ScriptIndex::Change change = index.takeChange();
    const bool touched = !files.isEmpty() || !change.empty();
    if (touched)
        model->checks->update(std::exchange(files, QSet<int>()), change);
    return checkApart(touched, edited) || touched || changed || !changedPaths.isEmpty();
}

bool Workspace::checkApart(bool all, const QSet<QString> &edited)
{
    bool changed = false;
    for (auto document = documents.cbegin(); document != documents.cend(); ++document) {
        const QString &path = document.key();
        if (contains(path)) {
            if (apart.remove(path) > 0) {
                changedPaths.insert(path);
                changed = true;
            }
            continue;
        }
        if (!all && !edited.contains(path) && apart.contains(path))
            continue;
        QSet<int> names;
        const int file = model->index.addGuest(path, factsOf(path), &names);
        QList<Finding> findings = model->checks->checkGuest(file, names);
        model->index.removeGuest();
        model->checks->namesChanged(names);
        const auto kept = apart.find(path);
        if (kept != apart.end() && sameFindings(*kept, findings))
            continue;
        apart.insert(path, std::move(findings));
        changedPaths.insert(path);
        changed = true;
    }
    return changed;
}

QList<Finding> Workspace::findingsIn(const QString &path) const
{
    const auto found = apart.constFind(path);
    return found != apart.cend() ? *found : model->checks->findingsIn(path);
}

QSet<QString> Workspace::takeChangedPaths()
{
    return model->checks->takeChangedPaths() + std::exchange(changedPaths, QSet<QString>());
}

Workspace::Visit Workspace::visit(const QString &path)
{
    if (path.isEmpty() || contains(path))
        return Visit();
    model->index.addGuest(path, factsOf(path));
    return Visit(this);
}

Workspace::Visit::~Visit()
{
    if (workspace)
        workspace->model->index.removeGuest();
}

const WideCharacters &Workspace::wide(const QString &path) const
{
    auto found = wideFound.find(path);
    if (found == wideFound.end())
        found = wideFound.insert(path, WideCharacters::of(text(path)));
    return *found;
}

QString Workspace::text(const QString &path) const
{
    const auto document = documents.constFind(path);
    if (document != documents.cend())
        return document->text;
    QByteArray bytes;
    // A document of the editor's that is no file (an untitled one) has no text on disk.
    if (!QDir::isAbsolutePath(path))
        return QString();
    if (!readScriptBytes(path, bytes).isEmpty())
        return QString();
    return Script::fromBytes(bytes).text;
}

Script Workspace::script(const QString &path) const
{
    return Script::fromBytes(text(path).toUtf8());
}

QString Workspace::shownPath(const QString &path) const
{
    for (const QString &root : current.roots) {
        const QString relative = QDir(root).relativeFilePath(path);
        if (!relative.startsWith(QLatin1String("../")))
            return relative;
    }
    return path;
}

} // namespace tavrel::lsp
