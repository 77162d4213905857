// SPDX-License-Identifier: MIT
#include "app/tavrel.h"

#include "app/pacedprogress.h"
#include "core/load/scriptload.h"
#include "scripts/si_item.h"

#include <QProgressDialog>
#include <QSplitter>
#include <QTextBrowser>
#include <QThreadPool>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <QTreeWidget>

#include <memory>
#include <vector>

using namespace tavrel;

namespace {

// The counting pass only sizes the progress bar: a step per directory, events processed at
// every item definition, and the total of directories, files and item definitions.
class CountingPass : public LoadObserver
{
public:
    CountingPass(PacedProgress &progress, int &total) : progress(progress), total(total) {}

    // A walk through many directories, or through links to a large tree, takes its time too.
    bool enteringDirectory() override
    {
        progress.processEvents();
        return !progress.canceled();
    }
    void directoryStarted(const QString &, const QStringList &paths) override
    {
        total += 1 + int(paths.size());
    }
    bool mayContinue() override { return !progress.canceled(); }
    void itemDefinitionRead(const ScriptRecord *) override
    {
        ++total;
        progress.processEvents();
    }
    void directoryFinished() override { progress.step(); }

private:
    PacedProgress &progress;
    int &total;
};

// The reading and linking passes: a node per directory and file in the file tree, a record
// per item definition, a progress step per item definition, file and directory; then each
// record placed under its skills' nodes, a step per record.
class LoadingPasses : public LoadObserver
{
public:
    LoadingPasses(PacedProgress &progress, QTreeWidget *fileTree, QTreeWidget *skillTree,
                  QMap<QString, SI_item *> &items, QMap<QString, QTreeWidgetItem *> &skills)
        : progress(progress), fileTree(fileTree), skillTree(skillTree), items(items), skills(skills)
    {
    }

    bool enteringDirectory() override
    {
        progress.processEvents();
        return !progress.canceled();
    }

    void directoryStarted(const QString &directory, const QStringList &paths) override
    {
        directoryNode = new QTreeWidgetItem(fileTree, QTreeWidgetItem::Type);
        // One pass over the pattern, so a "%2" in the directory is not taken for the count.
        directoryNode->setText(
            0, QStringLiteral("%1 [%2]").arg(directory, QString::number(paths.size())));
    }

    void fileStarted(const QString &path) override
    {
        auto *fileNode = new QTreeWidgetItem(QTreeWidgetItem::Type);
        fileNode->setText(0, path);
        directoryNode->addChild(fileNode);
    }

    bool mayContinue() override { return !progress.canceled(); }

    void itemDefinitionRead(const ScriptRecord *read) override
    {
        progress.step();
        if (!read)
            return;
        const ItemFields &fields = read->fields;
        auto *record = new SI_item(nullptr);
        record->defname = fields.defname;
        record->type = fields.type;
        record->name = fields.name;
        record->description = fields.description;
        record->resources = fields.resources;
        record->skillmake = fields.skillmake;
        record->subsection = fields.subsection;
        record->setText(0, record->name);

        // Before linking no record is in a tree, so the one replaced is nobody's.
        SI_item *&stored = items[record->defname];
        delete stored;
        stored = record;
    }

    void fileFinished() override { progress.step(); }
    void directoryFinished() override { progress.step(); }

    void linkingStarted(qsizetype records) override
    {
        QProgressDialog &dialog = progress.dialog();
        dialog.setWindowTitle(Tavrel::tr("Processing..."));
        dialog.setLabelText(Tavrel::tr("Name linking."));
        progress.processEvents();
        dialog.setRange(0, int(records));
        nextRecord = items.begin();
    }

    void skillGroupStarted(const QString &name) override
    {
        auto *node = new QTreeWidgetItem(skillTree, QTreeWidgetItem::Type);
        node->setText(0, name);
        skills.insert(name, node);
        skillNodes.push_back(node);
    }

    // The record under its first skill, a copy under every further one.
    bool recordLinked(const ScriptRecord &linkedRecord, const LinkedRecord &linked,
                      const QList<int> &groups) override
    {
        // Records are linked in the order of their defnames, the order of the map.
        const QString &defname = linkedRecord.fields.defname;
        if (nextRecord == items.end() || nextRecord.key() != defname)
            nextRecord = items.find(defname);
        SI_item *record = *nextRecord++;
        // Texts of this thread's own: the linking threads' memory is then theirs alone, and is
        // given back whole once they end.
        record->resources = ownText(linked.resources);
        record->skillmake = ownText(linked.skillmake);
        for (qsizetype i = 0; i < groups.size(); ++i) {
            QTreeWidgetItem *node = skillNodes[size_t(groups.at(i))];
            if (i == 0) {
                node->addChild(record);
                continue;
            }
            auto *copy = new SI_item(nullptr);
            copy->defname = record->defname;
            copy->description = record->description;
            copy->name = record->name;
            copy->type = record->type;
            copy->resources = record->resources;
            copy->skillmake = record->skillmake;
            copy->setText(0, record->text(0));
            node->addChild(copy);
        }

        QProgressDialog &dialog = progress.dialog();
        dialog.setValue(dialog.value() + 1);
        if (progress.canceled())
            return false;
        progress.processEvents();
        return true;
    }

private:
    PacedProgress &progress;
    QTreeWidget *fileTree;
    QTreeWidget *skillTree;
    QMap<QString, SI_item *> &items;
    QMap<QString, QTreeWidgetItem *> &skills;
    QTreeWidgetItem *directoryNode = nullptr;
    std::vector<QTreeWidgetItem *> skillNodes;
    QMap<QString, SI_item *>::iterator nextRecord;
};

// The window keeps what it shows in its records and trees. The load's own records, tens of
// thousands of small blocks, are freed on a pool thread so that the window is not held up.
void releaseInBackground(LoadedScripts &loaded)
{
    auto released = std::make_shared<LoadedScripts>(std::move(loaded));
    QThreadPool::globalInstance()->start([released]() mutable {
        released.reset();
#ifdef __GLIBC__
        // The blocks freed lie between those the window keeps: only a trim gives their pages
        // back to the system.
        malloc_trim(0);
#endif
    });
}

} // namespace

void Tavrel::Clear(bool)
{
    if (activity != Activity::Idle)
        return;
    resetResults();
}

// Records that reached no tree belong to nobody else; the skill tree frees the others.
void Tavrel::releaseUnplacedRecords()
{
    for (SI_item *record : std::as_const(items)) {
        if (!record->parent())
            delete record;
    }
}

void Tavrel::resetResults()
{
    releaseUnplacedRecords();
    skillTree->clear();
    messages.clear();
    skills.clear();
    items.clear();
}

void Tavrel::Load(bool)
{
    if (activity != Activity::Idle)
        return;
    const ActivityScope scope(activity, Activity::Loading);

    PacedProgress load(this, outerSplitter);
    QProgressDialog &progress = load.dialog();
    // The dialog has to stay up, with its Cancel button, through all three passes, whatever
    // value a pass ends on.
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setWindowTitle(tr("Evaluation..."));
    progress.show();
    loadProgress = &progress;

    progress.setLabelText(tr("Clearing old information."));
    load.processEvents();
    resetResults();

    // The directories and the filter are taken once, so that a settings change during the load
    // cannot change them between the passes.
    ProjectRequest request;
    request.directories = dirs;
    request.filter = filter;
    LoadOptions options = loadOptionsOf(resolveProject(request));
    options.keepRecords = false;

    int total = int(options.directories.size());
    progress.setLabelText(tr("Search information."));
    progress.setRange(0, total);
    load.processEvents();
    CountingPass counting(load, total);
    if (!walkScripts(options, counting))
        return;

    progress.setRange(0, total);
    progress.setValue(0);
    progress.setWindowTitle(tr("Loading..."));
    progress.setLabelText(tr("Loading object."));
    LoadingPasses passes(load, fileTree, skillTree, items, skills);
    LoadedScripts loaded;
    const bool completed = loadScripts(options, loaded, &passes);
    if (completed)
        messages = loaded.messages();
    releaseInBackground(loaded);
    if (!completed)
        return;

    // Plain text: a message quoting an id that looks like markup must show as written.
    textBrowser->setPlainText(messages.join(QStringLiteral("\n")));
}
