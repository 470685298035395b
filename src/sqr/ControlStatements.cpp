#include "sqr/ControlStatements.h"

#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"
#include "sqr/Commands.h"
#include "sqr/Expressions.h"
#include "sqr/Lexical.h"
#include "sqr/Statements.h"
#include "sqr/Variables.h"

namespace zarnet::sqr {

namespace {

// Runs p; a failure gives back everything it consumed (state included).
template <class P> auto undone(P p) {
    return [p](State& s) {
        const State before = s;
        auto r = p(s);
        if (!r.ok) {
            s = before;
            r.consumed = false;
        }
        return r;
    };
}

Reply<Unit> lineEndOrEof(State& s) {
    if (!s.atEnd() && s.peek() == U'\n') {
        Reply<Text> r = eol(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, Unit{}, std::move(r.err));
    }
    const State before = s;
    Reply<Text> r = eol(s);
    s = before;
    Reply<Unit> e = eof(s);
    e.err = mergeError(r.err, e.err);
    return e;
}

// Statement lines until `closer` succeeds; each test of `closer` is undone when it fails,
// so a line that only begins like it is still read as a statement.
template <class Closer> Reply<Text> bodyUntil(State& s, Closer closer) {
    Seq q(s);
    for (;;) {
        const State before = s;
        Reply<Text> c = undone(closer)(s);
        if (c.ok) {
            Text t = q.take(std::move(c));
            return q.ok(std::move(t));
        }
        s = before;
        q.take(okReply(false, Unit{}, std::move(c.err)));
        q(lexeme(pAnyStatement));
        if (!q) return q.failure();
    }
}

} // namespace

Reply<Text> pOnlyCommandLine(State& s, TextView keyword) {
    Seq q(s);
    q(stringCI(keyword));
    if (!q) return q.failure();
    q(pSkipBlanks);
    q(lineEndOrEof);
    if (!q) return q.failure();
    q(spaces);
    return q.ok(Text());
}

Reply<Text> pEndWhileLine(State& s) { return pOnlyCommandLine(s, "end-while"); }

Reply<Text> pLetAssignment(State& s) {
    Seq q(s);
    q(lexeme(pEquals));
    if (!q) return q.failure();
    Text e = q(pExpr);
    if (!q) return q.failure();
    return q.ok(std::move(e));
}

Reply<Text> pLetStatement(State& s) {
    Seq q(s);
    q(command("Let"));
    if (!q) return q.failure();
    Text target;
    {
        const State before = s;
        // The blanks after a variable target are skipped as after an array element, so
        // that the usual "LET #x = 1" reads.
        Reply<Text> v = lexeme(pVar)(s);
        if (v.ok || v.consumed) {
            target = q.take(std::move(v));
        } else {
            s = before;
            q.take(okReply(false, Unit{}, std::move(v.err)));
            target = q(lexeme(pArrayElement(pArgs)));
        }
        if (!q) return q.failure();
    }
    Text e = q(pLetAssignment);
    if (!q) return q.failure();
    Text out = "LET [";
    out += target;
    out += "] :=";
    out += e;
    return q.ok(std::move(out));
}

Reply<Text> pElsePart(State& s) { return bodyUntil(s, pOnlyCommandLine("end-if")); }

Reply<Text> pIfBody(State& s) {
    auto elseThenRest = [](State& st) -> Reply<Text> {
        Seq q(st);
        q(pOnlyCommandLine("else"));
        if (!q) return q.failure();
        Text t = q(pElsePart);
        if (!q) return q.failure();
        return q.ok(std::move(t));
    };
    // The ELSE test is undone when it fails, the rest of the statement is not.
    auto elseLine = [elseThenRest](State& st) -> Reply<Text> {
        const State before = st;
        Reply<Text> e = undone(pOnlyCommandLine("else"))(st);
        st = before;
        if (!e.ok) return e;
        return elseThenRest(st);
    };
    Seq q(s);
    for (;;) {
        {
            const State before = s;
            Reply<Text> c = undone(pOnlyCommandLine("end-if"))(s);
            if (c.ok) {
                Text t = q.take(std::move(c));
                return q.ok(std::move(t));
            }
            s = before;
            q.take(okReply(false, Unit{}, std::move(c.err)));
        }
        {
            const State before = s;
            Reply<Text> e = elseLine(s);
            if (e.ok || e.consumed) {
                Text t = q.take(std::move(e));
                if (!q) return q.failure();
                return q.ok(std::move(t));
            }
            s = before;
            q.take(okReply(false, Unit{}, std::move(e.err)));
        }
        q(lexeme(pAnyStatement));
        if (!q) return q.failure();
    }
}

Reply<Text> pIfCondition(State& s) {
    Seq q(s);
    q(lexeme(pExpr));
    if (!q) return q.failure();
    Text t = q(pIfBody);
    if (!q) return q.failure();
    return q.ok(std::move(t));
}

Reply<Text> pIfStatement(State& s) {
    Seq q(s);
    q(command("if"));
    if (!q) return q.failure();
    Text t = q(pIfCondition);
    if (!q) return q.failure();
    q(spaces);
    return q.ok(std::move(t));
}

Reply<Text> pWhileBody(State& s) { return bodyUntil(s, pEndWhileLine); }

Reply<Text> pWhileStatement(State& s) {
    Seq q(s);
    q(command("while"));
    if (!q) return q.failure();
    q(lexeme(pExpr));
    if (!q) return q.failure();
    Text t = q(pWhileBody);
    if (!q) return q.failure();
    q(spaces);
    return q.ok(std::move(t));
}

} // namespace zarnet::sqr
