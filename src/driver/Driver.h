// The road of one run: options, the input file, the variable file, the parse, and the
// preprocessed text or the report written once at the end.
#pragma once

#include "driver/Options.h"

#include <string>
#include <vector>

namespace zarnet {

// Runs the checker on the argument words (without the program's name) and returns the
// exit code. All standard-stream output goes through console().
int runMain(const std::vector<std::string>& args);

// Writes the runtime error line "<program>: <text>" on standard error, after flushing
// standard output.
void reportRuntimeError(const std::string& text);

} // namespace zarnet
