// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "cli/pages.h"
#include "core/check/checks.h"
#include "core/config/configuration.h"
#include "core/report/itemrow.h"
#include "scripts/si_item.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace tavrel;

namespace {

Run runTool(const QStringList &arguments)
{
    return runProgram(QStringLiteral(TAVREL_REPORT_PATH), arguments);
}

QByteArray configuration(const QByteArray &dirs, const QByteArray &filter)
{
    // Quoted, or the INI reader would take a filter with "," for a list.
    return "[Settings]\nDirs=" + dirs + "\nFilter=\"" + filter + "\"\n";
}

// Duplicated ids across files, items in two skills and twice in one, unknown resource ids
// repeated over items, an empty resource element, names with "%", sections without an id,
// other section kinds and a file the filter leaves out.
void writeRichScripts(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("scripts/wood.scp"), "[ITEMDEF i_log]\n"
                                                  "NAME=Log\n"
                                                  "[ITEMDEF i_board]\n"
                                                  "NAME=Board\n"
                                                  "RESOURCES=i_log\n"
                                                  "SKILLMAKE=Carpentry 0\n"
                                                  "[ITEMDEF i_chair]\n"
                                                  "NAME=Wooden chair\n"
                                                  "RESOURCES=13 i_board, 2 i_nail\n"
                                                  "SKILLMAKE=carpentry 21\n"
                                                  "[ITEMDEF i_throne]\n"
                                                  "RESOURCES=17 I_BOARD,3 i_cloth,\n"
                                                  "SKILLMAKE=Carpentry 73.6,40 tailoring,"
                                                  "tailoring 10\n"
                                                  "[TYPEDEF t_furniture]\n"
                                                  "NAME=Not an item\n"
                                                  "[ITEMDEF]\n"
                                                  "NAME=No id\n"
                                                  "SKILLMAKE=carpentry 5\n");
    dir.write(QStringLiteral("scripts/cloth/cloth.scp"), "[ITEMDEF 0x1f03]\n"
                                                         "DEFNAME=i_percent\n"
                                                         "NAME=100% cotton\n"
                                                         "RESOURCES=i_nail,i_glue\n"
                                                         "SKILLMAKE=tailoring\n"
                                                         "[ITEMDEF i_cloth]\n"
                                                         "NAME=Folded <b>cloth</b>\n"
                                                         "RESOURCES=1 i_cotton\n"
                                                         "SKILLMAKE=50 tailoring,alchemy 5.5\n"
                                                         "[ITEMDEF i_log]\n"
                                                         "NAME=Oak log\n");
    dir.write(QStringLiteral("scripts/clean/metal.scp"), "[ITEMDEF i_ore]\n"
                                                         "NAME=Ore\n"
                                                         "[ITEMDEF i_ingot]\n"
                                                         "RESOURCES=2 i_ore\n"
                                                         "SKILLMAKE=mining 30\n");
    dir.write(QStringLiteral("scripts/notes.txt"), "[ITEMDEF i_note]\n"
                                                   "SKILLMAKE=inscription 10\n");
}

// Skills, their items with their rendered fields, then the messages, one line each.
QStringList windowLines(Tavrel *window)
{
    QStringList lines;
    QTreeWidget *tree = skillTree(window);
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *node = tree->topLevelItem(i);
        lines.append(QStringLiteral("skill ") + node->text(0));
        for (int c = 0; c < node->childCount(); ++c) {
            const auto *item = static_cast<const SI_item *>(node->child(c));
            lines.append(
                QStringList{item->defname, item->name, item->resources, item->skillmake}.join(
                    QLatin1Char('\t')));
        }
    }
    const QString messages = textBrowser(window)->toPlainText();
    if (!messages.isEmpty()) {
        const QStringList list = messages.split(QLatin1Char('\n'));
        for (const QString &message : list)
            lines.append(QStringLiteral("message ") + message);
    }
    return lines;
}

QStringList toolLines(const QByteArray &json)
{
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    QStringList lines;
    const QJsonArray skills = root.value(QStringLiteral("skills")).toArray();
    for (const QJsonValue &skill : skills) {
        lines.append(QStringLiteral("skill ") + skill[QStringLiteral("name")].toString());
        const QJsonArray items = skill[QStringLiteral("items")].toArray();
        for (const QJsonValue &item : items) {
            lines.append(QStringList{item[QStringLiteral("defname")].toString(),
                                     item[QStringLiteral("name")].toString(),
                                     item[QStringLiteral("resources")].toString(),
                                     item[QStringLiteral("skillmake")].toString()}
                             .join(QLatin1Char('\t')));
        }
    }
    const QJsonArray messages = root.value(QStringLiteral("messages")).toArray();
    for (const QJsonValue &message : messages)
        lines.append(QStringLiteral("message ") + message.toString());
    return lines;
}

std::unique_ptr<Tavrel> loadInWindow()
{
    auto window = startWindow();
    findAction(window.get(), QStringLiteral("Open"))->trigger();
    return window;
}

// The report part of a page: what lies between the body tags.
QString pageBody(const QByteArray &page)
{
    const QString text = QString::fromUtf8(page);
    const QString open = QStringLiteral("<body>\n");
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.lastIndexOf(QStringLiteral("\n</body>"));
    if (start < 0 || end < start)
        return QString();
    return text.mid(start + open.size(), end - start - open.size());
}

struct IndexEntry
{
    QString file;
    QString skill;
    int count = 0;
};

QList<IndexEntry> indexEntries(const QByteArray &index)
{
    static const QRegularExpression entry(
        QStringLiteral("<li><a href=\"([^\"]*)\">([^<]*)</a> \\((\\d+)\\)</li>"));
    QList<IndexEntry> entries;
    auto match = entry.globalMatch(QString::fromUtf8(index));
    while (match.hasNext()) {
        const QRegularExpressionMatch m = match.next();
        entries.append(IndexEntry{m.captured(1), m.captured(2), m.captured(3).toInt()});
    }
    return entries;
}

QStringList htmlFiles(const QString &directory)
{
    return QDir(directory).entryList({QStringLiteral("*")}, QDir::Files, QDir::Name);
}

// Permission tests mean nothing where permissions are not enforced (as root).
bool permissionsEnforced(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("probe"), "x");
    QFile probe(dir.path() + QStringLiteral("/probe"));
    probe.setPermissions(QFileDevice::Permissions());
    const bool enforced = !probe.open(QIODevice::ReadOnly);
    probe.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    probe.remove();
    return enforced;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void sameResultsAsWindow_data();
    void sameResultsAsWindow();
    void scriptLanguage_windowAndToolAgree();
    void serverReading_treeReportAndToolAgree();
    void checkFormats_data();
    void checkFormats();
    void checkExitStatus_data();
    void checkExitStatus();
    void enableCheck_data();
    void enableCheck();
    void verbose_saysWhenSkillsAreNotChecked();
    void blockStructure_textFormat();
    void listChecks();
    void fileNameWithLineBreak_staysOneLine();
    void windowKeepsCheckSection();
    void unreadableScripts_areErrors();
    void specialFilesAsConfiguration_refused_data();
    void specialFilesAsConfiguration_refused();
    void fullOutputDevice_fails();
    void fullDisk_failsNamingThePage();
    void check_data();
    void check();
    void listingText();
    void defaultConfigurationScansWorkingDirectory();
    void htmlPagesAreEscapedWindowReports_data();
    void htmlPagesAreEscapedWindowReports();
    void htmlPageWithSimpleTemplates();
    void pageNames_data();
    void pageNames();
    void oddSkillNamesGiveSafeStablePages();
    void badInput_data();
    void badInput();
    void permissionProblems_data();
    void permissionProblems();
    void helpAndVersion_data();
    void helpAndVersion();
    void scriptFilesStayUntouched();
};

void CliTest::sameResultsAsWindow_data()
{
    QTest::addColumn<QByteArray>("windowConfig");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("configuration file")
        << configuration("scripts", "*.scp") << QStringList{QStringLiteral("--format=json")};
    QTest::newRow("filter overridden")
        << configuration("scripts", "*.txt,*.scp")
        << QStringList{QStringLiteral("--format=json"), QStringLiteral("--filter"),
                       QStringLiteral("*.txt,*.scp")};
    QTest::newRow("directories overridden, later duplicate wins")
        << configuration("scripts/cloth, scripts", "*.scp")
        << QStringList{QStringLiteral("--format=json"), QStringLiteral("--dir"),
                       QStringLiteral("scripts/cloth"), QStringLiteral("--dir"),
                       QStringLiteral("scripts")};
    QTest::newRow("nothing missing")
        << configuration("scripts/clean", "*.scp") << QStringList{QStringLiteral("--format=json")};
}

void CliTest::sameResultsAsWindow()
{
    QFETCH(QByteArray, windowConfig);
    QFETCH(QStringList, arguments);
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), windowConfig);
    // The tool must not need the window's configuration when the options give it all.
    if (arguments.contains(QStringLiteral("--dir"))) {
        dir.write(QStringLiteral("tool.cfg"), configuration("elsewhere", "*.scp"));
        arguments << QStringLiteral("--config") << QStringLiteral("tool.cfg");
    }

    const Run run = runTool(arguments);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);

    auto window = loadInWindow();
    const QStringList expected = windowLines(window.get());
    closeWindow(window);
    QVERIFY(expected.size() > 1);
    QCOMPARE(toolLines(run.out), expected);
}

// Comments, item types as resources and tools in SKILLMAKE, read the same by both programs.
void CliTest::scriptLanguage_windowAndToolAgree()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("scripts/alchemy.scp"),
              "[ITEMDEF i_cannon_powder]\n"
              "NAME=Cannon powder // black\n"
              "RESOURCES=5 i_saltpeter//also sulfur and charcoal\n"
              "SKILLMAKE=Alchemy 80.0,1 i_mortar // the tool\n"
              "[ITEMDEF i_saltpeter]\n"
              "NAME=Saltpeter\n"
              "TYPE=t_reagent //t_ore\n"
              "[ITEMDEF i_mortar]\n"
              "DEFNAME=i_mortar\t//stone\n"
              "NAME=Mortar and pestle\n"
              "TYPE=t_mortar\n"
              "[ITEMDEF i_stew]\n"
              "NAME=Stew\n"
              "RESOURCES=1 t_food,2 t_reagent,1 i_onion\n"
              "SKILLMAKE=Cooking 30,t_food 1\n"
              "[ITEMDEF i_chest]\n"
              "RESOURCES=10 i_board,1 i_nails,1 i_pillow_throw//,1 i_wand_minax\n"
              "SKILLMAKE=Carpentry 60,1 t_mortar\n");
    dir.write(QStringLiteral("scripts/other.scp"), "[ITEMDEF i_ham]\n"
                                                   "NAME=Ham\n"
                                                   "TYPE=t_food\n"
                                                   "[ITEMDEF i_board]\n"
                                                   "NAME=Board\n"
                                                   "[ITEMDEF i_scroll]\n"
                                                   "NAME=Scroll\n"
                                                   "RESOURCES=1 i_blank_scroll\n"
                                                   "SKILLMAKE=Inscription 65.0,1 i_pen_and_ink\n"
                                                   "[ITEMDEF i_pen_and_ink]\n"
                                                   "NAME=Pen and ink\n"
                                                   "TYPE=t_scribe\n");
    dir.write(QStringLiteral("config.cfg"), configuration("scripts", "*.scp"));

    const QStringList expected{
        "skill Alchemy",
        "i_cannon_powder\tCannon powder\t5 Saltpeter\tAlchemy 80",
        "skill Carpentry",
        "i_chest\tChest\t10 Board\tCarpentry 60",
        "skill Inscription",
        "i_scroll\tScroll\t\tInscription 65",
        "skill Cooking",
        "i_stew\tStew\t1 t_food, 2 t_reagent\tCooking 30",
        "message Resoucre \"i_nails\" no found.",
        "message Resoucre \"i_pillow_throw\" no found.",
        "message Resoucre \"i_blank_scroll\" no found.",
        "message Resoucre \"i_onion\" no found.",
    };

    auto window = loadInWindow();
    const QStringList shown = windowLines(window.get());
    closeWindow(window);
    QCOMPARE(shown, expected);

    const Run run = runTool({QStringLiteral("--format=json")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(toolLines(run.out), expected);
}

// What the game server reads, not what an INI reader makes of it: trigger code after the
// properties, commas in a name, a file in Windows-1252 and plural markers.
void CliTest::serverReading_treeReportAndToolAgree()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("scripts/keg.scp"), "[ITEMDEF i_keg]\n"
                                                 "NAME=Keg\n"
                                                 "TYPE=t_container\n"
                                                 "RESOURCES=3 i_log, 1 i_map\n"
                                                 "SKILLMAKE=Carpentry 30\n"
                                                 "ON=@Create\n"
                                                 "TYPE=t_container_locked\n"
                                                 "NAME=a <SRC.TARG.NAME> Keg(<MOREX>)\n"
                                                 "[ITEMDEF i_log]\n"
                                                 "NAME=log%s\n"
                                                 "[ITEMDEF i_map]\n"
                                                 "NAME=Tattered, Plainly Drawn Map\n");
    dir.write(QStringLiteral("scripts/legacy.scp"), "// \xa9 the old team\n"
                                                    "[ITEMDEF i_cafe]\n"
                                                    "NAME=Caf\xe9 au lait\n"
                                                    "RESOURCES=2 i_log\n"
                                                    "SKILLMAKE=Cooking 10\n");
    dir.write(QStringLiteral("config.cfg"), configuration("scripts", "*.scp"));
    const QStringList expected{
        "skill Cooking",
        QString::fromUtf8("i_cafe\tCaf\xc3\xa9 au lait\t2 logs\tCooking 10"),
        "skill Carpentry",
        "i_keg\tKeg\t3 logs, 1 Tattered, Plainly Drawn Map\tCarpentry 30",
    };

    auto window = loadInWindow();
    QCOMPARE(windowLines(window.get()), expected);
    const QList<SI_item *> containers = findSI(window.get(), QStringLiteral("t_container"));
    QCOMPARE(containers.size(), 1);
    QCOMPARE(containers.constFirst()->defname, QStringLiteral("i_keg"));
    QTreeWidgetItem *carpentry = skillTree(window.get())->topLevelItem(1);
    emit skillTree(window.get())->itemClicked(carpentry, 0);
    QVERIFY(textBrowser(window.get())
                ->toPlainText()
                .contains(QStringLiteral("3 logs, 1 Tattered, Plainly Drawn Map")));
    closeWindow(window);

    const Run run = runTool({QStringLiteral("--format=json")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(toolLines(run.out), expected);
    const Run check = runTool({QStringLiteral("--check")});
    QCOMPARE(check.out, QByteArray("scripts/legacy.scp:3:9: warning: The file is not valid UTF-8; "
                                   "it was read as Windows-1252, so this character is what that "
                                   "code page makes of its byte. [not-utf8]\n"));
}

void CliTest::check_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("err");

    const QByteArray rich = configuration("scripts", "*.scp");
    QTest::newRow("missing ids, text")
        << rich << QStringLiteral("text") << 1
        << QByteArray("scripts/cloth/cloth.scp:4:11: error: Resource \"i_nail\" is not defined; "
                      "RESOURCES expects an item or an item type here. "
                      "[missing-resource] (in i_percent)\n"
                      "scripts/cloth/cloth.scp:4:18: error: Resource \"i_glue\" is not defined; "
                      "RESOURCES expects an item or an item type here. "
                      "[missing-resource] (in i_percent)\n"
                      "scripts/cloth/cloth.scp:8:13: error: Resource \"i_cotton\" is not defined; "
                      "RESOURCES expects an item or an item type here. "
                      "[missing-resource] (in i_cloth)\n"
                      "scripts/cloth/cloth.scp:10:10: warning: Defname \"i_log\" is defined again "
                      "(before at scripts/wood.scp:1); the load keeps this one. "
                      "[duplicate-defname] (in i_log)\n"
                      "scripts/wood.scp:9:25: error: Resource \"i_nail\" is not defined; RESOURCES "
                      "expects an item or an item type here. "
                      "[missing-resource] (in i_chair)\n")
        << QByteArray("tavrel-report: 3 files, 11 definitions, 18 references: 4 errors, 1 "
                      "warning\n");
    QTest::newRow("nothing missing, text")
        << configuration("scripts/clean", "*.scp") << QStringLiteral("text") << 0 << QByteArray()
        << QByteArray("tavrel-report: 1 file, 2 definitions, 2 references: 0 errors, 0 "
                      "warnings\n");
    QTest::newRow("nothing to read, text")
        << configuration("scripts", "*.none") << QStringLiteral("text") << 2 << QByteArray()
        << QByteArray("tavrel-report: no script file matched\n");

    QJsonArray findings;
    const auto add = [&findings](const char *check, const char *id, const char *file, int line,
                                 int column, const char *defname, const QString &message) {
        findings.append(QJsonObject{
            {QStringLiteral("check"), QString::fromUtf8(check)},
            {QStringLiteral("severity"),
             QString::fromUtf8(qstrcmp(check, "missing-resource") == 0 ? "error" : "warning")},
            {QStringLiteral("id"), QString::fromUtf8(id)},
            {QStringLiteral("message"), message},
            {QStringLiteral("file"), QString::fromUtf8(file)},
            {QStringLiteral("line"), line},
            {QStringLiteral("column"), column},
            {QStringLiteral("defname"), QString::fromUtf8(defname)},
            {QStringLiteral("suggestion"), QString()}});
    };
    const auto summary = [](int files, int definitions, int references, int errors, int warnings) {
        return QJsonObject{{QStringLiteral("files"), files},
                           {QStringLiteral("definitions"), definitions},
                           {QStringLiteral("references"), references},
                           {QStringLiteral("errors"), errors},
                           {QStringLiteral("warnings"), warnings}};
    };
    const auto missing = [&add](const char *id, const char *file, int line, int column,
                                const char *defname) {
        add("missing-resource", id, file, line, column, defname,
            QStringLiteral(
                "Resource \"%1\" is not defined; RESOURCES expects an item or an item type here.")
                .arg(QString::fromUtf8(id)));
    };
    missing("i_nail", "scripts/cloth/cloth.scp", 4, 11, "i_percent");
    missing("i_glue", "scripts/cloth/cloth.scp", 4, 18, "i_percent");
    missing("i_cotton", "scripts/cloth/cloth.scp", 8, 13, "i_cloth");
    add("duplicate-defname", "i_log", "scripts/cloth/cloth.scp", 10, 10, "i_log",
        QStringLiteral("Defname \"i_log\" is defined again (before at scripts/wood.scp:1); the "
                       "load keeps this one."));
    missing("i_nail", "scripts/wood.scp", 9, 25, "i_chair");
    QTest::newRow("missing ids, json")
        << rich << QStringLiteral("json") << 1
        << QJsonDocument(QJsonObject{{QStringLiteral("findings"), findings},
                                     {QStringLiteral("summary"), summary(3, 11, 18, 4, 1)}})
               .toJson()
        << QByteArray();
    QTest::newRow("nothing missing, json")
        << configuration("scripts/clean", "*.scp") << QStringLiteral("json") << 0
        << QJsonDocument(QJsonObject{{QStringLiteral("findings"), QJsonArray()},
                                     {QStringLiteral("summary"), summary(1, 2, 2, 0, 0)}})
               .toJson()
        << QByteArray();
}

void CliTest::check()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, format);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), config);

    const Run run = runTool({QStringLiteral("--check"), QStringLiteral("--format"), format});
    QTEST(run.err, "err");
    QCOMPARE(run.exitCode, exitCode);
    if (format == QLatin1String("json"))
        QCOMPARE(QJsonDocument::fromJson(run.out), QJsonDocument::fromJson(output));
    else
        QCOMPARE(run.out, output);

    // Writing the pages does not change the verdict.
    const Run withPages = runTool({QStringLiteral("--check"), QStringLiteral("--format"), format,
                                   QStringLiteral("--html"), QStringLiteral("out")});
    QCOMPARE(withPages.exitCode, exitCode);
    QCOMPARE(withPages.out, run.out);
    QVERIFY(dir.exists(QStringLiteral("out/index.html")));
}

void CliTest::listingText()
{
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), configuration("scripts/cloth", "*.scp"));
    const Run run = runTool({});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Tailoring (1)\n"
                                 "  i_cloth\tFolded <b>cloth</b>\t\tTailoring 50, Alchemy 5.5\n"
                                 "Alchemy (1)\n"
                                 "  i_cloth\tFolded <b>cloth</b>\t\tTailoring 50, Alchemy 5.5\n"
                                 "Resoucre \"i_cotton\" no found.\n"
                                 "Resoucre \"i_nail\" no found.\n"
                                 "Resoucre \"i_glue\" no found.\n"));
}

void CliTest::defaultConfigurationScansWorkingDirectory()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("deep/down/items.scp"), "[ITEMDEF i_stool]\n"
                                                     "SKILLMAKE=carpentry 11\n");
    const Run run = runTool({});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Carpentry (1)\n  i_stool\tStool\t\tCarpentry 11\n"));
}

void CliTest::htmlPagesAreEscapedWindowReports_data()
{
    QTest::addColumn<bool>("check");
    QTest::newRow("pages alone") << false;
    // A check alone loads the items without their rows; with pages, it loads them all.
    QTest::newRow("beside a check") << true;
}

void CliTest::htmlPagesAreEscapedWindowReports()
{
    QFETCH(bool, check);
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), configuration("scripts", "*.scp"));
    const QStringList pages{QStringLiteral("--html"), QStringLiteral("site/pages")};
    const Run run = runTool(check ? QStringList{QStringLiteral("--check")} + pages : pages);
    if (!check) {
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
    }

    const QList<IndexEntry> entries =
        indexEntries(dir.read(QStringLiteral("site/pages/index.html")));
    auto window = loadInWindow();
    QTreeWidget *tree = skillTree(window.get());
    QCOMPARE(entries.size(), tree->topLevelItemCount());
    QStringList expectedFiles{QStringLiteral("index.html"), QStringLiteral("items.html")};
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = tree->topLevelItem(i);
        QCOMPARE(entries.at(i).skill, node->text(0));
        QCOMPARE(entries.at(i).count, node->childCount());
        expectedFiles.append(entries.at(i).file);

        const QByteArray page = dir.read(QStringLiteral("site/pages/") + entries.at(i).file);
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        QVERIFY(page.contains("<meta charset=\"utf-8\">"));
        QVERIFY(page.contains("<title>" + node->text(0).toUtf8() + "</title>"));
        // The window's rows of the skill, in its order, each value escaped.
        QList<ReportItem> items;
        for (int j = 0; j < node->childCount(); ++j) {
            const auto *record = static_cast<SI_item *>(node->child(j));
            items.append(
                ReportItem{record->defname, record->name, record->resources, record->skillmake});
        }
        QCOMPARE(pageBody(page), escapedReportHtml(defaultHeaderTemplate(), defaultItemTemplate(),
                                                   defaultEndTemplate(), items));
    }
    closeWindow(window);
    expectedFiles.sort();
    QCOMPARE(htmlFiles(dir.path() + QStringLiteral("/site/pages")), expectedFiles);
}

void CliTest::htmlPageWithSimpleTemplates()
{
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("report.cfg"),
              "[Settings]\nDirs=scripts\nFilter=*.scp\n"
              "[HTML]\nHeaderString=<table title=%NAME>\n"
              "ItemString=<tr><td>%NAME</td><td>%RESOURCES</td><td>%SKILLMAKE</td></tr>\n"
              "EndString=</table>\n");
    const Run run = runTool({QStringLiteral("--config"), QStringLiteral("report.cfg"),
                             QStringLiteral("--html"), QStringLiteral("out")});
    QCOMPARE(run.exitCode, 0);

    QCOMPARE(
        pageBody(dir.read(QStringLiteral("out/tailoring.html"))),
        QStringLiteral("<table title=%NAME>"
                       "<tr><td>Folded &lt;b&gt;cloth&lt;/b&gt;</td><td></td>"
                       "<td>Tailoring 50, Alchemy 5.5</td></tr>"
                       "<tr><td>Throne</td><td>17 Board, 3 Folded &lt;b&gt;cloth&lt;/b&gt;</td>"
                       "<td>Carpentry 73.6, Tailoring 40, Tailoring 10</td></tr>"
                       "<tr><td>Throne</td><td>17 Board, 3 Folded &lt;b&gt;cloth&lt;/b&gt;</td>"
                       "<td>Carpentry 73.6, Tailoring 40, Tailoring 10</td></tr>"
                       "</table>"));
    QCOMPARE(indexEntries(dir.read(QStringLiteral("out/index.html"))).size(), 4);
}

void CliTest::pageNames_data()
{
    QTest::addColumn<QString>("skill");
    QTest::addColumn<QString>("page");

    QTest::newRow("plain") << QStringLiteral("Carpentry") << QStringLiteral("carpentry.html");
    QTest::newRow("digits") << QStringLiteral("Alchemy2") << QStringLiteral("alchemy2.html");
    QTest::newRow("not capitalised")
        << QStringLiteral("CarPentry")
        << QStringLiteral("carpentry-") +
               QString::fromLatin1(QCryptographicHash::hash("CarPentry", QCryptographicHash::Sha1)
                                       .toHex()
                                       .left(12)) +
               QStringLiteral(".html");
    QTest::newRow("umlaut, slash, blank")
        << QStringLiteral("Ü-ber/sk ill") << QStringLiteral("ber-sk-ill-8855c292cad6.html");
    QTest::newRow("device name") << QStringLiteral("Con")
                                 << QStringLiteral("con-f6b38904cc0d.html");
    QTest::newRow("parent directory")
        << QStringLiteral("..") << QStringLiteral("skill-9d891e731f75.html");
    QTest::newRow("index page") << QStringLiteral("Index")
                                << QStringLiteral("index-c2df9b932637.html");
}

void CliTest::pageNames()
{
    QFETCH(QString, skill);
    QFETCH(QString, page);
    QCOMPARE(skillPageName(skill), page);
}

void CliTest::oddSkillNamesGiveSafeStablePages()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("scripts/odd.scp"),
              "[ITEMDEF i_a]\nSKILLMAKE=carpentry 1, ü-ber/sk 2, con 3, 4 .., index 5, lpt1 6, "
              "c:x 7, " +
                  QByteArray(300, 'z') + " 8\n");
    const QStringList arguments{QStringLiteral("--dir"), QStringLiteral("scripts"),
                                QStringLiteral("--html")};
    QCOMPARE(runTool(arguments + QStringList{QStringLiteral("first")}).exitCode, 0);
    QCOMPARE(runTool(arguments + QStringList{QStringLiteral("second")}).exitCode, 0);

    const QStringList files = htmlFiles(dir.path() + QStringLiteral("/first"));
    QCOMPARE(htmlFiles(dir.path() + QStringLiteral("/second")), files);
    QCOMPARE(files.size(), 10);
    QVERIFY(files.contains(QStringLiteral("carpentry.html")));
    QVERIFY(files.contains(QStringLiteral("skill-9d891e731f75.html")));
    QVERIFY(files.contains(QStringLiteral("ber-sk-8b98344305ad.html")));
    static const QRegularExpression safe(QStringLiteral("^[a-z0-9][a-z0-9-]{0,75}\\.html$"));
    for (const QString &file : files)
        QVERIFY2(safe.match(file).hasMatch(), qPrintable(file));

    const QList<IndexEntry> entries = indexEntries(dir.read(QStringLiteral("first/index.html")));
    QCOMPARE(entries.size(), 8);
    QSet<QString> linked;
    for (const IndexEntry &entry : entries) {
        QVERIFY(files.contains(entry.file));
        linked.insert(entry.file);
    }
    QCOMPARE(linked.size(), 8);
    QCOMPARE(entries.at(1).skill, QStringLiteral("Ü-ber/sk"));
    QCOMPARE(entries.at(3).skill, QStringLiteral(".."));
    // Nothing was written beside the output directory.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void CliTest::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QStringList>("mentions");

    const QByteArray good = configuration("scripts", "*.scp");
    const auto args = [](std::initializer_list<const char *> list) {
        QStringList result;
        for (const char *a : list)
            result.append(QString::fromUtf8(a));
        return result;
    };
    QTest::newRow("missing script directory")
        << args({"--dir", "nowhere"}) << good << args({"\"nowhere\"", "does not exist"});
    QTest::newRow("script directory is a file")
        << args({"--dir", "scripts/wood.scp"}) << good
        << args({"\"scripts/wood.scp\"", "is not a directory"});
    QTest::newRow("configured directory missing")
        << args({"--check"}) << configuration("scripts, gone", "*")
        << args({"\"gone\"", "does not exist"});
    QTest::newRow("missing configuration")
        << args({"--config", "none.cfg"}) << good << args({"\"none.cfg\"", "does not exist"});
    QTest::newRow("configuration is a directory")
        << args({"--config", "scripts"}) << good << args({"\"scripts\"", "is a directory"});
    QTest::newRow("malformed configuration")
        << args({"--check"}) << QByteArray("[Settings\nDirs=scripts\n")
        << args({"\"./config.cfg\"", "not a valid configuration"});
    QTest::newRow("script given as configuration")
        << args({"--config", "scripts/wood.scp"}) << good
        << args({"\"scripts/wood.scp\"", "none of the keys"});
    QTest::newRow("output below a file")
        << args({"--html", "scripts/wood.scp/out"}) << good
        << args({"\"scripts/wood.scp/out\"", "\"", "is not a directory"});
    QTest::newRow("output is a file") << args({"--html", "scripts/wood.scp"}) << good
                                      << args({"\"scripts/wood.scp\"", "is not a directory"});
    QTest::newRow("unknown option") << args({"--bogus"}) << good << args({"bogus"});
    QTest::newRow("--no-wait without --html")
        << args({"--no-wait"}) << good << args({"--no-wait needs --html"});
    QTest::newRow("unknown format") << args({"--check", "--format", "xml"}) << good
                                    << args({"\"xml\"", "text, json, sarif or github"});
    QTest::newRow("argument without option") << args({"scripts"}) << good << args({"\"scripts\""});
    QTest::newRow("option without value") << args({"--dir"}) << good << args({"--dir"});
    QTest::newRow("tables file missing") << args({"--check", "--tables", "tables.scp"}) << good
                                         << args({"\"tables.scp\"", "no such file"});
    QTest::newRow("configured tables file missing")
        << args({"--check"}) << QByteArray(good + "[Check]\nTables=gone.scp\n")
        << args({"\"gone.scp\""});
    QTest::newRow("tables with directories")
        << args({"--tables", "scripts/wood.scp", "--dir", "scripts"}) << good
        << args({"--tables", "--dir"});
}

void CliTest::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, config);
    QFETCH(QStringList, mentions);
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), config);

    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("tavrel-report: "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.endsWith('\n'));
    for (const QString &mention : mentions)
        QVERIFY2(run.err.contains(mention.toUtf8()), run.err.constData());
    QCOMPARE(QDirIterator(dir.path(), {QStringLiteral("*.html")}, QDir::Files,
                          QDirIterator::Subdirectories)
                 .hasNext(),
             false);
}

void CliTest::permissionProblems_data()
{
    QTest::addColumn<QString>("locked");
    QTest::addColumn<int>("permissions");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("mentions");

    const int readOnlyDirectory = int(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QTest::newRow("unreadable configuration")
        << QStringLiteral("config.cfg") << 0 << QStringList{QStringLiteral("--check")}
        << QStringList{QStringLiteral("\"./config.cfg\""), QStringLiteral("ermission denied")};
    QTest::newRow("unreadable script directory")
        << QStringLiteral("scripts") << int(QFileDevice::WriteOwner)
        << QStringList{QStringLiteral("--check")}
        << QStringList{QStringLiteral("\"scripts\""), QStringLiteral("permission denied")};
    QTest::newRow("unwritable output directory")
        << QStringLiteral("out") << readOnlyDirectory
        << QStringList{QStringLiteral("--html"), QStringLiteral("out")}
        << QStringList{QStringLiteral("\"out\""), QStringLiteral("permission denied")};
    QTest::newRow("output below an unwritable directory")
        << QStringLiteral("out") << readOnlyDirectory
        << QStringList{QStringLiteral("--html"), QStringLiteral("out/pages")}
        << QStringList{QStringLiteral("\"out/pages\""), QStringLiteral("no permission")};
}

void CliTest::permissionProblems()
{
    QFETCH(QString, locked);
    QFETCH(int, permissions);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mentions);
    WorkingDirectory dir;
    if (!permissionsEnforced(dir))
        QSKIP("file permissions are not enforced for this user");
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), configuration("scripts", "*.scp"));
    QDir().mkdir(QStringLiteral("out"));

    QFile lockedFile(locked);
    const QFileDevice::Permissions before = lockedFile.permissions();
    lockedFile.setPermissions(QFileDevice::Permissions(permissions));
    const Run run = runTool(arguments);
    lockedFile.setPermissions(before);

    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err.count('\n'), 1);
    for (const QString &mention : mentions)
        QVERIFY2(run.err.contains(mention.toUtf8()), run.err.constData());
    QCOMPARE(htmlFiles(QStringLiteral("out")), QStringList());
    QVERIFY(!QFileInfo::exists(QStringLiteral("out/pages")));
}

void CliTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");

    QTest::newRow("help") << QStringLiteral("--help") << QStringLiteral("--check");
    QTest::newRow("short help") << QStringLiteral("-h") << QStringLiteral("--html <directory>");
    QTest::newRow("version") << QStringLiteral("--version")
                             << QStringLiteral("tavrel-report " TAVREL_VERSION "\n");
}

void CliTest::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);
    WorkingDirectory dir;
    // Neither needs a usable configuration or any script.
    dir.write(QStringLiteral("config.cfg"), "[Settings\n");
    const Run run = runTool({option});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QVERIFY2(run.out.contains(expected.toUtf8()), run.out.constData());
}

void CliTest::scriptFilesStayUntouched()
{
    WorkingDirectory dir;
    writeRichScripts(dir);
    dir.write(QStringLiteral("config.cfg"), configuration("scripts", "*"));
    const auto snapshot = [&dir] {
        QStringList state;
        QDirIterator files(dir.path() + QStringLiteral("/scripts"), QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QFileInfo info(path);
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            state.append(path + QLatin1Char(' ') + info.lastModified().toString(Qt::ISODateWithMs) +
                         QLatin1Char(' ') + QString::fromLatin1(file.readAll().toBase64()));
        }
        state.sort();
        return state;
    };
    const QStringList before = snapshot();
    const QByteArray config = dir.read(QStringLiteral("config.cfg"));
    QCOMPARE(before.size(), 4);

    QCOMPARE(runTool({}).exitCode, 0);
    QCOMPARE(runTool({QStringLiteral("--check"), QStringLiteral("--format=json")}).exitCode, 1);
    QCOMPARE(runTool({QStringLiteral("--html"), QStringLiteral("scripts/../out")}).exitCode, 0);

    QCOMPARE(snapshot(), before);
    QCOMPARE(dir.read(QStringLiteral("config.cfg")), config);
}

void CliTest::checkFormats_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << QStringLiteral("text");
    QTest::newRow("json") << QStringLiteral("json");
    QTest::newRow("sarif") << QStringLiteral("sarif");
    QTest::newRow("github") << QStringLiteral("github");
}

// Beside the items of the check pack, a server's tables file and a file with a finding of each
// check of the language, among every kind of definition and reference.
void writeWorldPack(const WorkingDirectory &dir)
{
    writeCheckPack(dir);
    dir.write(QStringLiteral("s/tables.scp"), "[RESOURCES]\nworld/\ngone.scp\n");
    dir.write(QStringLiteral("s/world/world.scp"), "[TYPEDEFS]\n"         // 1
                                                   "t_container 1\n"      // 2
                                                   "\n"                   // 3
                                                   "[ITEMDEF 0e75]\n"     // 4
                                                   "DEFNAME=i_backpack\n" // 5
                                                   "TYPE=t_container\n"   // 6
                                                   "DUPEITEM=0f00\n"      // 7
                                                   "ON=@DClick\n"         // 8
                                                   "ON=@dclick\n"         // 9
                                                   "[DEFNAME loot]\n"     // 10
                                                   "loot_pack {i_backpack 2 i_backpack 0}\n"
                                                   "loot-gold i_backpack\n" // 12
                                                   "[TEMPLATE tm_camp]\n"   // 13
                                                   "ITEM=i_backpak\n"       // 14
                                                   "[CHARDEF c_trader]\n"   // 15
                                                   "RESOURCES=1 0e75,2 i_backpack\n"
                                                   "ON=@Create\n"     // 17
                                                   "  ITEM=tm_camp\n" // 18
                                                   "  SELL={i_backpack 2 i_backpack 0}\n"
                                                   "[EVENTS e_camp]\n"       // 20
                                                   "[EVENTS e_camp]\n"       // 21
                                                   "[AREADEF a_camp]\n"      // 22
                                                   "EVENTS=t_container\n"    // 23
                                                   "[SKILLMENU sm_camp]\n"   // 24
                                                   "Camping gear\n"          // 25
                                                   "ON=i_backpack A pack\n"  // 26
                                                   "  MAKEITEM=i_backpack\n" // 27
                                                   "[SPAWN sp-camp]\n"       // 28
                                                   "ID=c_trader\n");         // 29
}

// Every format says the same findings at the same places.
void CliTest::checkFormats()
{
    QFETCH(QString, format);
    WorkingDirectory dir;
    writeWorldPack(dir);
    const Run run = runTool({QStringLiteral("--tables"), QStringLiteral("s/tables.scp"),
                             QStringLiteral("--check"), QStringLiteral("--format"), format});
    // The counts end every format: on stderr after the text, in the document otherwise.
    const QByteArray counts = "6 files, 21 definitions, 25 references: 10 errors, 10 warnings";
    QCOMPARE(run.err,
             format == QLatin1String("text") ? "tavrel-report: " + counts + "\n" : QByteArray());
    QVERIFY(format == QLatin1String("text") || run.out.contains("25 references") ||
            run.out.contains("\"references\": 25"));
    QCOMPARE(run.exitCode, 1);

    // check, file, line, column of every finding, and the text of the first one.
    QStringList places;
    QString first;
    if (format == QLatin1String("text")) {
        const QStringList lines =
            QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        static const QRegularExpression pattern(
            QStringLiteral("^([^:]+):(\\d+):(?:(\\d+):)? (error|warning): (.*) \\[([a-z0-9-]+)\\]( "
                           "\\(in .*\\))?$"));
        for (const QString &line : lines) {
            const QRegularExpressionMatch m = pattern.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            places.append(QStringList{m.captured(6), m.captured(1), m.captured(2),
                                      m.captured(3).isEmpty() ? QStringLiteral("0") : m.captured(3)}
                              .join(QLatin1Char(' ')));
        }
        first = lines.first();
        QCOMPARE(first, QStringLiteral("s/items.scp:8:13: error: Resource \"i_string\" is not "
                                       "defined; RESOURCES expects an item or an item type here. "
                                       "[missing-resource] (in i_fuse)"));
    } else if (format == QLatin1String("json")) {
        const QJsonArray findings =
            QJsonDocument::fromJson(run.out).object().value(QStringLiteral("findings")).toArray();
        for (const QJsonValue &f : findings) {
            places.append(QStringList{f[QStringLiteral("check")].toString(),
                                      f[QStringLiteral("file")].toString(),
                                      QString::number(f[QStringLiteral("line")].toInt()),
                                      QString::number(f[QStringLiteral("column")].toInt())}
                              .join(QLatin1Char(' ')));
        }
        const QJsonObject f = findings.first().toObject();
        QCOMPARE(f.value(QStringLiteral("severity")).toString(), QStringLiteral("error"));
        QCOMPARE(f.value(QStringLiteral("defname")).toString(), QStringLiteral("i_fuse"));
        QCOMPARE(f.value(QStringLiteral("id")).toString(), QStringLiteral("i_string"));
        QCOMPARE(f.value(QStringLiteral("message")).toString(),
                 QStringLiteral("Resource \"i_string\" is not defined; RESOURCES expects an item "
                                "or an item type here."));
        const auto undefined =
            std::find_if(findings.begin(), findings.end(), [](const QJsonValue &v) {
                return v[QStringLiteral("check")].toString() == QLatin1String("undefined-name");
            });
        QCOMPARE((*undefined)[QStringLiteral("suggestion")].toString(),
                 QStringLiteral("i_backpack"));
        QVERIFY((*undefined)[QStringLiteral("message")].toString().endsWith(
            QLatin1String("Did you mean \"i_backpack\"?")));
    } else if (format == QLatin1String("sarif")) {
        const QJsonObject log = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(log.value(QStringLiteral("version")).toString(), QStringLiteral("2.1.0"));
        QVERIFY(log.value(QStringLiteral("$schema"))
                    .toString()
                    .contains(QLatin1String("sarif-schema-2.1.0")));
        const QJsonArray runs = log.value(QStringLiteral("runs")).toArray();
        QCOMPARE(runs.size(), 1);
        const QJsonObject sarifRun = runs.first().toObject();
        const QJsonObject driver =
            sarifRun[QStringLiteral("tool")][QStringLiteral("driver")].toObject();
        QCOMPARE(driver.value(QStringLiteral("name")).toString(), QStringLiteral("tavrel-report"));
        QStringList rules;
        for (const QJsonValue &rule : driver.value(QStringLiteral("rules")).toArray()) {
            QVERIFY(!rule[QStringLiteral("shortDescription")][QStringLiteral("text")]
                         .toString()
                         .isEmpty());
            rules.append(rule[QStringLiteral("id")].toString());
        }
        QStringList ids;
        for (const Check &check : checks())
            ids.append(check.id);
        QCOMPARE(rules, ids);
        const QString root = sarifRun[QStringLiteral("originalUriBaseIds")]
                                     [QStringLiteral("SRCROOT")][QStringLiteral("uri")]
                                         .toString();
        QCOMPARE(QUrl(root).toLocalFile(), QDir(dir.path()).canonicalPath() + QLatin1Char('/'));
        for (const QJsonValue &result : sarifRun[QStringLiteral("results")].toArray()) {
            const QString ruleId = result[QStringLiteral("ruleId")].toString();
            QCOMPARE(rules.at(result[QStringLiteral("ruleIndex")].toInt()), ruleId);
            QVERIFY(
                !result[QStringLiteral("message")][QStringLiteral("text")].toString().isEmpty());
            const QJsonArray locations = result[QStringLiteral("locations")].toArray();
            QCOMPARE(locations.size(), 1);
            const QJsonObject physical =
                locations.first()[QStringLiteral("physicalLocation")].toObject();
            const QJsonObject artifact =
                physical.value(QStringLiteral("artifactLocation")).toObject();
            QCOMPARE(artifact.value(QStringLiteral("uriBaseId")).toString(),
                     QStringLiteral("SRCROOT"));
            const QJsonObject region = physical.value(QStringLiteral("region")).toObject();
            QVERIFY(region.value(QStringLiteral("startLine")).toInt() >= 1);
            // A name defined again points at the first; a name with a near one offers it.
            QCOMPARE(result[QStringLiteral("relatedLocations")].toArray().size(),
                     int(ruleId.startsWith(QLatin1String("duplicate-"))));
            QCOMPARE(result[QStringLiteral("fixes")][0][QStringLiteral("artifactChanges")][0]
                           [QStringLiteral("replacements")][0][QStringLiteral("insertedContent")]
                           [QStringLiteral("text")]
                               .toString(),
                     ruleId == QLatin1String("undefined-name") ? QStringLiteral("i_backpack")
                                                               : QString());
            places.append(
                QStringList{ruleId,
                            QUrl::fromPercentEncoding(
                                artifact.value(QStringLiteral("uri")).toString().toUtf8()),
                            QString::number(region.value(QStringLiteral("startLine")).toInt()),
                            QString::number(region.value(QStringLiteral("startColumn")).toInt())}
                    .join(QLatin1Char(' ')));
        }
    } else {
        QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.takeLast(), QStringLiteral("::notice title=tavrel-report::") + counts);
        static const QRegularExpression pattern(QStringLiteral(
            "^::(error|warning) file=([^,]+),line=(\\d+),col=(\\d+),title=([a-z0-9-]+)::(.*)$"));
        for (const QString &line : lines) {
            const QRegularExpressionMatch m = pattern.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            places.append(
                QStringList{m.captured(5), m.captured(2), m.captured(3), m.captured(4)}.join(
                    QLatin1Char(' ')));
        }
        QCOMPARE(lines.first(), QStringLiteral("::error file=s/items.scp,line=8,col=13,"
                                               "title=missing-resource::Resource \"i_string\" is "
                                               "not defined; RESOURCES expects an item or an item "
                                               "type here. (in i_fuse)"));
    }
    QCOMPARE(places, (QStringList{"missing-resource s/items.scp 8 13",
                                  "unknown-skill s/items.scp 9 11",
                                  "duplicate-defname s/items.scp 11 10",
                                  "missing-resource s/items.scp 12 13",
                                  "self-resource s/items.scp 12 27",
                                  "missing-resource s/items.scp 12 38",
                                  "unknown-skill s/items.scp 13 22",
                                  "not-utf8 s/legacy.scp 2 9",
                                  "missing-script-file s/tables.scp 3 1",
                                  "unscripted-id s/world/world.scp 7 10",
                                  "duplicate-trigger s/world/world.scp 9 4",
                                  "undefined-name s/world/world.scp 14 6",
                                  "untyped-resource s/world/world.scp 16 13",
                                  "random-range s/world/world.scp 19 33",
                                  "duplicate-definition s/world/world.scp 21 9",
                                  "wrong-kind s/world/world.scp 23 8",
                                  "bad-name s/world/world.scp 28 8",
                                  "duplicate-defname s/z_crlf.scp 1 10",
                                  "missing-resource s/z_crlf.scp 5 13",
                                  "missing-resource s/z_crlf.scp 5 23"}));
}

void CliTest::checkExitStatus_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("findings");

    const QByteArray dirs = "[Settings]\nDirs=s\nFilter=*.scp\n";
    const QStringList noErrors{"--ignore", "i_string",   "--ignore", "i_saltpetre",
                               "--ignore", "i_charcoal", "--ignore", "i_eclair"};
    QTest::newRow("errors") << dirs << QStringList() << 1 << 11;
    QTest::newRow("warnings only") << dirs << noErrors << 0 << 6;
    QTest::newRow("warnings only, strict")
        << dirs << (noErrors + QStringList{"--strict"}) << 1 << 6;
    QTest::newRow("errors disabled")
        << dirs << QStringList{"--disable", "missing-resource"} << 0 << 6;
    QTest::newRow("ignored in the configuration")
        << QByteArray(dirs + "[Check]\nIgnore=i_string, i_saltpetre, i_charcoal, i_eclair\n")
        << QStringList() << 0 << 6;
    QTest::newRow("disabled in the configuration, more on the command line")
        << QByteArray(dirs + "[Check]\nDisable=missing-resource\n")
        << QStringList{"--disable", "not-utf8", "--ignore", "i_rope"} << 0 << 4;
    QTest::newRow("no script file matched") << QByteArray("[Settings]\nDirs=s/none\nFilter=*.scp\n")
                                            << QStringList{"--strict"} << 2 << 0;
    QTest::newRow("unknown check") << dirs << QStringList{"--disable", "typos"} << 2 << 0;
    QTest::newRow("unknown check in the configuration")
        << QByteArray(dirs + "[Check]\nDisable=typos\n") << QStringList() << 2 << 0;
    QTest::newRow("sarif without --check") << dirs << QStringList{"--no-check"} << 2 << 0;
}

void CliTest::checkExitStatus()
{
    QFETCH(QByteArray, config);
    QFETCH(QStringList, arguments);
    WorkingDirectory dir;
    writeCheckPack(dir);
    dir.write(QStringLiteral("s/none/.keep"), "");
    dir.write(QStringLiteral("config.cfg"), config);
    if (arguments == QStringList{"--no-check"})
        arguments = QStringList{"--format", "sarif"};
    else
        arguments = QStringList{"--check", "--format", "json"} + arguments;
    const Run run = runTool(arguments);
    QTEST(run.exitCode, "exitCode");
    if (run.exitCode == 2) {
        QVERIFY(run.err.startsWith("tavrel-report: "));
        return;
    }
    QTEST(int(QJsonDocument::fromJson(run.out)
                  .object()
                  .value(QStringLiteral("findings"))
                  .toArray()
                  .size()),
          "findings");
}

void CliTest::enableCheck_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("checks");

    const QByteArray dirs = "[Settings]\nDirs=s\nFilter=*.scp\n";
    const QStringList enable{"--enable", "undefined-def0"};
    const QStringList disable{"--disable", "undefined-def0"};
    const QStringList found{"undefined-def0"};
    QTest::newRow("off by default") << dirs << QStringList() << 0 << QStringList();
    QTest::newRow("enabled on the command line") << dirs << enable << 0 << found;
    QTest::newRow("enabled in the configuration")
        << QByteArray(dirs + "[Check]\nEnable=undefined-def0\n") << QStringList() << 0 << found;
    QTest::newRow("enabled in the configuration, disabled on the command line")
        << QByteArray(dirs + "[Check]\nEnable=undefined-def0\n") << disable << 0 << QStringList();
    QTest::newRow("disabled in the configuration, enabled on the command line")
        << QByteArray(dirs + "[Check]\nDisable=undefined-def0\n") << enable << 0 << found;
    QTest::newRow("enabled and disabled on the command line")
        << dirs << (enable + disable) << 0 << QStringList();
    QTest::newRow("unknown check")
        << dirs << QStringList{"--enable", "typos"} << 2 << QStringList();
}

// A check off by default runs where the configuration or the command line enables it, the
// command line having the last word.
void CliTest::enableCheck()
{
    QFETCH(QByteArray, config);
    QFETCH(QStringList, arguments);
    WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[FUNCTION f_a]\nSAY <DEF0.gone> <DEF.here>\n"
                                         "[DEFNAME d]\nhere 1\n");
    dir.write(QStringLiteral("config.cfg"), config);
    const Run run = runTool(QStringList{"--check", "--format", "json"} + arguments);
    QTEST(run.exitCode, "exitCode");
    QStringList checks;
    for (const QJsonValue &finding :
         QJsonDocument::fromJson(run.out).object().value(QStringLiteral("findings")).toArray())
        checks.append(finding[QStringLiteral("check")].toString());
    QTEST(checks, "checks");
}

void CliTest::verbose_saysWhenSkillsAreNotChecked()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_a]\nSKILLMAKE=tailoring 5\n");
    const QStringList base{"--dir", "s", "--filter", "*.scp", "--check"};
    const Run quiet = runTool(base);
    QCOMPARE(quiet.err, QByteArray("tavrel-report: 1 file, 1 definition, 1 reference: 0 errors, "
                                   "0 warnings\n"));
    const Run verbose = runTool(base + QStringList{"--verbose"});
    QCOMPARE(verbose.exitCode, 0);
    QCOMPARE(verbose.err.count("unknown-skill"), 1);
}

void CliTest::blockStructure_textFormat()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[FUNCTION f_lich_polymorph]\n"
                                         "IF (<ARGN> == 1))\n"
                                         "  FORCHARS 5\n"
                                         "  END\n"
                                         "ELSE\n"
                                         "  SAY no\n");
    const Run run = runTool({"--dir", "s", "--filter", "*.scp", "--check"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("s/a.scp:2:1: error: IF is never closed: everything after it, to the "
                            "end of the function, is in its block. [block-structure] (in "
                            "f_lich_polymorph)\n"
                            "s/a.scp:2:17: error: This \")\" closes no \"(\" in the condition of "
                            "IF. [block-structure] (in f_lich_polymorph)\n"
                            "s/a.scp:4:3: warning: END closes the FORCHARS of line 3, a block of "
                            "another kind: the server takes any end word, but these do not match. "
                            "[block-structure] (in f_lich_polymorph)\n"));
    QCOMPARE(run.err, QByteArray("tavrel-report: 1 file, 1 definition, 0 references: 2 errors, "
                                 "1 warning\n"));
}

void CliTest::listChecks()
{
    const Run list = runTool({QStringLiteral("--list-checks")});
    QCOMPARE(list.exitCode, 0);
    const Run help = runTool({QStringLiteral("--help")});
    for (const char *id :
         {"missing-resource (error)", "duplicate-defname (warning)", "unknown-skill (warning)",
          "self-resource (warning)", "not-utf8 (warning)", "unreadable (error)",
          "block-structure (error)", "undefined-def0 (warning, off unless enabled)"}) {
        QVERIFY2(list.out.contains(id), id);
        QVERIFY2(help.out.contains(id), id);
    }
}

// A line break in a file name would split one finding over two lines.
void CliTest::fileNameWithLineBreak_staysOneLine()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("s/two\nlines.scp"), "[ITEMDEF i_a]\nRESOURCES=i_gone\n");
    const Run run = runTool({"--dir", "s", "--filter", "*.scp", "--check"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("s/two\\nlines.scp:2:11: error: Resource \"i_gone\" is not "
                                 "defined; RESOURCES expects an item or an item type here. "
                                 "[missing-resource] (in i_a)\n"));
}

// The window reads and writes its five keys only; the checks' section must survive its close.
void CliTest::windowKeepsCheckSection()
{
    WorkingDirectory dir;
    dir.write(QStringLiteral("config.cfg"),
              "[Check]\nIgnore=i_a, i_b\nDisable=not-utf8\n[Settings]\nFilter=*.scp\n");
    auto window = startWindow();
    closeWindow(window);
    QSettings kept(QStringLiteral("config.cfg"), QSettings::IniFormat);
    QCOMPARE(kept.value(QStringLiteral("Check/Ignore")).toStringList(),
             (QStringList{"i_a", "i_b"}));
    QCOMPARE(kept.value(QStringLiteral("Check/Disable")).toString(), QStringLiteral("not-utf8"));
    QCOMPARE(kept.value(QStringLiteral("Settings/Filter")).toString(), QStringLiteral("*.scp"));
    QVERIFY(kept.contains(QStringLiteral("HTML/ItemString")));
}

void CliTest::unreadableScripts_areErrors()
{
    WorkingDirectory dir;
    if (!permissionsEnforced(dir))
        QSKIP("permissions are not enforced for this user");
    dir.write(QStringLiteral("s/good.scp"), "[ITEMDEF i_a]\nNAME=A\n");
    dir.write(QStringLiteral("s/secret.scp"), "[ITEMDEF i_b]\nNAME=B\n");
    dir.write(QStringLiteral("s/locked/inner.scp"), "[ITEMDEF i_c]\nNAME=C\n");
    QFile(dir.path() + QStringLiteral("/s/secret.scp")).setPermissions(QFileDevice::Permissions());
    QFile(dir.path() + QStringLiteral("/s/locked")).setPermissions(QFileDevice::Permissions());
    const Run run = runTool({"--dir", "s", "--filter", "*.scp", "--check"});
    QFile(dir.path() + QStringLiteral("/s/locked"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(run.exitCode, 1);
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.contains(QLatin1String("s/locked/:0: error: Cannot be read")), qPrintable(out));
    QVERIFY2(out.contains(QLatin1String("s/secret.scp:0: error: Cannot be read")), qPrintable(out));
    QCOMPARE(out.count(QLatin1String("[unreadable]")), 2);
}

void CliTest::specialFilesAsConfiguration_refused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("device") << QStringLiteral("/dev/zero");
    QTest::newRow("fifo") << QStringLiteral("fifo");
}

void CliTest::specialFilesAsConfiguration_refused()
{
    QFETCH(QString, path);
    WorkingDirectory dir;
    if (path == QLatin1String("fifo") && ::mkfifo("fifo", 0600) != 0)
        QSKIP("no FIFO can be made here");
    const Run run = runTool({QStringLiteral("--config"), path, QStringLiteral("--check")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("is not a regular file"), run.err.constData());
}

void CliTest::fullOutputDevice_fails()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    WorkingDirectory dir;
    writeCheckPack(dir);
    for (const QStringList &arguments :
         {QStringList{"--dir", "s", "--check"}, QStringList{"--dir", "s", "--format", "json"}}) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(TAVREL_REPORT_PATH), arguments);
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("cannot write the output"));
    }
}

// A full disk must not leave a truncated page behind, nor report success.
void CliTest::fullDisk_failsNamingThePage()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    WorkingDirectory dir;
    QByteArray scripts;
    for (int i = 0; i < 3000; ++i)
        scripts += "[ITEMDEF i_item" + QByteArray::number(i) +
                   "]\nNAME=A rather long item name "
                   "to fill the page " +
                   QByteArray::number(i) + "\nSKILLMAKE=tailoring 5\n";
    dir.write(QStringLiteral("s/a.scp"), scripts);
    QDir().mkpath(QStringLiteral("small"));
    if (QProcess::execute(QStringLiteral("mount"),
                          {"-t", "tmpfs", "-o", "size=64k", "tmpfs", "small"}) != 0)
        QSKIP("cannot mount a tmpfs here");
    const Run run = runTool({"--dir", "s", "--filter", "*.scp", "--html", "small/pages"});
    const QStringList left =
        QDir(QStringLiteral("small/pages")).entryList(QDir::Files | QDir::Hidden);
    QProcess::execute(QStringLiteral("umount"), {QStringLiteral("small")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("small/pages/tailoring.html"), run.err.constData());
    QVERIFY2(run.err.contains("No space left on device"), run.err.constData());
    QVERIFY2(!left.contains(QStringLiteral("tailoring.html")), qPrintable(left.join(' ')));
    QVERIFY2(!left.contains(QStringLiteral("index.html")), qPrintable(left.join(' ')));
}

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
