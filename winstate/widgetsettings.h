// SPDX-License-Identifier: MIT
#ifndef TAVREL_WIDGETSETTINGS_H
#define TAVREL_WIDGETSETTINGS_H

#include <QList>
#include <QSettings>

class QSplitter;
class QWidget;

// Keeps the size and position of windows (and the state of splitters) in an INI file, one
// section per object name. The most recently constructed store is the current one.
class QWidgetSettings : public QSettings
{
    Q_OBJECT

public:
    QWidgetSettings();
    explicit QWidgetSettings(QString fileName);
    ~QWidgetSettings() override;

public slots:
    bool LoadStates(QWidget *widget = nullptr);
    bool SaveStates(QWidget *widget = nullptr);
    bool LoadStates(QSplitter *splitter);
    bool SaveStates(QSplitter *splitter);
    static QWidgetSettings *WidgetSettings();

private:
    void restore(QWidget *widget);
    void save(QWidget *widget);

    QList<QWidget *> widgets;
};

#endif
