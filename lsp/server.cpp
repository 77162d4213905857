// SPDX-License-Identifier: MIT
#include "lsp/server.h"

#include "lsp/codeactions.h"
#include "lsp/completion.h"
#include "lsp/diagnostics.h"
#include "lsp/navigation.h"
#include "lsp/symbols.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>

namespace tavrel::lsp {

namespace {

enum MessageType
{
    WarningMessage = 2,
};

enum FileChange
{
    Created = 1,
    Changed = 2,
    Deleted = 3
};

QJsonObject objectAt(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toObject();
}

QStringList rootsOf(const QJsonObject &params)
{
    QStringList roots;
    const QJsonValue folders = params.value(QLatin1String("workspaceFolders"));
    for (const QJsonValue &folder : folders.toArray()) {
        const QString path = pathOf(folder.toObject().value(QLatin1String("uri")).toString());
        if (!path.isEmpty())
            roots.append(path);
    }
    if (roots.isEmpty()) {
        const QString root = pathOf(params.value(QLatin1String("rootUri")).toString());
        const QString rootPath = params.value(QLatin1String("rootPath")).toString();
        if (!root.isEmpty())
            roots.append(root);
        else if (!rootPath.isEmpty())
            roots.append(QFileInfo(rootPath).absoluteFilePath());
    }
    return roots;
}

} // namespace

Server::Server(Writer writer) : writer(std::move(writer)) {}

void Server::send(const QJsonObject &message)
{
    writer(frame(message));
}

void Server::receive(const Incoming &incoming)
{
    if (incoming.error != 0) {
        send(errorResponse(incoming.id, incoming.error, incoming.reason));
        return;
    }
    const QJsonObject &message = incoming.message;
    const QJsonValue method = message.value(QLatin1String("method"));
    // A response to a request of the server's needs nothing more.
    if (method.isUndefined())
        return;
    const QJsonValue paramsValue = message.value(QLatin1String("params"));
    if (!paramsValue.isUndefined() && !paramsValue.isNull() && !paramsValue.isObject() &&
        !paramsValue.isArray()) {
        if (!incoming.id.isUndefined())
            send(errorResponse(incoming.id, InvalidParams,
                               QStringLiteral("params is an object or an array")));
        return;
    }
    const QJsonObject params = paramsValue.toObject();
    if (incoming.id.isUndefined())
        handleNotification(method.toString(), params);
    else
        handleRequest(incoming.id, method.toString(), params);
}

void Server::handleRequest(const QJsonValue &id, const QString &method, const QJsonObject &params)
{
    static const QHash<QString, Request> requests = {
        {QStringLiteral("initialize"), &Server::initialize},
        {QStringLiteral("shutdown"), &Server::shutdown},
        {QStringLiteral("textDocument/definition"), &Server::definition},
        {QStringLiteral("textDocument/references"), &Server::references},
        {QStringLiteral("textDocument/hover"), &Server::hover},
        {QStringLiteral("textDocument/completion"), &Server::completion},
        {QStringLiteral("textDocument/documentSymbol"), &Server::documentSymbol},
        {QStringLiteral("textDocument/codeAction"), &Server::codeAction},
        {QStringLiteral("workspace/symbol"), &Server::workspaceSymbol},
    };
    const bool initializing = method == QLatin1String("initialize");
    if (state == State::Starting && !initializing) {
        send(errorResponse(id, ServerNotInitialized, QStringLiteral("initialize comes first")));
        return;
    }
    if (state != State::Starting && initializing) {
        send(errorResponse(id, InvalidRequest, QStringLiteral("initialized already")));
        return;
    }
    if (state == State::ShutDown) {
        send(errorResponse(id, InvalidRequest, QStringLiteral("the server is shut down")));
        return;
    }
    const Request handler = requests.value(method);
    if (!handler) {
        send(errorResponse(id, MethodNotFound, QStringLiteral("no method ") + method));
        return;
    }
    if (!initializing && method != QLatin1String("shutdown")) {
        settle();
        // The walk of a usual workspace ends in moments, and the request is answered from its
        // scripts; an endless one is not waited for.
        if (!workspace.analysed()) {
            workspace.awaitListing(std::chrono::milliseconds(500));
            settle();
        }
        if (!workspace.analysed()) {
            send(errorResponse(id, RequestFailed,
                               QStringLiteral("the workspace's scripts are still being listed")));
            return;
        }
    }
    const Reply reply = (this->*handler)(params);
    send(reply.error != 0 ? errorResponse(id, reply.error, reply.message)
                          : response(id, reply.result));
}

void Server::handleNotification(const QString &method, const QJsonObject &params)
{
    static const QHash<QString, Notification> notifications = {
        {QStringLiteral("initialized"), &Server::initialized},
        {QStringLiteral("exit"), &Server::exitNotified},
        {QStringLiteral("textDocument/didOpen"), &Server::didOpen},
        {QStringLiteral("textDocument/didChange"), &Server::didChange},
        {QStringLiteral("textDocument/didSave"), &Server::didSave},
        {QStringLiteral("textDocument/didClose"), &Server::didClose},
        {QStringLiteral("workspace/didChangeWatchedFiles"), &Server::didChangeWatchedFiles},
        {QStringLiteral("workspace/didChangeWorkspaceFolders"), &Server::didChangeWorkspaceFolders},
    };
    // Before initialize only exit is heard; other notifications nobody knows are let go, as
    // the protocol has them.
    if (state == State::Starting && method != QLatin1String("exit"))
        return;
    if (const Notification handler = notifications.value(method))
        (this->*handler)(params);
}

bool Server::hasWork() const
{
    return state == State::Running && workspace.stale();
}

void Server::idle()
{
    settle();
    // While the directories are walked, a message that comes is read within this time.
    workspace.awaitListing(std::chrono::milliseconds(50));
    workspace.retire();
}

void Server::inputClosed()
{
    if (!exit)
        exit = state == State::ShutDown ? 0 : 1;
}

void Server::settle()
{
    if (state == State::Running && workspace.settle())
        publish();
}

void Server::publish()
{
    const QHash<QString, QJsonArray> current = diagnostics(workspace);
    QSet<QString> paths(current.keyBegin(), current.keyEnd());
    for (auto file = published.cbegin(); file != published.cend(); ++file)
        paths.insert(file.key());
    for (const QString &path : std::as_const(paths)) {
        const QJsonArray list = current.value(path);
        if (list == published.value(path))
            continue;
        QJsonObject params{{QStringLiteral("uri"), uriOf(path)},
                           {QStringLiteral("diagnostics"), list}};
        const auto version = versions.constFind(path);
        if (version != versions.cend())
            params.insert(QStringLiteral("version"), *version);
        send(notification(QStringLiteral("textDocument/publishDiagnostics"), params));
    }
    published.clear();
    for (auto file = current.cbegin(); file != current.cend(); ++file) {
        if (!file->isEmpty())
            published.insert(file.key(), *file);
    }
}

void Server::showMessage(int type, const QString &text)
{
    send(notification(
        QStringLiteral("window/showMessage"),
        QJsonObject{{QStringLiteral("type"), type}, {QStringLiteral("message"), text}}));
}

void Server::configure(const QStringList &roots)
{
    workspace.configure(readSettings(roots));
}

Server::Reply Server::initialize(const QJsonObject &params)
{
    const QJsonObject capabilities = objectAt(params, "capabilities");
    hierarchicalSymbols = objectAt(objectAt(capabilities, "textDocument"), "documentSymbol")
                              .value(QLatin1String("hierarchicalDocumentSymbolSupport"))
                              .toBool();
    watchesFiles = objectAt(objectAt(capabilities, "workspace"), "didChangeWatchedFiles")
                       .value(QLatin1String("dynamicRegistration"))
                       .toBool();
    configure(rootsOf(params));
    state = State::Running;

    const QJsonObject sync{{QStringLiteral("openClose"), true},
                           {QStringLiteral("change"), 1},
                           {QStringLiteral("save"), true}};
    const QJsonObject folders{{QStringLiteral("supported"), true},
                              {QStringLiteral("changeNotifications"), true}};
    const QJsonObject serverCapabilities{
        {QStringLiteral("positionEncoding"), QStringLiteral("utf-16")},
        {QStringLiteral("textDocumentSync"), sync},
        {QStringLiteral("definitionProvider"), true},
        {QStringLiteral("referencesProvider"), true},
        {QStringLiteral("hoverProvider"), true},
        {QStringLiteral("completionProvider"),
         QJsonObject{{QStringLiteral("triggerCharacters"),
                      QJsonArray{QStringLiteral("="), QStringLiteral(","), QStringLiteral(" ")}}}},
        {QStringLiteral("documentSymbolProvider"), true},
        {QStringLiteral("workspaceSymbolProvider"), true},
        {QStringLiteral("codeActionProvider"),
         QJsonObject{{QStringLiteral("codeActionKinds"), QJsonArray{QStringLiteral("quickfix")}}}},
        {QStringLiteral("workspace"), QJsonObject{{QStringLiteral("workspaceFolders"), folders}}}};
    return Reply{
        QJsonObject{{QStringLiteral("capabilities"), serverCapabilities},
                    {QStringLiteral("serverInfo"),
                     QJsonObject{{QStringLiteral("name"), QStringLiteral("tavrel-lsp")},
                                 {QStringLiteral("version"), QStringLiteral(TAVREL_VERSION)}}}},
        0, QString()};
}

Server::Reply Server::shutdown(const QJsonObject &)
{
    state = State::ShutDown;
    return Reply{QJsonValue(), 0, QString()};
}

void Server::initialized(const QJsonObject &)
{
    for (const QString &problem : workspace.settings().problems)
        showMessage(WarningMessage, problem);
    if (!watchesFiles)
        return;
    QJsonArray watchers{
        QJsonObject{{QStringLiteral("globPattern"), QStringLiteral("**/config.cfg")}}};
    QSet<QString> patterns;
    for (const ScriptDirectory &directory : workspace.settings().directories) {
        for (const QString &pattern : directory.filter.split(u',', Qt::SkipEmptyParts))
            patterns.insert(pattern.trimmed());
    }
    for (const QString &pattern : std::as_const(patterns))
        watchers.append(
            QJsonObject{{QStringLiteral("globPattern"), QStringLiteral("**/") + pattern}});
    const QJsonObject registration{
        {QStringLiteral("id"), QStringLiteral("tavrel-scripts")},
        {QStringLiteral("method"), QStringLiteral("workspace/didChangeWatchedFiles")},
        {QStringLiteral("registerOptions"), QJsonObject{{QStringLiteral("watchers"), watchers}}}};
    send(request(QStringLiteral("tavrel-%1").arg(++requests),
                 QStringLiteral("client/registerCapability"),
                 QJsonObject{{QStringLiteral("registrations"), QJsonArray{registration}}}));
}

void Server::exitNotified(const QJsonObject &)
{
    exit = state == State::ShutDown ? 0 : 1;
}

void Server::didOpen(const QJsonObject &params)
{
    const QJsonObject document = objectAt(params, "textDocument");
    const QString path = pathOf(document.value(QLatin1String("uri")).toString());
    if (path.isEmpty())
        return;
    // A file created since the directories were listed may be opened before the client says
    // it was created.
    if (!workspace.contains(path))
        workspace.listChanged();
    versions.insert(path, document.value(QLatin1String("version")).toInt());
    workspace.setText(path, document.value(QLatin1String("text")).toString());
}

void Server::didChange(const QJsonObject &params)
{
    const QJsonObject document = objectAt(params, "textDocument");
    const QString path = pathOf(document.value(QLatin1String("uri")).toString());
    const QJsonArray changes = params.value(QLatin1String("contentChanges")).toArray();
    if (!workspace.isOpen(path) || changes.isEmpty())
        return;
    versions.insert(path, document.value(QLatin1String("version")).toInt());
    // The server asks for whole texts, so the last change is the text.
    workspace.setText(path, changes.last().toObject().value(QLatin1String("text")).toString());
}

void Server::didSave(const QJsonObject &params)
{
    workspace.saved(
        pathOf(objectAt(params, "textDocument").value(QLatin1String("uri")).toString()));
}

void Server::didClose(const QJsonObject &params)
{
    const QString path =
        pathOf(objectAt(params, "textDocument").value(QLatin1String("uri")).toString());
    versions.remove(path);
    workspace.close(path);
}

void Server::didChangeWatchedFiles(const QJsonObject &params)
{
    bool reconfigure = false;
    for (const QJsonValue &change : params.value(QLatin1String("changes")).toArray()) {
        const QJsonObject object = change.toObject();
        const QString path = pathOf(object.value(QLatin1String("uri")).toString());
        const int type = object.value(QLatin1String("type")).toInt();
        if (QFileInfo(path).fileName() == QLatin1String("config.cfg") &&
            workspace.settings().roots.contains(QFileInfo(path).path()))
            reconfigure = true;
        else if (type == Changed)
            workspace.changedOnDisk(path);
        else if (type == Created || type == Deleted)
            workspace.listChanged();
    }
    if (reconfigure)
        configure(workspace.settings().roots);
}

void Server::didChangeWorkspaceFolders(const QJsonObject &params)
{
    const QJsonObject event = objectAt(params, "event");
    QStringList roots = workspace.settings().roots;
    for (const QJsonValue &folder : event.value(QLatin1String("removed")).toArray())
        roots.removeAll(pathOf(folder.toObject().value(QLatin1String("uri")).toString()));
    for (const QJsonValue &folder : event.value(QLatin1String("added")).toArray()) {
        const QString path = pathOf(folder.toObject().value(QLatin1String("uri")).toString());
        if (!path.isEmpty() && !roots.contains(path))
            roots.append(path);
    }
    configure(roots);
}

std::optional<QString> Server::documentOf(const QJsonObject &params, Reply &failure) const
{
    const QString uri = objectAt(params, "textDocument").value(QLatin1String("uri")).toString();
    const QString path = pathOf(uri);
    if (!path.isEmpty() && workspace.contains(path))
        return path;
    failure = Reply{QJsonValue(), InvalidParams,
                    QStringLiteral("%1 is not a script file of the workspace").arg(uri)};
    return std::nullopt;
}

std::optional<NameAt> Server::nameAtPosition(const QJsonObject &params, Reply &failure)
{
    const std::optional<QString> path = documentOf(params, failure);
    if (!path)
        return std::nullopt;
    return nameAt(workspace.analysis(), *path, positionIn(*path, params));
}

TextPosition Server::positionIn(const QString &path, const QJsonObject &params) const
{
    return workspace.wide(path).fromProtocol(objectAt(params, "position"));
}

Server::Reply Server::definition(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<NameAt> name = nameAtPosition(params, reply))
        reply.result = definitionsOf(workspace, *name);
    return reply;
}

Server::Reply Server::references(const QJsonObject &params)
{
    Reply reply;
    const bool withDefinitions =
        objectAt(params, "context").value(QLatin1String("includeDeclaration")).toBool();
    if (const std::optional<NameAt> name = nameAtPosition(params, reply))
        reply.result = referencesTo(workspace, *name, withDefinitions);
    return reply;
}

Server::Reply Server::hover(const QJsonObject &params)
{
    Reply reply;
    const std::optional<QString> path = documentOf(params, reply);
    if (!path)
        return reply;
    if (const std::optional<NameAt> name =
            nameAt(workspace.analysis(), *path, positionIn(*path, params))) {
        reply.result = QJsonObject{
            {QStringLiteral("contents"),
             QJsonObject{{QStringLiteral("kind"), QStringLiteral("markdown")},
                         {QStringLiteral("value"), hoverText(workspace, *name)}}},
            {QStringLiteral("range"), workspace.wide(*path).range(name->position, name->length)}};
    }
    return reply;
}

Server::Reply Server::completion(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        reply.result = lsp::completion(workspace, *path, positionIn(*path, params));
    }
    return reply;
}

Server::Reply Server::documentSymbol(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply))
        reply.result = documentSymbols(workspace, *path, hierarchicalSymbols);
    return reply;
}

Server::Reply Server::workspaceSymbol(const QJsonObject &params)
{
    return Reply{workspaceSymbols(workspace, params.value(QLatin1String("query")).toString()), 0,
                 QString()};
}

Server::Reply Server::codeAction(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        reply.result =
            codeActions(workspace, *path, objectAt(params, "range"),
                        objectAt(params, "context").value(QLatin1String("diagnostics")).toArray());
    }
    return reply;
}

} // namespace tavrel::lsp
