// SPDX-License-Identifier: MIT
#include "core/language/suggestions.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstdlib>
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

// The suggestion found by comparing the query with every name.
QString nearest(const QList<DefinedName> &names, const QString &name, Kinds accepted)
{
    const QList<uint> query = name.toUcs4();
    const int limit = std::min(2, int(query.size() - 1) / 2);
    std::tuple<int, QList<uint>, QString> best(limit + 1, {}, {});
    for (const DefinedName &defined : names) {
        const QList<uint> text = defined.name.toUcs4();
        if ((accepted & kindBit(defined.kind)) && std::abs(text.size() - query.size()) <= limit &&
            distance(query, text) > 0)
            best = std::min(best, std::tuple(distance(query, text), text, defined.name));
    }
    return std::get<2>(best);
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
    QTest::addColumn<QString>("suggestion");

    const QString map = QStringLiteral("i_treasure_map3");
    QTest::newRow("replaced") << "i_treasure_nap3" << item << map;
    QTest::newRow("inserted") << "i_trasure_map3" << item << map;
    QTest::newRow("deleted") << "i_treasurre_map3" << item << map;
    QTest::newRow("swapped") << "i_traesure_map3" << item << map;
    QTest::newRow("two edits, a swap among them") << "i_trasure_mpa3" << item << map;
    QTest::newRow("three edits") << "i_trasure_mpa4" << item << "";
    QTest::newRow("upper case") << "I_Trasure_MAP3" << item << map;
    QTest::newRow("of the accepted kind") << "i_ork" << item << "i_orc";
    QTest::newRow("of another kind") << "i_ork" << character << "c_orc";
    QTest::newRow("of no accepted kind") << "i_ork" << kindBit(Kind::Spawn) << "";
    QTest::newRow("a name of two kinds") << "t_bux" << kindBit(Kind::Spawn) << "t_box";
    QTest::newRow("tie, first in order") << "i_mat" << item << "i_cat";
    QTest::newRow("tie across kinds") << "i_mat" << (item | character) << "i_bat";
    QTest::newRow("nearer before first in order") << "i_cats" << (item | character) << "i_cat";
    QTest::newRow("not the name itself") << "i_cat" << item << "i_hat";
    QTest::newRow("empty") << "" << everyKind << "";
    QTest::newRow("one character") << "a" << everyKind << "";
    QTest::newRow("two characters") << "ab" << everyKind << "";
    QTest::newRow("three characters, one edit") << "abc" << everyKind << "abd";
    QTest::newRow("four characters, not two edits") << "abyz" << everyKind << "";
    QTest::newRow("five characters, two edits") << "fghij" << everyKind << "fgxyj";
    QTest::newRow("long") << "i_" + QString(300, u'x') + "yz" << item << "i_" + QString(300, u'x');
    QTest::newRow("accented") << QStringLiteral("i_caf\u00c9") << item
                              << QStringLiteral("i_caf\u00e9s");
    QTest::newRow("outside the basic plane, one edit a character")
        << "i_abc" << item << QStringLiteral("i_a\U0001f600\U0001f600bc");
}

void tst_Suggestions::suggest()
{
    QFETCH(QString, query);
    QFETCH(Kinds, accepted);
    QFETCH(QString, suggestion);

    QList<DefinedName> names;
    const auto define = [&](Kind kind, const QStringList &defined) {
        for (const QString &name : defined)
            names.append({name, kind});
    };
    define(Kind::Item, {"i_treasure_map3", "i_orc", "i_cat", "i_hat", "b", "ac", "abd", "fgxyj",
                        "i_" + QString(300, u'x'), QStringLiteral("i_caf\u00e9s"),
                        QStringLiteral("i_a\U0001f600\U0001f600bc")});
    define(Kind::Character, {"c_orc", "i_bat"});
    define(Kind::Template, {"t_box"});
    define(Kind::Spawn, {"t_box"});
    QCOMPARE(NameSuggestions(names).suggest(query, accepted), suggestion);
}

// Dense names from a few characters, so that most queries have many neighbours to choose from.
void tst_Suggestions::sameAsEveryComparison_data()
{
    QTest::addColumn<QList<char32_t>>("alphabet");
    QTest::addColumn<int>("longest");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("short names, two letters") << QList<char32_t>{'a', 'b'} << 6 << 1u;
    QTest::newRow("ids") << QList<char32_t>{'i', '_', '0', '1', '2'} << 12 << 2u;
    QTest::newRow("outside ASCII") << QList<char32_t>{'a', 0xe9, 0x1f600} << 8 << 3u;
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
    for (int i = 0; i < 300; ++i) {
        const QString query = word(random.bounded(longest + 3));
        const Kinds accepted = 1 + random.bounded(7);
        QCOMPARE(suggestions.suggest(query, accepted), nearest(names, query, accepted));
    }
}

QTEST_GUILESS_MAIN(tst_Suggestions)
#include "tst_suggestions.moc"
