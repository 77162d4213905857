// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/read/discovery.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTreeWidget>

#include <unistd.h>

using namespace tavrel;

namespace {

// Entries ending in "/" are made as empty directories, the others as files.
void makeEntries(const WorkingDirectory &wd, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(QLatin1Char('/')))
            QVERIFY(QDir(wd.path()).mkpath(entry));
        else
            wd.write(entry, QByteArray());
    }
}

void makeLink(const WorkingDirectory &wd, const QString &target, const QString &link)
{
    QVERIFY(QFile::link(target, QDir(wd.path()).filePath(link)));
}

} // namespace

class tst_Discovery : public QObject
{
    Q_OBJECT

private slots:
    void normaliseDirectory_data();
    void normaliseDirectory();
    void findScriptFiles_data();
    void findScriptFiles();
    void findScriptFiles_absoluteDirectory();
    void symlinkLoop_terminates();
    void symlinkElsewhere_walkedOncePerDirectory();
    void brokenAndFileLinks();
    void linkToAncestorThroughLinkedDirectory_stops();
    void configuredDirectoryIsLink_linkBackStops();
    void deepChain_linksAtTheBottom();
    void unreadableDirectory_contributesNothing();
    void directoryAndSubdirectoryConfigured_filesReadTwice();
};

void tst_Discovery::normaliseDirectory_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty becomes working directory") << QString() << "./";
    QTest::newRow("empty but not null") << QString(QLatin1String("")) << "./";
    QTest::newRow("slash appended") << "scripts"
                                    << "scripts/";
    QTest::newRow("trailing slash kept single") << "scripts/"
                                                << "scripts/";
    QTest::newRow("double trailing slash untouched") << "scripts//"
                                                     << "scripts//";
    QTest::newRow("backslashes") << "scripts\\items"
                                 << "scripts/items/";
    QTest::newRow("trailing backslash") << "scripts\\items\\"
                                        << "scripts/items/";
    QTest::newRow("mixed separators") << "a\\b/c"
                                      << "a/b/c/";
    QTest::newRow("dot") << "."
                         << "./";
    QTest::newRow("blank is not empty") << " "
                                        << " /";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("percent kept") << "a%2b"
                                  << "a%2b/";
}

void tst_Discovery::normaliseDirectory()
{
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    QCOMPARE(::normaliseDirectory(directory), expected);
}

void tst_Discovery::findScriptFiles_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty directory string is the working directory")
        << QStringList{"a.scp", "sub/b.scp"} << QString() << "*"
        << QStringList{"./a.scp", "./sub/b.scp"};
    QTest::newRow("dot slash") << QStringList{"a.scp"} << "./"
                               << "*" << QStringList{"./a.scp"};
    QTest::newRow("backslashes give slashes throughout")
        << QStringList{"scripts/items/a.scp", "scripts/items/deep/b.scp", "scripts/other.scp"}
        << "scripts\\items"
        << "*" << QStringList{"scripts/items/a.scp", "scripts/items/deep/b.scp"};
    QTest::newRow("trailing backslash") << QStringList{"scripts/items/a.scp"} << "scripts\\items\\"
                                        << "*" << QStringList{"scripts/items/a.scp"};
    QTest::newRow("trailing slash not doubled") << QStringList{"s/a.scp", "s/t/b.scp"} << "s/"
                                                << "*" << QStringList{"s/a.scp", "s/t/b.scp"};
    QTest::newRow("double trailing slash kept in paths")
        << QStringList{"s/a.scp", "s/t/b.scp"} << "s//"
        << "*" << QStringList{"s//a.scp", "s//t/b.scp"};
    QTest::newRow("single pattern") << QStringList{"s/a.scp", "s/b.txt", "s/c.scp.bak"} << "s"
                                    << "*.scp" << QStringList{"s/a.scp"};
    QTest::newRow("patterns match regardless of case")
        << QStringList{"s/a.scp", "s/B.SCP"} << "s"
        << "*.scp" << QStringList{"s/a.scp", "s/B.SCP"};
    QTest::newRow("second pattern begins with a blank")
        << QStringList{"s/a.scp", "s/b.txt", "s/ c.txt"} << "s"
        << "*.scp, *.txt" << QStringList{"s/ c.txt", "s/a.scp"};
    QTest::newRow("patterns not trimmed at the end") << QStringList{"s/a.scp", "s/a.scp "} << "s"
                                                     << "*.scp " << QStringList{"s/a.scp "};
    QTest::newRow("two plain patterns") << QStringList{"s/a.scp", "s/b.txt", "s/c.ini"} << "s"
                                        << "*.scp,*.txt" << QStringList{"s/a.scp", "s/b.txt"};
    QTest::newRow("empty filter matches no file but walks subdirectories")
        << QStringList{"s/a.scp", "s/t/b.scp"} << "s" << QString() << QStringList();
    QTest::newRow("empty pattern kept and matches nothing")
        << QStringList{"s/a.scp", "s/b.txt"} << "s"
        << "*.scp," << QStringList{"s/a.scp"};
    QTest::newRow("file matching two patterns listed once")
        << QStringList{"s/a.scp"} << "s"
        << "*.scp,a*,*" << QStringList{"s/a.scp"};
    QTest::newRow("names in case-insensitive order")
        << QStringList{"s/b.scp", "s/A.scp", "s/c.scp", "s/B2.scp", "s/a1.scp"} << "s"
        << "*" << QStringList{"s/A.scp", "s/a1.scp", "s/b.scp", "s/B2.scp", "s/c.scp"};
    QTest::newRow("files first then subdirectories depth first")
        << QStringList{"s/z.scp",     "s/a/x.scp", "s/a/c.scp",
                       "s/a/b/y.scp", "s/B/w.scp", "s/B/a/v.scp"}
        << "s"
        << "*" << QStringList{"s/z.scp",     "s/a/c.scp", "s/a/x.scp",
                              "s/a/b/y.scp", "s/B/w.scp", "s/B/a/v.scp"};
    QTest::newRow("subdirectories walked whatever the filter")
        << QStringList{"s/notes/n.scp", "s/x.scp/in.scp"} << "s"
        << "*.scp" << QStringList{"s/notes/n.scp", "s/x.scp/in.scp"};
    QTest::newRow("hidden files and directories left out")
        << QStringList{"s/.hidden.scp", "s/.git/a.scp", "s/v.scp", "s/sub/.h.scp"} << "s"
        << "*" << QStringList{"s/v.scp"};
    QTest::newRow("hidden configured directory itself is read")
        << QStringList{".s/a.scp", ".s/.t/b.scp"} << ".s"
        << "*" << QStringList{".s/a.scp"};
    QTest::newRow("missing directory") << QStringList{"s/a.scp"} << "nope"
                                       << "*" << QStringList();
    QTest::newRow("file given as directory") << QStringList{"s/a.scp"} << "s/a.scp"
                                             << "*" << QStringList();
    QTest::newRow("only empty subdirectories") << QStringList{"s/a.scp", "s/e/", "s/f/g/"} << "s"
                                               << "*" << QStringList{"s/a.scp"};
    QTest::newRow("relative path with dot dot") << QStringList{"s/t/", "s/a.scp"} << "s/t/.."
                                                << "*.scp" << QStringList{"s/t/../a.scp"};
}

void tst_Discovery::findScriptFiles()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, directory);
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    const WorkingDirectory wd;
    makeEntries(wd, entries);
    QCOMPARE(::findScriptFiles(directory, filter), expected);
}

void tst_Discovery::findScriptFiles_absoluteDirectory()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"s/a.scp", "s/t/b.scp"});
    const QString base = wd.path() + QStringLiteral("/s");
    QCOMPARE(::findScriptFiles(base, QStringLiteral("*")),
             (QStringList{base + "/a.scp", base + "/t/b.scp"}));
}

void tst_Discovery::symlinkLoop_terminates()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"d/a.scp", "d/sub/b.scp"});
    makeLink(wd, QStringLiteral(".."), QStringLiteral("d/sub/up"));
    makeLink(wd, QStringLiteral("."), QStringLiteral("d/self"));
    // A link whose target is reached through another name of the same directory.
    makeLink(wd, wd.path() + QStringLiteral("/d"), QStringLiteral("d/sub/absolute"));

    QCOMPARE(::findScriptFiles(QStringLiteral("d"), QStringLiteral("*")),
             (QStringList{"d/a.scp", "d/sub/b.scp"}));
}

void tst_Discovery::symlinkElsewhere_walkedOncePerDirectory()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"other/o.scp", "other/deep/p.scp", "d/a.scp", "d/x/x.scp"});
    makeLink(wd, QStringLiteral("../other"), QStringLiteral("d/link"));
    // A second name of a directory walked already leads nowhere new.
    makeLink(wd, QStringLiteral("x"), QStringLiteral("d/y"));
    // A link elsewhere that leads back into the configured directory stops there.
    makeLink(wd, QStringLiteral("../../d"), QStringLiteral("other/deep/back"));

    QCOMPARE(::findScriptFiles(QStringLiteral("d"), QStringLiteral("*")),
             (QStringList{"d/a.scp", "d/link/o.scp", "d/link/deep/p.scp", "d/x/x.scp"}));
    // Started from the other side, the link back leads into d once, and d's link to the
    // directory being walked stops there.
    QCOMPARE(::findScriptFiles(QStringLiteral("other"), QStringLiteral("*")),
             (QStringList{"other/o.scp", "other/deep/p.scp", "other/deep/back/a.scp",
                          "other/deep/back/x/x.scp"}));
}

void tst_Discovery::brokenAndFileLinks()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"outside.scp", "d/a.scp"});
    makeLink(wd, QStringLiteral("../outside.scp"), QStringLiteral("d/b.scp"));
    makeLink(wd, QStringLiteral("nowhere"), QStringLiteral("d/broken.scp"));
    makeLink(wd, QStringLiteral("nowhere"), QStringLiteral("d/brokendir"));

    // A link to nothing is no directory: it is listed for the reading to report.
    QCOMPARE(::findScriptFiles(QStringLiteral("d"), QStringLiteral("*")),
             (QStringList{"d/a.scp", "d/b.scp", "d/broken.scp", "d/brokendir"}));
}

void tst_Discovery::linkToAncestorThroughLinkedDirectory_stops()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"d/a.scp", "other/o.scp", "other/deep/p.scp", "other/deep/more/q.scp"});
    makeLink(wd, QStringLiteral("../other"), QStringLiteral("d/link"));
    // Below the link, real directories lead back to the link's target, which is on the path
    // under another name.
    makeLink(wd, QStringLiteral("../.."), QStringLiteral("other/deep/more/up"));
    makeLink(wd, QStringLiteral("../../deep"), QStringLiteral("other/deep/more/again"));

    QCOMPARE(
        ::findScriptFiles(QStringLiteral("d"), QStringLiteral("*")),
        (QStringList{"d/a.scp", "d/link/o.scp", "d/link/deep/p.scp", "d/link/deep/more/q.scp"}));
}

void tst_Discovery::configuredDirectoryIsLink_linkBackStops()
{
    const WorkingDirectory wd;
    makeEntries(wd, {"real/a.scp", "real/sub/b.scp"});
    makeLink(wd, QStringLiteral("real"), QStringLiteral("alias"));
    // A link to the link is the configured directory again.
    makeLink(wd, QStringLiteral("../../alias"), QStringLiteral("real/sub/back"));

    QCOMPARE(::findScriptFiles(QStringLiteral("alias"), QStringLiteral("*")),
             (QStringList{"alias/a.scp", "alias/sub/b.scp"}));
}

void tst_Discovery::deepChain_linksAtTheBottom()
{
    const WorkingDirectory wd;
    constexpr int depth = 200;
    QStringList expected;
    QString path = QStringLiteral("top");
    QString middle;
    for (int level = 0; level < depth; ++level) {
        if (level == depth / 2)
            middle = path;
        wd.write(path + QStringLiteral("/f.scp"), QByteArray());
        expected.append(path + QStringLiteral("/f.scp"));
        path += QStringLiteral("/n");
    }
    wd.write(QStringLiteral("side/s.scp"), QByteArray());
    QVERIFY(QDir(wd.path()).mkpath(path));
    // At the bottom: a link to the top and one to the middle are cycles; a link to a directory
    // beside the chain is not, but a second link to the same directory leads nowhere new.
    makeLink(wd, wd.path() + QStringLiteral("/top"), path + QStringLiteral("/a_top"));
    makeLink(wd, wd.path() + QStringLiteral("/") + middle, path + QStringLiteral("/b_middle"));
    makeLink(wd, wd.path() + QStringLiteral("/side"), path + QStringLiteral("/c_side"));
    makeLink(wd, wd.path() + QStringLiteral("/side"), path + QStringLiteral("/d_side"));
    expected.append(path + QStringLiteral("/c_side/s.scp"));

    QCOMPARE(::findScriptFiles(QStringLiteral("top"), QStringLiteral("*")), expected);
}

void tst_Discovery::unreadableDirectory_contributesNothing()
{
    if (geteuid() == 0)
        QSKIP("permission bits do not stop root from reading a directory");
    const WorkingDirectory wd;
    makeEntries(wd, {"d/a.scp", "d/locked/b.scp", "d/open/c.scp", "d/secret.scp"});
    const QString locked = QDir(wd.path()).filePath(QStringLiteral("d/locked"));
    const QString secret = QDir(wd.path()).filePath(QStringLiteral("d/secret.scp"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    QVERIFY(QFile::setPermissions(secret, QFileDevice::Permissions()));
    const QStringList found = ::findScriptFiles(QStringLiteral("d"), QStringLiteral("*"));
    const QStringList inside = ::findScriptFiles(QStringLiteral("d/locked"), QStringLiteral("*"));
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A file that cannot be read is still found; reading it is the load's business.
    QCOMPARE(found, (QStringList{"d/a.scp", "d/secret.scp", "d/open/c.scp"}));
    QCOMPARE(inside, QStringList());
}

void tst_Discovery::directoryAndSubdirectoryConfigured_filesReadTwice()
{
    const WorkingDirectory wd;
    wd.write(QStringLiteral("s/a.scp"), "[itemdef i_a]\nSKILLMAKE=Tailoring 1\n");
    wd.write(QStringLiteral("s/sub/b.scp"), "[itemdef i_b]\nSKILLMAKE=Tailoring 2\n");
    writeScriptConfiguration({"s", "s/sub"}, QStringLiteral("*.scp"));

    std::unique_ptr<Tavrel> window = startWindow();
    const CloseAtEnd closer(window);
    ProgressWatch watch(window.get());
    findAction(window.get(), QStringLiteral("Open"))->trigger();

    QCOMPARE(treeLines(fileTree(window.get())),
             (QStringList{"s [2]", "  s/a.scp", "  s/sub/b.scp", "s/sub [1]", "  s/sub/b.scp"}));
    // The shared file is counted and read in both directories; the second reading replaces
    // the first record, so the item shows once.
    QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Tailoring", "  A", "  B"}));
    int readingMaximum = -1;
    int readingValue = -1;
    for (const ProgressState &state : watch.states()) {
        if (state.label == QLatin1String("Loading object.")) {
            readingMaximum = state.maximum;
            readingValue = state.value;
        }
    }
    QCOMPARE(readingMaximum, 2 + (1 + 2 + 2) + (1 + 1 + 1));
    QCOMPARE(readingValue, (2 + 2 + 1) + (1 + 1 + 1));
    closeWindow(window);
}

QTEST_MAIN(tst_Discovery)
#include "tst_discovery.moc"
