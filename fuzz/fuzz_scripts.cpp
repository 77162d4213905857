// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to everything that takes script text: as one section name, resource
// or skill text, name and template, and as a whole script file read the way a load reads it.
#include "cli/pages.h"
#include "core/check/checks.h"
#include "core/config/configuration.h"
#include "core/language/blocks.h"
#include "core/language/tokens.h"
#include "core/load/linking.h"
#include "core/load/scriptload.h"
#include "core/read/itemdefinition.h"
#include "core/read/scan.h"
#include "core/read/scriptreader.h"
#include "core/report/itemrow.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <limits>

using namespace tavrel;

namespace {

QTemporaryDir *scratch = nullptr;

void asText(const QString &text)
{
    for (int index = 0; index < 4; ++index)
        sectionWord(text, index);
    isItemDefinition(text);

    const ResourceEntry resource = parseResourceEntry(text);
    renderResource(resource.amount, resource.id);
    if (const std::optional<SkillEntry> skill = parseSkillEntry(text))
        renderSkill(capitalised(skill->skill), skill->value);
    notFoundMessage(text);

    // A linker that knows the text as an id and as a type, so every branch of a lookup runs.
    Linker linker;
    linker.addRecord(text.left(text.size() / 2), nameForm(text, false), nameForm(text, true),
                     text.mid(text.size() / 2));
    ItemEntries entries = parseEntries(text, text);
    const LinkedRecord linked = linker.link(entries);
    linker.resourceUses(entries.resources);
    withoutRepeats(linked.skills);

    ItemFields fields;
    fields.defname = text;
    QString plural;
    finishName(fields, plural);
    nameFromDefname(text);

    // The text as a template and as each of the values put into one.
    itemRow(text, text, text, text);
    itemRow(defaultItemTemplate(), text, text, text);
}

// The reader over the bytes, every section read as an item definition, and the script's tokens
// as an editor colours them.
void asBytes(const QByteArray &bytes)
{
    const Script script = Script::fromBytes(bytes);
    script.firstLegacyCharacter();
    ScriptIndex index;
    const int file = index.addFile(QString(), scanScript(script, ScanDepth::Everything).facts);
    index.index();
    scriptTokens(index, file, script, 1, std::numeric_limits<int>::max());
    blockStructureOf(script);
    for (const ScriptSection &section : script.sections) {
        ItemDefinition item = readItemDefinition(script, section);
        QString plural;
        acceptItem(item.fields, plural);
    }
}

// The reading and linking passes of a load over one script file, and its skill reports.
void asScript(const QByteArray &bytes)
{
    const QString path = scratch->filePath(QStringLiteral("script.scp"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        file.write(bytes);
    }

    // The same scan, linking and report that tavrel-report and the window use.
    const LoadedScripts loaded = loadScripts({scratch->path()}, QStringLiteral("script.scp"));
    static const Configuration configuration{
        {}, {}, defaultHeaderTemplate(), defaultItemTemplate(), defaultEndTemplate()};
    for (const SkillGroup &skill : loaded.skills)
        skillReport(configuration, skill);
    loaded.messages();
    runChecks(loaded, CheckOptions());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    static QTemporaryDir directory;
    scratch = &directory;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    asText(QString::fromUtf8(bytes));
    asBytes(bytes);
    asScript(bytes);
    return 0;
}
