// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/read/itemdefinition.h"

#include <QSettings>
#include <QTest>

using namespace tavrel;

namespace {

// The fields as the reading pass leaves them: read, then the name finished.
ItemFields readSection(const QByteArray &script, const QString &section)
{
    const WorkingDirectory wd;
    wd.write(QStringLiteral("item.scp"), script);
    QSettings settings(QStringLiteral("item.scp"), QSettings::IniFormat);
    settings.sync();
    ItemFields fields = readItemDefinition(settings, section);
    finishName(fields);
    return fields;
}

} // namespace

class tst_ItemDefinition : public QObject
{
    Q_OBJECT

private slots:
    void sectionWord_data();
    void sectionWord();
    void isItemDefinition_data();
    void isItemDefinition();
    void readItemDefinition_data();
    void readItemDefinition();
    void readItemDefinition_leavesGroupAndFileUntouched();
    void scriptLayout_data();
    void scriptLayout();
    void nameFromDefname_data();
    void nameFromDefname();
    void finishName_data();
    void finishName();
    void withoutComment_data();
    void withoutComment();
    void acceptItem_data();
    void acceptItem();
    void ownCopy_keepsTextNotStorage();
};

void tst_ItemDefinition::sectionWord_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first of two") << "itemdef i_shirt" << 0 << "itemdef";
    QTest::newRow("second of two") << "itemdef i_shirt" << 1 << "i_shirt";
    QTest::newRow("second of three") << "itemdef i_shirt extra" << 1 << "i_shirt";
    QTest::newRow("third of three") << "itemdef i_shirt extra" << 2 << "extra";
    QTest::newRow("second missing") << "itemdef" << 1 << QString();
    QTest::newRow("first of empty") << QString() << 0 << QString();
    QTest::newRow("two blanks: second empty") << "itemdef  i_shirt" << 1 << QString();
    QTest::newRow("two blanks: third is the id") << "itemdef  i_shirt" << 2 << "i_shirt";
    QTest::newRow("trailing blank: empty second") << "itemdef " << 1 << QString();
    QTest::newRow("leading blank: empty first") << " itemdef x" << 0 << QString();
    QTest::newRow("leading blank: keyword second") << " itemdef x" << 1 << "itemdef";
    QTest::newRow("tab is no separator") << "itemdef\ti_shirt" << 0 << "itemdef\ti_shirt";
    QTest::newRow("case kept") << "ITEMDEF I_Shirt" << 1 << "I_Shirt";
}

void tst_ItemDefinition::sectionWord()
{
    QFETCH(QString, section);
    QFETCH(int, index);
    QFETCH(QString, expected);
    QCOMPARE(::sectionWord(section, index), expected);
}

void tst_ItemDefinition::isItemDefinition_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<bool>("expected");

    QTest::newRow("lower case") << "itemdef i_shirt" << true;
    QTest::newRow("upper case") << "ITEMDEF a" << true;
    QTest::newRow("mixed case") << "ItEmDeF a" << true;
    QTest::newRow("keyword alone") << "itemdef" << true;
    QTest::newRow("two blanks after the keyword") << "itemdef  x" << true;
    QTest::newRow("trailing blank") << "itemdef " << true;
    QTest::newRow("plural") << "itemdefs x" << false;
    QTest::newRow("prefix only") << "itemde x" << false;
    QTest::newRow("keyword inside a longer word") << "xitemdef x" << false;
    QTest::newRow("leading blank") << " itemdef x" << false;
    QTest::newRow("tab after the keyword") << "itemdef\tx" << false;
    QTest::newRow("other keyword") << "typedef t_shirt" << false;
    QTest::newRow("keyword second") << "events itemdef" << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("dotted capital I") << QString::fromUtf8("\xc4\xb0TEMDEF x") << false;
    QTest::newRow("dotless small i") << QString::fromUtf8("\xc4\xb1temdef x") << false;
}

void tst_ItemDefinition::isItemDefinition()
{
    QFETCH(QString, section);
    QFETCH(bool, expected);
    QCOMPARE(::isItemDefinition(section), expected);
}

void tst_ItemDefinition::readItemDefinition_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("resources");
    QTest::addColumn<QString>("skillmake");
    QTest::addColumn<QString>("subsection");

    QTest::newRow("header only gives defaults")
        << QByteArray("[itemdef i_leather_shirt]\nCOLOR=0\n") << "itemdef i_leather_shirt"
        << "i_leather_shirt"
        << "global_type"
        << "Leather shirt" << QString() << QString() << QString() << QString();
    QTest::newRow("every key")
        << QByteArray("[ITEMDEF 0x1234]\nDEFNAME=I_Shirt\nTYPE=T_Clothing\nNAME=Fine "
                      "Shirt\nDESCRIPTION=A shirt\nRESOURCES=4 I_Cloth\nSKILLMAKE=Tailoring "
                      "50.5\nSUBSECTION=Shirts\n")
        << "ITEMDEF 0x1234"
        << "i_shirt"
        << "t_clothing"
        << "Fine Shirt"
        << "A shirt"
        << "4 i_cloth"
        << "tailoring 50.5"
        << "Shirts";
    QTest::newRow("mini x: every i_ removed")
        << QByteArray("[ItemDef i_mini_x]\nVALUE=3\n") << "ItemDef i_mini_x"
        << "i_mini_x"
        << "global_type"
        << "Minx" << QString() << QString() << QString() << QString();
    QTest::newRow("DEFNAME present but empty")
        << QByteArray("[itemdef i_x]\nDEFNAME=\n") << "itemdef i_x" << QString() << "global_type"
        << QString() << QString() << QString() << QString() << QString();
    QTest::newRow("DEFNAME overrides the header")
        << QByteArray("[itemdef 0x1]\nDEFNAME=I_Foo\n") << "itemdef 0x1"
        << "i_foo"
        << "global_type"
        << "Foo" << QString() << QString() << QString() << QString();
    QTest::newRow("two blanks after the keyword: no id")
        << QByteArray("[itemdef  i_x]\nNAME=X\n") << "itemdef  i_x" << QString() << "global_type"
        << "X" << QString() << QString() << QString() << QString();
    QTest::newRow("header id lower-cased")
        << QByteArray("[itemdef I_Big_Hat]\nVALUE=1\n") << "itemdef I_Big_Hat"
        << "i_big_hat"
        << "global_type"
        << "Big hat" << QString() << QString() << QString() << QString();
    QTest::newRow("NAME absent: description")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=Fancy hat\nSUBSECTION=Hats\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Fancy hat"
        << "Fancy hat" << QString() << QString() << "Hats";
    QTest::newRow("NAME absent, DESCRIPTION empty: subsection")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=\nSUBSECTION=Hats\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Hats" << QString() << QString() << QString() << "Hats";
    QTest::newRow("NAME empty: not the description")
        << QByteArray("[itemdef i_a]\nNAME=\nDESCRIPTION=Fancy hat\nSUBSECTION=Hats\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Hats"
        << "Fancy hat" << QString() << QString() << "Hats";
    QTest::newRow("NAME empty, no subsection: from defname")
        << QByteArray("[itemdef i_red_hat]\nNAME=\nDESCRIPTION=Fancy hat\n") << "itemdef i_red_hat"
        << "i_red_hat"
        << "global_type"
        << "Red hat"
        << "Fancy hat" << QString() << QString() << QString();
    QTest::newRow("lists joined with commas")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=one, two ,three\nSUBSECTION=x,  y\n"
                      "RESOURCES=2 i_ingot, i_log\nSKILLMAKE=Carpentry 100, alchimy 51.1\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "one,two,three"
        << "one,two,three"
        << "2 i_ingot,i_log"
        << "carpentry 100,alchimy 51.1"
        << "x,y";
    QTest::newRow("NAME with a comma is no single text")
        << QByteArray("[itemdef i_a]\nNAME=Foo, bar\nSUBSECTION=Hats\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Hats" << QString() << QString() << QString() << "Hats";
    QTest::newRow("quoted NAME with a comma")
        << QByteArray("[itemdef i_a]\nNAME=\"Foo, bar\"\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Foo, bar" << QString() << QString() << QString() << QString();
    QTest::newRow("trailing comma keeps an empty element")
        << QByteArray("[itemdef i_a]\nRESOURCES=i_log,\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "i_log," << QString() << QString();
    QTest::newRow("TYPE lower-cased")
        << QByteArray("[itemdef i_a]\nTYPE=T_Armor\n") << "itemdef i_a"
        << "i_a"
        << "t_armor"
        << "A" << QString() << QString() << QString() << QString();
    QTest::newRow("TYPE present but empty")
        << QByteArray("[itemdef i_a]\nTYPE=\n") << "itemdef i_a"
        << "i_a" << QString() << "A" << QString() << QString() << QString() << QString();
    QTest::newRow("names and descriptions keep their case")
        << QByteArray("[itemdef i_a]\nNAME=BIG Hat\nDESCRIPTION=Big HAT\nSUBSECTION=HATS\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "BIG Hat"
        << "Big HAT" << QString() << QString() << "HATS";
    QTest::newRow("percent in a name")
        << QByteArray("[itemdef i_a]\nNAME=Bob%s hat 50%\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Bob's hat 50'" << QString() << QString() << QString() << QString();
    QTest::newRow("percent in a name taken from the description")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=50% off\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "50' off"
        << "50% off" << QString() << QString() << QString();
    QTest::newRow("tab in RESOURCES joins the words")
        << QByteArray("[itemdef i_a]\nRESOURCES=2\ti_log\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "2i_log" << QString() << QString();
    QTest::newRow("comment after a value, blank before it")
        << QByteArray("[itemdef i_a]\nRESOURCES=2 i_log // old\nSKILLMAKE=tailoring 5//x\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "2 i_log"
        << "tailoring 5" << QString();
    QTest::newRow("commented-out resource entries")
        << QByteArray(
               "[itemdef i_a]\nRESOURCES=10 i_log,1 i_nails,1 i_pillow_throw//,1 i_wand_minax\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "10 i_log,1 i_nails,1 i_pillow_throw" << QString() << QString();
    QTest::newRow("comment inside an element")
        << QByteArray("[itemdef i_a]\nRESOURCES=5 i_saltpeter//also sulfur and charcoal\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "5 i_saltpeter" << QString() << QString();
    QTest::newRow("comment in defname, type and name")
        << QByteArray(
               "[itemdef i_x]\nDEFNAME=i_pickpocket_dip //Blue\nTYPE=t_normal //t_soulstone\n"
               "NAME=advanced training dummy\t//south\n")
        << "itemdef i_x"
        << "i_pickpocket_dip"
        << "t_normal"
        << "advanced training dummy" << QString() << QString() << QString() << QString();
    QTest::newRow("tabs and blanks before the comment")
        << QByteArray("[itemdef i_a]\nRESOURCES=2 i_log \t \t// x\nSKILLMAKE=mining 5\t//\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "2 i_log"
        << "mining 5" << QString();
    QTest::newRow("two comments: the first one counts")
        << QByteArray("[itemdef i_a]\nRESOURCES=i_log//i_ore//i_gem\nTYPE=t_a//b//c\n")
        << "itemdef i_a"
        << "i_a"
        << "t_a"
        << "A" << QString() << "i_log" << QString() << QString();
    QTest::newRow("value that is only a comment is empty")
        << QByteArray("[itemdef i_a]\nRESOURCES=//i_log\nSKILLMAKE=  // tailoring 5\nTYPE=//t\n")
        << "itemdef i_a"
        << "i_a" << QString() << "A" << QString() << QString() << QString() << QString();
    QTest::newRow("DEFNAME that is only a comment drops the section")
        << QByteArray("[itemdef i_a]\nDEFNAME=//i_a\n") << "itemdef i_a" << QString()
        << "global_type" << QString() << QString() << QString() << QString() << QString();
    QTest::newRow("name falls back to a description already cut")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=Iron ingot // smelted\nSUBSECTION=Ores//x\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Iron ingot"
        << "Iron ingot" << QString() << QString() << "Ores";
    QTest::newRow("name falls back to a subsection already cut")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=//nothing\nSUBSECTION=Ores\t//x\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Ores" << QString() << QString() << QString() << "Ores";
    QTest::newRow("name that is only a comment is derived, not the description")
        << QByteArray("[itemdef i_a]\nNAME=// later\nDESCRIPTION=Desc\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A"
        << "Desc" << QString() << QString() << QString();
    QTest::newRow("tab removed after the comment is cut")
        << QByteArray("[itemdef i_a]\nDEFNAME=i_/\t/b\nRESOURCES=a\tb//c\nSKILLMAKE=c/\t/d\n")
        << "itemdef i_a"
        << "i_//b"
        << "global_type"
        << "//b" << QString() << "ab"
        << "c//d" << QString();
    QTest::newRow("single slashes stay")
        << QByteArray("[itemdef i_a]\nRESOURCES=a/b\nNAME=1/2 cup\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "1/2 cup" << QString() << "a/b" << QString() << QString();
    QTest::newRow("tabs stay in the other fields")
        << QByteArray("[itemdef i_a]\nNAME=a\tc\nTYPE=t_a\tb\nDESCRIPTION=d\te\n") << "itemdef i_a"
        << "i_a"
        << "t_a\tb"
        << "a\tc"
        << "d\te" << QString() << QString() << QString();
    QTest::newRow("comment in the header's id")
        << QByteArray("[itemdef i_a//old]\nX=1\n") << "itemdef i_a//old"
        << "i_a"
        << "global_type"
        << "A" << QString() << QString() << QString() << QString();
    QTest::newRow("defname from the header cleaned")
        << QByteArray("[itemdef i_a\tb]\nX=1\n") << "itemdef i_a\tb"
        << "i_ab"
        << "global_type"
        << "Ab" << QString() << QString() << QString() << QString();
    QTest::newRow("lower-case keys")
        << QByteArray("[itemdef i_x]\ndefname=i_Low\ntype=T_Low\nname=Low hat\n"
                      "description=Low desc\nresources=2 I_Ingot\nskillmake=Tailoring 5\n"
                      "subsection=Low sub\n")
        << "itemdef i_x"
        << "i_low"
        << "t_low"
        << "Low hat"
        << "Low desc"
        << "2 i_ingot"
        << "tailoring 5"
        << "Low sub";
    QTest::newRow("mixed-case keys")
        << QByteArray("[itemdef i_x]\nDefName=i_Mixed\nType=T_M\nName=Mixed hat\n"
                      "Description=M desc\nResources=I_Ingot\nSkillMake=50 Tailoring\n"
                      "SubSection=M sub\n")
        << "itemdef i_x"
        << "i_mixed"
        << "t_m"
        << "Mixed hat"
        << "M desc"
        << "i_ingot"
        << "50 tailoring"
        << "M sub";
    QTest::newRow("exact spelling wins before")
        << QByteArray("[itemdef i_x]\nDEFNAME=i_exact\ndefname=i_other\nNAME=Exact\n"
                      "Name=Other\nRESOURCES=i_exact\nresources=i_other\n")
        << "itemdef i_x"
        << "i_exact"
        << "global_type"
        << "Exact" << QString() << "i_exact" << QString() << QString();
    QTest::newRow("exact spelling wins after")
        << QByteArray("[itemdef i_x]\ndefname=i_other\nDEFNAME=i_exact\nskillmake=x 1\n"
                      "SKILLMAKE=y 2\ntype=t_other\nTYPE=t_exact\n")
        << "itemdef i_x"
        << "i_exact"
        << "t_exact"
        << "Exact" << QString() << QString() << "y 2" << QString();
    QTest::newRow("lower-case DEFNAME present but empty")
        << QByteArray("[itemdef i_x]\ndefname=\n") << "itemdef i_x" << QString() << "global_type"
        << QString() << QString() << QString() << QString() << QString();
    QTest::newRow("key with a longer name is another key")
        << QByteArray("[itemdef i_x]\nDEFNAME2=i_y\nNAMES=Other\nTYPEX=t\n") << "itemdef i_x"
        << "i_x"
        << "global_type"
        << "X" << QString() << QString() << QString() << QString();
    QTest::newRow("value with an equals sign")
        << QByteArray("[itemdef i_a]\nNAME=a=b\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "a=b" << QString() << QString() << QString() << QString();
    QTest::newRow("non-ascii name kept")
        << QByteArray("[itemdef i_a]\nNAME=\xc3\x89p\xc3\xa9\x65\n") << "itemdef i_a"
        << "i_a"
        << "global_type" << QString::fromUtf8("\xc3\x89p\xc3\xa9\x65") << QString() << QString()
        << QString() << QString();
}

void tst_ItemDefinition::readItemDefinition()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, section);

    const ItemFields fields = readSection(script, section);
    QTEST(fields.defname, "defname");
    QTEST(fields.type, "type");
    QTEST(fields.name, "name");
    QTEST(fields.description, "description");
    QTEST(fields.resources, "resources");
    QTEST(fields.skillmake, "skillmake");
    QTEST(fields.subsection, "subsection");
}

void tst_ItemDefinition::readItemDefinition_leavesGroupAndFileUntouched()
{
    const WorkingDirectory wd;
    const QByteArray script("[itemdef i_a]\nNAME=A\n[itemdef i_b]\nname=B\n");
    wd.write(QStringLiteral("item.scp"), script);
    {
        QSettings settings(QStringLiteral("item.scp"), QSettings::IniFormat);
        settings.sync();
        QCOMPARE(::readItemDefinition(settings, QStringLiteral("itemdef i_a")).name,
                 QStringLiteral("A"));
        QCOMPARE(settings.group(), QString());
        QCOMPARE(::readItemDefinition(settings, QStringLiteral("itemdef i_b")).name,
                 QStringLiteral("B"));
        QCOMPARE(settings.group(), QString());
        settings.sync();
    }
    QCOMPARE(wd.read(QStringLiteral("item.scp")), script);
}

void tst_ItemDefinition::scriptLayout_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<QStringList>("defnames");

    QTest::newRow("UTF-8 byte-order mark before the first header")
        << QByteArray("\xef\xbb\xbf[ITEMDEF i_first]\nNAME=First\n[itemdef i_second]\nX=1\n")
        << QStringList{"ITEMDEF i_first", "itemdef i_second"} << QStringList{"i_first", "i_second"};
    QTest::newRow("trigger code lines without equals sign")
        << QByteArray("[itemdef i_a]\nDEFNAME=i_a\nON=@Create\nCOLOR=0\nSERV.NEWITEM i_x\n"
                      "if <src.isplayer>\n  return 1\nendif\nRESOURCES=i_b\n[itemdef i_b]\n"
                      "ON=@DClick\nsrc.sysmessage hello\n")
        << QStringList{"itemdef i_a", "itemdef i_b"} << QStringList{"i_a", "i_b"};
    QTest::newRow("section without keys is invisible")
        << QByteArray("[itemdef i_empty]\n[itemdef i_a]\nX=1\n") << QStringList{"itemdef i_a"}
        << QStringList{"i_a"};
    QTest::newRow("comments and blank lines")
        << QByteArray("; comment\n\n[itemdef i_a]\n; NAME=Not\nX=1\n\n")
        << QStringList{"itemdef i_a"} << QStringList{"i_a"};
    QTest::newRow("windows line ends")
        << QByteArray("[itemdef i_a]\r\nDEFNAME=i_a\r\nRESOURCES=i_b\r\n")
        << QStringList{"itemdef i_a"} << QStringList{"i_a"};
}

void tst_ItemDefinition::scriptLayout()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, sections);
    QFETCH(QStringList, defnames);

    const WorkingDirectory wd;
    wd.write(QStringLiteral("item.scp"), script);
    QSettings settings(QStringLiteral("item.scp"), QSettings::IniFormat);
    settings.sync();
    const QStringList groups = settings.childGroups();
    QStringList found;
    QStringList ids;
    for (const QString &group : groups) {
        if (!::isItemDefinition(group))
            continue;
        found.append(group);
        ids.append(::readItemDefinition(settings, group).defname);
    }
    QCOMPARE(found, sections);
    QCOMPARE(ids, defnames);
    if (QTest::currentDataTag() == QLatin1String("trigger code lines without equals sign")) {
        QCOMPARE(::readItemDefinition(settings, QStringLiteral("itemdef i_a")).resources,
                 QStringLiteral("i_b"));
    }
    if (QTest::currentDataTag() == QLatin1String("windows line ends")) {
        QCOMPARE(::readItemDefinition(settings, QStringLiteral("itemdef i_a")).resources,
                 QStringLiteral("i_b"));
    }
}

void tst_ItemDefinition::nameFromDefname_data()
{
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("expected");

    QTest::newRow("leather shirt") << "i_leather_shirt"
                                   << "Leather shirt";
    QTest::newRow("mini x") << "i_mini_x"
                            << "Minx";
    QTest::newRow("i_ only") << "i_" << QString();
    QTest::newRow("i_ twice") << "i_i_" << QString();
    QTest::newRow("no prefix") << "shirt"
                               << "Shirt";
    QTest::newRow("i_ in the middle") << "ab_i_cd"
                                      << "Ab cd";
    QTest::newRow("upper-case I_ stays") << "I_shirt"
                                         << "I shirt";
    QTest::newRow("rest lower-cased") << "i_BIG_Hat"
                                      << "Big hat";
    QTest::newRow("removal joins into a new i_") << "ii__x"
                                                 << "I x";
    QTest::newRow("leading underscore") << "_x"
                                        << " x";
    QTest::newRow("hex id") << "0x1f3c"
                            << "0x1f3c";
    QTest::newRow("non-ascii first letter")
        << QString::fromUtf8("\xc3\xa9p\xc3\xa9\x65") << QString::fromUtf8("\xc3\x89p\xc3\xa9\x65");
}

void tst_ItemDefinition::nameFromDefname()
{
    QFETCH(QString, defname);
    QFETCH(QString, expected);
    QCOMPARE(::nameFromDefname(defname), expected);
}

void tst_ItemDefinition::finishName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name kept") << "Fine hat"
                               << "i_hat"
                               << "Fine hat";
    QTest::newRow("empty name derived") << QString() << "i_leather_shirt"
                                        << "Leather shirt";
    QTest::newRow("derived name with percent") << QString() << "i_100%"
                                               << "100'";
    QTest::newRow("percent replaced everywhere") << "%a%%"
                                                 << "i_a"
                                                 << "'a''";
    QTest::newRow("nothing left after removal") << QString() << "i_" << QString();
    QTest::newRow("blank name kept") << " "
                                     << "i_a"
                                     << " ";
}

void tst_ItemDefinition::finishName()
{
    QFETCH(QString, name);
    QFETCH(QString, defname);
    QFETCH(QString, expected);
    ItemFields fields;
    fields.name = name;
    fields.defname = defname;
    ::finishName(fields);
    QCOMPARE(fields.name, expected);
    QCOMPARE(fields.defname, defname);
}

void tst_ItemDefinition::withoutComment_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no comment") << "10 i_log,1 i_nails"
                                << "10 i_log,1 i_nails";
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("at the start") << "//t_soulstone" << QString();
    QTest::newRow("only blanks before it") << " \t //x" << QString();
    QTest::newRow("inside an element") << "5 i_saltpeter//also sulfur"
                                       << "5 i_saltpeter";
    QTest::newRow("before a comma") << "1 i_pillow_throw//,1 i_wand_minax"
                                    << "1 i_pillow_throw";
    QTest::newRow("blank before it") << "i_pickpocket_dip //Blue"
                                     << "i_pickpocket_dip";
    QTest::newRow("tab before it") << "dummy\t//south"
                                   << "dummy";
    QTest::newRow("blanks and tabs before it") << "a \t \t//"
                                               << "a";
    QTest::newRow("blanks inside the value stay") << "a  b //c"
                                                  << "a  b";
    QTest::newRow("twice") << "a//b//c"
                           << "a";
    QTest::newRow("three slashes") << "a///b"
                                   << "a";
    QTest::newRow("single slashes") << "a/b/ c"
                                    << "a/b/ c";
    QTest::newRow("trailing blank without comment") << "a "
                                                    << "a ";
    QTest::newRow("slash tab slash is no comment") << "a/\t/b"
                                                   << "a/\t/b";
}

void tst_ItemDefinition::withoutComment()
{
    QFETCH(QString, value);
    QTEST(::withoutComment(value), "expected");
}

void tst_ItemDefinition::acceptItem_data()
{
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("finished");

    QTest::newRow("no defname") << QString() << "Named" << false << "Named";
    QTest::newRow("derived name") << "i_iron_ingot" << QString() << true << "Iron ingot";
    QTest::newRow("per-cent sign") << "i_a"
                                   << "100%" << true << "100'";
}

void tst_ItemDefinition::acceptItem()
{
    QFETCH(QString, defname);
    QFETCH(QString, name);
    ItemFields fields;
    fields.defname = defname;
    fields.name = name;
    QTEST(::acceptItem(fields), "accepted");
    QTEST(fields.name, "finished");
}

void tst_ItemDefinition::ownCopy_keepsTextNotStorage()
{
    const ItemFields fields{QStringLiteral("i_a"),
                            QString(),
                            QStringLiteral("\u00c9p\u00e9e"),
                            QLatin1String(""),
                            QStringLiteral("2 i_b"),
                            QStringLiteral("x 1"),
                            QStringLiteral("s")};
    const ItemFields copy = ownCopy(fields);
    const QList<QPair<QString, QString>> pairs{{fields.defname, copy.defname},
                                               {fields.type, copy.type},
                                               {fields.name, copy.name},
                                               {fields.description, copy.description},
                                               {fields.resources, copy.resources},
                                               {fields.skillmake, copy.skillmake},
                                               {fields.subsection, copy.subsection}};
    for (const auto &[original, copied] : pairs) {
        QCOMPARE(copied, original);
        QCOMPARE(copied.isNull(), original.isNull());
        if (!original.isEmpty())
            QVERIFY(copied.constData() != original.constData());
    }
}

QTEST_MAIN(tst_ItemDefinition)
#include "tst_itemdefinition.moc"
