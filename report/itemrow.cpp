#include "report/itemrow.h"

QString itemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                const QString &skillmake)
{
    QString row = itemTemplate;
    row.replace(QStringLiteral("%NAME"), name, Qt::CaseSensitive);
    row.replace(QStringLiteral("%RESOURCES"), resources, Qt::CaseSensitive);
    row.replace(QStringLiteral("%SKILLMAKE"), skillmake, Qt::CaseSensitive);
    return row;
}
