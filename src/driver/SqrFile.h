// Include-file search along the search directories, and the file-name filter patterns.
#pragma once

#include "core/Parser.h"

namespace zarnet {

struct SearchResult {
    bool found = false;
    Text path; // the joined path of the first hit, as built; empty when not found
};

// Joins each directory with the name in list order; the first existing file wins. The
// name alone is never tried: an empty list finds nothing.
SearchResult searchFile(const Text& name, const PList<Text>& searchPaths);

// True when the whole name matches the pattern ("*" any run, "?" one character but
// ".", letters in either case, anything else exactly).
bool matchFileName(const Text& pattern, const Text& name);

} // namespace zarnet
