// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "scripts/si_item.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString missingGone = QStringLiteral("Resoucre \"i_gone\" no found.");

// Each entry is "path|content".
void writeScripts(const WorkingDirectory &wd, const QStringList &files)
{
    for (const QString &file : files) {
        const int bar = file.indexOf(QLatin1Char('|'));
        wd.write(file.left(bar), file.mid(bar + 1).toUtf8());
    }
}

std::unique_ptr<Tavrel> startWithScripts(const WorkingDirectory &wd, const QStringList &files,
                                         const QStringList &dirs)
{
    writeScripts(wd, files);
    writeScriptConfiguration(dirs, QStringLiteral("*.scp"));
    return startWindow();
}

void open(Tavrel *window)
{
    findAction(window, QStringLiteral("Open"))->trigger();
}

void clear(Tavrel *window)
{
    findAction(window, QStringLiteral("Clear"))->trigger();
}

// "defname|name|resources|skillmake" of each record FindSI gives for a type.
QStringList recordLines(Tavrel *window, const QString &type)
{
    QStringList lines;
    const QList<SI_item *> records = findSI(window, type);
    for (const SI_item *record : records) {
        lines.append(
            QStringList{record->defname, record->name, record->resources, record->skillmake}.join(
                QLatin1Char('|')));
    }
    return lines;
}

QString browserText(Tavrel *window)
{
    return textBrowser(window)->toPlainText();
}

int progressDialogsOf(Tavrel *window)
{
    return int(window->findChildren<QProgressDialog *>().size());
}

// The two directories of the cancellation tests: a first load reads "two" alone, the cancelled
// load reads both.
const QStringList cancelScripts{
    "one/a.scp|[itemdef i_ingot]\nNAME=Iron ingot\nSKILLMAKE=Mining 10\n"
    "[itemdef i_log]\nNAME=Log\n",
    "one/b.scp|[itemdef i_chair]\nNAME=Chair\nRESOURCES=2 i_ingot, i_log, i_gone\n"
    "SKILLMAKE=Carpentry 100\n[itemdef i_table]\nNAME=Table\nRESOURCES=i_gone\n"
    "SKILLMAKE=Carpentry 90\n",
    "two/c.scp|[itemdef i_stool]\nNAME=Stool\nRESOURCES=i_nothing\nSKILLMAKE=Carpentry 20\n",
};
const QStringList firstLoadFiles{"two [1]", "  two/c.scp"};
const QString firstLoadBrowser = QStringLiteral("Resoucre \"i_nothing\" no found.");

} // namespace

class tst_Load : public QObject
{
    Q_OBJECT

private slots:
    void loadResults_data();
    void loadResults();
    void workedExample_progress();
    void progressRangeAndValue_data();
    void progressRangeAndValue();
    void recordInTwoSkills_distinctEqualCopy();
    void twoLoads_skillTreeShowsSecond_fileTreeBoth();
    void secondLoad_readsChangedScripts();
    void clearAfterLoad();
    void clearBeforeAnyLoad();
    void cancelDuringCounting();
    void cancelDuringReading_data();
    void cancelDuringReading();
    void cancelDuringLinking();
    void emptyDirectoryList();
    void backslashAndEmptyDirectoryStrings();
    void openAndClearDuringLoad_ignored();
    void load_leavesScriptsUntouched();
    void windowClosedDuringLoad();
};

void tst_Load::loadResults_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("fileLines");
    QTest::addColumn<QStringList>("skillLines");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("browser");

    QTest::newRow("leather shirt named from its header")
        << QStringList{"s/a.scp|[itemdef i_leather_shirt]\nSKILLMAKE=Tailoring 50\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Tailoring", "  Leather shirt"} << "global_type"
        << QStringList{"i_leather_shirt|Leather shirt||Tailoring 50"} << QString();
    QTest::newRow("mini x with one other key")
        << QStringList{"s/a.scp|[ItemDef i_mini_x]\nVALUE=1\n"} << QStringList{"s"}
        << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_mini_x|Minx||"} << QString();
    QTest::newRow("DEFNAME present but empty dropped")
        << QStringList{"s/a.scp|[itemdef i_x]\nDEFNAME=\nSKILLMAKE=Tailoring 1\n"
                       "[itemdef i_y]\nRESOURCES=i_x\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_y|Y||"} << "Resoucre \"i_x\" no found.";
    QTest::newRow("I_Foo then i_foo in two files: the later wins")
        << QStringList{"s/a.scp|[itemdef x1]\nDEFNAME=I_Foo\nNAME=First\nSKILLMAKE=Tailoring 1\n",
                       "s/b.scp|[itemdef x2]\nDEFNAME=i_foo\nNAME=Second\nSKILLMAKE=Mining 2\n"}
        << QStringList{"s"} << QStringList{"s [2]", "  s/a.scp", "  s/b.scp"}
        << QStringList{"Mining", "  Second"} << "global_type"
        << QStringList{"i_foo|Second||Mining 2"} << QString();
    QTest::newRow("later means discovery order, files before subdirectories")
        << QStringList{"s/z.scp|[itemdef i_foo]\nNAME=First\nSKILLMAKE=Tailoring 1\n",
                       "s/a/a.scp|[ITEMDEF I_FOO]\nNAME=Second\nSKILLMAKE=Mining 2\n"}
        << QStringList{"s"} << QStringList{"s [2]", "  s/z.scp", "  s/a/a.scp"}
        << QStringList{"Mining", "  Second"} << "global_type"
        << QStringList{"i_foo|Second||Mining 2"} << QString();
    QTest::newRow("later means directory order")
        << QStringList{"s/a.scp|[itemdef i_foo]\nNAME=First\n",
                       "t/a.scp|[itemdef i_foo]\nNAME=Second\n"}
        << QStringList{"t", "s"} << QStringList{"t [1]", "  t/a.scp", "s [1]", "  s/a.scp"}
        << QStringList() << "global_type" << QStringList{"i_foo|First||"} << QString();
    QTest::newRow("resources rendered with linked names")
        << QStringList{"s/a.scp|[itemdef i_chair]\nNAME=Chair\nRESOURCES=2 i_ingot, I_LOG\n"
                       "SKILLMAKE=Carpentry 100\n[itemdef i_ingot]\nNAME=Iron ingot\n"
                       "[itemdef i_log]\nDEFNAME=I_Log\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Carpentry", "  Chair"} << "global_type"
        << QStringList{"i_chair|Chair|2 Iron ingot, 1 Log|Carpentry 100", "i_ingot|Iron ingot||",
                       "i_log|Log||"}
        << QString();
    QTest::newRow("resource in another directory")
        << QStringList{"s/a.scp|[itemdef i_chair]\nRESOURCES=3 i_log\n",
                       "t/b.scp|[itemdef i_log]\nNAME=Log\n"}
        << QStringList{"s", "t"} << QStringList{"s [1]", "  s/a.scp", "t [1]", "  t/b.scp"}
        << QStringList() << "global_type" << QStringList{"i_chair|Chair|3 Log|", "i_log|Log||"}
        << QString();
    QTest::newRow("one missing id in three records shown once")
        << QStringList{"s/a.scp|[itemdef i_c]\nRESOURCES=i_gone, i_z\n"
                       "[itemdef i_b]\nRESOURCES=i_y,i_gone\n[itemdef i_a]\nRESOURCES=i_gone\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||", "i_b|B||", "i_c|C||"}
        << "Resoucre \"i_gone\" no found.\nResoucre \"i_y\" no found.\n"
           "Resoucre \"i_z\" no found.";
    QTest::newRow("record in two skills")
        << QStringList{"s/a.scp|[itemdef i_chair]\nSKILLMAKE=Carpentry 100, alchimy 51.1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Carpentry", "  Chair", "Alchimy", "  Chair"} << "global_type"
        << QStringList{"i_chair|Chair||Carpentry 100, Alchimy 51.1"} << QString();
    QTest::newRow("skill nodes in order of first use over ascending defname")
        << QStringList{"s/a.scp|[itemdef i_b]\nSKILLMAKE=zeta 1\n[itemdef i_c]\n"
                       "SKILLMAKE=Alpha 3\n",
                       "s/b.scp|[itemdef i_a]\nSKILLMAKE=beta 1, Zeta 2\n"}
        << QStringList{"s"} << QStringList{"s [2]", "  s/a.scp", "  s/b.scp"}
        << QStringList{"Beta", "  A", "Zeta", "  A", "  B", "Alpha", "  C"} << "global_type"
        << QStringList{"i_a|A||Beta 1, Zeta 2", "i_b|B||Zeta 1", "i_c|C||Alpha 3"} << QString();
    QTest::newRow("value before the skill")
        << QStringList{"s/a.scp|[itemdef i_a]\nSKILLMAKE=50 tailoring\n"} << QStringList{"s"}
        << QStringList{"s [1]", "  s/a.scp"} << QStringList{"Tailoring", "  A"} << "global_type"
        << QStringList{"i_a|A||Tailoring 50"} << QString();
    QTest::newRow("skill named twice")
        << QStringList{"s/a.scp|[itemdef i_a]\nSKILLMAKE=Tailoring 10, tailoring 20\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Tailoring", "  A", "  A"} << "global_type"
        << QStringList{"i_a|A||Tailoring 10, Tailoring 20"} << QString();
    QTest::newRow("one-word skill elements")
        << QStringList{"s/a.scp|[itemdef i_a]\nSKILLMAKE=tailoring\n[itemdef i_b]\n"
                       "SKILLMAKE=tailoring, Mining 5\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList{"Mining", "  B"}
        << "global_type" << QStringList{"i_a|A||", "i_b|B||Mining 5"} << QString();
    QTest::newRow("trailing comma in resources")
        << QStringList{"s/a.scp|[itemdef i_a]\nRESOURCES=i_log,\n[itemdef i_log]\nX=1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A|1 Log|", "i_log|Log||"} << "Resoucre \"\" no found.";
    QTest::newRow("id before the amount")
        << QStringList{"s/a.scp|[itemdef i_a]\nRESOURCES=i_log 5\n[itemdef i_log]\nX=1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||", "i_log|Log||"} << "Resoucre \"5\" no found.";
    QTest::newRow("tab inside RESOURCES")
        << QStringList{"s/a.scp|[itemdef i_a]\nRESOURCES=2\ti_log\n[itemdef i_log]\nX=1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||", "i_log|Log||"} << "Resoucre \"2i_log\" no found.";
    QTest::newRow("missing id that looks like markup shown as written")
        << QStringList{"s/a.scp|[itemdef i_a]\nRESOURCES=<b>i_X</b>, a&b\n"} << QStringList{"s"}
        << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||"}
        << "Resoucre \"<b>i_x</b>\" no found.\nResoucre \"a&b\" no found.";
    QTest::newRow("plural marker in a name, also where it is linked")
        << QStringList{"s/a.scp|[itemdef i_log]\nNAME=Log%s\n[itemdef i_box]\n"
                       "RESOURCES=2 i_log,i_log\nSKILLMAKE=Tinkering 1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Tinkering", "  Box"} << "global_type"
        << QStringList{"i_box|Box|2 Logs, 1 Log|Tinkering 1", "i_log|Log||"} << QString();
    QTest::newRow("placeholder in a skill name")
        << QStringList{"s/a.scp|[itemdef i_a]\nSKILLMAKE=%2x 5, %1y 6\n"} << QStringList{"s"}
        << QStringList{"s [1]", "  s/a.scp"} << QStringList{"%2x", "  A", "%1y", "  A"}
        << "global_type" << QStringList{"i_a|A||%2x 5, %1y 6"} << QString();
    QTest::newRow("placeholder in a directory name")
        << QStringList{"a%2b/a.scp|[itemdef i_a]\nX=1\n"} << QStringList{"a%2b"}
        << QStringList{"a%2b [1]", "  a%2b/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||"} << QString();
    QTest::newRow("lower-case and mixed-case keys")
        << QStringList{"s/a.scp|[itemdef i_x]\ndefname=I_Low\nname=Low hat\ntype=T_Hat\n"
                       "resources=2 i_m\nskillmake=tailoring 5\n[itemdef i_y]\nDefName=i_m\n"
                       "Name=Mixed\nType=t_hat\nSkillMake=Mining 1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Tailoring", "  Low hat", "Mining", "  Mixed"} << "t_hat"
        << QStringList{"i_low|Low hat|2 Mixed|Tailoring 5", "i_m|Mixed||Mining 1"} << QString();
    QTest::newRow("exact key spelling wins")
        << QStringList{"s/a.scp|[itemdef i_x]\nname=Other\nNAME=Exact\nskillmake=Mining 1\n"
                       "SKILLMAKE=Tailoring 2\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Tailoring", "  Exact"} << "global_type"
        << QStringList{"i_x|Exact||Tailoring 2"} << QString();
    QTest::newRow("byte-order mark and trigger lines")
        << QStringList{"s/a.scp|\xef\xbb\xbf[ITEMDEF i_a]\nNAME=Apple\nRESOURCES=i_b\n"
                       "SKILLMAKE=Cooking 10\nON=@Create\nCOLOR=0\nSERV.NEWITEM i_b\n"
                       "if <src.isplayer>\n  return 1\nendif\nNAME=Pie\nTYPE=t_pie\n"
                       "RESOURCES=i_c\n[itemdef i_b]\nNAME=Bowl\nON=@DClick\nsrc.sysmessage hi\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"}
        << QStringList{"Cooking", "  Apple"} << "global_type"
        << QStringList{"i_a|Apple|1 Bowl|Cooking 10", "i_b|Bowl||"} << QString();
    QTest::newRow("type filters FindSI")
        << QStringList{"s/a.scp|[itemdef i_a]\nTYPE=T_Armor\n[itemdef i_b]\nX=1\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "t_armor"
        << QStringList{"i_a|A||"} << QString();
    QTest::newRow("other sections ignored")
        << QStringList{"s/a.scp|[itemdefs i_a]\nNAME=No\n[typedef i_b]\nNAME=No\n"
                       "[itemdef\ti_c]\nNAME=No\n[itemdef i_d]\nNAME=Yes\n"}
        << QStringList{"s"} << QStringList{"s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_d|Yes||"} << QString();
    QTest::newRow("unparsable and empty files still listed")
        << QStringList{"s/a.scp|\x01\x02=\xff\xfe[[[", "s/b.scp|", "s/c.scp|[itemdef i_c]\nX=1\n"}
        << QStringList{"s"} << QStringList{"s [3]", "  s/a.scp", "  s/b.scp", "  s/c.scp"}
        << QStringList() << "global_type" << QStringList{"i_c|C||"} << QString();
    QTest::newRow("missing directory still gets its node")
        << QStringList{"s/a.scp|[itemdef i_a]\nX=1\n"} << QStringList{"nope", "s"}
        << QStringList{"nope [0]", "s [1]", "  s/a.scp"} << QStringList() << "global_type"
        << QStringList{"i_a|A||"} << QString();
}

void tst_Load::loadResults()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, dirs);
    QFETCH(QString, type);

    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, files, dirs);
    const CloseAtEnd closer(window);
    textBrowser(window.get())->setPlainText(QStringLiteral("before"));
    open(window.get());

    QTEST(treeLines(fileTree(window.get())), "fileLines");
    QTEST(treeLines(skillTree(window.get())), "skillLines");
    QTEST(recordLines(window.get(), type), "records");
    QTEST(browserText(window.get()), "browser");
    QCOMPARE(progressDialogsOf(window.get()), 0);
    closeWindow(window);
}

void tst_Load::workedExample_progress()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(
        wd,
        {"one/a.scp|[itemdef i_a]\nNAME=A\n[itemdef i_b]\nNAME=B\n[typedef t_x]\nX=1\n",
         "one/b.scp|[itemdef i_c]\nNAME=C\n[itemdef i_d]\nNAME=D\n",
         "one/c.scp|[events e_x]\nON=@Create\n[itemdef i_e]\nNAME=E\n",
         "two/d.scp|[typedef t_y]\nX=1\n[itemdefs i_f]\nNAME=F\n"},
        {"one", "two"});
    const CloseAtEnd closer(window);
    ProgressWatch watch(window.get());
    open(window.get());

    QCOMPARE(watch.dialogsShown(), 1);
    QCOMPARE(watch.titles(), (QStringList{"Evaluation...", "Loading...", "Processing..."}));
    QCOMPARE(watch.labels(), (QStringList{"Clearing old information.", "Search information.",
                                          "Loading object.", "Name linking."}));
    QCOMPARE(watch.hides(), 0);

    const QList<ProgressState> states = watch.states();
    int lastCounting = -1;
    QList<int> countingValues;
    int lastReading = -1;
    int firstLinking = -1;
    for (int i = 0; i < states.size(); ++i) {
        const ProgressState &state = states.at(i);
        QVERIFY2(state.visible, qPrintable(state.label));
        QVERIFY2(state.cancelButtonVisible, qPrintable(state.label));
        QCOMPARE(state.minimum, 0);
        if (state.label == QLatin1String("Search information.")) {
            QCOMPARE(state.title, QStringLiteral("Evaluation..."));
            if (state.maximum == 2) {
                lastCounting = i;
                countingValues.append(state.value);
            }
        } else if (state.label == QLatin1String("Loading object.")) {
            QCOMPARE(state.maximum, 13);
            QCOMPARE(state.title, QStringLiteral("Loading..."));
            lastReading = i;
        } else if (state.label == QLatin1String("Name linking.") && firstLinking < 0) {
            firstLinking = i;
        }
    }
    QVERIFY(lastCounting >= 0 && lastReading > lastCounting && firstLinking > lastReading);
    // Counting advances once per directory over the range of the directory count, from the
    // value a new dialog starts with, one below its minimum.
    QCOMPARE(countingValues, (QList<int>{-1, 0, 1}));
    // Reading: 5 item definitions, 4 files and 2 directories.
    QCOMPARE(states.at(lastReading).value, 11);
    // Linking takes the reading's value over before it sets its own range.
    QCOMPARE(states.at(firstLinking).title, QStringLiteral("Processing..."));
    QCOMPARE(states.at(firstLinking).maximum, 13);
    QCOMPARE(states.at(firstLinking).value, 11);
    QList<int> linkingValues;
    for (int i = firstLinking + 1; i < states.size(); ++i) {
        QCOMPARE(states.at(i).label, QStringLiteral("Name linking."));
        QCOMPARE(states.at(i).maximum, 5);
        if (linkingValues.isEmpty() || linkingValues.constLast() != states.at(i).value)
            linkingValues.append(states.at(i).value);
    }
    QCOMPARE(linkingValues.size(), 5);
    for (int i = 1; i < linkingValues.size(); ++i)
        QCOMPARE(linkingValues.at(i), linkingValues.at(i - 1) + 1);

    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{"one [3]", "  one/a.scp", "  one/b.scp", "  one/c.scp", "two [1]",
                          "  two/d.scp"}));
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             (QStringList{"i_a|A||", "i_b|B||", "i_c|C||", "i_d|D||", "i_e|E||"}));
    QCOMPARE(progressDialogsOf(window.get()), 0);
    closeWindow(window);
}

void tst_Load::progressRangeAndValue_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("readingEnd");

    QTest::newRow("dropped, repeated and other sections")
        << QStringList{"s/a.scp|[itemdef i_x]\nDEFNAME=\n[itemdef i_y]\nX=1\n"
                       "[itemdef i_z]\nDEFNAME=i_y\n[typedef t_x]\nX=1\n"}
        << QStringList{"s"} << 1 + (1 + 1 + 3) << 3 + 1 + 1;
    QTest::newRow("empty and unparsable files") << QStringList{"s/a.scp|", "s/b.scp|\x01=\xff[[["}
                                                << QStringList{"s"} << 1 + (1 + 2) << 2 + 1;
    QTest::newRow("missing directory") << QStringList() << QStringList{"nope"} << 1 + 1 << 1;
    QTest::newRow("directory and its subdirectory")
        << QStringList{"s/a.scp|[itemdef i_a]\nX=1\n",
                       "s/t/b.scp|[itemdef i_b]\nX=1\n[itemdef i_c]\nX=1\n"}
        << QStringList{"s", "s/t"} << 2 + (1 + 2 + 3) + (1 + 1 + 2) << (3 + 2 + 1) + (2 + 1 + 1);
}

void tst_Load::progressRangeAndValue()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, dirs);
    QFETCH(int, total);
    QFETCH(int, readingEnd);

    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, files, dirs);
    const CloseAtEnd closer(window);
    ProgressWatch watch(window.get());
    open(window.get());

    QList<int> countingValues;
    int readingMaximum = -1;
    int readingValue = -1;
    for (const ProgressState &state : watch.states()) {
        QVERIFY(state.visible);
        if (state.label == QLatin1String("Search information.") && state.maximum == dirs.size())
            countingValues.append(state.value);
        if (state.label == QLatin1String("Loading object.")) {
            readingMaximum = state.maximum;
            readingValue = state.value;
        }
    }
    QCOMPARE(countingValues.constFirst(), -1);
    QCOMPARE(countingValues.constLast(), int(dirs.size()) - 1);
    QCOMPARE(readingMaximum, total);
    QCOMPARE(readingValue, readingEnd);
    closeWindow(window);
}

void tst_Load::recordInTwoSkills_distinctEqualCopy()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(
        wd,
        {"s/a.scp|[itemdef i_chair]\nNAME=Chair\nDESCRIPTION=Wooden\nTYPE=t_furniture\n"
         "SUBSECTION=Seats\nRESOURCES=4 i_board\nSKILLMAKE=Carpentry 100, alchimy 51.1, "
         "carpentry 5\n[itemdef i_board]\nNAME=Board\n"},
        {"s"});
    const CloseAtEnd closer(window);
    open(window.get());

    QTreeWidget *tree = skillTree(window.get());
    QCOMPARE(treeLines(tree),
             (QStringList{"Carpentry", "  Chair", "  Chair", "Alchimy", "  Chair"}));
    const QList<SI_item *> found = findSI(window.get(), QStringLiteral("t_furniture"));
    QCOMPARE(found.size(), 1);
    SI_item *record = found.first();
    QCOMPARE(tree->topLevelItem(0)->child(0), static_cast<QTreeWidgetItem *>(record));

    const QList<QTreeWidgetItem *> copies{tree->topLevelItem(0)->child(1),
                                          tree->topLevelItem(1)->child(0)};
    for (QTreeWidgetItem *node : copies) {
        QVERIFY(node != static_cast<QTreeWidgetItem *>(record));
        auto *copy = dynamic_cast<SI_item *>(node);
        QVERIFY(copy);
        QCOMPARE(copy->defname, QStringLiteral("i_chair"));
        QCOMPARE(copy->type, QStringLiteral("t_furniture"));
        QCOMPARE(copy->name, QStringLiteral("Chair"));
        QCOMPARE(copy->description, QStringLiteral("Wooden"));
        QCOMPARE(copy->resources, QStringLiteral("4 Board"));
        QCOMPARE(copy->skillmake, QStringLiteral("Carpentry 100, Alchimy 51.1, Carpentry 5"));
        QCOMPARE(copy->text(0), QStringLiteral("Chair"));
        QCOMPARE(node->type(), int(QTreeWidgetItem::Type));
    }
    QVERIFY(copies.at(0) != copies.at(1));
    QCOMPARE(record->subsection, QStringLiteral("Seats"));
    closeWindow(window);
}

void tst_Load::twoLoads_skillTreeShowsSecond_fileTreeBoth()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window =
        startWithScripts(wd,
                         {"one/a.scp|[itemdef i_a]\nRESOURCES=i_gone\nSKILLMAKE=Tailoring 1\n",
                          "two/b.scp|[itemdef i_b]\nSKILLMAKE=Mining 2\n"},
                         {"one"});
    const CloseAtEnd closer(window);
    open(window.get());
    QCOMPARE(browserText(window.get()), missingGone);

    updateScriptConfiguration(window.get(), {"two"}, QStringLiteral("*.scp"));
    open(window.get());
    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{"one [1]", "  one/a.scp", "two [1]", "  two/b.scp"}));
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  B"}));
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             QStringList{"i_b|B||Mining 2"});
    QCOMPARE(browserText(window.get()), QString());

    // The same directory again: its nodes are appended once more.
    open(window.get());
    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{"one [1]", "  one/a.scp", "two [1]", "  two/b.scp", "two [1]",
                          "  two/b.scp"}));
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  B"}));
    closeWindow(window);
}

void tst_Load::secondLoad_readsChangedScripts()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window =
        startWithScripts(wd, {"s/a.scp|[itemdef i_a]\nNAME=Old\nSKILLMAKE=Mining 1\n"}, {"s"});
    const CloseAtEnd closer(window);
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  Old"}));

    // Same size, so only the content and the modification time tell the change.
    wd.write(QStringLiteral("s/a.scp"), "[itemdef i_a]\nNAME=New\nSKILLMAKE=Mining 1\n");
    QFile file(QDir(wd.path()).filePath(QStringLiteral("s/a.scp")));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(5),
                             QFileDevice::FileModificationTime));
    file.close();
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  New"}));

    wd.write(QStringLiteral("s/b.scp"), "[itemdef i_b]\nSKILLMAKE=Mining 2\n");
    wd.write(QStringLiteral("s/a.scp"), "[itemdef i_a]\nNAME=Newest\n");
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  B"}));
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             (QStringList{"i_a|Newest||", "i_b|B||Mining 2"}));
}

void tst_Load::clearAfterLoad()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(
        wd,
        {"s/a.scp|[itemdef i_a]\nRESOURCES=i_gone\nSKILLMAKE=Tailoring 1, Mining 2\n"
         "[itemdef i_b]\nX=1\n"},
        {"s"});
    const CloseAtEnd closer(window);
    open(window.get());
    const QStringList files = treeLines(fileTree(window.get()));
    QCOMPARE(files, (QStringList{"s [1]", "  s/a.scp"}));

    ProgressWatch watch(window.get());
    clear(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), QStringList());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")), QStringList());
    QCOMPARE(treeLines(fileTree(window.get())), files);
    QCOMPARE(browserText(window.get()), missingGone);
    QCOMPARE(watch.dialogsShown(), 0);

    // A load after the clear starts from nothing left over.
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())),
             (QStringList{"Tailoring", "  A", "Mining", "  A"}));
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             (QStringList{"i_a|A||Tailoring 1, Mining 2", "i_b|B||"}));
    closeWindow(window);
}

void tst_Load::clearBeforeAnyLoad()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, {"s/a.scp|[itemdef i_a]\nX=1\n"}, {"s"});
    const CloseAtEnd closer(window);
    textBrowser(window.get())->setPlainText(QStringLiteral("kept"));
    ProgressWatch watch(window.get());
    clear(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), QStringList());
    QCOMPARE(treeLines(fileTree(window.get())), QStringList());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")), QStringList());
    QCOMPARE(browserText(window.get()), QStringLiteral("kept"));
    QCOMPARE(watch.dialogsShown(), 0);
    closeWindow(window);
}

void tst_Load::cancelDuringCounting()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, cancelScripts, {"two"});
    const CloseAtEnd closer(window);
    open(window.get());
    QCOMPARE(browserText(window.get()), firstLoadBrowser);
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Carpentry", "  Stool"}));

    updateScriptConfiguration(window.get(), {"one", "two"}, QStringLiteral("*.scp"));
    ProgressWatch watch(window.get());
    watch.setHook([](QProgressDialog *dialog, const ProgressState &state) {
        // After the first directory has been counted (a new dialog starts at -1).
        if (state.label == QLatin1String("Search information.") && state.value == 0)
            dialog->cancel();
    });
    open(window.get());

    QCOMPARE(watch.labels(), (QStringList{"Clearing old information.", "Search information."}));
    QCOMPARE(treeLines(skillTree(window.get())), QStringList());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")), QStringList());
    QCOMPARE(treeLines(fileTree(window.get())), firstLoadFiles);
    QCOMPARE(browserText(window.get()), firstLoadBrowser);
    QCOMPARE(progressDialogsOf(window.get()), 0);

    // Nothing of the cancelled load is left to disturb the next one.
    watch.setHook(nullptr);
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())),
             (QStringList{"Carpentry", "  Chair", "  Stool", "  Table", "Mining", "  Iron ingot"}));
    closeWindow(window);
}

void tst_Load::cancelDuringReading_data()
{
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<QStringList>("fileLines");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QStringList>("skillLines");

    // Reading steps: i_ingot 1, i_log 2, a.scp 3, i_chair 4, i_table 5, b.scp 6, one 7,
    // i_stool 8, c.scp 9, two 10.
    const QString ingot = QStringLiteral("i_ingot|Iron ingot||mining 10");
    const QString log = QStringLiteral("i_log|Log||");
    const QString chair = QStringLiteral("i_chair|Chair|2 i_ingot,i_log,i_gone|carpentry 100");
    const QString table = QStringLiteral("i_table|Table|i_gone|carpentry 90");
    QTest::newRow("first record: its directory shows its full count")
        << 1 << QStringList{"one [2]", "  one/a.scp"} << QStringList{ingot} << QStringList();
    QTest::newRow("end of a file: the next file's node is made")
        << 3 << QStringList{"one [2]", "  one/a.scp", "  one/b.scp"} << QStringList{ingot, log}
        << QStringList();
    QTest::newRow("record in the second file")
        << 4 << QStringList{"one [2]", "  one/a.scp", "  one/b.scp"}
        << QStringList{chair, ingot, log} << QStringList();
    QTest::newRow("end of a directory: the next directory's nodes are made")
        << 7 << QStringList{"one [2]", "  one/a.scp", "  one/b.scp", "two [1]", "  two/c.scp"}
        << QStringList{chair, ingot, log, table} << QStringList();
    // No section follows the last record, so only linking notices the cancellation, after
    // its first record.
    QTest::newRow("last record: noticed by linking")
        << 8 << QStringList{"one [2]", "  one/a.scp", "  one/b.scp", "two [1]", "  two/c.scp"}
        << QStringList{"i_chair|Chair|2 Iron ingot, 1 Log|Carpentry 100", ingot, log,
                       "i_stool|Stool|i_nothing|carpentry 20", table}
        << QStringList{"Carpentry", "  Chair"};
}

void tst_Load::cancelDuringReading()
{
    QFETCH(int, cancelAt);
    QFETCH(QStringList, fileLines);

    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, cancelScripts, {"two"});
    const CloseAtEnd closer(window);
    open(window.get());

    updateScriptConfiguration(window.get(), {"one", "two"}, QStringLiteral("*.scp"));
    ProgressWatch watch(window.get());
    watch.setHook([cancelAt](QProgressDialog *dialog, const ProgressState &state) {
        if (state.label == QLatin1String("Loading object.") && state.value == cancelAt)
            dialog->cancel();
    });
    open(window.get());

    QCOMPARE(treeLines(fileTree(window.get())), firstLoadFiles + fileLines);
    QTEST(recordLines(window.get(), QStringLiteral("global_type")), "records");
    QTEST(treeLines(skillTree(window.get())), "skillLines");
    QCOMPARE(browserText(window.get()), firstLoadBrowser);
    QCOMPARE(progressDialogsOf(window.get()), 0);

    watch.setHook(nullptr);
    open(window.get());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             (QStringList{"i_chair|Chair|2 Iron ingot, 1 Log|Carpentry 100",
                          "i_ingot|Iron ingot||Mining 10", "i_log|Log||",
                          "i_stool|Stool||Carpentry 20", "i_table|Table||Carpentry 90"}));
    QCOMPARE(browserText(window.get()),
             missingGone + QStringLiteral("\nResoucre \"i_nothing\" no found."));
    closeWindow(window);
}

void tst_Load::cancelDuringLinking()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, cancelScripts, {"two"});
    const CloseAtEnd closer(window);
    open(window.get());

    updateScriptConfiguration(window.get(), {"one", "two"}, QStringLiteral("*.scp"));
    ProgressWatch watch(window.get());
    int linkingSteps = 0;
    int lastValue = 0;
    watch.setHook([&](QProgressDialog *dialog, const ProgressState &state) {
        if (state.label != QLatin1String("Name linking.") || state.maximum != 5)
            return;
        if (linkingSteps == 0 || state.value != lastValue) {
            lastValue = state.value;
            // i_chair, then i_ingot.
            if (++linkingSteps == 2)
                dialog->cancel();
        }
    });
    open(window.get());

    QCOMPARE(linkingSteps, 2);
    QCOMPARE(treeLines(fileTree(window.get())),
             (firstLoadFiles +
              QStringList{"one [2]", "  one/a.scp", "  one/b.scp", "two [1]", "  two/c.scp"}));
    QCOMPARE(
        recordLines(window.get(), QStringLiteral("global_type")),
        (QStringList{"i_chair|Chair|2 Iron ingot, 1 Log|Carpentry 100",
                     "i_ingot|Iron ingot||Mining 10", "i_log|Log||",
                     "i_stool|Stool|i_nothing|carpentry 20", "i_table|Table|i_gone|carpentry 90"}));
    QCOMPARE(treeLines(skillTree(window.get())),
             (QStringList{"Carpentry", "  Chair", "Mining", "  Iron ingot"}));
    QCOMPARE(browserText(window.get()), firstLoadBrowser);
    QCOMPARE(progressDialogsOf(window.get()), 0);

    watch.setHook(nullptr);
    clear(window.get());
    QCOMPARE(treeLines(skillTree(window.get())), QStringList());
    open(window.get());
    QCOMPARE(treeLines(skillTree(window.get())),
             (QStringList{"Carpentry", "  Chair", "  Stool", "  Table", "Mining", "  Iron ingot"}));
    closeWindow(window);
}

void tst_Load::emptyDirectoryList()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window =
        startWithScripts(wd, {"s/a.scp|[itemdef i_a]\nSKILLMAKE=Tailoring 1\n"}, QStringList());
    const CloseAtEnd closer(window);
    fileTree(window.get())->addTopLevelItem(new QTreeWidgetItem(QStringList{"earlier"}));
    textBrowser(window.get())->setPlainText(QStringLiteral("earlier"));
    ProgressWatch watch(window.get());
    open(window.get());

    QCOMPARE(watch.titles(), (QStringList{"Evaluation...", "Loading...", "Processing..."}));
    // Without directories the reading pass processes no events.
    QCOMPARE(watch.labels(),
             (QStringList{"Clearing old information.", "Search information.", "Name linking."}));
    QCOMPARE(watch.hides(), 0);
    for (const ProgressState &state : watch.states()) {
        QVERIFY(state.visible);
        if (state.label != QLatin1String("Clearing old information."))
            QCOMPARE(state.maximum, 0);
    }
    QCOMPARE(treeLines(fileTree(window.get())), QStringList{"earlier"});
    QCOMPARE(treeLines(skillTree(window.get())), QStringList());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")), QStringList());
    QCOMPARE(browserText(window.get()), QString());
    closeWindow(window);
}

void tst_Load::backslashAndEmptyDirectoryStrings()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(
        wd,
        {"top.scp|[itemdef i_top]\nX=1\n", "sc/items/b.scp|[itemdef i_b]\nRESOURCES=i_top\n",
         "sc/items/deep/c.scp|[itemdef i_c]\nX=1\n"},
        {"", "sc\\items", "sc\\items\\"});
    const CloseAtEnd closer(window);
    open(window.get());
    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{" [3]", "  ./top.scp", "  ./sc/items/b.scp", "  ./sc/items/deep/c.scp",
                          "sc\\items [2]", "  sc/items/b.scp", "  sc/items/deep/c.scp",
                          "sc\\items\\ [2]", "  sc/items/b.scp", "  sc/items/deep/c.scp"}));
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")),
             (QStringList{"i_b|B|1 Top|", "i_c|C||", "i_top|Top||"}));
    closeWindow(window);
}

void tst_Load::openAndClearDuringLoad_ignored()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, cancelScripts, {"one", "two"});
    const CloseAtEnd closer(window);
    Tavrel *w = window.get();
    ProgressWatch watch(w);
    bool triggered = false;
    watch.setHook([&](QProgressDialog *, const ProgressState &state) {
        if (triggered)
            return;
        if (state.label == QLatin1String("Loading object.") && state.value == 4) {
            triggered = true;
            open(w);
            clear(w);
        }
    });
    open(w);
    QVERIFY(triggered);
    QCOMPARE(watch.dialogsShown(), 1);

    triggered = false;
    watch.setHook([&](QProgressDialog *, const ProgressState &state) {
        if (triggered)
            return;
        if (state.label == QLatin1String("Name linking.") && state.maximum == 5) {
            triggered = true;
            clear(w);
            open(w);
        }
    });
    open(w);
    QVERIFY(triggered);
    QCOMPARE(watch.dialogsShown(), 2);

    const QStringList oneLoad{"one [2]", "  one/a.scp", "  one/b.scp", "two [1]", "  two/c.scp"};
    QCOMPARE(treeLines(fileTree(w)), oneLoad + oneLoad);
    QCOMPARE(treeLines(skillTree(w)),
             (QStringList{"Carpentry", "  Chair", "  Stool", "  Table", "Mining", "  Iron ingot"}));
    QCOMPARE(recordLines(w, QStringLiteral("global_type")).size(), 5);
    closeWindow(window);
}

void tst_Load::load_leavesScriptsUntouched()
{
    const WorkingDirectory wd;
    const QStringList scripts =
        cancelScripts +
        QStringList{"one/deep/d.scp|\xef\xbb\xbf[itemdef i_d]\r\nname=D\r\nON=@Create\r\n"
                    "  SERV.NEWITEM i_x\r\n",
                    "one/notes.txt|[itemdef i_n]\nNAME=N\n", "two/.hidden.scp|[x]\ny=1\n"};
    writeScripts(wd, scripts);
    writeScriptConfiguration({"one", "two"}, QStringLiteral("*.scp,*.txt"));

    const QDateTime past = QDateTime::currentDateTimeUtc().addDays(-3);
    QMap<QString, QByteArray> contents;
    const QStringList roots{"one", "two"};
    auto entries = [&]() {
        QStringList found;
        for (const QString &root : roots) {
            QDirIterator it(QDir(wd.path()).filePath(root),
                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                found.append(it.next());
        }
        found.sort();
        return found;
    };
    const QStringList before = entries();
    for (const QString &path : before) {
        QFile file(path);
        if (!QFileInfo(path).isFile())
            continue;
        QVERIFY(file.open(QIODevice::ReadWrite));
        contents.insert(path, file.readAll());
        QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    QCOMPARE(contents.size(), 6);

    std::unique_ptr<Tavrel> window = startWindow();
    const CloseAtEnd closer(window);
    open(window.get());
    open(window.get());
    QCOMPARE(recordLines(window.get(), QStringLiteral("global_type")).size(), 7);
    closeWindow(window);

    QCOMPARE(entries(), before);
    for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
        QFile file(it.key());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), it.value());
        QCOMPARE(QFileInfo(it.key()).lastModified().toUTC(), past);
    }
}

void tst_Load::windowClosedDuringLoad()
{
    const WorkingDirectory wd;
    std::unique_ptr<Tavrel> window = startWithScripts(wd, cancelScripts, {"one", "two"});
    const CloseAtEnd closer(window);
    Tavrel *w = window.get();
    ProgressWatch watch(w);
    bool closed = false;
    watch.setHook([&](QProgressDialog *, const ProgressState &state) {
        if (!closed && state.label == QLatin1String("Loading object.") && state.value == 2) {
            closed = true;
            w->close();
        }
    });
    // As in the program: the load runs from the event loop, which has to end once the load
    // has returned. Should it not, the guard ends it with another code.
    QTimer::singleShot(0, w, [w] { open(w); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    guard.start(60000);
    QCOMPARE(QApplication::exec(), 0);
    guard.stop();

    QVERIFY(closed);
    QVERIFY(!w->isVisible());
    QVERIFY(!watch.labels().contains(QStringLiteral("Name linking.")));
    QCOMPARE(treeLines(skillTree(w)), QStringList());
    QCOMPARE(treeLines(fileTree(w)), (QStringList{"one [2]", "  one/a.scp", "  one/b.scp"}));
    QVERIFY(wd.exists(QStringLiteral("config.cfg")));
    QCOMPARE(progressDialogsOf(w), 0);
    window.reset();
}

QTEST_MAIN(tst_Load)
#include "tst_load.moc"
