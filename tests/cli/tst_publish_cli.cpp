// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QStringList publishing{"--dir", "scripts", "--html", "site"};

// The second version adds a crafted item in a skill of its own.
void writeScripts(const WorkingDirectory &dir, const QString &directory, int version)
{
    QByteArray text = "[ITEMDEF i_log]\n[ITEMDEF i_board]\nRESOURCES=2 i_log\n"
                      "SKILLMAKE=carpentry 10\n";
    if (version == 2)
        text += "[ITEMDEF i_cloak]\nRESOURCES=3 i_board\nSKILLMAKE=tailoring 30\n";
    dir.write(directory + QStringLiteral("/wood.scp"), text);
}

// "version 1" or "version 2" when the site is whole: every link leads to a page of it, and
// every page but the index is linked to; else what is wrong.
QString siteState(const QString &site)
{
    const QString root = QFileInfo(site).canonicalFilePath();
    QSet<QString> pages;
    QDirIterator files(root, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        pages.insert(files.next());
    if (!pages.remove(root + QStringLiteral("/index.html")))
        return QStringLiteral("no index.html");
    QSet<QString> linked{root + QStringLiteral("/index.html")};
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (const QString &page : pages + linked) {
        QFile file(page);
        file.open(QIODevice::ReadOnly);
        auto links = href.globalMatch(QString::fromUtf8(file.readAll()));
        while (links.hasNext()) {
            const QString link = links.next().captured(1);
            const QString target = QFileInfo(QFileInfo(page).dir(), link).canonicalFilePath();
            if (!pages.contains(target) && !linked.contains(target))
                return page + QStringLiteral(" links to the missing ") + link;
            linked.insert(target);
        }
    }
    if (!linked.contains(pages))
        return QStringLiteral("a page is linked from no other");
    return pages.contains(root + QStringLiteral("/items/i_cloak.html"))
               ? QStringLiteral("version 2")
               : QStringLiteral("version 1");
}

// What killed runs left beside the site: all that is there but the link's target and the lock.
qsizetype leftovers()
{
    return QDir()
               .entryList({QStringLiteral(".site.tavrel-*")},
                          QDir::AllEntries | QDir::Hidden | QDir::System)
               .size() -
           2;
}

// Every entry below the directory, links not followed, with what the entry holds.
QStringList snapshot(const QString &directory)
{
    QStringList entries;
    QDirIterator it(directory,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QFile file(info.filePath());
        if (info.isFile() && !info.isSymLink() && file.open(QIODevice::ReadOnly))
            entries.append(info.filePath() + QString::fromUtf8(file.readAll()));
        else
            entries.append(info.filePath() + info.symLinkTarget());
    }
    entries.sort();
    return entries;
}

// The site as an earlier version left it: a plain directory without the list of its files,
// with the staging of a killed run.
void unlinkSite(const WorkingDirectory &dir)
{
    const QString target = QFileInfo(QStringLiteral("site")).symLinkTarget();
    QFile::remove(QStringLiteral("site"));
    QDir().rename(target, QStringLiteral("site"));
    QFile::remove(QStringLiteral("site/.tavrel-files"));
    dir.write(QStringLiteral("site/.items.old/i_gone.html"), "<!DOCTYPE html>\n");
    dir.write(QStringLiteral("site/.items.new"), "");
}

} // namespace

class tst_PublishCli : public QObject
{
    Q_OBJECT

private slots:
    void killed_leavesOneWholeSite_data();
    void killed_leavesOneWholeSite();
    void concurrentRuns_waitAndLeaveOneWholeSite();
    void refused_changesNothing_data();
    void refused_changesNothing();
};

void tst_PublishCli::killed_leavesOneWholeSite_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("plain");
    // Locked and cleaned, staged, skill pages, item pages, indices, link made, swapped.
    for (int step = 1; step <= 7; ++step) {
        QTest::addRow("published site, killed after step %d", step) << step << false;
        QTest::addRow("earlier version's directory, killed after step %d", step) << step << true;
    }
}

void tst_PublishCli::killed_leavesOneWholeSite()
{
    QFETCH(int, step);
    QFETCH(bool, plain);
    const WorkingDirectory dir;
    writeScripts(dir, QStringLiteral("scripts"), 1);
    QCOMPARE(runProgram(TAVREL_REPORT_PATH, publishing).exitCode, 0);
    if (plain)
        unlinkSite(dir);
    writeScripts(dir, QStringLiteral("scripts"), 2);

    qputenv("TAVREL_REPORT_KILL_AFTER_STEP", QByteArray::number(step));
    const Run killed = runProgram(TAVREL_REPORT_PATH, publishing);
    qunsetenv("TAVREL_REPORT_KILL_AFTER_STEP");
    QCOMPARE(killed.exitCode, -1);
    // The seventh step makes the new site current.
    QCOMPARE(siteState(QStringLiteral("site")),
             step < 7 ? QStringLiteral("version 1") : QStringLiteral("version 2"));

    const Run next = runProgram(TAVREL_REPORT_PATH, publishing);
    QCOMPARE(next.err, QByteArray());
    QCOMPARE(next.exitCode, 0);
    QCOMPARE(siteState(QStringLiteral("site")), QStringLiteral("version 2"));
    QCOMPARE(leftovers(), 0);
}

// The test holds the lock as a third run would, until both runs say that they wait.
void tst_PublishCli::concurrentRuns_waitAndLeaveOneWholeSite()
{
    const WorkingDirectory dir;
    writeScripts(dir, QStringLiteral("1"), 1);
    writeScripts(dir, QStringLiteral("2"), 2);
    const int held = ::open(".site.tavrel-lock", O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    QCOMPARE(::flock(held, LOCK_EX), 0);
    QProcess runs[2];
    for (int i = 0; i < 2; ++i) {
        runs[i].setReadChannel(QProcess::StandardError);
        runs[i].start(TAVREL_REPORT_PATH, {"--dir", QString::number(i + 1), "--html", "site"});
        QVERIFY(runs[i].waitForReadyRead(60000) && runs[i].canReadLine());
        QCOMPARE(runs[i].readLine(),
                 "tavrel-report: waiting for another run publishing into \"site\"\n");
    }
    ::close(held);
    for (QProcess &run : runs) {
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
    }
    const QString state = siteState(QStringLiteral("site"));
    QVERIFY2(state.startsWith(QLatin1String("version ")), qPrintable(state));
    QCOMPARE(leftovers(), 0);
}

void tst_PublishCli::refused_changesNothing_data()
{
    QTest::addColumn<bool>("publishedBefore");
    // "PATH=CONTENT" writes a file, "PATH->TARGET" makes a link, "PATH:read-only" takes the
    // permission to write away, and "PATH:locked" locks the file as another run would.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    const QString holds = QStringLiteral("output directory \"site\" holds \"site/%1\", not a page "
                                         "of tavrel-report: move it elsewhere, as each run "
                                         "replaces the directory whole");
    QTest::newRow("a file of the user's")
        << false << "site/notes.txt=mine" << publishing << holds.arg("notes.txt");
    QTest::newRow("a page of the user's")
        << true << "site/about.html=<!DOCTYPE html>" << publishing << holds.arg("about.html");
    QTest::newRow("a published page linked to a file of the user's")
        << true << "site/index.html->../victim.txt" << publishing << holds.arg("index.html");
    QTest::newRow("a link the tool did not make")
        << false << "site->elsewhere" << publishing
        << "output directory \"site\": is a symbolic link that tavrel-report did not make";
    // The previous site could not be emptied once replaced.
    QTest::newRow("read-only items") << true << "site/items:read-only" << publishing
                                     << "output directory \"site/items\": permission denied";
    QTest::newRow("another run publishing, --no-wait")
        << false << ".site.tavrel-lock:locked" << publishing + QStringList{"--no-wait"}
        << "another run is publishing into \"site\"";

    // The pages would be read as scripts, or replace them.
    QTest::newRow("inside a configured script directory")
        << false << QString() << QStringList{"--html", "scripts/deep/../site"}
        << "output directory \"scripts/deep/../site\" is inside the script directory "
           "\"scripts\"";
    QTest::newRow("the script directory itself")
        << false << QString() << QStringList{"--dir", "scripts/deep", "--html", "scripts/deep/"}
        << "output directory \"scripts/deep/\" is inside the script directory \"scripts/deep\"";
    QTest::newRow("inside, through a link")
        << false << "alias->scripts" << QStringList{"--dir", "scripts", "--html", "alias/site"}
        << "output directory \"alias/site\" is inside the script directory \"scripts\"";
    QTest::newRow("holding a script directory")
        << false << QString() << QStringList{"--dir", "scripts/deep", "--html", "scripts"}
        << "output directory \"scripts\" holds the script directory \"scripts/deep\"";
    QTest::newRow("holding the scripts of a tables file")
        << false << "scripts/deep/tables.scp=[RESOURCES]"
        << QStringList{"--tables", "scripts/deep/tables.scp", "--html", "scripts"}
        << "output directory \"scripts\" holds the script directory \"scripts/deep\"";
    QTest::newRow("the working directory, holding the scripts")
        << false << QString() << QStringList{"--html", "."}
        << "output directory \".\" holds the script directory \"scripts\"";
}

// Refused before anything is written: nothing changes, nothing is removed, and no file is
// written through a link.
void tst_PublishCli::refused_changesNothing()
{
    QFETCH(bool, publishedBefore);
    QFETCH(QString, change);
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const QStringList parts = change.split(QRegularExpression(QStringLiteral("=|->|:")));
    const QString path = parts.constFirst();
    const bool readOnly = change.endsWith(QLatin1String(":read-only"));
    if (readOnly && ::geteuid() == 0)
        QSKIP("root writes past permissions; tst_publish_cli_unprivileged runs this as nobody");
    const WorkingDirectory dir;
    writeScripts(dir, QStringLiteral("scripts/deep"), 1);
    dir.write(QStringLiteral("config.cfg"), "[Settings]\nDirs=scripts\nFilter=*\n");
    dir.write(QStringLiteral("victim.txt"), "precious");
    QDir().mkdir(QStringLiteral("elsewhere"));
    if (publishedBefore)
        QCOMPARE(runProgram(TAVREL_REPORT_PATH, publishing).exitCode, 0);
    if (!change.isEmpty()) {
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
    }
    const int held = ::open(".site.tavrel-lock", O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (change.endsWith(QLatin1String(":locked")))
        ::flock(held, LOCK_EX);
    else if (readOnly)
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    else if (change.contains(QLatin1String("->")))
        QFile::link(parts.constLast(), path);
    else if (change.contains(QLatin1Char('=')))
        dir.write(path, parts.constLast().toUtf8());
    const QStringList before = snapshot(dir.path());

    const Run run = runProgram(TAVREL_REPORT_PATH, arguments);
    ::close(held);
    if (readOnly)
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner);
    QCOMPARE(QString::fromUtf8(run.err), QStringLiteral("tavrel-report: %1\n").arg(error));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(snapshot(dir.path()), before);
}

QTEST_GUILESS_MAIN(tst_PublishCli)
#include "tst_publish_cli.moc"
