// SPDX-License-Identifier: MIT
#include "app/tavrel.h"

#include "app/pacedprogress.h"
#include "core/report/itemrow.h"
#include "scripts/si_item.h"

#include <QProgressDialog>
#include <QTextBrowser>
#include <QTreeWidgetItem>

using namespace tavrel;

namespace {

// Inserted while the vertical scroll bar is hidden, a report taller than the browser is laid
// out at the full width, and again when the bar appears and narrows the page; for the table of
// a large skill each layout costs more than everything else the report does. The bar is shown
// for the insertion, so that the one layout is made at the width the report will keep; the
// browser's own policy then decides whether the bar stays.
void insertReport(QTextBrowser *browser, const QString &report)
{
    const Qt::ScrollBarPolicy policy = browser->verticalScrollBarPolicy();
    if (policy != Qt::ScrollBarAsNeeded) {
        browser->insertHtml(report);
        return;
    }
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    browser->insertHtml(report);
    browser->setVerticalScrollBarPolicy(policy);
}

} // namespace

void Tavrel::itemClicked(QTreeWidgetItem *node, int)
{
    // While a load or another report runs, a click would mix two reports in the browser or walk
    // nodes that are still being built; it is ignored.
    if (!node || activity != Activity::Idle)
        return;

    // The templates of the moment of the click, even if the settings change meanwhile.
    const QString header = h1;
    const QString item = h2;
    const QString end = h3;

    textBrowser->clear();
    QString report = header;
    if (node->parent()) {
        const auto *record = static_cast<const SI_item *>(node);
        report += itemRow(item, record->name, record->resources, record->skillmake);
    } else {
        const ActivityScope scope(activity, Activity::Reporting);
        PacedProgress paced(this);
        QProgressDialog &progress = paced.dialog();
        progress.setWindowTitle(tr("Processing..."));
        const int count = node->childCount();
        progress.setRange(0, count);
        progress.show();
        for (int i = 0; i < count; ++i) {
            const auto *record = static_cast<const SI_item *>(node->child(i));
            report += itemRow(item, record->name, record->resources, record->skillmake);
            paced.processEvents();
            progress.setValue(progress.value() + 1);
        }
    }
    report += end;
    insertReport(textBrowser, report);
}

QList<SI_item *> Tavrel::FindSI(QString id)
{
    QList<SI_item *> found;
    const QMap<QString, SI_item *> records = items;
    for (SI_item *record : records) {
        if (record->type == id)
            found.append(record);
    }
    return found;
}
