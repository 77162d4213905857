#include "scripts/linking.h"

#include <QMap>
#include <QTest>

namespace {

// Display names by id, "id=Name" per entry.
QMap<QString, QString> namesFrom(const QStringList &entries)
{
    QMap<QString, QString> names;
    for (const QString &entry : entries) {
        const int equals = entry.indexOf(QLatin1Char('='));
        names.insert(entry.left(equals), entry.mid(equals + 1));
    }
    return names;
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
    void linkResources_appendsToEarlierMessages();
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
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("messages");

    const QStringList smithy{"i_ingot=Iron ingot", "i_log=Log", "5=Five"};
    const QStringList plain{"i_ingot=Iron ingot", "i_log=Log"};

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
    QTest::newRow("ids compared exactly")
        << "I_Log" << plain << QString() << QStringList{"Resoucre \"I_Log\" no found."};
    QTest::newRow("tab-joined amount")
        << "2i_log" << plain << QString() << QStringList{"Resoucre \"2i_log\" no found."};
    QTest::newRow("linked name with placeholders")
        << "2 i_odd" << QStringList{"i_odd=Odd %1 %2"} << "2 Odd %1 %2" << QStringList();
}

void tst_Linking::linkResources()
{
    QFETCH(QString, resources);
    QFETCH(QStringList, names);
    QFETCH(QString, expected);

    const QMap<QString, QString> byId = namesFrom(names);
    QStringList looked;
    const NameLookup nameOf = [&](const QString &id) -> const QString * {
        looked.append(id);
        const auto found = byId.constFind(id);
        return found == byId.cend() ? nullptr : &found.value();
    };
    QStringList messages;
    QCOMPARE(::linkResources(resources, nameOf, messages), expected);
    QTEST(messages, "messages");
    QCOMPARE(looked.size(), int(resources.split(QLatin1Char(',')).size()));
}

void tst_Linking::linkResources_appendsToEarlierMessages()
{
    const NameLookup none = [](const QString &) -> const QString * { return nullptr; };
    QStringList messages{"earlier"};
    QCOMPARE(::linkResources(QStringLiteral("i_x"), none, messages), QString());
    QCOMPARE(messages, (QStringList{"earlier", "Resoucre \"i_x\" no found."}));
}

void tst_Linking::linkSkills_data()
{
    QTest::addColumn<QString>("skillmake");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("skillNames");

    QTest::newRow("two skills") << "carpentry 100,alchimy 51.1"
                                << "Carpentry 100, Alchimy 51.1"
                                << QStringList{"Carpentry", "Alchimy"};
    QTest::newRow("value first") << "50 tailoring"
                                 << "Tailoring 50" << QStringList{"Tailoring"};
    QTest::newRow("skill named twice")
        << "tailoring 10,tailoring 20"
        << "Tailoring 10, Tailoring 20" << QStringList{"Tailoring", "Tailoring"};
    QTest::newRow("one-word element ignored") << "tailoring,carpentry 5"
                                              << "Carpentry 5" << QStringList{"Carpentry"};
    QTest::newRow("nothing usable") << "tailoring" << QString() << QStringList();
    QTest::newRow("empty elements ignored") << ",carpentry 5,"
                                            << "Carpentry 5" << QStringList{"Carpentry"};
    QTest::newRow("display name from any case") << "cARPENTRY 1"
                                                << "Carpentry 1" << QStringList{"Carpentry"};
    QTest::newRow("blank after the comma: empty skill ignored")
        << "carpentry 1, tailoring 2"
        << "Carpentry 1" << QStringList{"Carpentry"};
    QTest::newRow("placeholder-like skill names") << "%2x 5,%1y 6"
                                                  << "%2x 5, %1y 6" << QStringList{"%2x", "%1y"};
    QTest::newRow("non-numeric value") << "tailoring lots"
                                       << "Tailoring 0" << QStringList{"Tailoring"};
}

void tst_Linking::linkSkills()
{
    QFETCH(QString, skillmake);
    QFETCH(QString, expected);
    QStringList skillNames;
    QCOMPARE(::linkSkills(skillmake, skillNames), expected);
    QTEST(skillNames, "skillNames");
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
