#include "coresupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
}

QString WorkingDirectory::path() const
{
    return dir.path();
}

void WorkingDirectory::write(const QString &relativePath, const QByteArray &content) const
{
    const QString full = dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(full));
    file.write(content);
}

QByteArray WorkingDirectory::read(const QString &relativePath) const
{
    QFile file(dir.filePath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool WorkingDirectory::exists(const QString &relativePath) const
{
    return QFileInfo::exists(dir.filePath(relativePath));
}
