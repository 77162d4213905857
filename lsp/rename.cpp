// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include "lsp/workspace.h"

#include "core/language/queries.h"

#include <algorithm>
#include <tuple>

namespace tavrel::lsp {

namespace {

// The names the server registers: letters, digits and "_", and a first character that does not
// make the word a number.
bool isRegistered(const QString &name)
{
    if (name.isEmpty() || isNumberText(name))
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
               u == '_';
    });
}

QString placeOf(const Workspace &workspace, const Location &location)
{
    return QStringLiteral("%1:%2").arg(workspace.shownPath(location.file)).arg(location.line);
}

} // namespace

std::optional<Rename> renameAt(const Workspace &workspace, const QString &path, int line,
                               int column, const QString &newName)
{
    const ScriptIndex &index = workspace.index();
    const std::optional<NameAt> at = nameAt(index, path, line, column);
    if (!at)
        return std::nullopt;
    const QString &name = at->name;
    const QString written =
        at->definition ? index.definition(at->fact).shown() : index.use(at->fact).shown();
    Rename rename{written, at->location, QString(), {}};
    if (isNumberText(name)) {
        rename.refusal =
            QStringLiteral("\"%1\" is a number, not a name: numbers are not renamed.").arg(written);
        return rename;
    }
    const QList<FactRef> &defined = index.definitionsOf(index.nameOf(name));
    if (defined.isEmpty()) {
        rename.refusal = QStringLiteral("\"%1\" is not defined: only a name that a section "
                                        "defines is renamed.")
                             .arg(written);
        return rename;
    }
    if (!newName.isEmpty()) {
        const QList<FactRef> &taken = index.definitionsOf(index.nameOf(newName.toLower()));
        if (!isRegistered(newName)) {
            rename.refusal = QStringLiteral("\"%1\" is not a name the server registers: a name "
                                            "is letters, digits and \"_\", and does not start "
                                            "with a digit.")
                                 .arg(newName);
            return rename;
        }
        if (!taken.isEmpty() && newName.toLower() != name) {
            rename.refusal =
                QStringLiteral("\"%1\" is defined already, at %2.")
                    .arg(newName,
                         placeOf(workspace, index.definition(taken.constFirst()).location));
            return rename;
        }
    }

    for (const FactRef &ref : defined)
        rename.places.append(index.definition(ref).location);
    for (const FactRef &ref : usesOf(index, name))
        rename.places.append(index.use(ref).location);
    // The code of triggers and functions names things the index does not read; computed text
    // may build the name, which no rename can follow.
    for (const int file : index.files()) {
        const QString &filePath = index.path(file);
        const QString text = workspace.text(filePath);
        if (!text.contains(name, Qt::CaseInsensitive))
            continue;
        const Script script = Script::fromBytes(text.toUtf8());
        for (const Mention &mention : mentionsOf(script, index.facts(file), name, filePath)) {
            if (mention.computed.isEmpty()) {
                rename.places.append(mention.location);
                continue;
            }
            rename.refusal =
                QStringLiteral("\"%1\" is not renamed: computed text names it at %2 "
                               "(%3), where a rename cannot follow it.")
                    .arg(written, placeOf(workspace, mention.location), mention.computed);
            rename.places.clear();
            return rename;
        }
    }
    const auto key = [](const Location &l) { return std::tie(l.file, l.line, l.column); };
    std::sort(rename.places.begin(), rename.places.end(),
              [&](const Location &a, const Location &b) { return key(a) < key(b); });
    rename.places.erase(
        std::unique(rename.places.begin(), rename.places.end(),
                    [&](const Location &a, const Location &b) { return key(a) == key(b); }),
        rename.places.end());
    return rename;
}

} // namespace tavrel::lsp
