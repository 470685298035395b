#include "RunContext.h"

namespace zarnet {

SourceName RunContext::sourceName(TextView name) {
    if (name.empty()) return SourceName();
    auto it = sourceNames_.find(name);
    if (it == sourceNames_.end()) it = sourceNames_.emplace(name).first;
    return SourceName(&*it);
}

} // namespace zarnet

namespace zarnet::detail {

std::size_t newRunPartSlot() noexcept {
    // Slots are handed out once per part type, on that type's first use; the count never
    // goes back and holds nothing of a run.
    static std::size_t next = 0;
    return next++;
}

} // namespace zarnet::detail
