// Source positions: a source name, a line and a column, both counted from 1.
#pragma once

#include "Text.h"

#include <cstdint>
#include <string>

namespace zarnet {

// A source name is interned once and then copied as a pointer; names are compared by
// their text.
namespace detail {
inline const Text kEmptySourceName;
}

class SourceName {
public:
    SourceName() noexcept : p_(&detail::kEmptySourceName) {}
    explicit SourceName(TextView name);
    const Text& text() const noexcept { return *p_; }
    bool empty() const noexcept { return p_->empty(); }
    friend bool operator==(SourceName a, SourceName b) noexcept { return a.p_ == b.p_; }
    friend int compare(SourceName a, SourceName b) noexcept {
        return a.p_ == b.p_ ? 0 : a.p_->compare(*b.p_);
    }

private:
    const Text* p_;
};

struct SourcePos {
    SourceName sourceName;
    std::int64_t sourceLine = 1;
    std::int64_t sourceColumn = 1;

    friend bool operator==(const SourcePos& a, const SourcePos& b) noexcept {
        return a.sourceName == b.sourceName && a.sourceLine == b.sourceLine &&
               a.sourceColumn == b.sourceColumn;
    }
};

// Source name, then line, then column.
int compare(const SourcePos& a, const SourcePos& b) noexcept;

inline SourcePos initialPos(SourceName name) { return SourcePos{name, 1, 1}; }

// The position after consuming c: a line feed starts the next line, a tab moves to the
// next tab stop (every 8 columns), anything else moves one column.
inline void advancePos(SourcePos& p, char32_t c) noexcept {
    if (c == U'\n') {
        ++p.sourceLine;
        p.sourceColumn = 1;
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
