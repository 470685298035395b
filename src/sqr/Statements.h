// Command lines: the DO statement with its arguments, and every other line read as a flat
// run of generic tokens whose variable references are recorded as uses.
#pragma once

#include "core/Parser.h"

#include <vector>

namespace zarnet::sqr {

// One statement line at its first non-blank character, and all white space after it
// (line ends included). A stray section end (END-PROGRAM, END-PROCEDURE, ...) fails with
// "(SQR 4702)ff Line found outside paragraph."; a DO line goes to pDoStatement, and every
// other line, or a DO line that rule refuses, is scanned token by token up to its line
// end. A unit: a failure consumes nothing and records nothing.
Reply<Unit> pAnyStatement(State& s);

// The name after a sigil in DO arguments and procedure parameters: characters up to a
// blank, line end, ")", "," or single "!", where "!!" stands for one "!". Fails clean.
Reply<Text> pArgWord(State& s);

// DO, the procedure name and an optional parenthesised argument list, with the white
// space after it. Records a use of each variable argument. A unit.
Reply<Unit> pDoStatement(State& s);
// The procedure name after DO and the white space after it; result the name.
Reply<Text> pDoProcName(State& s);
// "(" arguments ")" when "(" stands here; nothing otherwise.
Reply<Unit> pDoArguments(State& s);
// The arguments between the parentheses, separated by "," or a line end, with one comma
// allowed after the last; result their texts. Never fails.
Reply<std::vector<Text>> argList(State& s);
// One argument: a number, a one-line quoted text or a variable (its use recorded).
Reply<Text> pArgItem(State& s);
// The optional comma after the last argument, with the white space after it.
Reply<Unit> pArgComma(State& s);

} // namespace zarnet::sqr
