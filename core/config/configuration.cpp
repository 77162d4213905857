// SPDX-License-Identifier: MIT
#include "core/config/configuration.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace tavrel {

namespace {

const QString dirsKey = QStringLiteral("Settings/Dirs");
const QString filterKey = QStringLiteral("Settings/Filter");
const QString headerKey = QStringLiteral("HTML/HeaderString");
const QString itemKey = QStringLiteral("HTML/ItemString");
const QString endKey = QStringLiteral("HTML/EndString");
const QString ignoreKey = QStringLiteral("Check/Ignore");
const QString disableKey = QStringLiteral("Check/Disable");
const QString tablesKey = QStringLiteral("Check/Tables");

// The templates are translatable texts of the main window.
QString windowText(const char *text)
{
    return QCoreApplication::translate("Tavrel", text);
}

} // namespace

QString defaultHeaderTemplate()
{
    return windowText("<TABLE border=1><TR vAlign=top><TD width=200 align=center><b><FONT "
                      "color=Black>Name</FONT></b></TD><TD width=200 align=center><b><FONT "
                      "color=Black>Resource</FONT></b></TD><TD width=200 align=center><b><FONT "
                      "color=Black>Skill make</FONT></b></TD></TR>");
}

QString defaultItemTemplate()
{
    return windowText("<TR vAlign=top><TD width=200><FONT color=Black>%NAME</FONT></b></TD><TD "
                      "width=200><FONT color=Black>%RESOURCES</FONT></b></TD><TD width=200><FONT "
                      "color=Black>%SKILLMAKE</FONT></b></TD></TR>");
}

QString defaultEndTemplate()
{
    return windowText("</TABLE>");
}

Configuration readConfiguration(const QString &fileName)
{
    QSettings file(fileName, QSettings::IniFormat);
    file.sync();
    Configuration c;
    c.dirs = file.value(dirsKey, QStringLiteral("./")).toStringList();
    // A filter typed into the file by hand without quotes reads as a list of its patterns; as a
    // plain string it would become empty and every load would find no file at all.
    const QVariant filter = file.value(filterKey, QStringLiteral("*"));
    c.filter = filter.metaType().id() == QMetaType::QStringList
                   ? filter.toStringList().join(QLatin1Char(','))
                   : filter.toString();
    c.h1 = file.value(headerKey, defaultHeaderTemplate()).toString();
    c.h2 = file.value(itemKey, defaultItemTemplate()).toString();
    c.h3 = file.value(endKey, defaultEndTemplate()).toString();
    return c;
}

CheckConfiguration readCheckConfiguration(const QString &fileName)
{
    QSettings file(fileName, QSettings::IniFormat);
    file.sync();
    const auto list = [&file](const QString &key) {
        QStringList values;
        const QStringList read = file.value(key).toStringList();
        for (const QString &value : read) {
            if (!value.trimmed().isEmpty())
                values.append(value.trimmed());
        }
        return values;
    };
    return CheckConfiguration{list(ignoreKey), list(disableKey),
                              file.value(tablesKey).toString().trimmed()};
}

bool writeConfiguration(const QString &fileName, const Configuration &configuration)
{
    QSettings file(fileName, QSettings::IniFormat);
    file.setValue(dirsKey, configuration.dirs);
    file.setValue(filterKey, configuration.filter);
    file.setValue(headerKey, configuration.h1);
    file.setValue(itemKey, configuration.h2);
    file.setValue(endKey, configuration.h3);
    file.sync();
    return file.status() == QSettings::NoError;
}

QString configurationFileProblem(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return QStringLiteral("does not exist");
    if (info.isDir())
        return QStringLiteral("is a directory");
    // A FIFO would block the read for ever and a device would never end: only regular files.
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QSettings settings(fileName, QSettings::IniFormat);
    settings.sync();
    if (settings.status() == QSettings::FormatError)
        return QStringLiteral("is not a valid configuration file");
    // The window writes all five keys; a file with content but none of them is another kind
    // of file given by mistake.
    const QStringList keys = {dirsKey, filterKey, headerKey,  itemKey,
                              endKey,  ignoreKey, disableKey, tablesKey};
    const bool known = std::any_of(keys.cbegin(), keys.cend(), [&settings](const QString &key) {
        return settings.contains(key);
    });
    if (!known && info.size() > 0)
        return QStringLiteral("holds none of the keys ") + keys.join(QStringLiteral(", "));
    return QString();
}

} // namespace tavrel
