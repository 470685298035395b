#include "preprocessor/DirectiveKeywords.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/PreprocessorRun.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"

#include <optional>

namespace zarnet {

namespace {

template <class P> auto charAsText(P p) {
    return [p](State& s) -> Reply<Text> {
        auto r = p(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, charText(r.value), std::move(r.err));
    };
}

// A "!" that starts a comment: not followed by "!" or "=".
Reply<Text> commentBang(State& s) {
    Seq q(s);
    q(char_(U'!'));
    if (!q) return q.failure();
    q(notAhead(satisfying([](char32_t c) { return c == U'!' || c == U'='; })));
    if (!q) return q.failure();
    return q.ok(Text("!"));
}

// Blanks and a keyword, as one unit, then the rest of the line dropped.
template <class K> Reply<Text> keywordLine(State& s, K keyword) {
    return droppingErrorsLeftBehind([keyword](State& st) -> Reply<Text> {
        Seq q(st);
        q(attempt([keyword](State& k) -> Reply<Text> {
            Seq kq(k);
            kq(manySkip(nbsp));
            if (!kq) return kq.failure();
            Text kw = kq(keyword);
            if (!kq) return kq.failure();
            return kq.ok(std::move(kw));
        }));
        if (!q) return q.failure();
        Text nl = q(pDropRestOfLine);
        if (!q) return q.failure();
        return q.ok(std::move(nl));
    })(s);
}


bool keywordMayStandAt(const char* p, const char* end,
                       const char* (*keywordEnd)(const char*, const char*)) {
    const char* after = keywordEnd(p, end);
    return after && (after == end || *after == '!' || isWhiteSpace(decodeAt(after)));
}

// The direct path of keywordLine, for the line it is almost always given: blanks, the
// keyword followed by white space, and a rest that a line break ends. There the unit
// matches, and pDropRestOfLine ends with pEndOfLine consuming the line break, which drops
// every error pending before it and crosses no file switch; so the result is
// pEndOfLine's. Any other line is left to the grammar, having been only looked at.
std::optional<Reply<Text>> keywordLineDirect(State& s,
                                             const char* (*keywordEnd)(const char*, const char*)) {
    const char* const end = s.end;
    const char* const after = keywordEnd(blanksFrom(s.cur, end), end);
    if (!after || after == end || !isWhiteSpace(decodeAt(after))) return std::nullopt;
    const char* const lineEnd = lineCharsEnd(after, end);
    if (!isLineBreakAt(lineEnd, end)) return std::nullopt;
    advanceWithinLine(s, lineEnd);
    return pEndOfLine(s);
}

// A keyword where no open block can take it: the keyword as a unit, then the failure.
template <class K> Reply<Text> keywordOutOfPlace(State& s, K keyword, const char* message) {
    Seq q(s);
    q(attempt(keyword));
    if (!q) return q.failure();
    q(pFail(message));
    return q.failure();
}

} // namespace

Reply<Text> pKeywordEnd(State& s) {
    static const auto p = peek(choice(charAsText(spaceChar()), pEndOfLine, attempt(commentBang)));
    auto r = p(s);
    // Only looked at: what the test read past the keyword (the character after a "!")
    // must not surface in a later error, which belongs right after the keyword.
    if (r.ok) r.err = unknownError(s.pos);
    return r;
}

Reply<Text> pBeginSetupKeyword(State& s) { return stringCI(s, "begin-setup"); }
Reply<Text> pEndSetupKeyword(State& s) { return stringCI(s, "end-setup"); }
Reply<Text> pIfKeyword(State& s) { return stringCI(s, "#if"); }
Reply<Text> pIfdefKeyword(State& s) { return stringCI(s, "#ifdef"); }
Reply<Text> pIfndefKeyword(State& s) { return stringCI(s, "#ifndef"); }
Reply<Text> pIncludeKeyword(State& s) { return stringCI(s, "#include"); }

Reply<Text> pAskKeyword(State& s) {
    Seq q(s);
    Text kw = q(stringCI("ask"));
    if (!q) return q.failure();
    q(pKeywordEnd);
    if (!q) return q.failure();
    return q.ok(std::move(kw));
}

Reply<Text> pDefSuffix(State& s) {
    Seq q(s);
    q(optionally(charCI(U'n')));
    if (!q) return q.failure();
    Text def = q(stringCI("def"));
    if (!q) return q.failure();
    return q.ok(std::move(def));
}

Reply<Text> pIfKeywordTail(State& s) {
    Seq q(s);
    q(optionally(pDefSuffix));
    if (!q) return q.failure();
    Text sep = q(pKeywordEnd);
    if (!q) return q.failure();
    return q.ok(std::move(sep));
}

Reply<Text> pDirectiveLineEnd(State& s) {
    // The direct path, for the line end it is almost always given: a line tail ended by a
    // line break. There pEndOfLine consumes the line break, which drops every error pending
    // before it and crosses no file switch; so the result is pEndOfLine's.
    if (fastPathsOn(s)) {
        const char* const tail = lineTailEnd(s.cur, s.end);
        if (tail && isLineBreakAt(tail, s.end)) {
            advanceWithinLine(s, tail);
            return pEndOfLine(s);
        }
    }
    static const auto lineEnd = droppingErrorsLeftBehind([](State& st) -> Reply<Text> {
        Seq q(st);
        q(optionally(attempt(pLineTail)));
        if (!q) return q.failure();
        Text nl = q(pEndOfLine);
        if (!q) return q.failure();
        return q.ok(std::move(nl));
    });
    return lineEnd(s);
}

Reply<Text> pEndSetupLine(State& s) {
    static const auto line = attempt(droppingErrorsLeftBehind([](State& st) -> Reply<Text> {
        Seq q(st);
        q(manySkip(nbsp));
        if (!q) return q.failure();
        Text out = q(pEndSetupKeyword);
        if (!q) return q.failure();
        static const auto restOfLine = manyText(pLineRestChar);
        out += q(restOfLine);
        if (!q) return q.failure();
        q(pEndOfLine);
        if (!q) return q.failure();
        out.push_back('\n');
        return q.ok(std::move(out));
    }));
    return line(s);
}

Reply<char32_t> pLineRestChar(State& s) {
    static const auto p = noneOf(lineBreakChars);
    return p(s);
}

Reply<char32_t> pBang(State& s) { return char_(U'!')(s); }

Reply<Text> pElseKeyword(State& s) {
    Seq q(s);
    Text kw = q(stringCI("#else"));
    if (!q) return q.failure();
    q(pKeywordEnd);
    if (!q) return q.failure();
    return q.ok(std::move(kw));
}

Reply<Text> pEndIfKeyword(State& s) {
    Seq q(s);
    q(stringCI("#end"));
    if (!q) return q.failure();
    q(optionally(char_(U'-')));
    if (!q) return q.failure();
    Text ifText = q(stringCI("if"));
    if (!q) return q.failure();
    q(pKeywordEnd);
    if (!q) return q.failure();
    return q.ok(std::move(ifText));
}

Reply<Text> pDropRestOfLine(State& s) {
    Seq q(s);
    q(manySkip(pLineRestChar));
    if (!q) return q.failure();
    Text nl = q(pEndOfLine);
    if (!q) return q.failure();
    return q.ok(std::move(nl));
}

std::optional<Reply<Text>> elseLineDirect(State& s) {
    if (!fastPathsOn(s)) return std::nullopt;
    return keywordLineDirect(s, elseKeywordEnd);
}
std::optional<Reply<Text>> endIfLineDirect(State& s) {
    if (!fastPathsOn(s)) return std::nullopt;
    return keywordLineDirect(s, endIfKeywordEnd);
}
Reply<Text> pElseLine(State& s) {
    if (std::optional<Reply<Text>> r = elseLineDirect(s)) return std::move(*r);
    return keywordLine(s, pElseKeyword);
}
Reply<Text> pEndIfLine(State& s) {
    if (std::optional<Reply<Text>> r = endIfLineDirect(s)) return std::move(*r);
    return keywordLine(s, pEndIfKeyword);
}
Reply<Text> pElseLineInFull(State& s) { return plainGrammar(s, pElseLine); }
Reply<Text> pEndIfLineInFull(State& s) { return plainGrammar(s, pEndIfLine); }

const char* elseKeywordEnd(const char* p, const char* end) {
    return keywordCIAt(p, end, "#else") ? p + 5 : nullptr;
}
const char* endIfKeywordEnd(const char* p, const char* end) {
    if (!keywordCIAt(p, end, "#end")) return nullptr;
    p += 4;
    if (p != end && *p == U'-') ++p;
    return keywordCIAt(p, end, "if") ? p + 2 : nullptr;
}

bool elseKeywordMayStandAt(const char* p, const char* end) {
    return keywordMayStandAt(p, end, elseKeywordEnd);
}
bool endIfKeywordMayStandAt(const char* p, const char* end) {
    return keywordMayStandAt(p, end, endIfKeywordEnd);
}

Reply<Text> pElseOutOfPlace(State& s) { return keywordOutOfPlace(s, pElseKeyword, msg::kElseWithoutIf); }
Reply<Text> pEndIfOutOfPlace(State& s) { return keywordOutOfPlace(s, pEndIfKeyword, msg::kEndIfWithoutIf); }

} // namespace zarnet
