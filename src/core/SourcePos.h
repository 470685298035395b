// Source positions: a source name, a line and a column, both counted from 1.
#pragma once

#include "Text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarnet {

// A source name is interned by the run it belongs to (RunContext::sourceName) and then
// copied as a pointer to the run's text, so it lives as long as the run. Within one run
// equal names share one text; names of different runs (tests hold several) are equal when
// their texts are.
namespace detail {
inline const Text kEmptySourceName;
}

class SourceName {
public:
    SourceName() noexcept : p_(&detail::kEmptySourceName) {}
    const Text& text() const noexcept { return *p_; }
    bool empty() const noexcept { return p_->empty(); }
    friend bool operator==(SourceName a, SourceName b) noexcept { return a.p_ == b.p_ || *a.p_ == *b.p_; }
    friend int compare(SourceName a, SourceName b) noexcept {
        return a.p_ == b.p_ ? 0 : a.p_->compare(*b.p_);
    }

private:
    friend class RunContext;
    friend class OptionalPos;
    explicit SourceName(const Text* interned) noexcept : p_(interned) {}
    const Text* p_;
};

struct SourcePos {
    SourceName sourceName;
    std::int64_t sourceLine = 1;
    std::int64_t sourceColumn = 1;
    // In the second pass, the line of the preprocessed text this place lies on (counted
    // from 1, moved by every line feed); 0 in the first pass. It is never shown: it only
    // orders the places of the second pass, whose texts come from several files.
    std::int64_t outputLine = 0;

    // The same place in the same source (the output line, a derived key, is not compared).
    friend bool operator==(const SourcePos& a, const SourcePos& b) noexcept {
        return a.sourceLine == b.sourceLine && a.sourceColumn == b.sourceColumn &&
               a.sourceName == b.sourceName;
    }
};

// A place as a variable record keeps it: source name, line and column in three words. The
// output line is left out: it only orders the places of messages, and a record's places
// are only shown and compared for equality (which ignores it); read back, it is 0.
struct RecordPos {
    SourceName sourceName;
    std::int64_t sourceLine = 1;
    std::int64_t sourceColumn = 1;

    RecordPos() = default;
    RecordPos(const SourcePos& p) noexcept // NOLINT: a place converts to its record
        : sourceName(p.sourceName), sourceLine(p.sourceLine), sourceColumn(p.sourceColumn) {}
    operator SourcePos() const noexcept { return SourcePos{sourceName, sourceLine, sourceColumn, 0}; } // NOLINT

    friend bool operator==(const RecordPos& a, const RecordPos& b) noexcept {
        return a.sourceLine == b.sourceLine && a.sourceColumn == b.sourceColumn && a.sourceName == b.sourceName;
    }
    friend bool operator==(const RecordPos& a, const SourcePos& b) noexcept {
        return a.sourceLine == b.sourceLine && a.sourceColumn == b.sourceColumn && a.sourceName == b.sourceName;
    }
};

// A place or none, read and compared like std::optional<SourcePos> but in the size of one
// record place: none is a place without a name text, which no place has. Every variable
// record holds one.
class OptionalPos {
public:
    OptionalPos() noexcept { pos_.sourceName.p_ = nullptr; }
    OptionalPos(std::nullopt_t) noexcept : OptionalPos() {} // NOLINT: as std::optional
    OptionalPos(const SourcePos& p) noexcept : pos_(p) {}   // NOLINT: as std::optional
    OptionalPos(const std::optional<SourcePos>& p) noexcept : OptionalPos() { // NOLINT: likewise
        if (p) pos_ = *p;
    }
    operator std::optional<SourcePos>() const { // NOLINT: reads as one
        if (!has_value()) return std::nullopt;
        return SourcePos(pos_);
    }

    bool has_value() const noexcept { return pos_.sourceName.p_ != nullptr; }
    explicit operator bool() const noexcept { return has_value(); }
    SourcePos operator*() const noexcept { return pos_; }
    SourcePos value() const {
        if (!has_value()) throw std::bad_optional_access();
        return pos_;
    }
    SourcePos value_or(const SourcePos& other) const { return has_value() ? SourcePos(pos_) : other; }
    void reset() noexcept { pos_.sourceName.p_ = nullptr; }

    friend bool operator==(const OptionalPos& a, const OptionalPos& b) noexcept {
        return a.has_value() == b.has_value() && (!a.has_value() || a.pos_ == b.pos_);
    }
    friend bool operator==(const OptionalPos& a, const SourcePos& b) noexcept { return a.has_value() && a.pos_ == b; }
    friend bool operator==(const OptionalPos& a, std::nullopt_t) noexcept { return !a.has_value(); }
    friend bool operator==(const OptionalPos& a, const std::optional<SourcePos>& b) noexcept {
        return a == OptionalPos(b);
    }

private:
    RecordPos pos_;
};

// Which of two places lies further on. Places of the second pass compare by where they
// lie in the preprocessed text (output line, then column); others by source name, then
// line, then column.
// Inline: every merge of two errors asks.
inline int compare(const SourcePos& a, const SourcePos& b) noexcept {
    if (a.outputLine && b.outputLine) {
        if (a.outputLine != b.outputLine) return a.outputLine < b.outputLine ? -1 : 1;
        if (a.sourceColumn != b.sourceColumn) return a.sourceColumn < b.sourceColumn ? -1 : 1;
        return 0;
    }
    if (int c = compare(a.sourceName, b.sourceName)) return c < 0 ? -1 : 1;
    if (a.sourceLine != b.sourceLine) return a.sourceLine < b.sourceLine ? -1 : 1;
    if (a.sourceColumn != b.sourceColumn) return a.sourceColumn < b.sourceColumn ? -1 : 1;
    return 0;
}

inline SourcePos initialPos(SourceName name) { return SourcePos{name, 1, 1}; }

// The position after consuming c: a line feed starts the next line, a tab moves to the
// next tab stop (every 8 columns), anything else moves one column.
inline void advancePos(SourcePos& p, char32_t c) noexcept {
    if (c == U'\n') {
        ++p.sourceLine;
        p.sourceColumn = 1;
        if (p.outputLine) ++p.outputLine;
    } else if (c == U'\t') {
        std::int64_t m = (p.sourceColumn - 1) % 8;
        if (m < 0) m += 8;
        p.sourceColumn += 8 - m;
    } else {
        ++p.sourceColumn;
    }
}
void advancePos(SourcePos& p, TextView t) noexcept;

// «"name" (line l, column c)», or «(line l, column c)» for an empty name; the name is
// written as it is, never escaped.
std::string showPos(const SourcePos& p);

} // namespace zarnet
