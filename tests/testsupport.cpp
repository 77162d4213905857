// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include "app/tavrel.h"
#include "core/config/configuration.h"
#include "scripts/si_item.h"
#include "settings/changedir.h"
#include "winstate/widgetsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace tavrel;

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

QString closeWindowThroughWarning(std::unique_ptr<Tavrel> &window, bool closeAnyway)
{
    QString warning;
    // The warning's own event loop runs the timer.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&warning, closeAnyway] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->button(closeAnyway ? QMessageBox::Close : QMessageBox::Cancel)->click();
        }
    });
    answer.start(0);
    window->close();
    if (!window->isVisible())
        window.reset();
    return warning;
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

QTextEdit *dirEdit(ChangeDir *dialog)
{
    return dialog->findChild<QTextEdit *>(QStringLiteral("dirEdit"));
}

QLineEdit *filterEdit(ChangeDir *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
}

QPushButton *button(ChangeDir *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

QList<QVariant> closeAndCapture(ChangeDir *dialog)
{
    QSignalSpy spy(dialog, SIGNAL(onClose(QStringList, QString, QString, QString, QString)));
    dialog->close();
    if (spy.count() != 1)
        return {};
    return spy.takeFirst();
}

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

// Script loading helpers.

void writeScriptConfiguration(const QStringList &dirs, const QString &filter)
{
    writeConfiguration(QStringLiteral("./config.cfg"),
                       Configuration{dirs, filter, defaultHeaderTemplate(), defaultItemTemplate(),
                                     defaultEndTemplate()});
}

CloseAtEnd::~CloseAtEnd()
{
    if (window)
        closeWindow(window);
}

void updateScriptConfiguration(Tavrel *window, const QStringList &dirs, const QString &filter)
{
    findAction(window, QStringLiteral("App Settings"))->trigger();
    ChangeDir *dialog = nullptr;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *shown = qobject_cast<ChangeDir *>(w); shown && shown->isVisible())
            dialog = shown;
    }
    QVERIFY(dialog);
    dialog->findChild<QTextEdit *>(QStringLiteral("dirEdit"))
        ->setPlainText(dirs.join(QLatin1Char('\n')));
    dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(filter);
    dialog->close();
}

QList<SI_item *> findSI(Tavrel *window, const QString &type)
{
    QList<SI_item *> found;
    QMetaObject::invokeMethod(window, "FindSI", Q_RETURN_ARG(QList<SI_item *>, found),
                              Q_ARG(QString, type));
    return found;
}

namespace {
bool operator==(const ProgressState &a, const ProgressState &b)
{
    return a.title == b.title && a.label == b.label && a.minimum == b.minimum &&
           a.maximum == b.maximum && a.value == b.value && a.visible == b.visible &&
           a.cancelButtonVisible == b.cancelButtonVisible;
}
} // namespace

class ProgressWatch::Watcher : public QObject
{
public:
    explicit Watcher(Tavrel *window) : window(window)
    {
        qApp->installEventFilter(this);
        connect(&ticker, &QTimer::timeout, this, [this] { record(); });
        ticker.start(0);
    }
    ~Watcher() override { qApp->removeEventFilter(this); }

    void record()
    {
        if (!dialog || busy)
            return;
        busy = true;
        ProgressState state;
        state.title = dialog->windowTitle();
        state.label = dialog->labelText();
        state.minimum = dialog->minimum();
        state.maximum = dialog->maximum();
        state.value = dialog->value();
        state.visible = dialog->isVisible();
        const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
        for (const QPushButton *button : buttons)
            state.cancelButtonVisible = state.cancelButtonVisible || button->isVisible();
        if (states.isEmpty() || !(states.constLast() == state))
            states.append(state);
        if (hook)
            hook(dialog, state);
        busy = false;
    }

    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *progress = qobject_cast<QProgressDialog *>(object);
        if (!progress || progress->parentWidget() != window)
            return false;
        if (event->type() == QEvent::Show && progress != dialog) {
            dialog = progress;
            ++shown;
            titles.append(progress->windowTitle());
            if (auto *bar = progress->findChild<QProgressBar *>())
                connect(bar, &QProgressBar::valueChanged, this, [this] { record(); });
        } else if (event->type() == QEvent::WindowTitleChange && progress == dialog) {
            titles.append(progress->windowTitle());
        } else if (event->type() == QEvent::Hide && progress == dialog) {
            ++hidden;
        }
        return false;
    }

    Tavrel *window;
    QPointer<QProgressDialog> dialog;
    QTimer ticker;
    bool busy = false;
    std::function<void(QProgressDialog *, const ProgressState &)> hook;
    QList<ProgressState> states;
    QStringList titles;
    int shown = 0;
    int hidden = 0;
};

ProgressWatch::ProgressWatch(Tavrel *window) : watcher(std::make_unique<Watcher>(window)) {}

ProgressWatch::~ProgressWatch() = default;

void ProgressWatch::setHook(std::function<void(QProgressDialog *, const ProgressState &)> hook)
{
    watcher->hook = std::move(hook);
}

QList<ProgressState> ProgressWatch::states() const
{
    return watcher->states;
}

QStringList ProgressWatch::labels() const
{
    QStringList labels;
    for (const ProgressState &state : std::as_const(watcher->states)) {
        if (!state.label.isEmpty() && (labels.isEmpty() || labels.constLast() != state.label))
            labels.append(state.label);
    }
    return labels;
}

QStringList ProgressWatch::titles() const
{
    return watcher->titles;
}

int ProgressWatch::dialogsShown() const
{
    return watcher->shown;
}

int ProgressWatch::hides() const
{
    return watcher->hidden;
}
