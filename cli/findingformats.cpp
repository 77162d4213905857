// SPDX-License-Identifier: MIT
#include "cli/findingformats.h"

#include "cli/outputtext.h"
#include "core/check/checks.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

using namespace tavrel;

namespace {

QString withDefname(const Finding &finding)
{
    if (finding.defname.isEmpty())
        return finding.message;
    return QStringLiteral("%1 (in %2)").arg(finding.message, finding.defname);
}

// Workflow commands end their properties at "," and ":" and the command at a line break.
QString githubEscaped(QString text, bool property)
{
    text.replace(QLatin1Char('%'), QLatin1String("%25"));
    text.replace(QLatin1Char('\r'), QLatin1String("%0D"));
    text.replace(QLatin1Char('\n'), QLatin1String("%0A"));
    if (property) {
        text.replace(QLatin1Char(':'), QLatin1String("%3A"));
        text.replace(QLatin1Char(','), QLatin1String("%2C"));
    }
    return text;
}

QJsonObject sarifLocation(const Finding &finding, const QDir &base)
{
    const QString absolute = QDir::cleanPath(base.absoluteFilePath(finding.file));
    const QString relative = base.relativeFilePath(absolute);
    QJsonObject artifact;
    if (!relative.startsWith(QLatin1String("../")) && relative != QLatin1String("..") &&
        !QDir::isAbsolutePath(relative)) {
        artifact.insert(QStringLiteral("uri"),
                        QString::fromLatin1(QUrl::toPercentEncoding(relative, "/")));
        artifact.insert(QStringLiteral("uriBaseId"), QStringLiteral("SRCROOT"));
    } else {
        artifact.insert(QStringLiteral("uri"),
                        QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded));
    }
    QJsonObject physical{{QStringLiteral("artifactLocation"), artifact}};
    if (finding.line > 0) {
        QJsonObject region{{QStringLiteral("startLine"), finding.line}};
        if (finding.column > 0)
            region.insert(QStringLiteral("startColumn"), finding.column);
        physical.insert(QStringLiteral("region"), region);
    }
    return QJsonObject{{QStringLiteral("physicalLocation"), physical}};
}

} // namespace

QString findingsText(const QList<Finding> &findings)
{
    QString text;
    for (const Finding &finding : findings) {
        QString place = escapedLineBreaks(finding.file) + QLatin1Char(':') +
                        QString::number(finding.line) + QLatin1Char(':');
        if (finding.column > 0)
            place += QString::number(finding.column) + QLatin1Char(':');
        QString line = QStringLiteral("%1 %2: %3 [%4]")
                           .arg(place, severityName(finding.severity),
                                escapedLineBreaks(finding.message), finding.check);
        if (!finding.defname.isEmpty())
            line += QStringLiteral(" (in %1)").arg(escapedLineBreaks(finding.defname));
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString findingsJson(const QList<Finding> &findings)
{
    QJsonArray list;
    for (const Finding &finding : findings) {
        list.append(QJsonObject{{QStringLiteral("check"), finding.check},
                                {QStringLiteral("severity"), severityName(finding.severity)},
                                {QStringLiteral("message"), finding.message},
                                {QStringLiteral("file"), finding.file},
                                {QStringLiteral("line"), finding.line},
                                {QStringLiteral("column"), finding.column},
                                {QStringLiteral("defname"), finding.defname},
                                {QStringLiteral("id"), finding.subject}});
    }
    return jsonText(QJsonObject{{QStringLiteral("findings"), list}});
}

QString findingsSarif(const QList<Finding> &findings, const QString &baseDirectory,
                      const QString &version)
{
    QJsonArray rules;
    for (const Check &check : checks()) {
        rules.append(
            QJsonObject{{QStringLiteral("id"), check.id},
                        {QStringLiteral("shortDescription"),
                         QJsonObject{{QStringLiteral("text"), check.description}}},
                        {QStringLiteral("defaultConfiguration"),
                         QJsonObject{{QStringLiteral("level"), severityName(check.severity)}}}});
    }
    const QDir base(baseDirectory);
    QJsonArray results;
    for (const Finding &finding : findings) {
        qsizetype ruleIndex = 0;
        while (checks().at(ruleIndex).id != finding.check)
            ++ruleIndex;
        results.append(
            QJsonObject{{QStringLiteral("ruleId"), finding.check},
                        {QStringLiteral("ruleIndex"), int(ruleIndex)},
                        {QStringLiteral("level"), severityName(finding.severity)},
                        {QStringLiteral("message"),
                         QJsonObject{{QStringLiteral("text"), withDefname(finding)}}},
                        {QStringLiteral("locations"), QJsonArray{sarifLocation(finding, base)}}});
    }
    QString root =
        QUrl::fromLocalFile(QDir::cleanPath(base.absolutePath())).toString(QUrl::FullyEncoded);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QJsonObject driver{{QStringLiteral("name"), QStringLiteral("tavrel-report")},
                             {QStringLiteral("version"), version},
                             {QStringLiteral("rules"), rules}};
    const QJsonObject run{
        {QStringLiteral("tool"), QJsonObject{{QStringLiteral("driver"), driver}}},
        {QStringLiteral("originalUriBaseIds"),
         QJsonObject{{QStringLiteral("SRCROOT"), QJsonObject{{QStringLiteral("uri"), root}}}}},
        {QStringLiteral("results"), results}};
    return jsonText(QJsonObject{
        {QStringLiteral("$schema"),
         QStringLiteral("https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/"
                        "sarif-schema-2.1.0.json")},
        {QStringLiteral("version"), QStringLiteral("2.1.0")},
        {QStringLiteral("runs"), QJsonArray{run}}});
}

QString findingsGithub(const QList<Finding> &findings)
{
    QString text;
    for (const Finding &finding : findings) {
        QString properties = QStringLiteral("file=") + githubEscaped(finding.file, true);
        if (finding.line > 0)
            properties += QStringLiteral(",line=") + QString::number(finding.line);
        if (finding.column > 0)
            properties += QStringLiteral(",col=") + QString::number(finding.column);
        properties += QStringLiteral(",title=") + githubEscaped(finding.check, true);
        text += QStringLiteral("::%1 %2::%3\n")
                    .arg(severityName(finding.severity), properties,
                         githubEscaped(withDefname(finding), false));
    }
    return text;
}
