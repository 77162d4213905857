// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

void writeCheckPack(const WorkingDirectory &dir)
{
    dir.write(QStringLiteral("s/items.scp"), "// The siege workshop\n"  // 1
                                             "[ITEMDEF i_powder]\n"     // 2
                                             "NAME=Powder\n"            // 3
                                             "RESOURCES=1 i_old\n"      // 4
                                             "\n"                       // 5
                                             "[ITEMDEF i_fuse]\n"       // 6
                                             "resources=9 i_old\n"      // 7
                                             "resources=2 i_string\n"   // 8
                                             "SKILLMAKE=Tinkering 20\n" // 9
                                             "\n"                       // 10
                                             "[ITEMDEF i_powder]\n"     // 11
                                             "RESOURCES=5 i_saltpetre,1 i_powder,2 i_charcoal\n"
                                             "SKILLMAKE=alchemy 10,sewing 5\n" // 13
                                             "\n"                              // 14
                                             "[ITEMDEF i_rope]\n"              // 15
                                             "NAME=Rope\n");                   // 16
    dir.write(QStringLiteral("s/legacy.scp"), "[ITEMDEF i_cafe]\nNAME=Caf\xe9 au lait\n");
    dir.write(QStringLiteral("s/skills.scp"),
              "[SKILL 0]\nKEY=Alchemy\n[SKILL 1]\nKEY=tinker // short for tinkering\n");
    dir.write(QStringLiteral("s/z_crlf.scp"), "\xef\xbb\xbf[ITEMDEF i_rope]\r\n"
                                              "NAME=Rope\r\n"
                                              "[ITEMDEF i_eclair]\r\n"
                                              "NAME=\xc3\x89\x63lair\r\n"
                                              "RESOURCES=1 i_cr\xc3\xa8me,2 i_sucre\r\n");
}

Run runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
