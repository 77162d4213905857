// SPDX-License-Identifier: MIT
#include "winstate/widgetsettings.h"

#include "core/config/inifile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QSplitter>
#include <QTemporaryDir>
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

// A file of the store's own in a new private directory, or an empty name (no file) when none
// can be made.
QString scratchFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return QString();
    QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/tavrel-state-XXXXXX"));
    if (!directory.isValid())
        return QString();
    directory.setAutoRemove(false);
    return directory.filePath(QStringLiteral("state.ini"));
}
} // namespace

QWidgetSettings::QWidgetSettings() : QSettings(QString(), QSettings::IniFormat)
{
    currentStore = this;
}

QWidgetSettings::QWidgetSettings(QString fileName)
    : QSettings(scratchFile(fileName), QSettings::IniFormat), stateFile(fileName)
{
    currentStore = this;
    if (stateFile.isEmpty())
        return;
    if (QSettings::fileName().isEmpty())
        problem = tr("cannot be written: no scratch file can be made");
    tavrel::removeInterruptedSaves(stateFile);
    readFile();
}

QWidgetSettings::~QWidgetSettings()
{
    // The accessor must never hand out a deleted store.
    if (currentStore == this)
        currentStore = nullptr;
    // Changes not synced yet reach the file, as QSettings' own would.
    if (stateFile.isEmpty() || QSettings::fileName().isEmpty())
        return;
    synchronise();
    QDir(QFileInfo(QSettings::fileName()).path()).removeRecursively();
}

QWidgetSettings *QWidgetSettings::WidgetSettings()
{
    if (!currentStore)
        new QWidgetSettings();
    return currentStore;
}

bool QWidgetSettings::LoadStates(QWidget *widget)
{
    synchronise();
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
    synchronise();
    return true;
}

bool QWidgetSettings::LoadStates(QSplitter *splitter)
{
    if (!splitter)
        return false;
    synchronise();
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
    synchronise();
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

// QSettings' sync between the file and the scratch copy: what changed in the file comes in,
// then the changes made here go out.
void QWidgetSettings::synchronise()
{
    readFile();
    sync();
    writeFile();
}

void QWidgetSettings::readFile()
{
    const QString scratch = QSettings::fileName();
    if (stateFile.isEmpty() || scratch.isEmpty())
        return;
    // Anything but a regular file reads as an empty one, as a missing file does.
    const tavrel::ConfigurationBytes read = tavrel::readConfigurationBytes(stateFile);
    if (read.bytes == copied && copies > 0)
        return;
    QFile file(scratch);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(read.bytes) != read.bytes.size())
        return;
    // QSettings reads its file again only when its size or time changed, and two copies may
    // have the same size within the same second.
    file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++copies),
                     QFileDevice::FileModificationTime);
    copied = read.bytes;
}

void QWidgetSettings::writeFile()
{
    if (stateFile.isEmpty() || QSettings::fileName().isEmpty())
        return;
    QList<std::pair<QString, QVariant>> values;
    const QStringList keys = allKeys();
    for (const QString &key : keys)
        values.append({key, value(key)});
    const tavrel::SaveOutcome saved = tavrel::writeIniValues(stateFile, values);
    problem = saved.problem;
}
