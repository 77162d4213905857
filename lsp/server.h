// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_SERVER_H
#define TAVREL_LSP_SERVER_H

#include "lsp/jsonrpc.h"
#include "lsp/workspace.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace tavrel::lsp {

// The language server: the protocol's life cycle and methods over a workspace. Messages are
// handled in the order they come, those that came together at once: a request they cancel is
// answered as cancelled, and the edits among them are read once. A request is answered from
// the workspace as it stands after the edits before it, which only reads those documents again.
class Server
{
public:
    using Writer = std::function<void(const QByteArray &)>;
    explicit Server(Writer writer);

    void receive(const Incoming &incoming);
    // Messages that came together.
    void receive(const QList<Incoming> &incoming);
    // Whether `idle` has anything to do, and whether it waits for the first load.
    bool hasWork() const;
    bool loading() const { return workspace.loading(); }
    // Analyses what changed and publishes the diagnostics that did, then frees the analysis
    // before.
    void idle();
    void inputClosed();
    // Once the server should end, its exit status.
    std::optional<int> exitCode() const { return exit; }

private:
    // A request's result, or its error.
    struct Reply
    {
        QJsonValue result;
        int error = 0;
        QString message;
    };
    using Request = Reply (Server::*)(const QJsonObject &params);
    using Notification = void (Server::*)(const QJsonObject &params);

    void send(const QJsonObject &message);
    void handleRequest(const QJsonValue &id, const QString &method, const QJsonObject &params);
    void handleNotification(const QString &method, const QJsonObject &params);
    void settle(bool checks = true);
    void publish();
    void showMessage(int type, const QString &text);

    Reply initialize(const QJsonObject &params);
    Reply shutdown(const QJsonObject &params);
    Reply definition(const QJsonObject &params);
    Reply references(const QJsonObject &params);
    Reply hover(const QJsonObject &params);
    Reply completion(const QJsonObject &params);
    Reply documentSymbol(const QJsonObject &params);
    Reply workspaceSymbol(const QJsonObject &params);
    Reply codeAction(const QJsonObject &params);
    Reply semanticTokensFull(const QJsonObject &params);
    Reply semanticTokensRange(const QJsonObject &params);
    Reply foldingRange(const QJsonObject &params);
    Reply documentHighlight(const QJsonObject &params);
    Reply documentLink(const QJsonObject &params);
    Reply prepareRename(const QJsonObject &params);
    Reply rename(const QJsonObject &params);

    void initialized(const QJsonObject &params);
    void exitNotified(const QJsonObject &params);
    void didOpen(const QJsonObject &params);
    void didChange(const QJsonObject &params);
    void didSave(const QJsonObject &params);
    void didClose(const QJsonObject &params);
    void didChangeWatchedFiles(const QJsonObject &params);
    void didChangeWorkspaceFolders(const QJsonObject &params);

    // The workspace file a request is about, or why there is none.
    std::optional<QString> documentOf(const QJsonObject &params, Reply &failure) const;
    TextPosition positionIn(const QString &path, const QJsonObject &params) const;
    void configure(const QStringList &roots);
    void showProblems();
    void reportProgress();

    Writer writer;
    // The folders the editor gave, or the one of the first script it opened.
    QStringList folders;
    Workspace workspace;
    enum class State
    {
        Starting,
        Running,
        ShutDown
    } state = State::Starting;
    std::optional<int> exit;
    bool hierarchicalSymbols = false;
    bool preparesRename = false;
    bool refreshesTokens = false;
    bool watchesFiles = false;
    bool showsProgress = false;
    // The first load's progress report: not begun, going on, ended.
    enum class Progress
    {
        None,
        Begun,
        Ended
    } progress = Progress::None;
    int reportedFiles = -1;
    int requests = 0;
    QSet<QString> published;
    QHash<QString, int> versions;
    QSet<QJsonValue> cancelled;
};

} // namespace tavrel::lsp

#endif
