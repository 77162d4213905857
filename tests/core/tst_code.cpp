// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/check/checks.h"
#include "core/language/facts.h"
#include "core/load/scriptload.h"

#include <QTest>

using namespace tavrel;

namespace {

// "KEY name @line:column", with "()" after a verb that may call a function, "?" after a name
// read as 0 where it is missing.
QStringList useLines(const QByteArray &script)
{
    QStringList lines;
    for (const Use &use : readFacts(Script::fromBytes(script)).uses)
        lines.append(QStringLiteral("%1 %2%3%4 @%5:%6")
                         .arg(use.key, use.shown(), use.isCall() ? QStringLiteral("()") : QString(),
                              use.flags & Use::Optional ? QStringLiteral("?") : QString())
                         .arg(use.location.line)
                         .arg(use.location.column));
    return lines;
}

LoadedScripts load(const QByteArray &script)
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), script);
    return loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp"));
}

QString kindsText(Kinds kinds)
{
    QStringList names;
    for (int kind = 0; kind < int(Kind::Count); ++kind) {
        if (kinds & kindBit(Kind(kind)))
            names.append(kindName(Kind(kind)));
    }
    return kinds == everyKind ? QStringLiteral("everything")
           : names.isEmpty()  ? QStringLiteral("-")
                              : names.join(u'|');
}

} // namespace

// Code is read as the server runs it: what each verb and expression names, what the checks make
// of it, and what the editor completes there.
class tst_Code : public QObject
{
    Q_OBJECT

private slots:
    void uses_data();
    void uses();
    void findings_data();
    void findings();
    void kindsAt_data();
    void kindsAt();
};

void tst_Code::uses_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("uses");

    QTest::newRow("objects made, through an object's path")
        << QByteArray("[FUNCTION f]\nSRC.NEWNPC c_a\nNEWITEM i_b, 5\nSERV.NEWITEM {i_c 1 i_d 2}\n"
                      "NEWLOOT=tm_e\nADDCHAR c_f\nSUMMON c_g\nNEWSUMMON c_h\nPOLY c_i\n"
                      "ADDITEM i_j\nMAKEITEM i_k\nREF1.ADD c_l\nNEW.ADD i_m\n")
        << QStringList{"NEWNPC c_a @2:12",  "NEWITEM i_b @3:9",    "NEWITEM i_c @4:15",
                       "NEWITEM i_d @4:21", "NEWLOOT tm_e @5:9",   "ADDCHAR c_f @6:9",
                       "SUMMON c_g @7:8",   "NEWSUMMON c_h @8:11", "POLY c_i @9:6",
                       "ADDITEM i_j @10:9", "MAKEITEM i_k @11:10", "ADD c_l @12:10",
                       "ADD i_m @13:9"};
    QTest::newRow("numbers and computed names name nothing")
        << QByteArray("[FUNCTION f]\nADD 0eed\nADD <LOCAL.x>\nNEWITEM i_<LOCAL.n>, 2\n"
                      "NEWNPC -1\nCAST 18\nNEWITEM {<LOCAL.a> 1 i_b 1}\n")
        << QStringList{"NEWITEM i_b @7:22"};
    QTest::newRow("variables are no verbs")
        << QByteArray("[FUNCTION f]\nLOCAL.add=5\nTAG.newnpc=c_x\nVAR.x=i_y\nSRC.TAG.NEWITEM "
                      "i_x\nCTAG.f_x=1\nDEF.x=5\n")
        << QStringList();
    QTest::newRow("dialogs, menus and spells")
        << QByteArray("[FUNCTION f]\nSRC.DIALOG d_a 1\nSDIALOG d_b\nDIALOGCLOSE d_c, 0\n"
                      "MENU m_a\nSKILLMENU sm_a\nCAST s_fire\nIF <SRC.ISDIALOGOPEN.d_e>\nENDIF\n")
        << QStringList{"DIALOG d_a @2:12",      "SDIALOG d_b @3:9",     "DIALOGCLOSE d_c @4:13",
                       "MENU m_a @5:6",         "SKILLMENU sm_a @6:11", "CAST s_fire @7:6",
                       "ISDIALOGOPEN d_e @8:22"};
    QTest::newRow("events added or taken away, not set")
        << QByteArray("[FUNCTION f]\nEVENTS +e_a\nSRC.EVENTS=-e_b\nEVENTS e_c\nEVENTS=\n"
                      "IF (<ARGO.isevent.t_a>) && (<ISTEVENT.t_b>)\nENDIF\n")
        << QStringList{"EVENTS e_a @2:9", "EVENTS e_b @3:13", "isevent t_a @6:19",
                       "ISTEVENT t_b @6:39"};
    QTest::newRow("resource lists, as verbs and in expressions")
        << QByteArray("[FUNCTION f]\nCONSUME 5 i_a\nSRC.RESTEST 1 i_b, 2 t_c\n"
                      "IF (<SRC.RESCOUNT i_d> > 2) && (<RESTEST <LOCAL.n> i_e>)\nENDIF\n")
        << QStringList{"CONSUME i_a @2:11", "RESTEST i_b @3:15", "RESTEST t_c @3:22",
                       "RESCOUNT i_d @4:19", "RESTEST i_e @4:52"};
    QTest::newRow("functions a line calls")
        << QByteArray("[FUNCTION f]\nf_a 5\nSRC.f_b\nCALL f_c 1\nTRY SRC.f_d\nTRYP 0 f_e\n"
                      "TRYSRC <SRC.UID> f_f\nTIMERF 1, f_g\nTIMERFMS 50,f_h\n"
                      "SAY <f_i 5> <f_j> <f_k.x> <LOCAL.f_l>\ngohome\n")
        << QStringList{"f_a f_a() @2:1",     "f_b f_b() @3:5",       "CALL f_c() @4:6",
                       "TRY f_d() @5:9",     "TRYP f_e() @6:8",      "TRYSRC f_f() @7:18",
                       "TIMERF f_g() @8:11", "TIMERFMS f_h() @9:13", "f_i f_i() @10:6",
                       "f_j f_j() @10:14",   "gohome gohome() @11:1"};
    QTest::newRow("the server's own verbs and blocks call nothing")
        << QByteArray("[FUNCTION f]\nSAY Hello\nSRC.SYSMESSAGE Hi\nTIMERF 1, SAY hi\n"
                      "TIMERF CLEAR\nTRY SAY hi\nIF (<SRC.STR> > 10)\nELSE\nENDIF\nRETURN 1\n"
                      "LOCAL.x=<eval <LOCAL.x>+1>\nSRC.STR += 1\nFORCHARS 5\nENDFOR\n")
        << QStringList();
    QTest::newRow("constants: DEF and RESDEF, and those read as 0 where missing")
        << QByteArray("[FUNCTION f]\nSAY <DEF.msg_a> <def0.msg_b> <RESDEF.i_c> <RESDEF0.i_d>\n"
                      "SAY <DEF.NPCBrain.0> <DEFMSG.x> <DEF.<LOCAL.n>> <RESDEF.i_x.NAME>\n"
                      "SAY DEF.y <DEF.unclosed\n")
        << QStringList{"DEF msg_a @2:10", "def0 msg_b? @2:23", "RESDEF i_c @2:38",
                       "RESDEF0 i_d? @2:52", "DEF NPCBrain.0 @3:10"};
    QTest::newRow("the server's tables and objects found")
        << QByteArray("[FUNCTION f]\nLOCAL.n=<SERV.ITEMDEF.i_a.NAME> <SERV.CHARDEF.c_b.NAME>\n"
                      "LOCAL.s=<SERV.SPELL.s_c.NAME> <SERV.SKILL.Alchemy.KEY> "
                      "<SERV.ITEMDEF.0eed.NAME>\nSRC.FINDID.i_d.REMOVE\n"
                      "LOCAL.t=<SRC.FINDTYPE.t_e.UID> <SRC.FINDID.i_<LOCAL.n>.UID>\n")
        << QStringList{"ITEMDEF i_a @2:23",   "CHARDEF c_b @2:47", "SPELL s_c @3:21",
                       "SKILL Alchemy @3:43", "FINDID i_d @4:12",  "FINDTYPE t_e @5:23"};
    QTest::newRow("bare names an IF, ELIF or WHILE compares")
        << QByteArray("[FUNCTION f]\nIF (<SRC.BASEID> == i_a)\nELIF (c_b != <SRC.ID>)\n"
                      "ELSEIF(<TYPE>==t_c)\nENDIF\nWHILE (<LOCAL.x> == I_D)\nENDWHILE\n")
        << QStringList{"IF i_a @2:21", "ELIF c_b @3:7", "ELSEIF t_c @4:16", "WHILE I_D @6:21"};
    QTest::newRow("names not compared, quoted, in expressions or of other prefixes")
        << QByteArray("[FUNCTION f]\nIF (<SRC.BASEID> == \"i_a\")\nENDIF\n"
                      "IF (<LOCAL.i_b> > 5) && i_c\nENDIF\n"
                      "IF (<x> == i_d.NAME) || (<x> == e_x) || (<x> == i_<LOCAL.n>)\nENDIF\n"
                      "SAY == i_e\nIF (<x> == f_go)\nENDIF\n")
        << QStringList();
    QTest::newRow("a line of megabytes, read in one pass")
        << QByteArray("[FUNCTION f]\n" + QByteArray("SRC.").repeated(250000) + "NEWNPC c_a " +
                      QByteArray("<DEF.<SRC.RESCOUNT ").repeated(50000) + "\nTRY " +
                      QByteArray("TRY ").repeated(250000) + "f_b\n")
        << QStringList{"NEWNPC c_a @2:1000008"};
    QTest::newRow("where code is, and where it is not")
        << QByteArray("[ITEMDEF i_x]\nNEWNPC c_property\nON=@DClick\nNEWNPC c_a\n"
                      "[SPEECH spk]\nON=*hi*\nDIALOG d_a\n[DIALOG d_b]\n0,0\n"
                      "IF (<ISDIALOGOPEN.d_c>)\nENDIF\n[DIALOG d_b TEXT]\nDIALOG d_text\n"
                      "[DIALOG d_b BUTTON]\nON=1\nDIALOG d_d\n[SKILLMENU sm_x]\nTitle\n"
                      "ON=i_opt Option\nMAKEITEM=i_made\nNEWITEM i_e\n[COMMENT c]\n"
                      "NEWNPC c_comment\n[CHARDEF c_x]\nON=@Create\nITEM=i_stock\nNEWITEM i_f\n")
        << QStringList{"NEWNPC c_a @4:8",   "DIALOG d_a @7:8",    "ISDIALOGOPEN d_c @10:19",
                       "DIALOG d_d @16:8",  "ON i_opt @19:4",     "MAKEITEM i_made @20:10",
                       "NEWITEM i_e @21:9", "ITEM i_stock @26:6", "NEWITEM i_f @27:9"};
}

void tst_Code::uses()
{
    QFETCH(QByteArray, script);
    QTEST(useLines(script), "uses");
}

void tst_Code::findings_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("enabled");
    // "check line:column message".
    QTest::addColumn<QStringList>("findings");

    const QByteArray defined =
        "[CHARDEF c_corporeal_brume]\nX=1\n[ITEMDEF i_sword]\nX=1\n[DIALOG d_hello]\n0,0\n"
        "[DIALOG d_hello TEXT]\nHi\n[EVENTS e_guard]\nX=1\n[TYPEDEFS]\nt_house_secure 5\n"
        "[DEFNAME d]\nShurikenSkillUsed 5\nmsg_text Hello, the world\nloot_x i_lost\n"
        "c_man_number 0190\n[FUNCTION f_real]\nRETURN 1\n";
    // The script's code starts at line 21.
    const QByteArray code = defined + "[FUNCTION f_code]\n";
    QTest::newRow("faults of every form")
        << QByteArray(code + "SRC.NEWNPC c_corporeal_blume\nNEWITEM {i_sword 1 i_swrod 1}\n"
                             "TIMERF 1, f_lich_polymorph\nIF (<argo.isevent.t_house_secure>) "
                             "|| (<ISEVENT.t_house_secured>)\nENDIF\n"
                             "SAY <DEF.ShurikenSkill>\nSRC.DIALOG d_helo\n"
                             "IF (<SRC.BASEID> == i_swor)\nENDIF\n")
        << QStringList()
        << QStringList{
               "undefined-name 21:12 \"c_corporeal_blume\" is not defined; NEWNPC expects a "
               "character here. Did you mean \"c_corporeal_brume\"?",
               "undefined-name 22:20 \"i_swrod\" is not defined; NEWITEM expects an item or "
               "template here. Did you mean \"i_sword\"?",
               "undefined-name 23:11 \"f_lich_polymorph\" is not defined: no [FUNCTION] section "
               "defines it, and the server has no verb of that name.",
               "undefined-name 24:49 \"t_house_secured\" is not defined; ISEVENT expects an item "
               "type, event set or region type here. Did you mean \"t_house_secure\"?",
               "undefined-name 26:10 \"ShurikenSkill\" is not defined; DEF expects a defined name "
               "here.",
               "undefined-name 27:12 \"d_helo\" is not defined; DIALOG expects a dialog here. Did "
               "you mean \"d_hello\"?",
               "undefined-name 28:21 \"i_swor\" is not defined; IF expects an item or template "
               "here. Did you mean \"i_sword\"?"};
    QTest::newRow("what is well: calls, constants whatever they hold, numbers, verbs")
        << QByteArray(code + "TIMERF 1, f_real\nCALL f_real\nf_real\ngohome 5\nforge_axe\n"
                             "SAY <DEF.msg_text> <DEF.loot_x> <f_real>\n"
                             "IF (<SRC.ID> == c_man_number) || (<SRC.BASEID> == I_SWORD)\nENDIF\n"
                             "NEWNPC 0190\nSAY <DEF0.gone> <RESDEF0.gone_too>\n")
        << QStringList() << QStringList();
    QTest::newRow("a name of another kind, but not a verb")
        << QByteArray(code + "SRC.NEWNPC i_sword\nNEWITEM c_corporeal_brume\ni_sword 5\n")
        << QStringList()
        << QStringList{"wrong-kind 21:12 \"i_sword\" is an item, but NEWNPC expects a character.",
                       "wrong-kind 22:9 \"c_corporeal_brume\" is a character, but NEWITEM expects "
                       "an item or template."};
    QTest::newRow("names read as 0 where missing, when asked")
        << QByteArray(code + "SAY <DEF0.gone> <RESDEF0.i_gone> <DEF0.ShurikenSkillUsed>\n")
        << QStringList{"undefined-def0"}
        << QStringList{"undefined-def0 21:11 \"gone\" is not defined: DEF0 reads 0 for it.",
                       "undefined-def0 21:26 \"i_gone\" is not defined: RESDEF0 reads 0 for it."};
    QTest::newRow("a pack that defines no function calls none of its own")
        << QByteArray("[ITEMDEF i_a]\nON=@DClick\nTIMERF 1, f_elsewhere\nf_other\n")
        << QStringList() << QStringList();
}

void tst_Code::findings()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, enabled);
    CheckOptions options;
    options.disable(QStringLiteral("not-utf8"));
    for (const QString &id : std::as_const(enabled))
        options.enable(id);
    QStringList lines;
    for (const Finding &f : runChecks(load(script), options).findings)
        lines.append(QStringLiteral("%1 %2:%3 %4")
                         .arg(f.check)
                         .arg(f.location.line)
                         .arg(f.location.column)
                         .arg(f.message));
    QTEST(lines, "findings");
}

void tst_Code::kindsAt_data()
{
    QTest::addColumn<QByteArray>("line");
    // Where the editor's cursor stands in the line.
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("kinds");

    QTest::newRow("a character made") << QByteArray("SRC.NEWNPC c_co") << 16 << "character";
    QTest::newRow("a function called") << QByteArray("TIMERF 1, f_li") << 15 << "function";
    QTest::newRow("a name compared")
        << QByteArray("IF (<BASEID> == t_h") << 20 << "item type|event set";
    QTest::newRow("a dialog in an expression")
        << QByteArray("IF <ISDIALOGOPEN.d_he>") << 21 << "dialog";
    QTest::newRow("a message names nothing") << QByteArray("SAY hello") << 9 << "-";
}

void tst_Code::kindsAt()
{
    QFETCH(QByteArray, line);
    QFETCH(int, column);
    const Script script = Script::fromBytes("[FUNCTION f]\n" + line + '\n');
    const ScriptLine &code = script.lines.constFirst();
    QTEST(kindsText(
              kindsNamedBy(script, script.sections.constFirst(), 0, code.lineStart + column - 1)),
          "kinds");
}

QTEST_GUILESS_MAIN(tst_Code)
#include "tst_code.moc"
