// SPDX-License-Identifier: MIT
#include "cli/pages.h"

#include "core/config/configuration.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"
#include "core/read/itemdefinition.h"
#include "core/report/itemrow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstring>

using namespace tavrel;

namespace {

constexpr int longestSlug = 60;

const QString itemsIndexName = QStringLiteral("items.html");
const QString itemsDirectory = QStringLiteral("items");
const QString itemsTitle = QStringLiteral("Crafted items");

bool isReserved(const QString &slug)
{
    // index and items are the pages listing the skills and the items.
    static const QStringList reserved = {QStringLiteral("con"),   QStringLiteral("prn"),
                                         QStringLiteral("aux"),   QStringLiteral("nul"),
                                         QStringLiteral("index"), QStringLiteral("items")};
    if (reserved.contains(slug))
        return true;
    // COM0..COM9 and LPT0..LPT9 are device names on Windows, whatever the extension.
    return slug.size() == 4 &&
           (slug.startsWith(QLatin1String("com")) || slug.startsWith(QLatin1String("lpt"))) &&
           slug.at(3).isDigit();
}

QString nameHash(const QString &name, int length)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(length));
}

// The lower-case ASCII letters and digits of a name (and "_" when kept), other runs of
// characters as "-".
QString slugOf(const QString &name, bool keepUnderscores)
{
    QString slug;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || (keepUnderscores && u == '_'))
            slug.append(c);
        else if (u >= 'A' && u <= 'Z')
            slug.append(QChar(u - 'A' + 'a'));
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug.append(QLatin1Char('-'));
    }
    if (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    slug.truncate(longestSlug);
    return slug;
}

// The slug alone when it gives the name back and no platform reserves it, else with a hash of
// the whole name; `fallback` stands for a slug that is empty.
QString pageName(const QString &name, const QString &slug, bool recoverable,
                 const QString &fallback)
{
    if (!slug.isEmpty() && recoverable && !isReserved(slug))
        return slug + QLatin1String(".html");
    return (slug.isEmpty() ? fallback : slug) + QLatin1Char('-') + nameHash(name, 12) +
           QLatin1String(".html");
}

// Two names sharing a shortened hash: the later one takes the whole hash.
QString unusedPageName(const QString &name, const QString &fileName, QSet<QString> &taken)
{
    QString unused = fileName;
    if (taken.contains(unused))
        unused = fileName.left(fileName.lastIndexOf(QLatin1Char('-')) + 1) + nameHash(name, 40) +
                 QLatin1String(".html");
    taken.insert(unused);
    return unused;
}

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n</head>\n<body>\n%2\n</body>\n</html>\n")
        .arg(title.toHtmlEscaped(), body);
}

QString indexPage(const LoadedScripts &loaded, const QStringList &fileNames, qsizetype crafted)
{
    QString list;
    for (qsizetype i = 0; i < loaded.skills.size(); ++i) {
        const SkillGroup &skill = loaded.skills.at(i);
        list += QStringLiteral("<li><a href=\"%1\">%2</a> (%3)</li>\n")
                    .arg(fileNames.at(i), skill.name.toHtmlEscaped(),
                         QString::number(skill.items.size()));
    }
    return page(QStringLiteral("Skills"),
                QStringLiteral("<h1>Skills</h1>\n<ul>\n%1</ul>\n"
                               "<p><a href=\"%2\">%3</a> (%4)</p>")
                    .arg(list, itemsIndexName, itemsTitle, QString::number(crafted)));
}

// QFileDevice says "Unknown error" for some failed writes; the system's reason is clearer.
QString failure(const QFileDevice &file, int systemError)
{
    QString reason = file.errorString();
    if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && systemError != 0)
        reason = QString::fromLocal8Bit(std::strerror(systemError));
    return QStringLiteral("cannot write \"%1\": %2").arg(file.fileName(), reason);
}

// The page replaces its file only once all of it is on the disk; a page that cannot be written
// completely leaves nothing behind.
QString writePage(const QDir &directory, const QString &fileName, const QString &content)
{
    QSaveFile file(directory.filePath(fileName));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failure(file, errno);
    const QByteArray bytes = content.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = failure(file, errno);
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return failure(file, errno);
    return QString();
}

// One page of a directory that is published only once all its pages are written.
QString writeStagedPage(const QDir &directory, const QString &fileName, const QString &content)
{
    QFile file(directory.filePath(fileName));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failure(file, errno);
    const QByteArray bytes = content.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failure(file, errno);
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(file, errno);
    return QString();
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Replaces `directory` with `staged`; the old one is removed only once the new one is in place.
QString publishDirectory(const QString &staged, const QString &directory, const QString &retired)
{
    const bool replacing = QFileInfo::exists(directory);
    errno = 0;
    if (replacing && !QDir().rename(directory, retired))
        return QStringLiteral("cannot replace \"%1\": %2").arg(directory, systemReason());
    if (!QDir().rename(staged, directory)) {
        const QString why =
            QStringLiteral("cannot replace \"%1\": %2").arg(directory, systemReason());
        if (replacing)
            QDir().rename(retired, directory);
        return why;
    }
    if (replacing)
        QDir(retired).removeRecursively();
    return QString();
}

// The nearest part of `path` that exists, to say why a directory could not be made there.
QString existingAncestor(const QString &path)
{
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    while (!info.exists() && !info.isRoot())
        info.setFile(info.absolutePath());
    return info.absoluteFilePath();
}

QString outputDirectoryProblem(const QString &directory)
{
    const QFileInfo info(directory);
    if (info.exists()) {
        if (!info.isDir())
            return QStringLiteral("output directory \"%1\": is not a directory").arg(directory);
        if (!info.isWritable())
            return QStringLiteral("output directory \"%1\": permission denied").arg(directory);
        return QString();
    }
    if (QDir().mkpath(directory))
        return QString();
    const QFileInfo blocking(existingAncestor(directory));
    const QString reason = !blocking.isDir()
                               ? QStringLiteral("\"%1\" is not a directory")
                               : QStringLiteral("no permission to create it in \"%1\"");
    return QStringLiteral("cannot create output directory \"%1\": %2")
        .arg(directory, reason.arg(blocking.filePath()));
}

QString itemLink(const QHash<QString, QString> &pages, const QString &defname, const QString &name,
                 const QString &directory)
{
    const auto page = pages.constFind(defname);
    if (page == pages.cend())
        return name.toHtmlEscaped();
    return QStringLiteral("<a href=\"%1%2\">%3</a>").arg(directory, *page, name.toHtmlEscaped());
}

QString itemName(const LoadedScripts &loaded, const QString &defname)
{
    const auto record = loaded.records.constFind(defname);
    return record == loaded.records.cend() ? defname : record->fields.name;
}

QString resourceLine(const LoadedScripts &loaded, const QHash<QString, QString> &pages,
                     const ResourceUse &use)
{
    const QString &id = use.entry.id;
    QString what;
    switch (use.target) {
    case ResourceUse::Item:
        what = itemLink(pages, id, itemName(loaded, id), QString()) +
               QStringLiteral(" (%1)").arg(id.toHtmlEscaped());
        break;
    case ResourceUse::Type:
        what = QStringLiteral("%1 (%1), an item type").arg(id.toHtmlEscaped());
        break;
    case ResourceUse::Nothing:
        what = QStringLiteral("%1, which names no item").arg(id.toHtmlEscaped());
        break;
    }
    return QStringLiteral("<li>%1 %2</li>\n").arg(QString::number(use.entry.amount), what);
}

QString materialLine(const RawMaterial &material)
{
    QString line = QStringLiteral("<li>%1 %2 (%3)")
                       .arg(QString::number(material.amount), material.name.toHtmlEscaped(),
                            material.id.toHtmlEscaped());
    if (material.target == ResourceUse::Type)
        line += QStringLiteral(", an item type");
    return line + QStringLiteral("</li>\n");
}

// Every place besides the items' resources that names the item: templates, characters,
// menus, aliases.
QString namingList(const QList<NamingPlace> &places)
{
    if (places.isEmpty())
        return QString();
    QString list = QStringLiteral("<h2>Named in</h2>\n<ul>\n");
    for (const NamingPlace &place : places) {
        list += QStringLiteral("<li>%1 in %2 (%3:%4)</li>\n")
                    .arg(place.key.toHtmlEscaped(), place.owner.toHtmlEscaped(),
                         place.file.toHtmlEscaped(), QString::number(place.position.line));
    }
    return list + QStringLiteral("</ul>\n");
}

QString itemPage(const LoadedScripts &loaded, const ScriptRecord &record,
                 const QHash<QString, QString> &pages, const UsageIndex &usage,
                 const NamingIndex &naming, MaterialCosts &costs)
{
    const ItemFields &fields = record.fields;
    QString body = QStringLiteral("<p><a href=\"../index.html\">Skills</a> | "
                                  "<a href=\"../%1\">%2</a></p>\n<h1>%3 (%4)</h1>\n")
                       .arg(itemsIndexName, itemsTitle, fields.name.toHtmlEscaped(),
                            fields.defname.toHtmlEscaped());

    body += QStringLiteral("<h2>Resources</h2>\n<ul>\n");
    const QList<ResourceUse> resources = loaded.linker.resourceUses(record.entries.resources);
    for (const ResourceUse &use : resources)
        body += resourceLine(loaded, pages, use);
    body += QStringLiteral("</ul>\n<h2>Used in</h2>\n");

    const QList<ItemUse> users = usage.usesOf(fields.defname);
    if (users.isEmpty()) {
        body += QStringLiteral("<p>No item uses it.</p>\n");
    } else {
        body += QStringLiteral("<ul>\n");
        for (const ItemUse &user : users) {
            body +=
                QStringLiteral("<li>%1 (%2) needs %3</li>\n")
                    .arg(itemLink(pages, user.defname, itemName(loaded, user.defname), QString()),
                         user.defname.toHtmlEscaped(), QString::number(user.amount));
        }
        body += QStringLiteral("</ul>\n");
    }
    body += namingList(naming.placesNaming(fields.defname));

    body += QStringLiteral("<h2>Raw materials</h2>\n");
    bool partial = false;
    const QList<RawMaterial> totals = costs.rawMaterials(fields.defname, 1, &partial);
    if (totals.isEmpty()) {
        body += QStringLiteral("<p>None.</p>");
    } else {
        body += QStringLiteral("<ul>\n");
        for (const RawMaterial &material : totals)
            body += materialLine(material);
        body += QStringLiteral("</ul>");
    }
    if (partial)
        body += QStringLiteral("\n<p>Partial: a cycle stops the expansion, or a resource names "
                               "no item (<code>tavrel-report --bom %1</code> tells which).</p>")
                    .arg(fields.defname.toHtmlEscaped());
    return page(fields.name, body);
}

QString itemsIndexPage(const LoadedScripts &loaded, const QStringList &crafted,
                       const QHash<QString, QString> &pages)
{
    QString list;
    for (const QString &defname : crafted) {
        list += QStringLiteral("<li>%1 (%2)</li>\n")
                    .arg(itemLink(pages, defname, itemName(loaded, defname),
                                  itemsDirectory + QLatin1Char('/')),
                         defname.toHtmlEscaped());
    }
    return page(itemsTitle, QStringLiteral("<p><a href=\"index.html\">Skills</a></p>\n"
                                           "<h1>%1</h1>\n<ul>\n%2</ul>")
                                .arg(itemsTitle, list));
}

// Left behind only by a run that was killed; the next run starts them afresh.
void removeLeftover(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else if (info.exists() || info.isSymLink())
        QFile::remove(path);
}

// The page of every crafted item, then items.html listing them. The pages are written into a
// directory of their own that then replaces items/ as a whole: there are as many pages as
// items, so syncing each to the disk as the other pages are would take minutes, and pages of
// items that are gone leave with the old directory.
QString writeItemPages(const QDir &output, const LoadedScripts &loaded, qsizetype *crafted)
{
    QStringList defnames;
    QHash<QString, QString> pages;
    QSet<QString> taken;
    for (const ScriptRecord &record : loaded.records) {
        const QString &defname = record.fields.defname;
        if (record.entries.resources.isEmpty())
            continue;
        defnames.append(defname);
        pages.insert(defname, unusedPageName(defname, itemPageName(defname), taken));
    }
    *crafted = defnames.size();

    const QString directory = output.filePath(itemsDirectory);
    const QFileInfo existing(directory);
    if (existing.isSymLink())
        return QStringLiteral("output directory \"%1\": is a symbolic link").arg(directory);
    if (existing.exists() && !existing.isDir())
        return QStringLiteral("output directory \"%1\": is not a directory").arg(directory);
    const QString staged = output.filePath(QStringLiteral(".items.new"));
    const QString retired = output.filePath(QStringLiteral(".items.old"));
    removeLeftover(staged);
    removeLeftover(retired);
    errno = 0;
    if (!QDir().mkdir(staged))
        return QStringLiteral("cannot create \"%1\": %2").arg(staged, systemReason());

    const QDir stagedDirectory(staged);
    const UsageIndex usage(loaded);
    const NamingIndex naming(loaded);
    MaterialCosts costs(loaded);
    for (const ScriptRecord &record : loaded.records) {
        if (record.entries.resources.isEmpty())
            continue;
        const QString failure =
            writeStagedPage(stagedDirectory, pages.value(record.fields.defname),
                            itemPage(loaded, record, pages, usage, naming, costs));
        if (!failure.isEmpty()) {
            QDir(staged).removeRecursively();
            return failure;
        }
    }
    const QString failure = publishDirectory(staged, directory, retired);
    if (!failure.isEmpty()) {
        QDir(staged).removeRecursively();
        return failure;
    }
    return writePage(output, itemsIndexName, itemsIndexPage(loaded, defnames, pages));
}

} // namespace

QString skillPageName(const QString &skill)
{
    const QString slug = slugOf(skill, false);
    // Skill names are capitalised, so a name is recovered from its slug exactly when it is
    // that slug capitalised.
    return pageName(skill, slug, capitalised(slug) == skill, QStringLiteral("skill"));
}

QString itemPageName(const QString &defname)
{
    const QString slug = slugOf(defname, true);
    return pageName(defname, slug, slug == defname, QStringLiteral("item"));
}

QString skillReport(const Configuration &configuration, const SkillGroup &skill)
{
    return reportHtml(configuration.h1, configuration.h2, configuration.h3, skill.items);
}

QString writePages(const QString &directory, const LoadedScripts &loaded,
                   const Configuration &configuration)
{
    const QString problem = outputDirectoryProblem(directory);
    if (!problem.isEmpty())
        return problem;
    const QDir output(directory);

    QStringList fileNames;
    QSet<QString> taken;
    for (const SkillGroup &skill : loaded.skills) {
        const QString fileName = unusedPageName(skill.name, skillPageName(skill.name), taken);
        fileNames.append(fileName);
        const QString failure =
            writePage(output, fileName, page(skill.name, skillReport(configuration, skill)));
        if (!failure.isEmpty())
            return failure;
    }
    qsizetype crafted = 0;
    const QString failure = writeItemPages(output, loaded, &crafted);
    if (!failure.isEmpty())
        return failure;
    return writePage(output, QStringLiteral("index.html"), indexPage(loaded, fileNames, crafted));
}
