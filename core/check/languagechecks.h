// SPDX-License-Identifier: MIT
#ifndef TAVREL_LANGUAGECHECKS_H
#define TAVREL_LANGUAGECHECKS_H

namespace tavrel {

class CheckContext;

// The checks of the definitions and uses of the language, one function each: of one file's
// uses and text, or of one name's definitions.
void undefinedNames(CheckContext &context);
void wrongKinds(CheckContext &context);
void undefinedDefaults(CheckContext &context);
void unscriptedIds(CheckContext &context);
void untypedResources(CheckContext &context);
void duplicateDefinitions(CheckContext &context);
void randomRanges(CheckContext &context);
void badNames(CheckContext &context);
void duplicateTriggers(CheckContext &context);
void blockStructure(CheckContext &context);

} // namespace tavrel

#endif
