// SPDX-License-Identifier: MIT
#ifndef TAVREL_DESCRIPTION_H
#define TAVREL_DESCRIPTION_H

#include <QString>

#include <functional>

namespace tavrel {

class MaterialCosts;
class ScriptIndex;

// What a lower-case name stands for, in Markdown, as an editor shows it over the name: an item
// with its name, type, resources, skills and raw materials, any other definition with its kind,
// each with where it is defined, and how many places use the name. `shownPath` writes a file's
// path as the reader knows it.
QString describeName(const ScriptIndex &index, const QString &name, MaterialCosts &costs,
                     const std::function<QString(const QString &)> &shownPath);

} // namespace tavrel

#endif
