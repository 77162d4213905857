// SPDX-License-Identifier: MIT
#ifndef TAVREL_TAVREL_H
#define TAVREL_TAVREL_H

#include "app/tavrelclass.h"

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>

class ChangeDir;
class QProgressDialog;
class QSplitter;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class SI_item;

// The main window: the file and skill trees, the text browser, the settings dialog, the
// configuration and the results of the last load.
class Tavrel : public QMainWindow
{
    Q_OBJECT
    // FindSI hands records out through the meta-object, which needs their class whole.
    Q_MOC_INCLUDE("scripts/si_item.h")

public:
    explicit Tavrel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Tavrel() override;

public slots:
    void Load(bool);
    void Clear(bool);
    void Update(QStringList dirs, QString filter, QString h1, QString h2, QString h3);
    QList<SI_item *> FindSI(QString id);

protected slots:
    void itemClicked(QTreeWidgetItem *, int);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // A load and the report of a skill node process events while they walk the records and
    // nodes; nothing may destroy those meanwhile, and neither may start while the other runs.
    enum class Activity
    {
        Idle,
        Loading,
        Reporting
    };
    class ActivityScope
    {
    public:
        ActivityScope(Activity &activity, Activity running) : activity(activity)
        {
            activity = running;
        }
        ~ActivityScope() { activity = Activity::Idle; }
        ActivityScope(const ActivityScope &) = delete;
        ActivityScope &operator=(const ActivityScope &) = delete;

    private:
        Activity &activity;
    };

    // Writes the configuration and the windows' positions; false when a save failed and the
    // user chose to keep the window open.
    bool saveOrConfirmLoss();
    void resetResults();
    void releaseUnplacedRecords();

    TavrelClass ui;
    QSplitter *outerSplitter = nullptr;
    QSplitter *innerSplitter = nullptr;
    QTreeWidget *fileTree = nullptr;
    QTreeWidget *skillTree = nullptr;
    QTextBrowser *textBrowser = nullptr;
    ChangeDir *settingsDialog = nullptr;
    QStringList dirs;
    QMap<QString, SI_item *> items;
    QMap<QString, QTreeWidgetItem *> skills;
    QString filter;
    QStringList messages;
    QString h1;
    QString h2;
    QString h3;

    Activity activity = Activity::Idle;
    // The running load's dialog, so that closing the window can cancel the load.
    QPointer<QProgressDialog> loadProgress;
    // A settings dialog that was still waiting for an editor or preview window when the
    // window closed; it is destroyed with the window instead.
    QPointer<ChangeDir> closedDialog;
};

#endif
