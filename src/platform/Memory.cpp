#include "platform/Memory.h"

#include "core/Pool.h"

#include <cstdint>
#include <new>

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

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
constexpr std::size_t kHeapFirst = std::size_t(4) << 20; // pool bytes taken from the heap first

// A chunk of one large page, aligned to it (so that the system can back it with one), or
// null where the system gives none.
char* mapLargePageChunk() noexcept {
    void* m = ::mmap(nullptr, 2 * kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    const auto b = reinterpret_cast<std::uintptr_t>(m);
    const std::uintptr_t aligned = (b + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > b) ::munmap(m, aligned - b);
    if (const std::uintptr_t tail = b + 2 * kLargePage - (aligned + kLargePage)) {
        ::munmap(reinterpret_cast<void*>(aligned + kLargePage), tail);
    }
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), kLargePage, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<char*>(aligned);
}

void* largePagePoolBlock(std::size_t bytes) {
    static std::size_t fromHeap = 0;
    static char* next = nullptr;
    static char* end = nullptr;
    bytes = (bytes + 15) / 16 * 16; // as the heap aligns
    if (fromHeap < kHeapFirst || bytes > kLargePage / 4) {
        fromHeap += bytes;
        return ::operator new(bytes);
    }
    if (std::size_t(end - next) < bytes) {
        char* chunk = mapLargePageChunk();
        if (!chunk) return ::operator new(bytes);
        next = chunk;
        end = chunk + kLargePage;
    }
    void* block = next;
    next += bytes;
    return block;
}

constexpr std::uintptr_t kStep = std::uintptr_t(1) << 18;

std::uintptr_t pageSize() noexcept {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

} // namespace

void useLargePagesForPools() noexcept { setPoolBlockSource(largePagePoolBlock); }

ReadOnceRegion::ReadOnceRegion(const char* begin, const char* end) noexcept {
    const std::uintptr_t page = pageSize();
    const auto b = reinterpret_cast<std::uintptr_t>(begin);
    const auto e = reinterpret_cast<std::uintptr_t>(end);
    first_ = (b + page - 1) / page * page;
    last_ = e / page * page;
    if (last_ < first_) last_ = first_;
    given_ = first_;
    // A page of margin before the reading place, and at least a step of pages each time.
    next_ = first_ + page + kStep;
}

void ReadOnceRegion::giveBackBefore(const char* p) noexcept {
    const std::uintptr_t page = pageSize();
    std::uintptr_t upTo = (reinterpret_cast<std::uintptr_t>(p) - page) / page * page;
    if (upTo > last_) upTo = last_;
    if (upTo <= given_) return;
    void* from = reinterpret_cast<void*>(given_);
    const std::size_t bytes = upTo - given_;
    // Unreadable first, then given back: a page is never seen as zeros.
    if (::mprotect(from, bytes, PROT_NONE) != 0) {
        next_ = UINTPTR_MAX; // the system refuses: keep the text whole
        return;
    }
    ::madvise(from, bytes, MADV_DONTNEED);
    given_ = upTo;
    next_ = upTo + page + kStep;
}

ReadOnceRegion::~ReadOnceRegion() {
    if (given_ > first_) ::mprotect(reinterpret_cast<void*>(first_), given_ - first_, PROT_READ | PROT_WRITE);
}

} // namespace zarnet
