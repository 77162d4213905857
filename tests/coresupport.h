// SPDX-License-Identifier: MIT
#ifndef TAVREL_CORESUPPORT_H
#define TAVREL_CORESUPPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary directory that is the working directory for the object's lifetime.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory &) = delete;
    WorkingDirectory &operator=(const WorkingDirectory &) = delete;

    QString path() const;
    // Writes `content` to a file below the directory, creating its parent directories.
    void write(const QString &relativePath, const QByteArray &content) const;
    QByteArray read(const QString &relativePath) const;
    bool exists(const QString &relativePath) const;

private:
    QTemporaryDir dir;
    QString previous;
};

// How a program run ended: its exit code (-1 when it crashed or did not end within two
// minutes) and what it wrote.
struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
Run runProgram(const QString &program, const QStringList &arguments);

// A script pack with a finding of every check but unreadable at known lines and columns, in
// "s/" below the directory: repeated sections and keys, a key in another case, CRLF line ends
// after a byte-order mark, characters outside ASCII before an id, a cp1252 file, and the
// game's skills defined.
void writeCheckPack(const WorkingDirectory &dir);

#endif
