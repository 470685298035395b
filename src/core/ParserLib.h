// Small parsers every grammar builds on: case-insensitive characters and keywords,
// blanks, the failure that SQR-style errors are raised with, and the warning printer.
#pragma once

#include "Parser.h"

namespace zarnet {

// One character without regard to letter case: a letter in its upper-case form (tried
// first) or its lower-case form; any other character exactly. Result: as written.
Reply<char32_t> charCI(State& s, char32_t c);
inline auto charCI(char32_t c) {
    return [c](State& s) { return charCI(s, c); };
}

// A keyword, character by character with charCI; a partial match fails after consuming.
// Result: the text as written in the input. The keyword must outlive the parse.
Reply<Text> stringCI(State& s, TextView keyword);
inline auto stringCI(TextView keyword) {
    return [keyword](State& s) { return stringCI(s, keyword); };
}

// One blank that is not a line end, labelled "space".
Reply<char32_t> nbsp(State& s);

// Fails after consuming one character, with the message alone, at the position where it
// was called; at the end of the input the input first becomes one blank.
// As a parser value it may take any result type, since it never succeeds.
Reply<Unit> pFail(State& s, MsgText message);
template <class T = Unit> auto pFail(MsgText message) {
    return [message](State& s) -> Reply<T> { return Failure{pFail(s, message).err, true}; };
}
template <class T = Unit> auto pFail(const char* message) { return pFail<T>(MsgText::literal(message)); }

// Writes a warning on standard output: the position line and the message line.
Reply<Unit> printPosMessage(State& s, const SourcePos& pos, TextView message);
void writePosMessage(const SourcePos& pos, TextView message);

// The text without white space at either end (a fixed set of white-space characters).
Text stripSpaces(TextView t);
// The same, trimming the text in place (a value can be long: no copy of it).
void stripSpacesInPlace(Text& t);

} // namespace zarnet
