#include "Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zarnet {

namespace {

struct CaseRange {
    char32_t first, last, to;
};
struct LetterRange {
    char32_t first, last;
};

#include "UnicodeTables.inc"

template <std::size_t N> char32_t mapCase(const CaseRange (&table)[N], char32_t c) {
    auto it = std::upper_bound(std::begin(table), std::end(table), c,
                               [](char32_t v, const CaseRange& r) { return v < r.first; });
    if (it == std::begin(table)) return c;
    --it;
    return c <= it->last ? it->to + (c - it->first) : c;
}

// Windows-1252 bytes 0x80-0x9F; the five undefined ones stand for the code point of
// the same value.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// Moves the bytes of t from `from` on to its start, every CR LF pair made one line feed;
// memchr finds the carriage returns, so ordinary text moves in blocks. The text shrinks in
// place: a file's bytes become its text without a second buffer.
void foldInPlace(Text& t, std::size_t from) {
    char* out = t.data();
    const char* b = t.data() + from;
    const char* const e = t.data() + t.size();
    while (b != e) {
        const auto* cr = static_cast<const char*>(std::memchr(b, '\r', std::size_t(e - b)));
        const char* const runEnd = !cr ? e : cr + 1 != e && cr[1] == '\n' ? cr : cr + 1;
        if (out != b) std::memmove(out, b, std::size_t(runEnd - b));
        out += runEnd - b;
        if (!cr) break;
        b = runEnd == cr ? cr + 1 : runEnd; // the carriage return of a pair is dropped
    }
    t.resize(std::size_t(out - t.data()));
}

// Appends c, or folds it into a preceding carriage return as a line feed when CR LF
// pairs are to become one line feed.
inline void put(Text& out, char32_t c, bool foldCrLf) {
    if (foldCrLf && c == U'\n' && !out.empty() && out.back() == '\r')
        out.back() = '\n';
    else
        appendChar(out, c);
}

// Whether the bytes are valid UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF).
bool isValidUtf8(std::string_view s) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* e = p + s.size();
    while (p < e) {
        // Runs of ASCII 64 bytes at a time, then eight.
        constexpr std::uint64_t high = 0x8080808080808080ULL;
        while (e - p >= 64) {
            std::uint64_t w[8];
            std::memcpy(w, p, 64);
            if ((w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) & high) break;
            p += 64;
        }
        while (e - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            if (w & high) break;
            p += 8;
        }
        if (p == e) break;
        unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int n;
        char32_t cp, min;
        if ((b & 0xE0) == 0xC0) {
            n = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            n = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            n = 3, cp = b & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (e - p <= n) return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        p += n + 1;
    }
    return true;
}

// An empty text with room for n bytes, the hint given on its buffer.
Text reservedText(std::size_t n, BufferHint hint) {
    Text out;
    out.reserve(n);
    if (hint) hint(out.data(), out.capacity());
    return out;
}

// Where the run of ASCII bytes other than a carriage return from p ends: eight bytes at
// a time while none of them is either.
const char* plainAsciiEnd(const char* p, const char* const e) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    constexpr std::uint64_t kCrs = 0x0D0D0D0D0D0D0D0Dull;
    while (e - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t notCr = w ^ kCrs; // a zero byte where a carriage return is
        if ((((notCr - kOnes) & ~notCr) | w) & kHighBits) break;
        p += 8;
    }
    while (p != e && !(static_cast<unsigned char>(*p) & 0x80) && *p != '\r') ++p;
    return p;
}

// Windows-1252 bytes as their characters. Runs of ASCII bytes other than carriage returns
// are their own UTF-8 and go as they stand; the other bytes one at a time. A carriage
// return is the only byte that a line feed after it folds into.
Text decode1252(std::string_view bytes, bool foldCrLf, BufferHint hint) {
    Text out = reservedText(bytes.size() + bytes.size() / 4, hint);
    const char* p = bytes.data();
    const char* const e = p + bytes.size();
    while (p != e) {
        const char* q = plainAsciiEnd(p, e);
        out.append(p, q);
        if (q == e) break;
        const auto b = static_cast<unsigned char>(*q);
        p = q + 1;
        if (b == '\r') {
            if (foldCrLf && p != e && *p == '\n') ++p;
            out += p[-1];
            continue;
        }
        appendChar(out, b < 0xA0 ? kCp1252High[b - 0x80] : char32_t(b));
    }
    return out;
}

// UTF-16 in the given byte order; a lone surrogate, or an odd last byte, stands for U+FFFD.
Text decodeUtf16(std::string_view bytes, bool bigEndian, bool foldCrLf, BufferHint hint) {
    Text out = reservedText(bytes.size() / 2, hint);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    auto unit = [p, bigEndian](std::size_t i) -> char32_t {
        return bigEndian ? char32_t(p[2 * i] << 8 | p[2 * i + 1]) : char32_t(p[2 * i + 1] << 8 | p[2 * i]);
    };
    for (std::size_t i = 0; i < units; ++i) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            put(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00), foldCrLf);
            ++i;
        } else {
            put(out, u >= 0xD800 && u <= 0xDFFF ? char32_t(0xFFFD) : u, foldCrLf);
        }
    }
    if (bytes.size() % 2) put(out, 0xFFFD, foldCrLf);
    return out;
}

} // namespace

Text decodeBytes(std::string_view bytes) {
    return isValidUtf8(bytes) ? Text(bytes) : decode1252(bytes, false, nullptr);
}

Text fromTextMode(std::string bytes, BufferHint hint) {
    // A byte-order mark says how the file is encoded and is not part of its text. Valid
    // UTF-8 keeps the file's own buffer.
    auto starts = [&bytes](std::string_view mark) { return std::string_view(bytes).substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE")) return decodeUtf16(std::string_view(bytes).substr(2), false, true, hint);
    if (starts("\xFE\xFF")) return decodeUtf16(std::string_view(bytes).substr(2), true, true, hint);
    const std::size_t from = starts("\xEF\xBB\xBF") ? 3 : 0;
    if (!isValidUtf8(std::string_view(bytes).substr(from))) return decode1252(std::string_view(bytes).substr(from), true, hint);
    foldInPlace(bytes, from);
    return bytes;
}

char32_t detail::toUpperBeyondAscii(char32_t c) noexcept { return mapCase(kUpperRanges, c); }
char32_t detail::toLowerBeyondAscii(char32_t c) noexcept { return mapCase(kLowerRanges, c); }

Text toUpperText(TextView t) {
    // ASCII letters in place; from the first character beyond ASCII on, one at a time.
    Text out(t);
    std::size_t i = 0;
    for (; i < out.size() && !(static_cast<unsigned char>(out[i]) & 0x80); ++i)
        out[i] = asciiUpper(out[i]);
    if (i == out.size()) return out;
    out.resize(i);
    for (char32_t c : chars(t.substr(i))) appendChar(out, toUpperSimple(c));
    return out;
}

bool detail::isLetterBeyondAscii(char32_t c) noexcept {
    auto it = std::upper_bound(std::begin(kLetterRanges), std::end(kLetterRanges), c,
                               [](char32_t v, const LetterRange& r) { return v < r.first; });
    if (it == std::begin(kLetterRanges)) return false;
    --it;
    return c <= it->last;
}

} // namespace zarnet
