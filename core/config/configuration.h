// SPDX-License-Identifier: MIT
#ifndef TAVREL_CONFIGURATION_H
#define TAVREL_CONFIGURATION_H

#include <QString>
#include <QStringList>

namespace tavrel {

// The five values that drive loading and the report, as kept in "./config.cfg".
struct Configuration
{
    QStringList dirs;
    QString filter;
    QString h1;
    QString h2;
    QString h3;
};

QString defaultHeaderTemplate();
QString defaultItemTemplate();
QString defaultEndTemplate();

// The exceptions a script repository keeps beside its scripts for the command-line checks, in
// a section of their own that the window neither reads nor writes.
struct CheckConfiguration
{
    QStringList ignore;
    QStringList disable;
    // The server's tables file, whose list of scripts replaces the configured directories.
    QString tables;
};
CheckConfiguration readCheckConfiguration(const QString &fileName);

// Why a configuration file given to the command-line tool cannot be used, or an empty text.
QString configurationFileProblem(const QString &fileName);

// A missing key gives its default; a key present with an empty value stays empty.
Configuration readConfiguration(const QString &fileName);
// Returns false when the file could not be written; the window ignores that.
bool writeConfiguration(const QString &fileName, const Configuration &configuration);

} // namespace tavrel

#endif
