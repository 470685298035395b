// Dedicated rules for LET, IF and WHILE lines and for a keyword that stands alone on its
// line. The program parser reads these commands as generic statement lines; the rules are
// a library for tools that want the structure of such statements.
#pragma once

#include "core/Parser.h"

namespace zarnet::sqr {

// The keyword (any letter case; a partial match fails after consuming), blanks, then a
// line end or the end of the input, and the white space after it. Result: empty.
Reply<Text> pOnlyCommandLine(State& s, TextView keyword);
inline auto pOnlyCommandLine(TextView keyword) {
    return [keyword](State& s) { return pOnlyCommandLine(s, keyword); };
}
// The END-WHILE line.
Reply<Text> pEndWhileLine(State& s);

// LET, the target variable (its use recorded) or array element, "=" and the expression.
// Result: "LET [" target "] :=" and the expression's text.
Reply<Text> pLetStatement(State& s);
// "=" and the expression; result the expression's text.
Reply<Text> pLetAssignment(State& s);

// IF, the condition, the body lines, an optional ELSE part and END-IF. Result: empty.
Reply<Text> pIfStatement(State& s);
Reply<Text> pIfCondition(State& s);
Reply<Text> pIfBody(State& s);
Reply<Text> pElsePart(State& s);

// WHILE, the condition, the body lines and END-WHILE. Result: empty.
Reply<Text> pWhileStatement(State& s);
Reply<Text> pWhileBody(State& s);

} // namespace zarnet::sqr
