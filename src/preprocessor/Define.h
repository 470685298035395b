// The #define directive: gives a substitution variable a value.
#pragma once

#include "core/Parser.h"

#include <optional>

namespace zarnet {

// "#define" in any letter case; a partial match fails after consuming.
Reply<Text> pDefineKeyword(State& s);
// The rest of a #define line after its keyword, line end included. Result "\n".
Reply<Text> pDefineDirective(State& s);
// The direct path of pDefineDirective alone, for the rest of a #define line that blanks, a
// name, blanks, the value's tokens and a line tail make up, ended by a line break: then its
// outcome, which has always consumed. Otherwise (or with the fast paths off) nothing, s
// untouched.
std::optional<Reply<Text>> defineDirectiveDirect(State& s);
// The same through the grammar alone, without the direct path for common lines (the
// reference that the direct path must agree with).
Reply<Text> pDefineDirectiveInFull(State& s);
// The name, then the value through pDefineBody.
Reply<Text> pDefineLine(State& s);
// The value of the (trimmed) name; defines it unless the name is empty. Result "\n".
Reply<Text> pDefineBody(State& s, const Text& name);

} // namespace zarnet
