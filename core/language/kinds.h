// SPDX-License-Identifier: MIT
#ifndef TAVREL_KINDS_H
#define TAVREL_KINDS_H

#include <QLatin1String>
#include <QStringView>

#include <cstdint>

namespace tavrel {

// What a name of the scripts stands for: the kind of the section that defines it, or an alias.
enum class Kind : std::uint8_t
{
    Item,
    Character,
    Template,
    Spawn,
    ItemType,
    SkillMenu,
    Menu,
    Events,
    Speech,
    Names,
    Dialog,
    Book,
    RegionType,
    RegionResource,
    SkillClass,
    Scroll,
    Tip,
    Champion,
    Area,
    Room,
    Skill,
    Spell,
    Function,
    Alias,
    Count
};

// A set of kinds, one bit each.
using Kinds = std::uint32_t;
constexpr Kinds kindBit(Kind kind)
{
    return Kinds(1) << unsigned(kind);
}
constexpr Kinds everyKind = kindBit(Kind::Count) - 1;

// The word the scripts use for a kind ("item", "character", "region type"...), for messages.
QLatin1String kindName(Kind kind);

} // namespace tavrel

#endif
