// A free list for the small immutable nodes that parsing allocates and drops at a high
// rate (error messages, parser-state boxes, map and list nodes). Single-threaded, like the
// checker.
#pragma once

#include <cstddef>
#include <new>

namespace zarnet {

// Where the free lists' blocks come from: the ordinary heap, unless the process installs a
// source of its own (see useLargePagesForPools). Blocks are never given back.
using PoolBlockSource = void* (*)(std::size_t bytes);
void setPoolBlockSource(PoolBlockSource source) noexcept;
namespace detail {
void* takePoolBlock(std::size_t bytes);
}

// Slots are carved from blocks of many at a time: one allocation (and one allocator header)
// per block instead of per node. A block's first slot links it to the block made before
// it, so that every block stays reachable; blocks, like freed slots, are kept for reuse.
template <std::size_t Size> class FreeList {
public:
    static void* take() {
        if (!head()) refill();
        Slot* s = head();
        head() = s->next;
        return s;
    }
    static void give(void* p) noexcept {
        auto* s = static_cast<Slot*>(p);
        s->next = head();
        head() = s;
    }

private:
    struct Slot {
        Slot* next;
    };
    static constexpr std::size_t kStride = Size < sizeof(Slot) ? sizeof(Slot) : Size;
    static constexpr std::size_t kSlotsPerBlock = kStride >= 4096 ? 2 : 16384 / kStride;

    [[gnu::noinline, gnu::cold]] static void refill() {
        char* block = static_cast<char*>(detail::takePoolBlock(kStride * kSlotsPerBlock));
        auto* link = reinterpret_cast<Slot*>(block);
        link->next = blocks();
        blocks() = link;
        for (std::size_t i = kSlotsPerBlock - 1; i >= 1; --i) give(block + i * kStride);
    }
    static Slot*& head() {
        static Slot* h = nullptr;
        return h;
    }
    static Slot*& blocks() {
        static Slot* b = nullptr;
        return b;
    }
};

// Derive from Pooled<T> to allocate T from its own free list.
// Under AddressSanitizer the nodes come from the ordinary heap, so that use after free
// stays detectable.
#if defined(__SANITIZE_ADDRESS__)
template <class T> struct Pooled {};
#else
template <class T> struct Pooled {
    static void* operator new(std::size_t n) {
        return n == sizeof(T) ? FreeList<sizeof(T)>::take() : ::operator new(n);
    }
    static void operator delete(void* p, std::size_t n) noexcept {
        if (n == sizeof(T))
            FreeList<sizeof(T)>::give(p);
        else
            ::operator delete(p);
    }
};
#endif

} // namespace zarnet
