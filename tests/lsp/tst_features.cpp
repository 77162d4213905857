// SPDX-License-Identifier: MIT
#include "coresupport.h"
#include "lsp/features.h"
#include "lsp/workspace.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tavrel;
using namespace tavrel::lsp;

class tst_Features : public QObject
{
    Q_OBJECT

private slots:
    void semanticTokens_data();
    void semanticTokens();
    void folding_data();
    void folding();
    void completion_data();
    void completion();
    void highlights_data();
    void highlights();
    void rename_data();
    void rename();
    void links();
    void outsideTheList();
    void joiningTheList_data();
    void joiningTheList();
};

namespace {

// Fixture files, "name.scp" then its text, written below the working directory with their marks
// taken out: "$0" where the cursor stands, and «…» around each place an answer should give.
class Fixture
{
public:
    // The scripts of the list are the .scp files below `scripts`.
    explicit Fixture(const QStringList &files, const QString &scripts = QString())
    {
        for (qsizetype i = 0; i + 1 < files.size(); i += 2)
            write(files.at(i), files.at(i + 1));
        Settings settings;
        settings.roots = {dir.path()};
        settings.directories = {ScriptDirectory{path(scripts), QStringLiteral("*.scp")}};
        workspace.configure(settings);
        while (!workspace.waitForLoad(100)) {
        }
        workspace.settle();
    }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    // A place as "name:line:column+length".
    QString shown(const Location &location) const
    {
        return QStringLiteral("%1:%2:%3+%4")
            .arg(QDir(dir.path()).relativeFilePath(location.file))
            .arg(location.line)
            .arg(location.column)
            .arg(location.length);
    }

    const WorkingDirectory dir;
    Workspace workspace;
    QString cursorPath;
    int line = 0;
    int column = 0;
    QStringList marked;

private:
    void write(const QString &name, const QString &text)
    {
        QString plain;
        int atLine = 1;
        int atColumn = 1;
        int start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (text.mid(i, 2) == QLatin1String("$0")) {
                cursorPath = path(name);
                line = atLine;
                column = atColumn;
                ++i;
                continue;
            }
            if (c == u'«') {
                start = atColumn;
                continue;
            }
            if (c == u'»') {
                marked.append(shown(Location{path(name), atLine, start, atColumn - start}));
                continue;
            }
            plain += c;
            if (c == u'\n') {
                ++atLine;
                atColumn = 1;
            } else if (!c.isLowSurrogate()) {
                ++atColumn;
            }
        }
        dir.write(name, plain.toUtf8());
    }
};

} // namespace

void tst_Features::semanticTokens_data()
{
    QTest::addColumn<QString>("script");
    // Lines of the script asked for, from 1, both included.
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    // Each token as its text and its type, with its modifiers after dots.
    QTest::addColumn<QStringList>("tokens");

    QTest::newRow("an item, keys, a resource defined and one not, a comment")
        << "[ITEMDEF i_log]\nNAME=Log // dry\n[ITEMDEF i_board]\nRESOURCES=2 i_log, 1 i_nothing\n"
        << 1 << 4
        << QStringList{"ITEMDEF namespace",
                       "i_log class.declaration",
                       "NAME property",
                       "// dry comment",
                       "ITEMDEF namespace",
                       "i_board class.declaration",
                       "RESOURCES property",
                       "2 number",
                       "i_log class",
                       "1 number",
                       "i_nothing variable.undefined"};
    QTest::newRow("trigger code: block words, computed parts cutting a text in quotes")
        << "[ITEMDEF i_a]\nON=@Create\nIF (<SRC.DEX> > 5)\n  SRC.SAY \"Hi <SRC.NAME>!\"\nENDIF\n"
        << 2 << 5
        << QStringList{"ON property", "@Create event",    "IF keyword",   "<SRC.DEX> macro",
                       "5 number",    "SRC.SAY property", "\"Hi  string", "<SRC.NAME> macro",
                       "!\" string",  "ENDIF keyword"};
    QTest::newRow("an alias and its use, a key holding a computed part, kinds by definition")
        << "[DEFNAME colours]\nc_red 021\n[CHARDEF c_man]\nITEM=c_red\nTEVENTS=e_walk\n"
           "TAG.<ARGS>=1\n[EVENTS e_walk]\n"
        << 1 << 7
        << QStringList{"DEFNAME namespace",
                       "c_red variable.declaration.readonly",
                       "021 number",
                       "CHARDEF namespace",
                       "c_man struct.declaration",
                       "ITEM property",
                       "c_red variable.readonly",
                       "TEVENTS property",
                       "e_walk event",
                       "TAG. property",
                       "<ARGS> macro",
                       "1 number",
                       "EVENTS namespace",
                       "e_walk event.declaration"};
    QTest::newRow("text lines are no keys; a comment section and the text after [EOF]")
        << "[TIP 1]\nUse <SRC.NAME> well\n[COMMENT notes]\nanything = here\n[EOF]\nold stuff\n"
        << 1 << 6 << QStringList{"TIP namespace",           "1 number",
                                 "<SRC.NAME> macro",        "COMMENT namespace",
                                 "anything = here comment", "[EOF] comment",
                                 "old stuff comment"};
    QTest::newRow("a range of lines")
        << "[ITEMDEF i_log]\nNAME=Log\n[ITEMDEF i_board]\nRESOURCES=2 i_log\n"
        << 2 << 3 << QStringList{"NAME property", "ITEMDEF namespace", "i_board class.declaration"};
}

void tst_Features::semanticTokens()
{
    QFETCH(QString, script);
    QFETCH(int, first);
    QFETCH(int, last);
    const Fixture fixture({QStringLiteral("a.scp"), script});
    const QStringList lines = script.split(u'\n');
    const QStringList types = semanticTokenTypes();
    const QStringList modifiers = semanticTokenModifiers();
    QStringList found;
    for (const SemanticToken &token :
         lsp::semanticTokens(fixture.workspace, fixture.path("a.scp"), first, last)) {
        QString type = types.at(token.type);
        for (int bit = 0; bit < modifiers.size(); ++bit) {
            if (token.modifiers & (1 << bit))
                type += u'.' + modifiers.at(bit);
        }
        const Location &place = token.location;
        found.append(lines.at(place.line - 1).mid(place.column - 1, place.length) + u' ' + type);
    }
    QTEST(found, "tokens");
}

void tst_Features::folding_data()
{
    QTest::addColumn<QString>("script");
    // "first-last" of each range, a comment's with a "c".
    QTest::addColumn<QStringList>("ranges");

    QTest::newRow("a section, its triggers, a block keeping its end word, comment lines")
        << "[ITEMDEF i_a]\nNAME=A\nON=@Create\nIF 1\n  SAY a\nENDIF\nON=@Click\nSAY b\n// one\n"
           "// two\n"
        << QStringList{"1-8", "3-6", "4-5", "7-8", "9-10c"};
    QTest::newRow("a block left open folds to the end of its code; a function is its section")
        << "[FUNCTION f_a]\nFOR 3\n  WHILE 1\n  SAY a\n[ITEMDEF i_b]\n"
        << QStringList{"1-4", "2-4", "3-4"};
    QTest::newRow("one line folds nothing; a comment after a value is no comment line")
        << "[ITEMDEF i_a]\n[ITEMDEF i_b]\nNAME=B // one\n// two\n"
        << QStringList{"2-3"};
}

void tst_Features::folding()
{
    QFETCH(QString, script);
    const Fixture fixture({QStringLiteral("a.scp"), script});
    QStringList ranges;
    for (const FoldingRange &range : foldingRanges(fixture.workspace, fixture.path("a.scp")))
        ranges.append(QStringLiteral("%1-%2%3")
                          .arg(range.startLine)
                          .arg(range.endLine)
                          .arg(range.comment ? QStringLiteral("c") : QString()));
    QTEST(ranges, "ranges");
}

void tst_Features::completion_data()
{
    QTest::addColumn<QStringList>("files");
    // A file opened in the editor before the completion is asked for, as "name", "text".
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("labels");

    const QString items = QStringLiteral("[ITEMDEF i_log]\n[ITEMDEF i_board]\n[ITEMDEF i_bolt]\n"
                                         "[CHARDEF c_board]\n[TEMPLATE tm_boards]\n");
    QTest::newRow("names that start with the word, of the kinds the key takes")
        << QStringList{"a.scp", items, "b.scp", "[CHARDEF c_a]\nITEM=i_bo$0\n"} << QStringList()
        << QStringList{"i_board", "i_bolt"};
    QTest::newRow("names that hold the word anywhere")
        << QStringList{"a.scp", items, "b.scp", "[CHARDEF c_a]\nITEM=oar$0\n"} << QStringList()
        << QStringList{"i_board", "tm_boards"};
    QTest::newRow("no word yet: every name of those kinds")
        << QStringList{"a.scp", items, "b.scp", "[CHARDEF c_a]\nITEM=$0\n"} << QStringList()
        << QStringList{"i_log", "i_board", "i_bolt", "tm_boards"};
    QTest::newRow("a name an edit defined after the names were searched once")
        << QStringList{"a.scp", items, "b.scp", "[CHARDEF c_a]\nITEM=i_bo$0\n"}
        << QStringList{"a.scp", items + "[ITEMDEF i_bonnet]\n"}
        << QStringList{"i_board", "i_bolt", "i_bonnet"};
}

void tst_Features::completion()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, labels);
    Fixture fixture(files);
    const auto labelsNow = [&] {
        QStringList found;
        for (const CompletionItem &item :
             completionAt(fixture.workspace, fixture.cursorPath, fixture.line, fixture.column)
                 .items)
            found.append(item.label);
        return found;
    };
    if (!opened.isEmpty()) {
        labelsNow();
        fixture.workspace.open(fixture.path(opened.at(0)), opened.at(1));
        fixture.workspace.settle();
    }
    QCOMPARE(labelsNow(), labels);
}

void tst_Features::highlights_data()
{
    QTest::addColumn<QStringList>("files");
    // Whether each marked place is a definition.
    QTest::addColumn<QList<bool>>("definitions");

    QTest::newRow("a use of an item: its definition and every use in the file, in any case")
        << QStringList{"a.scp",
                       "[ITEMDEF «i_log»]\n[ITEMDEF i_board]\nRESOURCES=2 «i_l$0og», 1 «I_LOG»\n"
                       "[CHARDEF c_a]\nITEM=«i_log»\n",
                       "b.scp", "[CHARDEF c_b]\nITEM=i_log\n"}
        << QList<bool>{true, false, false, false};
    QTest::newRow("a number: the numbered item and its uses")
        << QStringList{"a.scp", "[ITEMDEF «0f3f»]\nNAME=Axe\n[ITEMDEF i_x]\nID=«0f3$0f»\n"}
        << QList<bool>{true, false};
    QTest::newRow("nothing named there")
        << QStringList{"a.scp", "[ITEMDEF i_a]\nNA$0ME=A\n"} << QList<bool>{};
}

void tst_Features::highlights()
{
    QFETCH(QStringList, files);
    QFETCH(QList<bool>, definitions);
    const Fixture fixture(files);
    QStringList places;
    QList<bool> defined;
    for (const Highlight &highlight :
         highlightsAt(fixture.workspace, fixture.cursorPath, fixture.line, fixture.column)) {
        places.append(fixture.shown(highlight.location));
        defined.append(highlight.definition);
    }
    QCOMPARE(places, fixture.marked);
    QCOMPARE(defined, definitions);
}

void tst_Features::rename_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("newName");
    // The start of the refusal, or empty where the marked places are renamed.
    QTest::addColumn<QString>("refusal");

    QTest::newRow("every definition and use, and the code that names it, in every file")
        << QStringList{"a.scp",
                       "[ITEMDEF «i_log»]\nDEFNAME=«i_log»\n[ITEMDEF i_board]\n"
                       "RESOURCES=2 «I_LOG» // i_log\n",
                       "b.scp",
                       "[CHARDEF c_man]\nITEM=«i_l$0og»\nON=@Create\nSERV.NEWITEM «i_log»\n"
                       "SAY \"an i_log\"\n[DEFNAME x]\nwood «i_log»\n"}
        << "i_wood" << QString();
    QTest::newRow("a name computed text names")
        << QStringList{"a.scp", "[ITEMDEF i_l$0og]\n", "b.scp",
                       "[FUNCTION f_a]\nSAY <SERV.ITEMDEF.i_log.NAME>\n"}
        << "i_wood"
        << "\"i_log\" is not renamed: computed text names it at b.scp:2 "
           "(<SERV.ITEMDEF.i_log.NAME>), where a rename cannot follow it.";
    QTest::newRow("a name nothing defines")
        << QStringList{"a.scp", "[CHARDEF c_a]\nITEM=i_no$0ne\n[ITEMDEF i_a]\n"} << "i_b"
        << "\"i_none\" is not defined: only a name that a section defines is renamed.";
    QTest::newRow("to a name defined already")
        << QStringList{"a.scp", "[ITEMDEF i_a$0]\n[ITEMDEF i_b]\n"} << "I_B"
        << "\"I_B\" is defined already, at a.scp:2.";
    QTest::newRow("to a name the server refuses")
        << QStringList{"a.scp", "[ITEMDEF i_a$0]\n"} << "i-a"
        << "\"i-a\" is not a name the server registers";
    QTest::newRow("a number") << QStringList{"a.scp", "[ITEMDEF 0f3$0f]\n"} << "i_b"
                              << "\"0f3f\" is a number";
    QTest::newRow("only its case")
        << QStringList{"a.scp", "[ITEMDEF «i_a$0»]\n"} << "I_A" << QString();
}

void tst_Features::rename()
{
    QFETCH(QStringList, files);
    QFETCH(QString, newName);
    QFETCH(QString, refusal);
    const Fixture fixture(files);
    const std::optional<Rename> found =
        renameAt(fixture.workspace, fixture.cursorPath, fixture.line, fixture.column, newName);
    QVERIFY(found);
    QVERIFY2(found->refusal.startsWith(refusal) && found->refusal.isEmpty() == refusal.isEmpty(),
             qPrintable(found->refusal));
    QStringList places;
    for (const Location &place : found->places)
        places.append(fixture.shown(place));
    QCOMPARE(places, refusal.isEmpty() ? fixture.marked : QStringList());
}

// Each line of a tables file's [RESOURCES] that names a file or a folder opens it.
void tst_Features::links()
{
    const Fixture fixture({"scripts/items/a.scp", "[ITEMDEF i_a]\n", "scripts/b.scp", "\n",
                           "scripts/spheretables.scp",
                           "[RESOURCES]\n«scripts/items/»\n«b»\ngone.scp\n"});
    QStringList places;
    QStringList targets;
    for (const DocumentLink &link :
         documentLinks(fixture.workspace, fixture.path("scripts/spheretables.scp"))) {
        places.append(fixture.shown(link.location));
        targets.append(QDir(fixture.dir.path()).relativeFilePath(link.target));
    }
    QCOMPARE(places, fixture.marked);
    QCOMPARE(targets, (QStringList{"scripts/items", "scripts/b.scp"}));
    QVERIFY(documentLinks(fixture.workspace, fixture.path("scripts/b.scp")).isEmpty());
}

namespace {

// "check@line:column" of each finding.
QStringList found(const QList<Finding> &findings)
{
    QStringList shown;
    for (const Finding &finding : findings)
        shown.append(QStringLiteral("%1@%2:%3")
                         .arg(finding.check)
                         .arg(finding.location.line)
                         .arg(finding.location.column));
    return shown;
}

} // namespace

// A script outside the list is checked alone against the workspace's names and its own, and
// answered so, while the workspace's findings stay as its own files make them.
void tst_Features::outsideTheList()
{
    Fixture fixture({"scripts/items.scp", "[ITEMDEF i_log]\n[CHARDEF c_a]\nITEM=i_wood\n"},
                    "scripts");
    Workspace &workspace = fixture.workspace;
    const QString items = fixture.path("scripts/items.scp");
    const QString outside = fixture.path("elsewhere.scp");
    workspace.takeChangedPaths();
    workspace.open(outside,
                   QStringLiteral("[ITEMDEF i_wood]\nRESOURCES=1 i_log, 1 i_none\n"
                                  "[ITEMDEF i_twice]\nNAME=A\n[ITEMDEF i_twice]\nNAME=B\n"));
    QVERIFY(workspace.settle());
    QVERIFY(!workspace.contains(outside));
    QCOMPARE(workspace.takeChangedPaths(), QSet<QString>{outside});
    QCOMPARE(found(workspace.findingsIn(outside)),
             (QStringList{"missing-resource@2:22", "duplicate-defname@5:10"}));
    QCOMPARE(found(workspace.findingsIn(items)), QStringList{"undefined-name@3:6"});
    {
        const Workspace::Visit visit = workspace.visit(outside);
        QCOMPARE(definitionsAt(workspace, outside, 2, 14).size(), 1);
        QCOMPARE(definitionsAt(workspace, outside, 2, 14).constFirst().file, items);
    }
    QVERIFY(!workspace.contains(outside));
    QCOMPARE(found(workspace.findingsIn(items)), QStringList{"undefined-name@3:6"});
    // An edit of the workspace checks the document again; its closing takes its findings.
    workspace.open(items, QStringLiteral("[CHARDEF c_a]\nITEM=i_wood\n"));
    QVERIFY(workspace.settle());
    QVERIFY(workspace.takeChangedPaths().contains(outside));
    QCOMPARE(
        found(workspace.findingsIn(outside)),
        (QStringList{"missing-resource@2:13", "missing-resource@2:22", "duplicate-defname@5:10"}));
    workspace.close(outside);
    QVERIFY(workspace.settle());
    QVERIFY(workspace.takeChangedPaths().contains(outside));
    QVERIFY(workspace.findingsIn(outside).isEmpty());
}

void tst_Features::joiningTheList_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("onDisk");
    // Whether the client says the file was deleted while it is open.
    QTest::addColumn<bool>("deleted");

    QTest::newRow("a file made in the editor and not saved") << "scripts/new.scp" << false << false;
    QTest::newRow("a file deleted while it is open") << "scripts/sub/old.scp" << true << true;
    QTest::newRow("a file deleted unseen while it is open")
        << "scripts/sub/old.scp" << true << false;
}

// A document that belongs to the list is in it while it is open, on disk or not: it defines
// what the workspace uses, and closed without a file it leaves with its findings.
void tst_Features::joiningTheList()
{
    QFETCH(QString, name);
    QFETCH(bool, onDisk);
    QFETCH(bool, deleted);
    const QString text = QStringLiteral("[ITEMDEF i_wood]\nRESOURCES=1 i_none\n");
    Fixture fixture({"scripts/items.scp", "[ITEMDEF i_log]\n[CHARDEF c_a]\nITEM=i_wood\n",
                     "scripts/x.txt", "[ITEMDEF i_wood]\n"},
                    "scripts");
    Workspace &workspace = fixture.workspace;
    const QString path = fixture.path(name);
    const QString items = fixture.path("scripts/items.scp");
    if (onDisk) {
        fixture.dir.write(name, text.toUtf8());
        workspace.listChanged();
        workspace.settle();
    }
    workspace.open(path, text);
    workspace.settle();
    QVERIFY(workspace.contains(path));
    QVERIFY(workspace.findingsIn(items).isEmpty());
    QCOMPARE(found(workspace.findingsIn(path)), QStringList{"missing-resource@2:13"});
    if (onDisk) {
        QVERIFY(QFile::remove(path));
        if (deleted)
            workspace.listChanged();
        workspace.settle();
        QVERIFY(workspace.contains(path));
    }
    workspace.takeChangedPaths();
    workspace.close(path);
    workspace.settle();
    QVERIFY(!workspace.contains(path));
    QVERIFY(workspace.takeChangedPaths().contains(path));
    QVERIFY(workspace.findingsIn(path).isEmpty());
    QCOMPARE(found(workspace.findingsIn(items)), QStringList{"undefined-name@3:6"});
    // A file outside the filter is no script of the list, open or not.
    workspace.open(fixture.path("scripts/x.txt"), QStringLiteral("[ITEMDEF i_wood]\n"));
    workspace.settle();
    QVERIFY(!workspace.contains(fixture.path("scripts/x.txt")));
}

QTEST_GUILESS_MAIN(tst_Features)
#include "tst_features.moc"
