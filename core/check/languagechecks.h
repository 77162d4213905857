// SPDX-License-Identifier: MIT
#ifndef TAVREL_LANGUAGECHECKS_H
#define TAVREL_LANGUAGECHECKS_H

#include "core/language/facts.h"

#include <QList>

namespace tavrel {

class CheckRun;
struct LoadedScripts;

// The checks of every definition and reference of the language, one function each.
void undefinedNames(CheckRun &run);
void wrongKinds(CheckRun &run);
void unscriptedIds(CheckRun &run);
void untypedResources(CheckRun &run);
void duplicateDefinitions(CheckRun &run);
void randomRanges(CheckRun &run);
void badNames(CheckRun &run);
void duplicateTriggers(CheckRun &run);
void blockStructure(CheckRun &run);

// The RESOURCES entries of items that name no item and no item type, as references: they may
// still name something else, or be numbers.
QList<Reference> unlinkedResources(const LoadedScripts &loaded);

} // namespace tavrel

#endif
