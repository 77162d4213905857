// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_WORKSPACE_H
#define TAVREL_LSP_WORKSPACE_H

#include "lsp/positions.h"
#include "lsp/settings.h"

#include "core/check/checkstate.h"
#include "core/language/index.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace tavrel::lsp {

// The scripts of a workspace as one index of their definitions and uses, with their findings,
// changed in place: an edit reads that document again, and only what it touched is resolved and
// checked again. The first load reads the directories on a thread of its own, so that the
// server answers while it reads: until it is done, the index holds nothing.
class Workspace
{
public:
    Workspace();
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    // Forgets what was read; the next settle loads the workspace anew.
    void configure(const Settings &settings);
    const Settings &settings() const { return current; }

    // The documents an editor holds: their text from their opening to their closing, changed by
    // edits of a range of UTF-16 code units (the protocol's unit), or whole.
    void open(const QString &path, const QString &text);
    struct Edit
    {
        bool whole = true;
        int startLine = 0;
        int startCharacter = 0;
        int endLine = 0;
        int endCharacter = 0;
        QString text;
    };
    bool edit(const QString &path, const QList<Edit> &edits);
    // An open document was saved: its file tells its code page from now on.
    void saved(const QString &path);
    void close(const QString &path);
    bool isOpen(const QString &path) const { return documents.contains(path); }
    // A file that is not open changed on disk; files were created or deleted.
    void changedOnDisk(const QString &path);
    void listChanged();

    // Whether the path is a script of the workspace's list.
    bool contains(const QString &path) const;
    // The script files, in the order they load.
    QStringList paths() const;

    // Whether the first load goes on, and how far it is: files read of files listed.
    bool loading() const { return load.valid(); }
    int loadedFiles() const { return progress.load(); }
    int listedFiles() const { return listed.load(); }
    // Whether `settle` has anything to do.
    bool stale() const;
    // Starts the first load, takes it in once it is done, and reads again what changed since.
    // True when the findings of some file may have changed. Without `checks`, the index is
    // brought up to date and the checks wait for the next settle with them: a request answered
    // from the index does not wait for them.
    bool settle(bool checks = true);
    // Waits for the first load for at most the time given (in milliseconds); true once loaded.
    bool waitForLoad(int milliseconds);

    const ScriptIndex &index() const { return model->index; }
    // Every name of the index end to end, each after a line break, and where each starts: one
    // search of it finds the names that hold a text. Kept up by whoever reads it, as the names
    // of an index only grow.
    struct NameText
    {
        QString text;
        std::vector<qsizetype> starts;
    };
    NameText &nameText() const { return model->nameText; }
    CheckState &checks() const { return *model->checks; }
    // The findings about a file, of the workspace's or, for a document outside its list, of the
    // document alone against the workspace's names; the files whose findings changed since the
    // last call.
    QList<Finding> findingsIn(const QString &path) const;
    QSet<QString> takeChangedPaths();
    // What the user should be told about the workspace since the last call, such as a folder
    // that holds too much to be read.
    QStringList takeNotices();

    // While it lives, a file outside the workspace's list is in its index as a guest (see
    // ScriptIndex::addGuest), so that what is asked about it is answered from its own names
    // and the workspace's.
    class Visit
    {
    public:
        Visit() = default;
        Visit(Visit &&other) noexcept : workspace(std::exchange(other.workspace, nullptr)) {}
        Visit &operator=(Visit &&) = delete;
        ~Visit();

    private:
        friend class Workspace;
        explicit Visit(Workspace *workspace) : workspace(workspace) {}
        Workspace *workspace = nullptr;
    };
    Visit visit(const QString &path);

    // Where a file's characters outside the basic plane stand, to convert the protocol's
    // positions.
    const WideCharacters &wide(const QString &path) const;
    // A file's text, the editor's where it is open, and the script it reads as.
    QString text(const QString &path) const;
    Script script(const QString &path) const;
    // A path as a user reads it: relative to the workspace folder it is in.
    QString shownPath(const QString &path) const;

private:
    struct Model
    {
        explicit Model(const CheckOptions &options)
            : index(true), checks(new CheckState(index, options))
        {
        }
        ScriptIndex index;
        std::unique_ptr<CheckState> checks;
        ProjectProblems problems;
        QStringList refused;
        NameText nameText;
    };
    struct Document
    {
        QString text;
        // Its file is read as Windows-1252: the editor's text of it is checked so too.
        bool legacy = false;
    };

    void startLoad();
    void takeLoad();
    ScriptFacts factsOf(const QString &path) const;
    // Whether a file is one the list of files holds or would hold once it exists: below a
    // script directory and matching its filter, or, with a tables file, one on disk.
    bool belongs(const QString &path) const;
    void refuse(const QStringList &folders);
    bool mayJoin(const QString &path) const;
    // Checks again the open documents outside the list that were edited, or all of them; true
    // when the findings of some changed.
    bool checkApart(bool all, const QSet<QString> &edited);

    Settings current;
    std::unique_ptr<Model> model;
    QHash<QString, Document> documents;
    // The findings of the open documents outside the list; the files whose findings changed
    // beside those the checks tell: these documents, and a workspace's configured anew.
    QHash<QString, QList<Finding>> apart;
    QSet<QString> changedPaths;
    QStringList notices;
    // Paths read again at the next settle, and whether the list of files is to be made again.
    QSet<QString> pending;
    // The files read again, and the documents outside the list edited, whose checks wait.
    QSet<int> unchecked;
    QSet<QString> uncheckedEdits;
    bool relist = false;
    bool loaded = false;
    // What wide() found of each file since it was last read: the files that related places name
    // are converted at each publication, and most never change.
    mutable QHash<QString, WideCharacters> wideFound;
    std::future<std::unique_ptr<Model>> load;
    std::atomic<bool> stopping{false};
    std::atomic<int> progress{0};
    std::atomic<int> listed{0};
};

} // namespace tavrel::lsp

#endif
