// SPDX-License-Identifier: MIT
#include "core/report/itemrow.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tavrel {

QString itemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                const QString &skillmake)
{
    QString row = itemTemplate;
    row.replace(QStringLiteral("%NAME"), name, Qt::CaseSensitive);
    row.replace(QStringLiteral("%RESOURCES"), resources, Qt::CaseSensitive);
    row.replace(QStringLiteral("%SKILLMAKE"), skillmake, Qt::CaseSensitive);
    return row;
}

QString reportHtml(const QString &header, const QString &itemTemplate, const QString &end,
                   const QList<ReportItem> &items)
{
    QString report = header;
    for (const ReportItem &item : items)
        report += itemRow(itemTemplate, item.name, item.resources, item.skillmake);
    report += end;
    return report;
}

QString escapedItemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                       const QString &skillmake)
{
    const std::pair<QLatin1String, QString> values[] = {
        {QLatin1String("%NAME"), name.toHtmlEscaped()},
        {QLatin1String("%RESOURCES"), resources.toHtmlEscaped()},
        {QLatin1String("%SKILLMAKE"), skillmake.toHtmlEscaped()}};
    QString row;
    row.reserve(itemTemplate.size() + name.size() + resources.size() + skillmake.size());
    const QStringView rest(itemTemplate);
    qsizetype copied = 0;
    for (qsizetype at = rest.indexOf(u'%'); at >= 0; at = rest.indexOf(u'%', at)) {
        const auto value = std::find_if(std::cbegin(values), std::cend(values), [&](const auto &v) {
            return rest.sliced(at).startsWith(v.first, Qt::CaseSensitive);
        });
        if (value == std::cend(values)) {
            ++at;
            continue;
        }
        row += rest.sliced(copied, at - copied);
        row += value->second;
        at += value->first.size();
        copied = at;
    }
    row += rest.sliced(copied);
    return row;
}

QString escapedReportHtml(const QString &header, const QString &itemTemplate, const QString &end,
                          const QList<ReportItem> &items)
{
    QString report = header;
    for (const ReportItem &item : items)
        report += escapedItemRow(itemTemplate, item.name, item.resources, item.skillmake);
    report += end;
    return report;
}

} // namespace tavrel
