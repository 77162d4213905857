// SPDX-License-Identifier: MIT
#include "core/read/scan.h"

#include "core/load/parallel.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <vector>

namespace tavrel {

std::size_t filesReadAhead(int threads)
{
    return 4 * std::size_t(std::max(threads, 1));
}

ScriptScan::ScriptScan(const ScanReading &reading) : reading(reading) {}

ScriptScan::~ScriptScan() = default;

bool ScriptScan::run(const QStringList &directories)
{
    for (const QString &directory : directories) {
        const QStringList paths = filesOf(directory);
        directoryStarted(directory, paths);
        std::vector<QList<ScannedSection>> files(size_t(paths.size()));
        const bool completed = orderedFor(
            files.size(), reading.threadsAhead, filesReadAhead(reading.threadsAhead),
            [&](size_t i) { files[i] = sectionsOf(paths.at(qsizetype(i))); },
            [&](size_t i) { return walkFile(paths.at(qsizetype(i)), files[i]); },
            [&](size_t i) { files[i] = QList<ScannedSection>(); });
        if (!completed)
            return false;
        directoryFinished();
    }
    return true;
}

bool ScriptScan::readFile(const QString &path)
{
    QList<ScannedSection> sections = sectionsOf(path);
    return walkFile(path, sections);
}

QList<ScannedSection> ScriptScan::sectionsOf(const QString &path) const
{
    QList<ScannedSection> sections;
    // Opening a FIFO or a device would block or never end; only a regular file is read.
    if (!QFileInfo(path).isFile())
        return sections;
    QSettings script(path, QSettings::IniFormat);
    script.sync();
    const QStringList names = script.childGroups();
    sections.reserve(names.size());
    for (const QString &name : names) {
        ScannedSection section;
        section.name = name;
        section.itemDefinition = isItemDefinition(name);
        if (section.itemDefinition && reading.itemKeys) {
            section.fields = readItemDefinition(script, name);
        } else if (!section.itemDefinition && reading.skillKeys &&
                   sectionWord(name, 0).compare(QLatin1String("skill"), Qt::CaseInsensitive) == 0) {
            script.beginGroup(name);
            const QStringList keys = script.childKeys();
            for (const QString &key : keys) {
                if (key.compare(QLatin1String("KEY"), Qt::CaseInsensitive) == 0)
                    section.skillKeys.append(script.value(key).toString());
            }
            script.endGroup();
        }
        sections.append(std::move(section));
    }
    return sections;
}

bool ScriptScan::walkFile(const QString &path, QList<ScannedSection> &sections)
{
    fileStarted(path);
    for (ScannedSection &section : sections) {
        if (!mayContinue())
            return false;
        if (section.itemDefinition)
            itemDefinitionFound(section);
        else
            otherSectionFound(section);
    }
    fileFinished();
    return true;
}

void ScriptScan::directoryStarted(const QString &, const QStringList &) {}

void ScriptScan::fileStarted(const QString &) {}

bool ScriptScan::mayContinue()
{
    return true;
}

void ScriptScan::itemDefinitionFound(ScannedSection &section)
{
    itemRead(section.fields);
}

void ScriptScan::otherSectionFound(ScannedSection &) {}

void ScriptScan::itemRead(ItemFields &) {}

void ScriptScan::fileFinished() {}

void ScriptScan::directoryFinished() {}

} // namespace tavrel
