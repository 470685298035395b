// The return from an included file whose text has ended.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// At the end of the current input: resumes every including file whose text has ended
// too, recording each switch in sourceNameStack; at the end of the root input it changes
// nothing. Never counts as consuming. Fails clean while input remains.
Reply<Unit> pLeaveInclude(State& s);

} // namespace zarnet
