#include "OrdinaryLine.h"

#include "DirectiveKeywords.h"
#include "LineEnd.h"
#include "LineScanner.h"
#include "PreprocessorRun.h"
#include "Substitution.h"

#include "core/Messages.h"
#include "core/ParserLib.h"

namespace zarnet {

namespace {

// A line whose text is only a comment leaves nothing but its line end.
Reply<Text> commentFormInFull(State& s) {
    static const auto p = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        q(pComment);
        if (!q) return q.failure();
        q(pEndOfLine);
        if (!q) return q.failure();
        return q.ok(Text("\n"));
    });
    return p(s);
}

Reply<Text> commentForm(State& s) {
    // A comment ended by a line break succeeds after consuming, so nothing that the
    // comment itself left pending survives the line end: take it in one step.
    const char* p = s.cur;
    if (p == s.end || *p != U'!' || (p + 1 != s.end && notEqualText.find(p[1]) != TextView::npos))
        return commentFormInFull(s);
    ++p;
    p = lineCharsEnd(p, s.end);
    if (p == s.end || (*p == U'\r' && (p + 1 == s.end || p[1] != U'\n'))) return commentFormInFull(s);
    advanceWithinLine(s, p);
    return pEndOfLine(s);
}

Reply<Text> textForm(State& s) { return pSubstLineThenLineEnd(s); }

Reply<Text> textFormInFull(State& s) {
    static const auto p = joinText(pSubstLine, pEndOfLine);
    return p(s);
}

Reply<Text> ordinaryLineGrammar(State& s) {
    static const auto p = orElse(commentFormInFull, textFormInFull);
    return p(s);
}

} // namespace

Reply<Text> pAskOutOfPlace(State& s) {
    static const auto keyword = attempt(pAskKeyword);
    Seq q(s);
    q(keyword);
    if (!q) return q.failure();
    q(pFail(msg::kAskOutOfPlace));
    return q.failure();
}

Reply<Text> pEndSetupOutOfPlace(State& s) {
    static const auto line = attempt(pEndSetupLine);
    Seq q(s);
    q(line);
    if (!q) return q.failure();
    q(pFail(msg::kEndSetupOutOfPlace));
    return q.failure();
}

std::optional<Reply<Unit>> ordinaryLineDirect(State& s, Text& out) {
    // Only a '!' can begin the comment form; for any other line it would fail without
    // consuming and leave nothing that a successful text form keeps.
    if (s.atEnd() || s.peek() == U'!') return std::nullopt;
    return substLineThenLineEndDirect(s, out);
}

Reply<Unit> pOrdinaryLineInto(State& s, Text& out) {
    if (!fastPathsOn(s)) return appendTo(out, ordinaryLineGrammar(s));
    // The direct path consumes or leaves s as it was; only the grammar after it needs the
    // state saved.
    if (std::optional<Reply<Unit>> r = ordinaryLineDirect(s, out)) return std::move(*r);
    if (!s.atEnd() && s.peek() != U'!') {
        const State saved = s;
        Reply<Unit> r = pSubstLineThenLineEndInto(s, out);
        if (r.consumed) return r;
        // A clean failure carries the errors of both forms: take the full path for them.
        s = saved;
    }
    static const auto p = orElse(commentForm, textForm);
    return appendTo(out, p(s));
}

Reply<Text> pOrdinaryLine(State& s) {
    Text out;
    return withText(pOrdinaryLineInto(s, out), out);
}

Reply<Text> pOrdinaryLineInFull(State& s) { return plainGrammar(s, ordinaryLineGrammar); }

} // namespace zarnet
