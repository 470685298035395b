// Directive keywords of the first pass, the separator that must follow them, the end of a
// directive line, and the #else and #end-if lines that close the branches of a block.
#pragma once

#include "core/Parser.h"

namespace zarnet {

// The separator after a directive keyword, only looked at: one white-space character
// (line breaks included), the end of the input, or a "!" that begins no "!!" or "!=".
// Never consumes and never changes the state; the result is the separator seen.
Reply<Text> pKeywordEnd(State& s);

// Keywords in any letter case; result as written. A mismatch at the first character fails
// without consuming, a later one after consuming.
Reply<Text> pBeginSetupKeyword(State& s);
Reply<Text> pEndSetupKeyword(State& s);
Reply<Text> pIfKeyword(State& s);
Reply<Text> pIfdefKeyword(State& s);
Reply<Text> pIfndefKeyword(State& s);
Reply<Text> pIncludeKeyword(State& s);
// "ask" followed by the separator test (a missing separator fails after consuming).
Reply<Text> pAskKeyword(State& s);

// An optional "n", then "def"; result the three letters of "def" as written.
Reply<Text> pDefSuffix(State& s);
// After "#if": an optional pDefSuffix and the separator test, so that #if, #ifdef and
// #ifndef are accepted and nothing else.
Reply<Text> pIfKeywordTail(State& s);

// After a directive's last item: blanks and a "!" comment, then the line end. Result "\n".
Reply<Text> pDirectiveLineEnd(State& s);
// A whole END-SETUP line, tried as a unit: blanks, "end-setup", the rest of the line and
// its line end. Result: the keyword and the rest as written, then "\n".
Reply<Text> pEndSetupLine(State& s);

// One character other than line feed and carriage return.
Reply<char32_t> pLineRestChar(State& s);
// The character "!".
Reply<char32_t> pBang(State& s);

// "#else" and the separator test; result the keyword as written.
Reply<Text> pElseKeyword(State& s);
// "#end", an optional "-", "if", and the separator test; result the "if" as written.
Reply<Text> pEndIfKeyword(State& s);
// The rest of the line, dropped, and its line end. Result "\n".
Reply<Text> pDropRestOfLine(State& s);
// Whole #else / #end-if lines: blanks and the keyword (tried as a unit), then the rest
// of the line, dropped. Result "\n".
Reply<Text> pElseLine(State& s);
Reply<Text> pEndIfLine(State& s);
// An #else / #end-if keyword where no open block can take it: ends the run with the SQR
// message. Fails without consuming when the keyword is not there; never succeeds.
Reply<Text> pElseOutOfPlace(State& s);
Reply<Text> pEndIfOutOfPlace(State& s);

} // namespace zarnet
