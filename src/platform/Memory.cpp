#include "platform/Memory.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace zarnet {

void preferLargePages(void* begin, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t(4) << 20; // two large pages at least
    if (bytes < kWorthIt) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto b = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = (b + page - 1) / page * page;
    const std::uintptr_t last = (b + bytes) / page * page;
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

} // namespace zarnet
