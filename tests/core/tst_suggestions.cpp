// SPDX-License-Identifier: MIT
#include "core/language/suggestions.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>

using namespace tavrel;

namespace {

constexpr Kinds item = kindBit(Kind::Item);
constexpr Kinds character = kindBit(Kind::Character);

// The restricted edit distance, every cell of the table computed.
int distance(const QList<uint> &a, const QList<uint> &b)
{
    QList<QList<int>> d(a.size() + 1, QList<int>(b.size() + 1));
    for (qsizetype i = 0; i <= a.size(); ++i) {
        for (qsizetype j = 0; j <= b.size(); ++j) {
            d[i][j] = int(i + j);
            if (i > 0 && j > 0)
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                    d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

int familyLength(const QList<uint> &name)
{
    const qsizetype underscore = name.indexOf(uint('_'));
    return underscore > 0 && underscore <= 4 && underscore + 1 < name.size() ? int(underscore) + 1
                                                                             : 0;
}

QString skeleton(const QString &name)
{
    QString text;
    for (const QChar c : name) {
        if (c.isDigit() || (c == u'_' && text.endsWith(u'_')))
            continue;
        text.append(c);
    }
    while (text.endsWith(u'_'))
        text.chop(1);
    return text;
}

// The suggestion found by comparing the query with every name.
QString nearest(const QList<DefinedName> &names, const QString &name, Kinds accepted,
                const QString &holder = QString())
{
    const QList<uint> query = name.toLower().toUcs4();
    const int family = familyLength(query);
    const int stem = int(query.size()) - family;
    const int limit = stem >= 8 ? 2 : stem >= 4 ? 1 : 0;
    int best = limit + 1;
    QSet<QString> found;
    // Near a numbered family the scripts define, only siblings.
    for (const DefinedName &defined : names) {
        if (std::any_of(defined.name.cbegin(), defined.name.cend(),
                        [](QChar c) { return c.isDigit(); }) &&
            skeleton(defined.name) == skeleton(name.toLower()))
            return QString();
    }
    for (const DefinedName &defined : names) {
        const QList<uint> text = defined.name.toUcs4();
        if (!(accepted & kindBit(defined.kind)) || std::abs(text.size() - query.size()) > limit ||
            familyLength(text) != family || text.mid(0, family) != query.mid(0, family) ||
            defined.name == holder)
            continue;
        const int d = distance(query, text);
        if (d == 0 || d > limit || d > best || skeleton(defined.name) == skeleton(name.toLower()))
            continue;
        // A replaced character in a short stem: a swap of two is one replacement short.
        if (stem < 6 && text.size() == query.size() && d == 1) {
            int differ = 0;
            for (qsizetype i = 0; i < text.size(); ++i)
                differ += text.at(i) != query.at(i) ? 1 : 0;
            if (differ == 1)
                continue;
        }
        if (d < best)
            found.clear();
        best = d;
        found.insert(defined.name);
    }
    return found.size() == 1 ? *found.cbegin() : QString();
}

} // namespace

class tst_Suggestions : public QObject
{
    Q_OBJECT

private slots:
    void suggest_data();
    void suggest();
    void sameAsEveryComparison_data();
    void sameAsEveryComparison();
};

void tst_Suggestions::suggest_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<Kinds>("accepted");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("suggestion");

    const QString map = QStringLiteral("i_treasure_map3");
    QTest::newRow("replaced") << "i_treasure_nap3" << item << "" << map;
    QTest::newRow("inserted") << "i_trasure_map3" << item << "" << map;
    QTest::newRow("deleted") << "i_treasurre_map3" << item << "" << map;
    QTest::newRow("swapped") << "i_traesure_map3" << item << "" << map;
    QTest::newRow("two edits, a swap among them") << "i_trasure_mpa3" << item << "" << map;
    QTest::newRow("three edits") << "i_trasure_mpa4" << item << ""
                                 << "";
    QTest::newRow("upper case") << "I_Trasure_MAP3" << item << "" << map;
    QTest::newRow("of the accepted kind") << "c_corporeal_blume" << character << ""
                                          << "c_corporeal_brume";
    QTest::newRow("of no accepted kind") << "c_corporeal_blume" << kindBit(Kind::Template) << ""
                                         << "";
    QTest::newRow("a name of two kinds") << "t_deeed_box" << kindBit(Kind::Spawn) << ""
                                         << "t_deed_box";
    QTest::newRow("short stem, a character replaced") << "i_frog" << item << ""
                                                      << "";
    QTest::newRow("short stem, a character left out") << "i_bord" << item << ""
                                                      << "i_board";
    QTest::newRow("too short a stem") << "i_brd" << item << ""
                                      << "";
    QTest::newRow("five characters, two edits") << "c_tiger" << character << ""
                                                << "";
    QTest::newRow("five characters, one edit") << "c_tigre" << character << ""
                                               << "c_tiger";
    QTest::newRow("another family") << "i_rocks" << everyKind << ""
                                    << "";
    QTest::newRow("no family for a family") << "c_merchant" << everyKind << ""
                                            << "";
    QTest::newRow("the holder") << "tm_loot_rih" << everyKind << "tm_loot_rich"
                                << "";
    QTest::newRow("not the holder") << "tm_loot_rih" << everyKind << "tm_loot_poor"
                                    << "tm_loot_rich";
    QTest::newRow("a sibling numbered apart") << "i_shell_2" << item << ""
                                              << "";
    QTest::newRow("a sibling by its number") << "i_item_000124" << item << ""
                                             << "";
    QTest::newRow("two as near") << "i_barrel_x" << item << ""
                                 << "";
    QTest::newRow("the nearer of two") << "i_saltpetre" << item << ""
                                       << "i_saltpeter";
    QTest::newRow("a name of two kinds is one name")
        << "c_corporeal_blume" << (character | item) << ""
        << "c_corporeal_brume";
    QTest::newRow("empty") << "" << everyKind << ""
                           << "";
    QTest::newRow("long") << "i_" + QString(300, u'x') + "yz" << item << ""
                          << "i_" + QString(300, u'x');
    QTest::newRow("accented") << QStringLiteral("i_caf\u00c9_noir") << item << ""
                              << QStringLiteral("i_caf\u00e9s_noir");
    QTest::newRow("outside the basic plane, one edit a character")
        << "i_abcdefgh" << item << "" << QStringLiteral("i_a\U0001f600\U0001f600bcdefgh");
}

void tst_Suggestions::suggest()
{
    QFETCH(QString, query);
    QFETCH(Kinds, accepted);
    QFETCH(QString, holder);
    QFETCH(QString, suggestion);

    QList<DefinedName> names;
    const auto define = [&](Kind kind, const QStringList &defined) {
        for (const QString &name : defined)
            names.append({name, kind});
    };
    define(Kind::Item, {"i_treasure_map3", "i_froe", "i_shell", "i_item_000123", "i_barrel_a",
                        "i_barrel_b", "i_saltpeter", "i_saltpeterss", "t_rocks", "i_board",
                        "i_bard", "i_" + QString(300, u'x'), QStringLiteral("i_caf\u00e9s_noir"),
                        QStringLiteral("i_a\U0001f600\U0001f600bcdefgh")});
    define(Kind::Character, {"c_corporeal_brume", "c_miner", "c_tiger", "merchant"});
    define(Kind::Item, {"c_corporeal_brume"});
    define(Kind::Template, {"tm_loot_rich"});
    define(Kind::Spawn, {"t_deed_box"});
    define(Kind::Template, {"t_deed_box"});
    const NameSuggestions suggestions(names);
    QCOMPARE(suggestions.suggest(query, accepted, holder), suggestion);
    QCOMPARE(nearest(names, query, accepted, holder), suggestion);
}

// Dense names from a few characters, so that most queries have many neighbours to choose from.
void tst_Suggestions::sameAsEveryComparison_data()
{
    QTest::addColumn<QList<char32_t>>("alphabet");
    QTest::addColumn<int>("longest");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("short names, two letters") << QList<char32_t>{'a', 'b'} << 10 << 1u;
    QTest::newRow("ids") << QList<char32_t>{'i', '_', 'a', '1', '2'} << 12 << 2u;
    QTest::newRow("outside ASCII") << QList<char32_t>{'a', 0xe9, 0x1f600} << 10 << 3u;
    QTest::newRow("families") << QList<char32_t>{'i', 'c', '_', 'a', 'b'} << 12 << 4u;
}

void tst_Suggestions::sameAsEveryComparison()
{
    QFETCH(QList<char32_t>, alphabet);
    QFETCH(int, longest);
    QFETCH(quint32, seed);

    QRandomGenerator random(seed);
    const auto word = [&](int length) {
        std::u32string text;
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(int(alphabet.size()))];
        return QString::fromStdU32String(text);
    };
    QList<DefinedName> names;
    for (int i = 0; i < 1500; ++i)
        names.append({word(1 + random.bounded(longest)), Kind(random.bounded(3))});
    const NameSuggestions suggestions(names);
    // The same table made name by name, with names taken out and given again on the way.
    QHash<QString, Kinds> kinds;
    for (const DefinedName &name : std::as_const(names))
        kinds[name.name] |= kindBit(name.kind);
    NameSuggestions changed;
    QStringList order = kinds.keys();
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    for (const QString &name : std::as_const(order)) {
        changed.set(name, kindBit(Kind::Spawn));
        if (random.bounded(4) == 0)
            changed.set(name, 0);
        changed.set(name, kinds.value(name));
    }
    for (int i = 0; i < 300; ++i) {
        const QString query = word(random.bounded(longest + 3));
        const Kinds accepted = 1 + random.bounded(7);
        const QString expected = nearest(names, query, accepted);
        QCOMPARE(suggestions.suggest(query, accepted), expected);
        QCOMPARE(changed.suggest(query, accepted), expected);
    }
}

QTEST_GUILESS_MAIN(tst_Suggestions)
#include "tst_suggestions.moc"
