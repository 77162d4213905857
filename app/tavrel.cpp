// SPDX-License-Identifier: MIT
#include "app/tavrel.h"

#include "core/config/configuration.h"
#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSplitter>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace tavrel;

namespace {
const QString configFile = QStringLiteral("./config.cfg");
} // namespace

Tavrel::Tavrel(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);

    outerSplitter = new QSplitter(Qt::Vertical, nullptr);
    innerSplitter = new QSplitter(Qt::Horizontal, nullptr);
    fileTree = new QTreeWidget(this);
    skillTree = new QTreeWidget(this);
    textBrowser = new QTextBrowser(this);
    outerSplitter->addWidget(innerSplitter);
    outerSplitter->addWidget(textBrowser);
    innerSplitter->addWidget(fileTree);
    innerSplitter->addWidget(skillTree);

    settingsDialog = new ChangeDir(nullptr);
    QWidgetSettings::WidgetSettings()->LoadStates(settingsDialog);

    auto *open = new QAction(tr("Open"), this);
    open->setShortcut(QKeySequence(QStringLiteral("CTRL+O")));
    connect(open, SIGNAL(triggered(bool)), this, SLOT(Load(bool)));
    ui.menuFile->addAction(open);

    auto *clear = new QAction(tr("Clear"), this);
    clear->setShortcut(QKeySequence(QStringLiteral("CTRL+W")));
    connect(clear, SIGNAL(triggered(bool)), this, SLOT(Clear(bool)));
    ui.menuFile->addAction(clear);

    ui.menuFile->addSeparator();

    auto *appSettings = new QAction(tr("App Settings"), this);
    appSettings->setShortcut(QKeySequence(QStringLiteral("CTRL+E")));
    connect(appSettings, SIGNAL(triggered(bool)), settingsDialog, SLOT(show(bool)));
    ui.menuFile->addAction(appSettings);

    auto *generate = new QAction(tr("Generate"), this);
    generate->setShortcut(QKeySequence(QStringLiteral("CTRL+G")));
    ui.menuReport->addAction(generate);
    generate->setEnabled(false);

    connect(settingsDialog, SIGNAL(onClose(QStringList, QString, QString, QString, QString)), this,
            SLOT(Update(QStringList, QString, QString, QString, QString)));
    connect(skillTree, SIGNAL(itemClicked(QTreeWidgetItem *, int)), this,
            SLOT(itemClicked(QTreeWidgetItem *, int)));

    setCentralWidget(outerSplitter);

    removeInterruptedSaves(configFile);
    const Configuration config = readConfiguration(configFile);
    dirs = config.dirs;
    filter = config.filter;
    h1 = config.h1;
    h2 = config.h2;
    h3 = config.h3;
    settingsDialog->setDirs(dirs);
    settingsDialog->setFilter(filter);
    settingsDialog->setHtml(h1, h2, h3);
}

Tavrel::~Tavrel()
{
    // The dialog is left when the window is destroyed without being closed, or when one of its
    // slots was still waiting at the close; the event loop has returned, so that slot has too.
    delete settingsDialog;
    delete closedDialog;

    QWidgetSettings *store = QWidgetSettings::WidgetSettings();
    store->SaveStates(this);
    delete store;

    releaseUnplacedRecords();
    delete textBrowser;
    delete skillTree;
    delete fileTree;
    delete innerSplitter;
    delete outerSplitter;
}

void Tavrel::Update(QStringList dirs, QString filter, QString h1, QString h2, QString h3)
{
    this->dirs = dirs;
    this->filter = filter;
    this->h1 = h1;
    this->h2 = h2;
    this->h3 = h3;
}

void Tavrel::closeEvent(QCloseEvent *event)
{
    if (!saveOrConfirmLoss()) {
        event->ignore();
        return;
    }

    if (settingsDialog) {
        if (settingsDialog->isWaiting()) {
            // Destroying it now would pull it from under the waiting slot.
            settingsDialog->hide();
            closedDialog = settingsDialog;
        } else {
            delete settingsDialog;
        }
        settingsDialog = nullptr;
    }

    // A running load ends at its next cancellation point, so the program can end.
    if (loadProgress)
        loadProgress->cancel();

    QMainWindow::closeEvent(event);
}

// A save that failed is said, and the user may keep the window open to set the file right.
bool Tavrel::saveOrConfirmLoss()
{
    QStringList failures;
    const SaveOutcome saved =
        writeConfiguration(configFile, Configuration{dirs, filter, h1, h2, h3});
    if (!saved.saved)
        failures.append(
            tr("The settings could not be saved: %1 %2.").arg(configFile, saved.problem));
    // The dialog's position goes first, as its destruction would save it; the window's own is
    // saved when it is destroyed, into a file that takes the dialog's.
    QWidgetSettings *store = QWidgetSettings::WidgetSettings();
    if (settingsDialog)
        store->SaveStates(settingsDialog);
    else
        store->SaveStates();
    if (!store->saveProblem().isEmpty())
        failures.append(tr("The window positions could not be saved: %1 %2.")
                            .arg(store->fileName(), store->saveProblem()));
    if (failures.isEmpty())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Tavrel"),
        failures.join(QLatin1Char('\n')) + QLatin1Char('\n') + tr("Close anyway?"),
        QMessageBox::Close | QMessageBox::Cancel, QMessageBox::Cancel);
    return answer == QMessageBox::Close;
}
