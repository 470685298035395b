// Directive keywords of the first pass, the separator that must follow them, the end of a
// directive line, and the #else and #end-if lines that close the branches of a block.
#pragma once

#include "core/Parser.h"

#include <optional>

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

// Runs p, a line or the part of a line up to its line end. When p crossed a switch between
// files and succeeded, its pending error keeps nothing from a place it has left: errors merge
// by position, source name first, so such an error would outrank the errors of the text read
// next whenever the left file's name sorts after that text's name.
template <class P> auto droppingErrorsLeftBehind(P p) {
    return [p](State& s) {
        const auto switchesBefore = s.st().sourceNameStack.begin();
        auto r = p(s);
        if (r.ok && s.st().sourceNameStack.begin() != switchesBefore && !(r.err.pos() == s.pos))
            r.err = unknownError(s.pos);
        return r;
    };
}

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
// Their direct paths alone, for a line of blanks, the keyword, white space and a rest that
// a line break ends: then the line's outcome, which has always consumed. Otherwise (or with
// the fast paths off) nothing, s untouched.
std::optional<Reply<Text>> elseLineDirect(State& s);
std::optional<Reply<Text>> endIfLineDirect(State& s);
// The same without the direct path for a line that the keyword begins and a line break
// ends (the reference that the direct path must agree with).
Reply<Text> pElseLineInFull(State& s);
Reply<Text> pEndIfLineInFull(State& s);

// Looks of the direct paths, which read nothing but the characters they are given.
// Whether the text at p starts with the keyword as charCI compares it (keywords are ASCII,
// letters in either case). Inline: the second pass asks at nearly every line.
inline bool keywordCIAt(const char* p, const char* end, TextView keyword) {
    if (std::size_t(end - p) < keyword.size()) return false;
    for (const char k : keyword)
        if (!asciiMatchesCI(*p++, k)) return false;
    return true;
}
// Past the "#else" / #end-if keyword ("#end", an optional "-", "if") at p, or null when
// it is not there.
const char* elseKeywordEnd(const char* p, const char* end);
const char* endIfKeywordEnd(const char* p, const char* end);
// Whether "#else" / the #end-if keyword stands at p with what may be its separator. When
// not, the keyword fails there under `attempt` without any effect, and so do the
// out-of-place parsers at p and the #else / #end-if lines whose blanks end at p.
bool elseKeywordMayStandAt(const char* p, const char* end);
bool endIfKeywordMayStandAt(const char* p, const char* end);
// An #else / #end-if keyword where no open block can take it: ends the run with the SQR
// message. Fails without consuming when the keyword is not there; never succeeds.
Reply<Text> pElseOutOfPlace(State& s);
Reply<Text> pEndIfOutOfPlace(State& s);

} // namespace zarnet
