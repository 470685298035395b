// One step of the first pass's line loop, and the parser of one source line.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// An optional return from finished include files, then one line. Result: its output text.
Reply<Text> pLineStep(State& s);
// The same with the step's text appended to out (the line loop's output) instead of
// returned; after a failure out is as it was.
Reply<Unit> pLineStepInto(State& s, Text& out);
// One source line (or the whole block or section it opens) and its output text.
Reply<Text> pLine(State& s);
// The same through the four kinds of line in turn, without the direct paths for common
// lines (the reference that the direct paths must agree with).
Reply<Text> pLineInFull(State& s);

} // namespace zarnet
