// SPDX-License-Identifier: MIT
// Times the "did you mean" suggestions over a pack of defined names: building them, then
// answering queries one, two and three edits away from a defined name, or from none, each
// accepting items, a few kinds or every kind. It runs over two packs of names: numbered ids
// like the generated packs' (i_item_000123), which are one or two edits from many others, and
// names made of words. Every comparison of the query with every name of an accepted kind, as
// a check and a baseline, runs for the first queries.
//   bench_suggestions [names] [queries]
#include "core/language/suggestions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace tavrel;

namespace {

constexpr int comparedQueries = 100;

const Kind kinds[] = {Kind::Item,  Kind::Item,      Kind::Item,      Kind::Item,
                      Kind::Item,  Kind::Character, Kind::Character, Kind::Template,
                      Kind::Spawn, Kind::Events,    Kind::Function,  Kind::Alias};

QString prefixOf(Kind kind)
{
    switch (kind) {
    case Kind::Item:
        return QStringLiteral("i_");
    case Kind::Character:
        return QStringLiteral("c_");
    case Kind::Template:
        return QStringLiteral("t_");
    case Kind::Spawn:
        return QStringLiteral("spawn_");
    case Kind::Events:
        return QStringLiteral("e_");
    default:
        return QString();
    }
}

QList<DefinedName> numberedNames(int count, QRandomGenerator &random)
{
    QList<DefinedName> names;
    for (int i = 0; i < count; ++i) {
        const Kind kind = kinds[random.bounded(int(std::size(kinds)))];
        names.append(
            {prefixOf(kind) + QStringLiteral("item_%1").arg(i, 6, 10, QLatin1Char('0')), kind});
    }
    return names;
}

QList<DefinedName> wordNames(int count, QRandomGenerator &random)
{
    static const char *const syllables[] = {
        "ar",  "ber", "cal", "dor", "el",  "fir", "gal", "hel", "in",  "jor", "ka",  "lor", "man",
        "nor", "or",  "pel", "qua", "ros", "sil", "tor", "ul",  "ver", "wy",  "xan", "yel", "zor"};
    QList<DefinedName> names;
    for (int i = 0; i < count; ++i) {
        const Kind kind = kinds[random.bounded(int(std::size(kinds)))];
        QString name = prefixOf(kind);
        const int words = 1 + random.bounded(3);
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                name += u'_';
            const int parts = 1 + random.bounded(3);
            for (int p = 0; p < parts; ++p)
                name += QLatin1String(syllables[random.bounded(int(std::size(syllables)))]);
        }
        if (random.bounded(4) == 0)
            name += QString::number(random.bounded(10));
        names.append({name, kind});
    }
    return names;
}

QString misspelt(QString name, int edits, QRandomGenerator &random)
{
    for (int e = 0; e < edits && !name.isEmpty(); ++e) {
        const QChar letter(u'a' + random.bounded(26));
        const int at = random.bounded(int(name.size()));
        switch (random.bounded(4)) {
        case 0:
            name.insert(at, letter);
            break;
        case 1:
            name.remove(at, 1);
            break;
        case 2:
            name[at] = letter;
            break;
        default:
            if (at + 1 < name.size())
                std::swap(name[at], name[at + 1]);
        }
    }
    return name;
}

struct Query
{
    QString name;
    Kinds accepted;
};

std::vector<Query> queriesOf(const QList<DefinedName> &names, int count, QRandomGenerator &random)
{
    std::vector<Query> queries;
    for (int i = 0; i < count; ++i) {
        const QString &name = names[random.bounded(names.size())].name;
        const int edits = random.bounded(4);
        const QString query =
            edits == 0 ? QStringLiteral("i_nothing_like_%1").arg(i) : misspelt(name, edits, random);
        const int acceptance = random.bounded(10);
        const Kinds accepted = acceptance < 7   ? kindBit(Kind::Item)
                               : acceptance < 9 ? kindBit(Kind::Item) | kindBit(Kind::Character) |
                                                      kindBit(Kind::Template)
                                                : everyKind;
        queries.push_back({query, accepted});
    }
    return queries;
}

int distance(const QString &a, const QString &b)
{
    std::vector<std::vector<int>> d(size_t(a.size()) + 1, std::vector<int>(size_t(b.size()) + 1));
    for (qsizetype i = 0; i <= a.size(); ++i) {
        for (qsizetype j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = int(i + j);
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// Names of the packs are ASCII, so that code units are characters here.
QString comparedWithEveryName(const QList<DefinedName> &names, const Query &query)
{
    const int limit = std::min(2, int(query.name.size() - 1) / 2);
    int bestDistance = limit + 1;
    QString best;
    for (const DefinedName &name : names) {
        if (!(query.accepted & kindBit(name.kind)) ||
            std::abs(name.name.size() - query.name.size()) > limit)
            continue;
        const int d = distance(query.name, name.name);
        if (d > 0 && d <= limit && (d < bestDistance || (d == bestDistance && name.name < best))) {
            bestDistance = d;
            best = name.name;
        }
    }
    return best;
}

bool measure(const char *pack, const QList<DefinedName> &names, int queryCount,
             QRandomGenerator &random, QTextStream &out)
{
    const std::vector<Query> queries = queriesOf(names, queryCount, random);
    QElapsedTimer timer;
    timer.start();
    const NameSuggestions suggestions(names);
    const double building = timer.nsecsElapsed() / 1e6;

    double best = 1e300;
    int found = 0;
    for (int run = 0; run < 3; ++run) {
        found = 0;
        timer.start();
        for (const Query &query : queries)
            found += suggestions.suggest(query.name, query.accepted).isEmpty() ? 0 : 1;
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }

    const int compared = std::min(comparedQueries, queryCount);
    timer.start();
    bool same = true;
    for (int i = 0; i < compared; ++i) {
        const QString expected = comparedWithEveryName(names, queries[size_t(i)]);
        same = same && expected == suggestions.suggest(queries[size_t(i)].name,
                                                       queries[size_t(i)].accepted);
    }
    const double everyName = compared > 0 ? timer.nsecsElapsed() / 1e6 / compared : 0;

    out << pack << ": " << names.size() << " names built in " << building << " ms; "
        << queries.size() << " queries in " << best << " ms (best of 3), "
        << best * 1000 / std::max<size_t>(1, queries.size()) << " us each, " << found
        << " suggestions; every name compared: " << everyName * 1000 << " us a query"
        << (same ? "" : ", DIFFERENT SUGGESTIONS") << "\n";
    out.flush();
    return same;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int nameCount = arguments.size() > 1 ? arguments.at(1).toInt() : 100000;
    const int queryCount = arguments.size() > 2 ? arguments.at(2).toInt() : 3000;
    if (nameCount < 1 || queryCount < 0) {
        QTextStream(stderr) << "usage: bench_suggestions [names] [queries]\n";
        return 2;
    }

    QTextStream out(stdout);
    QRandomGenerator random(20261208);
    bool same = measure("numbered ids", numberedNames(nameCount, random), queryCount, random, out);
    same = measure("names of words", wordNames(nameCount, random), queryCount, random, out) && same;
    return same ? 0 : 1;
}
