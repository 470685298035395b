// The road of one run: options, the input file, the variable file, the parse, and the
// preprocessed text or the report written once at the end.
#pragma once

#include "driver/Options.h"

#include <string>
#include <vector>

namespace zarnet {

// What becomes of what a run built (its texts, maps and result) once its output is
// written: freed, or left for the process's exit to take back. A program that exits right
// after the run leaves it: freeing millions of map nodes scattered over the heap, one by
// one, costs a report run several percent of its time, for memory the exit frees at once.
enum class RunEnd { FreeAll, LeaveToExit };

// Runs the checker on the argument words (without the program's name) and returns the
// exit code. All standard-stream output goes through console().
int runMain(const std::vector<std::string>& args, RunEnd end = RunEnd::FreeAll);

// Writes the runtime error line "<program>: <text>" on standard error, after flushing
// standard output.
void reportRuntimeError(const std::string& text);

} // namespace zarnet
