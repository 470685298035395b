// The lookup of the input file and the file-name filter patterns.
#pragma once

#include "core/Parser.h"
#include "platform/IncludeSearch.h"

#include <functional>

namespace zarnet {

// The parser that succeeds exactly when the whole input matches the pattern: "*" any run
// of characters (shortest first), "?" one character but ".", letters in either case,
// anything else exactly.
Parser<Unit> patternToParser(const Text& pattern);

// The input file of a run: looked up as written, with ".sqr" appended, and along the
// search directories.
struct ProbeResult {
    bool found = false;
    Text path; // empty when not found
};

// The path itself, then the path with ".sqr" appended.
ProbeResult probeSqrFile(const Text& path);
// The probe on each directory joined with the name, in list order; the first hit wins.
ProbeResult searchInputFile(const std::function<ProbeResult(const Text&)>& probe, const Text& name,
                            const PList<Text>& directories);
// The name, the name with ".sqr", then along the directories; the name itself when
// nothing exists.
Text resolveInputPath(const Text& name, const PList<Text>& directories);

// True when the whole name matches the pattern.
bool matchFileName(const Text& pattern, const Text& name);

// The same test with a pattern compiled once by patternToParser.
bool matchesWhole(const Parser<Unit>& compiled, const Text& name);

} // namespace zarnet
