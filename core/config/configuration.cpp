// SPDX-License-Identifier: MIT
#include "core/config/configuration.h"

#include <QCoreApplication>
#include <QSettings>

namespace tavrel {

namespace {
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
    c.dirs = file.value(QStringLiteral("Settings/Dirs"), QStringLiteral("./")).toStringList();
    // A filter typed into the file by hand without quotes reads as a list of its patterns; as a
    // plain string it would become empty and every load would find no file at all.
    const QVariant filter = file.value(QStringLiteral("Settings/Filter"), QStringLiteral("*"));
    c.filter = filter.metaType().id() == QMetaType::QStringList
                   ? filter.toStringList().join(QLatin1Char(','))
                   : filter.toString();
    c.h1 = file.value(QStringLiteral("HTML/HeaderString"), defaultHeaderTemplate()).toString();
    c.h2 = file.value(QStringLiteral("HTML/ItemString"), defaultItemTemplate()).toString();
    c.h3 = file.value(QStringLiteral("HTML/EndString"), defaultEndTemplate()).toString();
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
    return CheckConfiguration{list(QStringLiteral("Check/Ignore")),
                              list(QStringLiteral("Check/Disable"))};
}

bool writeConfiguration(const QString &fileName, const Configuration &configuration)
{
    QSettings file(fileName, QSettings::IniFormat);
    file.setValue(QStringLiteral("Settings/Dirs"), configuration.dirs);
    file.setValue(QStringLiteral("Settings/Filter"), configuration.filter);
    file.setValue(QStringLiteral("HTML/HeaderString"), configuration.h1);
    file.setValue(QStringLiteral("HTML/ItemString"), configuration.h2);
    file.setValue(QStringLiteral("HTML/EndString"), configuration.h3);
    file.sync();
    return file.status() == QSettings::NoError;
}

} // namespace tavrel
