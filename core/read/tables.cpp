// SPDX-License-Identifier: MIT
#include "core/read/tables.h"

#include "core/read/discovery.h"
#include "core/read/scriptfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

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
        const qsizetype end = line.value.start + line.value.length;
        const QString text = tables.text.mid(line.key.start, end - line.key.start);
        QString path = text;
        path.replace(u'\\', u'/');
        const bool absolute = path.startsWith(u'/');
        const bool folderOnly = path.endsWith(u'/');
        QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
        parts.removeAll(QStringLiteral("."));

        if (absolute) {
            if (addPath(QStringLiteral("/"), parts, folderOnly))
                return;
        } else if (!parts.isEmpty()) {
            const bool scriptsFolder =
                parts.first().compare(QLatin1String("scripts"), Qt::CaseInsensitive) == 0 ||
                parts.first().compare(folderName, Qt::CaseInsensitive) == 0;
            if (scriptsFolder ? addPath(folder, parts.mid(1), folderOnly)
                              : addPath(serverFolder(), parts, folderOnly))
                return;
            if (addPath(folder, parts, folderOnly))
                return;
            if (!folderOnly && parts.size() > 1 &&
                addPath(folder, parts.mid(parts.size() - 1), false))
                return;
        } else if (addPath(folder, parts, folderOnly)) {
            return;
        }
        scripts.missing.append({tables.position(line, line.key.start), text});
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

    bool addPath(const QString &base, const QStringList &parts, bool folderOnly)
    {
        QString path = base + parts.join(u'/');
        if (folderOnly && !parts.isEmpty())
            path += u'/';
        if (addExisting(path))
            return true;
        return !folderOnly && !parts.isEmpty() && QFileInfo(parts.last()).suffix().isEmpty() &&
               addExisting(path + QStringLiteral(".scp"));
    }

    // The folder above the scripts folder, as the scripts folder is written.
    QString serverFolder() const
    {
        if (folder.isEmpty())
            return QStringLiteral("../");
        const QString parent = QDir::cleanPath(folder + QStringLiteral(".."));
        return parent == QLatin1String(".") ? QString() : parent + u'/';
    }

    bool addExisting(const QString &path)
    {
        const QFileInfo info(path.isEmpty() ? QStringLiteral(".") : path);
        if (info.isDir()) {
            addFolder(path.isEmpty() || path.endsWith(u'/') ? path : path + u'/');
            return true;
        }
        if (!info.exists())
            return false;
        addFile(path);
        return true;
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

} // namespace tavrel
