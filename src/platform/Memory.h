// Hints to the system about how large buffers will be used.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zarnet {

// Asks for large pages under [begin, begin + bytes), a buffer not touched yet that will be
// filled whole (a file's text, the preprocessed text), and has the system back it at once.
// Every fresh page costs a fault, and a text of tens of megabytes spans thousands of small
// pages. Only a hint: nothing changes where the system cannot or will not; buffers of a few
// pages are left alone, and only those of a few megabytes ask for large pages.
void preferLargePages(void* begin, std::size_t bytes) noexcept;

// Has the system back [begin, begin + bytes), a buffer about to be written whole, with
// memory now, in one call: here a fault on each fresh page costs far more than the page
// itself (about 12 microseconds on a virtual machine). Only a hint; buffers of a few pages
// are left alone.
void backNow(void* begin, std::size_t bytes) noexcept;

// Makes the free lists of small nodes (core/Pool.h) take their blocks from chunks backed
// at once, in one call to the system each: a large program's records span thousands of
// small pages, each a fault. Chunks double from a few pages, so that a small run's memory
// stays small, up to one large page each, aligned to it; so at most one chunk is partly
// used. Where the system has no large pages for it, the chunks are ordinary memory.
void useLargePagesForPools() noexcept;

// A buffer read once from front to back (the preprocessed text in the second pass): the
// pages of the part already read go back to the system as reading moves on, so that the
// text does not stay whole in memory beside the records made from it. A page given back
// is also made unreadable, so that a stray read faults instead of seeing zeros; when the
// region ends, its pages are readable and writable again (and zero), so the buffer's owner
// may free it as usual. Only a hint too: where the system cannot, nothing is given back.
class ReadOnceRegion {
public:
    ReadOnceRegion(const char* begin, const char* end) noexcept;
    ~ReadOnceRegion();
    ReadOnceRegion(const ReadOnceRegion&) = delete;
    ReadOnceRegion& operator=(const ReadOnceRegion&) = delete;

    // Nothing before p is read again: the whole pages before it (less a margin) may go.
    // Pages go in steps of a quarter megabyte, so that a few calls to the system cover a
    // text of many megabytes.
    void readUpTo(const char* p) noexcept {
        if (reinterpret_cast<std::uintptr_t>(p) >= next_) giveBackBefore(p);
    }

private:
    void giveBackBefore(const char* p) noexcept;
    std::uintptr_t first_ = 0; // the first whole page of the buffer
    std::uintptr_t last_ = 0;  // the end of its last whole page
    std::uintptr_t given_ = 0; // pages in [first_, given_) are given back
    std::uintptr_t next_ = 0;  // a place from which the next step is worth a call
};

} // namespace zarnet
