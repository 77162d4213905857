// SPDX-License-Identifier: MIT
#ifndef TAVREL_SI_ITEM_H
#define TAVREL_SI_ITEM_H

#include <QString>
#include <QTreeWidgetItem>

// One item definition of the scripts, and at the same time its node in the skill tree.
class SI_item : public QTreeWidgetItem
{
public:
    explicit SI_item(QTreeWidget *view = nullptr);
    ~SI_item() override;

    QString defname;
    QString type;
    QString name;
    QString description;
    QString resources;
    QString skillmake;
    QString subsection;
};

#endif
