// A free list for the small immutable nodes that parsing allocates and drops at a high
// rate (error messages, parser-state boxes). Single-threaded, like the checker.
#pragma once

#include <cstddef>
#include <new>

namespace zarnet {

template <std::size_t Size> class FreeList {
public:
    static void* take() {
        if (Slot* s = head()) {
            head() = s->next;
            return s;
        }
        return ::operator new(Size < sizeof(Slot) ? sizeof(Slot) : Size);
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
    static Slot*& head() {
        static Slot* h = nullptr;
        return h;
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
