// SPDX-License-Identifier: MIT
#include "cli/outputtext.h"

#include <QJsonDocument>
#include <QJsonObject>

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString escapedLineBreaks(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return text;
}
