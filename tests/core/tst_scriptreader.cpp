// SPDX-License-Identifier: MIT
#include "core/read/scriptreader.h"

#include <QTest>

using namespace tavrel;

namespace {

// The sections and lines a script reads as, one line each: "[kind|arguments] @line", with the
// count of its properties where lines follow them, and "key=value @line:keycolumn:valuecolumn"
// followed by the kind and index of the block the line is code of ("T0"), or that it opens
// ("T0 opens"): Trigger, Speech, Button, Menu option, Function, Dialog layout.
QStringList layout(const Script &script)
{
    static const char kinds[] = "TSBMFD";
    QStringList lines;
    for (const ScriptSection &section : script.sections) {
        QString header = QStringLiteral("[%1|%2] @%3")
                             .arg(script.kind(section), script.view(section.arguments))
                             .arg(section.line);
        if (section.propertyCount != section.lineCount)
            header += QStringLiteral(" properties %1").arg(section.propertyCount);
        lines.append(header);
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i) {
            const ScriptLine &line = script.lines.at(i);
            QString text = QStringLiteral("  %1=%2 @%3:%4:%5")
                               .arg(script.key(line), script.value(line))
                               .arg(line.line)
                               .arg(script.position(line, line.key.start).column)
                               .arg(script.position(line, line.value.start).column);
            if (line.block >= 0) {
                const ScriptBlock &block = script.blocks.at(line.block);
                text += QStringLiteral(" ") + QLatin1Char(kinds[block.kind]) +
                        QString::number(line.block);
                if (script.codeBlock(i) < 0)
                    text += QStringLiteral(" opens");
                else if (i < block.firstLine || i >= block.firstLine + block.lineCount)
                    text += QStringLiteral(" (outside its block)");
                if (block.section != int(&section - script.sections.constData()))
                    text += QStringLiteral(" (in another section)");
            }
            lines.append(text);
        }
    }
    // The blocks' code covers the code lines and no others.
    qsizetype code = 0;
    for (int i = 0; i < script.lines.size(); ++i)
        code += script.codeBlock(i) >= 0;
    for (const ScriptBlock &block : script.blocks)
        code -= block.lineCount;
    if (code != 0)
        lines.append(QStringLiteral("(%1 code lines in no block)").arg(code));
    return lines;
}

} // namespace

class tst_ScriptReader : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void encodings_data();
    void encodings();
};

void tst_ScriptReader::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QStringList>("layout");
    // Where the first character outside ASCII stands in a value of a Windows-1252 file.
    QTest::addColumn<QString>("legacy");

    QTest::newRow("LF and CRLF") << QByteArray("[A x]\r\nK=v\r\nL=w\nM=u\r\n") << true
                                 << QStringList{"[A|x] @1", "  K=v @2:1:3", "  L=w @3:1:3",
                                                "  M=u @4:1:3"}
                                 << "";
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf[A]\nK=v") << true
                                     << QStringList{"[A|] @1", "  K=v @2:1:3"} << "";
    QTest::newRow("UTF-8") << QByteArray("[A]\nNAME=\xc3\x89p\xc3\xa9\x65 X\n") << true
                           << QStringList{"[A|] @1", QString::fromUtf8("  NAME=\xc3\x89p\xc3\xa9"
                                                                       "e X @2:1:6")}
                           << "";
    QTest::newRow("Windows-1252, with a character in a comment first")
        << QByteArray("[A]\n// \xa9 2020\nX=plain\nNAME=Caf\xe9 \x80\n") << false
        << QStringList{"[A|] @1", "  X=plain @3:1:3",
                       QString::fromUtf8("  NAME=Caf\xc3\xa9 \xe2\x82\xac @4:1:6")}
        << "4:9";
    QTest::newRow("Windows-1252 outside values only")
        << QByteArray("[A \xe9]\n// \xa9\nX=1\n") << false
        << QStringList{QString::fromUtf8("[A|\xc3\xa9] @1"), "  X=1 @3:1:3"} << "";
    QTest::newRow("comments anywhere")
        << QByteArray("[A] // c\nK=v // c\n// whole line\n   // indented\nL=a//b\nM=//\n") << true
        << QStringList{"[A|] @1", "  K=v @2:1:3", "  L=a @5:1:3", "  M= @6:1:3"} << "";
    QTest::newRow("quotes, backslashes, semicolons and per-cent signs are text")
        << QByteArray("[A]\nK=\"a;b\\c%d\n;L=1\n") << true
        << QStringList{"[A|] @1", "  K=\"a;b\\c%d @2:1:3", "  ;L=1 @3:1:4"} << "";
    QTest::newRow("header with odd spacing")
        << QByteArray("  [ ITEMDEF \t i_x  y ]  tail\nK=v\n") << true
        << QStringList{"[ITEMDEF|i_x  y] @1", "  K=v @2:1:3"} << "";
    QTest::newRow("header without ]") << QByteArray("[ITEMDEF i_x\nK=v\n") << true
                                      << QStringList{"[ITEMDEF|i_x] @1", "  K=v @2:1:3"} << "";
    QTest::newRow("[EOF] ends the file") << QByteArray("[A]\nK=v\n[eof]\nL=w\n[B]\nM=1\n") << true
                                         << QStringList{"[A|] @1", "  K=v @2:1:3"} << "";
    QTest::newRow("keys with = and with blanks")
        << QByteArray("[A]\nK=v\nK v w\nK = v\nK==v\n  in=1\n=x\nt_name\t123\nBARE\n") << true
        << QStringList{"[A|] @1",      "  K=v @2:1:3",        "  K=v w @3:1:3",
                       "  K=v @4:1:5", "  K==v @5:1:3",       "  in=1 @6:3:6",
                       "  =x @7:1:2",  "  t_name=123 @8:1:8", "  BARE= @9:1:5"}
        << "";
    QTest::newRow("repeated keys kept in order")
        << QByteArray("[TEMPLATE t]\nITEM=i_a\nITEM=i_b,{1 2}\nitem=i_c\n") << true
        << QStringList{"[TEMPLATE|t] @1", "  ITEM=i_a @2:1:6", "  ITEM=i_b,{1 2} @3:1:6",
                       "  item=i_c @4:1:6"}
        << "";
    QTest::newRow("trigger blocks")
        << QByteArray("[ITEMDEF i_a]\nTYPE=t\nON=@Create\nTYPE=x\nON = @DClick\nSAY hi\n"
                      "ON=plain\n[ITEMDEF i_b]\nON=@Create\n")
        << true << QStringList{"[ITEMDEF|i_a] @1 properties 1", "  TYPE=t @2:1:6",
                               "  ON=@Create @3:1:4 T0 opens",  "  TYPE=x @4:1:6 T0",
                               "  ON=@DClick @5:1:6 T1 opens",  "  SAY=hi @6:1:5 T1",
                               "  ON=plain @7:1:4 T1",          "[ITEMDEF|i_b] @8 properties 0",
                               "  ON=@Create @9:1:4 T2 opens"}
        << "";
    QTest::newRow("menu options")
        << QByteArray("[SKILLMENU sm_x]\nTEST=1\nON=i_a Axe\nMAKEITEM=i_a\nON=@x\n"
                      "[menu m]\nON=0 Go\n")
        << true << QStringList{"[SKILLMENU|sm_x] @1 properties 1", "  TEST=1 @2:1:6",
                               "  ON=i_a Axe @3:1:4 M0 opens",     "  MAKEITEM=i_a @4:1:10 M0",
                               "  ON=@x @5:1:4 M1 opens",          "[menu|m] @6 properties 0",
                               "  ON=0 Go @7:1:4 M2 opens"}
        << "";
    // Functions, speech and dialogs keep their lines as properties too, as they were read before
    // their code was.
    QTest::newRow("functions, speech, dialogs and comments")
        << QByteArray("[FUNCTION f_a]\nIF 1\nON=@x\nENDIF\n"
                      "[SPEECH spk_a]\nX=1\nON=*hi*\nON=*hello*\nSAY hi\n"
                      "[DIALOG d_a]\n100,100\npage 0\n"
                      "[DIALOG d_a TEXT]\nIf you go\n"
                      "[dialog d_a button]\nON=1\nSAY one\nON=0\n"
                      "[COMMENT]\nON=@Create\nIF\n"
                      "[FUNCTION f_empty]\n")
        << true
        << QStringList{"[FUNCTION|f_a] @1 properties 1",
                       "  IF=1 @2:1:4 F0",
                       "  ON=@x @3:1:4 F0",
                       "  ENDIF= @4:1:6 F0",
                       "[SPEECH|spk_a] @5",
                       "  X=1 @6:1:3",
                       "  ON=*hi* @7:1:4 S1 opens",
                       "  ON=*hello* @8:1:4 S2 opens",
                       "  SAY=hi @9:1:5 S2",
                       "[DIALOG|d_a] @10",
                       "  100,100= @11:1:8 D3 opens",
                       "  page=0 @12:1:6 D3",
                       "[DIALOG|d_a TEXT] @13",
                       "  If=you go @14:1:4",
                       "[dialog|d_a button] @15",
                       "  ON=1 @16:1:4 B4 opens",
                       "  SAY=one @17:1:5 B4",
                       "  ON=0 @18:1:4 B5 opens",
                       "[COMMENT|] @19 properties 0",
                       "  ON=@Create @20:1:4",
                       "  IF= @21:1:3",
                       "[FUNCTION|f_empty] @22"}
        << "";
    QTest::newRow("lines before the first header belong to no section")
        << QByteArray("K=v\n\n[A]\nL=w\n") << true << QStringList{"[A|] @3", "  L=w @4:1:3"} << "";
    QTest::newRow("section without lines")
        << QByteArray("[A]\n\n[B]\nK=v") << true
        << QStringList{"[A|] @1", "[B|] @3", "  K=v @4:1:3"} << "";
    QTest::newRow("columns after characters outside the basic plane")
        << QByteArray("[A]\n\xf0\x9f\x98\x80=v\nNAME=\xf0\x9f\x98\x80\xf0\x9f\x98\x80 x=1\n")
        << true
        << QStringList{"[A|] @1", QString::fromUtf8("  \xf0\x9f\x98\x80=v @2:1:3"),
                       QString::fromUtf8("  NAME=\xf0\x9f\x98\x80\xf0\x9f\x98\x80 x=1 @3:1:6")}
        << "";
    QTest::newRow("invalid UTF-8 is Windows-1252 whole")
        << QByteArray("[A]\nK=\xc3\xa9\nL=\xff\n") << false
        << QStringList{"[A|] @1", QString::fromUtf8("  K=\xc3\x83\xc2\xa9 @2:1:3"),
                       QString::fromUtf8("  L=\xc3\xbf @3:1:3")}
        << "2:3";
    QTest::newRow("empty") << QByteArray() << true << QStringList() << "";
}

void tst_ScriptReader::read()
{
    QFETCH(QByteArray, bytes);
    const Script script = Script::fromBytes(bytes);
    QTEST(script.utf8, "utf8");
    QTEST(layout(script), "layout");
    const TextPosition legacy = script.firstLegacyCharacter();
    QTEST(legacy.line > 0 ? QStringLiteral("%1:%2").arg(legacy.line).arg(legacy.column) : QString(),
          "legacy");
}

void tst_ScriptReader::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");

    QTest::newRow("ascii") << QByteArray("a\nb\n") << true;
    QTest::newRow("valid multi-byte") << QByteArray("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80") << true;
    QTest::newRow("cp1252 e acute") << QByteArray("[a]\nNAME=Caf\xe9\n") << false;
    QTest::newRow("cp1251 after valid utf-8") << QByteArray("\xc3\xa9 \xcf\xf0\xe8") << false;
    QTest::newRow("truncated at the end") << QByteArray("ab\xc3") << false;
    QTest::newRow("overlong encoding") << QByteArray("\xc0\xaf") << false;
    QTest::newRow("surrogate") << QByteArray("x\xed\xa0\x80") << false;
    QTest::newRow("beyond the last code point") << QByteArray("\xf4\x90\x80\x80") << false;
    QTest::newRow("after a byte-order mark") << QByteArray("\xef\xbb\xbfNAME=\xff") << false;
    QTest::newRow("long ascii run, then a bad byte") << QByteArray(40, 'a') + "\x80" << false;
}

void tst_ScriptReader::encodings()
{
    QFETCH(QByteArray, bytes);
    QTEST(Script::fromBytes(bytes).utf8, "utf8");
}

QTEST_APPLESS_MAIN(tst_ScriptReader)
#include "tst_scriptreader.moc"
