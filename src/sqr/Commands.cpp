#include "sqr/Commands.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/PreprocessorRun.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace zarnet::sqr {

namespace {

// Words after "END-" that close a section or a declaration block, in the order tried.
constexpr std::array<TextView, 7> sectionEndWords = {"FOOTING", "HEADING", "PROCEDURE", "PROGRAM",
                                                     "REPORT",  "SETUP",   "DECLARE"};

// Restores the state of an attempt that failed and gives back its error as one that
// consumed nothing.
Failure undo(State& s, const State& saved, Seq& q) {
    ParseError e = q.failure().err;
    s = saved;
    return emptyError(std::move(e));
}

// The rest of the current line, up to its line feed (not consumed).
Reply<Unit> skipRestOfLine(State& s) {
    bool consumed = false;
    while (!s.atEnd() && s.peek() != U'\n') {
        s.take();
        consumed = true;
    }
    return okReply(consumed, Unit{}, unknownError(s.pos));
}

// The length of keyword where the input at p holds it in any letter case and ASCII white
// space follows it; 0 elsewhere, and for a keyword with other than printable ASCII. Where
// it is not 0, `stringCI` reads the keyword there one column a character, leaving no
// message, and the look-ahead for white space after it leaves none either.
std::size_t keywordThenBlankAt(const State& s, const char* p, TextView keyword) {
    if (std::size_t(s.end - p) <= keyword.size()) return 0;
    std::size_t i = 0;
    // Eight characters at a time, as the test below reads each: letters of the keyword
    // compared without their case bit, anything else exactly.
    for (; i + 8 <= keyword.size(); i += 8) {
        std::uint64_t k = 0, in = 0;
        std::memcpy(&k, keyword.data() + i, 8);
        std::memcpy(&in, p + i, 8);
        constexpr std::uint64_t ones = 0x0101010101010101u, highs = ones * 0x80;
        // Printable ASCII: no high bit, at least 0x20, at most 0x7E (the sums stay within a byte).
        if ((k & highs) != 0 || ((k + ones * 0x60) & highs) != highs || ((k + ones) & highs) != 0) return 0;
        const std::uint64_t lower = k | (ones * 0x20);
        const std::uint64_t letters = ((lower + ones * (0x80 - 'a')) & ~(lower + ones * (0x80 - 'z' - 1))) & highs;
        const std::uint64_t caseBits = letters >> 2;
        if ((in | caseBits) != (k | caseBits)) return 0;
    }
    for (; i < keyword.size(); ++i) {
        const auto k = static_cast<unsigned char>(keyword[i]);
        const auto in = static_cast<unsigned char>(p[i]);
        if (k - 0x20u >= 0x5Fu) return 0;
        if (in != k && !(unsigned((k | 0x20) - 'a') < 26u && in == (k ^ 0x20))) return 0;
    }
    const char* after = p + keyword.size();
    if (!isWhiteSpace(char32_t(static_cast<unsigned char>(*after)))) return 0;
    return keyword.size();
}

// Where the keyword's first character, printable ASCII, stands at the current place in either
// letter case, but the keyword is not there as a whole, `stringCI` fails after consuming:
// its error alone is then the outcome of a test that read blanks first and gives back
// what it consumed. Nothing elsewhere.
std::optional<Failure> keywordBrokenOff(State& s, TextView keyword) {
    if (s.atEnd() || keyword.empty()) return std::nullopt;
    const auto k = static_cast<unsigned char>(keyword[0]);
    if (k - 0x20u >= 0x5Fu || !asciiMatchesCI(*s.cur, keyword[0])) return std::nullopt;
    Reply<Text> w = stringCI(s, keyword);
    if (w.ok || !w.consumed) return std::nullopt;
    return emptyError(std::move(w.err));
}

// Takes the n ASCII characters keywordThenBlankAt matched; result them as written.
Text takeKeyword(State& s, std::size_t n) {
    Text w(s.cur, n);
    advanceOverAscii(s, s.cur + n);
    return w;
}

// The line feeds and carriage returns pNewlines reads after the white space it looked at.
void takeNewlines(State& s) {
    while (!s.atEnd() && (*s.cur == '\n' || *s.cur == '\r')) {
        if (*s.cur == '\n')
            stepOverLineEnd(s);
        else
            s.take();
    }
}

// A closing line; with restOfLine the text after the keyword on its line is skipped.
Reply<Unit> endLine(State& s, TextView keyword, bool restOfLine) {
    const State saved = s;
    // Read without the messages of its steps where it succeeds: none of them carries one
    // when it succeeds, so the outcome is that of the closing `spaces`. Elsewhere the rule
    // below reads it again.
    if (fastPathsOn(s) && spacesQuietly(s)) {
        if (const std::size_t n = keywordThenBlankAt(s, s.cur, keyword)) {
            advanceOverAscii(s, s.cur + n);
            if (restOfLine) skipRestOfLine(s);
            // At the end of the input the look-ahead of pNewlines leaves what it expected.
            if (!s.atEnd()) {
                takeNewlines(s);
                Reply<Unit> r = spaces(s);
                r.consumed = true;
                return r;
            }
        } else if (std::optional<Failure> f = keywordBrokenOff(s, keyword)) {
            s = saved;
            return std::move(*f);
        }
        s = saved;
    }
    Seq q(s);
    q(spaces);
    if (!q) return undo(s, saved, q);
    q(stringCI(keyword));
    if (!q) return undo(s, saved, q);
    if (restOfLine) {
        q(follewedBySpace);
        if (!q) return undo(s, saved, q);
        q(skipRestOfLine);
    }
    q(pNewlines);
    if (!q) return undo(s, saved, q);
    q(spaces);
    return q.ok();
}

} // namespace

Reply<Text> command(State& s, TextView keyword) {
    // Where it succeeds the outcome is the word and the error of the closing `spaces`: the
    // steps before leave no message then. Elsewhere the rule reads it again.
    if (fastPathsOn(s)) {
        const State saved = s;
        if (spacesQuietly(s)) {
            if (const std::size_t n = keywordThenBlankAt(s, s.cur, keyword)) {
                Text w = takeKeyword(s, n);
                Reply<Unit> r = spaces(s);
                return okReply(true, std::move(w), std::move(r.err));
            }
            if (std::optional<Failure> f = keywordBrokenOff(s, keyword)) {
                s = saved;
                return std::move(*f);
            }
        }
        s = saved;
    }
    return pCommand(s, stringCI(keyword));
}

Reply<Unit> pEndLine(State& s, TextView keyword) { return endLine(s, keyword, false); }

Reply<Unit> pSectionEndLine(State& s, TextView keyword) { return endLine(s, keyword, true); }

Reply<Text> symbol(State& s, TextView keyword) {
    // As `command`, without blanks before the keyword.
    if (fastPathsOn(s)) {
        if (const std::size_t n = keywordThenBlankAt(s, s.cur, keyword)) {
            Text w = takeKeyword(s, n);
            Reply<Unit> r = spaces(s);
            return okReply(true, std::move(w), std::move(r.err));
        }
    }
    const State saved = s;
    Seq q(s);
    Text w = q(stringCI(keyword));
    if (!q) return undo(s, saved, q);
    if (!s.atEnd() && isWhiteSpace(s.peek())) {
        // What pEndSymbol's look-ahead gives there: the error of the character it took,
        // which lies past the place it gives back.
        SourcePos after = s.pos;
        advancePos(after, s.peek());
        q.take(okReply(false, Unit{}, unknownError(after)));
    } else {
        q(pEndSymbol);
        if (!q) return undo(s, saved, q);
    }
    q(spaces);
    return q.ok(std::move(w));
}

bool isNewlineChar(char32_t c) noexcept { return c == U'\n' || c == U'\r'; }

Reply<char32_t> pNewlineChar(State& s) { return satisfying(isNewlineChar)(s); }

Reply<Unit> pNewlines(State& s) {
    Seq q(s);
    q(follewedBySpace);
    if (!q) return q.failure();
    // Every line feed is a line end of the second pass: counted, with the recorded
    // switches into and out of included files applied.
    while (!s.atEnd() && isNewlineChar(s.peek())) {
        if (s.peek() == U'\n') {
            // eol, without the line feed it gives as its result.
            ParseError e = unknownError(stepOverLineEnd(s));
            e.mergeUnknown(s.pos);
            q.take(okReply(true, Unit{}, std::move(e)));
        } else
            q(pNewlineChar);
        if (!q) return q.failure();
    }
    return q.ok();
}

Reply<Unit> pSectionEndWord(State& s) {
    Seq q(s);
    q(stringCI("END-"));
    if (!q) return q.failure();
    ParseError merged;
    bool first = true;
    for (TextView w : sectionEndWords) {
        const State saved = s;
        Reply<Text> r = command(s, w);
        if (r.ok || r.consumed) {
            q.take(std::move(r));
            if (!q) return q.failure();
            return q.ok();
        }
        s = saved;
        merged = first ? std::move(r.err) : mergeError(merged, r.err);
        first = false;
    }
    q.take(Reply<Unit>(emptyError(std::move(merged))));
    return q.failure();
}

Reply<Unit> pUnexpectedEndCommand(State& s) {
    Seq q(s);
    q(pSectionEndWord);
    if (!q) return q.failure();
    q(pFail(zarnet::msg::kSectionEndOutOfPlace));
    return q.failure();
}

bool keywordAbsentAfterFirstByte(const State& s, TextView keyword) {
    const auto c = static_cast<unsigned char>(*s.cur);
    if (mayBeginBlank(c)) return false;
    return !keywordCIAt(s.cur, s.end, keyword);
}

namespace {

// keywordAbsent at p, a place of the input of s.
bool keywordAbsentAt(const State& s, const char* p, TextView keyword) {
    if (!fastPathsOn(s) || p == s.end) return false;
    const auto c = static_cast<unsigned char>(*p);
    if (mayBeginBlank(c)) return false;
    return !keywordCIAt(p, s.end, keyword);
}

} // namespace

bool sectionEndWordAbsent(const State& s) {
    if (keywordAbsent(s, "END-")) return true;
    if (!fastPathsOn(s) || s.rest().size() < 4) return false;
    // "END-" is there (as far as keywordAbsent can tell, only then is it not absent).
    for (TextView w : sectionEndWords)
        if (!keywordAbsentAt(s, s.cur + 4, w)) return false;
    return true;
}

Reply<Unit> pUnit(State& s) { return okReply(false, Unit{}, unknownError(s.pos)); }

} // namespace zarnet::sqr
