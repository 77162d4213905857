// SPDX-License-Identifier: MIT
#include "core/read/tables.h"

#include "core/read/discovery.h"
#include "core/read/scriptfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <optional>

namespace tavrel {

namespace {

class ScriptList
{
public:
    ScriptList(const QString &tablesPath, ServerScripts &scripts)
        : folder(tablesPath.left(tablesPath.lastIndexOf(u'/') + 1)),
          folderName(QFileInfo(QDir::cleanPath(QFileInfo(tablesPath).absolutePath())).fileName()),
          scripts(scripts)
    {
    }

    // The server reads a listed path from its own folder, the one above its scripts folder,
    // which it knows as "scripts/" whatever the checkout is called; then from the scripts folder;
    // then a file by its bare name in the scripts folder.
    void addEntry(const Script &tables, const ScriptLine &line)
    {
        const QString text = textOf(tables, line);
        const std::optional<QString> target = locate(text);
        if (!target)
            scripts.missing.append({tables.position(line, line.key.start), text});
        else if (target->isEmpty() || target->endsWith(u'/'))
            addFolder(*target);
        else
            addFile(*target);
    }

    ScriptEntry entryOf(const Script &tables, const ScriptLine &line) const
    {
        const QString text = textOf(tables, line);
        const std::optional<QString> target = locate(text);
        return ScriptEntry{tables.position(line, line.key.start), text,
                           !target             ? QString()
                           : target->isEmpty() ? QStringLiteral("./")
                                               : *target};
    }

    void addFilesBesideTables() { addFolder(folder); }

private:
    // The folder's own .scp files, and nothing below it.
    void addFolder(const QString &prefix)
    {
        bool listed = false;
        const QStringList paths = filesInDirectory(prefix, QStringLiteral("*.scp"), &listed);
        if (!listed) {
            scripts.unreadableFolders.append(prefix.isEmpty() ? QStringLiteral(".") : prefix);
            return;
        }
        for (const QString &path : paths)
            addFile(path);
    }

    static QString textOf(const Script &tables, const ScriptLine &line)
    {
        const qsizetype end = line.value.start + line.value.length;
        return tables.text.mid(line.key.start, end - line.key.start);
    }

    // The file or folder a line names: a folder ends in "/", and the working directory is "".
    std::optional<QString> locate(const QString &text) const
    {
        QString path = text;
        path.replace(u'\\', u'/');
        const bool absolute = path.startsWith(u'/');
        const bool folderOnly = path.endsWith(u'/');
        QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
        parts.removeAll(QStringLiteral("."));
        if (absolute)
            return find(QStringLiteral("/"), parts, folderOnly);
        if (parts.isEmpty())
            return find(folder, parts, folderOnly);
        const bool scriptsFolder =
            parts.first().compare(QLatin1String("scripts"), Qt::CaseInsensitive) == 0 ||
            parts.first().compare(folderName, Qt::CaseInsensitive) == 0;
        std::optional<QString> found = scriptsFolder ? find(folder, parts.mid(1), folderOnly)
                                                     : find(serverFolder(), parts, folderOnly);
        if (!found)
            found = find(folder, parts, folderOnly);
        if (!found && !folderOnly && parts.size() > 1)
            found = find(folder, parts.mid(parts.size() - 1), false);
        return found;
    }

    std::optional<QString> find(const QString &base, const QStringList &parts,
                                bool folderOnly) const
    {
        QString path = base + parts.join(u'/');
        if (folderOnly && !parts.isEmpty())
            path += u'/';
        std::optional<QString> found = existing(path);
        if (!found && !folderOnly && !parts.isEmpty() && QFileInfo(parts.last()).suffix().isEmpty())
            found = existing(path + QStringLiteral(".scp"));
        return found;
    }

    // The folder above the scripts folder, as the scripts folder is written.
    QString serverFolder() const
    {
        if (folder.isEmpty())
            return QStringLiteral("../");
        const QString parent = QDir::cleanPath(folder + QStringLiteral(".."));
        return parent == QLatin1String(".") ? QString() : parent + u'/';
    }

    static std::optional<QString> existing(const QString &path)
    {
        const QFileInfo info(path.isEmpty() ? QStringLiteral(".") : path);
        if (info.isDir())
            return path.isEmpty() || path.endsWith(u'/') ? path : path + u'/';
        if (!info.exists())
            return std::nullopt;
        return path;
    }

    void addFile(const QString &path)
    {
        const QString name = path.mid(path.lastIndexOf(u'/') + 1).toCaseFolded();
        if (loaded.contains(name))
            return;
        loaded.insert(name);
        scripts.files.append(path);
    }

    // The tables file's folder as given, with a trailing "/", or empty for the working
    // directory: the paths built on it read as the user wrote the tables file's.
    const QString folder;
    const QString folderName;
    ServerScripts &scripts;
    QSet<QString> loaded;
};

} // namespace

ServerScripts listServerScripts(const QString &tablesPath)
{
    ServerScripts scripts;
    // The reader's words for a file that vanished between listing and reading do not fit one
    // that was named and never existed.
    if (!QFileInfo::exists(tablesPath)) {
        scripts.problem = QStringLiteral("cannot open the file: there is no such file");
        return scripts;
    }
    QByteArray bytes;
    scripts.problem = readScriptBytes(tablesPath, bytes);
    if (!scripts.problem.isEmpty())
        return scripts;

    const Script tables = Script::fromBytes(bytes);
    ScriptList list(tablesPath, scripts);
    for (const ScriptSection &section : tables.sections) {
        if (!isKeyword(tables.kind(section), QLatin1String("RESOURCES")))
            continue;
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i)
            list.addEntry(tables, tables.lines.at(i));
    }
    list.addFilesBesideTables();
    return scripts;
}

QList<ScriptEntry> scriptEntries(const QString &tablesPath, const Script &tables)
{
    ServerScripts unused;
    const ScriptList list(tablesPath, unused);
    QList<ScriptEntry> entries;
    for (const ScriptSection &section : tables.sections) {
        if (!isKeyword(tables.kind(section), QLatin1String("RESOURCES")))
            continue;
        for (int i = section.firstLine; i < section.firstLine + section.lineCount; ++i)
            entries.append(list.entryOf(tables, tables.lines.at(i)));
    }
    return entries;
}

} // namespace tavrel
