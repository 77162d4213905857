// SPDX-License-Identifier: MIT
#include "bench/generate_pack.h"
#include "coresupport.h"

#include "core/check/checkstate.h"
#include "core/read/discovery.h"
#include "core/read/scan.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace tavrel;

namespace {

ScriptFacts factsOf(const QString &path, const QByteArray &text)
{
    return scanScript(Script::fromBytes(text), ScanDepth::Everything, path).facts;
}

QStringList lines(const QList<Finding> &findings)
{
    QStringList all;
    for (const Finding &f : findings) {
        QString line = QStringLiteral("%1:%2:%3+%4 %5 %6 | %7")
                           .arg(f.location.file)
                           .arg(f.location.line)
                           .arg(f.location.column)
                           .arg(f.location.length)
                           .arg(f.check, f.message, f.suggestion);
        for (const RelatedPlace &place : f.related)
            line += QStringLiteral(" [%1:%2:%3 %4]")
                        .arg(place.location.file)
                        .arg(place.location.line)
                        .arg(place.location.column)
                        .arg(place.message);
        all.append(line);
    }
    return all;
}

// An edit a maintainer makes: a line taken out, written twice or changed, a name retyped, a
// section that moves to another file, a function renamed or added, a line of code written.
QByteArray edited(QByteArray text, QRandomGenerator &random)
{
    QList<QByteArray> rows = text.split('\n');
    if (rows.size() < 3)
        return text + "\n[ITEMDEF i_new_" + QByteArray::number(random.bounded(50)) + "]\n";
    const int at = random.bounded(int(rows.size()));
    switch (random.bounded(9)) {
    case 0:
        rows.removeAt(at);
        break;
    case 1:
        rows.insert(at, rows.at(at));
        break;
    case 2:
        // A name of the pack mistyped, or mended.
        rows[at].replace("i_item_00", "i_itme_00");
        rows[at].replace("i_itme_", "i_item_");
        break;
    case 3:
        rows[at].replace("DEFNAME=", "DEFNAME=x");
        break;
    case 4:
        rows.insert(at, "[TEMPLATE tm_loot_rich_" + QByteArray::number(random.bounded(5)) +
                            "]\nITEM=i_gone_" + QByteArray::number(random.bounded(3)));
        break;
    case 5:
        // A function renamed, or a call of one mistyped; a dialog opened mended or broken.
        rows[at].replace("f_trigger_", "f_triger_");
        rows[at].replace("SRC.DIALOG d_lost", "SRC.DIALOG d_menu");
        rows[at].replace("SRC.DIALOG d_menu_", "SRC.DIALOG d_menu_x");
        break;
    case 6:
        // A function that mistyped calls now find.
        rows.insert(at, "[FUNCTION f_triger_0_" + QByteArray::number(random.bounded(10)) +
                            "]\nRETURN 1");
        break;
    case 7:
        // Code that calls such a function, makes a character and compares an item.
        rows.insert(at, "[FUNCTION f_code]\nTIMERF 1, f_triger_0_" +
                            QByteArray::number(random.bounded(10)) + "\nSRC.NEWNPC c_gone_" +
                            QByteArray::number(random.bounded(3)) +
                            "\nIF (<SRC.BASEID> == i_item_00000" +
                            QByteArray::number(random.bounded(9)) + ")\nENDIF");
        break;
    default:
        rows.insert(at, "[DEFNAME extra]\nloot_a_" + QByteArray::number(random.bounded(3)) +
                            " i_item_00000" + QByteArray::number(random.bounded(9)));
        break;
    }
    return rows.join('\n');
}

QStringList usersOf(const ScriptIndex &index, int name)
{
    QStringList paths;
    if (name >= 0) {
        for (const int file : index.filesUsing(name))
            paths.append(index.path(file));
    }
    paths.sort();
    return paths;
}

} // namespace

// The findings a workspace keeps as its files change are those a check of the same files from
// nothing gives, after any sequence of edits, new files and files taken out.
class tst_CheckState : public QObject
{
    Q_OBJECT

private slots:
    void update_sameAsCheckingAgain_data();
    void update_sameAsCheckingAgain();
    void update_callsFollowTheirFunction();
};

void tst_CheckState::update_sameAsCheckingAgain_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QStringList>("ignored");
    QTest::newRow("edits") << 1u << QStringList();
    QTest::newRow("other edits") << 2u << QStringList();
    QTest::newRow("with names ignored") << 3u << QStringList{"i_gone_1", "tm_loot_rich_2"};
}

void tst_CheckState::update_sameAsCheckingAgain()
{
    QFETCH(quint32, seed);
    QFETCH(QStringList, ignored);
    const WorkingDirectory dir;
    PackOptions pack;
    pack.items = 1000;
    pack.files = 12;
    pack.seed = seed;
    generatePack(QStringLiteral("pack"), pack);
    QHash<QString, QByteArray> texts;
    QStringList order = findScriptFiles(QStringLiteral("pack"), QStringLiteral("*.scp"));
    for (const QString &path : std::as_const(order))
        texts.insert(path, dir.read(path));

    CheckOptions options;
    options.ignored = ignored;
    ScriptIndex live(true);
    for (const QString &path : std::as_const(order))
        live.addFile(path, factsOf(path, texts.value(path)));
    live.index();
    CheckState state(live, options);
    state.checkAll(ProjectProblems());

    QRandomGenerator random(seed);
    for (int step = 0; step < 40; ++step) {
        QSet<int> files;
        const int count = 1 + random.bounded(3);
        for (int n = 0; n < count; ++n) {
            const int choice = random.bounded(20);
            if (choice == 0 && order.size() > 2) {
                // A file taken out.
                const QString path = order.takeAt(random.bounded(int(order.size())));
                const int file = live.fileOf(path);
                live.removeFile(file);
                files.insert(file);
            } else if (choice == 1) {
                // A new file, before another.
                const QString path = QStringLiteral("pack/new%1.scp").arg(step);
                const QString before = order.at(random.bounded(int(order.size())));
                texts.insert(path, "[ITEMDEF i_item_000001]\nRESOURCES=2 i_item_000002\n"
                                   "[CHARDEF c_new]\nID=c_gone\n");
                order.insert(order.indexOf(before), path);
                files.insert(
                    live.insertFile(path, factsOf(path, texts.value(path)), live.fileOf(before)));
            } else {
                const QString path = order.at(random.bounded(int(order.size())));
                texts[path] = edited(texts.value(path), random);
                const int file = live.fileOf(path);
                live.replaceFile(file, factsOf(path, texts.value(path)));
                files.insert(file);
            }
        }
        state.update(files, live.takeChange());

        ScriptIndex fresh(true);
        for (const QString &path : std::as_const(order))
            fresh.addFile(path, factsOf(path, texts.value(path)));
        fresh.index();
        const QStringList expected = lines(runChecks(fresh, ProjectProblems(), options).findings);
        QCOMPARE(lines(state.findings()), expected);
        // The files that use each name, as references and hover count them: a count gone wrong
        // stays wrong, so every few edits is enough to see it.
        if (step % 4 != 3)
            continue;
        for (int name = 0; name < int(fresh.nameCount()); ++name) {
            const QString &text = fresh.name(name);
            QCOMPARE(usersOf(live, live.nameOf(text)), usersOf(fresh, name));
        }
        for (int name = 0; name < int(live.nameCount()); ++name) {
            if (fresh.nameOf(live.name(name)) < 0)
                QCOMPARE(usersOf(live, name), QStringList());
        }
    }
}

// A function renamed in one file leaves the calls of another file calling nothing, and its name
// given back mends them.
void tst_CheckState::update_callsFollowTheirFunction()
{
    ScriptIndex live(true);
    const int calls = live.addFile(
        QStringLiteral("a.scp"),
        factsOf(QStringLiteral("a.scp"), "[ITEMDEF i_a]\nON=@DClick\nTIMERF 1, f_go\n"));
    const int function = live.addFile(
        QStringLiteral("b.scp"), factsOf(QStringLiteral("b.scp"), "[FUNCTION f_go]\nRETURN 1\n"));
    // Some function stays, so that the kinds the scripts define do not change.
    live.addFile(QStringLiteral("c.scp"),
                 factsOf(QStringLiteral("c.scp"), "[FUNCTION f_other]\nRETURN 0\n"));
    live.index();
    CheckState state(live, CheckOptions());
    state.checkAll(ProjectProblems());
    QVERIFY(state.findings().isEmpty());

    for (const QByteArray &name : {QByteArray("f_gone"), QByteArray("f_go")}) {
        live.replaceFile(function,
                         factsOf(QStringLiteral("b.scp"), "[FUNCTION " + name + "]\nRETURN 1\n"));
        state.update({function}, live.takeChange());
        QCOMPARE(state.findingsIn(live.path(calls)).size(), name == "f_gone" ? 1 : 0);
    }
}

QTEST_GUILESS_MAIN(tst_CheckState)
#include "tst_checkstate.moc"
