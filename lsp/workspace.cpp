// SPDX-License-Identifier: MIT
#include "lsp/workspace.h"

#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/scriptfile.h"

#include <QDir>
#include <QThread>

namespace tavrel::lsp {

namespace {

// The bytes of a text in Windows-1252 as the reader decodes it, or empty when a character has
// no byte there.
QByteArray windows1252(const QString &text)
{
    static const QHash<char16_t, char> bytes = [] {
        QHash<char16_t, char> table;
        for (int byte = 0x80; byte <= 0xff; ++byte) {
            // A lone byte above ASCII is never UTF-8, so the reader decodes it in the code page.
            const Script script = Script::fromBytes(QByteArray(1, char(byte)));
            if (script.text.size() == 1)
                table.insert(script.text.at(0).unicode(), char(byte));
        }
        return table;
    }();
    QByteArray encoded;
    encoded.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            encoded.append(char(c.unicode()));
            continue;
        }
        const auto byte = bytes.constFind(c.unicode());
        if (byte == bytes.cend())
            return QByteArray();
        encoded.append(*byte);
    }
    return encoded;
}

} // namespace

Workspace::Workspace() = default;
Workspace::~Workspace()
{
    stopListing();
    if (freeing.valid())
        freeing.wait();
}

void Workspace::retire()
{
    if (!previous)
        return;
    if (freeing.valid())
        freeing.wait();
    freeing =
        std::async(std::launch::async, [gone = std::move(previous)]() mutable { gone.reset(); });
}

void Workspace::configure(const Settings &settings)
{
    stopListing();
    current = settings;
    QHash<QString, File> kept;
    // What the editor holds stays, whatever the directories now are.
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (file->open)
            kept.insert(file.key(), *file);
    }
    files = kept;
    order.clear();
    pending.clear();
    rediscover = true;
}

void Workspace::setText(const QString &path, const QString &text)
{
    File &file = files[path];
    // A document takes its code page from its file.
    if (!file.open && !file.read)
        read(path, file);
    file.open = true;
    file.text = text;
    pending.insert(path);
}

void Workspace::saved(const QString &path)
{
    const auto file = files.find(path);
    QByteArray bytes;
    if (file == files.end() || !file->open || !readScriptBytes(path, bytes).isEmpty())
        return;
    file->legacy = !Script::fromBytes(bytes).utf8;
    pending.insert(path);
}

void Workspace::close(const QString &path)
{
    const auto file = files.find(path);
    if (file == files.end())
        return;
    file->open = false;
    file->text.clear();
    pending.insert(path);
}

bool Workspace::isOpen(const QString &path) const
{
    const auto file = files.constFind(path);
    return file != files.cend() && file->open;
}

void Workspace::changedOnDisk(const QString &path)
{
    if (files.contains(path) && !isOpen(path))
        pending.insert(path);
}

void Workspace::listChanged()
{
    rediscover = true;
}

Workspace::Listing Workspace::list(const Settings &settings, const std::atomic<bool> &stop)
{
    Listing found;
    QSet<QString> seen;
    const auto add = [&](const QString &path) {
        const QString clean = QDir::cleanPath(path);
        if (!seen.contains(clean)) {
            seen.insert(clean);
            found.paths.append(clean);
        }
    };
    for (const QString &tables : settings.tablesFiles) {
        const ServerScripts server = listServerScripts(tables);
        for (const QString &folder : server.unreadableFolders)
            found.unreadableDirectories.append({folder, unreadableDirectoryReason()});
        if (!server.problem.isEmpty())
            found.unreadableDirectories.append({tables, server.problem});
        for (const MissingScriptEntry &entry : server.missing)
            found.missingScriptFiles.append({tables, entry});
        for (const QString &path : server.files)
            add(path);
    }
    for (const ScriptDirectory &directory : settings.directories) {
        QStringList unreadable;
        const QStringList paths = findScriptFiles(directory.path, directory.filter, &unreadable,
                                                  [&stop] { return !stop.load(); });
        for (const QString &path : unreadable)
            found.unreadableDirectories.append({path, unreadableDirectoryReason()});
        for (const QString &path : paths)
            add(path);
    }
    return found;
}

void Workspace::startListing()
{
    rediscover = false;
    listingStopped = std::make_shared<std::atomic<bool>>(false);
    listing = std::async(std::launch::async, [settings = current, stop = listingStopped] {
        return list(settings, *stop);
    });
}

void Workspace::stopListing()
{
    if (!listing.valid())
        return;
    *listingStopped = true;
    listing.wait();
    listing = std::future<Listing>();
}

void Workspace::awaitListing(std::chrono::milliseconds patience)
{
    if (listing.valid())
        listing.wait_for(patience);
}

void Workspace::takeListing(Listing found)
{
    unreadableDirectories = std::move(found.unreadableDirectories);
    missingScriptFiles = std::move(found.missingScriptFiles);
    const QSet<QString> seen(found.paths.cbegin(), found.paths.cend());
    // An open document that is not below the directories is not part of the workspace either.
    for (auto file = files.begin(); file != files.end();) {
        if (seen.contains(file.key()))
            ++file;
        else
            file = files.erase(file);
    }
    for (const QString &path : std::as_const(found.paths)) {
        File &file = files[path];
        if (!file.read)
            pending.insert(path);
    }
    // A file gone changes the load though nothing is read.
    relink = relink || found.paths != order;
    order = std::move(found.paths);
}

void Workspace::read(const QString &path, File &file)
{
    file.read = true;
    Script script;
    if (file.open) {
        const QByteArray legacy = file.legacy ? windows1252(file.text) : QByteArray();
        script.read(legacy.isEmpty() ? file.text.toUtf8() : legacy);
    } else {
        QByteArray bytes;
        const QString problem = readScriptBytes(path, bytes);
        if (!problem.isEmpty()) {
            file.scanned = ScannedFile();
            file.scanned.problem = problem;
            file.wide = WideCharacters();
            return;
        }
        script.read(bytes);
        file.legacy = !script.utf8;
    }
    file.scanned = scanScript(script, ScanDepth::Everything);
    file.wide = WideCharacters::of(script.text);
}

bool Workspace::settle()
{
    if (rediscover && !listing.valid())
        startListing();
    if (listing.valid()) {
        if (listing.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return false;
        takeListing(listing.get());
    }
    if (!stale())
        return false;
    // Only paths of the workspace are read; a document opened outside it is not.
    QList<QString> toRead;
    for (const QString &path : std::as_const(pending)) {
        if (files.contains(path))
            toRead.append(path);
    }
    pending.clear();
    relink = false;
    std::vector<File *> targets;
    for (const QString &path : std::as_const(toRead))
        targets.push_back(&files[path]);
    parallelFor(targets.size(), QThread::idealThreadCount(),
                [&](std::size_t i) { read(toRead.at(qsizetype(i)), *targets[i]); });

    QList<ScannedScript> scripts;
    scripts.reserve(order.size());
    for (const QString &path : std::as_const(order))
        scripts.append(ScannedScript{path, files.value(path).scanned});
    LoadedScripts loaded = loadScanned(scripts);
    loaded.unreadable = unreadableDirectories + loaded.unreadable;
    loaded.missingScriptFiles = missingScriptFiles;
    retire();
    previous = std::move(built);
    built = std::make_unique<Analysis>(std::move(loaded), current.checks);
    return true;
}

const WideCharacters &Workspace::wide(const QString &path) const
{
    static const WideCharacters none;
    const auto file = files.constFind(path);
    return file == files.cend() ? none : file->wide;
}

QString Workspace::text(const QString &path) const
{
    const auto file = files.constFind(path);
    if (file != files.cend() && file->open)
        return file->text;
    QByteArray bytes;
    if (!readScriptBytes(path, bytes).isEmpty())
        return QString();
    return Script::fromBytes(bytes).text;
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

QJsonObject Workspace::location(const QString &path, TextPosition position, int length) const
{
    return QJsonObject{{QStringLiteral("uri"), uriOf(path)},
                       {QStringLiteral("range"), wide(path).range(position, length)}};
}

} // namespace tavrel::lsp
