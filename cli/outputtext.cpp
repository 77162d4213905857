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

QString placeText(const QString &file, int line, int column)
{
    QString place =
        escapedLineBreaks(file) + QLatin1Char(':') + QString::number(line) + QLatin1Char(':');
    if (column > 0)
        place += QString::number(column) + QLatin1Char(':');
    return place;
}
