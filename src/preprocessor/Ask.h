// The ASK command of a setup section: asks at the console for a substitution value.
#pragma once

#include "core/Parser.h"

#include <stdexcept>
#include <string>

namespace zarnet {

// Standard input ended while ASK waited for an answer. Nothing inside the parse handles
// it: the program's entry catches it, flushes standard output, writes what() (the whole
// line "<program>: <stdin>: hGetLine: end of file" and its line end) on standard error
// and exits with code 1, writing neither the preprocessed text nor the report.
class AskInputEnded : public std::runtime_error {
public:
    explicit AskInputEnded(const std::string& programName);
};

// Right after the ASK keyword: blanks, the name, an optional prompt and the line end,
// then the dialogue. Result "\n".
Reply<Text> pAsk(State& s);
// The name, then askSubstVar.
Reply<Text> pAskArgs(State& s);
// The optional prompt, the line end, then the dialogue for the name. Result "\n".
Reply<Text> askSubstVar(State& s, const Text& name);

} // namespace zarnet
