// Texts are sequences of Unicode code points held as UTF-8 bytes; this unit converts the
// bytes of files and streams into texts and holds the fixed character tables of the
// checker. Every text is valid UTF-8: texts are made only by decoding, from ASCII or by
// appending characters, so reading a character never has to check its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zarnet {

using Text = std::string;
using TextView = std::string_view;

// The number of bytes of the character whose first byte is b.
inline std::size_t charWidth(char b) noexcept {
    const auto u = static_cast<unsigned char>(b);
    return u < 0x80 ? 1 : u < 0xE0 ? 2 : u < 0xF0 ? 3 : 4;
}

// The start of the character that ends just before p.
inline const char* charBefore(const char* p) noexcept {
    do --p;
    while ((static_cast<unsigned char>(*p) & 0xC0) == 0x80);
    return p;
}

// The character whose bytes start at p.
inline char32_t decodeAt(const char* p) noexcept {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (u[0] < 0x80) return u[0];
    if (u[0] < 0xE0) return char32_t(u[0] & 0x1F) << 6 | (u[1] & 0x3F);
    if (u[0] < 0xF0) return char32_t(u[0] & 0x0F) << 12 | char32_t(u[1] & 0x3F) << 6 | (u[2] & 0x3F);
    return char32_t(u[0] & 0x07) << 18 | char32_t(u[1] & 0x3F) << 12 | char32_t(u[2] & 0x3F) << 6 |
           (u[3] & 0x3F);
}

// Appends one character to a text. Grammars build texts only through this (never with
// += on a character), so they do not depend on how texts are stored.
inline void appendChar(Text& t, char32_t c) {
    if (c < 0x80) {
        t.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        const char b[2] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        t.append(b, 2);
    } else if (c < 0x10000) {
        const char b[3] = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (c & 0x3F))};
        t.append(b, 3);
    } else {
        const char b[4] = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        t.append(b, 4);
    }
}

// The text of one character.
inline Text charText(char32_t c) {
    Text t;
    appendChar(t, c);
    return t;
}

// The text of a sequence of characters.
template <class Range> Text textOfChars(const Range& cs) {
    Text t;
    for (char32_t c : cs) appendChar(t, c);
    return t;
}

// The number of characters of a text: the bytes that do not continue a character. Eight
// bytes at a time where they are all ASCII, as most texts are.
inline std::size_t charCount(TextView t) noexcept {
    const char* p = t.data();
    const char* const e = p + t.size();
    std::size_t n = 0;
    for (; e - p >= 8; p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, sizeof w);
        if (!(w & 0x8080808080808080ull)) {
            n += 8;
            continue;
        }
        for (int i = 0; i < 8; ++i) n += (static_cast<unsigned char>(p[i]) & 0xC0) != 0x80;
    }
    for (; p != e; ++p) n += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    return n;
}

// The characters of a text, for range-for: `for (char32_t c : chars(t))`.
class Chars {
public:
    class iterator {
    public:
        explicit iterator(const char* p) noexcept : p_(p) {}
        char32_t operator*() const noexcept { return decodeAt(p_); }
        iterator& operator++() noexcept {
            p_ += charWidth(*p_);
            return *this;
        }
        friend bool operator==(iterator a, iterator b) noexcept { return a.p_ == b.p_; }

    private:
        const char* p_;
    };
    explicit Chars(TextView t) noexcept : t_(t) {}
    iterator begin() const noexcept { return iterator(t_.data()); }
    iterator end() const noexcept { return iterator(t_.data() + t_.size()); }

private:
    TextView t_;
};
inline Chars chars(TextView t) noexcept { return Chars(t); }

// Text of bytes that come from outside (a file, the command line, standard input): valid
// UTF-8 is kept as it is, anything else is read as Windows-1252.
Text decodeBytes(std::string_view bytes);
// Text-mode reading of a file: a carriage return followed by a line feed becomes one line
// feed (a lone carriage return stays). A byte-order mark at the start is honoured and
// dropped: UTF-8's, or UTF-16's in either byte order (the file is then read as UTF-16);
// without one, as decodeBytes.
// hint: called on a second buffer, when the file needs one, before it is filled (a file's
// text may ask for large pages; see the platform layer).
using BufferHint = void (*)(void* begin, std::size_t bytes) noexcept;
Text fromTextMode(std::string bytes, BufferHint hint = nullptr);

namespace detail {
// The tables, for the characters beyond ASCII.
char32_t toUpperBeyondAscii(char32_t c) noexcept;
char32_t toLowerBeyondAscii(char32_t c) noexcept;
bool isLetterBeyondAscii(char32_t c) noexcept;
} // namespace detail

// ASCII letters and their cases. Inline, like the tests below that use them: keyword tests
// and names ask for nearly every character, and nearly every character is ASCII.
inline bool isAsciiLetter(char32_t c) noexcept { return c < 0x80 && (c | 0x20) >= U'a' && (c | 0x20) <= U'z'; }
inline char asciiUpper(char c) noexcept { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
// Whether the byte `in` is the ASCII keyword character k in either letter case.
inline bool asciiMatchesCI(char in, char k) noexcept {
    // k is an ASCII letter when its lower case lies in a..z (bytes beyond ASCII never do).
    const auto u = static_cast<unsigned char>(k);
    return in == k || (unsigned((u | 0x20) - 'a') < 26u && in == char(k ^ 0x20));
}

// Simple one-to-one Unicode case mappings; characters without one map to themselves.
inline char32_t toUpperSimple(char32_t c) noexcept {
    if (c < 0x80) return (c >= U'a' && c <= U'z') ? c - 32 : c;
    return detail::toUpperBeyondAscii(c);
}
inline char32_t toLowerSimple(char32_t c) noexcept {
    if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
    return detail::toLowerBeyondAscii(c);
}
Text toUpperText(TextView t);
// Unicode letters: general categories Lu, Ll, Lt, Lm and Lo.
inline bool isLetter(char32_t c) noexcept { return c < 0x80 ? isAsciiLetter(c) : detail::isLetterBeyondAscii(c); }

// The blank set: white space other than carriage return and line feed (a fixed table).
// Inline: the scanners ask for nearly every character.
inline bool isBlank(char32_t c) noexcept {
    if (c < 0x80) return c == 0x20 || c == 0x09 || c == 0x0B || c == 0x0C;
    switch (c) {
    case 0xA0: case 0x1680: case 0x180E: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}
// White space: the blank set plus carriage return and line feed.
inline bool isWhiteSpace(char32_t c) noexcept { return c == U'\n' || c == U'\r' || isBlank(c); }

} // namespace zarnet
