#include "SourcePos.h"

#include <algorithm>

namespace zarnet {


void advancePos(SourcePos& p, TextView t) noexcept {
    // Only the characters after the last line feed move the column; the line feeds before
    // them are counted in one sweep.
    const std::size_t lastFeed = t.rfind('\n');
    if (lastFeed != TextView::npos) {
        const auto feeds = std::int64_t(std::count(t.begin(), t.begin() + std::ptrdiff_t(lastFeed) + 1, '\n'));
        p.sourceLine += feeds;
        p.sourceColumn = 1;
        if (p.outputLine) p.outputLine += feeds;
        t.remove_prefix(lastFeed + 1);
    }
    for (char32_t c : chars(t)) advancePos(p, c);
}

std::string showPos(const SourcePos& p) {
    std::string out;
    if (!p.sourceName.empty()) {
        out += '"';
        out += p.sourceName.text();
        out += "\" ";
    }
    out += "(line " + std::to_string(p.sourceLine) + ", column " + std::to_string(p.sourceColumn) + ")";
    return out;
}

} // namespace zarnet
