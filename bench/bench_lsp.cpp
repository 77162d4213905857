// SPDX-License-Identifier: MIT
// Times tavrel-lsp on a generated pack, as an editor sees it: from initialize to the end of the
// first load; a keystroke (a character of a resource's id changed, breaking or mending it) to
// that file's new diagnostics; a completion, a hover, a definition and a references request
// each sent right after a keystroke; a burst of 100 keystrokes to the diagnostics of the last;
// and the server's resident memory after the first load and after the keystrokes.
//   bench_lsp TAVREL-LSP [items] [edits]
#include "bench/generate_pack.h"
#include "core/load/scriptload.h"
#include "lsp/jsonrpc.h"
#include "lsp/positions.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace tavrel;
using namespace tavrel::lsp;

namespace {

class Client
{
public:
    explicit Client(const QString &program)
    {
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(program, {});
        server.waitForStarted();
    }

    // The server's resident memory, in kB.
    long residentKilobytes() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(server.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLong();
        }
        return 0;
    }
    ~Client()
    {
        send(request(9999, QStringLiteral("shutdown"), QJsonValue()));
        send(notification(QStringLiteral("exit"), QJsonValue()));
        server.closeWriteChannel();
        if (!server.waitForFinished())
            qWarning("no exit: %s", qPrintable(server.errorString()));
    }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    void send(const QJsonObject &message)
    {
        server.write(frame(message));
        server.waitForBytesWritten();
    }

    // Reads messages until one satisfies `wanted`.
    template <class Wanted> QJsonObject waitFor(Wanted wanted)
    {
        for (;;) {
            Incoming incoming;
            while (reader.next(incoming)) {
                if (wanted(incoming.message))
                    return incoming.message;
            }
            if (!server.waitForReadyRead(600000))
                qFatal("tavrel-lsp went quiet");
            reader.feed(server.readAllStandardOutput());
        }
    }

    QJsonObject diagnosticsOf(const QString &uri)
    {
        return waitFor([&uri](const QJsonObject &message) {
            return message.value(QLatin1String("method")) ==
                       QLatin1String("textDocument/publishDiagnostics") &&
                   message.value(QLatin1String("params")).toObject().value(QLatin1String("uri")) ==
                       uri;
        });
    }

private:
    QProcess server;
    MessageReader reader;
};

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2)
        qFatal("usage: bench_lsp TAVREL-LSP [items] [edits]");
    PackOptions options;
    if (arguments.size() > 2)
        options.items = arguments.at(2).toInt();
    const int edits = std::max(2, arguments.size() > 3 ? arguments.at(3).toInt() : 20);

    QTemporaryDir pack;
    const PackSummary summary = generatePack(pack.path(), options);
    const LoadedScripts loaded = loadScripts({pack.path()}, QStringLiteral("*.scp"));
    QTextStream out(stdout);
    out << "pack: " << summary.files << " files, " << summary.itemDefinitions
        << " item definitions, " << loaded.index.definitionCount() << " definitions\n";
    out.flush();

    Client client(arguments.at(1));
    QElapsedTimer timer;
    timer.start();
    client.send(request(1, QStringLiteral("initialize"),
                        QJsonObject{{QStringLiteral("rootUri"), uriOf(pack.path())},
                                    {QStringLiteral("capabilities"), QJsonObject()}}));
    client.send(notification(QStringLiteral("initialized"), QJsonObject()));
    // A request is answered once the first load is done.
    int id = 10;
    const auto ask = [&](const QString &method, const QJsonObject &params) {
        client.send(request(++id, method, params));
        const int asked = id;
        client.waitFor([asked](const QJsonObject &message) {
            return message.value(QLatin1String("id")).toInt() == asked;
        });
    };
    // A request waits a moment for the first load: asked until it finds an item, it tells when
    // the load is done.
    for (QJsonArray found; found.isEmpty();) {
        client.send(
            request(++id, QStringLiteral("workspace/symbol"),
                    QJsonObject{{QStringLiteral("query"), QStringLiteral("i_item_000001")}}));
        const int asked = id;
        found = client
                    .waitFor([asked](const QJsonObject &message) {
                        return message.value(QLatin1String("id")).toInt() == asked;
                    })
                    .value(QLatin1String("result"))
                    .toArray();
    }
    out << "first load to an answer: " << milliseconds(timer) << " ms" << Qt::endl;
    out.flush();
    const long loadedMemory = client.residentKilobytes();

    // The first file with a resource list holds the id each keystroke breaks and mends.
    QDirIterator scripts(pack.path(), {QStringLiteral("*.scp")}, QDir::Files,
                         QDirIterator::Subdirectories);
    QString path;
    QString text;
    int line = -1;
    int character = -1;
    while (scripts.hasNext() && line < 0) {
        path = scripts.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        text = QString::fromUtf8(file.readAll());
        const QStringList lines = text.split(u'\n');
        for (int l = 0; l < lines.size() && line < 0; ++l) {
            const qsizetype at = lines.at(l).indexOf(QLatin1String("i_item_"));
            if (lines.at(l).startsWith(QLatin1String("RESOURCES=")) && at > 0) {
                line = l;
                character = int(at) + 2;
            }
        }
    }
    const QString uri = uriOf(path);
    client.send(
        notification(QStringLiteral("textDocument/didOpen"),
                     QJsonObject{{QStringLiteral("textDocument"),
                                  QJsonObject{{QStringLiteral("uri"), uri},
                                              {QStringLiteral("languageId"), QStringLiteral("scp")},
                                              {QStringLiteral("version"), 1},
                                              {QStringLiteral("text"), text}}}}));
    ask(QStringLiteral("workspace/symbol"),
        QJsonObject{{QStringLiteral("query"), QStringLiteral("zzzz")}});

    int version = 1;
    // A keystroke: the "i" of "i_item_" made an "x" and back, which breaks the id and mends it.
    QString typedLast = QStringLiteral("i");
    const auto type = [&](const QString &typed) {
        typedLast = typed;
        const QJsonObject range{
            {QStringLiteral("start"), QJsonObject{{QStringLiteral("line"), line},
                                                  {QStringLiteral("character"), character - 2}}},
            {QStringLiteral("end"), QJsonObject{{QStringLiteral("line"), line},
                                                {QStringLiteral("character"), character - 1}}}};
        client.send(notification(
            QStringLiteral("textDocument/didChange"),
            QJsonObject{
                {QStringLiteral("textDocument"),
                 QJsonObject{{QStringLiteral("uri"), uri}, {QStringLiteral("version"), ++version}}},
                {QStringLiteral("contentChanges"),
                 QJsonArray{QJsonObject{{QStringLiteral("range"), range},
                                        {QStringLiteral("text"), typed}}}}}));
    };
    const auto keystroke = [&](bool broken) {
        type(broken ? QStringLiteral("x") : QStringLiteral("i"));
    };
    const auto diagnosticsOfVersion = [&](int wanted) {
        client.waitFor([&](const QJsonObject &message) {
            const QJsonObject params = message.value(QLatin1String("params")).toObject();
            return message.value(QLatin1String("method")) ==
                       QLatin1String("textDocument/publishDiagnostics") &&
                   params.value(QLatin1String("uri")).toString() == uri &&
                   params.value(QLatin1String("version")).toInt() == wanted;
        });
    };
    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };

    std::vector<double> times;
    for (int edit = 0; edit < edits; ++edit) {
        timer.restart();
        keystroke(edit % 2 == 0);
        diagnosticsOfVersion(version);
        times.push_back(milliseconds(timer));
    }
    out << "keystroke to its diagnostics over " << edits << " keystrokes: median " << median(times)
        << " ms, best " << *std::min_element(times.begin(), times.end()) << " ms, worst "
        << *std::max_element(times.begin(), times.end()) << " ms" << Qt::endl;

    // Each request right after a keystroke, answered from the index as the keystroke left it.
    const QJsonObject at{
        {QStringLiteral("textDocument"), QJsonObject{{QStringLiteral("uri"), uri}}},
        {QStringLiteral("position"), QJsonObject{{QStringLiteral("line"), line},
                                                 {QStringLiteral("character"), character + 3}}}};
    QJsonObject references = at;
    references.insert(QStringLiteral("context"),
                      QJsonObject{{QStringLiteral("includeDeclaration"), true}});
    const QList<QPair<QString, QJsonObject>> requests{
        {QStringLiteral("textDocument/completion"), at},
        {QStringLiteral("textDocument/hover"), at},
        {QStringLiteral("textDocument/definition"), at},
        {QStringLiteral("textDocument/references"), references}};
    for (const auto &[method, params] : requests) {
        std::vector<double> answered;
        for (int edit = 0; edit < std::max(4, edits / 2); ++edit) {
            keystroke(edit % 2 == 0);
            timer.restart();
            ask(method, params);
            answered.push_back(milliseconds(timer));
        }
        out << method << " after a keystroke: median " << median(answered) << " ms, worst "
            << *std::max_element(answered.begin(), answered.end()) << " ms" << Qt::endl;
    }

    // A burst: 100 keystrokes sent at once, each another letter, the last one's diagnostics
    // awaited.
    if (typedLast != QLatin1String("i")) {
        keystroke(false);
        diagnosticsOfVersion(version);
    }
    timer.restart();
    for (int edit = 0; edit < 100; ++edit)
        type(QChar(u'a' + edit % 26));
    const double sent = milliseconds(timer);
    diagnosticsOfVersion(version);
    out << "100 keystrokes in a burst: sent in " << sent << " ms, the last one's diagnostics "
        << milliseconds(timer) - sent << " ms after it\n";
    const long editedMemory = client.residentKilobytes();
    out << "resident memory: " << loadedMemory << " kB after the first load, " << editedMemory
        << " kB after the keystrokes, x" << double(editedMemory) / std::max(1L, loadedMemory)
        << "\n";
    return 0;
}
