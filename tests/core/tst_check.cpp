// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/check/checks.h"
#include "core/load/scriptload.h"

#include <QTest>

using namespace tavrel;

namespace {

QString line(const Finding &f)
{
    return QStringLiteral("%1 %2:%3:%4 %5 %6 %7")
        .arg(f.check, f.location.file, QString::number(f.location.line),
             QString::number(f.location.column), f.defname, f.subject, severityName(f.severity));
}

QStringList lines(const CheckResult &result)
{
    QStringList all;
    for (const Finding &finding : result.findings)
        all.append(line(finding));
    return all;
}

LoadedScripts load()
{
    return loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));
}

} // namespace

class tst_Check : public QObject
{
    Q_OBJECT

private slots:
    void everyCheck_atItsLineAndColumn();
    void messages();
    void suppression_data();
    void suppression();
    void noSkillsDefined_checkDoesNotRun();
    void checkList_isStable();
};

void tst_Check::everyCheck_atItsLineAndColumn()
{
    const WorkingDirectory dir;
    writeCheckPack(dir);
    const CheckResult result = runChecks(load(), CheckOptions());
    const QStringList expected{
        "missing-resource s/items.scp:8:13 i_fuse i_string error",
        "unknown-skill s/items.scp:9:11 i_fuse Tinkering warning",
        "duplicate-defname s/items.scp:11:10 i_powder i_powder warning",
        "missing-resource s/items.scp:12:13 i_powder i_saltpetre error",
        "self-resource s/items.scp:12:27 i_powder i_powder warning",
        "missing-resource s/items.scp:12:38 i_powder i_charcoal error",
        "unknown-skill s/items.scp:13:22 i_powder Sewing warning",
        "not-utf8 s/legacy.scp:2:9   warning",
        "duplicate-defname s/z_crlf.scp:1:10 i_rope i_rope warning",
        QString::fromUtf8("missing-resource s/z_crlf.scp:5:13 i_eclair i_cr\xc3\xa8me error"),
        "missing-resource s/z_crlf.scp:5:23 i_eclair i_sucre error",
    };
    QCOMPARE(lines(result), expected);
    QVERIFY(result.notes.isEmpty());
}

void tst_Check::messages()
{
    const WorkingDirectory dir;
    writeCheckPack(dir);
    const CheckResult result = runChecks(load(), CheckOptions());
    QStringList messages;
    for (const Finding &finding : result.findings)
        messages.append(finding.message);
    QCOMPARE(messages.at(0), QStringLiteral("Resource \"i_string\" is not defined; RESOURCES "
                                            "expects an item or an item type here."));
    QCOMPARE(messages.at(1),
             QStringLiteral("Skill \"Tinkering\" is none of the skills the scripts define."));
    QCOMPARE(messages.at(2), QStringLiteral("Defname \"i_powder\" is defined again (before at "
                                            "s/items.scp:2); the load keeps this one."));
    QCOMPARE(messages.at(4), QStringLiteral("Item \"i_powder\" lists itself among its resources."));
    QCOMPARE(messages.at(7), QStringLiteral("The file is not valid UTF-8; it was read as "
                                            "Windows-1252, so this character is what that code "
                                            "page makes of its byte."));
    QCOMPARE(messages.at(8), QStringLiteral("Defname \"i_rope\" is defined again (before at "
                                            "s/items.scp:15); the load keeps this one."));
}

void tst_Check::suppression_data()
{
    QTest::addColumn<QStringList>("ignored");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QStringList>("checks");

    QTest::newRow("nothing suppressed")
        << QStringList() << QStringList()
        << QStringList{"missing-resource", "unknown-skill",   "duplicate-defname",
                       "missing-resource", "self-resource",   "missing-resource",
                       "unknown-skill",    "not-utf8",        "duplicate-defname",
                       "missing-resource", "missing-resource"};
    QTest::newRow("a resource id, a skill in another case, a defname")
        << QStringList{"i_charcoal", "SEWING", "I_Fuse"} << QStringList()
        << QStringList{"duplicate-defname", "missing-resource", "self-resource",   "not-utf8",
                       "duplicate-defname", "missing-resource", "missing-resource"};
    QTest::newRow("checks disabled")
        << QStringList() << QStringList{"missing-resource", "not-utf8"}
        << QStringList{"unknown-skill", "duplicate-defname", "self-resource", "unknown-skill",
                       "duplicate-defname"};
    QTest::newRow("everything off")
        << QStringList{"i_rope", "i_powder"}
        << QStringList{"missing-resource", "not-utf8", "unknown-skill", "self-resource"}
        << QStringList();
}

void tst_Check::suppression()
{
    QFETCH(QStringList, ignored);
    QFETCH(QStringList, disabled);
    const WorkingDirectory dir;
    writeCheckPack(dir);
    CheckOptions options;
    options.ignored = ignored;
    for (const QString &check : std::as_const(disabled))
        options.disabled.insert(check);
    QStringList checks;
    for (const Finding &finding : runChecks(load(), options).findings)
        checks.append(finding.check);
    QTEST(checks, "checks");
}

void tst_Check::noSkillsDefined_checkDoesNotRun()
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_a]\nSKILLMAKE=anything 5\n");
    const CheckResult result = runChecks(load(), CheckOptions());
    QVERIFY(result.findings.isEmpty());
    QCOMPARE(result.notes.size(), 1);
    QVERIFY(result.notes.first().contains(QLatin1String("unknown-skill")));
}

void tst_Check::checkList_isStable()
{
    QStringList ids;
    for (const Check &check : checks())
        ids.append(check.id + QLatin1Char(' ') + severityName(check.severity) +
                   (check.offByDefault ? QStringLiteral(" off") : QString()));
    QCOMPARE(
        ids,
        (QStringList{"missing-resource error", "duplicate-defname warning", "unknown-skill warning",
                     "self-resource warning", "not-utf8 warning", "unreadable error",
                     "missing-script-file error", "undefined-name error", "wrong-kind warning",
                     "undefined-def0 warning off", "unscripted-id error", "untyped-resource error",
                     "duplicate-definition warning", "random-range warning", "bad-name error",
                     "duplicate-trigger warning", "block-structure error"}));
}

QTEST_MAIN(tst_Check)
#include "tst_check.moc"
