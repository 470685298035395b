#include "platform/IncludeSearch.h"

namespace zarnet {

SearchResult searchFile(const Text& name, const PList<Text>& searchPaths, const FileSystem& fs) {
    for (const Text& dir : searchPaths) {
        Text path = joinPath(dir, name);
        if (fs.isFile(path)) return SearchResult{true, std::move(path)};
    }
    return SearchResult{};
}

} // namespace zarnet
