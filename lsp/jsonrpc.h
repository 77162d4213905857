// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_JSONRPC_H
#define TAVREL_LSP_JSONRPC_H

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace tavrel::lsp {

// The error codes of JSON-RPC and of the protocol.
enum ErrorCode
{
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    ServerNotInitialized = -32002,
    RequestFailed = -32803,
};

// A message as read from the stream: a JSON-RPC object, or why what came could not be one.
struct Incoming
{
    QJsonObject message;
    // 0, or ParseError or InvalidRequest with the reason; an invalid request keeps its id.
    int error = 0;
    QString reason;
    QJsonValue id;
};

// Cuts a byte stream into messages by their Content-Length headers. A header block that gives
// no usable length is reported and skipped with everything up to the next Content-Length
// header, so that one bad message does not lose the ones after it.
class MessageReader
{
public:
    void feed(QByteArrayView bytes);
    // The next message, in the order they came; false until one is complete.
    bool next(Incoming &incoming);

private:
    bool readHeader(Incoming &incoming);
    bool resynchronise();
    static Incoming parse(const QByteArray &body);

    QByteArray buffer;
    // The length of the body being waited for once its header is read, else -1.
    qsizetype bodyLength = -1;
    bool skipping = false;
};

QByteArray frame(const QJsonObject &message);
QJsonObject response(const QJsonValue &id, const QJsonValue &result);
QJsonObject errorResponse(const QJsonValue &id, int code, const QString &message);
QJsonObject notification(const QString &method, const QJsonValue &params);
QJsonObject request(const QJsonValue &id, const QString &method, const QJsonValue &params);

} // namespace tavrel::lsp

#endif
