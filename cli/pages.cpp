// SPDX-License-Identifier: MIT
#include "cli/pages.h"

#include "cli/sitepublication.h"
#include "core/config/configuration.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"
#include "core/read/itemdefinition.h"
#include "core/report/itemrow.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>

using namespace tavrel;

namespace {

constexpr int longestSlug = 60;

const QString itemsIndexName = QStringLiteral("items.html");
const QString itemsDirectory = QStringLiteral("items");
const QString itemsTitle = QStringLiteral("Crafted items");
// Every version of tavrel-report began its pages so.
const QString pageHead =
    QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>");

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
    return (pageHead + QStringLiteral("%1</title>\n</head>\n<body>\n%2\n</body>\n</html>\n"))
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

// The page of every crafted item; `crafted` gets their defnames in the order of the records,
// and `pages` their page names.
QString writeItemPages(SitePublication &site, const LoadedScripts &loaded, QStringList &crafted,
                       QHash<QString, QString> &pages)
{
    QSet<QString> taken;
    for (const ScriptRecord &record : loaded.records) {
        const QString &defname = record.fields.defname;
        if (record.entries.resources.isEmpty())
            continue;
        crafted.append(defname);
        pages.insert(defname, unusedPageName(defname, itemPageName(defname), taken));
    }
    QString failure = site.addDirectory(itemsDirectory);
    const UsageIndex usage(loaded.index);
    const NamingIndex naming(loaded.index);
    MaterialCosts costs(loaded.index);
    for (const ScriptRecord &record : loaded.records) {
        if (!failure.isEmpty())
            break;
        if (record.entries.resources.isEmpty())
            continue;
        failure =
            site.addFile(itemsDirectory + QLatin1Char('/') + pages.value(record.fields.defname),
                         itemPage(loaded, record, pages, usage, naming, costs).toUtf8());
    }
    return failure;
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
    return escapedReportHtml(configuration.h1, configuration.h2, configuration.h3, skill.items);
}

QString writePages(SitePublication &site, const LoadedScripts &loaded,
                   const Configuration &configuration)
{
    QStringList fileNames;
    QSet<QString> taken;
    for (const SkillGroup &skill : loaded.skills) {
        const QString fileName = unusedPageName(skill.name, skillPageName(skill.name), taken);
        fileNames.append(fileName);
        const QString failure =
            site.addFile(fileName, page(skill.name, skillReport(configuration, skill)).toUtf8());
        if (!failure.isEmpty())
            return failure;
    }
    site.stepDone();

    QStringList crafted;
    QHash<QString, QString> pages;
    QString failure = writeItemPages(site, loaded, crafted, pages);
    if (!failure.isEmpty())
        return failure;
    site.stepDone();

    failure = site.addFile(itemsIndexName, itemsIndexPage(loaded, crafted, pages).toUtf8());
    if (failure.isEmpty())
        failure = site.addFile(QStringLiteral("index.html"),
                               indexPage(loaded, fileNames, crafted.size()).toUtf8());
    if (failure.isEmpty())
        site.stepDone();
    return failure;
}

QByteArray pageStart()
{
    return pageHead.toUtf8();
}

QString itemsDirectoryName()
{
    return itemsDirectory;
}
