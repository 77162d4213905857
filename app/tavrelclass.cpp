// SPDX-License-Identifier: MIT
#include "app/tavrelclass.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

void TavrelClass::setupUi(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("TavrelClass"));

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    gridLayout = new QGridLayout(centralWidget);
    gridLayout->setSpacing(6);
    gridLayout->setContentsMargins(9, 9, 9, 9);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    window->setCentralWidget(centralWidget);

    menuBar = new QMenuBar(window);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setGeometry(QRect(0, 0, 600, 19));
    menuReport = new QMenu(menuBar);
    menuReport->setObjectName(QStringLiteral("menuReport"));
    menuFile = new QMenu(menuBar);
    menuFile->setObjectName(QStringLiteral("menuFile"));
    window->setMenuBar(menuBar);

    mainToolBar = new QToolBar(window);
    mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    mainToolBar->setOrientation(Qt::Horizontal);
    window->addToolBar(Qt::TopToolBarArea, mainToolBar);

    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    window->setStatusBar(statusBar);

    menuBar->addAction(menuFile->menuAction());
    menuBar->addAction(menuReport->menuAction());

    retranslateUi(window);
    window->resize(QSize(600, 400).expandedTo(window->minimumSizeHint()));
    QMetaObject::connectSlotsByName(window);
}

void TavrelClass::retranslateUi(QMainWindow *window)
{
    const char *context = "TavrelClass";
    window->setWindowTitle(QCoreApplication::translate(context, "Tavrel"));
    menuReport->setTitle(QCoreApplication::translate(context, "Report"));
    menuFile->setTitle(QCoreApplication::translate(context, "File"));
}
