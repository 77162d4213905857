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

const QString projectUri = QStringLiteral("https://tavrel.org/");

QString countOf(qsizetype count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QJsonObject summaryJson(const CheckSummary &summary)
{
    return QJsonObject{{QStringLiteral("files"), summary.files},
                       {QStringLiteral("definitions"), summary.definitions},
                       {QStringLiteral("references"), summary.references},
                       {QStringLiteral("errors"), summary.errors},
                       {QStringLiteral("warnings"), summary.warnings}};
}

QJsonObject sarifArtifact(const QString &file, const QDir &base)
{
    const QString absolute = QDir::cleanPath(base.absoluteFilePath(file));
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
    return artifact;
}

QJsonObject sarifRegion(TextPosition position, int length)
{
    QJsonObject region{{QStringLiteral("startLine"), position.line}};
    if (position.column > 0) {
        region.insert(QStringLiteral("startColumn"), position.column);
        if (length > 0)
            region.insert(QStringLiteral("endColumn"), position.column + length);
    }
    return region;
}

QJsonObject sarifLocation(const Location &location, const QDir &base)
{
    QJsonObject physical{{QStringLiteral("artifactLocation"), sarifArtifact(location.file, base)}};
    if (location.line > 0)
        physical.insert(QStringLiteral("region"),
                        sarifRegion(location.position(), location.length));
    return QJsonObject{{QStringLiteral("physicalLocation"), physical}};
}

QJsonObject sarifResult(const Finding &finding, int ruleIndex, const QDir &base)
{
    const Location &location = finding.location;
    QJsonObject result{
        {QStringLiteral("ruleId"), finding.check},
        {QStringLiteral("ruleIndex"), ruleIndex},
        {QStringLiteral("level"), severityName(finding.severity)},
        {QStringLiteral("message"), QJsonObject{{QStringLiteral("text"), withDefname(finding)}}},
        {QStringLiteral("locations"), QJsonArray{sarifLocation(location, base)}}};
    if (!finding.related.isEmpty()) {
        QJsonArray related;
        for (const RelatedPlace &place : finding.related) {
            QJsonObject relatedLocation = sarifLocation(place.location, base);
            relatedLocation.insert(QStringLiteral("message"),
                                   QJsonObject{{QStringLiteral("text"), place.message}});
            related.append(relatedLocation);
        }
        result.insert(QStringLiteral("relatedLocations"), related);
    }
    if (!finding.suggestion.isEmpty() && location.length > 0) {
        const QJsonObject replacement{
            {QStringLiteral("deletedRegion"), sarifRegion(location.position(), location.length)},
            {QStringLiteral("insertedContent"),
             QJsonObject{{QStringLiteral("text"), finding.suggestion}}}};
        const QJsonObject change{
            {QStringLiteral("artifactLocation"), sarifArtifact(location.file, base)},
            {QStringLiteral("replacements"), QJsonArray{replacement}}};
        result.insert(
            QStringLiteral("fixes"),
            QJsonArray{QJsonObject{
                {QStringLiteral("description"),
                 QJsonObject{{QStringLiteral("text"),
                              QStringLiteral("Replace with \"%1\"").arg(finding.suggestion)}}},
                {QStringLiteral("artifactChanges"), QJsonArray{change}}}});
    }
    return result;
}

} // namespace

QString findingsText(const QList<Finding> &findings)
{
    QString text;
    for (const Finding &finding : findings) {
        QString line = QStringLiteral("%1 %2: %3 [%4]")
                           .arg(placeText(finding.location.file, finding.location.line,
                                          finding.location.column),
                                severityName(finding.severity), escapedLineBreaks(finding.message),
                                finding.check);
        if (!finding.defname.isEmpty())
            line += QStringLiteral(" (in %1)").arg(escapedLineBreaks(finding.defname));
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString summaryText(const CheckSummary &summary)
{
    return QStringLiteral("%1, %2, %3: %4, %5")
        .arg(countOf(summary.files, "file", "files"),
             countOf(summary.definitions, "definition", "definitions"),
             countOf(summary.references, "reference", "references"),
             countOf(summary.errors, "error", "errors"),
             countOf(summary.warnings, "warning", "warnings"));
}

QString findingsJson(const QList<Finding> &findings, const CheckSummary &summary)
{
    QJsonArray list;
    for (const Finding &finding : findings) {
        list.append(QJsonObject{{QStringLiteral("check"), finding.check},
                                {QStringLiteral("severity"), severityName(finding.severity)},
                                {QStringLiteral("message"), finding.message},
                                {QStringLiteral("file"), finding.location.file},
                                {QStringLiteral("line"), finding.location.line},
                                {QStringLiteral("column"), finding.location.column},
                                {QStringLiteral("defname"), finding.defname},
                                {QStringLiteral("id"), finding.subject},
                                {QStringLiteral("suggestion"), finding.suggestion}});
    }
    return jsonText(QJsonObject{{QStringLiteral("findings"), list},
                                {QStringLiteral("summary"), summaryJson(summary)}});
}

QString findingsSarif(const QList<Finding> &findings, const CheckSummary &summary,
                      const QString &baseDirectory, const QString &version)
{
    QJsonArray rules;
    for (const Check &check : checks()) {
        rules.append(QJsonObject{
            {QStringLiteral("id"), check.id},
            {QStringLiteral("shortDescription"),
             QJsonObject{{QStringLiteral("text"), check.description}}},
            {QStringLiteral("fullDescription"), QJsonObject{{QStringLiteral("text"), check.help}}},
            {QStringLiteral("helpUri"), projectUri + QStringLiteral("checks#") + check.id},
            {QStringLiteral("defaultConfiguration"),
             QJsonObject{{QStringLiteral("level"), severityName(check.severity)},
                         {QStringLiteral("enabled"), !check.offByDefault}}}});
    }
    const QDir base(baseDirectory);
    QJsonArray results;
    for (const Finding &finding : findings) {
        qsizetype ruleIndex = 0;
        while (checks().at(ruleIndex).id != finding.check)
            ++ruleIndex;
        results.append(sarifResult(finding, int(ruleIndex), base));
    }
    QString root =
        QUrl::fromLocalFile(QDir::cleanPath(base.absolutePath())).toString(QUrl::FullyEncoded);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QJsonObject driver{{QStringLiteral("name"), QStringLiteral("tavrel-report")},
                             {QStringLiteral("version"), version},
                             {QStringLiteral("informationUri"), projectUri},
                             {QStringLiteral("rules"), rules}};
    const QJsonObject run{
        {QStringLiteral("tool"), QJsonObject{{QStringLiteral("driver"), driver}}},
        {QStringLiteral("originalUriBaseIds"),
         QJsonObject{{QStringLiteral("SRCROOT"), QJsonObject{{QStringLiteral("uri"), root}}}}},
        {QStringLiteral("results"), results},
        {QStringLiteral("properties"),
         QJsonObject{{QStringLiteral("summary"), summaryJson(summary)}}}};
    return jsonText(QJsonObject{
        {QStringLiteral("$schema"),
         QStringLiteral("https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/"
                        "sarif-schema-2.1.0.json")},
        {QStringLiteral("version"), QStringLiteral("2.1.0")},
        {QStringLiteral("runs"), QJsonArray{run}}});
}

QString findingsGithub(const QList<Finding> &findings, const CheckSummary &summary)
{
    QString text;
    for (const Finding &finding : findings) {
        const Location &location = finding.location;
        QString properties = QStringLiteral("file=") + githubEscaped(location.file, true);
        if (location.line > 0)
            properties += QStringLiteral(",line=") + QString::number(location.line);
        if (location.column > 0)
            properties += QStringLiteral(",col=") + QString::number(location.column);
        properties += QStringLiteral(",title=") + githubEscaped(finding.check, true);
        text += QStringLiteral("::%1 %2::%3\n")
                    .arg(severityName(finding.severity), properties,
                         githubEscaped(withDefname(finding), false));
    }
    return text + QStringLiteral("::notice title=tavrel-report::%1\n")
                      .arg(githubEscaped(summaryText(summary), false));
}

QString checksJson()
{
    QJsonArray list;
    for (const Check &check : checks()) {
        list.append(QJsonObject{{QStringLiteral("id"), check.id},
                                {QStringLiteral("severity"), severityName(check.severity)},
                                {QStringLiteral("description"), check.description},
                                {QStringLiteral("help"), check.help},
                                {QStringLiteral("enabledByDefault"), !check.offByDefault}});
    }
    return jsonText(QJsonObject{{QStringLiteral("checks"), list}});
}
