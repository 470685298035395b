// The #include directive: the first pass continues with the text of the included file,
// found along the search directories, and resumes the including file at its end.
#pragma once

#include "core/Parser.h"
#include "platform/FileSystem.h"

#include <cstdint>

namespace zarnet {

// Include files nested deeper than this (files between the root and the included one, an
// #include on a file's last line counting like any other) end the run, so that a file
// that includes itself cannot recurse without end.
inline constexpr std::int64_t kMaxIncludeDepth = 64;

// Where a run reads its included files; the machine's file system unless set.
struct IncludeFiles : RunPart {
    const FileSystem* fileSystem = nullptr;
};
const FileSystem& includeFileSystem(const State& s);

// After the "#include" keyword: blanks, then pIncludeFile. Result "\n".
Reply<Text> pIncludeDirective(State& s);
// The quoted name, the rest of the line, then the switch to the found file (or a warning
// when none is found). Result "\n".
Reply<Text> pIncludeFile(State& s);

// The current position and remaining input, as the place to resume later.
Reply<Context> mkContext(State& s);
// Puts a saved place on top of `context`.
Reply<Unit> pushContext(State& s, const Context& c);

} // namespace zarnet
