// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/config/project.h"
#include "core/read/discovery.h"

#include <QTest>

using namespace tavrel;

// What the window, the tool and the language server load and check comes from one resolution
// of the configuration and what each gives instead of it.
class tst_Project : public QObject
{
    Q_OBJECT

private slots:
    void resolve_data();
    void resolve();
    void filterPatterns_asDiscoveryMatches();
};

namespace {

QStringList summary(const Project &project)
{
    QStringList lines;
    for (const ScriptDirectory &directory : project.directories)
        lines.append(QStringLiteral("dir %1 %2").arg(directory.path, directory.filter));
    if (!project.tablesFile.isEmpty())
        lines.append(QStringLiteral("tables ") + project.tablesFile);
    QStringList disabled(project.checks.disabled.cbegin(), project.checks.disabled.cend());
    disabled.sort();
    if (!disabled.isEmpty())
        lines.append(QStringLiteral("disable ") + disabled.join(u','));
    QStringList enabled(project.checks.enabled.cbegin(), project.checks.enabled.cend());
    enabled.sort();
    if (!enabled.isEmpty())
        lines.append(QStringLiteral("enable ") + enabled.join(u','));
    if (!project.checks.ignored.isEmpty())
        lines.append(QStringLiteral("ignore ") + project.checks.ignored.join(u','));
    for (const Project::Problem &problem : project.problems)
        lines.append(QStringLiteral("problem %1 %2").arg(int(problem.kind)).arg(problem.text));
    return lines;
}

} // namespace

void tst_Project::resolve_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("disable");
    QTest::addColumn<QStringList>("enable");
    QTest::addColumn<QStringList>("project");

    const QByteArray config = "[Settings]\nDirs=s, t\nFilter=\"*.scp,*.txt\"\n[Check]\n"
                              "Ignore=i_a\nDisable=not-utf8\n";
    QTest::newRow("the configuration's directories, filter and checks")
        << config << false << "" << QStringList() << "" << QStringList() << QStringList()
        << QStringList{"dir s *.scp,*.txt", "dir t *.scp,*.txt", "disable not-utf8", "ignore i_a",
                       "problem 2 script directory \"t\": does not exist"};
    QTest::newRow("relative to a folder, as the language server reads a root")
        << config << false << "/root" << QStringList() << "" << QStringList() << QStringList()
        << QStringList{"dir /root/s *.scp,*.txt",
                       "dir /root/t *.scp,*.txt",
                       "disable not-utf8",
                       "ignore i_a",
                       "problem 2 script directory \"/root/s\": does not exist",
                       "problem 2 script directory \"/root/t\": does not exist"};
    QTest::newRow("directories and a filter given instead, as the window and --dir give them")
        << config << false << "" << QStringList{"s"} << "*" << QStringList{"self-resource"}
        << QStringList() << QStringList{"dir s *", "disable not-utf8,self-resource", "ignore i_a"};
    QTest::newRow("a tables file in place of the directories")
        << QByteArray("[Check]\nTables=s/tables.scp\nDisable=nothing-such\n") << false << ""
        << QStringList() << "" << QStringList() << QStringList()
        << QStringList{"tables s/tables.scp",
                       "problem 1 [Check] Disable names no check \"nothing-such\""};
    QTest::newRow("a check given that does not exist")
        << QByteArray() << false << "" << QStringList() << "" << QStringList{"nothing-such"}
        << QStringList()
        << QStringList{"dir ./ *", "problem 1 unknown check \"nothing-such\" (see --list-checks)"};
    QTest::newRow("no configuration: the defaults")
        << QByteArray() << false << "" << QStringList() << "" << QStringList() << QStringList()
        << QStringList{"dir ./ *"};
    QTest::newRow("a configuration given that is not there")
        << QByteArray() << true << "" << QStringList() << "" << QStringList() << QStringList()
        << QStringList{"dir ./ *", "problem 0 configuration \"config.cfg\": does not exist"};
    QTest::newRow("a check off by default enabled, the caller's word last")
        << QByteArray("[Check]\nEnable=undefined-def0, nothing-such\nDisable=self-resource\n")
        << false << "" << QStringList() << "" << QStringList{"undefined-def0"}
        << QStringList{"self-resource"}
        << QStringList{"dir ./ *", "disable undefined-def0", "enable self-resource",
                       "problem 1 [Check] Enable names no check \"nothing-such\""};
}

void tst_Project::resolve()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, given);
    QFETCH(QString, base);
    QFETCH(QStringList, directories);
    QFETCH(QString, filter);
    QFETCH(QStringList, disable);
    QFETCH(QStringList, enable);
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), "[ITEMDEF i_a]\n");
    if (!config.isEmpty())
        dir.write(QStringLiteral("config.cfg"), config);
    ProjectRequest request;
    request.configurationFile = QStringLiteral("config.cfg");
    request.configurationGiven = given;
    request.base = base;
    if (!directories.isEmpty())
        request.directories = directories;
    if (!filter.isEmpty())
        request.filter = filter;
    request.disable = disable;
    request.enable = enable;
    QTEST(summary(resolveProject(request)), "project");
}

// The language server watches the files by the patterns discovery matches them with.
void tst_Project::filterPatterns_asDiscoveryMatches()
{
    const WorkingDirectory dir;
    for (const char *name : {"a.scp", " b.scp", "c.txt", ".scp"})
        dir.write(QStringLiteral("s/") + QLatin1String(name), QByteArray());
    QCOMPARE(filterPatterns(QStringLiteral("*.scp, *.txt,")), (QStringList{"*.scp", " *.txt", ""}));
    QCOMPARE(findScriptFiles(QStringLiteral("s"), QStringLiteral("*.scp, *.txt,")),
             (QStringList{"s/ b.scp", "s/a.scp"}));
}

QTEST_GUILESS_MAIN(tst_Project)
#include "tst_project.moc"
