// SPDX-License-Identifier: MIT
#include "settings/changedir.h"

#include "settings/templatewindows.h"
#include "winstate/widgetsettings.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

namespace {

QStringList lines(const QString &text)
{
    return text.split(QStringLiteral("\n"), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

// Counts a running wait for the length of a slot.
class WaitScope
{
public:
    explicit WaitScope(int &waits) : waits(waits) { ++waits; }
    ~WaitScope() { --waits; }
    WaitScope(const WaitScope &) = delete;
    WaitScope &operator=(const WaitScope &) = delete;

private:
    int &waits;
};

} // namespace

ChangeDir::ChangeDir(QWidget *parent) : QWidget(parent, Qt::WindowFlags())
{
    ui.setupUi(this);
    setWindowTitle(tr("Settings"));
    connect(ui.changedirButton, SIGNAL(clicked()), this, SLOT(changedirButton_click()));
    connect(ui.sethButton, SIGNAL(clicked()), this, SLOT(setTextH1_click()));
    connect(ui.setiButton, SIGNAL(clicked()), this, SLOT(setTextH2_click()));
    connect(ui.seteButton, SIGNAL(clicked()), this, SLOT(setTextH3_click()));
    connect(ui.previewButton, SIGNAL(clicked()), this, SLOT(preview_click()));
}

ChangeDir::~ChangeDir()
{
    QWidgetSettings::WidgetSettings()->SaveStates(this);
}

void ChangeDir::show(bool)
{
    QWidget::show();
}

void ChangeDir::setDirs(QStringList dirs)
{
    appendLine(dirs.join(QStringLiteral("\n")));
}

void ChangeDir::setFilter(QString filter)
{
    ui.lineEdit->setText(filter);
}

void ChangeDir::setHtml(QString h1, QString h2, QString h3)
{
    this->h1 = h1;
    this->h2 = h2;
    this->h3 = h3;
}

void ChangeDir::changedirButton_click()
{
    QString start = QStringLiteral("./");
    const QStringList current = lines(ui.dirEdit->toPlainText());
    if (!current.isEmpty())
        start = current.last();
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Change directory"), start,
                                                             QFileDialog::ShowDirsOnly);
    // A cancelled chooser gives "", which would become an empty directory entry and make the
    // next load scan the whole working directory.
    if (!chosen.isEmpty())
        appendLine(chosen);
}

void ChangeDir::setTextH1_click()
{
    h1 = editText(h1);
}

void ChangeDir::setTextH2_click()
{
    h2 = editText(h2);
}

void ChangeDir::setTextH3_click()
{
    h3 = editText(h3);
}

void ChangeDir::preview_click()
{
    const WaitScope scope(waits);
    showPreview(h1, h2, h3);
}

void ChangeDir::closeEvent(QCloseEvent *event)
{
    emit onClose(lines(ui.dirEdit->toPlainText()), ui.lineEdit->text(), h1, h2, h3);
    QWidget::closeEvent(event);
}

QString ChangeDir::editText(QString text)
{
    const WaitScope scope(waits);
    return editTemplate(text);
}

// Like QTextEdit::append, a new paragraph at the end, but always as plain text: a path that
// happens to look like markup must reach the box unchanged.
void ChangeDir::appendLine(const QString &line)
{
    QTextCursor cursor(ui.dirEdit->document());
    cursor.movePosition(QTextCursor::End);
    if (!ui.dirEdit->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
}
