// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"

#include <QTest>

#include <algorithm>
#include <limits>

using namespace tavrel;

namespace {

// A three-level recipe (throne, chair, board, log), a board used by several items, item types
// as resources, cycles of two and of three items, zero and unparsable amounts, an id naming
// nothing, and an item whose id is also an item type.
const QByteArray recipes = "[ITEMDEF i_log]\nNAME=Log\nTYPE=t_wood\n"
                           "[ITEMDEF i_nail]\nNAME=Nail\n"
                           "[ITEMDEF i_apple]\nNAME=Apple\nTYPE=t_food\n"
                           "[ITEMDEF i_board]\nNAME=Board\nRESOURCES=2 i_log\n"
                           "SKILLMAKE=carpentry 10\n"
                           "[ITEMDEF i_chair]\nNAME=Wooden chair\n"
                           "RESOURCES=4 i_board, 6 i_nail\n"
                           "SKILLMAKE=carpentry 20,tailoring 5,carpentry 30\n"
                           "[ITEMDEF i_throne]\nNAME=Throne\n"
                           "RESOURCES=2 i_chair,10 I_BOARD,1 t_food // a fine seat\n"
                           "SKILLMAKE=carpentry 80\n"
                           "[ITEMDEF i_stew]\nRESOURCES=2 t_food,0 i_log,x i_nail,1 i_missing\n"
                           "[ITEMDEF i_a]\nRESOURCES=1 i_b,3 i_nail\n"
                           "[ITEMDEF i_b]\nRESOURCES=2 i_a,5 i_log\n"
                           "[ITEMDEF i_p]\nRESOURCES=1 i_q\n"
                           "[ITEMDEF i_q]\nRESOURCES=2 i_r\n"
                           "[ITEMDEF i_r]\nRESOURCES=3 i_p,1 i_nail\n"
                           "[ITEMDEF t_gem]\nNAME=Gem stone\n"
                           "[ITEMDEF i_ruby]\nTYPE=t_gem\n"
                           "[ITEMDEF i_ring]\nRESOURCES=1 t_gem,2 i_log,1 i_log\n";

LoadedScripts load(const WorkingDirectory &dir, const QByteArray &scripts)
{
    dir.write(QStringLiteral("s/a.scp"), scripts);
    return loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));
}

QString stopText(MaterialNode::Stop stop)
{
    switch (stop) {
    case MaterialNode::Cycle:
        return QStringLiteral(" cycle");
    case MaterialNode::ShownAbove:
        return QStringLiteral(" above");
    case MaterialNode::TooDeep:
        return QStringLiteral(" deep");
    case MaterialNode::Expanded:
        break;
    }
    return QString();
}

QString targetText(ResourceUse::Target target)
{
    switch (target) {
    case ResourceUse::Type:
        return QStringLiteral(" type");
    case ResourceUse::Nothing:
        return QStringLiteral(" nothing");
    case ResourceUse::Item:
        break;
    }
    return QString();
}

void treeLines(const MaterialNode &node, int level, QStringList &lines)
{
    lines.append(QString(2 * level, QLatin1Char(' ')) + QString::number(node.amount) +
                 QLatin1Char(' ') + node.id + targetText(node.target) + stopText(node.stop));
    for (const MaterialNode &resource : node.resources)
        treeLines(resource, level + 1, lines);
}

QStringList treeLines(const MaterialNode &tree)
{
    QStringList lines;
    treeLines(tree, 0, lines);
    return lines;
}

QStringList totalLines(const QList<RawMaterial> &totals)
{
    QStringList lines;
    for (const RawMaterial &material : totals)
        lines.append(QString::number(material.amount) + QLatin1Char(' ') + material.id +
                     targetText(material.target));
    return lines;
}

QStringList cycleLines(const QList<ResourceCycle> &cycles)
{
    QStringList lines;
    for (const ResourceCycle &cycle : cycles)
        lines.append(cycle.items.join(QLatin1Char(' ')) + QLatin1Char('/') +
                     QString::number(cycle.length));
    return lines;
}

QByteArray chain(const QByteArray &prefix, int length, const QByteArray &last)
{
    QByteArray text;
    for (int i = 0; i < length; ++i) {
        const QByteArray next = i + 1 < length ? prefix + QByteArray::number(i + 1) : last;
        text += "[ITEMDEF " + prefix + QByteArray::number(i) + "]\nRESOURCES=1 " + next + "\n";
    }
    return text;
}

} // namespace

class tst_CrossRef : public QObject
{
    Q_OBJECT

private slots:
    void usesOf_data();
    void usesOf();
    void locateUses_resourcesLineAndIdColumn();
    void bill_data();
    void bill();
    void rawMaterials_sameInAnyOrderAndAsTheBill();
    void rawMaterials_notCraftedIsItsOwnMaterial();
    void deepChain_totalsCompleteTreeStopsAtDeepestLevel();
    void longCycle_keepsRepeatedItemAndLastItems();
    void hugeAmounts_saturate();
};

void tst_CrossRef::usesOf_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("uses");

    QTest::newRow("item used by several")
        << QStringLiteral("i_board") << QStringList{"i_chair 4 0", "i_throne 10 1"};
    QTest::newRow("raw material, entries summed, zero kept")
        << QStringLiteral("i_log")
        << QStringList{"i_b 5 1", "i_board 2 0", "i_ring 3 1", "i_stew 0 1"};
    QTest::newRow("unparsable amount")
        << QStringLiteral("i_nail")
        << QStringList{"i_a 3 1", "i_chair 6 1", "i_r 1 1", "i_stew 0 2"};
    QTest::newRow("item type") << QStringLiteral("t_food")
                               << QStringList{"i_stew 2 0", "i_throne 1 2"};
    QTest::newRow("item whose id is also a type")
        << QStringLiteral("t_gem") << QStringList{"i_ring 1 0"};
    QTest::newRow("type of no resource") << QStringLiteral("t_wood") << QStringList();
    QTest::newRow("used by nothing") << QStringLiteral("i_throne") << QStringList();
    QTest::newRow("names nothing") << QStringLiteral("i_missing") << QStringList();
}

void tst_CrossRef::usesOf()
{
    QFETCH(QString, id);
    QFETCH(QStringList, uses);
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, recipes);
    QStringList found;
    for (const ItemUse &use : UsageIndex(loaded.index).usesOf(id))
        found.append(
            QStringLiteral("%1 %2 %3")
                .arg(use.defname, QString::number(use.amount), QString::number(use.element)));
    QCOMPARE(found, uses);
}

void tst_CrossRef::locateUses_resourcesLineAndIdColumn()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, recipes);
    const QString id = QStringLiteral("i_board");
    const QList<LocatedUse> located = locateUses(loaded.index, UsageIndex(loaded.index).usesOf(id));
    QCOMPARE(located.size(), 2);

    QCOMPARE(located.at(0).use.defname, QStringLiteral("i_chair"));
    QCOMPARE(located.at(0).name, QStringLiteral("Wooden chair"));
    QCOMPARE(located.at(0).skills, (QStringList{"Carpentry", "Tailoring"}));
    QCOMPARE(located.at(0).file, QStringLiteral("s/a.scp"));
    QCOMPARE(located.at(0).position.line, 15);
    QCOMPARE(located.at(0).position.column, 13);

    QCOMPARE(located.at(1).use.defname, QStringLiteral("i_throne"));
    QCOMPARE(located.at(1).skills, QStringList{"Carpentry"});
    QCOMPARE(located.at(1).position.line, 19);
    QCOMPARE(located.at(1).position.column, 24);
}

void tst_CrossRef::bill_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("totals");
    QTest::addColumn<QStringList>("cycles");
    QTest::addColumn<QStringList>("unknown");

    QTest::newRow("three levels, a repeated item, a type")
        << QStringLiteral("i_throne") << qint64(1)
        << QStringList{"1 i_throne",    "  2 i_chair",        "    8 i_board",  "      16 i_log",
                       "    12 i_nail", "  10 i_board above", "  1 t_food type"}
        << QStringList{"36 i_log", "12 i_nail", "1 t_food type"} << QStringList() << QStringList();
    QTest::newRow("amount multiplies every level")
        << QStringLiteral("i_chair") << qint64(3)
        << QStringList{"3 i_chair", "  12 i_board", "    24 i_log", "  18 i_nail"}
        << QStringList{"24 i_log", "18 i_nail"} << QStringList() << QStringList();
    QTest::newRow("zero, unparsable and unknown")
        << QStringLiteral("i_stew") << qint64(2)
        << QStringList{"2 i_stew", "  4 t_food type", "  0 i_log", "  0 i_nail",
                       "  2 i_missing nothing"}
        << QStringList{"4 t_food type", "0 i_log", "0 i_nail"} << QStringList()
        << QStringList{"i_missing"};
    QTest::newRow("cycle of two, from the item first walked")
        << QStringLiteral("i_a") << qint64(1)
        << QStringList{"1 i_a", "  1 i_b", "    2 i_a cycle", "    5 i_log", "  3 i_nail"}
        << QStringList{"5 i_log", "3 i_nail"} << QStringList{"i_a i_b/2"} << QStringList();
    QTest::newRow("cycle of two, cut at the same place")
        << QStringLiteral("i_b") << qint64(1) << QStringList{"1 i_b", "  2 i_a cycle", "  5 i_log"}
        << QStringList{"5 i_log"} << QStringList{"i_a i_b/2"} << QStringList();
    QTest::newRow("cycle of three")
        << QStringLiteral("i_p") << qint64(1)
        << QStringList{"1 i_p", "  1 i_q", "    2 i_r", "      6 i_p cycle", "      2 i_nail"}
        << QStringList{"2 i_nail"} << QStringList{"i_p i_q i_r/3"} << QStringList();
    QTest::newRow("cycle of three, from its last item")
        << QStringLiteral("i_r") << qint64(1) << QStringList{"1 i_r", "  3 i_p cycle", "  1 i_nail"}
        << QStringList{"1 i_nail"} << QStringList{"i_p i_q i_r/3"} << QStringList();
    QTest::newRow("item that is also a type, entries of one id")
        << QStringLiteral("i_ring") << qint64(1)
        << QStringList{"1 i_ring", "  1 t_gem", "  2 i_log", "  1 i_log"}
        << QStringList{"3 i_log", "1 t_gem"} << QStringList() << QStringList();
    QTest::newRow("not crafted") << QStringLiteral("i_log") << qint64(4) << QStringList{"4 i_log"}
                                 << QStringList{"4 i_log"} << QStringList() << QStringList();
}

void tst_CrossRef::bill()
{
    QFETCH(QString, id);
    QFETCH(qint64, amount);
    QFETCH(QStringList, tree);
    QFETCH(QStringList, totals);
    QFETCH(QStringList, cycles);
    QFETCH(QStringList, unknown);
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, recipes);
    MaterialCosts costs(loaded.index);
    const BillOfMaterials bill = costs.bill(id, amount);
    QCOMPARE(treeLines(bill.tree), tree);
    QCOMPARE(totalLines(bill.totals), totals);
    QCOMPARE(cycleLines(bill.cycles), cycles);
    QCOMPARE(bill.unknown, unknown);
    QCOMPARE(bill.partial(), !cycles.isEmpty() || !unknown.isEmpty());
    QCOMPARE(bill.tree.name, loaded.records.value(id).fields.name);
}

void tst_CrossRef::rawMaterials_sameInAnyOrderAndAsTheBill()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, recipes);
    const QStringList defnames = loaded.records.keys();
    MaterialCosts forwards(loaded.index);
    QList<QStringList> first;
    for (const QString &defname : defnames)
        first.append(totalLines(forwards.rawMaterials(defname, 1)));
    MaterialCosts backwards(loaded.index);
    for (qsizetype i = defnames.size() - 1; i >= 0; --i) {
        bool partial = false;
        QCOMPARE(totalLines(backwards.rawMaterials(defnames.at(i), 1, &partial)), first.at(i));
        MaterialCosts fresh(loaded.index);
        const BillOfMaterials bill = fresh.bill(defnames.at(i), 1);
        QCOMPARE(totalLines(bill.totals), first.at(i));
        QCOMPARE(partial, bill.partial());
    }
}

void tst_CrossRef::rawMaterials_notCraftedIsItsOwnMaterial()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, recipes);
    MaterialCosts costs(loaded.index);
    QVERIFY(costs.isItem(QStringLiteral("t_gem")));
    QVERIFY(!costs.isCrafted(QStringLiteral("t_gem")));
    QVERIFY(costs.isCrafted(QStringLiteral("i_board")));
    QVERIFY(!costs.isItem(QStringLiteral("t_food")));
    QVERIFY(!costs.isItem(QStringLiteral("i_missing")));
    const QList<RawMaterial> gem = costs.rawMaterials(QStringLiteral("t_gem"), 5);
    QCOMPARE(gem.size(), 1);
    QCOMPARE(gem.at(0).name, QStringLiteral("Gem stone"));
    QCOMPARE(gem.at(0).amount, qint64(5));
    QCOMPARE(costs.rawMaterials(QStringLiteral("t_food"), 1).size(), 0);
}

// Far deeper than a call stack that recursed once per level would survive.
void tst_CrossRef::deepChain_totalsCompleteTreeStopsAtDeepestLevel()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded =
        load(dir, chain("i_c", 100000, "i_log") + "[ITEMDEF i_log]\nNAME=Log\n");
    MaterialCosts costs(loaded.index);
    QCOMPARE(totalLines(costs.rawMaterials(QStringLiteral("i_c0"), 7)), QStringList{"7 i_log"});

    const BillOfMaterials bill = costs.bill(QStringLiteral("i_c0"), 1);
    const QStringList lines = treeLines(bill.tree);
    QCOMPARE(lines.size(), MaterialCosts::deepestLevel + 1);
    QCOMPARE(lines.constLast(),
             QString(2 * MaterialCosts::deepestLevel, QLatin1Char(' ')) + QStringLiteral("1 i_c") +
                 QString::number(MaterialCosts::deepestLevel) + QStringLiteral(" deep"));
    QCOMPARE(bill.totals.size(), 1);
    QVERIFY(!bill.partial());
}

void tst_CrossRef::longCycle_keepsRepeatedItemAndLastItems()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, chain("i_k", 40, "i_k0"));
    MaterialCosts costs(loaded.index);
    // Ids sort as text: i_k0, i_k1, i_k10, ... the walk still starts at i_k0.
    const BillOfMaterials bill = costs.bill(QStringLiteral("i_k0"), 1);
    QCOMPARE(bill.cycles.size(), 1);
    const ResourceCycle &cycle = bill.cycles.constFirst();
    QCOMPARE(cycle.length, 40);
    QCOMPARE(cycle.items.size(), 16);
    QCOMPARE(cycle.items.constFirst(), QStringLiteral("i_k0"));
    QCOMPARE(cycle.items.at(1), QStringLiteral("i_k25"));
    QCOMPARE(cycle.items.constLast(), QStringLiteral("i_k39"));
    QVERIFY(bill.totals.isEmpty());
    QVERIFY(bill.partial());
}

void tst_CrossRef::hugeAmounts_saturate()
{
    const WorkingDirectory dir;
    const LoadedScripts loaded = load(dir, "[ITEMDEF i_s1]\nRESOURCES=2000000000 i_s2\n"
                                           "[ITEMDEF i_s2]\nRESOURCES=2000000000 i_s3\n"
                                           "[ITEMDEF i_s3]\nRESOURCES=2000000000 i_log\n"
                                           "[ITEMDEF i_n]\nRESOURCES=-2000000000 i_s1\n"
                                           "[ITEMDEF i_log]\nNAME=Log\n");
    MaterialCosts costs(loaded.index);
    const qint64 largest = std::numeric_limits<qint64>::max();
    QCOMPARE(costs.rawMaterials(QStringLiteral("i_s2"), 1).constFirst().amount,
             qint64(4000000000000000000));
    QCOMPARE(costs.rawMaterials(QStringLiteral("i_s1"), 1).constFirst().amount, largest);
    QCOMPARE(costs.rawMaterials(QStringLiteral("i_n"), 1).constFirst().amount,
             std::numeric_limits<qint64>::min());
    QCOMPARE(costs.bill(QStringLiteral("i_s1"), largest).tree.resources.constFirst().amount,
             largest);
}

QTEST_GUILESS_MAIN(tst_CrossRef)
#include "tst_crossref.moc"
