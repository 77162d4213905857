// SPDX-License-Identifier: MIT
#ifndef TAVREL_CODE_H
#define TAVREL_CODE_H

#include "core/language/facts.h"

namespace tavrel {

// The names a line of code names as the server resolves them while the code runs: what a verb
// creates (NEWITEM, NEWNPC, ADD...), opens (DIALOG, MENU...), casts, tests or consumes, the
// function a line or a TRY, CALL or TIMERF calls, the names an expression reads (<DEF.x>,
// FINDID.x, ISEVENT.x, SERV.ITEMDEF.x, <f_x>), and the item, character and type names an IF,
// ELIF or WHILE compares. Each is added to `uses`, owned by the section `owner` names and placed
// in the file at `path`; a name holding a part computed when the code runs is skipped alone, and
// a line that names nothing adds nothing.
void readCodeUses(const Script &script, const ScriptLine &line, const QString &path,
                  const QString &owner, QList<Use> &uses);

// The kinds a line of code takes for the name written at `offset` in the script's text (a verb
// that may call a function takes functions), or 0 where no name is written there.
Kinds codeKindsAt(const Script &script, const ScriptLine &line, qsizetype offset);

} // namespace tavrel

#endif
