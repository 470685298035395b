// The SQR program parser of the second pass: what the driver and the tests need of it.
#pragma once

#include "sqr/Commands.h"
#include "sqr/ControlStatements.h"
#include "sqr/Paragraphs.h"
#include "sqr/Procedures.h"
#include "sqr/Program.h"
#include "sqr/SetupBlocks.h"
#include "sqr/Statements.h"

namespace zarnet::sqr {

// pSqrProgram in the shape of a second-pass parser: the result text is empty, and the
// parser state at the end of the input holds what the report is built from.
Reply<Text> pSqrSecondPass(State& s);

} // namespace zarnet::sqr
