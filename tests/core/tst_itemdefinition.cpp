// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/read/itemdefinition.h"
#include "core/read/scan.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

using namespace tavrel;

namespace {

// The fields of the named section as the reading pass leaves them: read, then the name
// finished.
ItemFields readSection(const QByteArray &bytes, const QString &section)
{
    const Script script = Script::fromBytes(bytes);
    for (const ScriptSection &candidate : script.sections) {
        if (script.name(candidate) != section)
            continue;
        ItemFields fields = readItemDefinition(script, candidate).fields;
        QString plural;
        finishName(fields, plural);
        return fields;
    }
    ItemFields none;
    none.defname = QStringLiteral("no such section");
    return none;
}

// The fields as the INI reader gave them, for sections it reads the same way: each key once.
QList<ItemFields> readWithSettings(const QString &path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.sync();
    QList<ItemFields> items;
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        if (!isItemDefinition(QStringView(group).left(group.indexOf(u' '))))
            continue;
        settings.beginGroup(group);
        QHash<QString, QString> values;
        const QStringList keys = settings.childKeys();
        for (const QString &key : keys)
            values.insert(key.toUpper(), settings.value(key).toString());
        settings.endGroup();
        ItemFields fields;
        fields.defname = values.value(QStringLiteral("DEFNAME"), sectionWord(group, 1)).toLower();
        fields.description = values.value(QStringLiteral("DESCRIPTION"));
        fields.subsection = values.value(QStringLiteral("SUBSECTION"));
        fields.name = values.value(QStringLiteral("NAME"), fields.description);
        if (fields.name.isEmpty())
            fields.name = fields.subsection;
        fields.type = values.value(QStringLiteral("TYPE"), QStringLiteral("GLOBAL_TYPE")).toLower();
        fields.resources = values.value(QStringLiteral("RESOURCES")).toLower();
        fields.skillmake = values.value(QStringLiteral("SKILLMAKE")).toLower();
        QString plural;
        if (acceptItem(fields, plural))
            items.append(fields);
    }
    return items;
}

QString fieldsLine(const ItemFields &f)
{
    return QStringList{f.defname,   f.type,      f.name,      f.description,
                       f.resources, f.skillmake, f.subsection}
        .join(u'|');
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
    void readItemDefinition_sameAsIniReaderWhereItReadsAlike();
    void entriesAtTheirColumns();
    void scriptLayout_data();
    void scriptLayout();
    void nameFromDefname_data();
    void nameFromDefname();
    void nameForms_data();
    void nameForms();
    void acceptItem_data();
    void acceptItem();
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
    QTest::newRow("leading blank") << " itemdef x" << true;
    QTest::newRow("tab after the keyword") << "itemdef\tx" << true;
    QTest::newRow("other keyword") << "typedef t_shirt" << false;
    QTest::newRow("keyword second") << "events itemdef" << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("dotted capital I") << QString::fromUtf8("\xc4\xb0TEMDEF x") << false;
    QTest::newRow("dotless small i") << QString::fromUtf8("\xc4\xb1temdef x") << false;
}

// The kind is the header's first word, as the reader splits it.
void tst_ItemDefinition::isItemDefinition()
{
    QFETCH(QString, section);
    const Script script = Script::fromBytes("[" + section.toUtf8() + "]\nX=1\n");
    QCOMPARE(script.sections.size(), 1);
    QTEST(::isItemDefinition(script.kind(script.sections.constFirst())), "expected");
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
    QTest::newRow("texts as written, lists without blanks around their elements")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=one, two ,three\nSUBSECTION=x,  y\n"
                      "RESOURCES=2 i_ingot, i_log\nSKILLMAKE=Carpentry 100, alchimy 51.1\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "one, two ,three"
        << "one, two ,three"
        << "2 i_ingot,i_log"
        << "carpentry 100,alchimy 51.1"
        << "x,  y";
    QTest::newRow("NAME with a comma")
        << QByteArray("[itemdef i_a]\nNAME=Tattered, Plainly Drawn Map\nSUBSECTION=Maps\n")
        << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "Tattered, Plainly Drawn Map" << QString() << QString() << QString() << "Maps";
    QTest::newRow("quotes and semicolons mean nothing")
        << QByteArray("[itemdef i_a]\nNAME=\"Foo; bar\nTYPE=t_a;b\n[itemdef i_b]\n")
        << "itemdef i_a"
        << "i_a"
        << "t_a;b"
        << "\"Foo; bar" << QString() << QString() << QString() << QString();
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
    QTest::newRow("plural marker in a name")
        << QByteArray("[itemdef i_a]\nNAME=lo%aves/af% of bread\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "loaf of bread" << QString() << QString() << QString() << QString();
    QTest::newRow("plural marker in a name taken from the description")
        << QByteArray("[itemdef i_a]\nDESCRIPTION=log%s\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "log"
        << "log%s" << QString() << QString() << QString();
    QTest::newRow("trigger code does not override properties")
        << QByteArray("[itemdef i_keg]\nTYPE=t_container\nNAME=Keg\nON=@Create\n"
                      "TYPE=t_container_locked\nNAME=a <SRC.TARG.NAME> Keg(<MOREX>)\n")
        << "itemdef i_keg"
        << "i_keg"
        << "t_container"
        << "Keg" << QString() << QString() << QString() << QString();
    QTest::newRow("repeated key: the last line wins")
        << QByteArray("[itemdef i_a]\nRESOURCES=9 i_old\nresources=2 i_string\n") << "itemdef i_a"
        << "i_a"
        << "global_type"
        << "A" << QString() << "2 i_string" << QString() << QString();
    QTest::newRow("key and value apart by blanks")
        << QByteArray("[itemdef i_a]\nNAME Plain hat\nTYPE = t_hat\n") << "itemdef i_a"
        << "i_a"
        << "t_hat"
        << "Plain hat" << QString() << QString() << QString() << QString();
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
        << QByteArray("[itemdef i_a//old]\nX=1\n") << "itemdef i_a"
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
    QTest::newRow("the last line wins in any spelling")
        << QByteArray("[itemdef i_x]\nDEFNAME=i_exact\ndefname=i_other\nNAME=Exact\n"
                      "Name=Other\nRESOURCES=i_exact\nresources=i_other\n")
        << "itemdef i_x"
        << "i_other"
        << "global_type"
        << "Other" << QString() << "i_other" << QString() << QString();
    QTest::newRow("the last line wins, exact spelling last")
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

// On sections without the cases the two read differently (trigger code, commas, quotes,
// semicolons, backslashes, "%", a key written twice), the reader gives what the INI reader did.
void tst_ItemDefinition::readItemDefinition_sameAsIniReaderWhereItReadsAlike()
{
    static const char *const keys[] = {"DEFNAME", "DESCRIPTION", "SUBSECTION", "NAME",
                                       "TYPE",    "RESOURCES",   "SKILLMAKE",  "VALUE"};
    static const char *const words[] = {"i_log",     "Iron", "2", "t_food", "Fine hat",
                                        "tailoring", "50.5", "x", "",       "i_Big_Hat"};
    QRandomGenerator random(17);
    const auto word = [&random] { return QByteArray(words[random.bounded(10)]); };
    const auto spelled = [&random](QByteArray key) {
        return random.bounded(3) == 0 ? key.toLower() : key;
    };
    QByteArray text;
    for (int section = 0; section < 300; ++section) {
        text += "[" + spelled("ITEMDEF") + " i_" + QByteArray::number(section) + "]\n";
        for (const char *key : keys) {
            if (random.bounded(2) == 0)
                continue;
            QByteArray value = word();
            if (random.bounded(3) == 0)
                value += ' ' + word();
            text += spelled(key) + (random.bounded(2) ? " = " : "=") + value + '\n';
        }
    }
    const WorkingDirectory wd;
    wd.write(QStringLiteral("items.scp"), text);

    QStringList read;
    for (const ScannedSection &section :
         scanScriptFile(QStringLiteral("items.scp"), ScanDepth::Items).sections) {
        if (section.accepted)
            read.append(fieldsLine(section.item.fields));
    }
    QStringList expected;
    for (const ItemFields &fields : readWithSettings(QStringLiteral("items.scp")))
        expected.append(fieldsLine(fields));
    // The INI reader lists sections in its own order.
    read.sort();
    expected.sort();
    QVERIFY(read.size() > 250);
    QCOMPARE(read, expected);
}

void tst_ItemDefinition::entriesAtTheirColumns()
{
    const Script script = Script::fromBytes("[ITEMDEF i_a]\n"
                                            "RESOURCES= 2 i_log ,\t3\ti_ore,, I_Gem // old\n"
                                            "SKILLMAKE=Tinkering 20, 50.5 \xc3\xa9tain\n"
                                            "DEFNAME = i_b\n");
    const ItemDefinition item = ::readItemDefinition(script, script.sections.constFirst());
    QCOMPARE(item.fields.resources, QStringLiteral("2 i_log,3i_ore,,i_gem"));
    QStringList resources;
    for (const ResourceEntry &entry : item.entries.resources)
        resources.append(
            QStringLiteral("%1 %2 @%3").arg(entry.amount).arg(entry.id).arg(entry.column));
    QCOMPARE(resources, (QStringList{"2 i_log @14", "1 3i_ore @22", "1  @30", "1 i_gem @32"}));
    QStringList skills;
    for (const SkillEntry &entry : item.entries.skills)
        skills.append(
            QStringLiteral("%1 %2 @%3").arg(entry.skill).arg(entry.value).arg(entry.column));
    QCOMPARE(skills, (QStringList{"tinkering 20 @11", QString::fromUtf8("\xc3\xa9tain 50.5 @30")}));
    QCOMPARE(item.place.resourcesLine, 2);
    QCOMPARE(item.place.skillmakeLine, 3);
    QCOMPARE(item.place.defname.line, 4);
    QCOMPARE(item.place.defname.column, 11);
}

void tst_ItemDefinition::scriptLayout_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("defnames");

    QTest::newRow("UTF-8 byte-order mark before the first header")
        << QByteArray("\xef\xbb\xbf[ITEMDEF i_first]\nNAME=First\n[itemdef i_second]\nX=1\n")
        << QStringList{"i_first", "i_second"};
    QTest::newRow("trigger code lines without equals sign")
        << QByteArray("[itemdef i_a]\nDEFNAME=i_a\nON=@Create\nCOLOR=0\nSERV.NEWITEM i_x\n"
                      "if <src.isplayer>\n  return 1\nendif\nRESOURCES=i_b\n[itemdef i_b]\n"
                      "ON=@DClick\nsrc.sysmessage hello\n")
        << QStringList{"i_a", "i_b"};
    QTest::newRow("section without lines is none")
        << QByteArray("[itemdef i_empty]\n[itemdef i_a]\nX=1\n") << QStringList{"i_a"};
    QTest::newRow("repeated section: both")
        << QByteArray("[itemdef i_a]\nNAME=One\n[itemdef i_a]\nNAME=Two\n")
        << QStringList{"i_a", "i_a"};
    QTest::newRow("other kinds and itemdefs")
        << QByteArray("[ITEMDEFS i_x]\nX=1\n[TYPEDEF t_x]\nX=1\n[itemdef i_a]\nX=1\n")
        << QStringList{"", "", "i_a"};
}

void tst_ItemDefinition::scriptLayout()
{
    QFETCH(QByteArray, script);
    const WorkingDirectory wd;
    wd.write(QStringLiteral("item.scp"), script);
    QStringList defnames;
    for (const ScannedSection &section :
         scanScriptFile(QStringLiteral("item.scp"), ScanDepth::Items).sections)
        defnames.append(section.item.fields.defname);
    QTEST(defnames, "defnames");
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

void tst_ItemDefinition::nameForms_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("singular");
    QTest::addColumn<QString>("plural");

    QTest::newRow("no marker") << "Fine hat"
                               << "Fine hat"
                               << "Fine hat";
    QTest::newRow("plural ending") << "log%s"
                                   << "log"
                                   << "logs";
    QTest::newRow("both forms") << "lo%aves/af% of bread"
                                << "loaf of bread"
                                << "loaves of bread";
    QTest::newRow("two markers") << "%knives/knife% and %forks/fork%"
                                 << "knife and fork"
                                 << "knives and forks";
    QTest::newRow("closed marker, plural only") << "arrow%s% shaft"
                                                << "arrow shaft"
                                                << "arrows shaft";
    QTest::newRow("empty marker") << "a%%b"
                                  << "ab"
                                  << "ab";
}

void tst_ItemDefinition::nameForms()
{
    QFETCH(QString, name);
    QTEST(nameForm(name, false), "singular");
    QTEST(nameForm(name, true), "plural");
}

void tst_ItemDefinition::acceptItem_data()
{
    QTest::addColumn<QString>("defname");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("finished");
    QTest::addColumn<QString>("plural");

    QTest::newRow("no defname") << QString() << "Named" << false << "Named" << QString();
    QTest::newRow("derived name") << "i_iron_ingot" << QString() << true << "Iron ingot"
                                  << "Iron ingot";
    QTest::newRow("plural marker") << "i_log"
                                   << "Log%s" << true << "Log"
                                   << "Logs";
}

void tst_ItemDefinition::acceptItem()
{
    QFETCH(QString, defname);
    QFETCH(QString, name);
    ItemFields fields;
    fields.defname = defname;
    fields.name = name;
    QString plural;
    QTEST(::acceptItem(fields, plural), "accepted");
    QTEST(fields.name, "finished");
    QTEST(plural, "plural");
}

QTEST_MAIN(tst_ItemDefinition)
#include "tst_itemdefinition.moc"
