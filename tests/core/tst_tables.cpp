// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/read/tables.h"

#include <QTest>

using namespace tavrel;

class tst_Tables : public QObject
{
    Q_OBJECT

private slots:
    void list_data();
    void list();
};

void tst_Tables::list_data()
{
    // Files of the tree are empty but for the tables file, at `tables`, unless it has no content.
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("tables");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("files");
    // "line:column text"
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("problem");

    const QStringList none;
    const QStringList folders{"s/items/b.scp",     "s/items/A.SCP", "s/items/notes.txt",
                              "s/items/sub/d.scp", "s/one/one.scp", "s/Beside.scp",
                              "s/another.scp",     "s/misc.txt",    "s/sub/deep.scp"};
    const QByteArray listing("[RESOURCES]\nitems/\none/one.scp\none\n");
    const QStringList loaded{"s/items/A.SCP", "s/items/b.scp", "s/one/one.scp",
                             "s/another.scp", "s/Beside.scp",  "s/tables.scp"};
    QTest::newRow("folders, files, then the files beside")
        << folders << "s/tables.scp" << listing << loaded << none << "";
    QTest::newRow("backslashes and odd separators")
        << folders << "s/tables.scp" << QByteArray("[RESOURCES]\n.\\items\\\none//one.scp\n")
        << loaded << none << "";
    QTest::newRow("tables in the working directory, no [RESOURCES]")
        << QStringList{"b.scp", "items/a.scp"} << "tables.scp" << QByteArray("[ITEMDEF i_x]\n")
        << QStringList{"b.scp", "tables.scp"} << none << "";
    QTest::newRow("scripts/ from the server's folder, before a stale copy")
        << QStringList{"scripts/items/a.scp", "scripts/magic/m.scp", "scripts/both/yes.scp",
                       "scripts/scripts/both/stale.scp"}
        << "scripts/tables.scp"
        << QByteArray("[RESOURCES]\nscripts/items/\nSCRIPTS\\magic\\\nscripts/both/\n")
        << QStringList{"scripts/items/a.scp", "scripts/magic/m.scp", "scripts/both/yes.scp",
                       "scripts/tables.scp"}
        << none << "";
    QTest::newRow("scripts/ in a folder of another name")
        << QStringList{"pack/items/a.scp", "pack/core_defs.scp", "pack/magic/m.scp",
                       "pack/scripts/items/stale.scp", "scripts/items/other.scp"}
        << "pack/tables.scp"
        << QByteArray("[RESOURCES]\nscripts/items/\nscripts/core_defs.scp\nmagic/\n")
        << QStringList{"pack/items/a.scp", "pack/core_defs.scp", "pack/magic/m.scp",
                       "pack/tables.scp"}
        << none << "";
    QTest::newRow("from the server's folder, then the scripts folder, then by the file's name")
        << QStringList{"server/extra/x.scp", "server/pack/extra/y.scp", "server/pack/z.scp"}
        << "server/pack/tables.scp"
        << QByteArray("[RESOURCES]\nextra/x.scp\nextra/y.scp\nelsewhere/z.scp\nelsewhere/\n")
        << QStringList{"server/extra/x.scp", "server/pack/extra/y.scp", "server/pack/z.scp",
                       "server/pack/tables.scp"}
        << QStringList{"5:1 elsewhere/"} << "";
    QTest::newRow("repeated names skipped, the tables file's too")
        << QStringList{"t/a/x.scp", "t/b/X.SCP", "t/b/y.scp", "t/b/tables.scp", "t/y.scp"}
        << "t/tables.scp" << QByteArray("[RESOURCES]\na/\nb/\nb/y.scp\na\\x.scp\n")
        << QStringList{"t/a/x.scp", "t/b/tables.scp", "t/b/y.scp"} << none << "";
    QTest::newRow("blanks in paths, an extension added")
        << QStringList{"t/my items/a b.scp", "t/old file.scp", "t/items/i_misc.scp"}
        << "t/tables.scp"
        << QByteArray("[RESOURCES]\n  my items/  \nold file.scp // kept\nitems/i_misc\n")
        << QStringList{"t/my items/a b.scp", "t/old file.scp", "t/items/i_misc.scp", "t/tables.scp"}
        << none << "";
    QTest::newRow("missing entries")
        << QStringList{"t/items/a.scp", "t/file.scp"} << "t/tables.scp"
        << QByteArray("[RESOURCES]\n  nowhere/\n\tgone one.scp // comment\nfile.scp/\n"
                      "[OTHER]\nignored/\n[resources]\nitems/\nitems/a.scp/b\n")
        << QStringList{"t/items/a.scp", "t/file.scp", "t/tables.scp"}
        << QStringList{"2:3 nowhere/", "3:2 gone one.scp", "4:1 file.scp/", "9:1 items/a.scp/b"}
        << "";
    QTest::newRow("no tables file")
        << QStringList{"t/a.scp"} << "t/none.scp" << QByteArray() << none << none
        << "cannot open the file: there is no such file";
    QTest::newRow("tables file a folder")
        << QStringList{"t/a.scp"} << "t" << QByteArray() << none << none << "is not a regular file";
}

void tst_Tables::list()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, tables);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, files);
    QFETCH(QStringList, missing);
    QFETCH(QString, problem);

    const WorkingDirectory dir;
    for (const QString &file : std::as_const(tree))
        dir.write(file, QByteArray());
    if (!content.isNull())
        dir.write(tables, content);
    const ServerScripts scripts = listServerScripts(tables);
    QStringList written;
    for (const MissingScriptEntry &entry : scripts.missing)
        written.append(QStringLiteral("%1:%2 %3")
                           .arg(entry.position.line)
                           .arg(entry.position.column)
                           .arg(entry.text));
    QCOMPARE(scripts.problem, problem);
    QCOMPARE(scripts.files, files);
    QCOMPARE(written, missing);
    QCOMPARE(scripts.unreadableFolders, QStringList());

    // Given by its absolute path, the tables file lists absolute paths.
    for (QString &file : files)
        file.prepend(dir.path() + u'/');
    QCOMPARE(listServerScripts(dir.path() + u'/' + tables).files, files);
}

QTEST_GUILESS_MAIN(tst_Tables)
#include "tst_tables.moc"
