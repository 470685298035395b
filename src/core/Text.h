// Texts are sequences of Unicode code points; this unit converts them to and from the
// bytes of files and streams and holds the fixed character tables of the checker.
#pragma once

#include <string>
#include <string_view>

namespace zarnet {

using Text = std::u32string;
using TextView = std::u32string_view;

// Appends one character to a text. Grammars build texts only through this (never with
// += on a character), so they do not depend on how texts are stored.
inline void appendChar(Text& t, char32_t c) { t.push_back(c); }

// UTF-8 encoding of a text (all output is UTF-8).
std::string toUtf8(TextView t);
// Text of an ASCII literal, for building messages and keywords from plain strings.
Text fromAscii(std::string_view s);
// Text of bytes that come from outside (a file, the command line, standard input): valid
// UTF-8 is decoded as UTF-8, anything else as Windows-1252.
Text decodeBytes(std::string_view bytes);
// Text-mode reading of a file: a carriage return followed by a line feed becomes one line
// feed (a lone carriage return stays). A byte-order mark at the start is honoured and
// dropped: UTF-8's, or UTF-16's in either byte order (the file is then read as UTF-16);
// without one, as decodeBytes.
Text fromTextMode(std::string_view bytes);

// Simple one-to-one Unicode case mappings; characters without one map to themselves.
char32_t toUpperSimple(char32_t c) noexcept;
char32_t toLowerSimple(char32_t c) noexcept;
Text toUpperText(TextView t);
// Unicode letters: general categories Lu, Ll, Lt, Lm and Lo.
bool isLetter(char32_t c) noexcept;

// The blank set: white space other than carriage return and line feed (a fixed table).
bool isBlank(char32_t c) noexcept;
// White space: the blank set plus carriage return and line feed.
bool isWhiteSpace(char32_t c) noexcept;

} // namespace zarnet
