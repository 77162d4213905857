// SPDX-License-Identifier: MIT
#ifndef TAVREL_CONFIGURATION_H
#define TAVREL_CONFIGURATION_H

#include "core/config/inifile.h"

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
    // Checks off by default that run.
    QStringList enable;
    // The server's tables file, whose list of scripts replaces the configured directories.
    QString tables;
};
CheckConfiguration readCheckConfiguration(const QString &fileName);

// A configuration file read once, through one descriptor: what it holds, or why it cannot be
// used. A file that is not there, or not used, gives the defaults.
struct ConfigurationFile
{
    bool exists = false;
    // Why the command-line tool cannot use the file, or an empty text.
    QString problem;
    Configuration configuration;
    CheckConfiguration checks;
};
ConfigurationFile readConfigurationFile(const QString &fileName);

// Why a configuration file given to the command-line tool cannot be used, or an empty text.
QString configurationFileProblem(const QString &fileName);

// A missing key gives its default; a key present with an empty value stays empty.
Configuration readConfiguration(const QString &fileName);
// Writes the five values and leaves the rest of the file as it is (see writeIniValues).
SaveOutcome writeConfiguration(const QString &fileName, const Configuration &configuration);

} // namespace tavrel

#endif
