// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "settings/changedir.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Makes the working directory's files for a probe; false (with the reason in `skip`) when this
// system cannot make them.
using Prepare = bool (*)(const WorkingDirectory &, QString &skip);
// What is wrong with the files once the window is closed, or an empty text.
using Check = QString (*)(const WorkingDirectory &);

enum class Action
{
    None,
    Load,
    ChangeFilter,
    CancelWalk,
    CloseDuringWalk
};

const QByteArray scriptsConfiguration = "[Settings]\nDirs=scripts\nFilter=*.scp\n";
// Comments, another section, a key the window does not own, values that are not UTF-8 in its
// own keys and in others, CRLF line ends.
const QByteArray handWritten = "; kept in git\r\n"
                               "[Check]\r\n"
                               "; the server's spare parts\r\n"
                               "Ignore=i_spare\r\n"
                               "[Settings]\r\n"
                               "Dirs=caf\xe9\r\n"
                               "Filter=*.scp ; only scripts\r\n"
                               "Extra=\xff\xfe\r\n"
                               "[Mine]\r\n"
                               "Note=d\xe9j\xe0 vu\r\n";

mode_t typeOf(const char *path)
{
    struct stat status;
    return ::lstat(path, &status) == 0 ? status.st_mode & S_IFMT : 0;
}

bool isLink(const char *path, const char *target)
{
    return QFile::symLinkTarget(QString::fromLatin1(path)).endsWith(QLatin1String(target)) &&
           typeOf(path) == S_IFLNK;
}

bool fifo(const char *path, QString &skip)
{
    skip = QStringLiteral("no FIFO can be made here");
    return ::mkfifo(path, 0600) == 0;
}

bool fifoConfiguration(const WorkingDirectory &, QString &skip)
{
    return fifo("config.cfg", skip);
}

bool fifoWindowState(const WorkingDirectory &, QString &skip)
{
    return fifo("win_config.cfg", skip);
}

bool configurationLinkedToSocket(const WorkingDirectory &, QString &)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "socket");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && ::symlink("socket", "config.cfg") == 0;
}

bool configurationLinkedToDevice(const WorkingDirectory &, QString &skip)
{
    skip = QStringLiteral("only root makes a device node");
    return ::mknod("null", S_IFCHR | 0666, makedev(1, 3)) == 0 &&
           ::symlink("null", "config.cfg") == 0;
}

bool configurationThroughTwoLinks(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("kept/real.cfg"), scriptsConfiguration);
    return ::symlink("kept/real.cfg", "inner.cfg") == 0 &&
           ::symlink("inner.cfg", "config.cfg") == 0;
}

bool handWrittenConfiguration(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("config.cfg"), handWritten);
    return true;
}

bool interruptedSaves(const WorkingDirectory &dir, QString &)
{
    for (const char *name : {"config.cfg.tavrel-Ab12Cd", "win_config.cfg.tavrel-Zz9yY0",
                             "config.cfg.backup", "config.cfg.tavrel-short", "config.cfg.Ab12Cd"})
        dir.write(QString::fromLatin1(name), "left");
    return true;
}

bool hugeSparseScript(const WorkingDirectory &dir, QString &skip)
{
    dir.write(QStringLiteral("config.cfg"), scriptsConfiguration);
    dir.write(QStringLiteral("scripts/a.scp"), "[ITEMDEF i_a]\nNAME=A\nSKILLMAKE=Mining 1\n");
    dir.write(QStringLiteral("scripts/huge.scp"), QByteArray());
    skip = QStringLiteral("this file system holds no sparse file of 100 GiB");
    return ::truncate("scripts/huge.scp", qint64(100) << 30) == 0;
}

const QString deepest = QStringLiteral("scripts/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d/d");

bool deepTree(const WorkingDirectory &dir, QString &)
{
    dir.write(QStringLiteral("config.cfg"), scriptsConfiguration);
    return QDir().mkpath(deepest);
}

QString unchanged(const WorkingDirectory &)
{
    return QString();
}

QString stillFifo(const WorkingDirectory &)
{
    const bool kept = typeOf("config.cfg") == S_IFIFO || typeOf("win_config.cfg") == S_IFIFO;
    return kept ? QString() : QStringLiteral("the FIFO was replaced");
}

QString socketKept(const WorkingDirectory &)
{
    const bool kept = typeOf("socket") == S_IFSOCK && isLink("config.cfg", "socket");
    return kept ? QString() : QStringLiteral("the socket or the link was replaced");
}

QString deviceKept(const WorkingDirectory &)
{
    const bool kept = typeOf("null") == S_IFCHR && isLink("config.cfg", "null");
    return kept ? QString() : QStringLiteral("the device or the link was replaced");
}

QString savedThroughLinks(const WorkingDirectory &dir)
{
    const QByteArray saved = dir.read(QStringLiteral("kept/real.cfg"));
    const bool through =
        isLink("config.cfg", "inner.cfg") && isLink("inner.cfg", "kept/real.cfg") &&
        saved.startsWith(scriptsConfiguration) && saved.contains("[HTML]") &&
        QDir(QStringLiteral("kept")).entryList(QDir::Files) == QStringList{"real.cfg"};
    return through ? QString() : QString::fromUtf8(saved);
}

QString keptByteForByte(const WorkingDirectory &dir)
{
    const QByteArray saved = dir.read(QStringLiteral("config.cfg"));
    // The templates the window owns come after what was there, in their own section.
    return saved.startsWith(handWritten + "\r\n[HTML]\r\nEndString=") ? QString()
                                                                      : QString::fromLatin1(saved);
}

QString filterLineChanged(const WorkingDirectory &dir)
{
    QByteArray expected = handWritten;
    expected.replace("Filter=*.scp ; only", "Filter=*.txt ; only");
    const QByteArray saved = dir.read(QStringLiteral("config.cfg"));
    return saved.startsWith(expected + "\r\n[HTML]\r\n") ? QString() : QString::fromLatin1(saved);
}

QString interruptedSavesRemoved(const WorkingDirectory &dir)
{
    const QStringList left =
        QDir(dir.path()).entryList({QStringLiteral("*.cfg.*")}, QDir::Files, QDir::Name);
    const QStringList others{"config.cfg.Ab12Cd", "config.cfg.backup", "config.cfg.tavrel-short"};
    return left == others ? QString() : left.join(QLatin1Char(' '));
}

// Writes `text` into the FIFO whenever a reader has it open, for as long as the object lives:
// a window that reads the FIFO, rather than refusing it, gets that text, and a window that
// waits for a writer gets one.
class FifoFeeder
{
public:
    FifoFeeder(const QByteArray &path, const QByteArray &text)
        : path(path), feeding([this, text] { feed(text); })
    {
    }
    ~FifoFeeder()
    {
        stopping = true;
        feeding.join();
    }
    FifoFeeder(const FifoFeeder &) = delete;
    FifoFeeder &operator=(const FifoFeeder &) = delete;

private:
    // Never blocks, so that it ends whatever became of the FIFO.
    void feed(const QByteArray &text)
    {
        while (!stopping) {
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) {
                std::this_thread::yield();
                continue;
            }
            struct stat status;
            const bool isFifo = ::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
            if (isFifo && ::write(fd, text.constData(), size_t(text.size())) < 0) {
                // The reader had gone already.
            }
            ::close(fd);
            if (!isFifo)
                return;
        }
    }

    const QByteArray path;
    std::atomic<bool> stopping{false};
    std::thread feeding;
};

// Whether anything opened the directory while the object lived.
class OpenWatch
{
public:
    explicit OpenWatch(const QString &directory) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(fd, QFile::encodeName(directory).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch() { ::close(fd); }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;

    bool opened() const
    {
        char events[4096];
        return ::read(fd, events, sizeof events) > 0;
    }

private:
    const int fd;
};

} // namespace

Q_DECLARE_METATYPE(Prepare)
Q_DECLARE_METATYPE(Check)
Q_DECLARE_METATYPE(Action)

class ProbesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void probe_data();
    void probe();
};

void ProbesTest::initTestCase()
{
    // A feeder that writes to a FIFO its reader left must not end the test.
    std::signal(SIGPIPE, SIG_IGN);
}

void ProbesTest::probe_data()
{
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<Action>("action");
    // A text the warning shown at the close holds, or none when there is no warning.
    QTest::addColumn<QString>("warning");
    QTest::addColumn<Check>("check");

    QTest::newRow("config.cfg a FIFO")
        << Prepare(fifoConfiguration) << Action::None
        << "The settings could not be saved: ./config.cfg is not a regular file."
        << Check(stillFifo);
    QTest::newRow("win_config.cfg a FIFO")
        << Prepare(fifoWindowState) << Action::None
        << "The window positions could not be saved: ./win_config.cfg is not a regular file."
        << Check(stillFifo);
    QTest::newRow("config.cfg a link to a socket")
        << Prepare(configurationLinkedToSocket) << Action::None
        << "./config.cfg is not a regular file" << Check(socketKept);
    QTest::newRow("config.cfg a link to a device")
        << Prepare(configurationLinkedToDevice) << Action::None
        << "./config.cfg is not a regular file" << Check(deviceKept);
    QTest::newRow("config.cfg a link to a link to a file")
        << Prepare(configurationThroughTwoLinks) << Action::None << QString()
        << Check(savedThroughLinks);
    QTest::newRow("comments, sections and encodings kept")
        << Prepare(handWrittenConfiguration) << Action::None << QString() << Check(keptByteForByte);
    QTest::newRow("a new filter changes its line alone")
        << Prepare(handWrittenConfiguration) << Action::ChangeFilter << QString()
        << Check(filterLineChanged);
    QTest::newRow("interrupted saves removed at start")
        << Prepare(interruptedSaves) << Action::None << QString() << Check(interruptedSavesRemoved);
    QTest::newRow("a sparse script of 100 GiB")
        << Prepare(hugeSparseScript) << Action::Load << QString() << Check(unchanged);
    QTest::newRow("Cancel while the directories are walked")
        << Prepare(deepTree) << Action::CancelWalk << QString() << Check(unchanged);
    QTest::newRow("Close while the directories are walked")
        << Prepare(deepTree) << Action::CloseDuringWalk << QString() << Check(unchanged);
}

void ProbesTest::probe()
{
    QFETCH(Prepare, prepare);
    QFETCH(Action, action);
    const WorkingDirectory dir;
    QString skip;
    if (!prepare(dir, skip))
        QSKIP(qPrintable(skip));
    std::unique_ptr<FifoFeeder> feeder;
    if (typeOf("config.cfg") == S_IFIFO)
        feeder = std::make_unique<FifoFeeder>("config.cfg", "[Settings]\nFilter=fed.scp\n");
    else if (typeOf("win_config.cfg") == S_IFIFO)
        feeder =
            std::make_unique<FifoFeeder>("win_config.cfg", "[TavrelClass]\nsize=@Size(321 123)\n");
    const OpenWatch walk(deepest);

    std::unique_ptr<Tavrel> window = startWindow();
    const CloseAtEnd closer(window);
    // What a FIFO would have fed is not taken.
    QCOMPARE(window->size(), QSize(400, 400));
    QVERIFY(filterEdit(settingsDialog(window.get()))->text() != QLatin1String("fed.scp"));

    if (action == Action::ChangeFilter) {
        const QString dirs = dirEdit(settingsDialog(window.get()))->toPlainText();
        updateScriptConfiguration(window.get(), dirs.split(QLatin1Char('\n')),
                                  QStringLiteral("*.txt"));
    } else if (action == Action::Load) {
        findAction(window.get(), QStringLiteral("Open"))->trigger();
        QCOMPARE(treeLines(fileTree(window.get())),
                 (QStringList{"scripts [2]", "  scripts/a.scp", "  scripts/huge.scp"}));
        QCOMPARE(treeLines(skillTree(window.get())), (QStringList{"Mining", "  A"}));
    } else if (action == Action::CancelWalk || action == Action::CloseDuringWalk) {
        ProgressWatch watch(window.get());
        bool acted = false;
        Tavrel *shown = window.get();
        watch.setHook([&](QProgressDialog *dialog, const ProgressState &state) {
            if (acted || state.label != QLatin1String("Search information."))
                return;
            acted = true;
            if (action == Action::CancelWalk)
                dialog->cancel();
            else
                shown->close();
        });
        findAction(window.get(), QStringLiteral("Open"))->trigger();
        QVERIFY(acted);
        QVERIFY2(!walk.opened(), "the walk went on after it was stopped");
        QCOMPARE(treeLines(fileTree(window.get())), QStringList());
    }

    QFETCH(QString, warning);
    const QString shownWarning = closeWindowThroughWarning(window);
    if (warning.isEmpty())
        QCOMPARE(shownWarning, QString());
    else
        QVERIFY2(shownWarning.contains(warning), qPrintable(shownWarning));
    feeder.reset();
    QFETCH(Check, check);
    const QString wrong = check(dir);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

QTEST_MAIN(ProbesTest)
#include "tst_probes.moc"
