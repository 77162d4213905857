// SPDX-License-Identifier: MIT
#include "settings/changedirclass.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

void ChangeDirClass::setupUi(QWidget *dialog)
{
    dialog->setObjectName(QStringLiteral("ChangeDirClass"));

    gridLayout = new QGridLayout(dialog);
    gridLayout->setSpacing(6);
    gridLayout->setContentsMargins(9, 9, 9, 9);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    gridLayout1 = new QGridLayout();
    gridLayout1->setSpacing(6);
    gridLayout1->setContentsMargins(0, 0, 0, 0);
    gridLayout1->setObjectName(QStringLiteral("gridLayout1"));

    line = new QFrame(dialog);
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    gridLayout1->addWidget(line, 5, 2, 1, 2);

    sethButton = new QPushButton(dialog);
    sethButton->setObjectName(QStringLiteral("sethButton"));
    gridLayout1->addWidget(sethButton, 0, 5, 1, 3);

    label = new QLabel(dialog);
    label->setObjectName(QStringLiteral("label"));
    gridLayout1->addWidget(label, 5, 0, 1, 1);

    seteButton = new QPushButton(dialog);
    seteButton->setObjectName(QStringLiteral("seteButton"));
    gridLayout1->addWidget(seteButton, 2, 5, 1, 3);

    lineEdit = new QLineEdit(dialog);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));
    gridLayout1->addWidget(lineEdit, 5, 1, 1, 1);

    changedirButton = new QPushButton(dialog);
    changedirButton->setObjectName(QStringLiteral("changedirButton"));
    QSizePolicy fixed(QSizePolicy::Fixed, QSizePolicy::Fixed);
    fixed.setHorizontalStretch(0);
    fixed.setVerticalStretch(0);
    fixed.setHeightForWidth(changedirButton->sizePolicy().hasHeightForWidth());
    changedirButton->setSizePolicy(fixed);
    gridLayout1->addWidget(changedirButton, 5, 4, 1, 1);

    setiButton = new QPushButton(dialog);
    setiButton->setObjectName(QStringLiteral("setiButton"));
    gridLayout1->addWidget(setiButton, 1, 5, 1, 3);

    dirEdit = new QTextEdit(dialog);
    dirEdit->setObjectName(QStringLiteral("dirEdit"));
    gridLayout1->addWidget(dirEdit, 0, 0, 5, 5);

    previewButton = new QPushButton(dialog);
    previewButton->setObjectName(QStringLiteral("previewButton"));
    gridLayout1->addWidget(previewButton, 3, 5, 1, 3);

    gridLayout->addLayout(gridLayout1, 0, 0, 1, 1);

    retranslateUi(dialog);
    dialog->resize(QSize(485, 288).expandedTo(dialog->minimumSizeHint()));
    QMetaObject::connectSlotsByName(dialog);
}

void ChangeDirClass::retranslateUi(QWidget *dialog)
{
    const char *context = "ChangeDirClass";
    dialog->setWindowTitle(QCoreApplication::translate(context, "Form"));
    sethButton->setText(QCoreApplication::translate(context, "set header text"));
    label->setText(QCoreApplication::translate(context, "File filter"));
    seteButton->setText(QCoreApplication::translate(context, "set end text"));
    changedirButton->setText(QCoreApplication::translate(context, "Browse"));
    setiButton->setText(QCoreApplication::translate(context, "set item text"));
    previewButton->setText(QCoreApplication::translate(context, "Preview"));
}
