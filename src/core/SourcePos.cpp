#include "SourcePos.h"

#include <deque>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarnet {

const SourcePos* RecordPos::keepWide(const SourcePos& p) {
    // Kept to the end of the process: a record never owns its place. Only places past four
    // billion lines or columns come here, and each took that much input.
    static std::deque<SourcePos> kept;
    kept.push_back(p);
    kept.back().outputLine = 0;
    return &kept.back();
}

namespace {

// The line feeds in t, sixteen bytes at a time (the -E result is one long text).
std::int64_t lineFeeds(TextView t) noexcept {
    const char* p = t.data();
    const char* const end = p + t.size();
    std::int64_t n = 0;
#if defined(__SSE2__)
    // Each byte of the sum counts the feeds in its column of up to 255 blocks of sixteen
    // bytes (a match is -1); then the columns are added up.
    const __m128i feed = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        __m128i sum = _mm_setzero_si128();
        for (int blocks = 0; blocks < 255 && end - p >= 16; ++blocks, p += 16)
            sum = _mm_sub_epi8(sum, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), feed));
        const __m128i halves = _mm_sad_epu8(sum, _mm_setzero_si128());
        n += _mm_cvtsi128_si32(halves) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(halves, halves));
    }
#endif
    for (; p != end; ++p) n += *p == '\n';
    return n;
}

} // namespace

void advancePos(SourcePos& p, TextView t) noexcept {
    // Only the characters after the last line feed move the column; the line feeds before
    // them are counted in one sweep.
    const std::size_t lastFeed = t.rfind('\n');
    if (lastFeed != TextView::npos) {
        const std::int64_t feeds = lineFeeds(t.substr(0, lastFeed + 1));
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
