// SPDX-License-Identifier: MIT
#ifndef TAVREL_WIDGETSETTINGS_H
#define TAVREL_WIDGETSETTINGS_H

#include <QList>
#include <QSettings>

class QSplitter;
class QWidget;

// Keeps the size and position of windows (and the state of splitters) in an INI file, one
// section per object name. The most recently constructed store is the current one.
//
// The QSettings underneath works on a private scratch copy of the file. Each sync reads the
// file through one descriptor, without blocking, into the copy, and writes back only the keys
// whose values changed, keeping every other byte, onto a regular file only: QSettings itself
// would wait for ever on a FIFO and replace a device it is linked to.
class QWidgetSettings : public QSettings
{
    Q_OBJECT

public:
    QWidgetSettings();
    explicit QWidgetSettings(QString fileName);
    ~QWidgetSettings() override;

    // The file the store keeps, not its scratch copy; empty for a store without a file.
    QString fileName() const { return stateFile; }
    // Why the last sync could not write the file, or an empty text.
    QString saveProblem() const { return problem; }

public slots:
    bool LoadStates(QWidget *widget = nullptr);
    bool SaveStates(QWidget *widget = nullptr);
    bool LoadStates(QSplitter *splitter);
    bool SaveStates(QSplitter *splitter);
    static QWidgetSettings *WidgetSettings();

private:
    void restore(QWidget *widget);
    void save(QWidget *widget);
    void synchronise();
    void readFile();
    void writeFile();

    QList<QWidget *> widgets;
    const QString stateFile;
    // The file's bytes last copied into the scratch file, and how many times that was done.
    QByteArray copied;
    int copies = 0;
    QString problem;
};

#endif
