// SPDX-License-Identifier: MIT
#include "lsp/analysis.h"

#include "lsp/positions.h"

namespace tavrel::lsp {

Analysis::Analysis(LoadedScripts &&scripts, const CheckOptions &options)
    : loaded(std::move(scripts)), result(runChecks(loaded, options))
{
    files.reserve(loaded.files.size());
    for (int i = 0; i < int(loaded.files.size()); ++i)
        files.insert(loaded.files.at(i), i);
}

Analysis::~Analysis() = default;

const UsageIndex &Analysis::usage() const
{
    if (!usageIndex)
        usageIndex = std::make_unique<UsageIndex>(loaded);
    return *usageIndex;
}

const NamingIndex &Analysis::naming() const
{
    if (!namingIndex)
        namingIndex = std::make_unique<NamingIndex>(loaded);
    return *namingIndex;
}

MaterialCosts &Analysis::costs() const
{
    if (!materialCosts)
        materialCosts = std::make_unique<MaterialCosts>(loaded);
    return *materialCosts;
}

namespace {

bool covers(TextPosition start, int length, TextPosition place)
{
    return start.line == place.line && place.column >= start.column &&
           place.column <= start.column + length;
}

// A place on the name's last character or just after it is on the name too, as an editor's
// cursor after a word stands for the word.
std::optional<NameAt> found(const QString &name, const QString &written, TextPosition start,
                            TextPosition place)
{
    const int length = characterCount(written.isEmpty() ? name : written);
    if (!covers(start, length, place))
        return std::nullopt;
    return NameAt{name, start, length};
}

std::optional<NameAt> entryAt(const ScriptRecord &record, TextPosition place)
{
    if (place.line == record.place.resourcesLine) {
        for (const ResourceEntry &entry : record.entries.resources) {
            if (auto name = found(entry.id, QString(), {place.line, entry.column}, place))
                return name;
        }
    }
    if (place.line == record.place.skillmakeLine) {
        for (const SkillEntry &entry : record.entries.skills) {
            if (auto name =
                    found(entry.skill.toLower(), entry.skill, {place.line, entry.column}, place))
                return name;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<NameAt> nameAt(const Analysis &analysis, const QString &path, TextPosition place)
{
    const int file = analysis.fileIndex(path);
    if (file < 0 || place.line < 1)
        return std::nullopt;
    const ScriptLanguage &language = analysis.loaded.language;
    for (const Reference &reference : language.references) {
        if (reference.file != file || reference.position.line != place.line)
            continue;
        if (auto name = found(reference.name, reference.written, reference.position, place))
            return name;
    }
    for (const Definition &definition : language.definitions) {
        if (definition.file != file || definition.position.line != place.line)
            continue;
        if (auto name = found(definition.name, definition.written, definition.position, place))
            return name;
    }
    for (const ScriptRecord &record : analysis.loaded.records) {
        if (record.place.file != path)
            continue;
        if (auto name = entryAt(record, place))
            return name;
    }
    return std::nullopt;
}

} // namespace tavrel::lsp
