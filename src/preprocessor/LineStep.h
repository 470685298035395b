// One step of the first pass's line loop, and the parser of one source line.
#pragma once

#include "core/Parser.h"

#include <optional>

namespace zarnet {

// An optional return from finished include files, then one line. Result: its output text.
Reply<Text> pLineStep(State& s);
// The same with the step's text appended to out (the line loop's output) instead of
// returned; after a failure out is as it was.
Reply<Unit> pLineStepInto(State& s, Text& out);
// The step as pLineStepInto takes it where its line is a common one that the direct paths
// read whole, or an #ifdef or #ifndef line that the dispatch takes directly (not at the end
// of a text, so no include is left first): its outcome, which has always consumed.
// Otherwise (or with the fast paths off) nothing: s and out are untouched. Saves no state,
// so that a #define there changes the table in place.
std::optional<Reply<Unit>> pDirectLineStepInto(State& s, Text& out);
// One source line (or the whole block or section it opens) and its output text.
Reply<Text> pLine(State& s);
// The same through the four kinds of line in turn, without the direct paths for common
// lines (the reference that the direct paths must agree with).
Reply<Text> pLineInFull(State& s);

} // namespace zarnet
