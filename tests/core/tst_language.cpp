// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/check/checks.h"
#include "core/language/facts.h"
#include "core/load/scriptload.h"

#include <QTest>

using namespace tavrel;

namespace {

// "kind name @line:column", with "=value" for an alias and "#" before a numeric id.
QStringList definitionLines(const ScriptFacts &facts)
{
    QStringList lines;
    for (const Definition &d : facts.definitions) {
        QString line =
            QStringLiteral("%1 %2%3 @%4:%5")
                .arg(kindName(d.kind), d.number >= 0 ? QStringLiteral("#") : QString(), d.shown())
                .arg(d.location.line)
                .arg(d.location.column);
        if (d.kind == Kind::Alias)
            line += QStringLiteral(" =") + d.value;
        lines.append(line);
    }
    return lines;
}

// "KEY name @line:column", with "!" for an element of a resource list (and the rest of the list
// after "/"), "*" where a number must be a scripted item.
QStringList referenceLines(const ScriptFacts &facts)
{
    QStringList lines;
    for (const Use &r : facts.uses) {
        QString line =
            QStringLiteral("%1 %2%3%4 @%5:%6")
                .arg(r.key, r.flags & Use::ResourceElement ? QStringLiteral("!") : QString(),
                     r.flags & Use::ScriptedNumber ? QStringLiteral("*") : QString(), r.shown())
                .arg(r.location.line)
                .arg(r.location.column);
        if (!r.rest().isEmpty())
            line += QStringLiteral(" /") + r.rest();
        lines.append(line);
    }
    for (const RandomList &list : facts.randomLists)
        lines.append(QStringLiteral("{%1 elements, %2 zero} @%3:%4")
                         .arg(list.elements)
                         .arg(list.zeroWeights.size())
                         .arg(list.location.line)
                         .arg(list.location.column));
    for (const Trigger &trigger : facts.triggers)
        lines.append(QStringLiteral("@%1 in %2").arg(trigger.name).arg(trigger.section));
    return lines;
}

QStringList findingLines(const CheckResult &result)
{
    QStringList lines;
    for (const Finding &f : result.findings)
        lines.append(QStringLiteral("%1 %2:%3:%4")
                         .arg(f.check, f.location.file)
                         .arg(f.location.line)
                         .arg(f.location.column));
    return lines;
}

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void definitions_data();
    void definitions();
    void references_data();
    void references();
    void checks_data();
    void checks();
    void findingDetails_data();
    void findingDetails();
    void numbers_data();
    void numbers();
    void kindsNamed_data();
    void kindsNamed();
};

void tst_Language::definitions_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("definitions");

    QTest::newRow("headers of every kind")
        << QByteArray("[ITEMDEF i_a]\nX=1\n[MULTIDEF m_house]\nX=1\n[CHARDEF c_man]\nX=1\n"
                      "[TEMPLATE tm_loot]\nX=1\n[REGIONTYPE r_town 1]\nX=1\n[DIALOG d_x TEXT]\n"
                      "X=1\n[FUNCTION f_go]\nX=1\n[SOMETHING s_x]\nX=1\n")
        << QStringList{"item i_a @1:10",           "item m_house @3:11",
                       "character c_man @5:10",    "template tm_loot @7:11",
                       "region type r_town @9:13", "dialog d_x @11:9",
                       "function f_go @13:11"};
    QTest::newRow("numeric headers, DEFNAME and DEFNAME2")
        << QByteArray("[ITEMDEF 0f3f]\nDEFNAME=i_log\nDEFNAME2=i_log_b\n[CHARDEF 044]\n"
                      "DEFNAME=c_ogre\n[SPELL 12]\nDEFNAME=s_fire\n[EVENTS 5]\nX=1\n")
        << QStringList{"item #0f3f @1:10",     "item i_log @2:9",       "item i_log_b @3:10",
                       "character #044 @4:10", "character c_ogre @5:9", "spell s_fire @7:9"};
    QTest::newRow("DEFNAME in trigger code defines nothing")
        << QByteArray("[ITEMDEF i_a]\nON=@Create\nDEFNAME=i_b\n") << QStringList{"item i_a @1:10"};
    QTest::newRow("skills by their KEY, types by [TYPEDEFS] lines")
        << QByteArray("[SKILL 0]\nKEY=Alchemy\n[TYPEDEFS]\nt_normal 0\nt_food\t1\n"
                      "[TYPEDEF t_gem]\nX=1\n")
        << QStringList{"skill Alchemy @2:5", "item type t_normal @4:1", "item type t_food @5:1",
                       "item type t_gem @6:10"};
    QTest::newRow("aliases: a name, a number, a list")
        << QByteArray("[DEFNAME names]\ni_wood i_log\ni_num 0x1bd7\n[RESDEFNAME r]\n"
                      "i_any {i_a 1 i_b 2}\n")
        << QStringList{"alias i_wood @2:1 =i_log", "alias i_num @3:1 =0x1bd7",
                       "alias i_any @5:1 ={i_a 1 i_b 2}"};
    QTest::newRow("names keep their case as written")
        << QByteArray("[CHARDEF C_Man]\nX=1\n") << QStringList{"character C_Man @1:10"};
}

void tst_Language::definitions()
{
    QFETCH(QByteArray, script);
    QTEST(definitionLines(readFacts(Script::fromBytes(script))), "definitions");
}

void tst_Language::references_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("references");

    QTest::newRow("item keys")
        << QByteArray("[ITEMDEF i_a]\nTYPE=t_wood\nID=0f3f\nDUPEITEM=i_b\nDUPELIST=0f40,i_c\n"
                      "TEVENTS=+e_wood, -t_x\nTDATA1=i_x 5\nCOMPONENT=i_part,1,2\n"
                      "RESOURCES=1 i_log\nON=@Create\nTYPE=t_code\n")
        << QStringList{"TYPE t_wood @2:6",   "ID *0f3f @3:4",          "DUPEITEM *i_b @4:10",
                       "DUPELIST i_c @5:15", "TEVENTS e_wood @6:10",   "TEVENTS t_x @6:19",
                       "TDATA1 i_x @7:8",    "COMPONENT i_part @8:11", "@create in 0"};
    QTest::newRow("character keys and stock triggers")
        << QByteArray("[CHARDEF c_a]\nID=c_b\nICON=i_icon\nFOODTYPE=5 t_meat, t_fruit\n"
                      "ITEM=i_gold,{100 200},R5\nON=@NPCRestock\nSELL={i_a 1 i_b 2}\n"
                      "ON=@Death\nITEM=i_code\n")
        << QStringList{"ID c_b @2:4",
                       "ICON i_icon @3:6",
                       "FOODTYPE !t_meat @4:12 /t_fruit",
                       "FOODTYPE !t_fruit @4:20",
                       "ITEM i_gold @5:6",
                       "SELL i_a @7:7",
                       "SELL i_b @7:13",
                       "{4 elements, 0 zero} @7:6",
                       "@npcrestock in 0",
                       "@death in 0"};
    QTest::newRow("resource lists: either order, bare numbers")
        << QByteArray("[SPELL 1]\nRESOURCES=i_a 2, 3 i_b,0x1bd7, 5\nSKILLREQ=Magery 50.0\n")
        << QStringList{"RESOURCES !i_a @2:11 /3 i_b,0x1bd7, 5", "RESOURCES !i_b @2:20 /0x1bd7, 5",
                       "RESOURCES !0x1bd7 @2:24 /5", "RESOURCES !5 @2:32",
                       "SKILLREQ !Magery @3:10"};
    QTest::newRow("skill menus: options, their lines and the properties")
        << QByteArray("[SKILLMENU sm_x]\nTest your skill\nTEST=Tinkering 10\nON=i_axe Axe\n"
                      "MAKEITEM=i_axe\nSKILLMENU=sm_y\n[MENU m]\nPick one\nON=0f3f Cloth\n")
        << QStringList{"TEST !Tinkering @3:6", "ON *i_axe @4:4", "MAKEITEM i_axe @5:10",
                       "SKILLMENU sm_y @6:11", "ON *0f3f @9:4"};
    QTest::newRow("templates, newbie, areas, spawns, aliases")
        << QByteArray("[TEMPLATE tm]\nCONTAINER=i_box\nITEM={i_a 1 i_b 0 i_c}\n"
                      "[NEWBIE n]\nITEM=tm\n[AREADEF a]\nEVENTS=r_town,+r_x\n[SPAWN s]\nID=c_a\n"
                      "[DEFNAME d]\nx i_y\nz {i_a 1}\nn 5\n")
        << QStringList{"CONTAINER i_box @2:11",
                       "ITEM i_a @3:7",
                       "ITEM i_b @3:13",
                       "ITEM i_c @3:19",
                       "ITEM tm @5:6",
                       "EVENTS r_town @7:8",
                       "EVENTS r_x @7:16",
                       "ID c_a @9:4",
                       "x i_y @11:3",
                       "z i_a @12:4",
                       "{5 elements, 0 zero} @3:6"};
    QTest::newRow("values computed when the script runs are not read")
        << QByteArray("[TEMPLATE tm]\nITEM=<eval i_x>\nCONTAINER=i_box(1)\nITEM=i_ok\n")
        << QStringList{"ITEM i_ok @4:6"};
    QTest::newRow("numbers are fine where no scripted item is needed")
        << QByteArray("[ITEMDEF i_a]\nTYPE=5\nDUPELIST=0f40\n[CHARDEF c]\nID=044\n")
        << QStringList();
}

void tst_Language::references()
{
    QFETCH(QByteArray, script);
    QTEST(referenceLines(readFacts(Script::fromBytes(script))), "references");
}

void tst_Language::checks_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("findings");

    const QByteArray defined = "[TYPEDEFS]\nt_normal 0\n[SKILL 0]\nKEY=Mining\n"
                               "[REGIONTYPE r_town]\nX=1\n[EVENTS e_x]\nX=1\n";
    QTest::newRow("undefined names")
        << QByteArray(defined + "[ITEMDEF i_a]\nTYPE=t_gone\n[TEMPLATE tm]\nITEM=i_gone\n"
                                "ITEM=i_a\n")
        << QStringList{"undefined-name s/a.scp:10:6", "undefined-name s/a.scp:12:6"};
    QTest::newRow("kinds the scripts define nothing of are not checked")
        << QByteArray("[ITEMDEF i_a]\nTYPE=t_gone\nTEVENTS=e_gone\n") << QStringList();
    QTest::newRow("wrong kinds, also through an alias")
        << QByteArray(defined + "[AREADEF a]\nEVENTS=t_normal\n[DEFNAME d]\nrt r_town\n"
                                "[ITEMDEF i_a]\nTYPE=rt\n")
        << QStringList{"wrong-kind s/a.scp:10:8", "wrong-kind s/a.scp:14:6"};
    QTest::newRow("aliases that loop")
        << QByteArray("[DEFNAME d]\na b\nb a\n[TEMPLATE tm]\nITEM=a\n")
        << QStringList{"undefined-name s/a.scp:5:6"};
    QTest::newRow("unscripted ids")
        << QByteArray("[ITEMDEF 0f3f]\nX=1\n[ITEMDEF i_a]\nID=0f3f\nDUPEITEM=0f40\n"
                      "[DEFNAME d]\nnum 0f41\n[ITEMDEF i_b]\nID=num\n")
        << QStringList{"unscripted-id s/a.scp:5:10", "unscripted-id s/a.scp:9:4"};
    QTest::newRow("untyped resources, in items too")
        << QByteArray("[DEFNAME d]\nnum 0x1bd7\nwood i_log\n[ITEMDEF i_log]\nX=1\n"
                      "[ITEMDEF i_a]\nRESOURCES=1 num, 2 wood, 3 i_log\n"
                      "[CHARDEF c]\nRESOURCES=5\n")
        << QStringList{"untyped-resource s/a.scp:7:13", "untyped-resource s/a.scp:9:11"};
    QTest::newRow("duplicate definitions, but item defnames")
        << QByteArray("[CHARDEF c_a]\nX=1\n[CHARDEF c_a]\nX=1\n[ITEMDEF 0f3f]\nDEFNAME=i_x\n"
                      "[ITEMDEF 0f3f]\nDEFNAME=i_y\n[ITEMDEF i_a]\nX=1\n[ITEMDEF i_a]\nX=1\n"
                      "[TEMPLATE tm]\nDEFNAME=tm\n[ITEMDEF 0f40]\nX=1\n[ITEMDEF 0f40]\nX=1\n")
        << QStringList{"duplicate-definition s/a.scp:3:10", "duplicate-definition s/a.scp:7:10",
                       "duplicate-defname s/a.scp:11:10", "duplicate-defname s/a.scp:17:10"};
    QTest::newRow("random lists")
        << QByteArray("[ITEMDEF i_a]\nX=1\n[TEMPLATE tm]\nITEM={i_a 1 i_a}\nITEM={i_a 0}\n"
                      "ITEM={i_a 1 i_a 0}\n")
        << QStringList{"random-range s/a.scp:4:6", "random-range s/a.scp:6:17"};
    QTest::newRow("bad names") << QByteArray("[ITEMDEF i_bad-name]\nX=1\n[DEFNAME d]\nok.not 5\n")
                               << QStringList{"bad-name s/a.scp:1:10"};
    QTest::newRow("duplicate triggers")
        << QByteArray("[ITEMDEF i_a]\nON=@Create\nX=1\nON=@create\n[ITEMDEF i_b]\nON=@Create\n")
        << QStringList{"duplicate-trigger s/a.scp:4:4"};

    // The shapes of real packs that name nothing wrong.
    QTest::newRow("numbers with a sign are numbers")
        << QByteArray(defined + "[ITEMDEF i_a]\nTDATA3=-1\nTDATA2=+5\nTYPE=-2\n[TEMPLATE tm]\n"
                                "ITEM=i_a,{-10000 -6001}\nITEM={-5 5}\n[DEFNAME d]\n"
                                "color_text -1\n")
        << QStringList();
    QTest::newRow("text constants of every shape, unused")
        << QByteArray(defined + "[DEFNAME d]\nage_name \"The 2nd Age\"\nfacet_0 Felucca\n"
                                "menu_1 New Hair, 50000, d_hair_style\n"
                                "upd_flags statf_a|statf_b\ndb_file databases/adddialog.db\n"
                                "loop_a loop_b\nloop_b loop_a\nodd {i_a 1 i_b}\n")
        << QStringList();
    QTest::newRow("an alias's value checked where a key reads it")
        << QByteArray(defined + "[DEFNAME d]\nloot_a \"i_a\"\nloot_b i_missing\n"
                                "loot_c loot_b\nloot_d {loot_a 1 i_lost 2}\nloot_e r_town\n"
                                "[ITEMDEF i_a]\nX=1\n[TEMPLATE tm]\nITEM=loot_a\nITEM=loot_b\n"
                                "ITEM=loot_c\nITEM=loot_d\nITEM=loot_e\n")
        << QStringList{"undefined-name s/a.scp:19:6", "undefined-name s/a.scp:20:6",
                       "undefined-name s/a.scp:21:6", "wrong-kind s/a.scp:22:6"};
    QTest::newRow("names of sections are simple, constants may hold anything")
        << QByteArray("[DEFNAME d]\nNPCBrain.0 brain_none\nfacet-\xc3\xa9t\xc3\xa9 2\n"
                      "[TYPEDEFS]\nt.x 5\n[CHARDEF c-bad]\nX=1\n[CHARDEF 044]\n"
                      "DEFNAME=c.bad\n")
        << QStringList{"bad-name s/a.scp:6:10", "bad-name s/a.scp:9:9"};
    QTest::newRow("parts of one definition are not duplicates")
        << QByteArray("[BOOK b_guide]\nX=1\n[BOOK b_guide 1]\nX=1\n[BOOK b_guide 2]\nX=1\n"
                      "[DIALOG d_hello]\nX=1\n[DIALOG d_hello TEXT]\nX=1\n"
                      "[DIALOG d_hello BUTTON]\nX=1\n[TYPEDEFS]\nt_deed 115\n"
                      "[TYPEDEF t_deed]\nX=1\n[ITEMDEF 050]\nX=1\n[MULTIDEF 050]\nX=1\n"
                      "[BOOK b_guide 2]\nX=1\n[DIALOG d_hello text]\nX=1\n")
        << QStringList{"duplicate-definition s/a.scp:21:7", "duplicate-definition s/a.scp:23:9"};
    QTest::newRow("a multi's number is no item's")
        << QByteArray("[MULTIDEF 0123]\nX=1\n[ITEMDEF i_a]\nID=0123\n")
        << QStringList{"unscripted-id s/a.scp:4:4"};
    QTest::newRow("lists of one value, ranges, nested ranges")
        << QByteArray(defined + "[ITEMDEF i_a]\nX=1\n[TEMPLATE tm]\nITEM={i_a}\n"
                                "ITEM={i_a 0}\nITEM={5 0}\nITEM={0bf 1 {024d 024f} 1}\n"
                                "ITEM={i_a 1 {i_a 5} 0}\nITEM={i_gone}\n")
        << QStringList{"random-range s/a.scp:16:21", "undefined-name s/a.scp:17:7"};
    QTest::newRow("a computed part skips itself alone")
        << QByteArray(defined + "[ITEMDEF i_a]\n[SKILLMENU sm_x]\nTest your skill\n"
                                "ON=i_no_such_item <name> (<resmake>)\nON=<eval 5> x\n"
                                "[TEMPLATE tm]\nITEM=i_no_such_thing,<eval 5>\nITEM=<v> <w>\n")
        << QStringList{"undefined-name s/a.scp:12:4", "undefined-name s/a.scp:15:6"};
    QTest::newRow("a computed amount skips itself alone")
        << QByteArray(defined + "[ITEMDEF i_a]\nX=1\n[CHARDEF c_a]\n"
                                "RESOURCES=<eval 5> i_gone, <v> i_a\n")
        << QStringList{"undefined-name s/a.scp:12:20"};
}

void tst_Language::checks()
{
    QFETCH(QByteArray, script);
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), script);
    CheckOptions options;
    options.disabled = {QStringLiteral("missing-resource"), QStringLiteral("not-utf8")};
    QTEST(findingLines(
              runChecks(loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp")), options)),
          "findings");
}

void tst_Language::findingDetails_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("ignored");
    // "check line:column (in defname) message", then "  related line:column message" lines.
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("an alias holding a name that is not defined, at its use")
        << QByteArray(
               "[DEFNAME d]\nloot_b i_mising_helm\nloot_c  loot_b\n[ITEMDEF i_missing_helm]\n"
               "[TEMPLATE tm]\nITEM=loot_c\n")
        << QStringList()
        << QStringList{"undefined-name 6:6 (in tm) \"loot_c\" (defined at s/a.scp:3) holds "
                       "\"i_mising_helm\", which is not defined; ITEM expects an item or template "
                       "here. Did you mean \"i_missing_helm\"?",
                       "  related 3:1 \"loot_c\" is an alias",
                       "  related 2:8 \"loot_b\" holds \"i_mising_helm\" here"};
    QTest::newRow("a numbered section goes by its DEFNAME")
        << QByteArray("[CHARDEF 073]\nDEFNAME=c_steed\nID=c_nothing\n[CHARDEF 074]\nID=c_gone\n"
                      "[CHARDEF 073]\nDEFNAME=c_steed_b\n")
        << QStringList{"c_nothing"}
        << QStringList{"undefined-name 5:4 (in 074) \"c_gone\" is not defined; ID expects a "
                       "character here.",
                       "duplicate-definition 6:10 (in c_steed_b) The character \"073\" is defined "
                       "again (before at s/a.scp:1); the server keeps this one.",
                       "  related 1:10 defined before here"};
    QTest::newRow("a numbered section ignored by its DEFNAME")
        << QByteArray("[CHARDEF 073]\nDEFNAME=c_steed\nID=c_gone\n") << QStringList{"C_Steed"}
        << QStringList();
    QTest::newRow("never the name holding the reference")
        << QByteArray("[TEMPLATE tm_loot_rich]\nITEM=tm_loot_rih\n[ITEMDEF i_board]\n"
                      "RESOURCES=1 i_boar, 1 i_boards\n")
        << QStringList()
        << QStringList{"undefined-name 2:6 (in tm_loot_rich) \"tm_loot_rih\" is not defined; "
                       "ITEM expects an item or template here.",
                       "missing-resource 4:13 (in i_board) Resource \"i_boar\" is not defined; "
                       "RESOURCES expects an item or an item type here.",
                       "missing-resource 4:23 (in i_board) Resource \"i_boards\" is not defined; "
                       "RESOURCES expects an item or an item type here."};
}

void tst_Language::findingDetails()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, ignored);
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), script);
    CheckOptions options;
    options.ignored = ignored;
    QStringList lines;
    for (const Finding &f :
         runChecks(loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp")), options).findings) {
        lines.append(QStringLiteral("%1 %2:%3 (in %4) %5")
                         .arg(f.check)
                         .arg(f.location.line)
                         .arg(f.location.column)
                         .arg(f.defname, f.message));
        for (const RelatedPlace &place : f.related)
            lines.append(QStringLiteral("  related %1:%2 %3")
                             .arg(place.location.line)
                             .arg(place.location.column)
                             .arg(place.message));
    }
    QTEST(lines, "findings");
}

void tst_Language::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("number");

    QTest::newRow("leading 0: hexadecimal") << "0f3f" << qint64(0xf3f);
    QTest::newRow("0x prefix") << "0x1BD7" << qint64(0x1bd7);
    QTest::newRow("decimal") << "4014" << qint64(4014);
    QTest::newRow("zero") << "0" << qint64(0);
    QTest::newRow("a name") << "i_log" << qint64(-1);
    QTest::newRow("not a number after all") << "0zz" << qint64(-1);
}

void tst_Language::numbers()
{
    QFETCH(QString, text);
    QTEST(scriptNumber(text), "number");
}

void tst_Language::kindsNamed_data()
{
    QTest::addColumn<QByteArray>("script");
    // The kinds each line of the script names, "-" where none, the lines of every section in
    // order.
    QTest::addColumn<QStringList>("kinds");

    QTest::newRow("an item's resources and skills, its trigger code")
        << QByteArray("[ITEMDEF i_a]\nRESOURCES=i_b\nSKILLMAKE=x\nTYPE=t_x\nNAME=A\n"
                      "ON=@Create\nRESOURCES=i_c\n")
        << QStringList{"item|item type", "item|item type|skill", "item type", "-", "-", "-"};
    QTest::newRow("a character's stock and other triggers")
        << QByteArray("[CHARDEF c_a]\nTEVENTS=e_x\nON=@NPCRestock\nITEM=i_a\nON=@Hit\n"
                      "ITEM=i_a\n")
        << QStringList{"event set", "-", "item|template", "-", "-"};
    QTest::newRow("aliases name anything, templates items or templates")
        << QByteArray("[DEFNAME d]\nd_a=i_x\n[TEMPLATE tm]\nITEM=i_a\nCONTAINER=i_b\n")
        << QStringList{"everything", "item|template", "item|template"};
}

void tst_Language::kindsNamed()
{
    QFETCH(QByteArray, script);
    const Script read = Script::fromBytes(script);
    QStringList kinds;
    for (const ScriptSection &section : read.sections) {
        for (int line = section.firstLine; line < section.firstLine + section.lineCount; ++line) {
            const Kinds named = kindsNamedBy(read, section, line);
            QStringList names;
            for (int kind = 0; kind < int(Kind::Count); ++kind) {
                if (named & kindBit(Kind(kind)))
                    names.append(kindName(Kind(kind)));
            }
            kinds.append(named == everyKind ? QStringLiteral("everything")
                         : names.isEmpty()  ? QStringLiteral("-")
                                            : names.join(u'|'));
        }
    }
    QTEST(kinds, "kinds");
}

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
