// SPDX-License-Identifier: MIT
#ifndef TAVREL_CODELINE_H
#define TAVREL_CODELINE_H

#include "core/read/scriptreader.h"

namespace tavrel {

// A line of script code as the server splits it: the verb, and its arguments after the blanks
// and the one "=" or "," that end it. The verb ends at "=", ",", a blank or a tab outside (),
// [], {} and double quotes; "<...>" does not protect, so "IF(<a> == 1)" is one verb and
// "SAY <a b>" is not.
struct CodeLine
{
    TextSpan verb;
    TextSpan arguments;
};

CodeLine splitCode(const Script &script, const ScriptLine &line);

} // namespace tavrel

#endif
