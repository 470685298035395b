#include "SourcePos.h"

#include <cstring>
#include <deque>

namespace zarnet {

const SourcePos* RecordPos::keepWide(const SourcePos& p) {
    // Kept to the end of the process: a record never owns its place. Only places past four
    // billion lines or columns come here, and each took that much input.
    static std::deque<SourcePos> kept;
    kept.push_back(p);
    kept.back().outputLine = 0;
    return &kept.back();
}

void advancePos(SourcePos& p, TextView t) noexcept {
    // Only the characters after the last line feed move the column; the line feeds before
    // them are counted in one sweep.
    const std::size_t lastFeed = t.rfind('\n');
    if (lastFeed != TextView::npos) {
        std::int64_t feeds = 0;
        for (const char *q = t.data(), *last = q + lastFeed; q <= last; ++q, ++feeds)
            q = static_cast<const char*>(std::memchr(q, '\n', std::size_t(last - q) + 1));
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
