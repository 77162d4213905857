// SPDX-License-Identifier: MIT
#ifndef TAVREL_TABLES_H
#define TAVREL_TABLES_H

#include "core/read/scriptreader.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavrel {

// A line of the tables file's [RESOURCES] that names no file and no folder.
struct MissingScriptEntry
{
    TextPosition position;
    // The whole line as written, blanks inside it included.
    QString text;
};

// What a server loads, as its tables file lists it.
struct ServerScripts
{
    // The files to read, in the order the server reads them. They are relative to the working
    // directory when the tables file was given relative, absolute otherwise.
    QStringList files;
    QList<MissingScriptEntry> missing;
    // Listed folders, and the tables file's own, that exist but could not be listed.
    QStringList unreadableFolders;
    // Why the tables file could not be read; empty when it was.
    QString problem;
};

// A line of the tables file's [RESOURCES] and what it names as the server looks it up: a file,
// a folder (ending in "/"), or nothing (empty).
struct ScriptEntry
{
    TextPosition position;
    // The whole line as written, blanks inside it included.
    QString text;
    QString target;
};

// The script files a server loads from the tables file at `tablesPath`, whose folder is the
// scripts folder. Each line of a [RESOURCES] section names a file or a folder ("\" is a
// separator too), looked up as the server looks it up: from the server's folder, the one above
// the scripts folder, which it knows as "scripts/" whatever the folder is called here (so
// "scripts/items/" is the scripts folder's "items/"); then from the scripts folder; then, for a
// file, by its bare name in the scripts folder. A name without an extension is tried with ".scp"
// added, as the server adds it. A folder loads its own .scp files in case-insensitive name
// order, not its sub-folders'. Every .scp file beside the tables file loads after the listed
// ones. A file whose name, regardless of case and folder, was loaded already is skipped, as the
// server skips it.
ServerScripts listServerScripts(const QString &tablesPath);
// Each line of the [RESOURCES] sections of the text of the tables file at `tablesPath`, such as
// the one an editor holds, with what it names, looked up as listServerScripts looks it up.
QList<ScriptEntry> scriptEntries(const QString &tablesPath, const Script &tables);

} // namespace tavrel

#endif
