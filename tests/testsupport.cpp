#include "testsupport.h"

#include "app/tavrel.h"
#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
}

QString WorkingDirectory::path() const
{
    return dir.path();
}

void WorkingDirectory::write(const QString &relativePath, const QByteArray &content) const
{
    const QString full = dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(full));
    file.write(content);
}

QByteArray WorkingDirectory::read(const QString &relativePath) const
{
    QFile file(dir.filePath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool WorkingDirectory::exists(const QString &relativePath) const
{
    return QFileInfo::exists(dir.filePath(relativePath));
}

std::unique_ptr<Tavrel> startWindow()
{
    QWidgetSettings *store = new QWidgetSettings(QStringLiteral("./win_config.cfg"));
    auto window = std::make_unique<Tavrel>(nullptr, Qt::WindowFlags());
    store->LoadStates(window.get());
    window->show();
    return window;
}

void closeWindow(std::unique_ptr<Tavrel> &window)
{
    window->close();
    window.reset();
}

QAction *findAction(Tavrel *window, const QString &text)
{
    const QList<QAction *> actions = window->findChildren<QAction *>();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

namespace {
QSplitter *outer(Tavrel *window)
{
    return qobject_cast<QSplitter *>(window->centralWidget());
}
QSplitter *inner(Tavrel *window)
{
    return qobject_cast<QSplitter *>(outer(window)->widget(0));
}
} // namespace

QTreeWidget *fileTree(Tavrel *window)
{
    return qobject_cast<QTreeWidget *>(inner(window)->widget(0));
}

QTreeWidget *skillTree(Tavrel *window)
{
    return qobject_cast<QTreeWidget *>(inner(window)->widget(1));
}

QTextBrowser *textBrowser(Tavrel *window)
{
    return qobject_cast<QTextBrowser *>(outer(window)->widget(1));
}

ChangeDir *settingsDialog(Tavrel *)
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *dialog = qobject_cast<ChangeDir *>(w))
            return dialog;
    }
    return nullptr;
}

namespace {
void appendLines(QTreeWidgetItem *node, int depth, QStringList &lines)
{
    lines.append(QString(depth * 2, QLatin1Char(' ')) + node->text(0));
    for (int i = 0; i < node->childCount(); ++i)
        appendLines(node->child(i), depth + 1, lines);
}
} // namespace

QStringList treeLines(QTreeWidget *tree)
{
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        appendLines(tree->topLevelItem(i), 0, lines);
    return lines;
}

void whenEventsRun(std::function<void()> action)
{
    QTimer::singleShot(0, qApp, std::move(action));
}

QWidget *visibleWindowOfClass(const char *className)
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible() && qstrcmp(w->metaObject()->className(), className) == 0)
            return w;
    }
    return nullptr;
}
