// The preprocessor's entry: the first pass over the whole input, line by line, then the
// second pass over the joined text within the same parse.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// The second-pass parser: the SQR program parser, or pZarnet for the preprocessed text.
using SecondPass = Parser<Text>;

// Enters the predefined substitution variables, runs the line step to the end of the
// input, then makes the joined text the input (line 1, column 1 of the root file) and
// runs `secondPass` on it; the result is the second pass's result.
Reply<Text> pSqr(State& s, const SecondPass& secondPass);

// The second pass that returns all remaining text (the preprocessed output).
Reply<Text> pZarnet(State& s);

} // namespace zarnet
