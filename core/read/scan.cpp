// SPDX-License-Identifier: MIT
#include "core/read/scan.h"

#include "core/read/scriptfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

const QString resourcesKey = QStringLiteral("RESOURCES");
const QString skillmakeKey = QStringLiteral("SKILLMAKE");

Use entryUse(const QString &name, const QString &path, int line, int column, const QString &key,
             const QString &owner, int record)
{
    Use use;
    use.name = name;
    use.location = Location{path, line, column, characterCount(name)};
    use.key = key;
    use.owner = owner;
    use.record = record;
    return use;
}

// An item is a definition like any other, kept with its record, and the entries of its
// RESOURCES and SKILLMAKE are uses like any other.
void addItem(ScriptFacts &facts, const ScannedSection &section, int ordinal, int firstDefinition,
             const QString &path)
{
    const ItemFields &fields = section.item.fields;
    const DefinitionPlace &place = section.item.place;
    const int record = int(facts.records.size());
    // The entries' names refer to the texts the record keeps.
    ItemRecord kept{fields.defname, fields.name,      section.plural,  fields.type, -1,
                    ordinal,        fields.resources, fields.skillmake};
    // The record goes with the section's definition of its defname, the DEFNAME line where there
    // is one; an item written under its number alone goes by that number.
    int numbered = -1;
    for (int i = firstDefinition;
         i < facts.definitions.size() && facts.definitions.at(i).section == ordinal; ++i) {
        const Definition &definition = facts.definitions.at(i);
        if (definition.kind != Kind::Item)
            continue;
        if (definition.number < 0 && definition.name == fields.defname)
            kept.definition = i;
        else if (definition.number >= 0 && definition.label.isEmpty())
            numbered = i;
    }
    if (kept.definition < 0)
        kept.definition = numbered;
    if (kept.definition >= 0)
        facts.definitions[kept.definition].record = record;
    const QList<ResourceEntry> &resources = section.item.entries.resources;
    const QList<SkillEntry> &skills = section.item.entries.skills;
    kept.firstEntry = int(facts.uses.size());
    kept.entryCount = int(resources.size() + skills.size());
    facts.records.append(std::move(kept));

    const QString owner = QStringLiteral("ITEMDEF ") + fields.defname;
    // Each entry names what the server drops with it: the entries after it in the list, which
    // holds one element between each two commas.
    const QString &list = fields.resources;
    qsizetype comma = -1;
    for (int element = 0; element < resources.size(); ++element) {
        const ResourceEntry &entry = resources.at(element);
        Use use = entryUse(entry.id, path, place.resourcesLine, entry.column, resourcesKey, owner,
                           record);
        use.accepted = kindBit(Kind::Item) | kindBit(Kind::ItemType);
        use.flags = Use::ResourceElement | Use::ItemResource;
        use.shape = Shape::ResourceList;
        use.amount = entry.amount;
        use.element = element;
        use.list = list;
        comma = list.indexOf(u',', comma + 1);
        use.restFrom = comma < 0 ? -1 : comma + 1;
        facts.uses.append(std::move(use));
    }
    for (int element = 0; element < skills.size(); ++element) {
        const SkillEntry &entry = skills.at(element);
        Use use = entryUse(entry.skill, path, place.skillmakeLine, entry.column, skillmakeKey,
                           owner, record);
        use.accepted = kindBit(Kind::Skill) | kindBit(Kind::ItemType) | kindBit(Kind::Item);
        use.flags = Use::ItemSkill;
        use.shape = Shape::ResourceList;
        // A value beyond an int ("1e308", "nan") is as far as one goes.
        use.amount =
            std::isnan(entry.value)
                ? 0
                : int(std::clamp(std::trunc(entry.value), double(std::numeric_limits<int>::min()),
                                 double(std::numeric_limits<int>::max())));
        use.element = element;
        facts.uses.append(std::move(use));
    }
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
        file.facts.problem = problem;
        return file;
    }
    script.read(bytes);
    return scanScript(script, depth, path);
}

ScannedFile scanScript(const Script &script, ScanDepth depth, const QString &path)
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
        // The uses of the items' entries join those of the language.
        qsizetype entries = 0;
        for (const ScannedSection &section : std::as_const(file.sections)) {
            if (section.accepted)
                entries +=
                    section.item.entries.resources.size() + section.item.entries.skills.size();
        }
        file.facts = readFacts(script, path, entries);
        file.facts.blockProblems = blockProblemsOf(script, path);
        if (file.legacyCharacter.line > 0)
            file.facts.legacyCharacter = Location::at(path, file.legacyCharacter, 1);
        // The definitions come in the order of their sections.
        int scanned = 0;
        int definition = 0;
        for (int ordinal = 0; ordinal < script.sections.size(); ++ordinal) {
            while (definition < file.facts.definitions.size() &&
                   file.facts.definitions.at(definition).section < ordinal)
                ++definition;
            if (script.sections.at(ordinal).lineCount == 0)
                continue;
            const ScannedSection &section = file.sections.at(scanned++);
            if (section.accepted)
                addItem(file.facts, section, ordinal, definition, path);
        }
    }
    return file;
}

} // namespace tavrel
