// SPDX-License-Identifier: MIT
#ifndef TAVREL_ITEMROW_H
#define TAVREL_ITEMROW_H

#include <QList>
#include <QString>

namespace tavrel {

// An item as a report shows it: its display name and its linked texts.
struct ReportItem
{
    QString defname;
    QString name;
    QString resources;
    QString skillmake;
};

// The item template with "%NAME", "%RESOURCES" and "%SKILLMAKE" replaced, in that order, at
// every occurrence, case-sensitively and without escaping.
QString itemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                const QString &skillmake);

// The header template, one item row per item in order with nothing between them, then the end
// template.
QString reportHtml(const QString &header, const QString &itemTemplate, const QString &end,
                   const QList<ReportItem> &items);

// The item row of a page others read: each value HTML-escaped and put in by one pass over the
// template, so that a value is shown as written, whatever markup or placeholder it holds.
QString escapedItemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                       const QString &skillmake);
// `reportHtml` with escaped item rows.
QString escapedReportHtml(const QString &header, const QString &itemTemplate, const QString &end,
                          const QList<ReportItem> &items);

} // namespace tavrel

#endif
