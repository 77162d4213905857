// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHANGEDIR_H
#define TAVREL_CHANGEDIR_H

#include "settings/changedirclass.h"

#include <QString>
#include <QStringList>
#include <QWidget>

// The settings window. It has no OK button: closing it hands all five values on through
// onClose.
class ChangeDir : public QWidget
{
    Q_OBJECT

public:
    explicit ChangeDir(QWidget *parent = nullptr);
    ~ChangeDir() override;

    // True while a slot waits for an editor or preview window; the dialog must not be
    // destroyed then, since the slot writes into it when that window closes.
    bool isWaiting() const { return waits > 0; }

signals:
    void onClose(QStringList dirs, QString filter, QString h1, QString h2, QString h3);

public slots:
    void show(bool);
    void setDirs(QStringList dirs);
    void setFilter(QString filter);
    void setHtml(QString h1, QString h2, QString h3);

protected slots:
    void changedirButton_click();
    void setTextH1_click();
    void setTextH2_click();
    void setTextH3_click();
    void preview_click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString editText(QString text);
    void appendLine(const QString &line);

    ChangeDirClass ui;
    QString h1;
    QString h2;
    QString h3;
    int waits = 0;
};

#endif
