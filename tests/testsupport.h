#ifndef TAVREL_TESTSUPPORT_H
#define TAVREL_TESTSUPPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class Tavrel;
class ChangeDir;

// A temporary directory that is the working directory for the object's lifetime.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory &) = delete;
    WorkingDirectory &operator=(const WorkingDirectory &) = delete;

    QString path() const;
    // Writes `content` to a file below the directory, creating its parent directories.
    void write(const QString &relativePath, const QByteArray &content) const;
    QByteArray read(const QString &relativePath) const;
    bool exists(const QString &relativePath) const;

private:
    QTemporaryDir dir;
    QString previous;
};

// Starts the main window as the program does: the store on "./win_config.cfg", the window,
// its geometry restored and shown. The window is deleted like the program's local object.
std::unique_ptr<Tavrel> startWindow();

// Closes the window like the user does (its close event) and destroys it like the entry point.
void closeWindow(std::unique_ptr<Tavrel> &window);

QAction *findAction(Tavrel *window, const QString &text);
QTreeWidget *fileTree(Tavrel *window);
QTreeWidget *skillTree(Tavrel *window);
QTextBrowser *textBrowser(Tavrel *window);
ChangeDir *settingsDialog(Tavrel *window);

// The column-0 texts of a tree, one line per node, children indented by two blanks.
QStringList treeLines(QTreeWidget *tree);

// Runs `action` once, the first time events are processed after the call (for instance from
// inside a modal loop or a waiting slot).
void whenEventsRun(std::function<void()> action);

// The first visible top-level widget of the given class other than the main window and the
// settings dialog, or null.
QWidget *visibleWindowOfClass(const char *className);

#endif
