// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "settings/changedir.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace tavrel;

namespace {

const QString sampleName = QStringLiteral("Ostrel's castle");
const QString sampleResources = QStringLiteral("1 Ostrel, 1 Castle, Empty GM");
const QString sampleSkillmake = QStringLiteral("Carpentry 100, Alchimy 51.1");

QPushButton *button(ChangeDir *dialog, const QString &name)
{
    return dialog->findChild<QPushButton *>(name);
}

// The three templates the dialog holds, as its close hands them on.
QStringList templatesOf(ChangeDir *dialog)
{
    QSignalSpy spy(dialog, SIGNAL(onClose(QStringList, QString, QString, QString, QString)));
    // A hidden window gets no close event.
    dialog->show(true);
    dialog->close();
    if (spy.count() != 1)
        return {};
    const QList<QVariant> values = spy.takeFirst();
    return {values.at(2).toString(), values.at(3).toString(), values.at(4).toString()};
}

QList<QTextEdit *> visibleEditors()
{
    QList<QTextEdit *> editors;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible() && qstrcmp(w->metaObject()->className(), "QTextEdit") == 0)
            editors.append(static_cast<QTextEdit *>(w));
    }
    return editors;
}

// Opens the editor behind `buttonName`, hands it to `act` once it is shown, and returns when
// the editor has been closed (by `act` or later). Returns whether an editor appeared.
bool withEditor(ChangeDir *dialog, const QString &buttonName,
                const std::function<void(QTextEdit *)> &act)
{
    bool seen = false;
    whenEventsRun([&seen, act] {
        auto *editor = qobject_cast<QTextEdit *>(visibleWindowOfClass("QTextEdit"));
        if (!editor)
            return;
        seen = true;
        act(editor);
    });
    button(dialog, buttonName)->click();
    return seen;
}

// What the preview window showed: its plain text and its HTML. Closes it.
struct PreviewSeen
{
    bool seen = false;
    QString text;
    QString html;
    int tableRows = -1;
    QStringList firstRowCells;
    bool topLevel = false;
    bool readOnly = false;
};

PreviewSeen preview(ChangeDir *dialog)
{
    PreviewSeen result;
    whenEventsRun([&result] {
        auto *browser = qobject_cast<QTextBrowser *>(visibleWindowOfClass("QTextBrowser"));
        if (!browser)
            return;
        result.seen = true;
        result.text = browser->toPlainText();
        result.html = browser->toHtml();
        result.topLevel = browser->isWindow() && !browser->parent();
        result.readOnly = browser->isReadOnly();
        const QList<QTextFrame *> frames = browser->document()->rootFrame()->childFrames();
        for (QTextFrame *frame : frames) {
            if (auto *table = qobject_cast<QTextTable *>(frame)) {
                result.tableRows = table->rows();
                for (int column = 0; column < table->columns() && table->rows() > 1; ++column) {
                    const QTextTableCell cell = table->cellAt(1, column);
                    QTextCursor cursor = cell.firstCursorPosition();
                    cursor.setPosition(cell.lastCursorPosition().position(),
                                       QTextCursor::KeepAnchor);
                    result.firstRowCells.append(cursor.selectedText());
                }
            }
        }
        browser->close();
    });
    button(dialog, QStringLiteral("previewButton"))->click();
    return result;
}

} // namespace

class TemplatesTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editorClosedWithoutTyping_writesSameTextBack_data();
    void editorClosedWithoutTyping_writesSameTextBack();
    void editorClosedWithoutTyping_keepsSpecialSpaces();
    void editor_showsSourceInATopLevelPlainEditor();
    void deletedText_storesEmptyTemplate_data();
    void deletedText_storesEmptyTemplate();
    void typedHtml_storedVerbatimAndRendered();
    void eachButtonEditsItsOwnTemplate();
    void nestedEditors_innermostFirst_firstOpenedWins();
    void nestedEditorsOfDifferentTemplates_bothWriteBack();
    void closingDialogWhileEditorOpen_emitsOldTemplate();
    void preview_data();
    void preview();
    void preview_defaultTemplates_oneSampleRow();
    void preview_changesNoTemplate();
    void preview_showsStoredNotEditedTemplate();
    void templatesReachMainWindowOnlyThroughDialogClose();

private:
    std::unique_ptr<WorkingDirectory> dir;
    std::unique_ptr<Tavrel> window;
    ChangeDir *dialog = nullptr;
};

void TemplatesTest::init()
{
    dir = std::make_unique<WorkingDirectory>();
    window = startWindow();
    dialog = settingsDialog(window.get());
    dialog->show(true);
}

void TemplatesTest::cleanup()
{
    // A failed test may leave a window open; closing it ends the waiting slot.
    for (QTextEdit *editor : visibleEditors())
        editor->close();
    if (window)
        closeWindow(window);
    dir.reset();
}

void TemplatesTest::editorClosedWithoutTyping_writesSameTextBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const auto same = [](const char *tag, const QString &text) {
        QTest::newRow(tag) << text << text;
    };
    same("default header", defaultHeaderTemplate());
    same("default item", defaultItemTemplate());
    same("empty", QString());
    same("line breaks", QStringLiteral("<TR>\n<TD>%NAME</TD>\n</TR>"));
    same("trailing line break", QStringLiteral("</TABLE>\n"));
    same("blank lines", QStringLiteral("\n\nx\n\n"));
    same("tabs and blanks", QStringLiteral("\t<TD>  %NAME  </TD> "));
    same("entities stay source", QStringLiteral("&lt;b&gt; &amp; &nbsp;"));
    same("non-ASCII", QString::fromUtf8("Überschrift — ✓ スクリプト 😀"));
    same("per-cent signs", QStringLiteral("%1 %NAME%% 100%"));
    QTest::newRow("carriage returns become line breaks")
        << QStringLiteral("<TR>\r\n<TD>\r</TD>") << QStringLiteral("<TR>\n<TD>\n</TD>");
}

void TemplatesTest::editorClosedWithoutTyping_writesSameTextBack()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    dialog->setHtml(text, QStringLiteral("item"), QStringLiteral("end"));

    QString shown;
    QVERIFY(withEditor(dialog, QStringLiteral("sethButton"), [&shown](QTextEdit *editor) {
        shown = editor->toPlainText();
        editor->close();
    }));

    QCOMPARE(shown, expected);
    QCOMPARE(templatesOf(dialog),
             (QStringList{expected, QStringLiteral("item"), QStringLiteral("end")}));
}

void TemplatesTest::editorClosedWithoutTyping_keepsSpecialSpaces()
{
    // A non-breaking space renders differently from a blank, so it must survive the editor.
    const QString text = QStringLiteral("<TD>a\u00a0b\u2028c</TD>\n");
    dialog->setHtml(QStringLiteral("header"), text, QStringLiteral("end"));
    QVERIFY(withEditor(dialog, QStringLiteral("setiButton"),
                       [](QTextEdit *editor) { editor->close(); }));
    QCOMPARE(templatesOf(dialog),
             (QStringList{QStringLiteral("header"), text, QStringLiteral("end")}));
}

void TemplatesTest::editor_showsSourceInATopLevelPlainEditor()
{
    dialog->setHtml(QStringLiteral("h"), QStringLiteral("<b>%NAME</b>"), QStringLiteral("e"));
    bool topLevel = false;
    bool dialogUsable = false;
    QString html;
    QVERIFY(withEditor(dialog, QStringLiteral("setiButton"), [&](QTextEdit *editor) {
        topLevel = editor->isWindow() && !editor->parent();
        // Source, not markup: the tags are text and nothing is bold.
        html = editor->toHtml();
        dialogUsable = dialog->isVisible() && dialog->isEnabled() && window->isEnabled() &&
                       !QApplication::activeModalWidget();
        editor->close();
    }));

    QVERIFY(topLevel);
    QVERIFY(dialogUsable);
    QVERIFY2(html.contains(QLatin1String("&lt;b&gt;%NAME&lt;/b&gt;")), qPrintable(html));
    QVERIFY2(!html.contains(QLatin1String("font-weight:700")), qPrintable(html));
    QVERIFY(visibleEditors().isEmpty());
}

void TemplatesTest::deletedText_storesEmptyTemplate_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("index");

    QTest::newRow("header") << QStringLiteral("sethButton") << 0;
    QTest::newRow("item") << QStringLiteral("setiButton") << 1;
    QTest::newRow("end") << QStringLiteral("seteButton") << 2;
}

void TemplatesTest::deletedText_storesEmptyTemplate()
{
    QFETCH(QString, buttonName);
    QFETCH(int, index);
    const QStringList before = templatesOf(dialog);

    QVERIFY(withEditor(dialog, buttonName, [](QTextEdit *editor) {
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Delete);
        editor->close();
    }));

    QStringList expected = before;
    expected[index] = QString();
    QCOMPARE(templatesOf(dialog), expected);
}

void TemplatesTest::typedHtml_storedVerbatimAndRendered()
{
    dir->write(QStringLiteral("scripts/items.scp"),
               "[itemdef i_chair]\nNAME=Chair\nSKILLMAKE=carpentry 50\n");
    const QString typed = QStringLiteral("<b>%NAME</b> <i>%SKILLMAKE</i>");
    dialog->setHtml(QString(), QStringLiteral("x"), QString());

    QVERIFY(withEditor(dialog, QStringLiteral("setiButton"), [&typed](QTextEdit *editor) {
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        editor->close();
    }));

    const PreviewSeen shown = ::preview(dialog);
    QVERIFY(shown.seen);
    QCOMPARE(shown.text, sampleName + QLatin1Char(' ') + sampleSkillmake);
    QVERIFY2(shown.html.contains(QLatin1String("font-weight:700")), qPrintable(shown.html));
    QVERIFY2(shown.html.contains(QLatin1String("font-style:italic")), qPrintable(shown.html));

    QCOMPARE(templatesOf(dialog).at(1), typed);
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("H "),
                   typed, QStringLiteral(" E"));
    findAction(window.get(), QStringLiteral("Open"))->trigger();
    emit skillTree(window.get())->itemClicked(skillTree(window.get())->topLevelItem(0), 0);
    QCOMPARE(textBrowser(window.get())->toPlainText(), QStringLiteral("H Chair Carpentry 50 E"));
    const QString reportHtml = textBrowser(window.get())->toHtml();
    QVERIFY2(reportHtml.contains(QLatin1String("font-weight:700")), qPrintable(reportHtml));
    QVERIFY2(!reportHtml.contains(QLatin1String("&lt;b&gt;")), qPrintable(reportHtml));
}

void TemplatesTest::eachButtonEditsItsOwnTemplate()
{
    dialog->setHtml(QStringLiteral("h"), QStringLiteral("i"), QStringLiteral("e"));
    QStringList shown;
    for (const QString &name : {QStringLiteral("sethButton"), QStringLiteral("setiButton"),
                                QStringLiteral("seteButton")}) {
        QVERIFY(withEditor(dialog, name, [&shown, &name](QTextEdit *editor) {
            shown.append(editor->toPlainText());
            editor->setPlainText(name);
            editor->close();
        }));
    }

    QCOMPARE(shown, (QStringList{QStringLiteral("h"), QStringLiteral("i"), QStringLiteral("e")}));
    QCOMPARE(templatesOf(dialog),
             (QStringList{QStringLiteral("sethButton"), QStringLiteral("setiButton"),
                          QStringLiteral("seteButton")}));
}

void TemplatesTest::nestedEditorsOfDifferentTemplates_bothWriteBack()
{
    dialog->setHtml(QStringLiteral("h"), QStringLiteral("i"), QStringLiteral("e"));
    bool innerSeen = false;
    QVERIFY(withEditor(dialog, QStringLiteral("sethButton"), [&](QTextEdit *outer) {
        outer->setPlainText(QStringLiteral("new header"));
        whenEventsRun([&, outer] {
            for (QTextEdit *editor : visibleEditors()) {
                if (editor != outer) {
                    innerSeen = editor->toPlainText() == QLatin1String("e");
                    editor->setPlainText(QStringLiteral("new end"));
                    editor->close();
                }
            }
            outer->close();
        });
        button(dialog, QStringLiteral("seteButton"))->click();
    }));

    QVERIFY(innerSeen);
    QCOMPARE(templatesOf(dialog), (QStringList{QStringLiteral("new header"), QStringLiteral("i"),
                                               QStringLiteral("new end")}));
}

void TemplatesTest::nestedEditors_innermostFirst_firstOpenedWins()
{
    dialog->setHtml(QStringLiteral("original"), QStringLiteral("i"), QStringLiteral("e"));
    QStringList whileInnerOpen;
    QStringList afterInnerReturned;
    bool innerSeen = false;

    QVERIFY(withEditor(dialog, QStringLiteral("sethButton"), [&](QTextEdit *outer) {
        outer->setPlainText(QStringLiteral("first"));
        whenEventsRun([&, outer] {
            QTextEdit *inner = nullptr;
            for (QTextEdit *editor : visibleEditors()) {
                if (editor != outer)
                    inner = editor;
            }
            if (!inner)
                return;
            innerSeen = true;
            // The outer editor closes first, but its wait cannot end while the inner one runs.
            outer->close();
            whileInnerOpen = templatesOf(dialog);
            inner->setPlainText(QStringLiteral("second"));
            inner->close();
        });
        button(dialog, QStringLiteral("sethButton"))->click();
        afterInnerReturned = templatesOf(dialog);
    }));

    QVERIFY(innerSeen);
    QCOMPARE(whileInnerOpen.value(0), QStringLiteral("original"));
    QCOMPARE(afterInnerReturned.value(0), QStringLiteral("second"));
    QCOMPARE(templatesOf(dialog).at(0), QStringLiteral("first"));
    QVERIFY(visibleEditors().isEmpty());
}

void TemplatesTest::closingDialogWhileEditorOpen_emitsOldTemplate()
{
    dialog->setHtml(QStringLiteral("h"), QStringLiteral("old item"), QStringLiteral("e"));
    QStringList emittedWhileOpen;
    bool dialogHidden = false;

    QVERIFY(withEditor(dialog, QStringLiteral("setiButton"), [&](QTextEdit *editor) {
        editor->setPlainText(QStringLiteral("new item"));
        emittedWhileOpen = templatesOf(dialog);
        dialogHidden = !dialog->isVisible();
        editor->close();
    }));

    QCOMPARE(emittedWhileOpen,
             (QStringList{QStringLiteral("h"), QStringLiteral("old item"), QStringLiteral("e")}));
    QVERIFY(dialogHidden);
    QCOMPARE(templatesOf(dialog),
             (QStringList{QStringLiteral("h"), QStringLiteral("new item"), QStringLiteral("e")}));
}

void TemplatesTest::preview_data()
{
    QTest::addColumn<QString>("h1");
    QTest::addColumn<QString>("h2");
    QTest::addColumn<QString>("h3");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three empty templates") << QString() << QString() << QString() << QString();
    QTest::newRow("sample values")
        << QStringLiteral("H:") << QStringLiteral("%NAME|%RESOURCES|%SKILLMAKE")
        << QStringLiteral(":E")
        << QStringLiteral("H:") + sampleName + QLatin1Char('|') + sampleResources +
               QLatin1Char('|') + sampleSkillmake + QStringLiteral(":E");
    QTest::newRow("name twice") << QString() << QStringLiteral("%NAME / %NAME") << QString()
                                << sampleName + QStringLiteral(" / ") + sampleName;
    QTest::newRow("no placeholder") << QStringLiteral("a") << QStringLiteral("row")
                                    << QStringLiteral("z") << QStringLiteral("arowz");
    QTest::newRow("lower-case placeholders")
        << QString() << QStringLiteral("%name %resources %Skillmake") << QString()
        << QStringLiteral("%name %resources %Skillmake");
    QTest::newRow("placeholders in header and end")
        << QStringLiteral("%NAME ") << QStringLiteral("%RESOURCES") << QStringLiteral(" %SKILLMAKE")
        << QStringLiteral("%NAME ") + sampleResources + QStringLiteral(" %SKILLMAKE");
    QTest::newRow("only header") << QStringLiteral("just the header") << QString() << QString()
                                 << QStringLiteral("just the header");
}

void TemplatesTest::preview()
{
    QFETCH(QString, h1);
    QFETCH(QString, h2);
    QFETCH(QString, h3);
    QFETCH(QString, expected);
    dialog->setHtml(h1, h2, h3);

    const PreviewSeen shown = ::preview(dialog);

    QVERIFY(shown.seen);
    QVERIFY(shown.topLevel);
    QCOMPARE(shown.text, expected);
    QVERIFY(!visibleWindowOfClass("QTextBrowser"));
}

void TemplatesTest::preview_defaultTemplates_oneSampleRow()
{
    const PreviewSeen shown = ::preview(dialog);

    QVERIFY(shown.seen);
    QCOMPARE(shown.tableRows, 2);
    QCOMPARE(shown.firstRowCells, (QStringList{sampleName, sampleResources, sampleSkillmake}));
}

void TemplatesTest::preview_changesNoTemplate()
{
    dialog->setHtml(QStringLiteral("%NAME"), QStringLiteral("%NAME"), QStringLiteral("%NAME"));

    QVERIFY(::preview(dialog).seen);
    QVERIFY(::preview(dialog).seen);

    QCOMPARE(templatesOf(dialog), (QStringList{QStringLiteral("%NAME"), QStringLiteral("%NAME"),
                                               QStringLiteral("%NAME")}));
}

void TemplatesTest::preview_showsStoredNotEditedTemplate()
{
    dialog->setHtml(QString(), QStringLiteral("stored %NAME"), QString());
    PreviewSeen shown;

    QVERIFY(withEditor(dialog, QStringLiteral("setiButton"), [&](QTextEdit *editor) {
        editor->setPlainText(QStringLiteral("edited %NAME"));
        shown = ::preview(dialog);
        editor->close();
    }));

    QVERIFY(shown.seen);
    QCOMPARE(shown.text, QStringLiteral("stored ") + sampleName);
    QCOMPARE(::preview(dialog).text, QStringLiteral("edited ") + sampleName);
}

void TemplatesTest::templatesReachMainWindowOnlyThroughDialogClose()
{
    dir->write(QStringLiteral("scripts/items.scp"),
               "[itemdef i_chair]\nNAME=Chair\nSKILLMAKE=carpentry 50\n");
    window->Update({QStringLiteral("scripts")}, QStringLiteral("*.scp"), QStringLiteral("old:"),
                   QStringLiteral("%NAME"), QStringLiteral(":old"));
    findAction(window.get(), QStringLiteral("Open"))->trigger();
    QTreeWidgetItem *carpentry = skillTree(window.get())->topLevelItem(0);
    // The dialog still holds the configuration's values; give it the window's.
    dialog->setHtml(QStringLiteral("old:"), QStringLiteral("%NAME"), QStringLiteral(":old"));
    dialog->setFilter(QStringLiteral("*.scp"));
    dialog->findChild<QTextEdit *>(QStringLiteral("dirEdit"))
        ->setPlainText(QStringLiteral("scripts"));

    QVERIFY(withEditor(dialog, QStringLiteral("sethButton"), [](QTextEdit *editor) {
        editor->setPlainText(QStringLiteral("new:"));
        editor->close();
    }));
    emit skillTree(window.get())->itemClicked(carpentry, 0);
    QCOMPARE(textBrowser(window.get())->toPlainText(), QStringLiteral("old:Chair:old"));

    dialog->close();
    emit skillTree(window.get())->itemClicked(carpentry, 0);
    QCOMPARE(textBrowser(window.get())->toPlainText(), QStringLiteral("new:Chair:old"));

    // Edited but not handed on: the file gets the values of the dialog's last close.
    dialog->show(true);
    QVERIFY(withEditor(dialog, QStringLiteral("seteButton"), [](QTextEdit *editor) {
        editor->setPlainText(QStringLiteral(":never"));
        editor->close();
    }));
    closeWindow(window);
    const Configuration written = readConfiguration(QStringLiteral("./config.cfg"));
    QCOMPARE(written.h1, QStringLiteral("new:"));
    QCOMPARE(written.h3, QStringLiteral(":old"));
}

QTEST_MAIN(TemplatesTest)
#include "tst_templates.moc"
