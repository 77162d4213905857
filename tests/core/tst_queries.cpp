// SPDX-License-Identifier: MIT
#include "core/language/queries.h"
#include "core/read/scan.h"

#include <QTest>

using namespace tavrel;

namespace {

// A fixture whose "$" marks a place (taken out of the text): the line and column it stands at,
// counted as the core counts them, in characters from 1.
struct Marked
{
    QByteArray text;
    int line = 0;
    int column = 0;
};

Marked marked(const QByteArray &withMark)
{
    Marked result;
    const qsizetype at = withMark.indexOf('$');
    result.text = withMark.left(at) + withMark.mid(at + 1);
    const QString before = QString::fromUtf8(withMark.left(at));
    const qsizetype lineStart = before.lastIndexOf(u'\n') + 1;
    result.line = int(before.count(u'\n')) + 1;
    result.column = characterCount(QStringView(before).mid(lineStart)) + 1;
    return result;
}

// An index of two files: "a.scp" with the marked text and "b.scp".
ScriptIndex indexOf(const QByteArray &a, const QByteArray &b)
{
    ScriptIndex index(true);
    for (const auto &[path, text] : {std::pair{QStringLiteral("a.scp"), a},
                                     std::pair{QStringLiteral("b.scp"), b}})
        index.addFile(path, scanScript(Script::fromBytes(text), ScanDepth::Everything, path).facts);
    index.index();
    return index;
}

QString place(const Location &location)
{
    return QStringLiteral("%1:%2:%3+%4")
        .arg(location.file)
        .arg(location.line)
        .arg(location.column)
        .arg(location.length);
}

} // namespace

// What is at a place, and where a name is used, on texts whose places are marked.
class tst_Queries : public QObject
{
    Q_OBJECT

private slots:
    void nameAt_data();
    void nameAt();
};

void tst_Queries::nameAt_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    // The name at the mark, whether it is defined there, where it stands; then its uses.
    QTest::addColumn<QString>("found");
    QTest::addColumn<QStringList>("uses");

    const QByteArray items = "[ITEMDEF i_board]\nRESOURCES=2 i_log\n[ITEMDEF i_log]\nX=1\n";
    QTest::newRow("a resource entry, on its first character")
        << QByteArray("[ITEMDEF i_chair]\nRESOURCES=4 $i_board, 2 i_log\n") << items
        << "i_board use a.scp:2:13+7" << QStringList{"a.scp:2:13+7"};
    QTest::newRow("just after a name stands for it")
        << QByteArray("[TEMPLATE tm]\nITEM=i_log$\n") << items << "i_log use a.scp:2:6+5"
        << QStringList{"a.scp:2:6+5", "b.scp:2:13+5"};
    QTest::newRow("a header's name")
        << QByteArray("[ITEMDEF i_b$oard2]\nX=1\n") << items << "i_board2 definition a.scp:1:10+8"
        << QStringList();
    QTest::newRow("a DEFNAME in another case")
        << QByteArray("[CHARDEF 044]\nDEFNAME=C_$Man\n[SPAWN s]\nID=c_man\n") << QByteArray()
        << "c_man definition a.scp:2:9+5" << QStringList{"a.scp:4:4+5"};
    QTest::newRow("characters outside the basic plane count once")
        << QByteArray("[CHARDEF c_a]\nTEVENTS=e_\xf0\x9f\x98\x80x, e_$log\n")
        << QByteArray("[EVENTS e_log]\nX=1\n") << "e_log use a.scp:2:15+5"
        << QStringList{"a.scp:2:15+5"};
    QTest::newRow("a number goes by its number")
        << QByteArray("[ITEMDEF i_a]\nID=0$f3f\n[ITEMDEF i_b]\nDUPEITEM=0xF3F\n") << QByteArray()
        << "0f3f use a.scp:2:4+4" << QStringList{"a.scp:2:4+4", "a.scp:4:10+5"};
    QTest::newRow("a word that names nothing read")
        << QByteArray("[ITEMDEF i_a]\nNAME=Ch$air\n") << QByteArray() << "" << QStringList();
}

void tst_Queries::nameAt()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QString, found);
    QFETCH(QStringList, uses);
    const Marked mark = marked(a);
    const ScriptIndex index = indexOf(mark.text, b);
    const std::optional<NameAt> name =
        tavrel::nameAt(index, QStringLiteral("a.scp"), mark.line, mark.column);
    QCOMPARE(name ? QStringLiteral("%1 %2 %3")
                        .arg(name->name,
                             name->definition ? QStringLiteral("definition")
                                              : QStringLiteral("use"),
                             place(name->location))
                  : QString(),
             found);
    QStringList placed;
    if (name) {
        for (const FactRef &ref : usesOf(index, name->name))
            placed.append(place(index.use(ref).location));
    }
    QCOMPARE(placed, uses);
}

QTEST_GUILESS_MAIN(tst_Queries)
#include "tst_queries.moc"
