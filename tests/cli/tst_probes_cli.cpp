// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the working directory's files for a probe; false (with the reason in `skip`) when this
// system cannot make them.
using Prepare = bool (*)(const WorkingDirectory &, QString &skip);

const QStringList publishing{"--dir", "scripts", "--html", "site"};
const QStringList checking{"--dir", "scripts", "--filter", "*.scp", "--check"};

QByteArray item(const QByteArray &id, const QByteArray &name, const QByteArray &more = {})
{
    return "[ITEMDEF " + id + "]\nNAME=" + name + "\nRESOURCES=2 i_log\nSKILLMAKE=carpentry 10\n" +
           more + "[ITEMDEF i_log]\nNAME=Log\n";
}

bool published(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    return runProgram(TAVREL_REPORT_PATH, publishing).exitCode == 0;
}

bool notesBelowTheTop(const WorkingDirectory &dir, QString &)
{
    const bool done = published(dir);
    dir.write(QStringLiteral("site/items/notes.html"), "<p>my notes</p>\n");
    return done;
}

// Begins as every page does: only the list of the site's own files tells it apart.
bool pageOfTheUsersBelowTheTop(const WorkingDirectory &dir, QString &)
{
    const bool done = published(dir);
    dir.write(QStringLiteral("site/items/mine.html"),
              "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Mine</title>\n");
    return done;
}

// The site as an earlier version left it: a plain directory without the list of its files.
bool notesInAnEarlierVersionsSite(const WorkingDirectory &dir, QString &)
{
    const bool done = published(dir);
    const QString target = QFileInfo(QStringLiteral("site")).symLinkTarget();
    QFile::remove(QStringLiteral("site"));
    QDir().rename(target, QStringLiteral("site"));
    QFile::remove(QStringLiteral("site/.tavrel-files"));
    dir.write(QStringLiteral("site/items/notes.html"), "<p>my notes</p>\n");
    return done;
}

bool notesAtTheTopAndNoLock(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    dir.write(QStringLiteral("site/notes.txt"), "mine");
    return true;
}

bool scriptsAndMountPoint(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    return QDir().mkdir(QStringLiteral("ro"));
}

bool markupInAName(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("scripts/wood.scp"),
              item("i_chair", "Chair<script>alert(1)</script><img src=x onerror=alert(2)>"));
    return true;
}

bool hugeSparseScript(const WorkingDirectory &dir, QString &skip)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    dir.write(QStringLiteral("scripts/huge.scp"), QByteArray());
    // 100 GiB that take no disk.
    skip = QStringLiteral("this file system holds no sparse file of 100 GiB");
    return ::truncate("scripts/huge.scp", qint64(100) << 30) == 0;
}

// Each level holds two links to the next: 2^12 paths to the one file at the bottom.
bool twoLinksPerLevel(const WorkingDirectory &dir, QString &)
{
    constexpr int levels = 12;
    for (int level = 0; level < levels; ++level) {
        QDir().mkpath(QStringLiteral("scripts/d%1").arg(level));
        for (const char *name : {"a", "b"}) {
            if (!QFile::link(QStringLiteral("../d%1").arg(level + 1),
                             QStringLiteral("scripts/d%1/%2").arg(level).arg(name)))
                return false;
        }
    }
    dir.write(QStringLiteral("scripts/d%1/wood.scp").arg(levels), item("i_chair", "Chair"));
    return true;
}

// Ten thousand ids that name nothing, on one line: each is reported, in one pass over the line.
bool tenThousandMissingOnOneLine(const WorkingDirectory &dir, QString &)
{
    QByteArray resources;
    for (int i = 0; i < 10000; ++i)
        resources += (i ? ", 1 i_gone" : "1 i_gone") + QByteArray::number(i).rightJustified(5, '0');
    dir.write(QStringLiteral("scripts/long.scp"),
              "[ITEMDEF i_long]\nNAME=Long\nRESOURCES=" + resources + "\n");
    return true;
}

const char notUtf8[] = "scripts/caf\xe9.scp";

// Qt removes no file whose name it cannot decode.
class RemoveNotUtf8
{
public:
    RemoveNotUtf8() = default;
    ~RemoveNotUtf8() { ::unlink(notUtf8); }
    RemoveNotUtf8(const RemoveNotUtf8 &) = delete;
    RemoveNotUtf8 &operator=(const RemoveNotUtf8 &) = delete;
};

bool nameNotUtf8(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    const int fd = ::open(notUtf8, O_WRONLY | O_CREAT | O_EXCL, 0644);
    const QByteArray text = "[ITEMDEF i_cafe]\nRESOURCES=1 i_nothing\n";
    const bool written = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) > 0;
    return ::close(fd) == 0 && written;
}

bool fifoScript(const WorkingDirectory &dir, QString &skip)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    skip = QStringLiteral("no FIFO can be made here");
    return ::mkfifo("scripts/pipe.scp", 0600) == 0;
}

bool danglingLinkScript(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("scripts/wood.scp"), item("i_chair", "Chair"));
    return QFile::link(QStringLiteral("nowhere.scp"), QStringLiteral("scripts/gone.scp"));
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

// The tool in a mount namespace of its own, where "ro" is a read-only file system.
Run runOnReadOnlyMount(const QStringList &arguments)
{
    return runProgram(QStringLiteral("unshare"),
                      QStringList{"--mount", "--map-root-user", "sh", "-c",
                                  "mount -t tmpfs -o ro tmpfs ro && exec \"$0\" \"$@\"",
                                  TAVREL_REPORT_PATH} +
                          arguments);
}

} // namespace

Q_DECLARE_METATYPE(Prepare)

class tst_ProbesCli : public QObject
{
    Q_OBJECT

private slots:
    void probe_data();
    void probe();
};

void tst_ProbesCli::probe_data()
{
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readOnlyMount");
    QTest::addColumn<int>("exitCode");
    // Lines the standard output holds, and the standard error whole when the run is refused
    // (a refused run changes nothing at all), else a text it holds.
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("refused");
    // A text the skill page holds.
    QTest::addColumn<QByteArray>("page");

    const QString holds = QStringLiteral("tavrel-report: output directory \"site\" holds \"%1\", "
                                         "not a page of tavrel-report: move it elsewhere, as "
                                         "each run replaces the directory whole\n");
    QTest::newRow("--html: a file of the user's below the top")
        << Prepare(notesBelowTheTop) << publishing << false << 2 << QStringList()
        << holds.arg("site/items/notes.html") << true << QByteArray();
    QTest::newRow("--html: a page of the user's below the top")
        << Prepare(pageOfTheUsersBelowTheTop) << publishing << false << 2 << QStringList()
        << holds.arg("site/items/mine.html") << true << QByteArray();
    QTest::newRow("--html: a file of the user's in an earlier version's site")
        << Prepare(notesInAnEarlierVersionsSite) << publishing << false << 2 << QStringList()
        << holds.arg("site/items/notes.html") << true << QByteArray();
    QTest::newRow("--html: refused, no lock file left")
        << Prepare(notesAtTheTopAndNoLock) << publishing << false << 2 << QStringList()
        << holds.arg("site/notes.txt") << true << QByteArray();
    QTest::newRow("--html: a read-only file system")
        << Prepare(scriptsAndMountPoint) << QStringList{"--dir", "scripts", "--html", "ro/site"}
        << true << 2 << QStringList()
        << "tavrel-report: output directory \"ro/site\": \"ro\" is on a read-only file system\n"
        << true << QByteArray();
    QTest::newRow("--html: markup in a name")
        << Prepare(markupInAName) << publishing << false << 0 << QStringList() << QString() << false
        << QByteArray("Chair&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x "
                      "onerror=alert(2)&gt;");

    const QString unreadable =
        QStringLiteral("scripts/%1:0: error: Cannot be read: %2. [unreadable]\n");
    QTest::newRow("--check: a sparse script of 100 GiB")
        << Prepare(hugeSparseScript) << checking << false << 1
        << QStringList{unreadable.arg("huge.scp", "is larger than 256 MiB; not read")}
        << "2 files, 2 definitions" << false << QByteArray();
    QTest::newRow("--check: twelve levels of two links to the next")
        << Prepare(twoLinksPerLevel) << checking << false << 0 << QStringList()
        << "1 file, 2 definitions" << false << QByteArray();
    QTest::newRow("--check: ten thousand missing ids on one RESOURCES line")
        << Prepare(tenThousandMissingOnOneLine) << checking << false << 1
        << QStringList{"scripts/long.scp:3:13: error: Resource \"i_gone00000\" is not defined",
                       "scripts/long.scp:3:149998: error: Resource \"i_gone09999\" is not defined"}
        << "1 file, 1 definition, 10000 references: 10000 errors" << false << QByteArray();
    QTest::newRow("--check: a name that is not UTF-8")
        << Prepare(nameNotUtf8) << checking << false << 1
        << QStringList{"scripts/caf?.scp:2:13: error: Resource \"i_nothing\" is not defined"}
        << "2 files, 3 definitions" << false << QByteArray();
    QTest::newRow("--check: a FIFO")
        << Prepare(fifoScript) << checking << false << 1
        << QStringList{unreadable.arg("pipe.scp", "is not a regular file")} << "2 files" << false
        << QByteArray();
    QTest::newRow("--check: a link to nothing")
        << Prepare(danglingLinkScript) << checking << false << 1
        << QStringList{unreadable.arg("gone.scp", "is a symbolic link to nothing")} << "2 files"
        << false << QByteArray();
}

void tst_ProbesCli::probe()
{
    QFETCH(Prepare, prepare);
    QFETCH(QStringList, arguments);
    QFETCH(bool, readOnlyMount);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(bool, refused);
    QFETCH(QByteArray, page);
    const WorkingDirectory dir;
    const RemoveNotUtf8 remove;
    QString skip;
    if (!prepare(dir, skip))
        QSKIP(qPrintable(skip.isEmpty() ? QStringLiteral("cannot make the files") : skip));
    const QStringList before = refused ? snapshot(dir.path()) : QStringList();

    const Run run =
        readOnlyMount ? runOnReadOnlyMount(arguments) : runProgram(TAVREL_REPORT_PATH, arguments);
    if (readOnlyMount && (run.err.startsWith("unshare:") || run.err.startsWith("mount:")))
        QSKIP("no mount namespace of its own here");

    const QString printed = QString::fromUtf8(run.out);
    const QString told = QString::fromUtf8(run.err);
    QVERIFY2(run.exitCode == exitCode, qPrintable(QString::number(run.exitCode) + ' ' + told));
    for (const QString &line : out)
        QVERIFY2(printed.contains(line), qPrintable(printed));
    if (refused) {
        QCOMPARE(told, err);
        QCOMPARE(snapshot(dir.path()), before);
    } else {
        QVERIFY2(told.contains(err), qPrintable(told));
    }
    // A page's values are text, whatever markup they hold.
    const QByteArray skillPage = dir.read(QStringLiteral("site/carpentry.html"));
    QVERIFY2(skillPage.contains(page), skillPage.constData());
    QVERIFY2(!skillPage.contains("<script") && !skillPage.contains("<img"), skillPage.constData());
}

QTEST_GUILESS_MAIN(tst_ProbesCli)
#include "tst_probes_cli.moc"
