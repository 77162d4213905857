// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "scripts/si_item.h"
#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace tavrel;

namespace {

// Written out here rather than taken from the program, so that a changed default shows.
const QString headerDefault = QStringLiteral(
    "<TABLE border=1><TR vAlign=top><TD width=200 align=center><b><FONT "
    "color=Black>Name</FONT></b></TD><TD width=200 align=center><b><FONT "
    "color=Black>Resource</FONT></b></TD><TD width=200 align=center><b><FONT color=Black>Skill "
    "make</FONT></b></TD></TR>");
const QString itemDefault = QStringLiteral(
    "<TR vAlign=top><TD width=200><FONT color=Black>%NAME</FONT></b></TD><TD width=200><FONT "
    "color=Black>%RESOURCES</FONT></b></TD><TD width=200><FONT "
    "color=Black>%SKILLMAKE</FONT></b></TD></TR>");

struct Method
{
    QByteArray signature;
    QByteArray returnType;
    QMetaMethod::MethodType kind;
    QMetaMethod::Access access;
    QList<QByteArray> parameterNames;
};

void compareMethods(const QMetaObject &meta, const QList<Method> &expected)
{
    QCOMPARE(meta.methodCount() - meta.methodOffset(), int(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        const Method &want = expected.at(i);
        QCOMPARE(method.methodSignature(), want.signature);
        QCOMPARE(QByteArray(method.typeName()), want.returnType);
        QCOMPARE(method.methodType(), want.kind);
        QCOMPARE(method.access(), want.access);
        QCOMPARE(method.parameterNames(), want.parameterNames);
    }
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
}

// The values the file holds, read the way the program reads them.
QVariant fileValue(const QString &file, const QString &key)
{
    QSettings settings(file, QSettings::IniFormat);
    return settings.value(key);
}

QStringList keysOf(const QString &file, const QString &group)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    QStringList keys = settings.childKeys();
    keys.sort();
    return keys;
}

QStringList groupsOf(const QString &file)
{
    QSettings settings(file, QSettings::IniFormat);
    QStringList groups = settings.childGroups();
    groups.sort();
    return groups;
}

QWidget *editorWindow()
{
    return visibleWindowOfClass("QTextEdit");
}

// The five values the dialog hands on when it is closed.
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRun_windowAndDialogHaveDefaults();
    void firstRun_nothingWrittenWhileRunning();
    void firstRun_closeWritesBothFiles();
    void closing_writesDialogSectionBeforeWindowSection();
    void restart_restoresBothWindows();
    void sectionWithSizeOnly_movesToDefaultPosition_data();
    void sectionWithSizeOnly_movesToDefaultPosition();
    void exec_endsWithZeroWhenMainWindowCloses();
    void closingSettingsDialog_keepsProgramRunning();
    void menus_orderTextsAndShortcuts();
    void generate_disabledAndShortcutDoesNothing();
    void appSettings_showsTheOneDialog();
    void formObjectNames();
    void metaObject_tavrel();
    void metaObject_changeDir();
    void metaObject_widgetSettings();
    void clearBeforeAnyLoad_changesNothing();
    void closingWithDialogOpen_destroysDialogWithoutOnClose();
    void closingWhileEditorOpen_finishesEditorThenEnds();
    void closingWhilePreviewOpen_endsWhenPreviewCloses();
    void unwritableFiles_closeSaysWhatIsLost();
    void unsavedClose_cancelledKeepsWindowToSaveLater();
    void garbageFiles_giveDefaults();

private:
    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
};

void StartupTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
}

void StartupTest::cleanup()
{
    if (window)
        closeWindow(window);
    dir.reset();
}

void StartupTest::firstRun_windowAndDialogHaveDefaults()
{
    window = startWindow();

    QCOMPARE(window->objectName(), QStringLiteral("TavrelClass"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Tavrel"));
    QCOMPARE(window->size(), QSize(400, 400));
    QCOMPARE(window->pos(), QPoint(200, 200));
    QVERIFY(window->isVisible());

    ChangeDir *dialog = settingsDialog(window.get());
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->parent());
    QCOMPARE(dialog->size(), QSize(400, 400));
    QCOMPARE(dialog->pos(), QPoint(200, 200));
    findAction(window.get(), QStringLiteral("App Settings"))->trigger();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->size(), QSize(400, 400));
    QCOMPARE(dialog->pos(), QPoint(200, 200));

    QCOMPARE(dirEdit(dialog)->toPlainText(), QStringLiteral("./"));
    QCOMPARE(filterEdit(dialog)->text(), QStringLiteral("*"));
    const QList<QVariant> values = closeAndCapture(dialog);
    QCOMPARE(values.size(), 5);
    QCOMPARE(values.at(0).toStringList(), QStringList{QStringLiteral("./")});
    QCOMPARE(values.at(1).toString(), QStringLiteral("*"));
    QCOMPARE(values.at(2).toString(), headerDefault);
    QCOMPARE(values.at(3).toString(), itemDefault);
    QCOMPARE(values.at(4).toString(), QStringLiteral("</TABLE>"));
}

void StartupTest::firstRun_nothingWrittenWhileRunning()
{
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    dialog->show(true);
    dialog->move(30, 40);
    dialog->close();
    QCoreApplication::processEvents();

    QVERIFY(!dir->exists(QStringLiteral("config.cfg")));
    QVERIFY(!dir->exists(QStringLiteral("win_config.cfg")));
}

void StartupTest::firstRun_closeWritesBothFiles()
{
    window = startWindow();
    closeWindow(window);

    const QString config = QStringLiteral("config.cfg");
    QCOMPARE(groupsOf(config), (QStringList{QStringLiteral("HTML"), QStringLiteral("Settings")}));
    QCOMPARE(keysOf(config, QStringLiteral("Settings")),
             (QStringList{QStringLiteral("Dirs"), QStringLiteral("Filter")}));
    QCOMPARE(keysOf(config, QStringLiteral("HTML")),
             (QStringList{QStringLiteral("EndString"), QStringLiteral("HeaderString"),
                          QStringLiteral("ItemString")}));
    QCOMPARE(fileValue(config, QStringLiteral("Settings/Dirs")).toStringList(),
             QStringList{QStringLiteral("./")});
    QCOMPARE(fileValue(config, QStringLiteral("Settings/Filter")).toString(), QStringLiteral("*"));
    QCOMPARE(fileValue(config, QStringLiteral("HTML/HeaderString")).toString(), headerDefault);
    QCOMPARE(fileValue(config, QStringLiteral("HTML/ItemString")).toString(), itemDefault);
    QCOMPARE(fileValue(config, QStringLiteral("HTML/EndString")).toString(),
             QStringLiteral("</TABLE>"));

    const QString state = QStringLiteral("win_config.cfg");
    QCOMPARE(groupsOf(state),
             (QStringList{QStringLiteral("ChangeDirClass"), QStringLiteral("TavrelClass")}));
    const QStringList posAndSize{QStringLiteral("pos"), QStringLiteral("size")};
    QCOMPARE(keysOf(state, QStringLiteral("ChangeDirClass")), posAndSize);
    QCOMPARE(keysOf(state, QStringLiteral("TavrelClass")), posAndSize);
    QCOMPARE(fileValue(state, QStringLiteral("TavrelClass/size")).toSize(), QSize(400, 400));
    QCOMPARE(fileValue(state, QStringLiteral("TavrelClass/pos")).toPoint(), QPoint(200, 200));
    QCOMPARE(fileValue(state, QStringLiteral("ChangeDirClass/size")).toSize(), QSize(400, 400));
    QCOMPARE(fileValue(state, QStringLiteral("ChangeDirClass/pos")).toPoint(), QPoint(200, 200));
}

void StartupTest::closing_writesDialogSectionBeforeWindowSection()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());

    window->close();

    QVERIFY(dialog.isNull());
    QVERIFY(dir->exists(QStringLiteral("config.cfg")));
    QCOMPARE(groupsOf(QStringLiteral("win_config.cfg")),
             QStringList{QStringLiteral("ChangeDirClass")});

    window.reset();
    QCOMPARE(groupsOf(QStringLiteral("win_config.cfg")),
             (QStringList{QStringLiteral("ChangeDirClass"), QStringLiteral("TavrelClass")}));
    // The window's destructor deleted the store.
    QVERIFY(QWidgetSettings::WidgetSettings()->fileName().isEmpty());
    delete QWidgetSettings::WidgetSettings();
}

void StartupTest::restart_restoresBothWindows()
{
    window = startWindow();
    window->resize(520, 380);
    window->move(60, 70);
    ChangeDir *dialog = settingsDialog(window.get());
    dialog->show(true);
    dialog->resize(430, 310);
    dialog->move(150, 120);
    closeWindow(window);

    window = startWindow();
    QCOMPARE(window->size(), QSize(520, 380));
    QCOMPARE(window->pos(), QPoint(60, 70));
    dialog = settingsDialog(window.get());
    findAction(window.get(), QStringLiteral("App Settings"))->trigger();
    QCOMPARE(dialog->size(), QSize(430, 310));
    QCOMPARE(dialog->pos(), QPoint(150, 120));

    // Saved again at the second end, unchanged.
    closeWindow(window);
    QCOMPARE(
        fileValue(QStringLiteral("win_config.cfg"), QStringLiteral("TavrelClass/size")).toSize(),
        QSize(520, 380));
    QCOMPARE(
        fileValue(QStringLiteral("win_config.cfg"), QStringLiteral("ChangeDirClass/pos")).toPoint(),
        QPoint(150, 120));
}

void StartupTest::sectionWithSizeOnly_movesToDefaultPosition_data()
{
    QTest::addColumn<QString>("sectionName");

    QTest::newRow("main window") << QStringLiteral("TavrelClass");
    QTest::newRow("settings dialog") << QStringLiteral("ChangeDirClass");
}

void StartupTest::sectionWithSizeOnly_movesToDefaultPosition()
{
    QFETCH(QString, sectionName);
    dir->write(QStringLiteral("win_config.cfg"),
               "[" + sectionName.toUtf8() + "]\nsize=@Size(530 370)\n");

    window = startWindow();
    QWidget *restored = sectionName == QLatin1String("TavrelClass")
                            ? static_cast<QWidget *>(window.get())
                            : settingsDialog(window.get());
    QWidget *other = restored == window.get() ? static_cast<QWidget *>(settingsDialog(window.get()))
                                              : window.get();

    QCOMPARE(restored->size(), QSize(530, 370));
    QCOMPARE(restored->pos(), QPoint(200, 200));
    QCOMPARE(other->size(), QSize(400, 400));
    QCOMPARE(other->pos(), QPoint(200, 200));
}

void StartupTest::exec_endsWithZeroWhenMainWindowCloses()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());
    dialog->show(true);
    connect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    whenEventsRun([this] { window->close(); });

    const int code = QApplication::exec();

    disconnect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    QCOMPARE(code, 0);
    QVERIFY(!window->isVisible());
    QVERIFY(dialog.isNull());
    QVERIFY(dir->exists(QStringLiteral("config.cfg")));
    window.reset();
    QCOMPARE(groupsOf(QStringLiteral("win_config.cfg")),
             (QStringList{QStringLiteral("ChangeDirClass"), QStringLiteral("TavrelClass")}));
}

void StartupTest::closingSettingsDialog_keepsProgramRunning()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());
    dialog->show(true);
    connect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    bool runningAfterDialogClosed = false;
    whenEventsRun([&] {
        dialog->close();
        whenEventsRun([&] {
            runningAfterDialogClosed = window->isVisible() && !dialog.isNull();
            window->close();
        });
    });

    const int code = QApplication::exec();
    disconnect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));

    QCOMPARE(code, 0);
    QVERIFY(runningAfterDialogClosed);
}

void StartupTest::menus_orderTextsAndShortcuts()
{
    window = startWindow();
    QMenuBar *bar = window->menuBar();
    QCOMPARE(bar->objectName(), QStringLiteral("menuBar"));

    const QList<QAction *> menus = bar->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus.at(0)->text(), QStringLiteral("File"));
    QCOMPARE(menus.at(1)->text(), QStringLiteral("Report"));
    QCOMPARE(menus.at(0)->menu()->objectName(), QStringLiteral("menuFile"));
    QCOMPARE(menus.at(1)->menu()->objectName(), QStringLiteral("menuReport"));

    const QList<QAction *> file = menus.at(0)->menu()->actions();
    QCOMPARE(file.size(), 4);
    QCOMPARE(file.at(0)->text(), QStringLiteral("Open"));
    QCOMPARE(file.at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(file.at(1)->text(), QStringLiteral("Clear"));
    QCOMPARE(file.at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    QVERIFY(file.at(2)->isSeparator());
    QCOMPARE(file.at(3)->text(), QStringLiteral("App Settings"));
    QCOMPARE(file.at(3)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    for (int i : {0, 1, 3}) {
        QVERIFY(file.at(i)->isEnabled());
        QCOMPARE(file.at(i)->parent(), window.get());
        QVERIFY(file.at(i)->objectName().isEmpty());
    }

    const QList<QAction *> report = menus.at(1)->menu()->actions();
    QCOMPARE(report.size(), 1);
    QCOMPARE(report.at(0)->text(), QStringLiteral("Generate"));
    QCOMPARE(report.at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    QVERIFY(!report.at(0)->isEnabled());
    QCOMPARE(report.at(0)->parent(), window.get());
}

void StartupTest::generate_disabledAndShortcutDoesNothing()
{
    window = startWindow();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QAction *generate = findAction(window.get(), QStringLiteral("Generate"));
    QVERIFY(generate);
    QSignalSpy triggered(generate, SIGNAL(triggered(bool)));
    const QList<QWidget *> before = QApplication::topLevelWidgets();

    QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
    QCoreApplication::processEvents();

    QCOMPARE(triggered.count(), 0);
    QVERIFY(!generate->isEnabled());
    QCOMPARE(QApplication::topLevelWidgets().size(), before.size());
    QVERIFY(textBrowser(window.get())->toPlainText().isEmpty());

    // The same way of pressing a shortcut does reach an enabled action.
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(settingsDialog(window.get())->isVisible());
}

void StartupTest::appSettings_showsTheOneDialog()
{
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    QAction *appSettings = findAction(window.get(), QStringLiteral("App Settings"));
    const int windows = QApplication::topLevelWidgets().size();

    appSettings->trigger();
    appSettings->trigger();

    QVERIFY(dialog->isVisible());
    QCOMPARE(settingsDialog(window.get()), dialog);
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    QVERIFY(window->isVisible());
    QVERIFY(!dialog->isModal());
}

void StartupTest::formObjectNames()
{
    window = startWindow();
    QVERIFY(window->findChild<QToolBar *>(QStringLiteral("mainToolBar")));
    QCOMPARE(window->toolBarArea(window->findChild<QToolBar *>(QStringLiteral("mainToolBar"))),
             Qt::TopToolBarArea);
    QVERIFY(window->findChild<QToolBar *>(QStringLiteral("mainToolBar"))->actions().isEmpty());
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));
    QVERIFY(window->statusBar()->currentMessage().isEmpty());
    // The splitters replaced the form's central widget.
    QVERIFY(window->centralWidget()->objectName().isEmpty());
    QVERIFY(fileTree(window.get()));
    QVERIFY(skillTree(window.get()));
    QVERIFY(textBrowser(window.get()));
    QCOMPARE(fileTree(window.get())->columnCount(), 1);
    QCOMPARE(skillTree(window.get())->columnCount(), 1);
    QVERIFY(!skillTree(window.get())->isSortingEnabled());
}

void StartupTest::metaObject_tavrel()
{
    const QList<Method> expected{
        {"Load(bool)", "void", QMetaMethod::Slot, QMetaMethod::Public, {QByteArray()}},
        {"Clear(bool)", "void", QMetaMethod::Slot, QMetaMethod::Public, {QByteArray()}},
        {"Update(QStringList,QString,QString,QString,QString)",
         "void",
         QMetaMethod::Slot,
         QMetaMethod::Public,
         {"dirs", "filter", "h1", "h2", "h3"}},
        {"FindSI(QString)", "QList<SI_item*>", QMetaMethod::Slot, QMetaMethod::Public, {"id"}},
        {"itemClicked(QTreeWidgetItem*,int)",
         "void",
         QMetaMethod::Slot,
         QMetaMethod::Protected,
         {QByteArray(), QByteArray()}},
    };
    compareMethods(Tavrel::staticMetaObject, expected);
    QCOMPARE(Tavrel::staticMetaObject.className(), "Tavrel");
    QCOMPARE(Tavrel::staticMetaObject.superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(Tavrel::staticMetaObject.classInfoCount(), Tavrel::staticMetaObject.classInfoOffset());
}

void StartupTest::metaObject_changeDir()
{
    const QList<Method> expected{
        {"onClose(QStringList,QString,QString,QString,QString)",
         "void",
         QMetaMethod::Signal,
         QMetaMethod::Public,
         {"dirs", "filter", "h1", "h2", "h3"}},
        {"show(bool)", "void", QMetaMethod::Slot, QMetaMethod::Public, {QByteArray()}},
        {"setDirs(QStringList)", "void", QMetaMethod::Slot, QMetaMethod::Public, {"dirs"}},
        {"setFilter(QString)", "void", QMetaMethod::Slot, QMetaMethod::Public, {"filter"}},
        {"setHtml(QString,QString,QString)",
         "void",
         QMetaMethod::Slot,
         QMetaMethod::Public,
         {"h1", "h2", "h3"}},
        {"changedirButton_click()", "void", QMetaMethod::Slot, QMetaMethod::Protected, {}},
        {"setTextH1_click()", "void", QMetaMethod::Slot, QMetaMethod::Protected, {}},
        {"setTextH2_click()", "void", QMetaMethod::Slot, QMetaMethod::Protected, {}},
        {"setTextH3_click()", "void", QMetaMethod::Slot, QMetaMethod::Protected, {}},
        {"preview_click()", "void", QMetaMethod::Slot, QMetaMethod::Protected, {}},
    };
    compareMethods(ChangeDir::staticMetaObject, expected);
    QCOMPARE(ChangeDir::staticMetaObject.className(), "ChangeDir");
    QCOMPARE(ChangeDir::staticMetaObject.superClass(), &QWidget::staticMetaObject);
}

void StartupTest::metaObject_widgetSettings()
{
    const QList<Method> expected{
        {"LoadStates(QWidget*)", "bool", QMetaMethod::Slot, QMetaMethod::Public, {"widget"}},
        {"LoadStates()", "bool", QMetaMethod::Slot, QMetaMethod::Public, {}},
        {"SaveStates(QWidget*)", "bool", QMetaMethod::Slot, QMetaMethod::Public, {"widget"}},
        {"SaveStates()", "bool", QMetaMethod::Slot, QMetaMethod::Public, {}},
        {"LoadStates(QSplitter*)", "bool", QMetaMethod::Slot, QMetaMethod::Public, {"splitter"}},
        {"SaveStates(QSplitter*)", "bool", QMetaMethod::Slot, QMetaMethod::Public, {"splitter"}},
        {"WidgetSettings()", "QWidgetSettings*", QMetaMethod::Slot, QMetaMethod::Public, {}},
    };
    compareMethods(QWidgetSettings::staticMetaObject, expected);
    QCOMPARE(QWidgetSettings::staticMetaObject.className(), "QWidgetSettings");
    QCOMPARE(QWidgetSettings::staticMetaObject.superClass(), &QSettings::staticMetaObject);
    // The two calls without an argument are the clones that default the widget to null.
    const QMetaObject &meta = QWidgetSettings::staticMetaObject;
    QVERIFY(meta.method(meta.methodOffset() + 1).attributes() & QMetaMethod::Cloned);
    QVERIFY(meta.method(meta.methodOffset() + 3).attributes() & QMetaMethod::Cloned);
}

void StartupTest::clearBeforeAnyLoad_changesNothing()
{
    window = startWindow();
    const int windows = QApplication::topLevelWidgets().size();

    QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
    findAction(window.get(), QStringLiteral("Clear"))->trigger();

    QVERIFY(window->isVisible());
    QCOMPARE(skillTree(window.get())->topLevelItemCount(), 0);
    QCOMPARE(fileTree(window.get())->topLevelItemCount(), 0);
    QVERIFY(textBrowser(window.get())->toPlainText().isEmpty());
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    QList<SI_item *> found{nullptr};
    QVERIFY(QMetaObject::invokeMethod(window.get(), "FindSI", Q_RETURN_ARG(QList<SI_item *>, found),
                                      Q_ARG(QString, QStringLiteral("global_type"))));
    QVERIFY(found.isEmpty());
}

void StartupTest::closingWithDialogOpen_destroysDialogWithoutOnClose()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());
    findAction(window.get(), QStringLiteral("App Settings"))->trigger();
    dialog->move(90, 80);
    dirEdit(dialog)->setPlainText(QStringLiteral("unsaved/dir"));
    filterEdit(dialog)->setText(QStringLiteral("*.unsaved"));
    int emitted = 0;
    connect(dialog, &ChangeDir::onClose, this, [&emitted] { ++emitted; });

    window->close();

    QVERIFY(dialog.isNull());
    QCOMPARE(emitted, 0);
    QCOMPARE(
        fileValue(QStringLiteral("config.cfg"), QStringLiteral("Settings/Dirs")).toStringList(),
        QStringList{QStringLiteral("./")});
    QCOMPARE(fileValue(QStringLiteral("config.cfg"), QStringLiteral("Settings/Filter")).toString(),
             QStringLiteral("*"));
    QCOMPARE(
        fileValue(QStringLiteral("win_config.cfg"), QStringLiteral("ChangeDirClass/pos")).toPoint(),
        QPoint(90, 80));
}

void StartupTest::closingWhileEditorOpen_finishesEditorThenEnds()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());
    dialog->show(true);
    dialog->move(70, 60);
    connect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    QSignalSpy lastClosed(qApp, SIGNAL(lastWindowClosed()));

    bool editorSeen = false;
    bool dialogAliveAfterWindowClosed = false;
    int lastClosedWhileEditorOpen = -1;
    QList<QVariant> writtenBack;

    whenEventsRun([&] {
        whenEventsRun([&] {
            auto *editor = qobject_cast<QTextEdit *>(editorWindow());
            editorSeen = editor != nullptr;
            if (!editor) {
                QApplication::exit(1);
                return;
            }
            editor->setPlainText(QStringLiteral("edited header"));
            window->close();
            // The window is gone, the editor and the dialog behind it are not.
            whenEventsRun([&, editor] {
                dialogAliveAfterWindowClosed = !dialog.isNull();
                lastClosedWhileEditorOpen = lastClosed.count();
                editor->close();
            });
        });
        button(dialog, "sethButton")->click();
        // The slot has returned: the edited text is in the dialog, which still exists.
        if (dialog)
            writtenBack = closeAndCapture(dialog);
    });

    const int code = QApplication::exec();
    disconnect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));

    QCOMPARE(code, 0);
    QVERIFY(editorSeen);
    QVERIFY(dialogAliveAfterWindowClosed);
    QCOMPARE(lastClosedWhileEditorOpen, 0);
    QCOMPARE(writtenBack.size(), 5);
    QCOMPARE(writtenBack.at(2).toString(), QStringLiteral("edited header"));
    QVERIFY(!dialog.isNull());

    window.reset();
    QVERIFY(dialog.isNull());
    QCOMPARE(
        fileValue(QStringLiteral("config.cfg"), QStringLiteral("HTML/HeaderString")).toString(),
        defaultHeaderTemplate());
    QCOMPARE(
        fileValue(QStringLiteral("win_config.cfg"), QStringLiteral("ChangeDirClass/pos")).toPoint(),
        QPoint(70, 60));
    QVERIFY(!editorWindow());
}

void StartupTest::closingWhilePreviewOpen_endsWhenPreviewCloses()
{
    window = startWindow();
    QPointer<ChangeDir> dialog = settingsDialog(window.get());
    dialog->show(true);
    connect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));
    bool previewSeen = false;
    bool runningAfterWindowClosed = false;

    whenEventsRun([&] {
        whenEventsRun([&] {
            QWidget *preview = visibleWindowOfClass("QTextBrowser");
            previewSeen = preview != nullptr;
            if (!preview) {
                QApplication::exit(1);
                return;
            }
            window->close();
            whenEventsRun([&, preview] {
                runningAfterWindowClosed = !dialog.isNull() && preview->isVisible();
                preview->close();
            });
        });
        button(dialog, "previewButton")->click();
    });

    const int code = QApplication::exec();
    disconnect(qApp, SIGNAL(lastWindowClosed()), qApp, SLOT(quit()));

    QCOMPARE(code, 0);
    QVERIFY(previewSeen);
    QVERIFY(runningAfterWindowClosed);
    QVERIFY(!dialog.isNull());
    window.reset();
    QVERIFY(dialog.isNull());
    QCOMPARE(groupsOf(QStringLiteral("win_config.cfg")),
             (QStringList{QStringLiteral("ChangeDirClass"), QStringLiteral("TavrelClass")}));
}

void StartupTest::unwritableFiles_closeSaysWhatIsLost()
{
    // Directories in place of the two files: neither can be written.
    QVERIFY(QDir().mkdir(QStringLiteral("config.cfg")));
    QVERIFY(QDir().mkdir(QStringLiteral("win_config.cfg")));

    window = startWindow();
    QCOMPARE(window->size(), QSize(400, 400));
    QCOMPARE(dirEdit(settingsDialog(window.get()))->toPlainText(), QStringLiteral("./"));
    window->Update({QStringLiteral("lost")}, QStringLiteral("*.lost"), QString(), QString(),
                   QString());
    const QString warning = closeWindowThroughWarning(window);
    QVERIFY2(warning.contains(QLatin1String("./config.cfg is a directory")), qPrintable(warning));
    QVERIFY2(warning.contains(QLatin1String("./win_config.cfg is a directory")),
             qPrintable(warning));

    QVERIFY(QFileInfo(QStringLiteral("config.cfg")).isDir());
    QVERIFY(QFileInfo(QStringLiteral("win_config.cfg")).isDir());
    window = startWindow();
    QCOMPARE(filterEdit(settingsDialog(window.get()))->text(), QStringLiteral("*"));
    QVERIFY(!closeWindowThroughWarning(window).isEmpty());
}

void StartupTest::unsavedClose_cancelledKeepsWindowToSaveLater()
{
    QVERIFY(QDir().mkdir(QStringLiteral("config.cfg")));
    window = startWindow();
    window->Update({QStringLiteral("kept")}, QStringLiteral("*.kept"), QString(), QString(),
                   QString());

    QVERIFY(!closeWindowThroughWarning(window, false).isEmpty());
    QVERIFY(window && window->isVisible());
    QVERIFY(settingsDialog(window.get()));
    // Set right, the file takes the values at the next close.
    QVERIFY(QDir().rmdir(QStringLiteral("config.cfg")));
    QCOMPARE(closeWindowThroughWarning(window), QString());
    QCOMPARE(fileValue(QStringLiteral("config.cfg"), QStringLiteral("Settings/Filter")).toString(),
             QStringLiteral("*.kept"));
}

void StartupTest::garbageFiles_giveDefaults()
{
    static const char garbage[] = "\x00\xff\xfe[[[\n==\n\x01garbage";
    dir->write(QStringLiteral("config.cfg"), QByteArray(garbage, sizeof garbage - 1));
    dir->write(QStringLiteral("win_config.cfg"), "not an ini file at all\n[\n=\n");

    window = startWindow();

    QCOMPARE(window->size(), QSize(400, 400));
    QCOMPARE(window->pos(), QPoint(200, 200));
    ChangeDir *dialog = settingsDialog(window.get());
    QCOMPARE(dirEdit(dialog)->toPlainText(), QStringLiteral("./"));
    QCOMPARE(filterEdit(dialog)->text(), QStringLiteral("*"));
    const QList<QVariant> values = closeAndCapture(dialog);
    QCOMPARE(values.value(2).toString(), defaultHeaderTemplate());
    QCOMPARE(values.value(3).toString(), defaultItemTemplate());
    QCOMPARE(values.value(4).toString(), defaultEndTemplate());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
