// SPDX-License-Identifier: MIT
#ifndef TAVREL_DISCOVERY_H
#define TAVREL_DISCOVERY_H

#include <QString>
#include <QStringList>

namespace tavrel {

// "" becomes "./"; otherwise backslashes become "/" and a trailing "/" is ensured.
QString normaliseDirectory(const QString &directory);

// The files below `directory` whose names match one of the comma-separated wildcard
// patterns of `filter` (kept untrimmed, empty parts included): the directory's own files
// in case-insensitive name order, then each subdirectory depth first. Hidden and system
// entries are left out; a missing or unreadable directory gives nothing, and is added to
// `unreadable` when it is given.
QStringList findScriptFiles(const QString &directory, const QString &filter,
                            QStringList *unreadable = nullptr);
// Why a directory that was listed among the scripts' was not read.
QString unreadableDirectoryReason();

} // namespace tavrel

#endif
