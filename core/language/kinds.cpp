// SPDX-License-Identifier: MIT
#include "core/language/kinds.h"

namespace tavrel {

QLatin1String kindName(Kind kind)
{
    static const char *const names[] = {
        "item",        "character",       "template",    "spawn",
        "item type",   "skill menu",      "menu",        "event set",
        "speech set",  "name list",       "dialog",      "book",
        "region type", "region resource", "skill class", "scroll",
        "tip",         "champion",        "area",        "room",
        "skill",       "spell",           "function",    "alias"};
    static_assert(sizeof names / sizeof names[0] == std::size_t(Kind::Count));
    return QLatin1String(names[std::size_t(kind)]);
}

} // namespace tavrel
