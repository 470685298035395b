// Single-quoted text literals of SQR text: the one-line literal of DO arguments and
// declarations, and the literal of generic command lines, which may run over line ends.
#pragma once

#include "core/Parser.h"
#include "sqr/Lexical.h"

namespace zarnet::sqr {

// "(SQR 3501) Did not find end of literal."
using msg::literalNotEndedError;
// The characters a one-line literal's body cannot hold: quote, line feed, carriage return.
inline constexpr TextView literalStopChars = "'\n\r";

// "'", the body, "'".
Text quoteText(TextView body);

// --- one-line literal ----------------------------------------------------------------------

// One body item: a character not in `literalStopChars`, or a doubled quote giving one
// quote. Atomic.
Reply<char32_t> pQuotedTextChar(State& s);
// "'", body items, "'"; result with the quotes. A missing closing quote raises
// `literalNotEndedError`; atomic, so every failure is clean.
Reply<Text> pQuotedText(State& s);
// `lexeme` of `pQuotedText`.
Reply<Text> pTextLiteral(State& s);

// --- literal of generic command lines ---------------------------------------------------------

// One body item: a character other than quote, line feed and carriage return; a doubled
// quote giving one quote; or a counted line end giving one blank. Fails clean.
Reply<char32_t> pStringChar(State& s);
// "'", body items, "'"; result with the quotes. Not atomic: after the opening quote a
// literal that does not end fails after consuming (with `literalNotEndedError` only when
// no item follows the opening quote).
Reply<Text> pString(State& s);

} // namespace zarnet::sqr
