// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/load/parallel.h"
#include "core/load/scriptload.h"

#include <QMutex>
#include <QTest>
#include <QThread>

#include <atomic>
#include <vector>

using namespace tavrel;

namespace {

// Every step of a load as a line, and whether any came from another thread than the load's.
class RecordingObserver : public LoadObserver
{
public:
    explicit RecordingObserver(int stopAfter) : stopAfter(stopAfter) {}

    QStringList steps;
    bool offThread = false;

    void directoryStarted(const QString &directory, const QStringList &paths) override
    {
        note(QStringLiteral("directory %1 %2").arg(directory, paths.join(u' ')));
    }
    void fileStarted(const QString &path) override { note(QStringLiteral("file ") + path); }
    bool mayContinue() override
    {
        note(QStringLiteral("may continue"));
        return goOn();
    }
    void itemDefinitionRead(const ScriptRecord *record) override
    {
        if (!record) {
            note(QStringLiteral("item without record"));
            return;
        }
        const ItemFields &f = record->fields;
        note(QStringLiteral("item %1|%2|%3|%4 in %5:%6")
                 .arg(f.defname, f.name, f.resources, f.skillmake, record->place.file)
                 .arg(record->place.defname.line));
    }
    void fileFinished() override { note(QStringLiteral("file end")); }
    void directoryFinished() override { note(QStringLiteral("directory end")); }
    void linkingStarted(qsizetype records) override
    {
        note(QStringLiteral("linking %1").arg(records));
    }
    void skillGroupStarted(const QString &name) override { note(QStringLiteral("skill ") + name); }
    bool recordLinked(const ScriptRecord &record, const LinkedRecord &linked,
                      const QList<int> &groups) override
    {
        QStringList indices;
        for (const int group : groups)
            indices.append(QString::number(group));
        note(QStringLiteral("linked %1|%2|%3 under %4")
                 .arg(record.fields.defname, linked.resources, linked.skillmake,
                      indices.join(u',')));
        return goOn();
    }

private:
    bool goOn() { return stopAfter < 0 || --stopAfter >= 0; }
    void note(const QString &step)
    {
        offThread = offThread || QThread::currentThread() != thread;
        steps.append(step);
    }

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
    QTest::newRow("whole load") << -1;
    QTest::newRow("stopped in the first file") << 3;
    QTest::newRow("stopped in a later file") << 40;
    QTest::newRow("stopped while linking") << 150;
}

// Reading files and linking records on other threads changes nothing an observer of the load
// sees, nor the order of the steps, nor the result.
void tst_Scan::readAhead_sameSteps()
{
    QFETCH(int, stopAfter);
    const WorkingDirectory dir;
    for (int f = 0; f < 12; ++f) {
        QByteArray text = items(f * 10, f % 4 == 0 ? 1 : 9);
        if (f == 2)
            text += "[SKILL 3]\nKEY=Mining // the miner's\n[FUNCTION x]\nA=1\n";
        if (f == 5)
            text = QByteArray("\0\xff[ITEMDEF", 10) + "\n=\n[[\n";
        if (f == 7)
            text += "[ITEMDEF i_12]\nNAME=Again\nSKILLMAKE=Tailoring 5,mining 1\n[ITEMDEF]\n";
        dir.write(QStringLiteral("a/f%1.scp").arg(f, 2, 10, QLatin1Char('0')), text);
    }
    dir.write(QStringLiteral("b/one.scp"), items(500, 3));
    const QStringList directories{QStringLiteral("a"), QStringLiteral("empty"),
                                  QStringLiteral("b")};

    // Per kind of walk, the steps and the result without other threads.
    QMap<bool, QStringList> reference;
    QStringList referenceMessages;
    // Without keys the walk only; a load that keeps no records (the window's) takes the same
    // steps as one that does.
    enum Kind
    {
        Walk,
        Load,
        LoadKeepingNothing
    };
    for (const int threads : {1, 2, 4}) {
        for (const Kind kind : {Load, LoadKeepingNothing, Walk}) {
            const bool keys = kind != Walk;
            RecordingObserver observer(stopAfter);
            LoadOptions options;
            options.directories = directories;
            options.filter = QStringLiteral("*.scp");
            options.threads = threads;
            options.keepRecords = kind == Load;
            LoadedScripts loaded;
            const bool completed =
                keys ? loadScripts(options, loaded, &observer) : walkScripts(options, observer);
            QCOMPARE(completed, stopAfter < 0 || (!keys && stopAfter > 120));
            QVERIFY(!observer.offThread);
            if (completed && kind == LoadKeepingNothing) {
                QVERIFY(loaded.records.isEmpty());
                for (const SkillGroup &group : std::as_const(loaded.skills))
                    QVERIFY(group.items.isEmpty());
            }
            if (threads == 1 && kind != LoadKeepingNothing) {
                reference[keys] = observer.steps;
                if (keys)
                    referenceMessages = loaded.messages();
            } else {
                QCOMPARE(observer.steps, reference.value(keys));
                if (keys)
                    QCOMPARE(loaded.messages(), referenceMessages);
            }
        }
    }
    QVERIFY(reference[false].contains(QStringLiteral("item without record")));
    QVERIFY(!reference[false].join(u'\n').contains(QStringLiteral("linking")));
    if (stopAfter >= 0 && stopAfter < 140)
        return;
    const QStringList &steps = reference[true];
    QVERIFY(steps.contains(QStringLiteral("item i_10|Item 10|2 i_11|mining 10 in a/f01.scp:1")));
    QVERIFY(steps.contains(QStringLiteral("linked i_10|2 Item 11|Mining 10 under 0")));
    QVERIFY(steps.contains(QStringLiteral("linked i_12||Tailoring 5, Mining 1 under 1,0")));
    QCOMPARE(steps.filter(QStringLiteral("skill ")),
             (QStringList{"skill Mining", "skill Tailoring"}));
}

QTEST_GUILESS_MAIN(tst_Scan)
#include "tst_scan.moc"
