// SPDX-License-Identifier: MIT
#ifndef TAVREL_OUTPUTTEXT_H
#define TAVREL_OUTPUTTEXT_H

#include <QString>

class QJsonObject;

// A document as tavrel-report prints it: indented, UTF-8 once written.
QString jsonText(const QJsonObject &object);

// Line breaks written as "\n" and "\r", so that a value never splits an output line.
QString escapedLineBreaks(QString text);

// "file:line:column:" as compilers write a place, without the column where it is unknown (0).
QString placeText(const QString &file, int line, int column);

#endif
