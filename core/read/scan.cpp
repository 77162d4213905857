// SPDX-License-Identifier: MIT
#include "core/read/scan.h"

#include "core/read/scriptfile.h"

namespace tavrel {

namespace {

// The value of the last KEY line among the section's properties.
QString skillKeyOf(const Script &script, const ScriptSection &section)
{
    for (int i = section.firstLine + section.propertyCount - 1; i >= section.firstLine; --i) {
        const ScriptLine &line = script.lines.at(i);
        if (isKeyword(script.key(line), QLatin1String("KEY")))
            return script.string(line.value);
    }
    return QString();
}

} // namespace

ScannedFile scanScriptFile(const QString &path, ScanDepth depth)
{
    // A reading thread reads file after file: the bytes and the parsed text of each take the
    // storage of the one before.
    thread_local QByteArray bytes;
    thread_local Script script;
    const QString problem = readScriptBytes(path, bytes);
    if (!problem.isEmpty()) {
        ScannedFile file;
        file.problem = problem;
        return file;
    }
    script.read(bytes);
    return scanScript(script, depth);
}

ScannedFile scanScript(const Script &script, ScanDepth depth)
{
    const bool keys = depth != ScanDepth::Kinds;
    ScannedFile file;
    if (keys)
        file.legacyCharacter = script.firstLegacyCharacter();
    file.sections.reserve(script.sections.size());
    for (const ScriptSection &section : script.sections) {
        // A section without lines is no definition of anything.
        if (section.lineCount == 0)
            continue;
        ScannedSection scanned;
        const QStringView kind = script.kind(section);
        scanned.itemDefinition = isItemDefinition(kind);
        if (keys && scanned.itemDefinition) {
            scanned.item = readItemDefinition(script, section, depth == ScanDepth::Everything);
            scanned.accepted = acceptItem(scanned.item.fields, scanned.plural);
        } else if (keys && isKeyword(kind, QLatin1String("SKILL"))) {
            scanned.skillKey = skillKeyOf(script, section);
        }
        file.sections.append(std::move(scanned));
    }
    if (depth == ScanDepth::Everything) {
        file.facts = readFacts(script);
        file.facts.blockProblems = blockProblemsOf(script);
    }
    return file;
}

} // namespace tavrel
