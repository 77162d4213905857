// SPDX-License-Identifier: MIT
#include "winstate/widgetsettings.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QSplitter>
#include <QWidget>

namespace {
QWidgetSettings *currentStore = nullptr;

const QSize defaultSize(400, 400);
const QPoint defaultPos(200, 200);

// A window placed where no screen shows it could never be found again by its user.
bool onSomeScreen(const QRect &frame)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    for (const QScreen *screen : screens) {
        if (screen->geometry().intersects(frame))
            return true;
    }
    return false;
}
} // namespace

QWidgetSettings::QWidgetSettings() : QSettings(QString(), QSettings::IniFormat)
{
    currentStore = this;
}

QWidgetSettings::QWidgetSettings(QString fileName) : QSettings(fileName, QSettings::IniFormat)
{
    currentStore = this;
}

QWidgetSettings::~QWidgetSettings()
{
    // The accessor must never hand out a deleted store.
    if (currentStore == this)
        currentStore = nullptr;
}

QWidgetSettings *QWidgetSettings::WidgetSettings()
{
    if (!currentStore)
        new QWidgetSettings();
    return currentStore;
}

bool QWidgetSettings::LoadStates(QWidget *widget)
{
    sync();
    if (widget) {
        restore(widget);
    } else {
        const QList<QWidget *> all = widgets;
        for (QWidget *w : all)
            restore(w);
    }
    return true;
}

bool QWidgetSettings::SaveStates(QWidget *widget)
{
    if (widget) {
        save(widget);
    } else {
        const QList<QWidget *> all = widgets;
        for (QWidget *w : all)
            save(w);
    }
    sync();
    return true;
}

bool QWidgetSettings::LoadStates(QSplitter *splitter)
{
    if (!splitter)
        return false;
    sync();
    beginGroup(splitter->objectName());
    splitter->restoreState(value(QStringLiteral("geometry"), QVariant()).toByteArray());
    endGroup();
    return true;
}

bool QWidgetSettings::SaveStates(QSplitter *splitter)
{
    if (!splitter)
        return false;
    beginGroup(splitter->objectName());
    setValue(QStringLiteral("geometry"), splitter->saveState());
    endGroup();
    sync();
    return true;
}

void QWidgetSettings::restore(QWidget *widget)
{
    beginGroup(widget->objectName());
    // A hand-edited or damaged file can hold any text under either key.
    const QVariant storedSize = value(QStringLiteral("size"), defaultSize);
    QSize size = storedSize.toSize();
    if (!storedSize.canConvert<QSize>() || !size.isValid() || size.isEmpty())
        size = defaultSize;
    const QVariant storedPos = value(QStringLiteral("pos"), defaultPos);
    QPoint pos = storedPos.toPoint();
    if (!storedPos.canConvert<QPoint>() || !onSomeScreen(QRect(pos, size)))
        pos = defaultPos;
    widget->resize(size);
    widget->move(pos);
    endGroup();
}

void QWidgetSettings::save(QWidget *widget)
{
    beginGroup(widget->objectName());
    setValue(QStringLiteral("size"), widget->size());
    setValue(QStringLiteral("pos"), widget->pos());
    endGroup();
}
