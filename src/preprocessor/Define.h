// The #define directive: gives a substitution variable a value.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// "#define" in any letter case; a partial match fails after consuming.
Reply<Text> pDefineKeyword(State& s);
// The rest of a #define line after its keyword, line end included. Result "\n".
Reply<Text> pDefineDirective(State& s);
// The same through the grammar alone, without the direct path for common lines (the
// reference that the direct path must agree with).
Reply<Text> pDefineDirectiveInFull(State& s);
// The name, then the value through pDefineBody.
Reply<Text> pDefineLine(State& s);
// The value of the (trimmed) name; defines it unless the name is empty. Result "\n".
Reply<Text> pDefineBody(State& s, const Text& name);

} // namespace zarnet
