#ifndef TAVREL_ITEMROW_H
#define TAVREL_ITEMROW_H

#include <QString>

// The item template with "%NAME", "%RESOURCES" and "%SKILLMAKE" replaced, in that order, at
// every occurrence, case-sensitively and without escaping.
QString itemRow(const QString &itemTemplate, const QString &name, const QString &resources,
                const QString &skillmake);

#endif
