#ifndef TAVREL_PAGES_H
#define TAVREL_PAGES_H

#include <QString>

struct Configuration;
struct LoadedScripts;
struct SkillGroup;

// The page of a skill: the lower-case ASCII letters and digits of its name, other runs of
// characters as "-", and a hash of the whole name appended whenever that loses anything or
// would give a name some platform reserves. Different skills never share a page name.
QString skillPageName(const QString &skill);

// The report the window shows for a click on the skill's node.
QString skillReport(const Configuration &configuration, const SkillGroup &skill);

// Writes "index.html" and one page per skill into `directory`, creating it when needed. Each
// page replaces its file only once it is complete. Returns an empty text, or why it failed,
// naming the path.
QString writePages(const QString &directory, const LoadedScripts &loaded,
                   const Configuration &configuration);

#endif
