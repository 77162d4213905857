// SPDX-License-Identifier: MIT
#include "lsp/server.h"

#include "lsp/features.h"
#include "lsp/protocol.h"

#include "core/read/discovery.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>

#include <limits>

namespace tavrel::lsp {

namespace {

enum MessageType
{
    WarningMessage = 2,
};

// The protocol's code of a request the client cancelled.
constexpr int requestCancelled = -32800;
// How long a request waits for the first load of the workspace, which a usual one is done in;
// a larger one answers from what it has read so far.
constexpr int firstLoadWait = 1500;
const QString progressToken = QStringLiteral("tavrel-load");

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

void Server::receive(const QList<Incoming> &incoming)
{
    // A request cancelled by a message that came with it is answered as such.
    for (const Incoming &message : incoming) {
        if (message.error == 0 && message.message.value(QLatin1String("method")).toString() ==
                                      QLatin1String("$/cancelRequest"))
            cancelled.insert(message.message.value(QLatin1String("params"))
                                 .toObject()
                                 .value(QLatin1String("id")));
    }
    for (const Incoming &message : incoming) {
        if (exit)
            return;
        receive(message);
    }
    cancelled.clear();
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
        {QStringLiteral("textDocument/semanticTokens/full"), &Server::semanticTokensFull},
        {QStringLiteral("textDocument/semanticTokens/range"), &Server::semanticTokensRange},
        {QStringLiteral("textDocument/foldingRange"), &Server::foldingRange},
        {QStringLiteral("textDocument/documentHighlight"), &Server::documentHighlight},
        {QStringLiteral("textDocument/documentLink"), &Server::documentLink},
        {QStringLiteral("textDocument/prepareRename"), &Server::prepareRename},
        {QStringLiteral("textDocument/rename"), &Server::rename},
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
    if (cancelled.contains(id)) {
        send(errorResponse(id, requestCancelled, QStringLiteral("cancelled")));
        return;
    }
    if (!initializing && method != QLatin1String("shutdown")) {
        workspace.waitForLoad(firstLoadWait);
        // Only code actions read the findings; the rest is answered from the index, and the
        // checks of an edit run once the answer is sent.
        settle(method == QLatin1String("textDocument/codeAction"));
    }
    // A script outside the workspace's list is answered from its own names and the workspace's.
    const Workspace::Visit visit = workspace.visit(
        documentPath(objectAt(params, "textDocument").value(QLatin1String("uri")).toString()));
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
    reportProgress();
}

// The first load is reported as it goes, where the client shows work done.
void Server::reportProgress()
{
    if (!showsProgress || progress == Progress::Ended)
        return;
    const auto notify = [this](const QJsonObject &value) {
        send(notification(QStringLiteral("$/progress"),
                          QJsonObject{{QStringLiteral("token"), progressToken},
                                      {QStringLiteral("value"), value}}));
    };
    if (progress == Progress::None) {
        progress = Progress::Begun;
        notify(QJsonObject{{QStringLiteral("kind"), QStringLiteral("begin")},
                           {QStringLiteral("title"), QStringLiteral("Reading the scripts")},
                           {QStringLiteral("percentage"), 0}});
    }
    if (!workspace.loading() && !workspace.stale()) {
        progress = Progress::Ended;
        notify(QJsonObject{{QStringLiteral("kind"), QStringLiteral("end")},
                           {QStringLiteral("message"),
                            QStringLiteral("%1 files read").arg(workspace.paths().size())}});
        return;
    }
    const int read = workspace.loadedFiles();
    const int listed = workspace.listedFiles();
    if (read == reportedFiles || listed == 0)
        return;
    reportedFiles = read;
    notify(QJsonObject{
        {QStringLiteral("kind"), QStringLiteral("report")},
        {QStringLiteral("message"), QStringLiteral("%1 of %2 files").arg(read).arg(listed)},
        {QStringLiteral("percentage"), 100 * read / listed}});
}

void Server::inputClosed()
{
    if (!exit)
        exit = state == State::ShutDown ? 0 : 1;
}

void Server::settle(bool checks)
{
    if (state != State::Running)
        return;
    const bool loading = workspace.loading();
    if (workspace.settle(checks))
        publish();
    // Colours asked for while the scripts were read are asked for again, now that names resolve.
    if (loading && !workspace.loading() && refreshesTokens)
        send(request(QStringLiteral("tavrel-%1").arg(++requests),
                     QStringLiteral("workspace/semanticTokens/refresh"), QJsonValue()));
    for (const QString &notice : workspace.takeNotices())
        showMessage(WarningMessage, notice);
}

// The diagnostics of every file whose findings changed; a file that had some and has none now
// is given an empty list.
void Server::publish()
{
    const Protocol protocol(workspace);
    for (const QString &path : workspace.takeChangedPaths()) {
        const QList<Finding> findings = workspace.findingsIn(path);
        if (findings.isEmpty() && !published.contains(path))
            continue;
        if (findings.isEmpty())
            published.remove(path);
        else
            published.insert(path);
        QJsonObject params{{QStringLiteral("uri"), uriOf(path)},
                           {QStringLiteral("diagnostics"), protocol.diagnostics(path, findings)}};
        const auto version = versions.constFind(path);
        if (version != versions.cend())
            params.insert(QStringLiteral("version"), *version);
        send(notification(QStringLiteral("textDocument/publishDiagnostics"), params));
    }
}

void Server::showMessage(int type, const QString &text)
{
    send(notification(
        QStringLiteral("window/showMessage"),
        QJsonObject{{QStringLiteral("type"), type}, {QStringLiteral("message"), text}}));
}

// The folders are the editor's; the workspace's roots are found from them.
void Server::configure(const QStringList &roots)
{
    folders = roots;
    workspace.configure(readSettings(roots));
}

// What is amiss in the configuration is said each time it is read, as the user edits it.
void Server::showProblems()
{
    for (const QString &problem : workspace.settings().problems)
        showMessage(WarningMessage, problem);
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
    showsProgress =
        objectAt(capabilities, "window").value(QLatin1String("workDoneProgress")).toBool();
    refreshesTokens = objectAt(objectAt(capabilities, "workspace"), "semanticTokens")
                          .value(QLatin1String("refreshSupport"))
                          .toBool();
    preparesRename = objectAt(objectAt(capabilities, "textDocument"), "rename")
                         .value(QLatin1String("prepareSupport"))
                         .toBool();
    configure(rootsOf(params));
    state = State::Running;

    // Edits come as ranges of the document changed.
    const QJsonObject sync{{QStringLiteral("openClose"), true},
                           {QStringLiteral("change"), 2},
                           {QStringLiteral("save"), true}};
    const QJsonObject folderSupport{{QStringLiteral("supported"), true},
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
        {QStringLiteral("semanticTokensProvider"),
         QJsonObject{{QStringLiteral("legend"),
                      QJsonObject{{QStringLiteral("tokenTypes"),
                                   QJsonArray::fromStringList(semanticTokenTypes())},
                                  {QStringLiteral("tokenModifiers"),
                                   QJsonArray::fromStringList(semanticTokenModifiers())}}},
                     {QStringLiteral("full"), true},
                     {QStringLiteral("range"), true}}},
        {QStringLiteral("foldingRangeProvider"), true},
        {QStringLiteral("documentHighlightProvider"), true},
        {QStringLiteral("documentLinkProvider"),
         QJsonObject{{QStringLiteral("resolveProvider"), false}}},
        // A client that cannot ask first is told why a rename is refused when it asks for one.
        {QStringLiteral("renameProvider"),
         preparesRename ? QJsonValue(QJsonObject{{QStringLiteral("prepareProvider"), true}})
                        : QJsonValue(true)},
        {QStringLiteral("workspace"),
         QJsonObject{{QStringLiteral("workspaceFolders"), folderSupport}}}};
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
    showProblems();
    if (showsProgress)
        send(request(QStringLiteral("tavrel-%1").arg(++requests),
                     QStringLiteral("window/workDoneProgress/create"),
                     QJsonObject{{QStringLiteral("token"), progressToken}}));
    if (!watchesFiles)
        return;
    QJsonArray watchers{
        QJsonObject{{QStringLiteral("globPattern"), QStringLiteral("**/config.cfg")}}};
    // The files are watched by the patterns discovery matches them with; an empty one matches
    // no file.
    QSet<QString> patterns;
    for (const ScriptDirectory &directory : workspace.settings().directories) {
        for (const QString &pattern : filterPatterns(directory.filter)) {
            if (!pattern.isEmpty())
                patterns.insert(pattern);
        }
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
    const QString path = documentPath(document.value(QLatin1String("uri")).toString());
    if (path.isEmpty())
        return;
    // An editor that gives no folder has the workspace found from the first script it opens.
    if (folders.isEmpty() && QDir::isAbsolutePath(path)) {
        configure({QFileInfo(path).absolutePath()});
        showProblems();
    }
    versions.insert(path, document.value(QLatin1String("version")).toInt());
    workspace.open(path, document.value(QLatin1String("text")).toString());
}

void Server::didChange(const QJsonObject &params)
{
    const QJsonObject document = objectAt(params, "textDocument");
    const QString path = documentPath(document.value(QLatin1String("uri")).toString());
    const QJsonArray changes = params.value(QLatin1String("contentChanges")).toArray();
    if (!workspace.isOpen(path) || changes.isEmpty())
        return;
    versions.insert(path, document.value(QLatin1String("version")).toInt());
    QList<Workspace::Edit> edits;
    for (const QJsonValue &change : changes) {
        const QJsonObject object = change.toObject();
        Workspace::Edit edit;
        edit.text = object.value(QLatin1String("text")).toString();
        const QJsonValue range = object.value(QLatin1String("range"));
        if (range.isObject()) {
            const QJsonObject start = objectAt(range.toObject(), "start");
            const QJsonObject end = objectAt(range.toObject(), "end");
            edit.whole = false;
            edit.startLine = start.value(QLatin1String("line")).toInt();
            edit.startCharacter = start.value(QLatin1String("character")).toInt();
            edit.endLine = end.value(QLatin1String("line")).toInt();
            edit.endCharacter = end.value(QLatin1String("character")).toInt();
        }
        edits.append(edit);
    }
    workspace.edit(path, edits);
}

void Server::didSave(const QJsonObject &params)
{
    workspace.saved(
        documentPath(objectAt(params, "textDocument").value(QLatin1String("uri")).toString()));
}

void Server::didClose(const QJsonObject &params)
{
    const QString path =
        documentPath(objectAt(params, "textDocument").value(QLatin1String("uri")).toString());
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
    if (reconfigure) {
        configure(folders);
        showProblems();
    }
}

void Server::didChangeWorkspaceFolders(const QJsonObject &params)
{
    const QJsonObject event = objectAt(params, "event");
    QStringList roots = folders;
    for (const QJsonValue &folder : event.value(QLatin1String("removed")).toArray())
        roots.removeAll(pathOf(folder.toObject().value(QLatin1String("uri")).toString()));
    for (const QJsonValue &folder : event.value(QLatin1String("added")).toArray()) {
        const QString path = pathOf(folder.toObject().value(QLatin1String("uri")).toString());
        if (!path.isEmpty() && !roots.contains(path))
            roots.append(path);
    }
    configure(roots);
    showProblems();
}

// Any document the editor asks about is answered, from what the workspace knows of it and its
// own names, never with an error.
std::optional<QString> Server::documentOf(const QJsonObject &params, Reply &failure) const
{
    const QString uri = objectAt(params, "textDocument").value(QLatin1String("uri")).toString();
    const QString path = documentPath(uri);
    if (!path.isEmpty())
        return path;
    failure = Reply{QJsonValue(), InvalidParams, QStringLiteral("%1 is not a file").arg(uri)};
    return std::nullopt;
}

TextPosition Server::positionIn(const QString &path, const QJsonObject &params) const
{
    return workspace.wide(path).fromProtocol(objectAt(params, "position"));
}

Server::Reply Server::definition(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        reply.result = Protocol(workspace).locations(
            definitionsAt(workspace, *path, place.line, place.column));
    }
    return reply;
}

Server::Reply Server::references(const QJsonObject &params)
{
    Reply reply;
    const bool withDefinitions =
        objectAt(params, "context").value(QLatin1String("includeDeclaration")).toBool();
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        reply.result = Protocol(workspace).locations(
            referencesAt(workspace, *path, place.line, place.column, withDefinitions));
    }
    return reply;
}

Server::Reply Server::hover(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        if (const std::optional<Hover> found = hoverAt(workspace, *path, place.line, place.column))
            reply.result = Protocol(workspace).hover(*found);
    }
    return reply;
}

Server::Reply Server::completion(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        reply.result = Protocol(workspace).completion(
            completionAt(workspace, *path, place.line, place.column));
    }
    return reply;
}

Server::Reply Server::documentSymbol(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply))
        reply.result = Protocol(workspace).documentSymbols(*path, documentSymbols(workspace, *path),
                                                           hierarchicalSymbols);
    return reply;
}

Server::Reply Server::workspaceSymbol(const QJsonObject &params)
{
    return Reply{Protocol(workspace).workspaceSymbols(
                     workspaceSymbols(workspace, params.value(QLatin1String("query")).toString())),
                 0, QString()};
}

Server::Reply Server::codeAction(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const QJsonObject range = objectAt(params, "range");
        const int first = objectAt(range, "start").value(QLatin1String("line")).toInt(-1) + 1;
        const int last = objectAt(range, "end").value(QLatin1String("line")).toInt(-1) + 1;
        reply.result = Protocol(workspace).codeActions(
            *path, codeActions(workspace, *path, first, last),
            objectAt(params, "context").value(QLatin1String("diagnostics")).toArray());
    }
    return reply;
}

Server::Reply Server::semanticTokensFull(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply))
        reply.result = Protocol(workspace).semanticTokens(
            semanticTokens(workspace, *path, 1, std::numeric_limits<int>::max()));
    return reply;
}

Server::Reply Server::semanticTokensRange(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const QJsonObject range = objectAt(params, "range");
        const int first = objectAt(range, "start").value(QLatin1String("line")).toInt() + 1;
        const int last = objectAt(range, "end").value(QLatin1String("line")).toInt() + 1;
        reply.result =
            Protocol(workspace).semanticTokens(semanticTokens(workspace, *path, first, last));
    }
    return reply;
}

Server::Reply Server::foldingRange(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply))
        reply.result = Protocol(workspace).foldingRanges(foldingRanges(workspace, *path));
    return reply;
}

Server::Reply Server::documentHighlight(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        reply.result = Protocol(workspace).highlights(
            highlightsAt(workspace, *path, place.line, place.column));
    }
    return reply;
}

Server::Reply Server::documentLink(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply))
        reply.result = Protocol(workspace).documentLinks(documentLinks(workspace, *path));
    return reply;
}

// Asked as the user starts a rename: where no name stands there is nothing to rename, and a
// name that cannot be renamed is said so then.
Server::Reply Server::prepareRename(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        const std::optional<Rename> found = renameAt(workspace, *path, place.line, place.column);
        if (found && !found->refusal.isEmpty())
            return Reply{QJsonValue(), RequestFailed, found->refusal};
        if (found)
            reply.result = Protocol(workspace).renamed(*found);
    }
    return reply;
}

Server::Reply Server::rename(const QJsonObject &params)
{
    Reply reply;
    if (const std::optional<QString> path = documentOf(params, reply)) {
        const TextPosition place = positionIn(*path, params);
        const QString newName = params.value(QLatin1String("newName")).toString();
        if (newName.isEmpty())
            return Reply{QJsonValue(), InvalidParams, QStringLiteral("The new name is empty.")};
        const std::optional<Rename> found =
            renameAt(workspace, *path, place.line, place.column, newName);
        if (!found)
            return Reply{QJsonValue(), RequestFailed, QStringLiteral("No name stands here.")};
        if (!found->refusal.isEmpty())
            return Reply{QJsonValue(), RequestFailed, found->refusal};
        reply.result = Protocol(workspace).workspaceEdit(*found, newName);
    }
    return reply;
}

} // namespace tavrel::lsp
