// SPDX-License-Identifier: MIT
#include "app/tavrel.h"

#include "app/pacedprogress.h"
#include "core/load/linking.h"
#include "core/load/parallel.h"
#include "core/read/discovery.h"
#include "core/read/itemdefinition.h"
#include "core/read/scan.h"
#include "scripts/si_item.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QSplitter>
#include <QTextBrowser>
#include <QThread>
#include <QTreeWidget>

#include <vector>

using namespace tavrel;

namespace {

using FileFinder = std::function<QStringList(const QString &)>;

// The files are parsed, and the records linked, on a thread per core, ahead of this thread,
// which builds the trees and processes events in the order the steps require. This thread
// mostly waits for them, so it needs no core of its own.
int readerThreads()
{
    return QThread::idealThreadCount();
}

// The counting pass: a step per directory, events processed at every item definition, and the
// total of directories, files and item definitions. No key is read.
class CountingPass : public ScriptScan
{
public:
    CountingPass(FileFinder findFiles, PacedProgress &progress, int &total)
        : ScriptScan(ScanReading{false, false, readerThreads()}), findFiles(std::move(findFiles)),
          progress(progress), total(total)
    {
    }

protected:
    QStringList filesOf(const QString &directory) override { return findFiles(directory); }

    void directoryStarted(const QString &, const QStringList &paths) override
    {
        total += 1 + int(paths.size());
    }

    bool mayContinue() override { return !progress.canceled(); }

    void itemDefinitionFound(ScannedSection &) override
    {
        ++total;
        progress.processEvents();
    }

    void directoryFinished() override { progress.step(); }

private:
    FileFinder findFiles;
    PacedProgress &progress;
    int &total;
};

// The reading pass: a node per directory and file in the file tree, a record per item
// definition, a progress step per item definition, file and directory.
class ReadingPass : public ScriptScan
{
public:
    ReadingPass(FileFinder findFiles, PacedProgress &progress, QTreeWidget *fileTree,
                QMap<QString, SI_item *> &items)
        : ScriptScan(ScanReading{true, false, readerThreads()}), findFiles(std::move(findFiles)),
          progress(progress), fileTree(fileTree), items(items)
    {
    }

protected:
    QStringList filesOf(const QString &directory) override { return findFiles(directory); }

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

    void itemRead(ItemFields &fields) override
    {
        progress.step();
        if (!acceptItem(fields))
            return;

        const ItemFields own = ownCopy(fields);
        auto *record = new SI_item(nullptr);
        record->defname = own.defname;
        record->type = own.type;
        record->name = own.name;
        record->description = own.description;
        record->resources = own.resources;
        record->skillmake = own.skillmake;
        record->subsection = own.subsection;
        record->setText(0, record->name);

        // Before linking no record is in a tree, so the one replaced is nobody's.
        SI_item *&stored = items[record->defname];
        delete stored;
        stored = record;
    }

    void fileFinished() override { progress.step(); }
    void directoryFinished() override { progress.step(); }

private:
    FileFinder findFiles;
    PacedProgress &progress;
    QTreeWidget *fileTree;
    QMap<QString, SI_item *> &items;
    QTreeWidgetItem *directoryNode = nullptr;
};

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
    const QStringList directories = dirs;
    const QString patterns = filter;
    const auto findFiles = [&patterns](const QString &directory) {
        return findScriptFiles(directory, patterns);
    };

    // The counting pass only sizes the progress bar.
    int total = directories.size();
    progress.setLabelText(tr("Search information."));
    progress.setRange(0, total);
    load.processEvents();
    CountingPass counting(findFiles, load, total);
    if (!counting.run(directories))
        return;

    progress.setRange(0, total);
    progress.setValue(0);
    progress.setWindowTitle(tr("Loading..."));
    progress.setLabelText(tr("Loading object."));
    if (!readScripts(load, directories, findFiles))
        return;
    linkNames(load);
}

bool Tavrel::readScripts(PacedProgress &progress, const QStringList &directories,
                         const std::function<QStringList(const QString &)> &findFiles)
{
    ReadingPass pass(findFiles, progress, fileTree, items);
    return pass.run(directories);
}

bool Tavrel::linkNames(PacedProgress &load)
{
    QProgressDialog &progress = load.dialog();
    progress.setWindowTitle(tr("Processing..."));
    progress.setLabelText(tr("Name linking."));
    load.processEvents();
    progress.setRange(0, int(items.size()));

    Linker linker;
    linker.reserve(items.size());
    for (const SI_item *record : std::as_const(items))
        linker.addRecord(record->defname, record->name, record->type);

    // In defname order, as the map holds them when the pass starts.
    const std::vector<SI_item *> records(items.cbegin(), items.cend());
    std::vector<LinkedRecord> links(records.size());
    const bool completed = orderedFor(
        records.size(), readerThreads(), 256,
        [&](size_t i) { links[i] = linker.link(records[i]->resources, records[i]->skillmake); },
        [&](size_t i) {
            placeRecord(records[i], links[i]);
            progress.setValue(progress.value() + 1);
            if (load.canceled())
                return false;
            load.processEvents();
            return true;
        },
        [&](size_t i) { links[i] = LinkedRecord(); });
    if (!completed)
        return false;

    messages = withoutRepeats(messages);
    // Plain text: a message quoting an id that looks like markup must show as written.
    textBrowser->setPlainText(messages.join(QStringLiteral("\n")));
    return true;
}

// A record's linked texts, its messages, and its place under each skill it needs: the record
// under the first, a copy under every further one.
void Tavrel::placeRecord(SI_item *record, const LinkedRecord &linked)
{
    record->resources = ownCopy(linked.resources);
    record->skillmake = ownCopy(linked.skillmake);
    for (const MissingResource &missing : linked.missing)
        messages.append(notFoundMessage(missing.id));

    QList<QTreeWidgetItem *> skillNodes;
    for (const QString &skillName : std::as_const(linked.skills)) {
        QTreeWidgetItem *&node = skills[skillName];
        if (!node) {
            node = new QTreeWidgetItem(skillTree, QTreeWidgetItem::Type);
            node->setText(0, ownCopy(skillName));
        }
        skillNodes.append(node);
    }

    for (int i = 0; i < skillNodes.size(); ++i) {
        if (i == 0) {
            skillNodes.at(i)->addChild(record);
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
        skillNodes.at(i)->addChild(copy);
    }
}
