#include "sqr/Commands.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/PreprocessorRun.h"

#include <array>

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

// A closing line; with restOfLine the text after the keyword on its line is skipped.
Reply<Unit> endLine(State& s, TextView keyword, bool restOfLine) {
    const State saved = s;
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

Reply<Text> command(State& s, TextView keyword) { return pCommand(s, stringCI(keyword)); }

Reply<Unit> pEndLine(State& s, TextView keyword) { return endLine(s, keyword, false); }

Reply<Unit> pSectionEndLine(State& s, TextView keyword) { return endLine(s, keyword, true); }

Reply<Text> symbol(State& s, TextView keyword) {
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
        if (s.peek() == U'\n')
            q(eol);
        else
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

namespace {

// keywordAbsent at p, a place of the input of s.
bool keywordAbsentAt(const State& s, const char* p, TextView keyword) {
    if (!fastPathsOn(s) || p == s.end) return false;
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x80 || c == '-' || isWhiteSpace(c)) return false;
    return !keywordCIAt(p, s.end, keyword);
}

} // namespace

bool keywordAbsent(const State& s, TextView keyword) { return keywordAbsentAt(s, s.cur, keyword); }

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
