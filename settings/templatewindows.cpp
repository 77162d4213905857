// SPDX-License-Identifier: MIT
#include "settings/templatewindows.h"

#include "core/report/itemrow.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>

using namespace tavrel;

void waitUntilClosed(QWidget *window)
{
    window->show();
    while (window->isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString editTemplate(const QString &text)
{
    QTextEdit editor(nullptr);
    // What is pasted stays source text too.
    editor.setAcceptRichText(false);
    editor.insertPlainText(text);
    waitUntilClosed(&editor);
    // The plain text of the editor, except that QTextDocument::toPlainText() would also turn
    // non-breaking spaces and line separators into blanks and line breaks: a template opened
    // and closed without typing must come back unchanged.
    QString edited = editor.document()->toRawText();
    for (QChar &c : edited) {
        if (c == QChar::ParagraphSeparator || c.unicode() == 0xfdd0 || c.unicode() == 0xfdd1)
            c = QLatin1Char('\n');
    }
    return edited;
}

QString previewSampleName()
{
    return QStringLiteral("Ostrel's castle");
}

QString previewSampleResources()
{
    return QStringLiteral("1 Ostrel, 1 Castle, Empty GM");
}

QString previewSampleSkillmake()
{
    return QStringLiteral("Carpentry 100, Alchimy 51.1");
}

QString previewHtml(const QString &h1, const QString &h2, const QString &h3)
{
    return reportHtml(h1, h2, h3,
                      {ReportItem{QString(), previewSampleName(), previewSampleResources(),
                                  previewSampleSkillmake()}});
}

void showPreview(const QString &h1, const QString &h2, const QString &h3)
{
    QTextBrowser browser(nullptr);
    browser.insertHtml(previewHtml(h1, h2, h3));
    waitUntilClosed(&browser);
}
