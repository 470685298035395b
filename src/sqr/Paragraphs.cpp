#include "sqr/Paragraphs.h"

#include "sqr/Commands.h"
#include "sqr/Lexical.h"
#include "sqr/Statements.h"

#include <vector>

namespace zarnet::sqr {

const ParseError* ParagraphMemo::failureFrom(Kind kind, std::size_t place) const {
    auto it = failed_[kind].find(place);
    return it == failed_[kind].end() ? nullptr : &it->second;
}

void ParagraphMemo::rememberFailure(Kind kind, std::size_t place, const ParseError& err) {
    failed_[kind].emplace(place, err);
}

namespace {

// A place in the input of this run: the amount of input left there.
std::size_t placeOf(const State& s) { return s.rest().size(); }

} // namespace

Reply<Unit> pParagraphLine(State& s) { return pAnyStatement(s); }

Reply<Unit> paragraph(State& s, TextView kind, ParagraphMemo* memo) {
    const bool isSql = kind == "SQL";
    const TextView begin = isSql ? TextView("BEGIN-SQL") : TextView("BEGIN-SELECT");
    const TextView end = isSql ? TextView("END-SQL") : TextView("END-SELECT");
    const ParagraphMemo::Kind memoKind = isSql ? ParagraphMemo::Sql : ParagraphMemo::Select;

    Seq q(s);
    q(command(begin));
    if (!q) return q.failure();
    q(spaces);
    std::vector<std::size_t> visited;
    auto fail = [&]() -> Failure {
        Failure f = q.failure();
        if (memo)
            for (std::size_t place : visited) memo->rememberFailure(memoKind, place, f.err);
        return f;
    };
    for (;;) {
        if (memo) {
            if (const ParseError* known = memo->failureFrom(memoKind, placeOf(s))) {
                q.take(Reply<Unit>(emptyError(*known)));
                return fail();
            }
            visited.push_back(placeOf(s));
        }
        switch (closingLineOrLine(s, q, end, pEndLine(end), pParagraphLine)) {
        case BodyStep::Line: break;
        case BodyStep::Closed: return q.ok();
        case BodyStep::Failed: return fail();
        }
    }
}

Reply<Unit> pAnyParagraph(State& s, ParagraphMemo* memo) {
    const State saved = s;
    Seq q(s);
    {
        Reply<Unit> sql = paragraph(s, "SQL", memo);
        if (!sql.ok && !sql.consumed) {
            s = saved;
            Reply<Unit> select = paragraph(s, "SELECT", memo);
            if (!select.consumed) select.err = mergeError(sql.err, select.err);
            q.take(std::move(select));
        } else {
            q.take(std::move(sql));
        }
    }
    if (!q) {
        ParseError err = q.failure().err;
        s = saved;
        return emptyError(std::move(err));
    }
    q(spaces);
    return q.ok();
}

} // namespace zarnet::sqr
