#include "winstate/widgetsettings.h"

#include <QPoint>
#include <QSize>
#include <QSplitter>
#include <QWidget>

namespace {
QWidgetSettings *currentStore = nullptr;
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
    widget->resize(value(QStringLiteral("size"), QSize(400, 400)).toSize());
    widget->move(value(QStringLiteral("pos"), QPoint(200, 200)).toPoint());
    endGroup();
}

void QWidgetSettings::save(QWidget *widget)
{
    beginGroup(widget->objectName());
    setValue(QStringLiteral("size"), widget->size());
    setValue(QStringLiteral("pos"), widget->pos());
    endGroup();
}
