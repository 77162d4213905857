// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "cli/pages.h"
#include "core/config/configuration.h"
#include "core/load/scriptload.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace tavrel;

namespace {

Run runTool(const QStringList &arguments)
{
    return runProgram(QStringLiteral(TAVREL_REPORT_PATH),
                      QStringList{QStringLiteral("--dir"), QStringLiteral("scripts")} + arguments);
}

// Three levels (throne, chair, board, log), a board used by several, an item type as a
// resource, cycles of two and three items, zero and unparsable amounts, an id naming nothing, a
// name with markup, and a skill of its own.
void writeRecipes(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("scripts/wood.scp"),
              "[ITEMDEF i_log]\nNAME=Log\n"
              "[ITEMDEF i_nail]\nNAME=Nail\n"
              "[ITEMDEF i_apple]\nTYPE=t_food\n"
              "[ITEMDEF i_board]\nNAME=Board\nRESOURCES=2 i_log\nSKILLMAKE=carpentry 10\n"
              "[ITEMDEF i_chair]\nNAME=Wooden chair\nRESOURCES=4 i_board, 6 i_nail\n"
              "SKILLMAKE=carpentry 20,tailoring 5,carpentry 30\n"
              "[ITEMDEF i_throne]\nNAME=Throne\nRESOURCES=2 i_chair,10 I_BOARD,1 t_food\n"
              "SKILLMAKE=carpentry 80\n");
    dir.write(QStringLiteral("scripts/odd/odd.scp"),
              "[ITEMDEF i_stew]\nNAME=<b>Stew</b> & more\n"
              "RESOURCES=2 t_food,0 i_log,x i_board,1 i_missing\nSKILLMAKE=cooking 50\n"
              "[ITEMDEF i_a]\nRESOURCES=1 i_b,3 i_nail\n"
              "[ITEMDEF i_b]\nRESOURCES=2 i_a,5 i_log\n"
              "[ITEMDEF i_p]\nRESOURCES=1 i_q\n"
              "[ITEMDEF i_q]\nRESOURCES=2 i_r\n"
              "[ITEMDEF i_r]\nRESOURCES=3 i_p,1 i_nail\n");
}

QStringList filesBelow(const QString &directory)
{
    QStringList files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(directory).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QStringList links(const QByteArray &page)
{
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    QStringList targets;
    auto match = href.globalMatch(QString::fromUtf8(page));
    while (match.hasNext())
        targets.append(match.next().captured(1));
    return targets;
}

} // namespace

class tst_CrossRefCli : public QObject
{
    Q_OBJECT

private slots:
    void uses_data();
    void uses();
    void usesJson();
    void usesInCode_data();
    void usesInCode();
    void billText_data();
    void billText();
    void billJson();
    void badUsage_data();
    void badUsage();
    void pages_linksResolveAndValuesEscaped();
    void pages_skillPagesStayTheWindowReports();
    void pages_rerunDropsPagesOfItemsGone();
    void itemPageNames_data();
    void itemPageNames();
};

void tst_CrossRefCli::uses_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    const QByteArray board = "scripts/wood.scp:13:13: i_chair \"Wooden chair\" needs 4 "
                             "[Carpentry, Tailoring]\n"
                             "scripts/odd/odd.scp:3:30: i_stew \"<b>Stew</b> & more\" needs "
                             "0 [Cooking]\n"
                             "scripts/wood.scp:17:24: i_throne \"Throne\" needs 10 [Carpentry]\n";
    QTest::newRow("item used by several") << QStringLiteral("i_board") << 0 << board;
    QTest::newRow("id in upper case") << QStringLiteral("I_Board") << 0 << board;
    QTest::newRow("item type") << QStringLiteral("t_food") << 0
                               << QByteArray("scripts/odd/odd.scp:3:13: i_stew \"<b>Stew</b> & "
                                             "more\" needs 2 [Cooking]\n"
                                             "scripts/wood.scp:17:34: i_throne \"Throne\" needs "
                                             "1 [Carpentry]\n"
                                             "scripts/wood.scp:6:6: TYPE in ITEMDEF i_apple\n");
    QTest::newRow("no skill") << QStringLiteral("i_a") << 0
                              << QByteArray("scripts/odd/odd.scp:8:13: i_b \"B\" needs 2\n");
    QTest::newRow("used by nothing") << QStringLiteral("i_throne") << 1 << QByteArray();
}

void tst_CrossRefCli::uses()
{
    QFETCH(QString, id);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool({QStringLiteral("--uses"), id});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
}

void tst_CrossRefCli::usesJson()
{
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool({QStringLiteral("--uses"), QStringLiteral("i_log"),
                             QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(root.value(QStringLiteral("id")).toString(), QStringLiteral("i_log"));
    QCOMPARE(root.value(QStringLiteral("kind")).toString(), QStringLiteral("item"));
    QCOMPARE(root.value(QStringLiteral("name")).toString(), QStringLiteral("Log"));
    const QJsonArray uses = root.value(QStringLiteral("uses")).toArray();
    QStringList defnames;
    for (const QJsonValue &use : uses)
        defnames.append(use[QStringLiteral("defname")].toString());
    QCOMPARE(defnames, (QStringList{"i_b", "i_board", "i_stew"}));
    const QJsonObject stew = uses.at(2).toObject();
    QCOMPARE(stew.value(QStringLiteral("amount")).toInt(-1), 0);
    QCOMPARE(stew.value(QStringLiteral("name")).toString(), QStringLiteral("<b>Stew</b> & more"));
    QCOMPARE(stew.value(QStringLiteral("skills")).toArray(), QJsonArray{QStringLiteral("Cooking")});
    QCOMPARE(stew.value(QStringLiteral("file")).toString(), QStringLiteral("scripts/odd/odd.scp"));
    QCOMPARE(stew.value(QStringLiteral("line")).toInt(), 3);
    QCOMPARE(stew.value(QStringLiteral("column")).toInt(), 22);

    const Run type = runTool({QStringLiteral("--uses"), QStringLiteral("t_food"),
                              QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonObject typeRoot = QJsonDocument::fromJson(type.out).object();
    QCOMPARE(typeRoot.value(QStringLiteral("kind")).toString(), QStringLiteral("type"));
    QCOMPARE(typeRoot.value(QStringLiteral("uses")).toArray().size(), 2);

    const Run none = runTool({QStringLiteral("--uses"), QStringLiteral("i_throne"),
                              QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(none.exitCode, 1);
    QCOMPARE(QJsonDocument::fromJson(none.out)[QStringLiteral("uses")].toArray(), QJsonArray());
}

void tst_CrossRefCli::usesInCode_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    QTest::newRow("the lines that call a function")
        << QStringLiteral("f_open") << 0
        << QByteArray("scripts/code.scp:5:11: TIMERF in ITEMDEF i_lever\n"
                      "scripts/code.scp:6:1: f_open in ITEMDEF i_lever\n"
                      "scripts/code.scp:7:5: TRY in ITEMDEF i_lever\n");
    QTest::newRow("the lines that open a dialog")
        << QStringLiteral("d_menu") << 0
        << QByteArray("scripts/code.scp:2:12: DIALOG in FUNCTION f_open\n"
                      "scripts/code.scp:8:22: ISDIALOGOPEN in ITEMDEF i_lever\n");
    QTest::newRow("an item named as a verb is not called")
        << QStringLiteral("i_lever") << 1 << QByteArray();
}

void tst_CrossRefCli::usesInCode()
{
    QFETCH(QString, id);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    const WorkingDirectory dir;
    dir.write(QStringLiteral("scripts/code.scp"),
              "[FUNCTION f_open]\nSRC.DIALOG d_menu\n[ITEMDEF i_lever]\nON=@DClick\n"
              "TIMERF 1, f_open\nf_open\nTRY f_open\nIF <SRC.ISDIALOGOPEN.d_menu>\nENDIF\n"
              "i_lever 5\n[DIALOG d_menu]\n0,0\n");
    const Run run = runTool({QStringLiteral("--uses"), id});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
}

void tst_CrossRefCli::billText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("three levels, twice") << QStringList{"--bom", "i_throne", "--amount", "2"}
                                         << QByteArray("2 Throne (i_throne)\n"
                                                       "  4 Wooden chair (i_chair)\n"
                                                       "    16 Board (i_board)\n"
                                                       "      32 Log (i_log)\n"
                                                       "    24 Nail (i_nail)\n"
                                                       "  20 Board (i_board) [shown above]\n"
                                                       "  2 t_food (t_food) [item type]\n"
                                                       "Raw materials:\n"
                                                       "  72 Log (i_log)\n"
                                                       "  24 Nail (i_nail)\n"
                                                       "  2 t_food (t_food) [item type]\n")
                                         << QByteArray();
    QTest::newRow("zero, unparsable, unknown")
        << QStringList{"--bom", "I_STEW"}
        << QByteArray("1 <b>Stew</b> & more (i_stew)\n"
                      "  2 t_food (t_food) [item type]\n"
                      "  0 Log (i_log)\n"
                      "  0 Board (i_board)\n"
                      "    0 Log (i_log)\n"
                      "  1 i_missing (i_missing) [no item]\n"
                      "Raw materials (partial: a resource names no item):\n"
                      "  2 t_food (t_food) [item type]\n"
                      "  0 Log (i_log)\n")
        << QByteArray("tavrel-report: warning: resource \"i_missing\" names no item and no item "
                      "type: the totals leave it out\n");
    QTest::newRow("cycle of two")
        << QStringList{"--bom", "i_a"}
        << QByteArray("1 A (i_a)\n"
                      "  1 B (i_b)\n"
                      "    2 A (i_a) [cycle]\n"
                      "    5 Log (i_log)\n"
                      "  3 Nail (i_nail)\n"
                      "Raw materials (partial: a cycle stops the expansion):\n"
                      "  5 Log (i_log)\n"
                      "  3 Nail (i_nail)\n")
        << QByteArray("tavrel-report: warning: cycle i_a -> i_b -> i_a: the expansion stops at "
                      "i_a\n");
    QTest::newRow("cycle of three")
        << QStringList{"--bom", "i_q"}
        << QByteArray("1 Q (i_q)\n"
                      "  2 R (i_r)\n"
                      "    6 P (i_p) [cycle]\n"
                      "    2 Nail (i_nail)\n"
                      "Raw materials (partial: a cycle stops the expansion):\n"
                      "  2 Nail (i_nail)\n")
        << QByteArray("tavrel-report: warning: cycle i_p -> i_q -> i_r -> i_p: the expansion "
                      "stops at i_p\n");
    QTest::newRow("not crafted") << QStringList{"--bom", "i_log", "--amount", "3"}
                                 << QByteArray("3 Log (i_log)\nRaw materials:\n  3 Log (i_log)\n")
                                 << QByteArray();
}

void tst_CrossRefCli::billText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool(arguments);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(run.exitCode, 0);
}

void tst_CrossRefCli::billJson()
{
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool({QStringLiteral("--bom"), QStringLiteral("i_p"),
                             QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();

    const QJsonObject tree = root.value(QStringLiteral("tree")).toObject();
    QCOMPARE(tree.value(QStringLiteral("id")).toString(), QStringLiteral("i_p"));
    QCOMPARE(tree.value(QStringLiteral("amount")).toInt(), 1);
    QVERIFY(tree.value(QStringLiteral("crafted")).toBool());
    QVERIFY(!tree.contains(QStringLiteral("stop")));
    const QJsonObject q = tree.value(QStringLiteral("resources")).toArray().at(0).toObject();
    const QJsonObject r = q.value(QStringLiteral("resources")).toArray().at(0).toObject();
    QCOMPARE(r.value(QStringLiteral("name")).toString(), QStringLiteral("R"));
    const QJsonArray belowR = r.value(QStringLiteral("resources")).toArray();
    QCOMPARE(belowR.size(), 2);
    const QJsonObject repeated = belowR.at(0).toObject();
    QCOMPARE(repeated.value(QStringLiteral("id")).toString(), QStringLiteral("i_p"));
    QCOMPARE(repeated.value(QStringLiteral("amount")).toInt(), 6);
    QCOMPARE(repeated.value(QStringLiteral("stop")).toString(), QStringLiteral("cycle"));
    QVERIFY(!repeated.contains(QStringLiteral("resources")));
    const QJsonObject nail = belowR.at(1).toObject();
    QCOMPARE(nail.value(QStringLiteral("kind")).toString(), QStringLiteral("item"));
    QVERIFY(!nail.value(QStringLiteral("crafted")).toBool());

    const QJsonArray totals = root.value(QStringLiteral("totals")).toArray();
    QCOMPARE(totals.size(), 1);
    QCOMPARE(totals.at(0)[QStringLiteral("id")].toString(), QStringLiteral("i_nail"));
    QCOMPARE(totals.at(0)[QStringLiteral("amount")].toInt(), 2);
    QVERIFY(root.value(QStringLiteral("partial")).toBool());
    const QJsonArray cycles = root.value(QStringLiteral("cycles")).toArray();
    QCOMPARE(cycles.size(), 1);
    QCOMPARE(cycles.at(0)[QStringLiteral("items")].toArray(),
             (QJsonArray{QStringLiteral("i_p"), QStringLiteral("i_q"), QStringLiteral("i_r")}));
    QCOMPARE(cycles.at(0)[QStringLiteral("length")].toInt(), 3);
    QCOMPARE(root.value(QStringLiteral("unknown")).toArray(), QJsonArray());

    const Run stew = runTool({QStringLiteral("--bom"), QStringLiteral("i_stew"),
                              QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonObject stewRoot = QJsonDocument::fromJson(stew.out).object();
    QCOMPARE(stewRoot.value(QStringLiteral("unknown")).toArray(),
             QJsonArray{QStringLiteral("i_missing")});
    QStringList kinds;
    const QJsonArray resources =
        stewRoot.value(QStringLiteral("tree"))[QStringLiteral("resources")].toArray();
    for (const QJsonValue &resource : resources)
        kinds.append(resource[QStringLiteral("kind")].toString() + QLatin1Char(' ') +
                     QString::number(resource[QStringLiteral("amount")].toInt(-1)));
    QCOMPARE(kinds, (QStringList{"type 2", "item 0", "item 0", "unknown 1"}));
}

void tst_CrossRefCli::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("uses of nothing")
        << QStringList{"--uses", "i_missing"}
        << QByteArray("\"i_missing\" names nothing the scripts define");
    QTest::newRow("bill of nothing")
        << QStringList{"--bom", "i_gone"} << QByteArray("\"i_gone\" names no item");
    QTest::newRow("bill of a type")
        << QStringList{"--bom", "t_food"} << QByteArray("\"t_food\" is an item type, not an item");
    QTest::newRow("amount zero") << QStringList{"--bom", "i_board", "--amount", "0"}
                                 << QByteArray("--amount needs a whole number above 0, not \"0\"");
    QTest::newRow("amount negative")
        << QStringList{"--bom", "i_board", "--amount", "-2"}
        << QByteArray("--amount needs a whole number above 0, not \"-2\"");
    QTest::newRow("amount not a number")
        << QStringList{"--bom", "i_board", "--amount", "2x"}
        << QByteArray("--amount needs a whole number above 0, not \"2x\"");
    QTest::newRow("amount without bill")
        << QStringList{"--uses", "i_board", "--amount", "2"} << QByteArray("--amount needs --bom");
    QTest::newRow("uses and bill") << QStringList{"--uses", "i_log", "--bom", "i_board"}
                                   << QByteArray("use only one of --check, --uses and --bom");
    QTest::newRow("check and uses") << QStringList{"--check", "--uses", "i_log"}
                                    << QByteArray("use only one of --check, --uses and --bom");
    QTest::newRow("empty id") << QStringList{"--bom", ""} << QByteArray("--bom needs an id");
    QTest::newRow("sarif") << QStringList{"--bom", "i_board", "--format", "sarif"}
                           << QByteArray("--format sarif needs --check");
}

void tst_CrossRefCli::badUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, err);
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, "tavrel-report: " + err + "\n");
}

void tst_CrossRefCli::pages_linksResolveAndValuesEscaped()
{
    const WorkingDirectory dir;
    writeRecipes(dir);
    const Run run = runTool({QStringLiteral("--html"), QStringLiteral("site")});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);

    const QString site = dir.path() + QStringLiteral("/site");
    QCOMPARE(QDir(site + QStringLiteral("/items")).entryList(QDir::Files),
             (QStringList{"i_a.html", "i_b.html", "i_board.html", "i_chair.html", "i_p.html",
                          "i_q.html", "i_r.html", "i_stew.html", "i_throne.html"}));
    QVERIFY(dir.read(QStringLiteral("site/index.html")).contains("<a href=\"items.html\">"));

    const QStringList files = filesBelow(site);
    QSet<QString> linked;
    for (const QString &file : files) {
        if (!file.endsWith(QLatin1String(".html")))
            continue;
        const QByteArray page = dir.read(QStringLiteral("site/") + file);
        QVERIFY2(!page.contains("<script") && !page.contains("://") && !page.contains(" src="),
                 qPrintable(file));
        const QString base = QFileInfo(site + QLatin1Char('/') + file).absolutePath();
        for (const QString &target : links(page)) {
            const QString resolved = QDir::cleanPath(base + QLatin1Char('/') + target);
            QVERIFY2(QFileInfo(resolved).isFile(),
                     qPrintable(file + QStringLiteral(": ") + target));
            linked.insert(QDir(site).relativeFilePath(resolved));
        }
    }
    // Every page can be reached from the others.
    for (const QString &file : files) {
        if (file != QLatin1String("index.html") && file.endsWith(QLatin1String(".html")))
            QVERIFY2(linked.contains(file), qPrintable(file));
    }

    const QString throne = QString::fromUtf8(dir.read(QStringLiteral("site/items/i_throne.html")));
    QVERIFY(throne.contains(QStringLiteral("<li>2 <a href=\"i_chair.html\">Wooden chair</a> "
                                           "(i_chair)</li>")));
    QVERIFY(throne.contains(QStringLiteral("<li>1 t_food (t_food), an item type</li>")));
    QVERIFY(throne.contains(QStringLiteral("<p>No item uses it.</p>")));
    QVERIFY(throne.contains(QStringLiteral("<li>36 Log (i_log)</li>\n<li>12 Nail (i_nail)</li>")));
    QVERIFY(!throne.contains(QStringLiteral("Partial")));

    const QString board = QString::fromUtf8(dir.read(QStringLiteral("site/items/i_board.html")));
    QVERIFY(board.contains(
        QStringLiteral("<li><a href=\"i_chair.html\">Wooden chair</a> (i_chair) needs 4</li>\n"
                       "<li><a href=\"i_stew.html\">&lt;b&gt;Stew&lt;/b&gt; &amp; more</a> "
                       "(i_stew) needs 0</li>\n"
                       "<li><a href=\"i_throne.html\">Throne</a> (i_throne) needs 10</li>")));

    const QByteArray stew = dir.read(QStringLiteral("site/items/i_stew.html"));
    QVERIFY(!stew.contains("<b>Stew"));
    QVERIFY(stew.contains("<title>&lt;b&gt;Stew&lt;/b&gt; &amp; more</title>"));
    QVERIFY(stew.contains("<li>1 i_missing, which names no item</li>"));
    QVERIFY(stew.contains("<p>Partial:"));
    QVERIFY(dir.read(QStringLiteral("site/items/i_q.html")).contains("<p>Partial:"));
    QVERIFY(dir.read(QStringLiteral("site/items.html"))
                .contains("<li><a href=\"items/i_a.html\">A</a> (i_a)</li>"));
}

void tst_CrossRefCli::pages_skillPagesStayTheWindowReports()
{
    const WorkingDirectory dir;
    writeRecipes(dir);
    QCOMPARE(runTool({QStringLiteral("--html"), QStringLiteral("site")}).exitCode, 0);
    const LoadedScripts loaded = loadScripts({QStringLiteral("scripts")}, QStringLiteral("*"));
    const Configuration defaults = readConfiguration(QStringLiteral("no-such.cfg"));
    QCOMPARE(loaded.skills.size(), 3);
    for (const SkillGroup &skill : loaded.skills) {
        const QByteArray page = dir.read(QStringLiteral("site/") + skillPageName(skill.name));
        QCOMPARE(QString::fromUtf8(page),
                 QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                                "<title>%1</title>\n</head>\n<body>\n%2\n</body>\n</html>\n")
                     .arg(skill.name, skillReport(defaults, skill)));
    }
}

void tst_CrossRefCli::pages_rerunDropsPagesOfItemsGone()
{
    const WorkingDirectory dir;
    writeRecipes(dir);
    QCOMPARE(runTool({QStringLiteral("--html"), QStringLiteral("site")}).exitCode, 0);
    QVERIFY(dir.exists(QStringLiteral("site/items/i_stew.html")));
    // What killed runs leave beside the site does not stop the next one, which removes it.
    dir.write(QStringLiteral(".site.tavrel-Stale1/stale.html"), "old");
    QVERIFY(
        QFile::link(QStringLiteral(".site.tavrel-Stale1"), QStringLiteral(".site.tavrel-Stale2")));

    QFile::remove(dir.path() + QStringLiteral("/scripts/odd/odd.scp"));
    const Run run = runTool({QStringLiteral("--html"), QStringLiteral("site")});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesBelow(dir.path() + QStringLiteral("/site/items")),
             (QStringList{"i_board.html", "i_chair.html", "i_throne.html"}));
    QStringList beside = QDir(dir.path())
                             .entryList({QStringLiteral(".site.tavrel-*")},
                                        QDir::AllEntries | QDir::System | QDir::Hidden);
    beside.removeOne(QFileInfo(QStringLiteral("site")).symLinkTarget().section(u'/', -1));
    QCOMPARE(beside, QStringList{".site.tavrel-lock"});
    QVERIFY(!dir.read(QStringLiteral("site/items.html")).contains("i_stew"));
}

void tst_CrossRefCli::itemPageNames_data()
{
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("page");

    QTest::newRow("plain") << QStringLiteral("i_board") << QStringLiteral("i_board.html");
    QTest::newRow("digits") << QStringLiteral("i_item_000123")
                            << QStringLiteral("i_item_000123.html");
    QTest::newRow("hex id") << QStringLiteral("0x1f03") << QStringLiteral("0x1f03.html");
    QTest::newRow("dash") << QStringLiteral("i-board") << QStringLiteral("i-board.html");
    QTest::newRow("dot, the same slug as the dash")
        << QStringLiteral("i.board") << QStringLiteral("i-board-");
    QTest::newRow("slash and dots")
        << QStringLiteral("../i_x") << QStringLiteral("i_x-ecd3013a669d.html");
    QTest::newRow("device name") << QStringLiteral("con")
                                 << QStringLiteral("con-b1f6e510eb0f.html");
    QTest::newRow("the list's name")
        << QStringLiteral("items") << QStringLiteral("items-7316c8b2e748.html");
    QTest::newRow("too long") << QString(70, QLatin1Char('x'))
                              << QString(60, QLatin1Char('x')) + QLatin1Char('-');
    QTest::newRow("nothing usable") << QStringLiteral("äöü") << QStringLiteral("item-");
}

void tst_CrossRefCli::itemPageNames()
{
    QFETCH(QString, defname);
    QFETCH(QString, page);
    const QString name = itemPageName(defname);
    static const QRegularExpression safe(QStringLiteral("^[a-z0-9_][a-z0-9_-]{0,75}\\.html$"));
    QVERIFY2(safe.match(name).hasMatch(), qPrintable(name));
    QCOMPARE(itemPageName(defname), name);
    if (page.endsWith(QLatin1String(".html")))
        QCOMPARE(name, page);
    else
        QVERIFY2(name.startsWith(page), qPrintable(name));
}

QTEST_GUILESS_MAIN(tst_CrossRefCli)
#include "tst_crossref_cli.moc"
