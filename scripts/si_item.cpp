// SPDX-License-Identifier: MIT
#include "scripts/si_item.h"

SI_item::SI_item(QTreeWidget *view) : QTreeWidgetItem(view, QTreeWidgetItem::Type) {}

SI_item::~SI_item() = default;
