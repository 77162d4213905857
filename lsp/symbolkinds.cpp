// SPDX-License-Identifier: MIT
#include "lsp/features.h"

#include <cstddef>

namespace tavrel::lsp {

namespace {

// The protocol's numbers.
enum SymbolKind
{
    File = 1,
    Module = 2,
    Namespace = 3,
    Class = 5,
    Method = 6,
    Property = 7,
    Enum = 10,
    Interface = 11,
    Function = 12,
    String = 15,
    Constant = 14,
    Array = 18,
    Object = 19,
    Struct = 23,
    Event = 24,
};

enum CompletionKind
{
    FunctionItem = 3,
    ClassItem = 7,
    PropertyItem = 10,
    EnumItem = 13,
    ReferenceItem = 18,
    ConstantItem = 21,
    StructItem = 22,
    EventItem = 23,
};

} // namespace

int symbolKind(Kind kind)
{
    static const SymbolKind kinds[] = {Object,    Class,     Struct,   Array,  Enum,      Module,
                                       Module,    Event,     Event,    Array,  Interface, File,
                                       Namespace, Namespace, Class,    File,   String,    Object,
                                       Namespace, Namespace, Property, Method, Function,  Constant};
    static_assert(sizeof kinds / sizeof kinds[0] == std::size_t(Kind::Count));
    return kinds[std::size_t(kind)];
}

int completionKind(Kind kind)
{
    switch (kind) {
    case Kind::Item:
    case Kind::Character:
        return ClassItem;
    case Kind::Template:
        return StructItem;
    case Kind::ItemType:
        return EnumItem;
    case Kind::Skill:
        return PropertyItem;
    case Kind::Events:
        return EventItem;
    case Kind::Function:
        return FunctionItem;
    case Kind::Alias:
        return ConstantItem;
    default:
        return ReferenceItem;
    }
}

} // namespace tavrel::lsp
