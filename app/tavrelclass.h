// SPDX-License-Identifier: MIT
#ifndef TAVREL_TAVRELCLASS_H
#define TAVREL_TAVRELCLASS_H

class QGridLayout;
class QMainWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QWidget;

// The main window's form: menu bar, tool bar and status bar around an empty central widget.
class TavrelClass
{
public:
    QWidget *centralWidget = nullptr;
    QGridLayout *gridLayout = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *menuReport = nullptr;
    QMenu *menuFile = nullptr;
    QToolBar *mainToolBar = nullptr;
    QStatusBar *statusBar = nullptr;

    void setupUi(QMainWindow *window);
    void retranslateUi(QMainWindow *window);
};

#endif
