// SPDX-License-Identifier: MIT
#include "core/report/itemrow.h"

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

} // namespace tavrel
