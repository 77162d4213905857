// SPDX-License-Identifier: MIT
// Times tavrel-lsp on a generated pack, as an editor sees it: from initialize to the first
// diagnostics of the workspace, then from a one-file edit (a reference broken, then mended) to
// that file's new diagnostics.
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
    client.waitFor([](const QJsonObject &message) {
        return message.value(QLatin1String("method")) ==
               QLatin1String("textDocument/publishDiagnostics");
    });
    out << "first diagnostics: " << milliseconds(timer) << " ms\n";
    out.flush();

    QDirIterator scripts(pack.path(), {QStringLiteral("*.scp")}, QDir::Files,
                         QDirIterator::Subdirectories);
    const QString path = scripts.next();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(file.readAll());
    const QString uri = uriOf(path);
    client.send(
        notification(QStringLiteral("textDocument/didOpen"),
                     QJsonObject{{QStringLiteral("textDocument"),
                                  QJsonObject{{QStringLiteral("uri"), uri},
                                              {QStringLiteral("languageId"), QStringLiteral("scp")},
                                              {QStringLiteral("version"), 1},
                                              {QStringLiteral("text"), text}}}}));
    // The answer to a request comes once everything before it is analysed.
    client.send(request(2, QStringLiteral("workspace/symbol"),
                        QJsonObject{{QStringLiteral("query"), QStringLiteral("zzzz")}}));
    client.waitFor(
        [](const QJsonObject &message) { return message.value(QLatin1String("id")) == 2; });

    std::vector<double> times;
    for (int edit = 0; edit < edits; ++edit) {
        const QString changed =
            edit % 2 == 0 ? text + QStringLiteral("\n[CHARDEF c_bench]\nITEM=i_nowhere\n") : text;
        timer.restart();
        client.send(notification(
            QStringLiteral("textDocument/didChange"),
            QJsonObject{
                {QStringLiteral("textDocument"),
                 QJsonObject{{QStringLiteral("uri"), uri}, {QStringLiteral("version"), edit + 2}}},
                {QStringLiteral("contentChanges"),
                 QJsonArray{QJsonObject{{QStringLiteral("text"), changed}}}}}));
        client.diagnosticsOf(uri);
        times.push_back(milliseconds(timer));
    }
    std::sort(times.begin(), times.end());
    out << "edit to its diagnostics over " << edits << " edits: median " << times[times.size() / 2]
        << " ms, best " << times.front() << " ms, worst " << times.back() << " ms\n";
    return 0;
}
