// SPDX-License-Identifier: MIT
#ifndef TAVREL_CHANGEDIRCLASS_H
#define TAVREL_CHANGEDIRCLASS_H

class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QWidget;

// The settings dialog's form. Widgets are created in focus order.
class ChangeDirClass
{
public:
    QGridLayout *gridLayout = nullptr;
    QGridLayout *gridLayout1 = nullptr;
    QFrame *line = nullptr;
    QPushButton *sethButton = nullptr;
    QLabel *label = nullptr;
    QPushButton *seteButton = nullptr;
    QLineEdit *lineEdit = nullptr;
    QPushButton *changedirButton = nullptr;
    QPushButton *setiButton = nullptr;
    QTextEdit *dirEdit = nullptr;
    QPushButton *previewButton = nullptr;

    void setupUi(QWidget *dialog);
    void retranslateUi(QWidget *dialog);
};

#endif
