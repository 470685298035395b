// The token layer of SQR text (second pass): blanks, the trailing-hyphen continuation,
// the token wrapper that skips blanks after a token, punctuation tokens, word ends and
// bare words.
//
// A line end is a blank for every token wrapped in `lexeme`; a grammar that must stop at
// the end of a line tests for the line end itself, or separates its items with `nbsp`.
#pragma once

#include "core/Parser.h"
#include "core/ParserLib.h"
#include "sqr/SqrMessages.h"

#include <vector>

namespace zarnet::sqr {

// --- blanks and continuation ------------------------------------------------------------

// One blank item: a blank that is no line end (`nbsp`), else a "-" directly before a line
// feed (the continuation), else one counted line end (`eol`). Fails clean.
Reply<Unit> space(State& s);
// Zero or more `space`. Never fails.
Reply<Unit> spaces(State& s);
// The blanks `spaces` reads, with no error made, as far as they can be read without it:
// true when they were all read (the error of `spaces` is then the one it makes at the place
// reached, whatever stands there), false before a blank character or hyphen that `space`
// must read itself. Fast paths only.
bool spacesQuietly(State& s);
// The same for the blanks `pSkipBlanks` reads (no line feed among them).
bool blanksQuietly(State& s);
// "-" and a line feed, as a unit; sets `continued`. Fails clean, the hyphen left in place.
Reply<Unit> pTrailingHyphen(State& s);
// One blank of a generic command line: `nbsp`, else the continuation (never a bare line
// end). Fails clean.
Reply<Unit> pBlank(State& s);
// Zero or more `pBlank`. Never fails.
Reply<Unit> pSkipBlanks(State& s);

// Runs p, then skips every blank after it (`spaces`); result p's. Blanks are skipped only
// after p succeeded.
template <class P> auto lexeme(P p) { return seqLeft(std::move(p), spaces); }

// --- punctuation ------------------------------------------------------------------------

// A keyword in any letter case, as a unit, then blanks; result as written. Fails clean.
Reply<Text> pOperator(State& s, TextView keyword);
inline auto pOperator(TextView keyword) {
    return [keyword](State& s) { return pOperator(s, keyword); };
}
// "(" then blanks.
Reply<char32_t> pOpenParen(State& s);
// ")" then blanks.
Reply<char32_t> pCloseParen(State& s);
// "[" then blanks.
Reply<char32_t> pOpenBracket(State& s);
// "]" then blanks.
Reply<char32_t> pCloseBracket(State& s);
// `pOpenParen`, `lexeme` p, `pCloseParen`; result p's.
template <class P> auto parens(P p) {
    return seqLeft(seqRight(pOpenParen, lexeme(std::move(p))), pCloseParen);
}
// "[" and blanks, `lexeme` p, "]" and blanks; result p's.
template <class P> auto brackets(P p) {
    return seqLeft(seqRight(pOpenBracket, lexeme(std::move(p))), pCloseBracket);
}
// One ",", else (no "," here) one counted line end. Skips no blanks. Fails clean.
Reply<Unit> pComma(State& s);
// One ":". Skips no blanks.
Reply<char32_t> pColon(State& s);
// One "=".
Reply<char32_t> pEquals(State& s);
// One ".".
Reply<char32_t> pDot(State& s);
// One "_".
Reply<char32_t> pUnderscore(State& s);

// --- word ends and bare words -------------------------------------------------------------

// The 13 characters after which a qualifier keyword may end: "!|(),+^*/%<>=".
inline constexpr TextView symbolEndChars = "!|(),+^*/%<>=";
// The 15 operator characters of generic command lines: "()[],!|+^*/%<>=".
inline constexpr TextView opChars = "()[],!|+^*/%<>=";
// The 20 characters that end a bare word: blank, tab, line feed, carriage return, the
// single quote and the operator characters.
inline constexpr TextView anyWord_excepts = " \t\n\r'()[],!|+^*/%<>=";
// The two variable sigils.
inline constexpr TextView varSigilChars = "#$";

// Whether c is a character of an ASCII set such as `opChars` (compared as code points, so
// it holds however texts are stored).
constexpr bool inCharSet(TextView asciiSet, char32_t c) noexcept {
    for (auto member : asciiSet)
        if (char32_t(member) == c) return true;
    return false;
}

// Look-ahead: white space (line ends included) or the end of the input follows.
// Consumes nothing.
Reply<Unit> follewedBySpace(State& s);
// Look-ahead: white space or one of `symbolEndChars` follows, or the input has ended;
// result that character (a blank at the end). Consumes nothing.
Reply<char32_t> pEndSymbol(State& s);
// One character not in `anyWord_excepts`. Fails clean.
Reply<char32_t> pAnyWordChar(State& s);
// A bare word: a first character that is no sigil and not in `anyWord_excepts`, then
// `pAnyWordChar`s; result as written. Fails clean.
Reply<Text> anyWord(State& s);
// One character other than blank, tab, line feed and carriage return; no label.
Reply<char32_t> pNonBlankChar(State& s);

// Messages the other parts of the SQR parser raise.
using msg::onlyInLocalProcedureError;
using msg::varTypeNotSpecifiedError;

// --- unused vocabulary of the layer ---------------------------------------------------------

// Case-insensitive keyword parsers of SQR command names, "ADD" to "WRITE".
const std::vector<Parser<Text>>& commandList();
// The text without white space at either end.
Text trim(TextView t);

} // namespace zarnet::sqr
