// SPDX-License-Identifier: MIT
#ifndef TAVREL_PAGES_H
#define TAVREL_PAGES_H

#include <QByteArray>
#include <QString>

class SitePublication;

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

// The report the window shows for a click on the skill's node, with every value of the scripts
// escaped: the window renders the user's own scripts, a published page is read by others.
QString skillReport(const tavrel::Configuration &configuration, const tavrel::SkillGroup &skill);

// Writes into the staged site "index.html", one page per skill, "items.html" and one page per
// crafted item (an item with resources) under "items/": its resources, the items using it and
// its raw materials. Tells the site as the skill pages, the item pages and the two indices are
// done. Returns an empty text, or why it failed, naming the path.
QString writePages(SitePublication &site, const tavrel::LoadedScripts &loaded,
                   const tavrel::Configuration &configuration);

// How every page begins: a file that does not was not written by tavrel-report.
QByteArray pageStart();
// The directory of the item pages in a site.
QString itemsDirectoryName();

#endif
