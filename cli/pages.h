// SPDX-License-Identifier: MIT
#ifndef TAVREL_PAGES_H
#define TAVREL_PAGES_H

#include <QString>

namespace tavrel {
struct Configuration;
struct LoadedScripts;
struct SkillGroup;
} // namespace tavrel

// The page of a skill: the lower-case ASCII letters and digits of its name, other runs of
// characters as "-", and a hash of the whole name appended whenever that loses anything or
// would give a name some platform reserves. Different skills never share a page name.
QString skillPageName(const QString &skill);

// The page of a crafted item under "items/": the lower-case ASCII letters, digits and "_" of
// its defname, other runs of characters as "-", and a hash of the defname appended whenever
// that loses anything or would give a name some platform reserves.
QString itemPageName(const QString &defname);

// The report the window shows for a click on the skill's node.
QString skillReport(const tavrel::Configuration &configuration, const tavrel::SkillGroup &skill);

// Writes "index.html" and one page per skill into `directory`, creating it when needed, then
// "items.html" and one page per crafted item (an item with resources) under "items/": its
// resources, the items using it and its raw materials. Each page replaces its file only once it
// is complete. Returns an empty text, or why it failed, naming the path.
QString writePages(const QString &directory, const tavrel::LoadedScripts &loaded,
                   const tavrel::Configuration &configuration);

#endif
