#include "platform/Memory.h"

#include "core/Pool.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace zarnet {

namespace {

std::uintptr_t pageSize() noexcept {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

// The whole pages inside [begin, begin + bytes), or an empty range.
struct PageRange {
    void* first;
    std::size_t bytes;
};
PageRange pagesWithin(const void* begin, std::size_t bytes) noexcept {
    const std::uintptr_t page = pageSize();
    const auto b = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = (b + page - 1) / page * page;
    const std::uintptr_t last = (b + bytes) / page * page;
    return {reinterpret_cast<void*>(first), last > first ? last - first : 0};
}

} // namespace

void backNow(void* begin, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t kWorthIt = std::size_t(64) << 10;
    if (bytes < kWorthIt) return;
    const PageRange r = pagesWithin(begin, bytes);
    if (r.bytes) ::madvise(r.first, r.bytes, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)bytes;
#endif
}

void preferLargePages(void* begin, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t(4) << 20; // two large pages at least
    if (bytes >= kWorthIt) {
        const PageRange r = pagesWithin(begin, bytes);
        if (r.bytes) ::madvise(r.first, r.bytes, MADV_HUGEPAGE);
    }
#endif
    backNow(begin, bytes);
}

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

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

// Blocks are carved from chunks that double from a few pages up to a large page each, so
// that a small run takes little memory and a large one few calls to the system; each chunk
// is backed at once, since its blocks are all filled soon.
void* largePagePoolBlock(std::size_t bytes) {
    constexpr std::size_t kFirstChunk = std::size_t(64) << 10;
    static std::size_t chunkBytes = kFirstChunk;
    static char* next = nullptr;
    static char* end = nullptr;
    bytes = (bytes + 15) / 16 * 16; // as the heap aligns
    if (bytes > kFirstChunk / 2) return ::operator new(bytes);
    if (std::size_t(end - next) < bytes) {
        char* chunk = chunkBytes >= kLargePage ? mapLargePageChunk() : nullptr;
        if (!chunk) chunk = static_cast<char*>(::operator new(chunkBytes));
        backNow(chunk, chunkBytes);
        next = chunk;
        end = chunk + chunkBytes;
        if (chunkBytes < kLargePage) chunkBytes *= 2;
    }
    void* block = next;
    next += bytes;
    return block;
}

constexpr std::uintptr_t kStep = std::uintptr_t(1) << 18;

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
