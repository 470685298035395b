// The state of one run that lies outside the parse state: the texts the parse reads and
// each layer's own part (counters, caches), created with the run, reached through the
// parse state, and freed with the run. The core does not need to know what the layers
// above keep: each part is looked up by its type.
#pragma once

#include "SourcePos.h"
#include "Text.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zarnet {

// A run of the input: a view into a text kept alive for the whole run.
struct InputView {
    const char* begin = nullptr;
    const char* end = nullptr;
    TextView view() const { return TextView(begin, std::size_t(end - begin)); }
    bool empty() const { return begin == end; }
};

// A view of a text the caller keeps alive while the view is read.
inline InputView viewOf(const Text& t) { return InputView{t.data(), t.data() + t.size()}; }

// A layer's part of a run.
struct RunPart {
    virtual ~RunPart() = default;
};

namespace detail {
std::size_t newRunPartSlot() noexcept;
// The slot of the part type T, the same in every run.
template <class T> std::size_t runPartSlot() noexcept {
    static const std::size_t slot = newRunPartSlot();
    return slot;
}
} // namespace detail

class RunContext {
public:
    RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // The one switch of the fast paths of every layer: direct scans of common input that
    // give exactly the grammar's outcome (result, errors, positions, state) without running
    // it. Off, everything goes through the grammar alone; the two must never differ.
    bool fastPaths = true;

    // The part of type T, made on first use.
    template <class T> T& part() {
        const std::size_t slot = detail::runPartSlot<T>();
        if (slot < parts_.size() && parts_[slot]) [[likely]]
            return static_cast<T&>(*parts_[slot]);
        if (slot >= parts_.size()) parts_.resize(slot + 1);
        parts_[slot] = std::make_unique<T>();
        return static_cast<T&>(*parts_[slot]);
    }

    // Keeps t for the rest of the run and returns a view of it: saved states and include
    // places hold views into the texts of the run.
    InputView keep(Text t) {
        texts_.push_back(std::move(t));
        return viewOf(texts_.back());
    }
    // Drops every text kept so far: no view into them may be read after this.
    void dropTexts() {
        texts_.clear();
        ++textsDropped_;
    }
    // How often the texts were dropped: a view kept aside is valid only while this stays
    // as it was when the view was taken.
    std::size_t textsDropped() const noexcept { return textsDropped_; }
    // Hands over the kept text that v spans whole, or nothing when v is not such a text.
    // Views into it stay valid (the text's own buffer moves with it) as long as the one
    // who takes it keeps it; the run reads no more of it.
    std::optional<Text> release(InputView v) {
        for (Text& t : texts_)
            if (t.data() == v.begin && t.data() + t.size() == v.end && t.size() > sizeof(Text))
                return std::exchange(t, Text());
        return std::nullopt;
    }

    // The run's one copy of a source name: positions hold a pointer to it, so it stays
    // until the run ends, and equal names made in the run compare as equal pointers.
    SourceName sourceName(TextView name);

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(TextView t) const noexcept { return std::hash<TextView>{}(t); }
    };
    std::vector<std::unique_ptr<RunPart>> parts_;
    std::deque<Text> texts_;
    std::size_t textsDropped_ = 0;
    // Node-based, so the texts never move while names are added.
    std::unordered_set<Text, NameHash, std::equal_to<>> sourceNames_;
};

} // namespace zarnet
