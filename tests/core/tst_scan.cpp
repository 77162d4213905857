// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/load/parallel.h"
#include "core/read/scan.h"

#include <QMutex>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

#include <atomic>
#include <vector>

using namespace tavrel;

namespace {

// Every step of a walk as a line, and whether any came from another thread than the walk's.
class RecordingScan : public ScriptScan
{
public:
    RecordingScan(const ScanReading &reading, QMap<QString, QStringList> files, int stopAfter)
        : ScriptScan(reading), files(std::move(files)), stopAfter(stopAfter)
    {
    }

    QStringList steps;
    bool offThread = false;

protected:
    QStringList filesOf(const QString &directory) override
    {
        note(QStringLiteral("list ") + directory);
        return files.value(directory);
    }
    void directoryStarted(const QString &directory, const QStringList &paths) override
    {
        note(QStringLiteral("directory %1 %2").arg(directory).arg(paths.size()));
    }
    void fileStarted(const QString &path) override { note(QStringLiteral("file ") + path); }
    bool mayContinue() override
    {
        note(QStringLiteral("may continue"));
        return stopAfter < 0 || --stopAfter >= 0;
    }
    void itemDefinitionFound(ScannedSection &section) override
    {
        note(QStringLiteral("item [%1]").arg(section.name));
        ScriptScan::itemDefinitionFound(section);
    }
    void otherSectionFound(ScannedSection &section) override
    {
        note(QStringLiteral("other [%1] %2").arg(section.name, section.skillKeys.join(u'|')));
    }
    void itemRead(ItemFields &fields) override
    {
        note(QStringLiteral("read %1|%2|%3|%4")
                 .arg(fields.defname, fields.name, fields.resources, fields.skillmake));
    }
    void fileFinished() override { note(QStringLiteral("file end")); }
    void directoryFinished() override { note(QStringLiteral("directory end")); }

private:
    void note(const QString &step)
    {
        offThread = offThread || QThread::currentThread() != thread;
        steps.append(step);
    }

    QMap<QString, QStringList> files;
    int stopAfter;
    QThread *const thread = QThread::currentThread();
};

QByteArray items(int first, int count)
{
    QByteArray text;
    for (int i = first; i < first + count; ++i) {
        text += QStringLiteral("[ITEMDEF i_%1]\nNAME=Item %1\nRESOURCES=2 i_%2 // old\n"
                               "SKILLMAKE=Mining %1\n\n")
                    .arg(i)
                    .arg(i + 1)
                    .toUtf8();
    }
    return text;
}

} // namespace

class tst_Scan : public QObject
{
    Q_OBJECT

private slots:
    void orderedFor_data();
    void orderedFor();
    void readAhead_sameSteps_data();
    void readAhead_sameSteps();
};

void tst_Scan::orderedFor_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("ahead");
    // The index whose consumption stops the loop, or -1.
    QTest::addColumn<int>("stopAt");

    QTest::newRow("nothing") << 0 << 2 << 4 << -1;
    QTest::newRow("one index") << 1 << 2 << 4 << -1;
    QTest::newRow("no other thread") << 50 << 0 << 1 << -1;
    QTest::newRow("two threads") << 400 << 2 << 3 << -1;
    QTest::newRow("one ahead") << 100 << 3 << 1 << -1;
    QTest::newRow("more threads than indices") << 5 << 8 << 2 << -1;
    QTest::newRow("stopped") << 400 << 2 << 4 << 10;
    QTest::newRow("stopped at the first") << 50 << 3 << 2 << 0;
    QTest::newRow("stopped at the last") << 30 << 2 << 4 << 29;
    QTest::newRow("stopped without other thread") << 20 << 0 << 1 << 5;
}

void tst_Scan::orderedFor()
{
    QFETCH(int, count);
    QFETCH(int, threads);
    QFETCH(int, ahead);
    QFETCH(int, stopAt);

    const size_t n = size_t(count);
    std::vector<std::atomic<int>> produced(n);
    std::vector<std::atomic<int>> released(n);
    std::vector<QThread *> producers(n, nullptr);
    std::vector<QThread *> releasers(n, nullptr);
    std::atomic<int> highestStarted{-1};
    QList<int> consumed;
    QStringList faults;
    QMutex faultMutex;
    const auto fault = [&](const QString &text) {
        const QMutexLocker locker(&faultMutex);
        faults.append(text);
    };

    const bool completed = ::orderedFor(
        n, threads, size_t(ahead),
        [&](size_t i) {
            int seen = highestStarted.load();
            while (int(i) > seen && !highestStarted.compare_exchange_weak(seen, int(i))) {
            }
            producers[i] = QThread::currentThread();
            // Uneven work, so that later indices are often ready first.
            if (i % 7 == 0)
                QThread::usleep(200);
            ++produced[i];
        },
        [&](size_t i) {
            if (produced[i] != 1)
                fault(QStringLiteral("%1 consumed before it was produced").arg(i));
            if (highestStarted.load() >= int(i) + ahead)
                fault(QStringLiteral("%1 started while %2 was consumed")
                          .arg(highestStarted.load())
                          .arg(i));
            consumed.append(int(i));
            return int(i) != stopAt;
        },
        [&](size_t i) {
            releasers[i] = QThread::currentThread();
            ++released[i];
        });

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String("; "))));
    QCOMPARE(completed, stopAt < 0);
    const int last = stopAt < 0 ? count - 1 : stopAt;
    QList<int> expected;
    for (int i = 0; i <= last; ++i)
        expected.append(i);
    QCOMPARE(consumed, expected);
    for (size_t i = 0; i < n; ++i) {
        QVERIFY(produced[i] <= 1);
        if (int(i) <= last) {
            QCOMPARE(released[i].load(), 1);
            // After a stop the calling thread releases what the workers had not reached.
            if (stopAt < 0)
                QCOMPARE(releasers[i], producers[i]);
        } else {
            QCOMPARE(released[i].load(), 0);
            QVERIFY(!produced[i] || int(i) < stopAt + ahead);
        }
    }
}

void tst_Scan::readAhead_sameSteps_data()
{
    QTest::addColumn<int>("stopAfter");
    QTest::newRow("whole walk") << -1;
    QTest::newRow("stopped in the first file") << 3;
    QTest::newRow("stopped in a later file") << 40;
}

// Reading files ahead on other threads changes nothing a walk's steps see, nor their order.
void tst_Scan::readAhead_sameSteps()
{
    QFETCH(int, stopAfter);
    const WorkingDirectory dir;
    QStringList paths;
    for (int f = 0; f < 12; ++f) {
        const QString path = QStringLiteral("a/f%1.scp").arg(f);
        QByteArray text = items(f * 10, f % 4 == 0 ? 1 : 9);
        if (f == 2)
            text += "[SKILL 3]\nKEY=Mining // the miner's\n[FUNCTION x]\nA=1\n";
        if (f == 5)
            text = QByteArray("\0\xff[ITEMDEF", 10) + "\n=\n[[\n";
        dir.write(path, text);
        paths.append(path);
    }
    paths.insert(4, QStringLiteral("a/gone.scp"));
    paths.insert(7, QStringLiteral("a"));
    const bool fifo = ::mkfifo("a/pipe.scp", 0600) == 0;
    if (fifo)
        paths.insert(9, QStringLiteral("a/pipe.scp"));
    dir.write(QStringLiteral("b/one.scp"), items(500, 3));
    const QMap<QString, QStringList> files{{QStringLiteral("a"), paths},
                                           {QStringLiteral("empty"), {}},
                                           {QStringLiteral("b"), {QStringLiteral("b/one.scp")}}};
    const QStringList directories{QStringLiteral("a"), QStringLiteral("empty"),
                                  QStringLiteral("b")};

    // Per way of reading the items' keys, the steps of a walk without other threads.
    QMap<bool, QStringList> reference;
    for (const int threads : {0, 1, 3}) {
        for (const bool itemKeys : {true, false}) {
            RecordingScan scan(ScanReading{itemKeys, true, threads}, files, stopAfter);
            QCOMPARE(scan.run(directories), stopAfter < 0);
            QVERIFY(!scan.offThread);
            if (threads == 0)
                reference[itemKeys] = scan.steps;
            else
                QCOMPARE(scan.steps, reference.value(itemKeys));
        }
    }
    QVERIFY(reference[false].contains(QStringLiteral("read |||")));
    if (stopAfter >= 0 && stopAfter < 10)
        return;
    const QStringList &steps = reference[true];
    QVERIFY(steps.contains(QStringLiteral("read i_10|Item 10|2 i_11|mining 10")));
    QVERIFY(steps.contains(QStringLiteral("other [SKILL 3] Mining // the miner's")));
    QVERIFY(steps.contains(QStringLiteral("file a/gone.scp")));
}

QTEST_GUILESS_MAIN(tst_Scan)
#include "tst_scan.moc"
