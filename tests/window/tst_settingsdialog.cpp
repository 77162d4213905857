// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// What the directory chooser showed when it opened, and how it was left.
struct ChooserVisit
{
    bool seen = false;
    QString caption;
    QString directory;
    bool directoriesOnly = false;
    bool isDirectoryMode = false;
    QWidget *parent = nullptr;
};

// Answers the next directory chooser: selects `choice` and accepts, or cancels when it is empty.
void answerChooser(ChooserVisit &visit, const QString &choice)
{
    whenEventsRun([&visit, choice] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        visit.seen = true;
        visit.caption = chooser->windowTitle();
        visit.directory = chooser->directory().absolutePath();
        visit.directoriesOnly = chooser->testOption(QFileDialog::ShowDirsOnly);
        visit.isDirectoryMode = chooser->fileMode() == QFileDialog::Directory;
        visit.parent = chooser->parentWidget();
        if (choice.isEmpty()) {
            chooser->reject();
            return;
        }
        chooser->setDirectory(choice);
        chooser->selectFile(choice);
        static_cast<QDialog *>(chooser)->accept();
    });
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form_objectNamesInCreationOrder();
    void form_focusFollowsCreationOrder();
    void form_textsAndTitle();
    void form_gridPositionsAndSpans_data();
    void form_gridPositionsAndSpans();
    void form_layoutsAndWidgetSettings();
    void onClose_values_data();
    void onClose_values();
    void onClose_emittedOnEveryClose();
    void setDirs_appendsAfterExistingText();
    void setDirs_keepsMarkupAsText();
    void setFilter_replacesText();
    void setHtml_changesNothingOnTheForm();
    void show_withEitherArgumentShows_data();
    void show_withEitherArgumentShows();
    void closing_onlyHides();
    void browse_startsInLastLine_data();
    void browse_startsInLastLine();
    void browse_emptyLastLine_passesEmptyStart_data();
    void browse_emptyLastLine_passesEmptyStart();
    void browse_appendsChosenDirectory();
    void browse_repeatedStartsWhereLastOneEnded();
    void browse_cancelAppendsNothing_data();
    void browse_cancelAppendsNothing();
    void destructor_savesGeometry();

private:
    // The directory chooser keeps its history in the user's settings; keep that out of $HOME.
    QTemporaryDir userSettings;
    std::unique_ptr<WorkingDirectory> dir;
    QWidgetSettings *store = nullptr;
    std::unique_ptr<ChangeDir> dialog;
};

void SettingsDialogTest::initTestCase()
{
    QVERIFY(userSettings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, userSettings.path());
}

void SettingsDialogTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
    store = new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    dialog = std::make_unique<ChangeDir>(nullptr);
}

void SettingsDialogTest::cleanup()
{
    dialog.reset();
    delete store;
    store = nullptr;
    dir.reset();
}

void SettingsDialogTest::form_objectNamesInCreationOrder()
{
    QCOMPARE(dialog->objectName(), QStringLiteral("ChangeDirClass"));
    QStringList names;
    for (QObject *child : dialog->children()) {
        if (child->isWidgetType())
            names.append(child->objectName());
    }
    QCOMPARE(names, (QStringList{QStringLiteral("line"), QStringLiteral("sethButton"),
                                 QStringLiteral("label"), QStringLiteral("seteButton"),
                                 QStringLiteral("lineEdit"), QStringLiteral("changedirButton"),
                                 QStringLiteral("setiButton"), QStringLiteral("dirEdit"),
                                 QStringLiteral("previewButton")}));
    QVERIFY(qobject_cast<QFrame *>(dialog->findChild<QWidget *>(QStringLiteral("line"))));
    QVERIFY(qobject_cast<QLabel *>(dialog->findChild<QWidget *>(QStringLiteral("label"))));
    QVERIFY(filterEdit(dialog.get()));
    QVERIFY(dirEdit(dialog.get()));
    for (const char *name :
         {"sethButton", "seteButton", "changedirButton", "setiButton", "previewButton"})
        QVERIFY2(button(dialog.get(), name), name);
}

void SettingsDialogTest::form_focusFollowsCreationOrder()
{
    // The editor's viewport and scroll bars sit in the chain too; the form's widgets are the
    // dialog's direct children.
    QStringList chain;
    for (QWidget *w = dialog->nextInFocusChain(); w != dialog.get(); w = w->nextInFocusChain()) {
        if (w->parentWidget() == dialog.get())
            chain.append(w->objectName());
    }
    QCOMPARE(chain, (QStringList{QStringLiteral("line"), QStringLiteral("sethButton"),
                                 QStringLiteral("label"), QStringLiteral("seteButton"),
                                 QStringLiteral("lineEdit"), QStringLiteral("changedirButton"),
                                 QStringLiteral("setiButton"), QStringLiteral("dirEdit"),
                                 QStringLiteral("previewButton")}));

    // Tab walks the widgets that take focus in the same order.
    dialog->show(true);
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    button(dialog.get(), "sethButton")->setFocus();
    QStringList tabbed{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(tabbed, (QStringList{QStringLiteral("sethButton"), QStringLiteral("seteButton"),
                                  QStringLiteral("lineEdit"), QStringLiteral("changedirButton"),
                                  QStringLiteral("setiButton")}));
}

void SettingsDialogTest::form_textsAndTitle()
{
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
    QCOMPARE(button(dialog.get(), "sethButton")->text(), QStringLiteral("set header text"));
    QCOMPARE(button(dialog.get(), "setiButton")->text(), QStringLiteral("set item text"));
    QCOMPARE(button(dialog.get(), "seteButton")->text(), QStringLiteral("set end text"));
    QCOMPARE(button(dialog.get(), "previewButton")->text(), QStringLiteral("Preview"));
    QCOMPARE(button(dialog.get(), "changedirButton")->text(), QStringLiteral("Browse"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("label"))->text(),
             QStringLiteral("File filter"));
    QVERIFY(filterEdit(dialog.get())->text().isEmpty());
    QVERIFY(dirEdit(dialog.get())->toPlainText().isEmpty());
    auto *line = dialog->findChild<QFrame *>(QStringLiteral("line"));
    QCOMPARE(line->frameShape(), QFrame::VLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);
    const QSizePolicy policy = button(dialog.get(), "changedirButton")->sizePolicy();
    QCOMPARE(policy.horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(policy.verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(policy.horizontalStretch(), 0);
    QCOMPARE(policy.verticalStretch(), 0);
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->parent());
    QVERIFY(!dialog->isModal());
}

void SettingsDialogTest::form_gridPositionsAndSpans_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");
    QTest::addColumn<int>("columnSpan");

    QTest::newRow("line") << QStringLiteral("line") << 5 << 2 << 1 << 2;
    QTest::newRow("sethButton") << QStringLiteral("sethButton") << 0 << 5 << 1 << 3;
    QTest::newRow("label") << QStringLiteral("label") << 5 << 0 << 1 << 1;
    QTest::newRow("seteButton") << QStringLiteral("seteButton") << 2 << 5 << 1 << 3;
    QTest::newRow("lineEdit") << QStringLiteral("lineEdit") << 5 << 1 << 1 << 1;
    QTest::newRow("changedirButton") << QStringLiteral("changedirButton") << 5 << 4 << 1 << 1;
    QTest::newRow("setiButton") << QStringLiteral("setiButton") << 1 << 5 << 1 << 3;
    QTest::newRow("dirEdit") << QStringLiteral("dirEdit") << 0 << 0 << 5 << 5;
    QTest::newRow("previewButton") << QStringLiteral("previewButton") << 3 << 5 << 1 << 3;
}

void SettingsDialogTest::form_gridPositionsAndSpans()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);
    QFETCH(int, columnSpan);

    auto *inner = dialog->findChild<QGridLayout *>(QStringLiteral("gridLayout1"));
    QVERIFY(inner);
    QWidget *widget = dialog->findChild<QWidget *>(name);
    QVERIFY(widget);
    const int index = inner->indexOf(widget);
    QVERIFY(index >= 0);
    int r = -1, c = -1, rs = -1, cs = -1;
    inner->getItemPosition(index, &r, &c, &rs, &cs);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(rs, rowSpan);
    QCOMPARE(cs, columnSpan);
    QCOMPARE(int(inner->itemAt(index)->alignment()), 0);
}

void SettingsDialogTest::form_layoutsAndWidgetSettings()
{
    auto *outer = qobject_cast<QGridLayout *>(dialog->layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("gridLayout"));
    QCOMPARE(outer->spacing(), 6);
    QCOMPARE(outer->contentsMargins(), QMargins(9, 9, 9, 9));
    QCOMPARE(outer->count(), 1);
    auto *inner = qobject_cast<QGridLayout *>(outer->itemAt(0)->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("gridLayout1"));
    QCOMPARE(inner->spacing(), 6);
    QCOMPARE(inner->contentsMargins(), QMargins(0, 0, 0, 0));
    int r = -1, c = -1, rs = -1, cs = -1;
    outer->getItemPosition(0, &r, &c, &rs, &cs);
    QCOMPARE(QList<int>({r, c, rs, cs}), QList<int>({0, 0, 1, 1}));
    QCOMPARE(inner->count(), 9);
    QCOMPARE(dialog->size(), QSize(485, 288).expandedTo(dialog->minimumSizeHint()));
}

void SettingsDialogTest::onClose_values_data()
{
    QTest::addColumn<QString>("dirText");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("dirs");

    QTest::newRow("empty box") << QString() << QString() << QStringList{QString()};
    QTest::newRow("one directory") << QStringLiteral("scripts") << QStringLiteral("*")
                                   << QStringList{QStringLiteral("scripts")};
    QTest::newRow("trailing line break")
        << QStringLiteral("scripts\nmore\n") << QStringLiteral("*.scp")
        << QStringList{QStringLiteral("scripts"), QStringLiteral("more"), QString()};
    QTest::newRow("blank lines in the middle")
        << QStringLiteral("a\n\n\nb") << QStringLiteral("*")
        << QStringList{QStringLiteral("a"), QString(), QString(), QStringLiteral("b")};
    QTest::newRow("blanks kept") << QStringLiteral("  a \n\tb\t\n ")
                                 << QStringLiteral(" *.scp , *.txt ")
                                 << QStringList{QStringLiteral("  a "), QStringLiteral("\tb\t"),
                                                QStringLiteral(" ")};
    QTest::newRow("filter of blanks only")
        << QStringLiteral("x") << QStringLiteral("   ") << QStringList{QStringLiteral("x")};
    QTest::newRow("markup and per-cent")
        << QStringLiteral("<b>dir</b>\n100%") << QStringLiteral("<i>*</i>")
        << QStringList{QStringLiteral("<b>dir</b>"), QStringLiteral("100%")};
    QTest::newRow("backslashes") << QStringLiteral("scripts\\items") << QStringLiteral("*")
                                 << QStringList{QStringLiteral("scripts\\items")};
}

void SettingsDialogTest::onClose_values()
{
    QFETCH(QString, dirText);
    QFETCH(QString, filter);
    QFETCH(QStringList, dirs);
    dialog->setHtml(QStringLiteral("head"), QStringLiteral("item %NAME"), QStringLiteral("end"));
    dialog->show(true);
    dirEdit(dialog.get())->setPlainText(dirText);
    filterEdit(dialog.get())->setText(filter);

    const QList<QVariant> values = closeAndCapture(dialog.get());

    QCOMPARE(values.size(), 5);
    QCOMPARE(values.at(0).toStringList(), dirs);
    QCOMPARE(values.at(1).toString(), filter);
    QCOMPARE(values.at(2).toString(), QStringLiteral("head"));
    QCOMPARE(values.at(3).toString(), QStringLiteral("item %NAME"));
    QCOMPARE(values.at(4).toString(), QStringLiteral("end"));
}

void SettingsDialogTest::onClose_emittedOnEveryClose()
{
    QSignalSpy spy(dialog.get(), SIGNAL(onClose(QStringList, QString, QString, QString, QString)));
    dialog->setDirs({QStringLiteral("a")});
    dialog->setFilter(QStringLiteral("*"));

    for (int i = 0; i < 3; ++i) {
        dialog->show(true);
        dialog->close();
    }

    QCOMPARE(spy.count(), 3);
    for (const QList<QVariant> &values : std::as_const(spy))
        QCOMPARE(values.at(0).toStringList(), QStringList{QStringLiteral("a")});
}

void SettingsDialogTest::setDirs_appendsAfterExistingText()
{
    dialog->setDirs({QStringLiteral("first"), QStringLiteral("second")});
    QCOMPARE(dirEdit(dialog.get())->toPlainText(), QStringLiteral("first\nsecond"));

    dialog->setDirs({QStringLiteral("third")});
    QCOMPARE(dirEdit(dialog.get())->toPlainText(), QStringLiteral("first\nsecond\nthird"));

    dirEdit(dialog.get())->setPlainText(QStringLiteral("typed"));
    dialog->setDirs({QStringLiteral("x"), QString(), QStringLiteral("y")});
    QCOMPARE(dirEdit(dialog.get())->toPlainText(), QStringLiteral("typed\nx\n\ny"));

    const QList<QVariant> values = closeAndCapture(dialog.get());
    QCOMPARE(values.at(0).toStringList(), (QStringList{QStringLiteral("typed"), QStringLiteral("x"),
                                                       QString(), QStringLiteral("y")}));
}

void SettingsDialogTest::setDirs_keepsMarkupAsText()
{
    const QStringList dirs{QStringLiteral("<b>bold</b>"), QStringLiteral("a &amp; b"),
                           QStringLiteral("<p>para</p>")};
    dialog->setDirs(dirs);

    QCOMPARE(dirEdit(dialog.get())->toPlainText(), dirs.join(QLatin1Char('\n')));
    QCOMPARE(closeAndCapture(dialog.get()).at(0).toStringList(), dirs);
}

void SettingsDialogTest::setFilter_replacesText()
{
    dialog->setFilter(QStringLiteral("*.a"));
    dialog->setFilter(QStringLiteral(" *.b, *.c "));
    QCOMPARE(filterEdit(dialog.get())->text(), QStringLiteral(" *.b, *.c "));
}

void SettingsDialogTest::setHtml_changesNothingOnTheForm()
{
    dialog->setDirs({QStringLiteral("d")});
    dialog->setFilter(QStringLiteral("f"));

    dialog->setHtml(QStringLiteral("<h1>x</h1>"), QStringLiteral("%NAME"), QString());

    QCOMPARE(dirEdit(dialog.get())->toPlainText(), QStringLiteral("d"));
    QCOMPARE(filterEdit(dialog.get())->text(), QStringLiteral("f"));
    const QList<QVariant> values = closeAndCapture(dialog.get());
    QCOMPARE(values.at(2).toString(), QStringLiteral("<h1>x</h1>"));
    QCOMPARE(values.at(3).toString(), QStringLiteral("%NAME"));
    QCOMPARE(values.at(4).toString(), QString());
}

void SettingsDialogTest::show_withEitherArgumentShows_data()
{
    QTest::addColumn<bool>("argument");
    QTest::newRow("true") << true;
    QTest::newRow("false") << false;
}

void SettingsDialogTest::show_withEitherArgumentShows()
{
    QFETCH(bool, argument);

    dialog->show(argument);
    QVERIFY(dialog->isVisible());
    dialog->close();
    QVERIFY(!dialog->isVisible());

    // The way the "App Settings" action reaches it.
    QVERIFY(QMetaObject::invokeMethod(dialog.get(), "show", Q_ARG(bool, argument)));
    QVERIFY(dialog->isVisible());
}

void SettingsDialogTest::closing_onlyHides()
{
    QPointer<ChangeDir> watched = dialog.get();
    dialog->show(true);
    dialog->close();
    QCoreApplication::processEvents();
    QVERIFY(!watched.isNull());
    QVERIFY(!dialog->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!dir->exists(QStringLiteral("win_config.cfg")));
}

void SettingsDialogTest::browse_startsInLastLine_data()
{
    QTest::addColumn<QString>("dirText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one line") << QStringLiteral("%1/second") << QStringLiteral("second");
    QTest::newRow("two lines") << QStringLiteral("%1/first\n%1/second") << QStringLiteral("second");
    QTest::newRow("relative last line")
        << QStringLiteral("first\nsecond") << QStringLiteral("second");
    QTest::newRow("blank line before")
        << QStringLiteral("first\n\nfirst/inner") << QStringLiteral("first/inner");
}

void SettingsDialogTest::browse_startsInLastLine()
{
    QFETCH(QString, dirText);
    QFETCH(QString, expected);
    QDir().mkpath(QStringLiteral("first/inner"));
    QDir().mkpath(QStringLiteral("second"));
    dialog->show(true);
    const QString text = QString(dirText).replace(QLatin1String("%1"), dir->path());
    dirEdit(dialog.get())->setPlainText(text);

    ChooserVisit visit;
    answerChooser(visit, QString());
    button(dialog.get(), "changedirButton")->click();

    QVERIFY(visit.seen);
    QCOMPARE(canonical(visit.directory), canonical(expected));
    QCOMPARE(visit.caption, QStringLiteral("Change directory"));
    QVERIFY(visit.directoriesOnly);
    QVERIFY(visit.isDirectoryMode);
    QCOMPARE(visit.parent, dialog.get());
    QCOMPARE(dirEdit(dialog.get())->toPlainText(), text);
}

// An empty last line passes an empty start directory, with which the chooser opens where the
// previous chooser was; "./" would open it in the working directory.
void SettingsDialogTest::browse_emptyLastLine_passesEmptyStart_data()
{
    QTest::addColumn<QString>("dirText");

    QTest::newRow("empty box") << QString();
    QTest::newRow("trailing line break") << QStringLiteral("first\n");
}

void SettingsDialogTest::browse_emptyLastLine_passesEmptyStart()
{
    QFETCH(QString, dirText);
    QDir().mkpath(QStringLiteral("first"));
    QDir().mkpath(QStringLiteral("previous"));
    dialog->show(true);
    dirEdit(dialog.get())->setPlainText(dir->path() + QStringLiteral("/previous"));
    ChooserVisit before;
    answerChooser(before, QString());
    button(dialog.get(), "changedirButton")->click();
    QCOMPARE(canonical(before.directory), canonical(QStringLiteral("previous")));

    dirEdit(dialog.get())->setPlainText(dirText);
    ChooserVisit visit;
    answerChooser(visit, QString());
    button(dialog.get(), "changedirButton")->click();

    QVERIFY(visit.seen);
    QCOMPARE(canonical(visit.directory), canonical(QStringLiteral("previous")));
}

void SettingsDialogTest::browse_appendsChosenDirectory()
{
    QDir().mkpath(QStringLiteral("chosen"));
    dialog->show(true);
    dialog->setDirs({QStringLiteral("existing"), QStringLiteral("lines")});

    ChooserVisit visit;
    answerChooser(visit, dir->path() + QStringLiteral("/chosen"));
    button(dialog.get(), "changedirButton")->click();

    QVERIFY(visit.seen);
    const QStringList lines = dirEdit(dialog.get())->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.mid(0, 2), (QStringList{QStringLiteral("existing"), QStringLiteral("lines")}));
    QCOMPARE(canonical(lines.at(2)), canonical(QStringLiteral("chosen")));
    QCOMPARE(closeAndCapture(dialog.get()).at(0).toStringList(), lines);
}

void SettingsDialogTest::browse_repeatedStartsWhereLastOneEnded()
{
    QDir().mkpath(QStringLiteral("one"));
    QDir().mkpath(QStringLiteral("two"));
    dialog->show(true);

    ChooserVisit first;
    answerChooser(first, dir->path() + QStringLiteral("/one"));
    button(dialog.get(), "changedirButton")->click();
    ChooserVisit second;
    answerChooser(second, dir->path() + QStringLiteral("/two"));
    button(dialog.get(), "changedirButton")->click();

    QVERIFY(first.seen);
    QVERIFY(second.seen);
    QCOMPARE(canonical(second.directory), canonical(QStringLiteral("one")));
    const QStringList lines = dirEdit(dialog.get())->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(canonical(lines.at(0)), canonical(QStringLiteral("one")));
    QCOMPARE(canonical(lines.at(1)), canonical(QStringLiteral("two")));
}

void SettingsDialogTest::browse_cancelAppendsNothing_data()
{
    QTest::addColumn<QString>("dirText");

    QTest::newRow("empty box") << QString();
    QTest::newRow("one line") << QStringLiteral("scripts");
    QTest::newRow("trailing line break") << QStringLiteral("scripts\n");
}

void SettingsDialogTest::browse_cancelAppendsNothing()
{
    QFETCH(QString, dirText);
    dialog->show(true);
    dirEdit(dialog.get())->setPlainText(dirText);

    ChooserVisit visit;
    answerChooser(visit, QString());
    button(dialog.get(), "changedirButton")->click();

    QVERIFY(visit.seen);
    QCOMPARE(dirEdit(dialog.get())->toPlainText(), dirText);
    QVERIFY(!QApplication::activeModalWidget());
}

void SettingsDialogTest::destructor_savesGeometry()
{
    dialog->show(true);
    dialog->resize(450, 300);
    dialog->move(120, 110);
    QVERIFY(!dir->exists(QStringLiteral("win_config.cfg")));

    dialog.reset();

    const QByteArray text = dir->read(QStringLiteral("win_config.cfg"));
    QVERIFY2(text.contains("[ChangeDirClass]"), text.constData());
    QVERIFY2(text.contains("size=@Size(450 300)"), text.constData());
    QVERIFY2(text.contains("pos=@Point(120 110)"), text.constData());
}

QTEST_MAIN(SettingsDialogTest)
#include "tst_settingsdialog.moc"
