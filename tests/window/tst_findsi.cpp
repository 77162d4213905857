// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "scripts/si_item.h"

#include <QAction>
#include <QMetaMethod>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

QList<SI_item *> lookUp(Tavrel *window, const QString &id)
{
    QList<SI_item *> result{nullptr};
    const bool invoked = QMetaObject::invokeMethod(
        window, "FindSI", Q_RETURN_ARG(QList<SI_item *>, result), Q_ARG(QString, id));
    if (!invoked)
        qFatal("FindSI could not be invoked");
    return result;
}

QStringList defnames(const QList<SI_item *> &records)
{
    QStringList names;
    for (const SI_item *record : records)
        names.append(record->defname);
    return names;
}

// Sections deliberately out of defname order; several types, one without TYPE, one empty.
const QByteArray weapons = "[itemdef i_sword]\nNAME=Sword\nTYPE=t_weapon\n"
                           "SKILLMAKE=blacksmithing 60\n"
                           "[itemdef i_axe]\nNAME=Axe\nTYPE=T_Weapon\n"
                           "SKILLMAKE=blacksmithing 40, carpentry 20\n"
                           "[itemdef i_dagger]\nNAME=Dagger\nTYPE=t_weapon\n"
                           "[itemdef i_Zweihander]\nNAME=Zweihander\nTYPE=t_weapon\n"
                           "SKILLMAKE=blacksmithing 90\n";
const QByteArray others = "[itemdef i_log]\nNAME=Log\n"
                          "[itemdef i_plank]\nNAME=Plank\nSKILLMAKE=carpentry 10\n"
                          "[itemdef i_blank]\nNAME=Blank\nTYPE=\nSKILLMAKE=carpentry 1\n"
                          "[itemdef i_spaced]\nNAME=Spaced\nTYPE= t_spaced \n"
                          "[itemdef i_mixed]\nNAME=Mixed\nTYPE=T_SHIELD\n"
                          "[ITEMDEF i_Upper]\nNAME=Upper\nTYPE=t_shield\n";
// Two sections with one defname: the one read later (the second section) holds the key.
const QByteArray duplicates = "[itemdef first]\nDEFNAME=i_dup\nNAME=Early\nTYPE=t_early\n"
                              "SKILLMAKE=tailoring 5\n"
                              "[itemdef second]\nDEFNAME=I_Dup\nNAME=Late\nTYPE=t_late\n"
                              "SKILLMAKE=tailoring 6\n";

} // namespace

class FindSITest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registeredWithItsTypeName();
    void beforeAnyLoad_isEmpty();
    void byType_data();
    void byType();
    void twoItemsOfOneType_inDefnameOrder();
    void duplicates_onlyTheStoredRecord();
    void copies_neverReturned();
    void pointersAreTheLoadedRecords();
    void afterClear_isEmpty();
    void afterReload_givesNewRecords();
    void lookUp_changesNothing();

private:
    void load();

    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
};

void FindSITest::init()
{
    dir = std::make_unique<WorkingDirectory>();
    dir->write(QStringLiteral("scripts/weapons.scp"), weapons);
    dir->write(QStringLiteral("scripts/others.scp"), others);
    dir->write(QStringLiteral("scripts/sub/duplicates.scp"), duplicates);
    window = startWindow();
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QString(), QString(),
                   QString());
}

void FindSITest::cleanup()
{
    if (window)
        closeWindow(window);
    dir.reset();
}

void FindSITest::load()
{
    findAction(window.get(), QStringLiteral("Open"))->trigger();
}

void FindSITest::registeredWithItsTypeName()
{
    const QMetaObject &meta = Tavrel::staticMetaObject;
    const int index = meta.indexOfMethod("FindSI(QString)");
    QVERIFY(index >= 0);
    const QMetaMethod method = meta.method(index);
    QCOMPARE(QByteArray(method.typeName()), QByteArray("QList<SI_item*>"));
    QCOMPARE(method.returnMetaType(), QMetaType::fromType<QList<SI_item *>>());
    QCOMPARE(method.access(), QMetaMethod::Public);
    QCOMPARE(method.parameterNames(), QList<QByteArray>{"id"});
}

void FindSITest::beforeAnyLoad_isEmpty()
{
    QVERIFY(lookUp(window.get(), QStringLiteral("global_type")).isEmpty());
    QVERIFY(lookUp(window.get(), QStringLiteral("t_weapon")).isEmpty());
    QVERIFY(lookUp(window.get(), QString()).isEmpty());
}

void FindSITest::byType_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("lower-case type")
        << QStringLiteral("t_weapon")
        << QStringList{QStringLiteral("i_axe"), QStringLiteral("i_dagger"),
                       QStringLiteral("i_sword"), QStringLiteral("i_zweihander")};
    QTest::newRow("capitals never match") << QStringLiteral("T_WEAPON") << QStringList();
    QTest::newRow("as written in the script") << QStringLiteral("T_Weapon") << QStringList();
    QTest::newRow("capitals in the script, found lower case")
        << QStringLiteral("t_shield")
        << QStringList{QStringLiteral("i_mixed"), QStringLiteral("i_upper")};
    QTest::newRow("leading blank") << QStringLiteral(" t_weapon") << QStringList();
    QTest::newRow("trailing blank") << QStringLiteral("t_weapon ") << QStringList();
    QTest::newRow("blanks around the value in the script")
        << QStringLiteral("t_spaced") << QStringList{QStringLiteral("i_spaced")};
    QTest::newRow("no TYPE key") << QStringLiteral("global_type")
                                 << QStringList{QStringLiteral("i_log"), QStringLiteral("i_plank")};
    QTest::newRow("default in capitals") << QStringLiteral("GLOBAL_TYPE") << QStringList();
    QTest::newRow("empty id, empty TYPE") << QString() << QStringList{QStringLiteral("i_blank")};
    QTest::newRow("prefix only") << QStringLiteral("t_") << QStringList();
    QTest::newRow("unknown") << QStringLiteral("t_nothing") << QStringList();
    QTest::newRow("a defname is not a type") << QStringLiteral("i_axe") << QStringList();
}

void FindSITest::byType()
{
    QFETCH(QString, id);
    QFETCH(QStringList, expected);
    load();

    QCOMPARE(defnames(lookUp(window.get(), id)), expected);
}

void FindSITest::twoItemsOfOneType_inDefnameOrder()
{
    // Written in reverse order, in two files read in the opposite order of their defnames.
    dir->write(QStringLiteral("scripts/weapons.scp"), "[itemdef i_b]\nNAME=Bee\nTYPE=t_pair\n");
    dir->write(QStringLiteral("scripts/a_first.scp"), "[itemdef i_c]\nNAME=Sea\nTYPE=t_pair\n"
                                                      "[itemdef i_a]\nNAME=Ay\nTYPE=t_pair\n"
                                                      "[itemdef i_B_]\nNAME=Capital\n"
                                                      "TYPE=t_pair\n");
    load();

    const QList<SI_item *> found = lookUp(window.get(), QStringLiteral("t_pair"));

    QCOMPARE(defnames(found), (QStringList{QStringLiteral("i_a"), QStringLiteral("i_b"),
                                           QStringLiteral("i_b_"), QStringLiteral("i_c")}));
    QCOMPARE(found.at(0)->name, QStringLiteral("Ay"));
    QCOMPARE(found.at(3)->name, QStringLiteral("Sea"));
}

void FindSITest::duplicates_onlyTheStoredRecord()
{
    load();

    QVERIFY(lookUp(window.get(), QStringLiteral("t_early")).isEmpty());
    const QList<SI_item *> late = lookUp(window.get(), QStringLiteral("t_late"));
    QCOMPARE(late.size(), 1);
    QCOMPARE(late.first()->defname, QStringLiteral("i_dup"));
    QCOMPARE(late.first()->name, QStringLiteral("Late"));
    const QStringList skillLines = treeLines(skillTree(window.get()));
    QVERIFY(skillLines.contains(QStringLiteral("  Late")));
    QVERIFY(!skillLines.contains(QStringLiteral("  Early")));
}

void FindSITest::copies_neverReturned()
{
    load();
    QTreeWidget *tree = skillTree(window.get());
    // The axe hangs under Blacksmithing in person and under Carpentry as a copy.
    QCOMPARE(treeLines(tree).count(QStringLiteral("  Axe")), 2);

    const QList<SI_item *> found = lookUp(window.get(), QStringLiteral("t_weapon"));

    const QList<SI_item *> axes = [&] {
        QList<SI_item *> list;
        for (SI_item *record : found) {
            if (record->defname == QLatin1String("i_axe"))
                list.append(record);
        }
        return list;
    }();
    QCOMPARE(axes.size(), 1);
    QCOMPARE(axes.first()->parent()->text(0), QStringLiteral("Blacksmithing"));
    QCOMPARE(QSet<SI_item *>(found.cbegin(), found.cend()).size(), found.size());
}

void FindSITest::pointersAreTheLoadedRecords()
{
    load();
    const QList<SI_item *> found = lookUp(window.get(), QStringLiteral("t_weapon"));
    QCOMPARE(found.size(), 4);

    // The dagger has no skill and is in no tree, yet it is a loaded record.
    QCOMPARE(found.at(1)->defname, QStringLiteral("i_dagger"));
    QVERIFY(!found.at(1)->parent());
    QCOMPARE(found.at(1)->type, QStringLiteral("t_weapon"));
    QCOMPARE(found.at(2)->text(0), QStringLiteral("Sword"));
    QCOMPARE(found.at(2)->skillmake, QStringLiteral("Blacksmithing 60"));
    QCOMPARE(found.at(2)->parent()->text(0), QStringLiteral("Blacksmithing"));
}

void FindSITest::afterClear_isEmpty()
{
    load();
    QVERIFY(!lookUp(window.get(), QStringLiteral("t_weapon")).isEmpty());

    findAction(window.get(), QStringLiteral("Clear"))->trigger();

    QVERIFY(lookUp(window.get(), QStringLiteral("t_weapon")).isEmpty());
    QVERIFY(lookUp(window.get(), QStringLiteral("global_type")).isEmpty());
    QVERIFY(lookUp(window.get(), QString()).isEmpty());
}

void FindSITest::afterReload_givesNewRecords()
{
    load();
    QCOMPARE(lookUp(window.get(), QStringLiteral("t_weapon")).size(), 4);
    dir->write(QStringLiteral("scripts/weapons.scp"),
               "[itemdef i_mace]\nNAME=Mace\nTYPE=t_weapon\n");

    load();

    const QList<SI_item *> found = lookUp(window.get(), QStringLiteral("t_weapon"));
    QCOMPARE(defnames(found), QStringList{QStringLiteral("i_mace")});
    QCOMPARE(found.first()->name, QStringLiteral("Mace"));
}

void FindSITest::lookUp_changesNothing()
{
    load();
    const QStringList skillLines = treeLines(skillTree(window.get()));
    const QStringList fileLines = treeLines(fileTree(window.get()));

    const QList<SI_item *> first = lookUp(window.get(), QStringLiteral("t_weapon"));
    lookUp(window.get(), QStringLiteral("global_type"));
    const QList<SI_item *> second = lookUp(window.get(), QStringLiteral("t_weapon"));

    QCOMPARE(first, second);
    QCOMPARE(treeLines(skillTree(window.get())), skillLines);
    QCOMPARE(treeLines(fileTree(window.get())), fileLines);
    // Called directly, it answers the same.
    QCOMPARE(window->FindSI(QStringLiteral("t_weapon")), first);
}

QTEST_MAIN(FindSITest)
#include "tst_findsi.moc"
