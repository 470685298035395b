// The preprocessor's entry: the first pass over the whole input, line by line, then the
// second pass over the joined text within the same parse.
#pragma once

#include "core/Parser.h"

#include <array>
#include <vector>

namespace zarnet {

// The second-pass parser: the SQR program parser, or pZarnet for the preprocessed text.
using SecondPass = Parser<Text>;

// Enters the predefined substitution variables, runs the line step to the end of the
// input, then makes the joined text the input (line 1, column 1 of the root file) and
// runs `secondPass` on it; the result is the second pass's result.
Reply<Text> pSqr(State& s, const SecondPass& secondPass);

// The second pass that returns all remaining text (the preprocessed output).
Reply<Text> pZarnet(State& s);

// Tells that the second pass will read nothing before s's place again (it stands between
// two sections of the program): the memory of the joined text read so far may go back to
// the system. Does nothing outside a second pass.
void secondPassReadUpTo(const State& s);

// The substitution variables every run starts with; each stands for its own reference.
inline constexpr std::array<TextView, 5> predefinedSubstVarNames = {
    "sqr-database", "sqr-dbcs", "sqr-encoding", "sqr-hostname", "sqr-platform"};
// The table with name (upper-cased) bound to "{name}".
SymTab predefineSubstVar(TextView name, const SymTab& symtab);
SymTab addPredefinedSubstVars(const SymTab& symtab);

// The line step one or more times; result the step texts joined.
Reply<Text> pPreprocessLines(State& s);
Text concatLines(const std::vector<Text>& lines);
// The hand-over to the second pass: sequenceNo 1, the position at line 1, column 1 of
// the named source, and the recorded switches oldest first. Consumes nothing.
Reply<Unit> restartState(State& s, SourceName sourceName);

} // namespace zarnet
