#include "app/tavrel.h"

#include "scripts/discovery.h"
#include "scripts/itemdefinition.h"
#include "scripts/linking.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QSettings>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

void step(QProgressDialog &progress)
{
    progress.setValue(progress.value() + 1);
    QCoreApplication::processEvents();
}

} // namespace

QStringList Tavrel::findFiles(QString directory)
{
    return findScriptFiles(directory, filter);
}

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

    QProgressDialog progress(this, Qt::WindowFlags());
    // Qt would hide the dialog once the counting pass reaches its maximum; it has to stay up,
    // with its Cancel button, through all three passes.
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setWindowTitle(tr("Evaluation..."));
    progress.show();
    loadProgress = &progress;

    progress.setLabelText(tr("Clearing old information."));
    QCoreApplication::processEvents();
    resetResults();

    // The directories are taken once, so that a settings change during the load cannot
    // change them between the passes.
    const QStringList directories = dirs;

    // The counting pass only sizes the progress bar.
    int total = directories.size();
    progress.setLabelText(tr("Search information."));
    progress.setRange(0, total);
    QCoreApplication::processEvents();
    for (const QString &directory : directories) {
        ++total;
        const QStringList paths = findFiles(directory);
        total += paths.size();
        for (const QString &path : paths) {
            QSettings script(path, QSettings::IniFormat);
            script.sync();
            const QStringList sections = script.childGroups();
            for (const QString &section : sections) {
                if (progress.wasCanceled())
                    return;
                if (isItemDefinition(section)) {
                    ++total;
                    QCoreApplication::processEvents();
                }
            }
        }
        step(progress);
    }

    progress.setRange(0, total);
    progress.setValue(0);
    progress.setWindowTitle(tr("Loading..."));
    progress.setLabelText(tr("Loading object."));
    if (!readScripts(progress, directories))
        return;
    linkNames(progress);
}

bool Tavrel::readScripts(QProgressDialog &progress, const QStringList &directories)
{
    for (const QString &directory : directories) {
        auto *directoryNode = new QTreeWidgetItem(fileTree, QTreeWidgetItem::Type);
        const QStringList paths = findFiles(directory);
        // One pass over the pattern, so a "%2" in the directory is not taken for the count.
        directoryNode->setText(
            0, QStringLiteral("%1 [%2]").arg(directory, QString::number(paths.size())));
        for (const QString &path : paths) {
            auto *fileNode = new QTreeWidgetItem(QTreeWidgetItem::Type);
            fileNode->setText(0, path);
            directoryNode->addChild(fileNode);

            QSettings script(path, QSettings::IniFormat);
            script.sync();
            const QStringList sections = script.childGroups();
            for (const QString &section : sections) {
                if (progress.wasCanceled())
                    return false;
                if (!isItemDefinition(section))
                    continue;
                ItemFields fields = readItemDefinition(script, section);
                step(progress);
                if (fields.defname.isEmpty())
                    continue;
                finishName(fields);

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
            step(progress);
        }
        step(progress);
    }
    return true;
}

bool Tavrel::linkNames(QProgressDialog &progress)
{
    progress.setWindowTitle(tr("Processing..."));
    progress.setLabelText(tr("Name linking."));
    QCoreApplication::processEvents();
    progress.setRange(0, int(items.size()));

    const NameLookup nameOf = [this](const QString &id) -> const QString * {
        const auto found = items.constFind(id);
        return found == items.cend() ? nullptr : &found.value()->name;
    };

    const QMap<QString, SI_item *> records = items;
    for (SI_item *record : records) {
        if (!record->resources.isEmpty())
            record->resources = linkResources(record->resources, nameOf, messages);

        QList<QTreeWidgetItem *> skillNodes;
        if (!record->skillmake.isEmpty()) {
            QStringList skillNames;
            record->skillmake = linkSkills(record->skillmake, skillNames);
            for (const QString &skillName : std::as_const(skillNames)) {
                QTreeWidgetItem *&node = skills[skillName];
                if (!node) {
                    node = new QTreeWidgetItem(skillTree, QTreeWidgetItem::Type);
                    node->setText(0, skillName);
                }
                skillNodes.append(node);
            }
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

        progress.setValue(progress.value() + 1);
        if (progress.wasCanceled())
            return false;
        QCoreApplication::processEvents();
    }

    messages = withoutRepeats(messages);
    // Plain text: a message quoting an id that looks like markup must show as written.
    textBrowser->setPlainText(messages.join(QStringLiteral("\n")));
    return true;
}
