// The BEGIN-SETUP section of the first pass: its lines up to END-SETUP, with ASK.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// After the BEGIN-SETUP keyword (as written): the rest of its line and the whole section.
// Result: the keyword, "\n", and the output of the section's lines.
Reply<Text> pBeginSetup(State& s, const Text& keyword);
// The section loop: every line up to and including the END-SETUP line.
Reply<Text> pSetupLines(State& s);
// One step of the loop: the END-SETUP line, or a line and the rest of the section.
Reply<Text> pSetupLine(State& s);
// A section line that is not the END-SETUP line: an ASK line ("\n") or any other line.
Reply<Text> pAskOrLine(State& s);

} // namespace zarnet
