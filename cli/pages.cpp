#include "cli/pages.h"

#include "app/configuration.h"
#include "report/itemrow.h"
#include "scripts/itemdefinition.h"
#include "scripts/scriptload.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstring>

namespace {

constexpr int longestSlug = 60;

bool isReserved(const QString &slug)
{
    static const QStringList reserved = {QStringLiteral("con"), QStringLiteral("prn"),
                                         QStringLiteral("aux"), QStringLiteral("nul"),
                                         QStringLiteral("index")};
    if (reserved.contains(slug))
        return true;
    // COM0..COM9 and LPT0..LPT9 are device names on Windows, whatever the extension.
    return slug.size() == 4 &&
           (slug.startsWith(QLatin1String("com")) || slug.startsWith(QLatin1String("lpt"))) &&
           slug.at(3).isDigit();
}

QString nameHash(const QString &skill, int length)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(skill.toUtf8(), QCryptographicHash::Sha1).toHex().left(length));
}

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n</head>\n<body>\n%2\n</body>\n</html>\n")
        .arg(title.toHtmlEscaped(), body);
}

QString indexPage(const LoadedScripts &loaded, const QStringList &fileNames)
{
    QString list;
    for (qsizetype i = 0; i < loaded.skills.size(); ++i) {
        const SkillGroup &skill = loaded.skills.at(i);
        list += QStringLiteral("<li><a href=\"%1\">%2</a> (%3)</li>\n")
                    .arg(fileNames.at(i), skill.name.toHtmlEscaped(),
                         QString::number(skill.items.size()));
    }
    return page(QStringLiteral("Skills"),
                QStringLiteral("<h1>Skills</h1>\n<ul>\n%1</ul>").arg(list));
}

// QFileDevice says "Unknown error" for some failed writes; the system's reason is clearer.
QString failure(const QSaveFile &file, int systemError)
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

} // namespace

QString skillPageName(const QString &skill)
{
    QString slug;
    for (const QChar c : skill) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            slug.append(c);
        else if (u >= 'A' && u <= 'Z')
            slug.append(QChar(u - 'A' + 'a'));
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug.append(QLatin1Char('-'));
    }
    if (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    slug.truncate(longestSlug);

    // Skill names are capitalised, so a name is recovered from its slug exactly when it is
    // that slug capitalised; only then may the slug stand alone.
    if (!slug.isEmpty() && capitalised(slug) == skill && !isReserved(slug))
        return slug + QLatin1String(".html");
    if (slug.isEmpty())
        slug = QStringLiteral("skill");
    return slug + QLatin1Char('-') + nameHash(skill, 12) + QLatin1String(".html");
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
        QString fileName = skillPageName(skill.name);
        // Two names sharing a shortened hash: the later one takes the whole hash.
        if (taken.contains(fileName))
            fileName = fileName.left(fileName.lastIndexOf(QLatin1Char('-')) + 1) +
                       nameHash(skill.name, 40) + QLatin1String(".html");
        taken.insert(fileName);
        fileNames.append(fileName);

        const QString failure =
            writePage(output, fileName, page(skill.name, skillReport(configuration, skill)));
        if (!failure.isEmpty())
            return failure;
    }
    return writePage(output, QStringLiteral("index.html"), indexPage(loaded, fileNames));
}
