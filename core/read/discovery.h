// SPDX-License-Identifier: MIT
#ifndef TAVREL_DISCOVERY_H
#define TAVREL_DISCOVERY_H

#include <QString>
#include <QStringList>

#include <functional>

namespace tavrel {

// The patterns of a filter, as discovery matches them: split at "," and kept as written, empty
// ones included.
QStringList filterPatterns(const QString &filter);

// "" becomes "./"; otherwise backslashes become "/" and a trailing "/" is ensured.
QString normaliseDirectory(const QString &directory);

// The files below `directory` whose names match one of the comma-separated wildcard
// patterns of `filter` (kept untrimmed, empty parts included, regardless of case): the
// directory's own files in case-insensitive name order, then each subdirectory depth first.
// A file is any entry that is not a directory: a FIFO, a device or a link that leads nowhere
// is listed too, for the reading to refuse. Names that are not valid UTF-8 are listed as
// `fileNameFromBytes` gives them. Hidden entries are left out. Each directory is walked once,
// however many links lead to it, where it is first reached. A missing or unreadable directory
// gives nothing, and is added to `unreadable` when it is given. `mayContinue` is asked as each
// directory below `directory` is entered; once it says no, the walk ends with what it found.
QStringList findScriptFiles(const QString &directory, const QString &filter,
                            QStringList *unreadable = nullptr,
                            const std::function<bool()> &mayContinue = {});
// The files of the directory `prefix` names ("" for the working directory, else ending in "/")
// that match `filter`, as `findScriptFiles` lists them, without its subdirectories. `listed`
// is set to whether the directory could be listed.
QStringList filesInDirectory(const QString &prefix, const QString &filter, bool *listed);
// Whether `findScriptFiles` lists a file of the name (without its folder) for `filter`.
bool matchesFilter(const QString &name, const QString &filter);
// Why a directory that was listed among the scripts' was not read.
QString unreadableDirectoryReason();

} // namespace tavrel

#endif
