// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include "core/language/blocks.h"
#include "core/read/tables.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tavrel::lsp {

namespace {

// The line of the last of a range of Script::lines.
int lastLineOf(const Script &script, int firstLine, int lineCount)
{
    return script.lines.at(firstLine + lineCount - 1).line;
}

bool isTablesFile(const Workspace &workspace, const QString &path)
{
    return workspace.settings().tablesFiles.contains(path) ||
           QFileInfo(path).fileName().endsWith(QLatin1String("tables.scp"), Qt::CaseInsensitive);
}

} // namespace

QList<FoldingRange> foldingRanges(const Workspace &workspace, const QString &path)
{
    const Script script = workspace.script(path);
    QList<FoldingRange> ranges;
    const auto add = [&ranges](int first, int last, bool comment = false) {
        if (last > first)
            ranges.append(FoldingRange{first, last, comment});
    };
    for (const ScriptSection &section : script.sections) {
        if (section.lineCount > 0)
            add(section.line, lastLineOf(script, section.firstLine, section.lineCount));
    }
    // A function's or a dialog's code is its section, already folded.
    for (const ScriptBlock &block : script.blocks) {
        if (block.opener >= 0 && block.kind != ScriptBlock::DialogLayout && block.lineCount > 0)
            add(script.lines.at(block.opener).line,
                lastLineOf(script, block.firstLine, block.lineCount));
    }
    for (const BlockStructure::Block &block : blockStructureOf(script).blocks)
        add(block.firstLine, block.closed ? block.lastLine - 1 : block.lastLine);
    // Lines that are nothing but a comment, one after the other.
    int runStart = 0;
    int runEnd = -1;
    for (const LineSpan &comment : script.comments()) {
        const QStringView before =
            QStringView(script.text).mid(comment.lineStart, comment.span.start - comment.lineStart);
        if (!before.trimmed().isEmpty())
            continue;
        if (comment.line != runEnd + 1) {
            add(runStart, runEnd, true);
            runStart = comment.line;
        }
        runEnd = comment.line;
    }
    add(runStart, runEnd, true);
    std::stable_sort(
        ranges.begin(), ranges.end(),
        [](const FoldingRange &a, const FoldingRange &b) { return a.startLine < b.startLine; });
    return ranges;
}

QList<DocumentLink> documentLinks(const Workspace &workspace, const QString &path)
{
    QList<DocumentLink> links;
    if (!isTablesFile(workspace, path))
        return links;
    for (const ScriptEntry &entry : scriptEntries(path, workspace.script(path))) {
        if (entry.target.isEmpty())
            continue;
        links.append(DocumentLink{Location::at(path, entry.position, characterCount(entry.text)),
                                  QDir::cleanPath(QFileInfo(entry.target).absoluteFilePath())});
    }
    return links;
}

} // namespace tavrel::lsp
