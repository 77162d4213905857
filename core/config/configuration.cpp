// SPDX-License-Identifier: MIT
#include "core/config/configuration.h"

#include <QCoreApplication>

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
const QString enableKey = QStringLiteral("Check/Enable");
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

namespace {

Configuration configurationOf(const IniValues &file)
{
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

CheckConfiguration checksOf(const IniValues &file)
{
    const auto list = [&file](const QString &key) {
        QStringList values;
        const QStringList read = file.value(key).toStringList();
        for (const QString &value : read) {
            if (!value.trimmed().isEmpty())
                values.append(value.trimmed());
        }
        return values;
    };
    return CheckConfiguration{list(ignoreKey), list(disableKey), list(enableKey),
                              file.value(tablesKey).toString().trimmed()};
}

QString problemOf(const ConfigurationBytes &read, const IniValues &file)
{
    if (!read.exists)
        return QStringLiteral("does not exist");
    if (!read.problem.isEmpty())
        return read.problem;
    if (!file.decoded())
        return QStringLiteral("cannot be read: no scratch file can be made");
    if (!file.wellFormed())
        return QStringLiteral("is not a valid configuration file");
    // The window writes all five keys; a file with content but none of them is another kind
    // of file given by mistake.
    const QStringList keys = {dirsKey,   filterKey,  headerKey, itemKey,  endKey,
                              ignoreKey, disableKey, enableKey, tablesKey};
    const bool known = std::any_of(keys.cbegin(), keys.cend(),
                                   [&file](const QString &key) { return file.contains(key); });
    if (!known && !read.bytes.isEmpty())
        return QStringLiteral("holds none of the keys ") + keys.join(QStringLiteral(", "));
    return QString();
}

} // namespace

ConfigurationFile readConfigurationFile(const QString &fileName)
{
    const ConfigurationBytes read = readConfigurationBytes(fileName);
    // Only what was read is decoded: a file that cannot be used gives the defaults.
    const IniValues file(read.problem.isEmpty() ? read.bytes : QByteArray());
    ConfigurationFile result;
    result.exists = read.exists;
    result.problem = problemOf(read, file);
    result.configuration = configurationOf(file);
    result.checks = checksOf(file);
    return result;
}

Configuration readConfiguration(const QString &fileName)
{
    return readConfigurationFile(fileName).configuration;
}

CheckConfiguration readCheckConfiguration(const QString &fileName)
{
    return readConfigurationFile(fileName).checks;
}

QString configurationFileProblem(const QString &fileName)
{
    return readConfigurationFile(fileName).problem;
}

SaveOutcome writeConfiguration(const QString &fileName, const Configuration &configuration)
{
    return writeIniValues(fileName, {{dirsKey, configuration.dirs},
                                     {filterKey, configuration.filter},
                                     {headerKey, configuration.h1},
                                     {itemKey, configuration.h2},
                                     {endKey, configuration.h3}});
}

} // namespace tavrel
