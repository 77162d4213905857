// SPDX-License-Identifier: MIT
#include "core/read/scan.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tavrel {

namespace {

bool isSkillDefinition(const QString &section)
{
    return sectionWord(section, 0).compare(QLatin1String("skill"), Qt::CaseInsensitive) == 0;
}

QStringList skillKeysOf(QSettings &script, const QString &section)
{
    QStringList values;
    script.beginGroup(section);
    const QStringList keys = script.childKeys();
    for (const QString &key : keys) {
        if (key.compare(QLatin1String("KEY"), Qt::CaseInsensitive) == 0)
            values.append(script.value(key).toString());
    }
    script.endGroup();
    return values;
}

// Why the file cannot be read, or an empty text; with `keys` its encoding is tested here, on
// the reading thread, while the file is at hand.
QString fileProblem(const QString &path, bool keys, TextPosition &invalidUtf8)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("cannot open the file: it is gone, or its name cannot be opened");
    // Opening a FIFO or a device would block or never end; only a regular file is read.
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (keys)
        invalidUtf8 = firstInvalidUtf8(file.readAll());
    return QString();
}

} // namespace

ScannedFile scanScriptFile(const QString &path, bool keys)
{
    ScannedFile file;
    file.problem = fileProblem(path, keys, file.invalidUtf8);
    if (!QFileInfo(path).isFile())
        return file;
    QSettings script(path, QSettings::IniFormat);
    script.sync();
    const QStringList names = script.childGroups();
    file.sections.reserve(names.size());
    for (const QString &name : names) {
        ScannedSection section;
        section.name = name;
        section.itemDefinition = isItemDefinition(name);
        if (keys && section.itemDefinition) {
            section.fields = readItemDefinition(script, name);
            section.accepted = acceptItem(section.fields);
        } else if (keys && isSkillDefinition(name)) {
            section.skillKeys = skillKeysOf(script, name);
        }
        file.sections.append(std::move(section));
    }
    return file;
}

} // namespace tavrel
