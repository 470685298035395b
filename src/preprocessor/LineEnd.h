// Line ends of both passes and the bookkeeping that keeps positions of the second pass on
// the file and line each piece of text came from.
#pragma once

#include "core/Parser.h"

#include <cstdint>
#include <utility>

namespace zarnet {

// The one way sequenceNo changes: to f of its value. Result: the old and the new value.
// Consumes nothing and never fails.
template <class F> Reply<std::pair<std::int64_t, std::int64_t>> modifySequenceNo(State& s, F f) {
    const std::int64_t old = s.sequenceNo;
    const std::int64_t now = f(old);
    s.sequenceNo = now;
    return okReply(false, std::pair<std::int64_t, std::int64_t>{old, now}, unknownError(s.pos));
}
// modifySequenceNo with the function that adds one.
inline Reply<std::pair<std::int64_t, std::int64_t>> incrementSequenceNo(State& s) {
    return modifySequenceNo(s, [](std::int64_t n) { return n + 1; });
}

// "\n" or "\r\n", as written. A lone carriage return is no line break. Fails clean.
Reply<Text> pLineBreak(State& s);
// pLineBreak, counted in sequenceNo once it has matched.
Reply<Text> pCountedLineBreak(State& s);
// The end of a first-pass line: counts it, then "\n", "\r\n", or the end of the current
// input (leaving finished include files). Result always "\n". Fails clean.
Reply<Text> pEndOfLine(State& s);
// What pEndOfLine does, with the fast paths on, where a "\n" or "\r\n" is at the current
// place: the state alone moves over the break and counts it. pEndOfLine's pending error is
// then the unknown error at the new place.
inline void stepOverCountedLineBreak(State& s) noexcept {
    if (*s.cur == '\r') {
        ++s.cur;
        advancePos(s.pos, U'\r');
    }
    ++s.cur;
    advancePos(s.pos, U'\n');
    ++s.sequenceNo;
}
// The line end of the second pass: one "\n", counted, then the recorded switches applied.
Reply<Text> eol(State& s);
// The steps of a successful `eol` on the state alone, for readers that drop its result and
// its error: there must be a "\n" at the current place. Result: the place just past the
// line feed, before the switches moved it.
SourcePos stepOverLineEnd(State& s);
// Applies every front entry of sourceNameStack recorded for output line n.
Reply<Unit> syncSourcePos(State& s, std::int64_t n);
// syncSourcePos without its reply.
void applySourceSwitches(State& s, std::int64_t n);
// Zero or more blanks (not line ends), as written. Never fails.
Reply<Text> pBlanks(State& s);

} // namespace zarnet
