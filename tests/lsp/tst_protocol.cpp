// SPDX-License-Identifier: MIT
#include "coresupport.h"
#include "lsp/jsonrpc.h"
#include "lsp/positions.h"
#include "lsp/server.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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
    void hostileWorkspace_data();
    void hostileWorkspace();
    void editThenRequests_answeredFromTheEdit();
};

namespace {

QByteArray framed(const QByteArray &body)
{
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
const QByteArray note = R"({"jsonrpc":"2.0","method":"note","params":{"text":"é"}})";

// Makes a workspace's files and gives its folder: the working directory unless it names another.
using MakeWorkspace = QString (*)(const WorkingDirectory &);

QString chairs(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("chairs.scp"), "[ITEMDEF i_chair]\nNAME=Chair\n");
    return dir.path();
}

QString withHugeSparseScript(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("huge.scp"), QByteArray());
    // 100 GiB that take no disk.
    return ::truncate("huge.scp", qint64(100) << 30) == 0 ? chairs(dir) : QString();
}

QString withFifo(const WorkingDirectory &dir)
{
    return ::mkfifo("pipe.scp", 0600) == 0 ? chairs(dir) : QString();
}

QString withLinkToNothing(const WorkingDirectory &dir)
{
    return QFile::link(QStringLiteral("nowhere.scp"), QStringLiteral("gone.scp")) ? chairs(dir)
                                                                                  : QString();
}

// Each level holds two links to the next: 2^12 paths to the one file at the bottom.
QString twoLinksPerLevel(const WorkingDirectory &dir)
{
    for (int level = 0; level < 12; ++level) {
        QDir().mkpath(QStringLiteral("d%1").arg(level));
        for (const char *name : {"a", "b"})
            QFile::link(QStringLiteral("../d%1").arg(level + 1),
                        QStringLiteral("d%1/%2").arg(level).arg(name));
    }
    dir.write(QStringLiteral("d12/chairs.scp"), "[ITEMDEF i_chair]\nNAME=Chair\n");
    return dir.path();
}

// The whole file system, through /proc.
QString root(const WorkingDirectory &)
{
    return QStringLiteral("/");
}

// The editor started in a folder below the one of config.cfg, or of a tables file.
QString belowConfiguration(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("config.cfg"), "[Settings]\nDirs=scripts\nFilter=*.scp\n");
    dir.write(QStringLiteral("scripts/items/chairs.scp"), "[ITEMDEF i_chair]\nNAME=Chair\n");
    QDir().mkpath(QStringLiteral("scripts/spells/deep"));
    return dir.path() + QStringLiteral("/scripts/spells/deep");
}

QString belowTables(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("spheretables.scp"), "[RESOURCES]\n");
    dir.write(QStringLiteral("items/chairs.scp"), "[ITEMDEF i_chair]\nNAME=Chair\n");
    QDir().mkpath(QStringLiteral("spells"));
    return dir.path() + QStringLiteral("/spells");
}

QJsonObject message(int id, const QString &method, const QJsonObject &params)
{
    return id > 0 ? request(id, method, params) : notification(method, params);
}

// What the server writes, as the messages it sends.
Server::Writer collectInto(QList<QJsonObject> &sent)
{
    return [&sent](const QByteArray &bytes) {
        MessageReader reader;
        reader.feed(bytes);
        Incoming incoming;
        while (reader.next(incoming))
            sent.append(incoming.message);
    };
}

} // namespace

Q_DECLARE_METATYPE(MakeWorkspace)

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
    QTest::newRow("the last of thousands on a line")
        << QStringLiteral("x\n") + emoji.repeated(3000) + QStringLiteral("=a") << "2:3002"
        << "1:6001" << 5999 << 3000;
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

void tst_Protocol::hostileWorkspace_data()
{
    QTest::addColumn<MakeWorkspace>("workspace");
    // Whether the test waits for the first analysis before it asks for the symbols.
    QTest::addColumn<bool>("settled");
    // A text a published diagnostic or a message the server showed holds, or none.
    QTest::addColumn<QString>("diagnostic");
    // The symbols named i_chair, or the error the request gets.
    QTest::addColumn<int>("chairs");
    QTest::addColumn<int>("error");

    QTest::newRow("a sparse script of 100 GiB")
        << MakeWorkspace(withHugeSparseScript) << true << "Cannot be read: is larger than 256 MiB"
        << 1 << 0;
    QTest::newRow("a FIFO") << MakeWorkspace(withFifo) << true
                            << "Cannot be read: is not a regular file" << 1 << 0;
    QTest::newRow("a link to nothing") << MakeWorkspace(withLinkToNothing) << true
                                       << "Cannot be read: is a symbolic link to nothing" << 1 << 0;
    QTest::newRow("twelve levels of two links to the next")
        << MakeWorkspace(twoLinksPerLevel) << true << QString() << 1 << 0;
    QTest::newRow("the root, walked until it is too large, and said so")
        << MakeWorkspace(root) << true
        << "/ holds no config.cfg and no tables file (*tables.scp), and more than 5000 folders or "
           "20000 scripts are below it: its scripts are not read."
        << 0 << 0;
    QTest::newRow("a folder below config.cfg: its folder is the workspace")
        << MakeWorkspace(belowConfiguration) << true << QString() << 1 << 0;
    QTest::newRow("a folder below a tables file: its folder is the workspace")
        << MakeWorkspace(belowTables) << true << QString() << 1 << 0;
}

// The server answers, and ends when told, whatever the workspace holds.
void tst_Protocol::hostileWorkspace()
{
    QFETCH(MakeWorkspace, workspace);
    QFETCH(bool, settled);
    const WorkingDirectory dir;
    const QString folder = workspace(dir);
    if (folder.isEmpty())
        QSKIP("this file system cannot hold the workspace's files");

    QList<QJsonObject> sent;
    Server server(collectInto(sent));
    const auto receive = [&server](int id, const QString &method, const QJsonObject &params) {
        Incoming incoming;
        incoming.message = message(id, method, params);
        incoming.id = incoming.message.value(QLatin1String("id"));
        server.receive(incoming);
    };
    receive(1, QStringLiteral("initialize"),
            {{QStringLiteral("rootUri"), uriOf(folder)},
             {QStringLiteral("capabilities"), QJsonObject()}});
    receive(0, QStringLiteral("initialized"), {});
    // Each round waits a moment for a running walk; settled, there is no work left.
    server.idle();
    for (int round = 0; settled && server.hasWork() && round < 100000; ++round)
        server.idle();
    receive(2, QStringLiteral("workspace/symbol"), {{QStringLiteral("query"), "i_chair"}});
    receive(3, QStringLiteral("shutdown"), {});
    receive(0, QStringLiteral("exit"), {});
    QCOMPARE(server.exitCode(), std::optional<int>(0));

    QFETCH(QString, diagnostic);
    QFETCH(int, chairs);
    QFETCH(int, error);
    QStringList diagnostics;
    QJsonValue symbols;
    bool shutDown = false;
    for (const QJsonObject &reply : std::as_const(sent)) {
        const QJsonObject params = reply.value(QLatin1String("params")).toObject();
        for (const QJsonValue &found : params.value(QLatin1String("diagnostics")).toArray())
            diagnostics.append(found.toObject().value(QLatin1String("message")).toString());
        if (reply.value(QLatin1String("method")).toString() == QLatin1String("window/showMessage"))
            diagnostics.append(params.value(QLatin1String("message")).toString());
        if (reply.value(QLatin1String("id")).toInt() == 2)
            symbols = reply;
        shutDown = shutDown || (reply.value(QLatin1String("id")).toInt() == 3 &&
                                reply.contains(QLatin1String("result")));
    }
    QVERIFY(shutDown);
    if (!diagnostic.isEmpty())
        QVERIFY2(diagnostics.join(QLatin1Char('\n')).contains(diagnostic),
                 qPrintable(diagnostics.join(QLatin1Char('\n'))));
    const QJsonObject reply = symbols.toObject();
    QCOMPARE(reply.value(QLatin1String("error")).toObject().value(QLatin1String("code")).toInt(),
             error);
    QCOMPARE(reply.value(QLatin1String("result")).toArray().size(), chairs);
}

// An edit and the requests after it, read at once: each request is answered from the edited
// names before the edit's diagnostics are published, and one cancelled in the same read is
// answered as cancelled.
void tst_Protocol::editThenRequests_answeredFromTheEdit()
{
    const WorkingDirectory dir;
    const QByteArray items = "[ITEMDEF i_log]\nNAME=Log\n[ITEMDEF i_board]\nRESOURCES=2 i_log\n";
    dir.write(QStringLiteral("items.scp"), items);
    QList<QJsonObject> sent;
    Server server(collectInto(sent));
    const auto incoming = [](int id, const QString &method, const QJsonObject &params) {
        Incoming read;
        read.message = message(id, method, params);
        read.id = read.message.value(QLatin1String("id"));
        return read;
    };
    const QString uri = uriOf(dir.path() + QStringLiteral("/items.scp"));
    const QJsonObject document{{QStringLiteral("uri"), uri}};
    server.receive({incoming(1, QStringLiteral("initialize"),
                             {{QStringLiteral("rootUri"), uriOf(dir.path())},
                              {QStringLiteral("capabilities"), QJsonObject()}}),
                    incoming(0, QStringLiteral("initialized"), {})});
    for (int round = 0; server.hasWork() && round < 100000; ++round)
        server.idle();
    server.receive({incoming(0, QStringLiteral("textDocument/didOpen"),
                             {{QStringLiteral("textDocument"),
                               QJsonObject{{QStringLiteral("uri"), uri},
                                           {QStringLiteral("languageId"), "scp"},
                                           {QStringLiteral("version"), 1},
                                           {QStringLiteral("text"), QString::fromUtf8(items)}}}})});
    for (int round = 0; server.hasWork() && round < 100000; ++round)
        server.idle();
    sent.clear();

    // i_log becomes i_logs: the use on line 3 names nothing now.
    const QJsonObject change{
        {QStringLiteral("range"),
         QJsonObject{{QStringLiteral("start"), QJsonObject{{"line", 0}, {"character", 14}}},
                     {QStringLiteral("end"), QJsonObject{{"line", 0}, {"character", 14}}}}},
        {QStringLiteral("text"), "s"}};
    const QJsonObject atUse{
        {QStringLiteral("textDocument"), document},
        {QStringLiteral("position"), QJsonObject{{"line", 3}, {"character", 13}}}};
    const QJsonObject atDefinition{
        {QStringLiteral("textDocument"), document},
        {QStringLiteral("position"), QJsonObject{{"line", 0}, {"character", 11}}}};
    server.receive(
        {incoming(0, QStringLiteral("textDocument/didChange"),
                  {{QStringLiteral("textDocument"),
                    QJsonObject{{QStringLiteral("uri"), uri}, {QStringLiteral("version"), 2}}},
                   {QStringLiteral("contentChanges"), QJsonArray{change}}}),
         incoming(2, QStringLiteral("textDocument/definition"), atUse),
         incoming(3, QStringLiteral("textDocument/definition"), atDefinition),
         incoming(4, QStringLiteral("textDocument/hover"), atDefinition),
         incoming(0, QStringLiteral("$/cancelRequest"), {{QStringLiteral("id"), 4}})});
    for (int round = 0; server.hasWork() && round < 100000; ++round)
        server.idle();

    QStringList order;
    for (const QJsonObject &reply : std::as_const(sent)) {
        const QJsonObject params = reply.value(QLatin1String("params")).toObject();
        if (reply.contains(QLatin1String("id"))) {
            const QJsonValue result = reply.value(QLatin1String("result"));
            const QJsonObject error = reply.value(QLatin1String("error")).toObject();
            order.append(
                QStringLiteral("%1 %2")
                    .arg(reply.value(QLatin1String("id")).toInt())
                    .arg(error.isEmpty()
                             ? QString::number(result.toArray().size())
                             : QString::number(error.value(QLatin1String("code")).toInt())));
        } else if (params.value(QLatin1String("uri")).toString() == uri) {
            QStringList codes;
            for (const QJsonValue &found : params.value(QLatin1String("diagnostics")).toArray())
                codes.append(found.toObject().value(QLatin1String("code")).toString());
            order.append(QStringLiteral("diagnostics ") + codes.join(u','));
        }
    }
    QCOMPARE(order, (QStringList{"2 0", "3 1", "4 -32800", "diagnostics missing-resource"}));
}

QTEST_GUILESS_MAIN(tst_Protocol)
#include "tst_protocol.moc"
