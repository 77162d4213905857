// SPDX-License-Identifier: MIT
#include "bench/generate_pack.h"
#include "coresupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// A generated pack holds the shapes real packs hold, a few of them faults planted where the
// check must find them: the check finds exactly those, whether it reads the pack's folders or
// the folders its tables file lists as "scripts/..." under another folder name.
class tst_Planted : public QObject
{
    Q_OBJECT

private slots:
    void check_findsExactlyWhatWasPlanted_data();
    void check_findsExactlyWhatWasPlanted();
};

namespace {

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

void tst_Planted::check_findsExactlyWhatWasPlanted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("the pack's folders") << QStringList{"--dir", "pack"};
    QTest::newRow("its tables file") << QStringList{"--tables", "pack/tables.scp"};
}

void tst_Planted::check_findsExactlyWhatWasPlanted()
{
    QFETCH(QStringList, arguments);
    const WorkingDirectory dir;
    PackOptions options;
    options.items = 20000;
    options.files = 100;
    const PackSummary summary = generatePack(QStringLiteral("pack"), options);
    QCOMPARE(summary.files, options.files);

    // Every shape and every kind of fault is there to be found or passed over.
    for (const int count :
         {summary.books, summary.bookPages, summary.dialogs, summary.multis, summary.constants,
          summary.quietShapes, summary.typeSections, summary.brokenAliasUses,
          summary.duplicateNumbers, summary.duplicateTriggers, summary.oddRandomLists,
          summary.badNames, summary.blockFaults, summary.codeNames, summary.codeFaults})
        QVERIFY(count > 0);
    QStringList planted;
    QSet<QString> checks;
    for (const PlantedFinding &finding : summary.planted) {
        planted.append(QStringLiteral("%1:%2:%3 %4")
                           .arg(finding.file)
                           .arg(finding.line)
                           .arg(finding.column)
                           .arg(finding.check));
        checks.insert(finding.check);
    }
    QCOMPARE(checks.size(), 11);
    const QString listed = QString::fromUtf8(dir.read(QStringLiteral("pack.planted")));
    QCOMPARE(listed.count(u'\n'), planted.size());

    const Run run = runProgram(QStringLiteral(TAVREL_REPORT_PATH),
                               arguments + QStringList{"--check", "--format", "json"});
    QCOMPARE(run.exitCode, 1);
    QStringList found;
    const QJsonArray findings =
        QJsonDocument::fromJson(run.out).object().value(QStringLiteral("findings")).toArray();
    for (const QJsonValue &f : findings) {
        found.append(QStringLiteral("%1:%2:%3 %4")
                         .arg(f[QStringLiteral("file")].toString())
                         .arg(f[QStringLiteral("line")].toInt())
                         .arg(f[QStringLiteral("column")].toInt())
                         .arg(f[QStringLiteral("check")].toString()));
    }
    QCOMPARE(sorted(found), sorted(planted));
}

QTEST_GUILESS_MAIN(tst_Planted)
#include "tst_planted.moc"
