// SPDX-License-Identifier: MIT
#ifndef TAVREL_TESTSUPPORT_H
#define TAVREL_TESTSUPPORT_H

#include "coresupport.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QVariant;
class QMenu;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class Tavrel;
class ChangeDir;

// Starts the main window as the program does: the store on "./win_config.cfg", the window,
// its geometry restored and shown. The window is deleted like the program's local object.
std::unique_ptr<Tavrel> startWindow();

// Closes the window like the user does (its close event) and destroys it like the entry point.
void closeWindow(std::unique_ptr<Tavrel> &window);

// Closes the window as closeWindow does, answering the warning of a failed save, if one comes,
// with its Close button, or with Cancel, which keeps the window open. Returns the warning's
// text, or an empty text when none came.
QString closeWindowThroughWarning(std::unique_ptr<Tavrel> &window, bool closeAnyway = true);

QAction *findAction(Tavrel *window, const QString &text);
QTreeWidget *fileTree(Tavrel *window);
QTreeWidget *skillTree(Tavrel *window);
QTextBrowser *textBrowser(Tavrel *window);

// The settings dialog's directory box, filter field and buttons, by object name.
QTextEdit *dirEdit(ChangeDir *dialog);
QLineEdit *filterEdit(ChangeDir *dialog);
QPushButton *button(ChangeDir *dialog, const char *name);
// Closes the dialog and returns the arguments of the one onClose it emitted (empty otherwise).
QList<QVariant> closeAndCapture(ChangeDir *dialog);
ChangeDir *settingsDialog(Tavrel *window);

// The column-0 texts of a tree, one line per node, children indented by two blanks.
QStringList treeLines(QTreeWidget *tree);

// Runs `action` once, the first time events are processed after the call (for instance from
// inside a modal loop or a waiting slot).
void whenEventsRun(std::function<void()> action);

// The first visible top-level widget of the given class other than the main window and the
// settings dialog, or null.
QWidget *visibleWindowOfClass(const char *className);

// Script loading helpers.

class QProgressDialog;
class SI_item;

// Writes "./config.cfg" with these directories and filter and the default templates, for a
// window started afterwards.
void writeScriptConfiguration(const QStringList &dirs, const QString &filter);

// Closes and destroys the window at the end of a scope unless that has happened already, so a
// failing check leaves no settings dialog behind for the tests that follow.
class CloseAtEnd
{
public:
    explicit CloseAtEnd(std::unique_ptr<Tavrel> &window) : window(window) {}
    ~CloseAtEnd();
    CloseAtEnd(const CloseAtEnd &) = delete;
    CloseAtEnd &operator=(const CloseAtEnd &) = delete;

private:
    std::unique_ptr<Tavrel> &window;
};

// Hands new directories (one per line, so never none) and a new filter to a running window the
// way the user does: "App Settings", the dialog's fields, then closing the dialog.
void updateScriptConfiguration(Tavrel *window, const QStringList &dirs, const QString &filter);

// FindSI called through the meta-object, as an outside caller reaches it.
QList<SI_item *> findSI(Tavrel *window, const QString &type);

// What the window's progress dialog showed at one moment.
struct ProgressState
{
    QString title;
    QString label;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    bool visible = false;
    bool cancelButtonVisible = false;
};

// Watches the progress dialogs the window shows while the object lives. A state is recorded
// each time the dialog's value changes and each time events are processed (a zero-interval
// timer), and the hook, if any, is called at each of those moments with the dialog.
class ProgressWatch
{
public:
    explicit ProgressWatch(Tavrel *window);
    ~ProgressWatch();
    ProgressWatch(const ProgressWatch &) = delete;
    ProgressWatch &operator=(const ProgressWatch &) = delete;

    void setHook(std::function<void(QProgressDialog *, const ProgressState &)> hook);

    // Every recorded state in order; a state equal to the one before is not repeated.
    QList<ProgressState> states() const;
    // The labels in the order they appeared, each run of equal labels once, empty ones left out.
    QStringList labels() const;
    // The window titles the dialog was given after it was shown, and the one it was shown with.
    QStringList titles() const;
    int dialogsShown() const;
    // Times a dialog was hidden while it still existed as a progress dialog.
    int hides() const;

private:
    class Watcher;
    std::unique_ptr<Watcher> watcher;
};

#endif
