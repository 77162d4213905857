// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "scripts/si_item.h"
#include "settings/changedir.h"

#include <QAction>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

using namespace tavrel;

namespace {

const QString configFile = QStringLiteral("./config.cfg");

void writeScripts(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("scripts/items.scp"), "[itemdef i_log]\n"
                                                   "NAME=Log\n"
                                                   "[itemdef i_chair]\n"
                                                   "NAME=Chair\n"
                                                   "RESOURCES=4 i_log, 1 i_missing\n"
                                                   "SKILLMAKE=carpentry 40\n");
}

} // namespace

class ConfigurationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_valuesComeBackUnchanged_data();
    void roundTrip_valuesComeBackUnchanged();
    void presentButEmptyKeys_giveEmptyValues_data();
    void presentButEmptyKeys_giveEmptyValues();
    void missingKeys_giveDefaultsOneByOne();
    void dialogChanges_reachFileOnlyAtMainWindowClose();
    void dialogCloseWithoutChanges_stillReplacesAllValues();
    void handEditsWhileRunning_areOverwrittenAtClose();
    void update_changesNothingElse();
    void newDirectoriesAndFilter_usedByNextLoad();
    void handWrittenFilterList_keepsItsPatterns();

private:
    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
};

void ConfigurationTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
}

void ConfigurationTest::cleanup()
{
    if (window)
        closeWindow(window);
    dir.reset();
}

void ConfigurationTest::roundTrip_valuesComeBackUnchanged_data()
{
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("h1");
    QTest::addColumn<QString>("h2");
    QTest::addColumn<QString>("h3");

    QTest::newRow("plain") << QStringList{QStringLiteral("scripts"), QStringLiteral("more/items")}
                           << QStringLiteral("*.scp") << QStringLiteral("<TABLE>")
                           << QStringLiteral("<TR><TD>%NAME</TD></TR>")
                           << QStringLiteral("</TABLE>");
    QTest::newRow("commas") << QStringList{QStringLiteral("a,b"), QStringLiteral(",lead")}
                            << QStringLiteral("*.scp,*.txt, *.ini")
                            << QStringLiteral("<TD width=200, align=center>")
                            << QStringLiteral("%NAME,%RESOURCES,%SKILLMAKE") << QStringLiteral(",");
    QTest::newRow("single directory with comma")
        << QStringList{QStringLiteral("one,two")} << QStringLiteral("*") << QString() << QString()
        << QString();
    QTest::newRow("quotes") << QStringList{QStringLiteral("\"quoted\" dir"), QStringLiteral("it's")}
                            << QStringLiteral("\"*.scp\"") << QStringLiteral("<TABLE border=\"1\">")
                            << QStringLiteral("<TD>'%NAME'</TD><TD>\"%RESOURCES\"</TD>")
                            << QStringLiteral("\"");
    QTest::newRow("leading and trailing blanks")
        << QStringList{QStringLiteral("  indented"), QStringLiteral("trailing  ")}
        << QStringLiteral(" *.scp ") << QStringLiteral("  <TABLE>") << QStringLiteral(" %NAME ")
        << QStringLiteral("</TABLE>   ");
    QTest::newRow("line breaks") << QStringList{QStringLiteral("two\nlines")} << QStringLiteral("*")
                                 << QStringLiteral("<TABLE>\n<TR>\r\n")
                                 << QStringLiteral("<TR>\n\t<TD>%NAME</TD>\n</TR>\n")
                                 << QStringLiteral("\n\n</TABLE>");
    QTest::newRow("per-cent signs")
        << QStringList{QStringLiteral("100%"), QStringLiteral("%1")} << QStringLiteral("%*")
        << QStringLiteral("%1 %2 %%") << QStringLiteral("%NAME%RESOURCES%SKILLMAKE%")
        << QStringLiteral("%U0041");
    QTest::newRow("non-ASCII") << QStringList{QStringLiteral("Skripte/Ausrüstung"),
                                              QString::fromUtf8("スクリプト")}
                               << QString::fromUtf8("*.scp,*.ß")
                               << QString::fromUtf8("<TABLE>Überschrift €")
                               << QString::fromUtf8("<TD>%NAME — ✓</TD>")
                               << QString::fromUtf8("Ende ☺ 😀");
    QTest::newRow("backslashes and equals")
        << QStringList{QStringLiteral("scripts\\items"), QStringLiteral("a=b")}
        << QStringLiteral("a;b=c") << QStringLiteral("\\n is not a line break")
        << QStringLiteral("[section]") << QStringLiteral("#comment");
    QTest::newRow("looks like a typed value")
        << QStringList{QStringLiteral("@Invalid()"), QStringLiteral("@Size(1 2)")}
        << QStringLiteral("@ByteArray(x)") << QStringLiteral("@Point(1 2)") << QStringLiteral("@@")
        << QStringLiteral("@");
    QTest::newRow("empty entries") << QStringList{QString(), QStringLiteral("x"), QString()}
                                   << QString() << QString() << QString() << QString();
    QTest::newRow("no directories") << QStringList() << QStringLiteral("*") << QStringLiteral("h")
                                    << QStringLiteral("i") << QStringLiteral("e");
    QTest::newRow("one empty entry")
        << QStringList{QString()} << QStringLiteral("*") << QStringLiteral("h")
        << QStringLiteral("i") << QStringLiteral("e");
}

// Into the window through the dialog, out to the file at close, and back at the next start.
void ConfigurationTest::roundTrip_valuesComeBackUnchanged()
{
    QFETCH(QStringList, dirs);
    QFETCH(QString, filter);
    QFETCH(QString, h1);
    QFETCH(QString, h2);
    QFETCH(QString, h3);

    window = startWindow();
    window->Update(dirs, filter, h1, h2, h3);
    closeWindow(window);

    const Configuration written = readConfiguration(configFile);
    QCOMPARE(written.dirs, dirs);
    QCOMPARE(written.filter, filter);
    QCOMPARE(written.h1, h1);
    QCOMPARE(written.h2, h2);
    QCOMPARE(written.h3, h3);

    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    QCOMPARE(dirEdit(dialog)->toPlainText(), dirs.join(QLatin1Char('\n')));
    QCOMPARE(filterEdit(dialog)->text(), filter);
    const QList<QVariant> values = closeAndCapture(dialog);
    QCOMPARE(values.size(), 5);
    QCOMPARE(values.at(2).toString(), h1);
    QCOMPARE(values.at(3).toString(), h2);
    QCOMPARE(values.at(4).toString(), h3);
    // The dialog's close replaced the window's values; put the read ones back and end again.
    window->Update(written.dirs, written.filter, written.h1, written.h2, written.h3);
    closeWindow(window);

    const Configuration again = readConfiguration(configFile);
    QCOMPARE(again.dirs, dirs);
    QCOMPARE(again.filter, filter);
    QCOMPARE(again.h1, h1);
    QCOMPARE(again.h2, h2);
    QCOMPARE(again.h3, h3);
}

void ConfigurationTest::presentButEmptyKeys_giveEmptyValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("dirText");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("h1");
    QTest::addColumn<QString>("h2");
    QTest::addColumn<QString>("h3");

    QTest::newRow("all empty") << QByteArray("[Settings]\nDirs=\nFilter=\n"
                                             "[HTML]\nHeaderString=\nItemString=\nEndString=\n")
                               << QString() << QString() << QString() << QString() << QString();
    QTest::newRow("empty header only")
        << QByteArray("[HTML]\nHeaderString=\n") << QStringLiteral("./") << QStringLiteral("*")
        << QString() << defaultItemTemplate() << defaultEndTemplate();
    QTest::newRow("empty filter only")
        << QByteArray("[Settings]\nFilter=\n") << QStringLiteral("./") << QString()
        << defaultHeaderTemplate() << defaultItemTemplate() << defaultEndTemplate();
    QTest::newRow("quoted empty strings")
        << QByteArray("[Settings]\nFilter=\"\"\n[HTML]\nEndString=\"\"\n") << QStringLiteral("./")
        << QString() << defaultHeaderTemplate() << defaultItemTemplate() << QString();
}

void ConfigurationTest::presentButEmptyKeys_giveEmptyValues()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, dirText);
    QFETCH(QString, filter);
    QFETCH(QString, h1);
    QFETCH(QString, h2);
    QFETCH(QString, h3);
    dir->write(QStringLiteral("config.cfg"), content);

    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    QCOMPARE(dirEdit(dialog)->toPlainText(), dirText);
    QCOMPARE(filterEdit(dialog)->text(), filter);
    const QList<QVariant> values = closeAndCapture(dialog);
    QCOMPARE(values.size(), 5);
    QCOMPARE(values.at(2).toString(), h1);
    QCOMPARE(values.at(3).toString(), h2);
    QCOMPARE(values.at(4).toString(), h3);

    closeWindow(window);
    const Configuration written = readConfiguration(configFile);
    QCOMPARE(written.filter, filter);
    QCOMPARE(written.h1, h1);
    QCOMPARE(written.h2, h2);
    QCOMPARE(written.h3, h3);
    QCOMPARE(written.dirs.join(QLatin1Char('\n')), dirText);
}

void ConfigurationTest::missingKeys_giveDefaultsOneByOne()
{
    dir->write(QStringLiteral("config.cfg"), "[Settings]\nFilter=*.scp\n"
                                             "[HTML]\nItemString=<p>%NAME</p>\n");
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    QCOMPARE(dirEdit(dialog)->toPlainText(), QStringLiteral("./"));
    QCOMPARE(filterEdit(dialog)->text(), QStringLiteral("*.scp"));
    const QList<QVariant> values = closeAndCapture(dialog);
    QCOMPARE(values.size(), 5);
    QCOMPARE(values.at(2).toString(), defaultHeaderTemplate());
    QCOMPARE(values.at(3).toString(), QStringLiteral("<p>%NAME</p>"));
    QCOMPARE(values.at(4).toString(), QStringLiteral("</TABLE>"));
}

void ConfigurationTest::dialogChanges_reachFileOnlyAtMainWindowClose()
{
    const QByteArray before = "[Settings]\nDirs=old\nFilter=*.old\n";
    dir->write(QStringLiteral("config.cfg"), before);
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    findAction(window.get(), QStringLiteral("App Settings"))->trigger();
    dirEdit(dialog)->setPlainText(QStringLiteral("new/one\nnew/two"));
    filterEdit(dialog)->setText(QStringLiteral("*.new"));
    dialog->setHtml(QStringLiteral("H"), QStringLiteral("I"), QStringLiteral("E"));

    dialog->close();
    QCoreApplication::processEvents();
    QCOMPARE(dir->read(QStringLiteral("config.cfg")), before);

    closeWindow(window);
    const Configuration written = readConfiguration(configFile);
    QCOMPARE(written.dirs, (QStringList{QStringLiteral("new/one"), QStringLiteral("new/two")}));
    QCOMPARE(written.filter, QStringLiteral("*.new"));
    QCOMPARE(written.h1, QStringLiteral("H"));
    QCOMPARE(written.h2, QStringLiteral("I"));
    QCOMPARE(written.h3, QStringLiteral("E"));
}

void ConfigurationTest::dialogCloseWithoutChanges_stillReplacesAllValues()
{
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    // The window holds other values than the dialog shows; the dialog's close replaces them all.
    window->Update({QStringLiteral("elsewhere")}, QStringLiteral("*.x"), QStringLiteral("a"),
                   QStringLiteral("b"), QStringLiteral("c"));
    dialog->show(true);
    dialog->close();

    closeWindow(window);
    const Configuration written = readConfiguration(configFile);
    QCOMPARE(written.dirs, QStringList{QStringLiteral("./")});
    QCOMPARE(written.filter, QStringLiteral("*"));
    QCOMPARE(written.h1, defaultHeaderTemplate());
    QCOMPARE(written.h2, defaultItemTemplate());
    QCOMPARE(written.h3, defaultEndTemplate());
}

void ConfigurationTest::handEditsWhileRunning_areOverwrittenAtClose()
{
    window = startWindow();
    dir->write(QStringLiteral("config.cfg"), "[Settings]\nFilter=*.hand\nExtra=kept?\n");

    closeWindow(window);

    const Configuration written = readConfiguration(configFile);
    QCOMPARE(written.filter, QStringLiteral("*"));
    QCOMPARE(written.dirs, QStringList{QStringLiteral("./")});
}

void ConfigurationTest::update_changesNothingElse()
{
    writeScripts(*dir);
    window = startWindow();
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("H"),
                   QStringLiteral("[%NAME]"), QStringLiteral("E"));
    findAction(window.get(), QStringLiteral("Open"))->trigger();
    QTreeWidget *skills = skillTree(window.get());
    QCOMPARE(treeLines(skills),
             (QStringList{QStringLiteral("Carpentry"), QStringLiteral("  Chair")}));
    emit skills->itemClicked(skills->topLevelItem(0), 0);
    const QStringList fileLines = treeLines(fileTree(window.get()));
    const QString browserText = textBrowser(window.get())->toPlainText();
    QCOMPARE(browserText, QStringLiteral("H[Chair]E"));
    ChangeDir *dialog = settingsDialog(window.get());
    const QString dialogDirs = dirEdit(dialog)->toPlainText();
    const int windows = QApplication::topLevelWidgets().size();

    window->Update({QStringLiteral("nowhere")}, QStringLiteral("*.none"), QStringLiteral("h"),
                   QStringLiteral("i"), QStringLiteral("e"));
    QCoreApplication::processEvents();

    QCOMPARE(treeLines(skills),
             (QStringList{QStringLiteral("Carpentry"), QStringLiteral("  Chair")}));
    QCOMPARE(treeLines(fileTree(window.get())), fileLines);
    QCOMPARE(textBrowser(window.get())->toPlainText(), browserText);
    QCOMPARE(dirEdit(dialog)->toPlainText(), dialogDirs);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    QVERIFY(!dir->exists(QStringLiteral("config.cfg")));
    QList<SI_item *> found;
    QMetaObject::invokeMethod(window.get(), "FindSI", Q_RETURN_ARG(QList<SI_item *>, found),
                              Q_ARG(QString, QStringLiteral("global_type")));
    QCOMPARE(found.size(), 2);
}

void ConfigurationTest::newDirectoriesAndFilter_usedByNextLoad()
{
    writeScripts(*dir);
    dir->write(QStringLiteral("other/extra.txt"), "[itemdef i_stool]\nSKILLMAKE=carpentry 10\n");
    window = startWindow();
    ChangeDir *dialog = settingsDialog(window.get());
    dialog->show(true);
    dirEdit(dialog)->setPlainText(QStringLiteral("other"));
    filterEdit(dialog)->setText(QStringLiteral("*.txt"));
    dialog->close();

    findAction(window.get(), QStringLiteral("Open"))->trigger();

    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{QStringLiteral("other [1]"), QStringLiteral("  other/extra.txt")}));
    QCOMPARE(treeLines(skillTree(window.get())),
             (QStringList{QStringLiteral("Carpentry"), QStringLiteral("  Stool")}));
}

void ConfigurationTest::handWrittenFilterList_keepsItsPatterns()
{
    // Written by hand without quotes, the INI reader hands the filter over as a list.
    dir->write(QStringLiteral("config.cfg"), "[Settings]\nDirs=scripts\nFilter=*.scp, *.txt\n");
    writeScripts(*dir);
    dir->write(QStringLiteral("scripts/more.txt"), "[itemdef i_stool]\nSKILLMAKE=carpentry 10\n");
    dir->write(QStringLiteral("scripts/notes.md"), "[itemdef i_note]\nSKILLMAKE=carpentry 10\n");
    window = startWindow();

    findAction(window.get(), QStringLiteral("Open"))->trigger();

    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{QStringLiteral("scripts [2]"), QStringLiteral("  scripts/items.scp"),
                          QStringLiteral("  scripts/more.txt")}));
    QCOMPARE(readConfiguration(configFile).filter, QStringLiteral("*.scp,*.txt"));
}

QTEST_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
