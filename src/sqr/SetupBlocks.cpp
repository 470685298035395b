#include "sqr/SetupBlocks.h"

#include "sqr/Commands.h"
#include "sqr/Paragraphs.h"
#include "sqr/Statements.h"

#include <array>

namespace zarnet::sqr {

namespace {

// The opening keywords, in the order tried.
constexpr std::array<TextView, 9> blockKeywords = {
    "DECLARE-CHART",   "DECLARE-COLOR-MAP", "DECLARE-CONNECTION", "DECLARE-IMAGE", "DECLARE-LAYOUT",
    "DECLARE-PRINTER", "DECLARE-PROCEDURE", "DECLARE-REPORT",     "DECLARE-TOC"};

} // namespace

Reply<Unit> pDeclareBlockLine(State& s, ParagraphMemo* memo) {
    const State before = s;
    Reply<Unit> p = pAnyParagraph(s, memo);
    if (p.ok) return p;
    s = before;
    Reply<Unit> st = pAnyStatement(s);
    if (st.ok) {
        if (!st.consumed) st.err = mergeError(p.err, st.err);
        return st;
    }
    s = before;
    return emptyError(mergeError(p.err, st.err));
}


Reply<Unit> pDeclareBlockBody(State& s, ParagraphMemo* memo) {
    return linesUntil(
        s, kwEndDeclare, [](State& st) { return pEndLine(st, kwEndDeclare); },
        [memo](State& st) { return pDeclareBlockLine(st, memo); });
}

Reply<Unit> pDeclareBlockRest(State& s, ParagraphMemo* memo) { return pDeclareBlockBody(s, memo); }

Reply<Unit> pDeclareBlock(State& s, TextView keyword, ParagraphMemo* memo) {
    Seq q(s);
    q(command(keyword));
    if (!q) return q.failure();
    q([memo](State& st) { return pDeclareBlockRest(st, memo); });
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pOtherDeclare(State& s, ParagraphMemo* memo) {
    // Every keyword begins with "DECLARE-": a line that begins otherwise is none of them.
    const State before = s;
    ParseError err;
    bool first = true;
    for (TextView kw : blockKeywords) {
        Reply<Unit> r = pDeclareBlock(s, kw, memo);
        if (r.ok || r.consumed) {
            if (!r.consumed && !first) r.err = mergeError(err, r.err);
            return r;
        }
        s = before;
        err = first ? std::move(r.err) : mergeError(err, r.err);
        first = false;
    }
    return emptyError(std::move(err));
}

} // namespace zarnet::sqr
