// SPDX-License-Identifier: MIT
#include "core/load/linking.h"

#include <QTest>

using namespace tavrel;

namespace {

// A linker over records written "id=Name", "id=Name=type" (type "global_type" when absent) or
// "id=Name=type=Plural" (the plural form the name itself when absent).
Linker linkerOf(const QStringList &records)
{
    Linker linker;
    for (const QString &record : records) {
        const QStringList parts = record.split(QLatin1Char('='));
        linker.addRecord(parts.at(0), parts.at(1), parts.size() > 3 ? parts.at(3) : parts.at(1),
                         parts.size() > 2 ? parts.at(2) : QStringLiteral("global_type"));
    }
    return linker;
}

QStringList messagesOf(const QList<MissingResource> &missing)
{
    QStringList messages;
    for (const MissingResource &resource : missing)
        messages.append(notFoundMessage(resource.id));
    return messages;
}

} // namespace

class tst_Linking : public QObject
{
    Q_OBJECT

private slots:
    void parseResourceEntry_data();
    void parseResourceEntry();
    void parseSkillEntry_data();
    void parseSkillEntry();
    void renderResource_data();
    void renderResource();
    void renderSkill_data();
    void renderSkill();
    void notFoundMessage_data();
    void notFoundMessage();
    void linkResources_data();
    void linkResources();
    void missingResources_keepTheirElement();
    void resourceUses();
    void linkSkills_data();
    void linkSkills();
    void withoutRepeats_data();
    void withoutRepeats();
};

void tst_Linking::parseResourceEntry_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QString>("id");

    QTest::newRow("amount and id") << "2 i_ingot" << 2 << "i_ingot";
    QTest::newRow("id alone") << "i_log" << 1 << "i_log";
    QTest::newRow("id first") << "i_log 5" << 0 << "5";
    QTest::newRow("empty element") << QString() << 1 << QString();
    QTest::newRow("blank element") << " " << 0 << QString();
    QTest::newRow("leading blank") << " i_log" << 0 << "i_log";
    QTest::newRow("two blanks") << "2  i_log" << 2 << QString();
    QTest::newRow("further words ignored") << "3 i_log extra words" << 3 << "i_log";
    QTest::newRow("trailing blank") << "i_log " << 0 << QString();
    QTest::newRow("negative amount") << "-4 i_log" << -4 << "i_log";
    QTest::newRow("decimal amount is no number") << "1.5 i_log" << 0 << "i_log";
    QTest::newRow("hex amount is no decimal number") << "0x10 i_log" << 0 << "i_log";
    QTest::newRow("plus sign") << "+7 i_log" << 7 << "i_log";
    QTest::newRow("tab-joined words are one") << "2i_log" << 1 << "2i_log";
    QTest::newRow("percent in the id") << "2 i_%1" << 2 << "i_%1";
}

void tst_Linking::parseResourceEntry()
{
    QFETCH(QString, element);
    const ResourceEntry entry = ::parseResourceEntry(element);
    QTEST(entry.amount, "amount");
    QTEST(entry.id, "id");
}

void tst_Linking::parseSkillEntry_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("skill");
    QTest::addColumn<double>("value");

    QTest::newRow("skill then value") << "carpentry 100" << true << "carpentry" << 100.0;
    QTest::newRow("decimal value") << "alchimy 51.1" << true << "alchimy" << 51.1;
    QTest::newRow("value then skill") << "50 tailoring" << true << "tailoring" << 50.0;
    QTest::newRow("decimal value first") << "51.1 alchimy" << true << "alchimy" << 51.1;
    QTest::newRow("one word") << "tailoring" << false << QString() << 0.0;
    QTest::newRow("empty") << QString() << false << QString() << 0.0;
    QTest::newRow("non-numeric value") << "tailoring much" << true << "tailoring" << 0.0;
    QTest::newRow("two numbers: first is the value") << "10 20" << true << "20" << 10.0;
    QTest::newRow("empty skill after a value") << "50 " << false << QString() << 0.0;
    QTest::newRow("leading blank: empty skill") << " tailoring" << false << QString() << 0.0;
    QTest::newRow("two blanks: empty value") << "tailoring  50" << true << "tailoring" << 0.0;
    QTest::newRow("value then two blanks: empty skill")
        << "50  tailoring" << false << QString() << 0.0;
    QTest::newRow("further words ignored") << "tailoring 50 60" << true << "tailoring" << 50.0;
    QTest::newRow("negative value") << "tailoring -5" << true << "tailoring" << -5.0;
    QTest::newRow("percent in the skill") << "%2x 5" << true << "%2x" << 5.0;
    QTest::newRow("inf reads as a value") << "inf 5" << true << "5" << qInf();
    QTest::newRow("upper-case INF reads as a value") << "INF 5" << true << "5" << qInf();
    QTest::newRow("negative inf reads as a value") << "-inf 5" << true << "5" << -qInf();
    QTest::newRow("nan reads as a value") << "nan 5" << true << "5" << qQNaN();
    QTest::newRow("infinity spelled out is a skill") << "infinity 5" << true << "infinity" << 5.0;
    QTest::newRow("letters i and n alone are skills") << "in 5" << true << "in" << 5.0;
    QTest::newRow("exponent value first") << "1e2 tailoring" << true << "tailoring" << 100.0;
    QTest::newRow("skill starting with a digit") << "2handed 40" << true << "2handed" << 40.0;
}

void tst_Linking::parseSkillEntry()
{
    QFETCH(QString, element);
    QFETCH(bool, valid);
    const std::optional<SkillEntry> entry = ::parseSkillEntry(element);
    QCOMPARE(entry.has_value(), valid);
    if (!entry)
        return;
    QTEST(entry->skill, "skill");
    QTEST(entry->value, "value");
}

void tst_Linking::renderResource_data()
{
    QTest::addColumn<int>("amount");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("amount first") << 2 << "Iron ingot"
                                  << "2 Iron ingot";
    QTest::newRow("one") << 1 << "Log"
                         << "1 Log";
    QTest::newRow("zero") << 0 << "Log"
                          << "0 Log";
    QTest::newRow("negative") << -3 << "Log"
                              << "-3 Log";
    QTest::newRow("empty name") << 4 << QString() << "4 ";
    QTest::newRow("placeholder-like name kept") << 2 << "A %1 b %2"
                                                << "2 A %1 b %2";
}

void tst_Linking::renderResource()
{
    QFETCH(int, amount);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(::renderResource(amount, name), expected);
}

void tst_Linking::renderSkill_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole number") << "Carpentry" << 100.0 << "Carpentry 100";
    QTest::newRow("one decimal") << "Alchimy" << 51.1 << "Alchimy 51.1";
    QTest::newRow("zero") << "Tailoring" << 0.0 << "Tailoring 0";
    QTest::newRow("six significant digits") << "Tailoring" << 1234.5678 << "Tailoring 1234.57";
    QTest::newRow("exponent beyond six digits")
        << "Tailoring" << 1234567.0 << "Tailoring 1.23457e+06";
    QTest::newRow("small value") << "Tailoring" << 0.0001 << "Tailoring 0.0001";
    QTest::newRow("tiny value") << "Tailoring" << 0.00001 << "Tailoring 1e-05";
    QTest::newRow("negative") << "Tailoring" << -5.5 << "Tailoring -5.5";
    QTest::newRow("sum not exact") << "Tailoring" << 0.1 + 0.2 << "Tailoring 0.3";
    QTest::newRow("largest whole number below a million")
        << "Tailoring" << 999999.0 << "Tailoring 999999";
    QTest::newRow("a million") << "Tailoring" << 1000000.0 << "Tailoring 1e+06";
    QTest::newRow("rounded up to a million") << "Tailoring" << 999999.5 << "Tailoring 1e+06";
    QTest::newRow("whole negative") << "Tailoring" << -5.0 << "Tailoring -5";
    QTest::newRow("negative zero") << "Tailoring" << -0.0 << "Tailoring 0";
    QTest::newRow("infinite") << "Tailoring" << qInf() << "Tailoring inf";
    QTest::newRow("not a number") << "Tailoring" << qQNaN() << "Tailoring nan";
    QTest::newRow("percent two in the skill") << "%2x" << 5.0 << "%2x 5";
    QTest::newRow("percent one in the skill") << "%1x" << 5.0 << "%1x 5";
}

void tst_Linking::renderSkill()
{
    QFETCH(QString, name);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(::renderSkill(name, value), expected);
}

void tst_Linking::notFoundMessage_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");

    QTest::newRow("id") << "i_gone"
                        << "Resoucre \"i_gone\" no found.";
    QTest::newRow("empty id") << QString() << "Resoucre \"\" no found.";
    QTest::newRow("number id") << "5"
                               << "Resoucre \"5\" no found.";
    QTest::newRow("placeholder-like id") << "%1"
                                         << "Resoucre \"%1\" no found.";
    QTest::newRow("markup-like id") << "<b>"
                                    << "Resoucre \"<b>\" no found.";
}

void tst_Linking::notFoundMessage()
{
    QFETCH(QString, id);
    QFETCH(QString, expected);
    QCOMPARE(::notFoundMessage(id), expected);
}

void tst_Linking::linkResources_data()
{
    QTest::addColumn<QString>("resources");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("messages");

    const QStringList smithy{"i_ingot=Iron ingot", "i_log=Log", "5=Five"};
    const QStringList plain{"i_ingot=Iron ingot", "i_log=Log"};
    const QStringList kitchen{"i_ham=Ham=t_food", "i_bread=Bread=t_food", "t_food=Food basket",
                              "i_ruby=Ruby=t_gem"};

    QTest::newRow("amount and linked names")
        << "2 i_ingot,i_log" << plain << "2 Iron ingot, 1 Log" << QStringList();
    QTest::newRow("blank after the comma makes the amount empty")
        << "2 i_ingot, i_log" << plain << "2 Iron ingot, 0 Log" << QStringList();
    QTest::newRow("id first without such a record")
        << "i_log 5" << plain << QString() << QStringList{"Resoucre \"5\" no found."};
    QTest::newRow("id first with a record named 5")
        << "i_log 5" << smithy << "0 Five" << QStringList();
    QTest::newRow("trailing comma")
        << "i_log," << plain << "1 Log" << QStringList{"Resoucre \"\" no found."};
    QTest::newRow("missing id dropped, order kept")
        << "i_gone,3 i_log,i_none,i_ingot" << plain << "3 Log, 1 Iron ingot"
        << QStringList{"Resoucre \"i_gone\" no found.", "Resoucre \"i_none\" no found."};
    QTest::newRow("every id missing")
        << "i_a,2 i_b" << plain << QString()
        << QStringList{"Resoucre \"i_a\" no found.", "Resoucre \"i_b\" no found."};
    QTest::newRow("same missing id twice kept twice")
        << "i_a,i_a" << plain << QString()
        << QStringList{"Resoucre \"i_a\" no found.", "Resoucre \"i_a\" no found."};
    QTest::newRow("same id twice rendered twice")
        << "i_log,2 i_log" << plain << "1 Log, 2 Log" << QStringList();
    QTest::newRow("plural form for an amount above 1")
        << "10 i_log,1 i_log,0 i_log,-2 i_log" << QStringList{"i_log=Log=global_type=Logs"}
        << "10 Logs, 1 Log, 0 Log, -2 Log" << QStringList();
    QTest::newRow("ids compared exactly")
        << "I_Log" << plain << QString() << QStringList{"Resoucre \"I_Log\" no found."};
    QTest::newRow("tab-joined amount")
        << "2i_log" << plain << QString() << QStringList{"Resoucre \"2i_log\" no found."};
    QTest::newRow("linked name with placeholders")
        << "2 i_odd" << QStringList{"i_odd=Odd %1 %2"} << "2 Odd %1 %2" << QStringList();
    QTest::newRow("item type shown as written, amount first")
        << "3 t_gem,i_bread" << kitchen << "3 t_gem, 1 Bread" << QStringList();
    QTest::newRow("item type without an amount")
        << "t_gem" << kitchen << "1 t_gem" << QStringList();
    QTest::newRow("an id that is also a type names the record")
        << "2 t_food" << kitchen << "2 Food basket" << QStringList();
    QTest::newRow("a type no record carries is missing")
        << "1 t_wood" << kitchen << QString() << QStringList{"Resoucre \"t_wood\" no found."};
    QTest::newRow("the default type of untyped records")
        << "global_type" << plain << "1 global_type" << QStringList();
    QTest::newRow("types compared exactly")
        << "T_Gem" << kitchen << QString() << QStringList{"Resoucre \"T_Gem\" no found."};
}

void tst_Linking::linkResources()
{
    QFETCH(QString, resources);
    QFETCH(QStringList, records);
    QFETCH(QString, expected);

    ItemEntries entries = parseEntries(resources, QString());
    const LinkedRecord linked = linkerOf(records).link(entries);
    QCOMPARE(linked.resources, expected);
    QTEST(messagesOf(linked.missing), "messages");
    QVERIFY(linked.skills.isEmpty());
}

void tst_Linking::missingResources_keepTheirElement()
{
    const Linker linker = linkerOf({"i_log=Log", "i_ham=Ham=t_food"});
    ItemEntries entries =
        parseEntries(QStringLiteral("i_gone,3 i_log,t_food,,2 i_gone"), QString());
    const LinkedRecord linked = linker.link(entries);
    QCOMPARE(linked.missing.size(), 3);
    const QList<int> elements{linked.missing.at(0).element, linked.missing.at(1).element,
                              linked.missing.at(2).element};
    QCOMPARE(elements, (QList<int>{0, 3, 4}));
    QCOMPARE(linked.missing.at(2).id, QStringLiteral("i_gone"));
}

void tst_Linking::resourceUses()
{
    const Linker linker = linkerOf({"i_log=Log", "i_ham=Ham=t_food"});
    const QList<ResourceUse> uses =
        linker.resourceUses(parseEntries(QStringLiteral("2 i_log,t_food,x i_none"), {}).resources);
    QCOMPARE(uses.size(), 3);
    QCOMPARE(uses.at(0).target, ResourceUse::Item);
    QCOMPARE(uses.at(0).entry.amount, 2);
    QCOMPARE(uses.at(1).target, ResourceUse::Type);
    QCOMPARE(uses.at(1).entry.amount, 1);
    QCOMPARE(uses.at(2).target, ResourceUse::Nothing);
    QCOMPARE(uses.at(2).entry.amount, 0);
    QCOMPARE(uses.at(2).element, 2);
    QVERIFY(parseEntries(QString(), QString()).resources.isEmpty());
}

void tst_Linking::linkSkills_data()
{
    QTest::addColumn<QString>("skillmake");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("skillNames");

    const QStringList none;
    const QStringList tools{"i_pen_and_ink=Pen and ink=t_scribe_tool",
                            "i_sewing_kit=Kit=t_sewing_kit"};

    QTest::newRow("two skills") << "carpentry 100,alchimy 51.1" << none
                                << "Carpentry 100, Alchimy 51.1"
                                << QStringList{"Carpentry", "Alchimy"};
    QTest::newRow("value first") << "50 tailoring" << none << "Tailoring 50"
                                 << QStringList{"Tailoring"};
    QTest::newRow("skill named twice")
        << "tailoring 10,tailoring 20" << none << "Tailoring 10, Tailoring 20"
        << QStringList{"Tailoring", "Tailoring"};
    QTest::newRow("one-word element ignored")
        << "tailoring,carpentry 5" << none << "Carpentry 5" << QStringList{"Carpentry"};
    QTest::newRow("nothing usable") << "tailoring" << none << QString() << QStringList();
    QTest::newRow("empty elements ignored")
        << ",carpentry 5," << none << "Carpentry 5" << QStringList{"Carpentry"};
    QTest::newRow("display name from any case")
        << "cARPENTRY 1" << none << "Carpentry 1" << QStringList{"Carpentry"};
    QTest::newRow("blank after the comma: empty skill ignored")
        << "carpentry 1, tailoring 2" << none << "Carpentry 1" << QStringList{"Carpentry"};
    QTest::newRow("placeholder-like skill names")
        << "%2x 5,%1y 6" << none << "%2x 5, %1y 6" << QStringList{"%2x", "%1y"};
    QTest::newRow("non-numeric value")
        << "tailoring lots" << none << "Tailoring 0" << QStringList{"Tailoring"};
    QTest::newRow("tool with an amount is a requirement")
        << "inscription 65.0,1 i_pen_and_ink" << tools << "Inscription 65"
        << QStringList{"Inscription"};
    QTest::newRow("tool before its amount is a requirement")
        << "i_pen_and_ink 1,inscription 65.0" << tools << "Inscription 65"
        << QStringList{"Inscription"};
    QTest::newRow("tool type with an amount is a requirement")
        << "tailoring 30,1 t_sewing_kit" << tools << "Tailoring 30" << QStringList{"Tailoring"};
    QTest::newRow("tool alone is ignored as one word")
        << "t_sewing_kit,tailoring 30" << tools << "Tailoring 30" << QStringList{"Tailoring"};
    QTest::newRow("an unknown id stays a skill")
        << "1 i_quill" << tools << "I_quill 1" << QStringList{"I_quill"};
    QTest::newRow("only requirements")
        << "1 i_pen_and_ink,1 t_sewing_kit" << tools << QString() << QStringList();
}

void tst_Linking::linkSkills()
{
    QFETCH(QString, skillmake);
    QFETCH(QStringList, records);
    QFETCH(QString, expected);
    const Linker linker = linkerOf(records);
    ItemEntries entries = parseEntries(QString(), skillmake);
    const LinkedRecord linked = linker.link(entries);
    QCOMPARE(linked.skillmake, expected);
    QTEST(linked.skills, "skillNames");
    QCOMPARE(linker.skillNames(entries.skills), linked.skills);
    QVERIFY(linked.missing.isEmpty());
}

void tst_Linking::withoutRepeats_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QStringList() << QStringList();
    QTest::newRow("no repeats") << QStringList{"b", "a"} << QStringList{"b", "a"};
    QTest::newRow("three times one") << QStringList{"x", "x", "x"} << QStringList{"x"};
    QTest::newRow("first occurrence order")
        << QStringList{"b", "a", "b", "c", "a"} << QStringList{"b", "a", "c"};
    QTest::newRow("case-sensitive") << QStringList{"a", "A", "a"} << QStringList{"a", "A"};
    QTest::newRow("empty text kept once") << QStringList{"", "a", ""} << QStringList{"", "a"};
}

void tst_Linking::withoutRepeats()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, expected);
    QCOMPARE(::withoutRepeats(texts), expected);
}

QTEST_MAIN(tst_Linking)
#include "tst_linking.moc"
