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
    friend class RecordPos;
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

// A place as a variable record keeps it, in two words: the source name, and the line and
// the column in 32 bits each. A place whose line or column does not fit (a file of four
// billion lines, a line of four billion columns) is kept whole in a table of the process
// that the record points to instead of the name. The output line is left out: it only
// orders the places of messages, and a record's places are only shown and compared for
// equality (which ignores it); read back, it is 0.
class RecordPos {
public:
    RecordPos() noexcept : name_(reinterpret_cast<std::uintptr_t>(&detail::kEmptySourceName)), line_(1), column_(1) {}
    RecordPos(const SourcePos& p) { // NOLINT: a place converts to its record
        if (fits(p.sourceLine) && fits(p.sourceColumn)) {
            name_ = reinterpret_cast<std::uintptr_t>(p.sourceName.p_);
            line_ = std::uint32_t(p.sourceLine);
            column_ = std::uint32_t(p.sourceColumn);
        } else {
            name_ = reinterpret_cast<std::uintptr_t>(keepWide(p)) | kWide;
        }
    }
    operator SourcePos() const noexcept { // NOLINT: and reads as one
        if (name_ & kWide) [[unlikely]]
            return *reinterpret_cast<const SourcePos*>(name_ & ~kWide);
        return SourcePos{nameOf(name_), line_, column_, 0};
    }
    SourcePos pos() const noexcept { return *this; }
    SourceName sourceName() const noexcept { return pos().sourceName; }
    std::int64_t sourceLine() const noexcept { return name_ & kWide ? pos().sourceLine : line_; }
    std::int64_t sourceColumn() const noexcept { return name_ & kWide ? pos().sourceColumn : column_; }

    friend bool operator==(const RecordPos& a, const RecordPos& b) noexcept {
        if ((a.name_ | b.name_) & kWide) [[unlikely]]
            return a.pos() == b.pos();
        return a.line_ == b.line_ && a.column_ == b.column_ && nameOf(a.name_) == nameOf(b.name_);
    }
    friend bool operator==(const RecordPos& a, const SourcePos& b) noexcept { return a.pos() == b; }

private:
    friend class OptionalPos;
    static constexpr std::uintptr_t kWide = 1; // a name text is never at an odd address
    static bool fits(std::int64_t n) noexcept { return n >= 0 && n <= std::int64_t(UINT32_MAX); }
    static SourceName nameOf(std::uintptr_t name) noexcept { return SourceName(reinterpret_cast<const Text*>(name)); }
    // The process's lasting copy of a place too far out for two 32-bit counts.
    [[gnu::cold]] static const SourcePos* keepWide(const SourcePos& p);
    std::uintptr_t name_; // the name's text, or the place kept whole (tagged kWide)
    std::uint32_t line_ = 0, column_ = 0;
};

// A place or none, read and compared like std::optional<SourcePos> but in the size of one
// record place: none is a place without a name, which no place has. Every variable record
// holds one.
class OptionalPos {
public:
    OptionalPos() noexcept { pos_.name_ = 0; }
    OptionalPos(std::nullopt_t) noexcept : OptionalPos() {} // NOLINT: as std::optional
    OptionalPos(const SourcePos& p) : pos_(p) {}            // NOLINT: as std::optional
    OptionalPos(const std::optional<SourcePos>& p) : OptionalPos() { // NOLINT: likewise
        if (p) pos_ = *p;
    }
    operator std::optional<SourcePos>() const { // NOLINT: reads as one
        if (!has_value()) return std::nullopt;
        return SourcePos(pos_);
    }

    bool has_value() const noexcept { return pos_.name_ != 0; }
    explicit operator bool() const noexcept { return has_value(); }
    SourcePos operator*() const noexcept { return pos_; }
    SourcePos value() const {
        if (!has_value()) throw std::bad_optional_access();
        return pos_;
    }
    SourcePos value_or(const SourcePos& other) const { return has_value() ? SourcePos(pos_) : other; }
    void reset() noexcept { pos_.name_ = 0; }

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
