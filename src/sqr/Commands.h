// Command words, closing lines and keywords inside a line. Each reads its keyword as a
// unit: when any part of it, or of the word end after it, does not match, the input and
// the parser state are given back untouched, so that alternatives starting with the same
// letters ("BEGIN-SQL" and "BEGIN-SELECT") can be tried one after the other on one line.
#pragma once

#include "core/Parser.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Lexical.h"

namespace zarnet::sqr {

// --- keywords of the program grammar ----------------------------------------------------
inline constexpr TextView kwBeginSetup = "BEGIN-SETUP";
inline constexpr TextView kwEndSetup = "END-SETUP";
inline constexpr TextView kwBeginProgram = "BEGIN-PROGRAM";
inline constexpr TextView kwEndProgram = "END-PROGRAM";
inline constexpr TextView kwBeginReport = "BEGIN-REPORT";
inline constexpr TextView kwEndReport = "END-REPORT";
inline constexpr TextView kwBeginHeading = "BEGIN-HEADING";
inline constexpr TextView kwEndHeading = "END-HEADING";
inline constexpr TextView kwBeginFooting = "BEGIN-FOOTING";
inline constexpr TextView kwEndFooting = "END-FOOTING";
inline constexpr TextView kwBeginProcedure = "BEGIN-PROCEDURE";
inline constexpr TextView kwEndProcedure = "END-PROCEDURE";
inline constexpr TextView kwEndDeclare = "END-DECLARE";
inline constexpr TextView kwDeclareVariable = "DECLARE-VARIABLE";

// The characters that end a word of a variable name: Ctrl-Z, blank, tab, line feed,
// carriage return, parentheses, square brackets, comma and the operator characters.
inline constexpr TextView wordDelimiterChars = "\x1A \t\n\r()[],!|+^*/%<>=";
// The characters that end a bind variable in SQL text.
inline constexpr TextView sqlBindVarStopChars = " \t\n\r[]";

// --- command words ------------------------------------------------------------------------

// The word read by `word` as a command: white space before it (line ends included), the
// word, and white space or the end of the input after it (looked at); as a unit. Then all
// white space after it, line ends and blank lines included. Result: word's result.
template <class P> auto pCommand(State& s, P word) -> Reply<ResultOf<P>>;

// pCommand with the keyword matched in any letter case; result as written in the input.
// The keyword must outlive the parse (a literal).
Reply<Text> command(State& s, TextView keyword);
inline auto command(TextView keyword) {
    return [keyword](State& s) { return command(s, keyword); };
}

// A closing line: white space, the keyword in any letter case, white space or the end of
// the input after it, and the line feeds (and carriage returns) that directly follow, each
// counted as a line end; as a unit. Then all white space. Text after a blank on the same
// line stays in the input. Never consumes input when it fails.
Reply<Unit> pEndLine(State& s, TextView keyword);
inline auto pEndLine(TextView keyword) {
    return [keyword](State& s) { return pEndLine(s, keyword); };
}

// The closing line of a section (END-PROCEDURE, END-PROGRAM, END-SETUP, END-REPORT,
// END-HEADING, END-FOOTING): as pEndLine, but whatever follows the keyword on its line is
// skipped like a comment. SQR programs often repeat the procedure name there.
Reply<Unit> pSectionEndLine(State& s, TextView keyword);
inline auto pSectionEndLine(TextView keyword) {
    return [keyword](State& s) { return pSectionEndLine(s, keyword); };
}

// A keyword inside a line: its letters in any letter case, then a word end (white space,
// one of "!|(),+^*/%<>=", or the end of the input), as a unit; then all white space.
// Skips nothing before the keyword. Result: the keyword as written.
Reply<Text> symbol(State& s, TextView keyword);
inline auto symbol(TextView keyword) {
    return [keyword](State& s) { return symbol(s, keyword); };
}

// The end of a closing keyword: white space or the end of the input must follow; then the
// line feeds and carriage returns that stand there, line feeds counted as line ends.
Reply<Unit> pNewlines(State& s);
// One line feed or carriage return, not counted.
Reply<char32_t> pNewlineChar(State& s);
bool isNewlineChar(char32_t c) noexcept;

// "END-" followed by a section word (FOOTING, HEADING, PROCEDURE, PROGRAM, REPORT, SETUP,
// DECLARE) read as a command word; succeeds when it is there. Fails after consuming once
// "END-" was read and no section word follows.
Reply<Unit> pSectionEndWord(State& s);
// The refusal of a misplaced section end: pSectionEndWord, then the "(SQR 4702)ff" failure.
// Never succeeds.
Reply<Unit> pUnexpectedEndCommand(State& s);

// Fast paths skip the keyword tests that must fail: whether a keyword test at this place
// (a command word, a closing line, a keyword at the start of a line) fails for certain,
// leaving no trace: fast paths are on, the next character is ASCII and begins no blank
// item, and the input does not begin with the keyword in any letter case. A failed test
// only adds to the error of an outcome that consumed nothing, so a fast path keeps what it
// read only when it consumed, and otherwise gives way to the plain rule.
bool keywordAbsent(const State& s, TextView keyword);
// keywordAbsent once fast paths are on and the input has not ended.
bool keywordAbsentAfterFirstByte(const State& s, TextView keyword);

// Whether pSectionEndWord here must fail without trace or after reading "END-" only (when
// it is there and no section word follows it); fast paths only.
bool sectionEndWordAbsent(const State& s);

// Succeeds at once, consuming nothing.
Reply<Unit> pUnit(State& s);

// Body lines up to a closing line: before every line `endLine` (the closing line of
// `endKeyword`) is tried (it never consumes when it fails); when it succeeds the body is
// done, otherwise `line` reads one line, whose failure ends the body.
template <class E, class L> Reply<Unit> linesUntil(State& s, TextView endKeyword, E endLine, L line);

// One step of such a body, its outcome taken into q: the closing line, or else one line.
enum class BodyStep { Line, Closed, Failed };
template <class E, class L> BodyStep closingLineOrLine(State& s, Seq& q, TextView endKeyword, E endLine, L line);

// --- inline and template definitions ----------------------------------------------------------

// Whether white space, a continuation mark or a character beyond ASCII may begin at the
// byte c: elsewhere the blank parsers read nothing, and a keyword test is decided on the
// bytes themselves.
inline bool mayBeginBlank(unsigned char c) noexcept { return c >= 0x80 || c == '-' || isWhiteSpace(c); }

// Most places are decided on their first byte: one that differs from the keyword's first in
// more than the letter-case bit, and is no blank, hyphen or byte beyond ASCII.
inline bool keywordAbsent(const State& s, TextView keyword) {
    if (!fastPathsOn(s) || s.atEnd() || keyword.empty()) return false;
    const auto c = static_cast<unsigned char>(*s.cur);
    if ((c | 0x20) != (static_cast<unsigned char>(keyword[0]) | 0x20) && c > ' ' && c < 0x80 && c != '-') return true;
    return keywordAbsentAfterFirstByte(s, keyword);
}

template <class P> auto pCommand(State& s, P word) -> Reply<ResultOf<P>> {
    const State saved = s;
    Seq q(s);
    q(spaces);
    if (!q) return q.failure();
    auto w = q(word);
    if (q) q(follewedBySpace);
    if (!q) {
        ParseError e = q.failure().err;
        s = saved;
        return emptyError(std::move(e));
    }
    q(spaces);
    return q.ok(std::move(w));
}

template <class E, class L> BodyStep closingLineOrLine(State& s, Seq& q, TextView endKeyword, E endLine, L line) {
    const State before = s;
    if (keywordAbsent(s, endKeyword)) {
        Reply<Unit> r = line(s);
        if (r.ok && r.consumed) {
            q.take(std::move(r));
            return BodyStep::Line;
        }
        s = before;
    }
    Reply<Unit> e = endLine(s);
    if (e.ok) {
        q.take(std::move(e));
        return BodyStep::Closed;
    }
    s = before;
    Reply<Unit> r = line(s);
    if (!r.consumed) r.err = mergeError(e.err, r.err);
    q.take(std::move(r));
    return q ? BodyStep::Line : BodyStep::Failed;
}

template <class E, class L> Reply<Unit> linesUntil(State& s, TextView endKeyword, E endLine, L line) {
    Seq q(s);
    for (;;) {
        switch (closingLineOrLine(s, q, endKeyword, endLine, line)) {
        case BodyStep::Line: break;
        case BodyStep::Closed: return q.ok();
        case BodyStep::Failed: return q.failure();
        }
    }
}

} // namespace zarnet::sqr
