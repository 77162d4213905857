// SPDX-License-Identifier: MIT
#include "coresupport.h"

#include "core/check/checks.h"
#include "core/load/scriptload.h"
#include "core/read/codeline.h"

#include <QTest>

using namespace tavrel;

namespace {

// A script with its expected findings marked: «word» where block-structure reports an error,
// ‹word› a warning. Returns the script without the marks and sets `expected` to
// "block-structure line:column length severity" for each mark, in order.
QByteArray unmarked(const QString &marked, QStringList &expected)
{
    QString text;
    int line = 1;
    int column = 1;
    int start = 0;
    for (const QChar c : marked) {
        if (c == u'«' || c == u'‹') {
            start = column;
            continue;
        }
        if (c == u'»' || c == u'›') {
            expected.append(
                QStringLiteral("block-structure %1:%2 %3 %4")
                    .arg(line)
                    .arg(start)
                    .arg(column - start)
                    .arg(c == u'»' ? QStringLiteral("error") : QStringLiteral("warning")));
            continue;
        }
        text += c;
        if (c == u'\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return text.toUtf8();
}

QStringList findingLines(const QList<Finding> &findings)
{
    QStringList lines;
    for (const Finding &f : findings)
        lines.append(QStringLiteral("%1 %2:%3 %4 %5")
                         .arg(f.check)
                         .arg(f.location.line)
                         .arg(f.location.column)
                         .arg(f.location.length)
                         .arg(severityName(f.severity)));
    return lines;
}

// The findings of block-structure, which runs alone.
QList<Finding> check(const QByteArray &script)
{
    const WorkingDirectory dir;
    dir.write(QStringLiteral("s/a.scp"), script);
    CheckOptions options;
    for (const Check &check : checks()) {
        if (check.id != QLatin1String("block-structure"))
            options.disabled.insert(check.id);
    }
    return runChecks(loadScripts({QStringLiteral("s")}, QStringLiteral("*.scp")), options).findings;
}

} // namespace

class tst_Blocks : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
    void messages_data();
    void messages();
    void split_data();
    void split();
};

void tst_Blocks::findings_data()
{
    QTest::addColumn<QString>("script");

    const QString item = QStringLiteral("[ITEMDEF i_a]\nTYPE=t_normal\nON=@DClick\n");
    QTest::newRow("every block closed, nested, in any case")
        << item + "IF (<SRC.DEX> > 10)\n FOR 5\n  WHILE (<LOCAL.I> < 3)\n   BEGIN\n    SAY x\n"
                  "   END\n  ENDWHILE\n ENDFOR\nELIF <X>\n DORAND 3\n  SAY a\n  SAY b\n  RETURN 1\n"
                  " ENDDO\nelseif <Y>\n doswitch <Z>\n  SAY a\n endDo\nElse\n IF 1\n ELSE\n ENDIF\n"
                  "endif\n";
    QTest::newRow("an IF never closed runs to the trigger's end")
        << item + "«IF» <SRC.DEX>\nSAY hi\nON=@Click\nSAY x\n";
    QTest::newRow("an IF in a function runs to the function's end")
        << "[FUNCTION f_a]\nSAY x\n«if» <ARGN>\nRETURN 1\n[FUNCTION f_b]\nIF 1\nENDIF\n";
    QTest::newRow("blocks end at the next trigger") << item + "«IF» 1\nON=@Click\n«ENDIF»\n";
    QTest::newRow("every FOR of the server closes with ENDFOR")
        << item + "FOR 5\nENDFOR\nFORCHARS 5\nENDFOR\nFORITEMS 5\nENDFOR\nFORPLAYERS 5\nENDFOR\n"
                  "FOROBJS 5\nENDFOR\nFORCLIENTS 5\nENDFOR\nFORINSTANCES i_a\nENDFOR\n"
                  "FORCHARLAYER 1\nENDFOR\nFORCHARMEMORYTYPE 1\nENDFOR\nFORCONT <UID> 5\nENDFOR\n"
                  "FORCONTID i_a\nENDFOR\nFORCONTTYPE t_normal\nENDFOR\nFORTIMERF f_x\nENDFOR\n"
                  "forchars 5\nendfor\n";
    QTest::newRow("other verbs starting with FOR open nothing")
        << item + "FORGE_AXE\nFOREACH 5\nFORMAT x\n«ENDFOR»\n";
    QTest::newRow("words that only start like block words")
        << item + "IFNOT 1\nENDIFX\nELSEX\nEND_GAME\nBEGINNER 1\nIF_x 1\nWHILEY\nDORANDOM 3\n";
    QTest::newRow("every opener unclosed")
        << item + "«FORITEMS» 5\n«WHILE» 1\n«DORAND» 2\n«DOSWITCH» 1\n«BEGIN»\n";
    QTest::newRow("stray end words end the trigger")
        << item + "«ENDIF»\nBEGIN\nEND\n«END»\nFOR 1\nENDFOR\n«ENDFOR»\n«ENDDO»\n«ENDWHILE»\n";
    QTest::newRow("stray ELSE, ELIF and ELSEIF")
        << item + "«ELSE»\n«ELIF» 1\n«ELSEIF» 1\nFORCHARS 5\n«ELSE»\nENDFOR\n";
    QTest::newRow("after the ELSE of an IF")
        << item + "IF 1\nELSE\n«ELSE»\n«ELSEIF» 2\nENDIF\nIF 1\nELSE\nIF 2\nELSE\nENDIF\nENDIF\n";
    QTest::newRow("end words of another kind")
        << item + "FORCHARS 5\n‹END›\nIF 1\n‹ENDFOR›\nWHILE 1\n‹ENDDO›\nDORAND 2\n‹ENDSWITCH›\n"
                  "DOSWITCH 1\n‹ENDRAND›\nBEGIN\n‹ENDIF›\nDORAND 1\nENDRAND\nDOSWITCH 1\n"
                  "ENDSWITCH\n";
    QTest::newRow("an IF missing its ENDIF inside a FOR")
        << item + "«FOR» 5\n IF 1\n ELSE\n‹ENDFOR›\n";
    QTest::newRow("parentheses of conditions")
        << item + "IF «(»(<A>) && (<B>)\nELIF (<A>)«)»\nELSEIF «(»(<A>)\nELSE\nENDIF\n"
                  "WHILE (<A> < 2)«)»\nENDWHILE\n";
    QTest::newRow("parentheses balanced, in quotes, inside <...> and outside conditions")
        << item + "IF (<STRMATCH \")\" <ARGS>>)\nELIF (<EVAL (1+2)> > 2)\nENDIF\n"
                  "FOR ((\nENDFOR\nSAY (((\nDORAND (\nENDDO\n";
    QTest::newRow("<...> does not hide a parenthesis") << item + "IF «(»<EVAL (1+2> > 2)\nENDIF\n";
    QTest::newRow("IF( without a blank is an IF")
        << item + "IF(<A>)\nELSEIF(<B> == 1)\nENDIF\n«IF»(<A> == 1) && (<B>)\nWHILE(<A>)«)»\n"
                  "ENDWHILE\n";
    QTest::newRow("a comment is no code") << item + "«IF» 1 // ENDIF\nSAY hi // ELSE\n";
    QTest::newRow("the properties are no code")
        << "[EVENTS e_a]\nENDIF\nELSE\nON=@Login\nSAY hi\n[ITEMDEF i_b]\nIF=1\n";
    QTest::newRow("speech, dialogs and menus")
        << "[SPEECH spk_a]\nON=*hello*\n«IF» 1\nON=*bye*\n«ENDIF»\n"
           "[DIALOG d_a]\n0,0\nIF 1\n page 0\nENDIF\n«END»\n"
           "[DIALOG d_a TEXT]\nIf you want\nElse nothing\n"
           "[DIALOG d_a BUTTON]\nON=0\n«IF» <ARGN>\nON=1\nRETURN 1\n"
           "[MENU m_a]\nTitle\nON=i_a Go\n«WHILE» 1\n[SKILLMENU sm_a]\nTitle\nON=i_a Axe\n«END»\n"
           "[COMMENT]\nON=@Click\nIF\n";
}

void tst_Blocks::findings()
{
    QFETCH(QString, script);
    QStringList expected;
    const QByteArray bytes = unmarked(script, expected);
    QCOMPARE(findingLines(check(bytes)), expected);
}

void tst_Blocks::messages_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("message");
    // "line:column message" of the related place, or nothing.
    QTest::addColumn<QString>("related");
    QTest::addColumn<QString>("inWhat");

    QTest::newRow("unclosed")
        << QByteArray("[ITEMDEF i_a]\nON=@Click\nIF 1\nSAY x\n  SAY y\n\n[ITEMDEF i_b]\n")
        << "IF is never closed: everything after it, to the end of the trigger, is in its block."
        << "5:3 the trigger ends here"
        << "i_a";
    QTest::newRow("stray end") << QByteArray("[DIALOG d_a BUTTON]\nON=1\nENDIF\n")
                               << "ENDIF closes no block: the server ends the button's code here."
                               << ""
                               << "d_a";
    QTest::newRow("stray ELSE") << QByteArray("[SPEECH spk_a]\nON=*x*\nELSE\n")
                                << "ELSE stands in no IF: the server ends the speech trigger here."
                                << ""
                                << "spk_a";
    QTest::newRow("ELSE in another block")
        << QByteArray("[ITEMDEF i_a]\nON=@Click\nFORCHARS 5\nELIF 1\nENDFOR\n")
        << "ELIF stands in the FORCHARS of line 3, not in an IF."
        << "3:1 the block it stands in"
        << "i_a";
    QTest::newRow("after ELSE") << QByteArray(
                                       "[ITEMDEF i_a]\nON=@Click\nIF 1\n ELSE\nELSE\nENDIF\n")
                                << "ELSE follows the ELSE of its IF, at line 4."
                                << "4:2 the ELSE of the IF"
                                << "i_a";
}

void tst_Blocks::messages()
{
    QFETCH(QByteArray, script);
    const QList<Finding> findings = check(script);
    QVERIFY(!findings.isEmpty());
    const Finding &finding = findings.first();
    QTEST(finding.message, "message");
    QTEST(finding.defname, "inWhat");
    QString related;
    for (const RelatedPlace &place : finding.related)
        related += QStringLiteral("%1:%2 %3")
                       .arg(place.location.line)
                       .arg(place.location.column)
                       .arg(place.message);
    QTEST(related, "related");
    QCOMPARE(finding.location.file, QStringLiteral("s/a.scp"));
}

void tst_Blocks::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("arguments");

    QTest::newRow("blank") << "SAY hello there"
                           << "SAY"
                           << "hello there";
    QTest::newRow("equals and blanks") << "SRC.NEWITEM = i_a"
                                       << "SRC.NEWITEM"
                                       << "i_a";
    QTest::newRow("comma") << "TIMERF 1, f_x"
                           << "TIMERF"
                           << "1, f_x";
    QTest::newRow("parentheses protect") << "IF(<A> == 1) && (<B>)"
                                         << "IF(<A> == 1)"
                                         << "&& (<B>)";
    QTest::newRow("brackets and braces protect") << "TAG[a b].x{1 2}=5"
                                                 << "TAG[a b].x{1 2}"
                                                 << "5";
    QTest::newRow("quotes protect") << "\"a b\"=c"
                                    << "\"a b\""
                                    << "c";
    QTest::newRow("<...> does not protect") << "<SRC.NAME x>=1"
                                            << "<SRC.NAME"
                                            << "x>=1";
    QTest::newRow("an unmatched ) protects nothing") << "A) B"
                                                     << "A)"
                                                     << "B";
}

void tst_Blocks::split()
{
    QFETCH(QString, line);
    const Script script = Script::fromBytes("[FUNCTION f]\n" + line.toUtf8() + "\n");
    const CodeLine code = splitCode(script, script.lines.first());
    QTEST(script.string(code.verb), "verb");
    QTEST(script.string(code.arguments), "arguments");
}

QTEST_GUILESS_MAIN(tst_Blocks)
#include "tst_blocks.moc"
