// An immutable singly linked list whose tails are shared between versions: pushing
// onto a list leaves the old list as it was. Long lists are torn down iteratively.
#pragma once

#include "Pool.h"
#include "Rc.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace zarnet {

template <class T> class PList {
    struct Node : RcObject, Pooled<Node> {
        Node(T v, Rc<const Node> n) : value(std::move(v)), next(std::move(n)) {}
        ~Node() {
            // Unlink the chain here so that dropping a long list never recurses deeply.
            const Node* p = next.detach();
            while (p && Rc<const Node>::releaseDetached(p)) {
                const Node* q = const_cast<Node*>(p)->next.detach();
                delete p;
                p = q;
            }
        }
        T value;
        Rc<const Node> next;
    };

public:
    PList() = default;

    static PList fromVector(const std::vector<T>& items) {
        PList l;
        for (auto it = items.rbegin(); it != items.rend(); ++it) l = l.push(*it);
        return l;
    }

    bool empty() const noexcept { return !head_; }
    const T& front() const noexcept { return head_->value; }
    PList tail() const { return PList(head_->next); }
    PList push(T v) const { return PList(makeRc<Node>(std::move(v), head_)); }

    std::size_t size() const noexcept {
        std::size_t n = 0;
        for (const Node* p = head_.get(); p; p = p->next.get()) ++n;
        return n;
    }

    PList reversed() const {
        PList r;
        for (const Node* p = head_.get(); p; p = p->next.get()) r = r.push(p->value);
        return r;
    }

    std::vector<T> toVector() const {
        std::vector<T> v;
        for (const Node* p = head_.get(); p; p = p->next.get()) v.push_back(p->value);
        return v;
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;
        const_iterator() = default;
        explicit const_iterator(const Node* p) : p_(p) {}
        reference operator*() const { return p_->value; }
        pointer operator->() const { return &p_->value; }
        const_iterator& operator++() {
            p_ = p_->next.get();
            return *this;
        }
        const_iterator operator++(int) {
            auto c = *this;
            ++*this;
            return c;
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.p_ == b.p_; }

    private:
        const Node* p_ = nullptr;
    };
    const_iterator begin() const { return const_iterator(head_.get()); }
    const_iterator end() const { return const_iterator(); }

    friend bool operator==(const PList& a, const PList& b) {
        auto i = a.begin(), j = b.begin();
        for (; i != a.end() && j != b.end(); ++i, ++j)
            if (!(*i == *j)) return false;
        return i == a.end() && j == b.end();
    }

private:
    explicit PList(Rc<const Node> h) : head_(std::move(h)) {}
    Rc<const Node> head_;
};

} // namespace zarnet
