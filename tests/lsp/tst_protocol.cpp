// SPDX-License-Identifier: MIT
#include "lsp/jsonrpc.h"
#include "lsp/positions.h"

#include <QJsonDocument>
#include <QTest>

using namespace tavrel;
using namespace tavrel::lsp;

class tst_Protocol : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void positions_data();
    void positions();
};

namespace {

QByteArray framed(const QByteArray &body)
{
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
const QByteArray note = R"({"jsonrpc":"2.0","method":"note","params":{"text":"é"}})";

} // namespace

void tst_Protocol::framing_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    // Each message read, as its method or "error CODE".
    QTest::addColumn<QStringList>("messages");

    const QByteArray both = framed(ping) + framed(note);
    QTest::newRow("two messages in one read")
        << QList<QByteArray>{both} << QStringList{"ping", "note"};
    QTest::newRow("header cut anywhere")
        << QList<QByteArray>{both.left(5), both.mid(5, 14), both.mid(19, 3), both.mid(22)}
        << QStringList{"ping", "note"};
    QTest::newRow("byte by byte, other headers and case") << [] {
        QList<QByteArray> bytes;
        const QByteArray all = "content-type: application/vscode-jsonrpc; "
                               "charset=utf-8\r\nCONTENT-LENGTH:" +
                               QByteArray::number(ping.size()) + "\r\n\r\n" + ping;
        for (const char c : all)
            bytes.append(QByteArray(1, c));
        return bytes;
    }() << QStringList{"ping"};
    QTest::newRow("no length, then a good message")
        << QList<QByteArray>{"Content-Type: x\r\n\r\n" + ping + framed(note)}
        << QStringList{"error -32700", "note"};
    QTest::newRow("a length that is no number")
        << QList<QByteArray>{"Content-Length: ten\r\n\r\n" + ping, framed(note)}
        << QStringList{"error -32700", "note"};
    QTest::newRow("a negative length")
        << QList<QByteArray>{"Content-Length: -3\r\n\r\n" + ping} << QStringList{"error -32700"};
    QTest::newRow("not JSON") << QList<QByteArray>{framed("{\"jsonrpc\":"), framed(ping)}
                              << QStringList{"error -32700", "ping"};
    QTest::newRow("JSON that is no message")
        << QList<QByteArray>{framed("[1,2]"), framed(R"({"jsonrpc":"2.0","id":{}})"),
                             framed(R"({"jsonrpc":"1.0","method":"x"})"),
                             framed(R"({"jsonrpc":"2.0","id":4})")}
        << QStringList{"error -32600", "error -32600", "error -32600", "error -32600"};
    QTest::newRow("a response of the client")
        << QList<QByteArray>{framed(R"({"jsonrpc":"2.0","id":"a","result":null})")}
        << QStringList{"response"};
    QTest::newRow("a body not complete yet")
        << QList<QByteArray>{framed(ping).chopped(1)} << QStringList{};
}

void tst_Protocol::framing()
{
    QFETCH(QList<QByteArray>, chunks);
    MessageReader reader;
    QStringList messages;
    Incoming incoming;
    for (const QByteArray &chunk : chunks) {
        reader.feed(chunk);
        while (reader.next(incoming)) {
            const QString method = incoming.message.value(QLatin1String("method")).toString();
            messages.append(incoming.error != 0 ? QStringLiteral("error %1").arg(incoming.error)
                            : method.isEmpty()  ? QStringLiteral("response")
                                                : method);
        }
    }
    QTEST(messages, "messages");
    // What the server writes reads back as the same message.
    MessageReader again;
    again.feed(frame(QJsonDocument::fromJson(note).object()));
    QVERIFY(again.next(incoming));
    QCOMPARE(incoming.message, QJsonDocument::fromJson(note).object());
}

void tst_Protocol::positions_data()
{
    QTest::addColumn<QString>("text");
    // "line:column" of the core (from 1, characters) and "line:character" of the protocol
    // (from 0, UTF-16).
    QTest::addColumn<QString>("core");
    QTest::addColumn<QString>("protocol");
    // A protocol character between the halves of a wide character on that line, or -1, and
    // the column it reads as.
    QTest::addColumn<int>("inside");
    QTest::addColumn<int>("insideColumn");

    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    QTest::newRow("ASCII") << "a=b\nkey=value"
                           << "2:5"
                           << "1:4" << -1 << 0;
    QTest::newRow("after a wide character")
        << QStringLiteral("x\nNAME=%1%1 i_log\n").arg(emoji) << "2:9"
        << "1:10" << 8 << 7;
    QTest::newRow("before it") << QStringLiteral("NAME=%1").arg(emoji) << "1:6"
                               << "0:5" << 6 << 6;
    QTest::newRow("its own line only") << QStringLiteral("%1\nabc").arg(emoji) << "2:3"
                                       << "1:2" << -1 << 0;
    QTest::newRow("BMP characters count once") << QStringLiteral("é€=x") << "1:4"
                                               << "0:3" << -1 << 0;
    QTest::newRow("CRLF lines") << QStringLiteral("%1\r\n%1a").arg(emoji) << "2:2"
                                << "1:2" << 1 << 1;
}

void tst_Protocol::positions()
{
    QFETCH(QString, text);
    QFETCH(QString, core);
    QFETCH(QString, protocol);
    const WideCharacters wide = WideCharacters::of(text);
    const TextPosition position{core.section(u':', 0, 0).toInt(), core.section(u':', 1).toInt()};
    const QJsonObject expected{{"line", protocol.section(u':', 0, 0).toInt()},
                               {"character", protocol.section(u':', 1).toInt()}};
    QCOMPARE(wide.position(position), expected);
    const TextPosition back = wide.fromProtocol(expected);
    QCOMPARE(back.line, position.line);
    QCOMPARE(back.column, position.column);
    // A place between the two halves of a wide character is the character's.
    QFETCH(int, inside);
    if (inside >= 0) {
        const QJsonObject split{{"line", expected.value("line")}, {"character", inside}};
        QTEST(wide.fromProtocol(split).column, "insideColumn");
    }
}

QTEST_GUILESS_MAIN(tst_Protocol)
#include "tst_protocol.moc"
