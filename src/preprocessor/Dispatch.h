// The dispatch of one first-pass line by the word it begins with.
#pragma once

#include "core/Parser.h"

#include <optional>

namespace zarnet {

// Runs after the line's leading blanks; the result is those blanks followed by the text of
// the alternative that took the line. Fails clean when no alternative can take it.
Reply<Text> pDirective(State& s, const Text& leadingBlanks);
// The same with the alternative's text appended to out, which holds the leading blanks;
// after a failure out is as it was.
Reply<Unit> pDirectiveInto(State& s, Text& out);
// Its direct path alone, for an ordinary line that starts with a token: then its outcome,
// which has always consumed. Otherwise nothing: s and out are untouched.
std::optional<Reply<Unit>> directiveLineDirect(State& s, Text& out);
// The direct path of a #define line that the dispatch and the directive both take
// directly (see defineDirectiveDirect): its outcome, which has always consumed. Otherwise
// nothing: s and out are untouched.
std::optional<Reply<Unit>> defineLineDirect(State& s, Text& out);
// The same for an #ifdef or #ifndef line, whose block is read through to its #end-if line:
// the outcome of the whole block, which has always consumed.
std::optional<Reply<Unit>> blockLineDirect(State& s, Text& out);
// The same, trying every alternative in turn, without the shortcut by the first character
// (the reference that the shortcut must agree with).
Reply<Text> pDirectiveInFull(State& s, const Text& leadingBlanks);

} // namespace zarnet
