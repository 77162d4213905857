// SPDX-License-Identifier: MIT
#include "lsp/server.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>

#include <poll.h>
#include <unistd.h>

using namespace tavrel::lsp;

namespace {

// Whether a message waits, looking for at most the milliseconds given.
bool inputWaiting(int milliseconds)
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, milliseconds) > 0;
}

void writeAll(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        // The client is gone; its input closing ends the server.
        if (written <= 0)
            return;
        done += written;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-lsp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("tavrel-lsp %s\n", TAVREL_VERSION);
        return 0;
    }
    if (arguments.size() > 1 && arguments.at(1) != QLatin1String("--stdio")) {
        std::fprintf(stderr, "usage: tavrel-lsp [--stdio | --version]\n"
                             "A language server for the scripts, over standard input and "
                             "output.\n");
        return 2;
    }

    Server server(writeAll);
    MessageReader reader;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    while (!server.exitCode()) {
        // Work waits for the messages that came together, so that a burst of edits is read
        // once; while the first load goes on, the messages are looked for now and then.
        if (server.hasWork() && !inputWaiting(server.loading() ? 50 : 0)) {
            server.idle();
            continue;
        }
        const ssize_t count = ::read(STDIN_FILENO, chunk.data(), size_t(chunk.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            server.inputClosed();
            break;
        }
        reader.feed(QByteArrayView(chunk.constData(), count));
        QList<Incoming> messages;
        for (Incoming incoming; reader.next(incoming);)
            messages.append(incoming);
        server.receive(messages);
    }
    return *server.exitCode();
}
