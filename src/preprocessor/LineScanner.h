// Small text parsers shared by the preprocessor's line grammars: the join of two text
// parsers, '!' comments, the tail of a line, the name of a substitution reference and
// the quoted argument of a directive.
#pragma once

#include "core/Parser.h"
#include "core/ParserLib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarnet {

// The line-break characters; every other character is a line character.
inline constexpr TextView lineBreakChars = "\n\r";
// The not-equal operator; as a set, the two characters after a '!' that keep it from
// starting a comment.
inline constexpr TextView notEqualText = "!=";
// The characters that end a plain run inside a substitution name.
inline constexpr TextView wordStopChars = "!\n\r\t }";
// The characters that are not plain characters of a quoted argument.
inline constexpr TextView quotedStopChars = "'\n\r";

// The blank set (isBlank), with the ASCII characters decided without a call.
inline bool isBlankChar(char32_t c) noexcept {
    constexpr std::uint64_t kAsciiBlanks = (1ull << U' ') | (1ull << U'\t') | (1ull << 0x0B) | (1ull << 0x0C);
    if (c < 64) return (kAsciiBlanks >> c) & 1;
    return c >= 0x80 && isBlank(c);
}

// The blank test for the character that starts at p.
inline bool isBlankAt(const char* p) noexcept {
    const auto b = static_cast<unsigned char>(*p);
    return b < 0x80 ? isBlankChar(b) : isBlank(decodeAt(p));
}

// Where the blanks (as nbsp takes them) from p end.
inline const char* blanksFrom(const char* p, const char* end) noexcept {
    for (;;) {
        // Spaces and tabs, nearly every blank there is, without the full test.
        while (p != end && (*p == U' ' || *p == U'\t')) ++p;
        if (p == end) return p;
        const auto b = static_cast<unsigned char>(*p);
        if (b < 0x80 ? b != 0x0B && b != 0x0C : !isBlank(decodeAt(p))) return p;
        p += charWidth(*p);
    }
}

// A "\n" or "\r\n" at p.
inline bool isLineBreakAt(const char* p, const char* end) noexcept {
    if (p == end) return false;
    return *p == U'\n' || (*p == U'\r' && p + 1 != end && p[1] == U'\n');
}

// Where the line characters from p end: at the first "\n" or "\r", or at the end.
inline const char* lineCharsEnd(const char* p, const char* end) noexcept {
#if defined(__SSE2__)
    // Sixteen bytes at a time while they hold neither.
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i ret = _mm_set1_epi8('\r');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, feed), _mm_cmpeq_epi8(v, ret)));
        if (found) return p + __builtin_ctz(static_cast<unsigned>(found));
        p += 16;
    }
#endif
    while (p != end && *p != U'\n' && *p != U'\r') ++p;
    return p;
}

// Appends the bytes [b, e) to out. (A pair of pointers given to append goes through the
// text's general replace; a length does not.)
inline void appendRange(Text& out, const char* b, const char* e) { out.append(b, std::size_t(e - b)); }

// Where the line tail that pLineTail reads from p ends (at its line break or the end of
// the input), or null when pLineTail fails there. Reads nothing else.
const char* lineTailEnd(const char* p, const char* end) noexcept;

// Advances pos over [b, e), which holds no line feed: one column a character, tabs to
// their tab stop. Eight bytes at a time where they are ASCII without a tab, as most are.
inline void advanceColumns(SourcePos& pos, const char* b, const char* e) noexcept {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    constexpr std::uint64_t kTabs = 0x0909090909090909ull;
    // Whether the bytes of w are all ASCII and none is a tab.
    auto plain = [](std::uint64_t w) {
        const std::uint64_t notTab = w ^ kTabs; // a zero byte where a tab is
        return !((((notTab - kOnes) & ~notTab) | w) & kHighBits);
    };
    const bool blocks = e - b >= 8;
    while (b != e) {
        std::uint64_t w;
        if (e - b >= 8) {
            std::memcpy(&w, b, 8);
            if (plain(w)) {
                pos.sourceColumn += 8;
                b += 8;
                continue;
            }
        } else if (blocks) {
            // The last bytes, as the top of the eight that end at e (the bytes below them,
            // shifted out, were counted already).
            std::memcpy(&w, e - 8, 8);
            if (plain(w >> (8 * (8 - (e - b))))) {
                pos.sourceColumn += e - b;
                return;
            }
        }
        if (*b == '\t')
            advancePos(pos, U'\t');
        else
            pos.sourceColumn += (static_cast<unsigned char>(*b) & 0xC0) != 0x80;
        ++b;
    }
}

// A place in the input, kept where only the place of a state is needed later: unlike a
// copy of the state it shares nothing. in(s) is s moved back (or on) to the place.
struct Place {
    const char* cur = nullptr;
    SourcePos pos;
    Place() = default;
    explicit Place(const State& s) : cur(s.cur), pos(s.pos) {}
    State in(const State& s) const {
        State t = s;
        t.cur = cur;
        t.pos = pos;
        return t;
    }
};

// Moves s over [s.cur, to), which holds no line feed.
inline void advanceWithinLine(State& s, const char* to) noexcept {
    advanceColumns(s.pos, s.cur, to);
    s.cur = to;
}

// Moves s over the "\n" or "\r\n" at s (see isLineBreakAt).
inline void advanceOverLineBreak(State& s) noexcept {
    if (*s.cur == '\r') advancePos(s.pos, char32_t(*s.cur++));
    advancePos(s.pos, char32_t(*s.cur++));
}

// Parsers whose text goes to a buffer of the caller's, such as the line loop's output,
// rather than into their result: a text reply appended to out on success, and the reply of
// such a parser with the text of its own buffer (taken by reference, so that the parser
// has run before the text is taken) as its result.
inline Reply<Unit> appendTo(Text& out, Reply<Text> r) {
    if (r.ok) out += r.value;
    return Reply<Unit>{Unit{}, std::move(r.err), r.consumed, r.ok};
}
inline Reply<Text> withText(Reply<Unit> r, Text& text) {
    return Reply<Text>{r.ok ? std::move(text) : Text(), std::move(r.err), r.consumed, r.ok};
}

// p, then q on the state p left; the two texts joined. Fails as a sequence does.
template <class P, class Q> auto joinText(P p, Q q) {
    return [p, q](State& s) -> Reply<Text> {
        Seq seq(s);
        Text a = seq(p);
        if (!seq) return seq.failure();
        Text b = seq(q);
        if (!seq) return seq.failure();
        a += b;
        return seq.ok(std::move(a));
    };
}

// '!' not followed by '!' or '=', then the rest of the line (not its break). Result: the
// comment after the '!'. Fails after consuming the '!' before "!!" and "!=".
Reply<Text> pComment(State& s);
// The next character is a line break, or the input has ended. Consumes nothing.
Reply<Text> pAtLineEnd(State& s);
// An optional comment, then pAtLineEnd. Result: the empty text.
Reply<Text> pCommentAtLineEnd(State& s);
// Blanks, an optional comment, then the line end (not consumed). Result: the empty text.
// Fails after consuming when blanks are followed by other text: use it under attempt.
Reply<Text> pLineTail(State& s);
Reply<Text> pOpenBrace(State& s);
Reply<Text> pCloseBrace(State& s);
// One piece of a substitution name: a plain run, "!=", or "!!" (read as one '!').
Reply<Text> pWordPiece(State& s);
// The name of a reference after its '{', with the closing '}' (not part of the result).
Reply<Text> pWordText(State& s);
// One character of a quoted argument; two quotes stand for one.
Reply<Text> pQuotedChar(State& s);
// The opening quote and the characters of a quoted argument (closing quote left unread).
Reply<Text> pQuotedChars(State& s);
// The closing quote.
Reply<Text> pQuote(State& s);

} // namespace zarnet
