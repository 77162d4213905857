// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_WORKSPACE_H
#define TAVREL_LSP_WORKSPACE_H

#include "lsp/analysis.h"
#include "lsp/positions.h"
#include "lsp/settings.h"

#include "core/read/scan.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace tavrel::lsp {

// The script files of a workspace, each read once and read again only when it changes: an
// editor's text for the documents it holds open, the file on disk for the others. An analysis
// loads what was read, all of it, and checks it.
class Workspace
{
public:
    Workspace();
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    // Forgets everything read; the next settle reads the directories anew.
    void configure(const Settings &settings);
    const Settings &settings() const { return current; }

    bool contains(const QString &path) const { return files.contains(path); }
    // The script files, in the order they load.
    const QStringList &paths() const { return order; }

    // An editor's text of a document, from its opening to its closing.
    void setText(const QString &path, const QString &text);
    // An open document was saved: its file tells its code page from now on.
    void saved(const QString &path);
    void close(const QString &path);
    bool isOpen(const QString &path) const;
    // A file that is not open changed on disk.
    void changedOnDisk(const QString &path);
    // Files were created or deleted: the directories are listed again.
    void listChanged();

    bool stale() const
    {
        return rediscover || listing.valid() || relink || !pending.isEmpty() || !built;
    }
    // Reads what changed and analyses the workspace again when anything did; true when it did.
    // The directories are walked on a thread of their own, as a walk through a large tree (a
    // link to "/") takes its time: until that walk ends, nothing is analysed.
    bool settle();
    // Waits at most that long for a running walk of the directories.
    void awaitListing(std::chrono::milliseconds patience);
    // Whether there is an analysis to answer from.
    bool analysed() const { return built != nullptr; }
    // The analysis of the last settle; the one before it lives until `retire`.
    const Analysis &analysis() const { return *built; }
    // Frees the analysis before the last on another thread: a large one takes as long to free
    // as to make, and the next edit need not wait for it.
    void retire();

    // Where a file's characters outside the basic plane stand.
    const WideCharacters &wide(const QString &path) const;
    // A file's text as the analysis read it.
    QString text(const QString &path) const;
    // A path as a user reads it: relative to the workspace folder it is in.
    QString shownPath(const QString &path) const;
    // A protocol location of `length` characters from `position` in a file.
    QJsonObject location(const QString &path, TextPosition position, int length) const;

private:
    struct File
    {
        ScannedFile scanned;
        WideCharacters wide;
        // Read as Windows-1252: an editor's text of it is too.
        bool legacy = false;
        bool open = false;
        bool read = false;
        QString text;
    };

    // What a walk of the directories found.
    struct Listing
    {
        QStringList paths;
        QList<QPair<QString, QString>> unreadableDirectories;
        QList<QPair<QString, MissingScriptEntry>> missingScriptFiles;
    };
    static Listing list(const Settings &settings, const std::atomic<bool> &stop);
    void startListing();
    void stopListing();
    void takeListing(Listing found);
    void read(const QString &path, File &file);

    Settings current;
    QHash<QString, File> files;
    QStringList order;
    QList<QPair<QString, QString>> unreadableDirectories;
    // The entries of the tables files that name nothing, with their tables file.
    QList<QPair<QString, MissingScriptEntry>> missingScriptFiles;
    // Read again at the next settle.
    QSet<QString> pending;
    bool rediscover = true;
    // The list of files changed since the last analysis.
    bool relink = false;
    std::future<Listing> listing;
    std::shared_ptr<std::atomic<bool>> listingStopped;
    std::unique_ptr<Analysis> built;
    std::unique_ptr<Analysis> previous;
    std::future<void> freeing;
};

} // namespace tavrel::lsp

#endif
