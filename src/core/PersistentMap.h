// An immutable ordered map: a balanced (AVL) search tree whose insert copies only the
// path to the changed entry and shares every other node with the old version. A node
// holds its key and value itself where both copy as a few words (CopiesCheaply): one
// allocation per entry, and copying a path copies those words. Other entries (keys and
// values that hold texts) sit behind a shared pointer, so that copying the path (and
// rebalancing) never copies a text.
//
// `update` changes a map value in place where nothing else can see the change: a node (or
// entry) referenced once, from a node this map alone reaches, belongs to this version only.
// Every node that another version shares is copied as `insert` would copy it, so a map
// kept as a snapshot never sees a later change.
#pragma once

#include "Pool.h"
#include "Rc.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace zarnet {

template <class K, class V, class Cmp> class PMap;

// Whether a T copies without allocating, in a few words (pointers and counts at most), so
// that a map node may hold it itself. Records of shared parts say so beside their types.
template <class T> struct CopiesCheaply : std::is_trivially_copyable<T> {};
template <class K, class V, class Cmp> struct CopiesCheaply<PMap<K, V, Cmp>> : std::true_type {};

// Cmp(a, b) returns a negative, zero or positive number, like a three-way comparison.
template <class K, class V, class Cmp> class PMap {
    struct Entry : RcObject, Pooled<Entry> {
        Entry(K k, V v) : key(std::move(k)), value(std::move(v)) {}
        // The value made in place by make().
        template <class Make> Entry(K k, Make& make, int) : key(std::move(k)), value(make()) {}
        K key;
        V value;
    };
    // The entry inside its node: a node is copied before it changes, so its value is its own.
    struct Held {
        Held(K k, V v) : key(std::move(k)), value(std::move(v)) {}
        template <class Make> Held(K k, Make& make, int) : key(std::move(k)), value(make()) {}
        const K& k() const noexcept { return key; }
        const V& v() const noexcept { return value; }
        V& own() noexcept { return value; }
        K key;
        V value;
    };
    // The entry behind a shared pointer, copied before it changes while another node holds it.
    struct Shared {
        Shared(K k, V v) : e(makeRc<Entry>(std::move(k), std::move(v))) {}
        template <class Make> Shared(K k, Make& make, int) : e(makeRc<Entry>(std::move(k), make, 0)) {}
        const K& k() const noexcept { return e->key; }
        const V& v() const noexcept { return e->value; }
        V& own() {
            if (!e.unique()) e = makeRc<Entry>(*e);
            return const_cast<Entry&>(*e).value;
        }
        Rc<const Entry> e;
    };
    using Slot = std::conditional_t<CopiesCheaply<K>::value && CopiesCheaply<V>::value, Held, Shared>;
    // The height sits beside the count, in the word before the links.
    struct Node : RcObject32, Pooled<Node> {
        // The entry is made in place from `made` (a slot to copy, or what makes one).
        template <class... E>
        Node(Rc<const Node> l, Rc<const Node> r, E&&... made)
            : height(std::uint8_t(1 + std::max(h(l), h(r)))), left(std::move(l)), right(std::move(r)),
              entry(std::forward<E>(made)...) {}
        std::uint8_t height; // stays below 100
        Rc<const Node> left, right;
        Slot entry;
        const K& key() const noexcept { return entry.k(); }
        const V& value() const noexcept { return entry.v(); }
    };
    using Link = Rc<const Node>;

public:
    PMap() = default;

    bool empty() const noexcept { return !root_; }
    // Counted entry by entry: only tests and comparisons ask, and keeping a count in every
    // node costs each update along its path.
    std::size_t size() const noexcept {
        std::size_t n = 0;
        forEach([&n](const K&, const V&) { ++n; });
        return n;
    }
    // The number of levels; a balanced tree of n entries has fewer than 1.45 log2(n + 2).
    int height() const noexcept { return h(root_); }

    const V* find(const K& k) const {
        const Node* n = root_.get();
        while (n) {
            int c = Cmp{}(k, n->key());
            if (c == 0) return &n->value();
            n = c < 0 ? n->left.get() : n->right.get();
        }
        return nullptr;
    }
    std::optional<V> lookup(const K& k) const {
        if (const V* v = find(k)) return *v;
        return std::nullopt;
    }
    bool contains(const K& k) const { return find(k) != nullptr; }

    PMap insert(K k, V v) const { return PMap(ins(root_, k, v)); }

    // Makes this map hold under k the value make() when k is absent, else the old value
    // after change(V&); like `*this = insert(...)`, but the nodes only this version holds
    // are changed where they are instead of copied.
    template <class Make, class Change> void update(const K& k, Make&& make, Change&& change) {
        auto order = [&k](const K& x) { return Cmp{}(k, x); };
        auto key = [&k] { return k; };
        upd(root_, order, key, make, change);
    }
    // The same for a key that is not built unless it is absent: order(x) compares that key
    // with the key x of the map (as Cmp would), and key() builds it.
    template <class Order, class MakeKey, class Make, class Change>
    void updateAt(const Order& order, MakeKey&& key, Make&& make, Change&& change) {
        upd(root_, order, key, make, change);
    }

    // Visits the entries in ascending key order (iteratively; the tree is shallow: a path
    // from the root holds at most `height()` nodes, fewer than 128 for any size).
    template <class F> void forEach(F&& f) const {
        const Node* stack[128];
        std::size_t depth = 0;
        const Node* n = root_.get();
        while (n || depth) {
            while (n) {
                stack[depth++] = n;
                n = n->left.get();
            }
            n = stack[--depth];
            f(n->key(), n->value());
            n = n->right.get();
        }
    }

    std::vector<std::pair<K, V>> entries() const {
        std::vector<std::pair<K, V>> out;
        out.reserve(size());
        forEach([&](const K& k, const V& v) { out.emplace_back(k, v); });
        return out;
    }

    friend bool operator==(const PMap& a, const PMap& b) {
        if (a.root_ == b.root_) return true;
        if (a.size() != b.size()) return false;
        auto x = a.entries(), y = b.entries();
        for (std::size_t i = 0; i < x.size(); ++i)
            if (Cmp{}(x[i].first, y[i].first) != 0 || !(x[i].second == y[i].second)) return false;
        return true;
    }

private:
    explicit PMap(Link r) : root_(std::move(r)) {}
    static int h(const Link& n) { return n ? int(n->height) : 0; }
    static Link mk(const Slot& e, Link l, Link r) { return makeRc<Node>(std::move(l), std::move(r), e); }
    static Link balance(const Slot& e, Link l, Link r) {
        int hl = h(l), hr = h(r);
        if (hl > hr + 1) {
            if (h(l->left) >= h(l->right)) return mk(l->entry, l->left, mk(e, l->right, std::move(r)));
            return mk(l->right->entry, mk(l->entry, l->left, l->right->left), mk(e, l->right->right, std::move(r)));
        }
        if (hr > hl + 1) {
            if (h(r->right) >= h(r->left)) return mk(r->entry, mk(e, std::move(l), r->left), r->right);
            return mk(r->left->entry, mk(e, std::move(l), r->left->left), mk(r->entry, r->left->right, r->right));
        }
        return mk(e, std::move(l), std::move(r));
    }
    // The key and value go down the path by reference, and are moved once, into the entry.
    static Link ins(const Link& n, K& k, V& v) {
        if (!n) return makeRc<Node>(Link(), Link(), std::move(k), std::move(v));
        int c = Cmp{}(k, n->key());
        if (c == 0) return makeRc<Node>(n->left, n->right, std::move(k), std::move(v));
        if (c < 0) return balance(n->entry, ins(n->left, k, v), n->right);
        return balance(n->entry, n->left, ins(n->right, k, v));
    }

    // Adding one to a subtree changes its height by at most one, so a node whose children
    // still differ by one at most only needs its height refreshed; a changed value changes
    // no height, so the path above it is left as it is (upd tells whether an entry was
    // added). A node that another version shares is first copied (its children stay
    // shared, so the copy of the path goes on below it), and the old nodes stay as they are.
    template <class Order, class MakeKey, class Make, class Change>
    static bool upd(Link& n, const Order& order, MakeKey& key, Make& make, Change& change) {
        if (!n) {
            n = makeRc<Node>(Link(), Link(), key(), make, 0);
            return true;
        }
        if (!n.unique()) n = makeRc<Node>(*n);
        Node& m = mut(n);
        int c = order(m.key());
        if (c == 0) {
            change(m.entry.own());
            return false;
        }
        if (!upd(c < 0 ? m.left : m.right, order, key, make, change)) return false;
        int hl = h(m.left), hr = h(m.right);
        if (hl > hr + 1 || hr > hl + 1) {
            rebalance(n);
            return true;
        }
        m.height = std::uint8_t(1 + std::max(hl, hr));
        return true;
    }

    // Rebalancing after an update, by rotating in place the nodes that only this version
    // holds (after an insert, those on its path, copied where they were shared); a rotation
    // that would move a shared node builds new nodes as `balance` does.
    static Node& mut(const Link& n) { return const_cast<Node&>(*n); }
    static void refresh(Node& m) {
        m.height = std::uint8_t(1 + std::max(h(m.left), h(m.right)));
    }
    // n and its left child become that child with n as its right child.
    static void rotateRight(Link& n) {
        Link l = std::move(mut(n).left);
        mut(n).left = std::move(mut(l).right);
        refresh(mut(n));
        mut(l).right = std::move(n);
        refresh(mut(l));
        n = std::move(l);
    }
    static void rotateLeft(Link& n) {
        Link r = std::move(mut(n).right);
        mut(n).right = std::move(mut(r).left);
        refresh(mut(n));
        mut(r).left = std::move(n);
        refresh(mut(r));
        n = std::move(r);
    }
    static void rebalance(Link& n) {
        Node& m = mut(n);
        if (h(m.left) > h(m.right)) {
            const Link& l = m.left;
            if (h(l->left) >= h(l->right)) {
                if (!l.unique()) return void(n = balance(m.entry, m.left, m.right));
            } else {
                if (!l.unique() || !l->right.unique()) return void(n = balance(m.entry, m.left, m.right));
                rotateLeft(m.left);
            }
            rotateRight(n);
        } else {
            const Link& r = m.right;
            if (h(r->right) >= h(r->left)) {
                if (!r.unique()) return void(n = balance(m.entry, m.left, m.right));
            } else {
                if (!r.unique() || !r->left.unique()) return void(n = balance(m.entry, m.left, m.right));
                rotateRight(m.right);
            }
            rotateLeft(n);
        }
    }

    Link root_;
};

} // namespace zarnet
