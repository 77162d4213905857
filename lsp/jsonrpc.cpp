// SPDX-License-Identifier: MIT
#include "lsp/jsonrpc.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QList>

namespace tavrel::lsp {

namespace {

const QByteArray headerEnd = QByteArrayLiteral("\r\n\r\n");
const QByteArray lengthHeader = QByteArrayLiteral("content-length:");
// A header block longer than this is no header; a body longer than this is refused rather than
// held in memory.
constexpr qsizetype longestHeader = 64 * 1024;
constexpr qsizetype longestBody = 1024 * 1024 * 1024;

Incoming failure(int error, const QString &reason, const QJsonValue &id = QJsonValue())
{
    Incoming incoming;
    incoming.error = error;
    incoming.reason = reason;
    incoming.id = id;
    return incoming;
}

} // namespace

void MessageReader::feed(QByteArrayView bytes)
{
    buffer.append(bytes.data(), bytes.size());
}

bool MessageReader::next(Incoming &incoming)
{
    if (skipping && !resynchronise())
        return false;
    if (bodyLength < 0) {
        if (readHeader(incoming))
            return true;
        if (bodyLength < 0)
            return false;
    }
    if (buffer.size() < bodyLength)
        return false;
    const QByteArray body = buffer.left(bodyLength);
    buffer.remove(0, bodyLength);
    bodyLength = -1;
    incoming = parse(body);
    return true;
}

// True when the header block was bad and `incoming` says so; otherwise bodyLength is set once a
// whole header block is there.
bool MessageReader::readHeader(Incoming &incoming)
{
    const qsizetype end = buffer.indexOf(headerEnd);
    if (end < 0) {
        if (buffer.size() <= longestHeader)
            return false;
        buffer.clear();
        skipping = true;
        incoming = failure(ParseError, QStringLiteral("a header longer than 64 KiB"));
        return true;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.remove(0, end + headerEnd.size());
    qsizetype length = -1;
    QString problem = QStringLiteral("no Content-Length header");
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (!line.toLower().startsWith(lengthHeader))
            continue;
        bool number = false;
        length = line.mid(lengthHeader.size()).trimmed().toLongLong(&number);
        if (!number || length < 0 || length > longestBody) {
            problem = QStringLiteral("a bad Content-Length: %1").arg(QString::fromUtf8(line));
            length = -1;
        }
        break;
    }
    if (length >= 0) {
        bodyLength = length;
        return false;
    }
    // Without a length the body cannot be told from what follows.
    skipping = true;
    incoming = failure(ParseError, problem);
    return true;
}

// Drops bytes up to the next Content-Length header, which may follow a body without a line
// end; false while none came.
bool MessageReader::resynchronise()
{
    const qsizetype found = buffer.toLower().indexOf(lengthHeader);
    if (found < 0) {
        // The start of a header may be at the end of what came so far.
        buffer = buffer.right(lengthHeader.size() - 1);
        return false;
    }
    buffer.remove(0, found);
    skipping = false;
    return true;
}

Incoming MessageReader::parse(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return failure(ParseError, QStringLiteral("not JSON: %1").arg(error.errorString()));
    if (!document.isObject())
        return failure(InvalidRequest, QStringLiteral("a message is a JSON object"));
    const QJsonObject object = document.object();
    const QJsonValue id = object.value(QLatin1String("id"));
    if (!id.isUndefined() && !id.isString() && !id.isDouble() && !id.isNull())
        return failure(InvalidRequest, QStringLiteral("an id is a number or a string"));
    const QJsonValue method = object.value(QLatin1String("method"));
    const bool isResponse =
        object.contains(QLatin1String("result")) || object.contains(QLatin1String("error"));
    if (object.value(QLatin1String("jsonrpc")) != QLatin1String("2.0"))
        return failure(InvalidRequest, QStringLiteral("jsonrpc is not \"2.0\""), id);
    if (method.isUndefined() ? !isResponse : !method.isString())
        return failure(InvalidRequest, QStringLiteral("a message without a method"), id);
    Incoming incoming;
    incoming.message = object;
    incoming.id = id;
    return incoming;
}

QByteArray frame(const QJsonObject &message)
{
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    return QByteArrayLiteral("Content-Length: ") + QByteArray::number(body.size()) + headerEnd +
           body;
}

QJsonObject response(const QJsonValue &id, const QJsonValue &result)
{
    return QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                       {QStringLiteral("id"), id},
                       {QStringLiteral("result"), result}};
}

QJsonObject errorResponse(const QJsonValue &id, int code, const QString &message)
{
    const QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    return QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                       {QStringLiteral("id"), id.isUndefined() ? QJsonValue() : id},
                       {QStringLiteral("error"), error}};
}

QJsonObject notification(const QString &method, const QJsonValue &params)
{
    return QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                       {QStringLiteral("method"), method},
                       {QStringLiteral("params"), params}};
}

QJsonObject request(const QJsonValue &id, const QString &method, const QJsonValue &params)
{
    QJsonObject message = notification(method, params);
    message.insert(QStringLiteral("id"), id);
    return message;
}

} // namespace tavrel::lsp
