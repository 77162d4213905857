// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/load/scriptload.h"

#include <QFile>
#include <QTest>

#include <chrono>
#include <future>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace tavrel;

namespace {

QStringList skillLines(const LoadedScripts &loaded)
{
    QStringList lines;
    for (const SkillGroup &skill : loaded.skills) {
        lines.append(skill.name);
        for (const ReportItem &item : skill.items)
            lines.append(QStringLiteral("  ") + item.defname + QLatin1Char('|') + item.resources +
                         QLatin1Char('|') + item.skillmake);
    }
    return lines;
}

QString where(const DefinitionPlace &place)
{
    return QStringLiteral("%1:%2:%3 R%4 S%5")
        .arg(place.file)
        .arg(place.defname.line)
        .arg(place.defname.column)
        .arg(place.resourcesLine)
        .arg(place.skillmakeLine);
}

// Everything a load gives, one line per fact.
QStringList everything(const LoadedScripts &loaded)
{
    QStringList lines = skillLines(loaded);
    for (const ScriptRecord &record : loaded.records) {
        const ItemFields &f = record.fields;
        lines.append(QStringList{f.defname, f.type, f.name, record.plural, f.description,
                                 f.resources, f.skillmake, f.subsection, where(record.place)}
                         .join(QLatin1Char('|')));
        for (const ResourceEntry &entry : record.entries.resources)
            lines.append(
                QStringLiteral("  %1 %2 @%3").arg(entry.amount).arg(entry.id).arg(entry.column));
    }
    for (const MissingResourceUse &use : loaded.missing)
        lines.append(use.defname + QLatin1Char('>') + use.resource.id + QLatin1Char('#') +
                     QString::number(use.resource.element));
    // The index: every definition with the record it keeps, every use, every file's problems.
    const ScriptIndex &index = loaded.index;
    for (const int file : index.files()) {
        const ScriptFacts &facts = index.facts(file);
        for (const Definition &d : facts.definitions)
            lines.append(QStringLiteral("%1 %2 %3:%4:%5 #%6")
                             .arg(kindName(d.kind), d.shown(), d.location.file)
                             .arg(d.location.line)
                             .arg(d.location.column)
                             .arg(d.record));
        for (const Use &u : facts.uses)
            lines.append(QStringLiteral("%1 %2 %3:%4:%5 x%6")
                             .arg(u.key, u.shown(), u.location.file)
                             .arg(u.location.line)
                             .arg(u.location.column)
                             .arg(u.amount));
        if (facts.legacyCharacter.line > 0)
            lines.append(QStringLiteral("%1?%2:%3")
                             .arg(facts.legacyCharacter.file,
                                  QString::number(facts.legacyCharacter.line),
                                  QString::number(facts.legacyCharacter.column)));
        if (!facts.problem.isEmpty())
            lines.append(index.path(file) + QLatin1Char('!') + facts.problem);
    }
    for (const auto &[path, reason] : loaded.problems.unreadableDirectories)
        lines.append(path + QLatin1Char('!') + reason);
    return lines;
}

// The places of a defname's item definitions, in the order read.
QStringList recordPlaces(const LoadedScripts &loaded, const QString &defname)
{
    QStringList places;
    for (const FactRef &ref : loaded.index.definitionsOf(QStringView(defname))) {
        const Definition &definition = loaded.index.definition(ref);
        if (definition.record >= 0)
            places.append(QStringLiteral("%1:%2:%3")
                              .arg(definition.location.file)
                              .arg(definition.location.line)
                              .arg(definition.location.column));
    }
    return places;
}

// Puts a FIFO in the place of a script once the directory is listed, before any file is read.
class FifoSwap : public LoadObserver
{
public:
    explicit FifoSwap(const QString &script) : script(QFile::encodeName(script)) {}

    void directoryStarted(const QString &, const QStringList &) override
    {
        swapped = ::mkfifo("swap.fifo", 0600) == 0 && ::rename("swap.fifo", script) == 0;
    }

    const QByteArray script;
    bool swapped = false;
};

// Fails the test rather than let it hang, as a thread blocked in open() cannot be stopped.
struct Watchdog
{
    ~Watchdog()
    {
        done.set_value();
        thread.join();
    }

    std::promise<void> done;
    std::thread thread{[ended = done.get_future()] {
        if (ended.wait_for(std::chrono::minutes(2)) == std::future_status::timeout)
            qFatal("the test hung");
    }};
};

} // namespace

class tst_ScriptLoad : public QObject
{
    Q_OBJECT

private slots:
    void laterDefinitionWins_placesKept();
    void everyMissingOccurrence_windowMessagesOnce();
    void skillsInOrderOfFirstUse();
    void typesAndRequirementsFromAnotherFile();
    void parallelRead_sameAsSerial();
    void fifoSwappedIn_skippedWithoutBlocking_data();
    void fifoSwappedIn_skippedWithoutBlocking();
};

void tst_ScriptLoad::laterDefinitionWins_placesKept()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_log]\nNAME=Old log\n[ITEMDEF i_x]\nNAME=X\n");
    dir.write(QStringLiteral("s/b.scp"), "[ITEMDEF i_a_log]\nDEFNAME=I_LOG\nNAME=Log\n"
                                         "[ITEMDEF i_log]\nNAME=Last log\n[ITEMDEF]\nNAME=None\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));

    QCOMPARE(loaded.records.keys(), (QStringList{"i_log", "i_x"}));
    const ScriptRecord &log = loaded.records.value(QStringLiteral("i_log"));
    QCOMPARE(log.fields.name, QStringLiteral("Last log"));
    QCOMPARE(where(log.place), QStringLiteral("s/b.scp:4:10 R0 S0"));

    QCOMPARE(recordPlaces(loaded, QStringLiteral("i_log")),
             (QStringList{"s/a.scp:1:10", "s/b.scp:2:9", "s/b.scp:4:10"}));
    QCOMPARE(recordPlaces(loaded, QStringLiteral("i_x")).size(), 1);
}

void tst_ScriptLoad::everyMissingOccurrence_windowMessagesOnce()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_b]\nRESOURCES=i_gone,i_log,2 i_gone\n"
                                         "[ITEMDEF i_a]\nRESOURCES=i_none,,i_gone\n"
                                         "[ITEMDEF i_log]\nNAME=Log\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));

    QStringList uses;
    for (const MissingResourceUse &use : loaded.missing)
        uses.append(QStringLiteral("%1 %2 %3")
                        .arg(use.defname, use.resource.id, QString::number(use.resource.element)));
    QCOMPARE(uses, (QStringList{"i_a i_none 0", "i_a  1", "i_a i_gone 2", "i_b i_gone 0",
                                "i_b i_gone 2"}));
    QCOMPARE(loaded.messages(),
             (QStringList{"Resoucre \"i_none\" no found.", "Resoucre \"\" no found.",
                          "Resoucre \"i_gone\" no found."}));
}

void tst_ScriptLoad::skillsInOrderOfFirstUse()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_c]\nSKILLMAKE=mining 1\n"
                                         "[ITEMDEF i_a]\nSKILLMAKE=tailoring 2,carpentry 3\n"
                                         "[ITEMDEF i_b]\nSKILLMAKE=Carpentry 4,carpentry 5\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));
    QCOMPARE(skillLines(loaded),
             (QStringList{"Tailoring", "  i_a||Tailoring 2, Carpentry 3", "Carpentry",
                          "  i_a||Tailoring 2, Carpentry 3", "  i_b||Carpentry 4, Carpentry 5",
                          "  i_b||Carpentry 4, Carpentry 5", "Mining", "  i_c||Mining 1"}));
}

void tst_ScriptLoad::typesAndRequirementsFromAnotherFile()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"),
              "[ITEMDEF i_pie]\nRESOURCES=2 t_meat,1 t_fruit\nSKILLMAKE=cooking 20,1 t_oven\n");
    dir.write(QStringLiteral("s/sub/b.scp"), "[ITEMDEF i_rib]\nTYPE=T_Meat\n"
                                             "[ITEMDEF i_stove]\nTYPE=t_oven\n");
    const LoadedScripts loaded = loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));
    QCOMPARE(skillLines(loaded), (QStringList{"Cooking", "  i_pie|2 t_meat|Cooking 20"}));
    QCOMPARE(loaded.messages(), QStringList{"Resoucre \"t_fruit\" no found."});
}

// The same ids defined in many files, so which definition wins depends on the merge order.
void tst_ScriptLoad::parallelRead_sameAsSerial()
{
    const WorkingDirectory dir;
    for (int file = 0; file < 60; ++file) {
        QByteArray text = "[SKILL " + QByteArray::number(file) + "]\nKEY=Skill" +
                          QByteArray::number(file % 7) + "\n";
        for (int item = 0; item < 25; ++item) {
            const int id = (file * 25 + item) % 400;
            text += "[ITEMDEF i_" + QByteArray::number(id) + "]\nNAME=Item " +
                    QByteArray::number(id) + " of file " + QByteArray::number(file) +
                    "\nRESOURCES=2 i_" + QByteArray::number((id * 7) % 450) + ",1 t_" +
                    QByteArray::number(id % 5) + "\nTYPE=t_" + QByteArray::number(id % 4) +
                    "\nSKILLMAKE=skill" + QByteArray::number(id % 9) + " " +
                    QByteArray::number(file) + "\n";
        }
        // A legacy code page in some files, so that what the reading threads find in the
        // bytes is compared too.
        if (file % 13 == 0)
            text += "[ITEMDEF i_cafe" + QByteArray::number(file) + "]\nNAME=Caf\xe9\n";
        dir.write(QStringLiteral("s/d%1/f%2.scp").arg(file % 5).arg(file), text);
    }
    const LoadedScripts serial =
        loadScripts({QStringLiteral("s"), QStringLiteral("s/d1")}, QStringLiteral("*.scp"), 1);
    QVERIFY(serial.index.useCount() > 0);
    for (int threads : {2, 3, 8}) {
        const LoadedScripts parallel = loadScripts({QStringLiteral("s"), QStringLiteral("s/d1")},
                                                   QStringLiteral("*.scp"), threads);
        QCOMPARE(everything(parallel), everything(serial));
        QVERIFY(everything(parallel).join(u'\n').contains(u'?'));
    }

    // Files read one by one beforehand load as if read by the load.
    QList<ScannedScript> scanned;
    for (const QString &path : std::as_const(serial.files))
        scanned.append(ScannedScript{path, scanScriptFile(path, ScanDepth::Everything)});
    const LoadedScripts again = loadScanned(scanned);
    QCOMPARE(everything(again), everything(serial));
    QCOMPARE(again.index.useCount(), serial.index.useCount());

    // And so do their texts, scanned as an editor holds them.
    for (ScannedScript &script : scanned) {
        QFile file(script.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        script.file =
            scanScript(Script::fromBytes(file.readAll()), ScanDepth::Everything, script.path);
    }
    const LoadedScripts fromTexts = loadScanned(scanned);
    QCOMPARE(everything(fromTexts), everything(serial));
}

void tst_ScriptLoad::fifoSwappedIn_skippedWithoutBlocking_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("read on the calling thread") << 1;
    QTest::newRow("read on other threads") << 4;
}

// A script listed as a file and then replaced with a FIFO that no one writes to would block an
// open() forever; the load reports it instead, in every one of a bounded number of runs.
void tst_ScriptLoad::fifoSwappedIn_skippedWithoutBlocking()
{
    QFETCH(int, threads);
    const WorkingDirectory dir;
    for (int f = 0; f < 8; ++f)
        dir.write(QStringLiteral("s/f%1.scp").arg(f),
                  "[ITEMDEF i_" + QByteArray::number(f) + "]\nSKILLMAKE=mining 1\n");
    const QString script = QStringLiteral("s/f3.scp");
    const Watchdog watchdog;
    for (int run = 0; run < 20; ++run) {
        QFile::remove(script);
        dir.write(script, "[ITEMDEF i_3]\n");
        FifoSwap swap(script);
        LoadedScripts loaded;
        LoadOptions options;
        options.directories = {QStringLiteral("s")};
        options.filter = QStringLiteral("*.scp");
        options.threads = threads;
        loadScripts(options, loaded, &swap);
        QVERIFY(swap.swapped);
        QCOMPARE(loaded.index.facts(loaded.index.fileOf(script)).problem,
                 QStringLiteral("is not a regular file"));
        QCOMPARE(loaded.records.keys(),
                 (QStringList{"i_0", "i_1", "i_2", "i_4", "i_5", "i_6", "i_7"}));
    }
}

QTEST_MAIN(tst_ScriptLoad)
#include "tst_scriptload.moc"
