// The search for an included file along the search directories.
#pragma once

#include "core/PersistentList.h"
#include "platform/FileSystem.h"

namespace zarnet {

struct SearchResult {
    bool found = false;
    Text path; // the joined path of the first hit, as built; empty when not found
};

// Joins each directory with the name in list order; the first existing file wins. The
// name alone is never tried: an empty list finds nothing.
SearchResult searchFile(const Text& name, const PList<Text>& searchPaths, const FileSystem& fs = diskFileSystem());

} // namespace zarnet
