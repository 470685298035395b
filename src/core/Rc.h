// Non-atomic intrusive reference counting for the immutable values shared by the
// parse state. The checker is single-threaded, so copies cost one increment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace zarnet {

// The count an object shared through Rc derives from; a copy of the object starts unshared.
template <class Count> class RcCounted {
public:
    RcCounted() = default;
    RcCounted(const RcCounted&) : refs_(0) {}
    RcCounted& operator=(const RcCounted&) { return *this; }

protected:
    ~RcCounted() = default;

private:
    template <class T> friend class Rc;
    mutable Count refs_ = 0;
};

using RcObject = RcCounted<std::size_t>;
// A count of 32 bits, for objects that a program holds by the million and that few owners
// share (map nodes: one owner per map version that reaches them): the bytes after it take
// a small field of the object instead of padding.
using RcObject32 = RcCounted<std::uint32_t>;

template <class T> class Rc {
public:
    Rc() noexcept = default;
    Rc(std::nullptr_t) noexcept {}
    explicit Rc(T* p) noexcept : p_(p) { retain(); }
    Rc(const Rc& o) noexcept : p_(o.p_) { retain(); }
    Rc(Rc&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U> Rc(const Rc<U>& o) noexcept : p_(o.get()) { retain(); }
    ~Rc() { release(); }

    Rc& operator=(const Rc& o) noexcept {
        // Putting back a saved state mostly finds the same object: no count to change.
        if (p_ == o.p_) return *this;
        T* old = p_;
        p_ = o.p_;
        retain();
        releasePtr(old);
        return *this;
    }
    Rc& operator=(Rc&& o) noexcept {
        if (this != &o) {
            T* old = p_;
            p_ = std::exchange(o.p_, nullptr);
            releasePtr(old);
        }
        return *this;
    }

    T* get() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    bool unique() const noexcept { return p_ && p_->refs_ == 1; }

    // Gives up ownership without releasing; used by destructors that unlink long chains
    // iteratively instead of recursively.
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    // Takes over a pointer whose reference was detached earlier.
    static Rc adopt(T* p) noexcept {
        Rc r;
        r.p_ = p;
        return r;
    }
    // Drops one reference of a detached pointer; true when it was the last one (the
    // caller then owns the object and must delete it).
    static bool releaseDetached(T* p) noexcept { return --p->refs_ == 0; }

    friend bool operator==(const Rc& a, const Rc& b) noexcept { return a.p_ == b.p_; }

private:
    void retain() const noexcept {
        if (p_) ++p_->refs_;
    }
    void release() noexcept { releasePtr(p_); }
    // The test and the count inline (most releases end there); the deletion out of line.
    static void releasePtr(T* p) noexcept {
        if (p && --p->refs_ == 0) destroy(p);
    }
    [[gnu::noinline]] static void destroy(T* p) noexcept { delete p; }
    T* p_ = nullptr;
};

template <class T, class... Args> Rc<T> makeRc(Args&&... args) {
    return Rc<T>(new T(std::forward<Args>(args)...));
}

} // namespace zarnet
