// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "scripts/si_item.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QProgressDialog>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <optional>

#include <unistd.h>

using namespace tavrel;

namespace {

// Every regular file below the given directories with its bytes; a link to a file is read
// through. Unreadable directories are passed over.
QMap<QString, QByteArray> contentsBelow(const QStringList &roots)
{
    QMap<QString, QByteArray> contents;
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            contents.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                 : QByteArray("<unreadable>"));
        }
    }
    return contents;
}

struct LoadResult
{
    QStringList files;
    QStringList skills;
    QString browser;
    // The records below the skill nodes, by defname.
    QMap<QString, SI_item *> records;
};

LoadResult load(Tavrel *window)
{
    findAction(window, QStringLiteral("Open"))->trigger();
    LoadResult result;
    result.files = treeLines(fileTree(window));
    result.skills = treeLines(skillTree(window));
    result.browser = textBrowser(window)->toPlainText();
    QTreeWidget *tree = skillTree(window);
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *skill = tree->topLevelItem(i);
        for (int j = 0; j < skill->childCount(); ++j) {
            if (auto *record = dynamic_cast<SI_item *>(skill->child(j)))
                result.records.insert(record->defname, record);
        }
    }
    return result;
}

QByteArray item(const QByteArray &id, const QByteArray &name, const QByteArray &skill)
{
    return "[ITEMDEF " + id + "]\nNAME=" + name + "\nSKILLMAKE=" + skill + "\n\n";
}

QStringList lines(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

bool runningAsRoot()
{
    return geteuid() == 0;
}

// A file or directory made read-only for the test's lifetime.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path) : path(path), permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    ~ReadOnly() { QFile::setPermissions(path, permissions); }
    ReadOnly(const ReadOnly &) = delete;
    ReadOnly &operator=(const ReadOnly &) = delete;

private:
    QString path;
    QFileDevice::Permissions permissions;
};

} // namespace

class HostileTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void binaryFile_isReadLikeAnyOther();
    void enormousLine_data();
    void enormousLine();
    void encoding_data();
    void encoding();
    void sectionHeaderWithoutBracket_endsAtLineEnd();
    void tenThousandSections_allRead();
    void thousandResources_allLinked();
    void crowdedEntries_data();
    void crowdedEntries();
    void directoryLinkLoop_visitedOnce();
    void linkToFileOutside_isRead();
    void unreadableDirectory_contributesNothing();
    void fileDeletedBetweenPasses_data();
    void fileDeletedBetweenPasses();
    void configuredDirectoryIsFile_givesEmptyNode();

    void configGarbage_givesDefaults_data();
    void configGarbage_givesDefaults();
    void configWrongTypes_convertsLikeTheReader();
    void windowStateGarbage_givesDefaults_data();
    void windowStateGarbage_givesDefaults();
    void unwritable_data();
    void unwritable();

private:
    // Starts the window on "./config.cfg" with `dirs` and the filter "*.scp", loads into
    // `result`, and checks that nothing below scripts/ and elsewhere/ changed on the way;
    // cleanup() checks again once the window is closed.
    void loadAndCheck(const QStringList &dirs = {QStringLiteral("scripts")});
    QStringList scriptRoots() const;

    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
    LoadResult result;
    std::optional<QMap<QString, QByteArray>> scriptsBefore;
};

void HostileTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
}

void HostileTest::cleanup()
{
    if (window)
        closeWindow(window);
    result = LoadResult();
    if (scriptsBefore) {
        const QMap<QString, QByteArray> before = *scriptsBefore;
        scriptsBefore.reset();
        QCOMPARE(contentsBelow(scriptRoots()), before);
    }
    dir.reset();
}

QStringList HostileTest::scriptRoots() const
{
    return {dir->path() + QStringLiteral("/scripts"), dir->path() + QStringLiteral("/elsewhere")};
}

void HostileTest::loadAndCheck(const QStringList &dirs)
{
    scriptsBefore = contentsBelow(scriptRoots());
    writeScriptConfiguration(dirs, QStringLiteral("*.scp"));
    window = startWindow();
    result = load(window.get());
    QCOMPARE(contentsBelow(scriptRoots()), *scriptsBefore);
}

void HostileTest::binaryFile_isReadLikeAnyOther()
{
    QByteArray binary;
    quint32 state = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        state = state * 1103515245u + 12345u;
        binary.append(char(state >> 24));
    }
    binary.append(QByteArray(256, '\0'));
    dir->write(QStringLiteral("scripts/blob.scp"), binary);
    dir->write(QStringLiteral("scripts/good.scp"), item("i_good", "Good", "Mining 10"));

    loadAndCheck();
    QCOMPARE(result.files, lines({"scripts [2]", "  scripts/blob.scp", "  scripts/good.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  Good"}));
    QCOMPARE(result.browser, QString());
}

void HostileTest::enormousLine_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("nameLength");

    const QByteArray huge(5 * 1024 * 1024, 'x');
    QTest::newRow("value of five megabytes")
        << QByteArray("[ITEMDEF i_long]\nNAME=" + huge + "\nSKILLMAKE=Mining 1\n") << huge.size();
    QTest::newRow("one line, no newline, no section") << huge << -1;
    QTest::newRow("section name of five megabytes")
        << QByteArray("[ITEMDEF i_long " + huge + "]\nNAME=Long\nSKILLMAKE=Mining 1\n") << 4;
}

void HostileTest::enormousLine()
{
    QFETCH(QByteArray, script);
    QFETCH(int, nameLength);
    dir->write(QStringLiteral("scripts/huge.scp"), script);
    dir->write(QStringLiteral("scripts/small.scp"), item("i_small", "Small", "Tailoring 5"));

    loadAndCheck();
    QCOMPARE(result.files, lines({"scripts [2]", "  scripts/huge.scp", "  scripts/small.scp"}));
    QVERIFY(result.records.contains(QStringLiteral("i_small")));
    if (nameLength < 0) {
        QCOMPARE(result.records.size(), 1);
    } else {
        QCOMPARE(result.records.size(), 2);
        QCOMPARE(result.records.value(QStringLiteral("i_long"))->name.size(), nameLength);
    }
}

void HostileTest::encoding_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("skills");

    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF" + item("i_bom", "Bom", "Mining 1"))
        << lines({"Mining", "  Bom"});
    // The INI reader drops a byte that starts no valid sequence in a value.
    QTest::newRow("invalid UTF-8 in a value: read as Windows-1252")
        << item("i_cafe", "caf\xE9", "Mining 1") << lines({"Mining", "  caf\xC3\xA9"});
    QTest::newRow("invalid UTF-8 in a header: read as Windows-1252")
        << item("i_\xFF\xFE", "", "Mining 1") << lines({"Mining", "  \xC5\xB8\xC3\xBE"});
    QTest::newRow("truncated sequence at the end")
        << QByteArray(item("i_a", "A", "Mining 1") + "[ITEMDEF i_b]\nNAME=B\xE2\x82")
        << lines({"Mining", "  A"});
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE[\0I\0T\0E\0M\0D\0E\0F\0 \0i\0_\0u\0]\0\n\0", 30)
                            << QStringList();
}

void HostileTest::encoding()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, skills);
    dir->write(QStringLiteral("scripts/text.scp"), script);

    loadAndCheck();
    QCOMPARE(result.files, lines({"scripts [1]", "  scripts/text.scp"}));
    QCOMPARE(result.skills, skills);
}

void HostileTest::sectionHeaderWithoutBracket_endsAtLineEnd()
{
    dir->write(QStringLiteral("scripts/open.scp"),
               "[ITEMDEF i_open\nNAME=Open\nSKILLMAKE=Mining 1\n\n" +
                   item("i_after", "After", "Mining 2") + "[ITEMDEF i_last");

    loadAndCheck();
    QCOMPARE(result.skills, lines({"Mining", "  After", "  Open"}));
}

void HostileTest::tenThousandSections_allRead()
{
    QByteArray script;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray id = QByteArray::number(i).rightJustified(5, '0');
        // Every tenth section is not an item definition and must not become a record.
        if (i % 10 == 9)
            script += "[TEMPLATE t_" + id + "]\nNAME=Template\n\n";
        else
            script += item("i_n" + id, "Item " + id, "Mining 1");
    }
    dir->write(QStringLiteral("scripts/many.scp"), script);

    loadAndCheck();
    QCOMPARE(result.records.size(), 9000);
    QTreeWidget *tree = skillTree(window.get());
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *mining = tree->topLevelItem(0);
    QCOMPARE(mining->childCount(), 9000);
    QCOMPARE(mining->child(0)->text(0), QStringLiteral("Item 00000"));
    QCOMPARE(mining->child(8999)->text(0), QStringLiteral("Item 09998"));
}

void HostileTest::thousandResources_allLinked()
{
    QByteArray resources;
    QByteArray parts;
    for (int i = 0; i < 1000; ++i) {
        const QByteArray id = "i_part" + QByteArray::number(i).rightJustified(4, '0');
        resources += (i ? ", " : "") + QByteArray::number(i + 1) + " " + id;
        // Only the even parts exist; the odd ones are reported missing.
        if (i % 2 == 0)
            parts += "[ITEMDEF " + id + "]\nNAME=Part " + QByteArray::number(i) + "\n\n";
    }
    dir->write(QStringLiteral("scripts/parts.scp"), parts);
    dir->write(QStringLiteral("scripts/machine.scp"),
               "[ITEMDEF i_machine]\nNAME=Machine\nRESOURCES=" + resources +
                   "\nSKILLMAKE=Tinkering 99.9\n");

    loadAndCheck();
    QCOMPARE(result.skills, lines({"Tinkering", "  Machine"}));
    const QStringList rendered =
        result.records.value(QStringLiteral("i_machine"))->resources.split(QStringLiteral(", "));
    QCOMPARE(rendered.size(), 500);
    QCOMPARE(rendered.first(), QStringLiteral("1 Part 0"));
    QCOMPARE(rendered.last(), QStringLiteral("999 Part 998"));
    const QStringList messages = result.browser.split(QLatin1Char('\n'));
    QCOMPARE(messages.size(), 500);
    QCOMPARE(messages.first(), QStringLiteral("Resoucre \"i_part0001\" no found."));
    QCOMPARE(messages.last(), QStringLiteral("Resoucre \"i_part0999\" no found."));
}

void HostileTest::crowdedEntries_data()
{
    QTest::addColumn<QByteArray>("resources");
    QTest::addColumn<QByteArray>("skillmake");
    QTest::addColumn<QString>("renderedResources");
    QTest::addColumn<QString>("renderedSkills");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("only commas") << QByteArray(",,,,") << QByteArray(",,,,") << QString()
                                 << QString() << lines({"Resoucre \"\" no found."});
    QTest::newRow("only blanks and tabs")
        << QByteArray(" \t \t ") << QByteArray("\t \t") << QString() << QString() << QStringList();
    QTest::newRow("tabs inside entries")
        << QByteArray("2\ti_log, 3 \ti_log") << QByteArray("mining\t5, tailoring \t7")
        << QStringLiteral("3 Log") << QStringLiteral("Tailoring 7")
        << lines({"Resoucre \"2i_log\" no found."});
    QTest::newRow("double blanks")
        << QByteArray("2  i_log,4 i_log  x") << QByteArray("mining  5,  6 tailoring")
        << QStringLiteral("4 Log") << QStringLiteral("Mining 0, Tailoring 6")
        << lines({"Resoucre \"\" no found."});
    QTest::newRow("blanks around commas")
        << QByteArray("  2 i_log  ,  , 5 i_log ") << QByteArray(" mining 5 ,, tailoring 6 ")
        << QStringLiteral("2 Log, 5 Log") << QStringLiteral("Mining 5, Tailoring 6")
        << lines({"Resoucre \"\" no found."});
    QTest::newRow("comment marks")
        << QByteArray("2 i_log//,3 i_gone") << QByteArray("mining 5// tailoring 6")
        << QStringLiteral("2 Log") << QStringLiteral("Mining 5") << QStringList();
}

void HostileTest::crowdedEntries()
{
    QFETCH(QByteArray, resources);
    QFETCH(QByteArray, skillmake);
    QFETCH(QString, renderedResources);
    QFETCH(QString, renderedSkills);
    QFETCH(QStringList, messages);
    dir->write(QStringLiteral("scripts/log.scp"), "[ITEMDEF i_log]\nNAME=Log\n");
    dir->write(QStringLiteral("scripts/crowded.scp"), "[ITEMDEF i_crowded]\nNAME=Crowded\n"
                                                      "RESOURCES=" +
                                                          resources + "\nSKILLMAKE=" + skillmake +
                                                          "\n");

    loadAndCheck();
    // Without a usable skill the record is in no tree; FindSI still reaches it.
    SI_item *record = nullptr;
    const QList<SI_item *> all = findSI(window.get(), QStringLiteral("global_type"));
    for (SI_item *candidate : all) {
        if (candidate->defname == QLatin1String("i_crowded"))
            record = candidate;
    }
    QVERIFY(record);
    QCOMPARE(record->resources, renderedResources);
    QCOMPARE(record->skillmake, renderedSkills);
    QCOMPARE(result.browser, messages.join(QLatin1Char('\n')));
}

void HostileTest::directoryLinkLoop_visitedOnce()
{
    dir->write(QStringLiteral("scripts/a/item.scp"), item("i_loop", "Loop", "Mining 1"));
    QVERIFY(QFile::link(QStringLiteral("../.."), QStringLiteral("scripts/a/up")));
    QVERIFY(QFile::link(QStringLiteral("."), QStringLiteral("scripts/a/self")));

    loadAndCheck();
    QCOMPARE(result.files, lines({"scripts [1]", "  scripts/a/item.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  Loop"}));
}

void HostileTest::linkToFileOutside_isRead()
{
    dir->write(QStringLiteral("elsewhere/real.scp"), item("i_outside", "Outside", "Mining 1"));
    dir->write(QStringLiteral("scripts/inside.scp"), item("i_inside", "Inside", "Mining 2"));
    QVERIFY(QFile::link(dir->path() + QStringLiteral("/elsewhere/real.scp"),
                        QStringLiteral("scripts/link.scp")));
    QVERIFY(QFile::link(QStringLiteral("nowhere.scp"), QStringLiteral("scripts/dangling.scp")));

    loadAndCheck();
    // A link that leads nowhere is listed, and gives nothing.
    QCOMPARE(result.files, lines({"scripts [3]", "  scripts/dangling.scp", "  scripts/inside.scp",
                                  "  scripts/link.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  Inside", "  Outside"}));
}

void HostileTest::unreadableDirectory_contributesNothing()
{
    if (runningAsRoot())
        QSKIP("root reads every directory");
    dir->write(QStringLiteral("scripts/a.scp"), item("i_a", "A", "Mining 1"));
    dir->write(QStringLiteral("scripts/locked/b.scp"), item("i_b", "B", "Mining 2"));
    dir->write(QStringLiteral("scripts/z.scp"), item("i_z", "Z", "Mining 3"));
    const QString locked = dir->path() + QStringLiteral("/scripts/locked");
    const QFileDevice::Permissions permissions = QFile::permissions(locked);
    QFile::setPermissions(locked, QFileDevice::Permissions());

    loadAndCheck();
    QFile::setPermissions(locked, permissions);
    QCOMPARE(result.files, lines({"scripts [2]", "  scripts/a.scp", "  scripts/z.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  A", "  Z"}));
    QCOMPARE(dir->read(QStringLiteral("scripts/locked/b.scp")), item("i_b", "B", "Mining 2"));
    // Readable again, the locked file joins what cleanup() compares after the close.
    scriptsBefore->insert(locked + QStringLiteral("/b.scp"), item("i_b", "B", "Mining 2"));
}

void HostileTest::fileDeletedBetweenPasses_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<QStringList>>("skills");

    const QStringList onlyA = lines({"Mining", "  A"});
    // At the end of the counting pass the second listing no longer finds the file.
    QTest::newRow("after counting")
        << QStringLiteral("Search information.") << lines({"scripts [1]", "  scripts/a.scp"})
        << QList<QStringList>{onlyA};
    // While reading, the file was listed: it keeps its node, and its items are there when it
    // had been read ahead before it went.
    QTest::newRow("while reading") << QStringLiteral("Loading object.")
                                   << lines({"scripts [2]", "  scripts/a.scp", "  scripts/b.scp"})
                                   << QList<QStringList>{onlyA, lines({"Mining", "  A", "  B"})};
}

void HostileTest::fileDeletedBetweenPasses()
{
    QFETCH(QString, label);
    QFETCH(QStringList, files);
    dir->write(QStringLiteral("scripts/a.scp"), item("i_a", "A", "Mining 1"));
    dir->write(QStringLiteral("scripts/b.scp"), item("i_b", "B", "Mining 2"));
    writeScriptConfiguration({QStringLiteral("scripts")}, QStringLiteral("*.scp"));
    window = startWindow();

    bool deleted = false;
    int firstValue = 0;
    bool seen = false;
    ProgressWatch watch(window.get());
    // The pass's first step is the moment: the counting pass steps once, after its one
    // directory; the reading pass steps first after the first item of a.scp.
    watch.setHook([&](QProgressDialog *, const ProgressState &state) {
        if (deleted || state.label != label)
            return;
        if (!seen) {
            seen = true;
            firstValue = state.value;
        }
        if (state.value != firstValue)
            deleted = QFile::remove(QStringLiteral("scripts/b.scp"));
    });
    result = load(window.get());

    QVERIFY(deleted);
    QCOMPARE(result.files, files);
    QFETCH(QList<QStringList>, skills);
    QVERIFY2(skills.contains(result.skills), qPrintable(result.skills.join(QLatin1Char('|'))));
    QCOMPARE(dir->read(QStringLiteral("scripts/a.scp")), item("i_a", "A", "Mining 1"));
}

void HostileTest::configuredDirectoryIsFile_givesEmptyNode()
{
    dir->write(QStringLiteral("scripts/only.scp"), item("i_only", "Only", "Mining 1"));

    loadAndCheck({QStringLiteral("scripts/only.scp"), QStringLiteral("scripts")});
    QCOMPARE(result.files, lines({"scripts/only.scp [0]", "scripts [1]", "  scripts/only.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  Only"}));
}

void HostileTest::configGarbage_givesDefaults_data()
{
    QTest::addColumn<QByteArray>("content");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 7919) % 251));
    QTest::newRow("binary") << binary;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("unclosed sections") << QByteArray("[Settings\nDirs\n[HTML\n=\n==\n[\n]\n");
    QTest::newRow("keys outside any section") << QByteArray("Filter=*.scp\nstray text\n");
    QTest::newRow("other sections only")
        << QByteArray("[Other]\nDirs=elsewhere\n[settings]\nfilter=*.txt\n");
}

void HostileTest::configGarbage_givesDefaults()
{
    QFETCH(QByteArray, content);
    dir->write(QStringLiteral("config.cfg"), content);
    dir->write(QStringLiteral("win_config.cfg"), content);

    window = startWindow();
    QCOMPARE(window->size(), QSize(400, 400));
    QCOMPARE(window->pos(), QPoint(200, 200));
    closeWindow(window);

    const Configuration written = readConfiguration(QStringLiteral("./config.cfg"));
    QCOMPARE(written.dirs, QStringList{QStringLiteral("./")});
    QCOMPARE(written.filter, QStringLiteral("*"));
    QCOMPARE(written.h1, defaultHeaderTemplate());
    QCOMPARE(written.h2, defaultItemTemplate());
    QCOMPARE(written.h3, defaultEndTemplate());
}

void HostileTest::configWrongTypes_convertsLikeTheReader()
{
    // Dirs as a single string, Filter as an unquoted list, the templates as a size, a number
    // and an invalid value: each is converted the way the reader converts its key.
    dir->write(QStringLiteral("config.cfg"), "[Settings]\nDirs=scripts\nFilter=*.scp, *.txt\n"
                                             "[HTML]\nHeaderString=@Size(1 2)\nItemString=42\n"
                                             "EndString=@Invalid()\n[Mine]\nKeep=this\n");
    dir->write(QStringLiteral("scripts/a.scp"), item("i_a", "A", "Mining 1"));

    window = startWindow();
    result = load(window.get());
    QCOMPARE(result.files, lines({"scripts [1]", "  scripts/a.scp"}));
    QCOMPARE(result.skills, lines({"Mining", "  A"}));
    closeWindow(window);

    const Configuration written = readConfiguration(QStringLiteral("./config.cfg"));
    QCOMPARE(written.dirs, QStringList{QStringLiteral("scripts")});
    QCOMPARE(written.filter, QStringLiteral("*.scp,*.txt"));
    QCOMPARE(written.h1, QString());
    QCOMPARE(written.h2, QStringLiteral("42"));
    QCOMPARE(written.h3, QString());
    QSettings file(QStringLiteral("./config.cfg"), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Mine/Keep")).toString(), QStringLiteral("this"));
}

void HostileTest::windowStateGarbage_givesDefaults_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pos");

    QTest::newRow("size -5 x") << QByteArray("size=-5 x\npos=@Point(30 40)\n") << QSize(400, 400)
                               << QPoint(30, 40);
    QTest::newRow("negative size") << QByteArray("size=@Size(-5 -7)\npos=@Point(30 40)\n")
                                   << QSize(400, 400) << QPoint(30, 40);
    QTest::newRow("empty size") << QByteArray("size=@Size(0 300)\n") << QSize(400, 400)
                                << QPoint(200, 200);
    QTest::newRow("position far off")
        << QByteArray("size=@Size(320 240)\npos=@Point(90000 90000)\n") << QSize(320, 240)
        << QPoint(200, 200);
    QTest::newRow("position far off to the left")
        << QByteArray("size=@Size(320 240)\npos=@Point(-5000 10)\n") << QSize(320, 240)
        << QPoint(200, 200);
    QTest::newRow("position partly on the screen")
        << QByteArray("size=@Size(320 240)\npos=@Point(-100 -50)\n") << QSize(320, 240)
        << QPoint(-100, -50);
    QTest::newRow("position as a list")
        << QByteArray("size=@Size(320 240)\npos=1, 2\n") << QSize(320, 240) << QPoint(200, 200);
    QTest::newRow("position as text")
        << QByteArray("pos=left\n") << QSize(400, 400) << QPoint(200, 200);
    QTest::newRow("size as a point") << QByteArray("size=@Point(500 500)\npos=@Point(30 40)\n")
                                     << QSize(400, 400) << QPoint(30, 40);
}

void HostileTest::windowStateGarbage_givesDefaults()
{
    QFETCH(QByteArray, section);
    QFETCH(QSize, size);
    QFETCH(QPoint, pos);
    dir->write(QStringLiteral("win_config.cfg"), "[TavrelClass]\n" + section);

    window = startWindow();
    QCOMPARE(window->size(), size);
    QCOMPARE(window->pos(), pos);
    closeWindow(window);

    // The next run finds what the window really had, not the garbage.
    QSettings state(QStringLiteral("./win_config.cfg"), QSettings::IniFormat);
    QCOMPARE(state.value(QStringLiteral("TavrelClass/size")).toSize(), size);
    QCOMPARE(state.value(QStringLiteral("TavrelClass/pos")).toPoint(), pos);
}

void HostileTest::unwritable_data()
{
    QTest::addColumn<QString>("readOnly");

    QTest::newRow("read-only config.cfg") << QStringLiteral("config.cfg");
    QTest::newRow("read-only win_config.cfg") << QStringLiteral("win_config.cfg");
    QTest::newRow("read-only working directory") << QStringLiteral(".");
}

void HostileTest::unwritable()
{
    QFETCH(QString, readOnly);
    if (runningAsRoot())
        QSKIP("root writes read-only files");
    const QByteArray config = "[Settings]\nDirs=scripts\nFilter=*.scp\n";
    const QByteArray state = "[TavrelClass]\nsize=@Size(320 240)\npos=@Point(30 40)\n";
    dir->write(QStringLiteral("config.cfg"), config);
    dir->write(QStringLiteral("win_config.cfg"), state);
    dir->write(QStringLiteral("scripts/a.scp"), item("i_a", "A", "Mining 1"));

    {
        const ReadOnly guard(dir->path() + QLatin1Char('/') + readOnly);
        window = startWindow();
        QCOMPARE(window->size(), QSize(320, 240));
        result = load(window.get());
        QCOMPARE(result.skills, lines({"Mining", "  A"}));
        window->resize(500, 300);
        // The window says what it could not save.
        const QString warning = closeWindowThroughWarning(window);
        QVERIFY2(warning.contains(readOnly == QLatin1String(".") ? QStringLiteral("./config.cfg")
                                                                 : QStringLiteral("./") + readOnly),
                 qPrintable(warning));
        QVERIFY2(warning.contains(QLatin1String("Permission denied")), qPrintable(warning));
    }

    // What could not be written is as it was; the rest was written.
    const bool configLocked = readOnly != QLatin1String("win_config.cfg");
    const bool stateLocked = readOnly != QLatin1String("config.cfg");
    if (configLocked)
        QCOMPARE(dir->read(QStringLiteral("config.cfg")), config);
    else
        QCOMPARE(readConfiguration(QStringLiteral("./config.cfg")).h3, defaultEndTemplate());
    QCOMPARE(readConfiguration(QStringLiteral("./config.cfg")).dirs,
             QStringList{QStringLiteral("scripts")});
    if (stateLocked) {
        QCOMPARE(dir->read(QStringLiteral("win_config.cfg")), state);
    } else {
        QSettings written(QStringLiteral("./win_config.cfg"), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("TavrelClass/size")).toSize(), QSize(500, 300));
    }
}

QTEST_MAIN(HostileTest)
#include "tst_hostile.moc"
