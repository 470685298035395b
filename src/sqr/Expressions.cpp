#include "Expressions.h"

#include "Lexical.h"
#include "Literals.h"
#include "Numbers.h"
#include "SqrMessages.h"
#include "Symbols.h"
#include "Variables.h"

#include "core/Console.h"
#include "core/ParserLib.h"

#include <optional>

namespace zarnet::sqr {

namespace {

// A parser whose result is turned into a text by f.
template <class P, class F> auto mapped(P p, F f) {
    return [p, f](State& s) -> Reply<Text> {
        auto r = p(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, f(std::move(r.value)), std::move(r.err));
    };
}

// A parser that yields a fixed text when p matches.
template <class P> auto yielding(P p, const char32_t* text) {
    return mapped(p, [text](auto&&) { return Text(text); });
}

// One row of an exact operator table, read as a unit that backtracks.
auto exactRow(const char32_t* op) {
    return mapped(pOperatorRow(op, Unit{}), [](auto&& row) { return Text(row.first); });
}

// One row of the bit operators: letters in either case, yielding the table's spelling.
auto caseFreeRow(const char32_t* op) { return yielding(attempt(stringCI(op)), op); }

// How deeply pExpr is nested right now. Every path by which an expression contains another
// (prefix operators, parentheses, function arguments, array indexes) passes through pExpr.
int exprDepth = 0;
// Set once an expression nested past the limit, until the outermost expression returns:
// every enclosing expression then fails with this error, without trying its other
// readings, so that the error reported is the limit and not whatever a later look-ahead
// happened to reach.
std::optional<ParseError> tooDeep;

struct DepthGuard {
    DepthGuard() { ++exprDepth; }
    ~DepthGuard() {
        if (--exprDepth == 0) tooDeep.reset();
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool exceeded() const { return exprDepth > kMaxExpressionDepth; }
};

// An operand alternative that is not tried while an expression unwinds from the limit.
template <class P> auto unlessTooDeep(P p) {
    return [p](State& s) -> Reply<Text> {
        if (tooDeep) return emptyError(unknownError(s.pos));
        return p(s);
    };
}

// The last argument list read, with the state it was read from and the outcome. A function
// call that fails is followed by the array-element alternative, which reads the same list
// from the same place again; without this, nested calls would cost twice per level.
struct ArgsMemo {
    bool valid = false;
    State before; // holds the user state, so its address stays unique while remembered
    int depth = 0;
    Reply<std::vector<Text>> reply;
    State after;
};
ArgsMemo argsMemo;

bool sameStart(const State& a, const State& b) {
    return a.input().begin == b.input().begin && a.input().end == b.input().end && a.pos == b.pos &&
           a.user == b.user && a.sequenceNo == b.sequenceNo;
}

Reply<std::vector<Text>> readArgs(State& s) {
    static const auto comma = lexeme(char_(U','));
    static const auto nonEmpty = [](State& st) -> Reply<std::vector<Text>> {
        Seq q(st);
        Text first = q(pExpr);
        if (!q) return q.failure();
        auto rest = q(many(seqRight(comma, pExpr)));
        if (!q) return q.failure();
        rest.insert(rest.begin(), std::move(first));
        return q.ok(std::move(rest));
    };
    static const auto p = attempt(lexeme(orElse(nonEmpty, succeedWith(std::vector<Text>{}))));
    return p(s);
}

} // namespace

Reply<Text> pArithmeticOp(State& s) {
    static const auto p = lexeme(choice(exactRow(U"+"), exactRow(U"-"), exactRow(U"*"), exactRow(U"/"),
                                        exactRow(U"%"), exactRow(U"^")));
    return p(s);
}

Reply<Text> pRelOp(State& s) {
    static const auto p = lexeme(choice(exactRow(U"="), exactRow(U"!!="), exactRow(U"!="), exactRow(U"<>"),
                                        exactRow(U"<="), exactRow(U">="), exactRow(U"<"), exactRow(U">")));
    return p(s);
}

Reply<Text> pTextOp(State& s) {
    static const auto p = lexeme(exactRow(U"||"));
    return p(s);
}

Reply<Text> pBitOp(State& s) {
    static const auto p = lexeme(choice(caseFreeRow(U"And"), caseFreeRow(U"Or"), caseFreeRow(U"Xor")));
    return p(s);
}

Reply<Text> pBinaryOp(State& s) {
    static const auto p = lexeme(mapped(choice(pArithmeticOp, pRelOp, pTextOp, pBitOp), [](Text op) {
        Text shown = U" <";
        shown += op;
        shown += U"> ";
        return shown;
    }));
    return p(s);
}

Reply<Text> pUnaryOp(State& s) {
    static const auto p =
        lexeme(choice(yielding(char_(U'-'), U"-"), yielding(char_(U'+'), U"+"), stringCI(U"Not")));
    return p(s);
}

Reply<Text> pExpr(State& s) {
    DepthGuard guard;
    if (guard.exceeded() && !tooDeep)
        tooDeep = ParseError(s.pos, Message{MsgKind::Message, MsgText::literal(msg::expressionTooDeep)});
    if (tooDeep) return emptyError(*tooDeep);
    // operand (operator operand)*: the grammar nests each tail to the right, but its text is
    // one flat run and any failure fails the whole unit, so a loop reads the same.
    Seq q(s);
    Text out = q(pTerm);
    if (!q) return Failure{tooDeep ? *tooDeep : q.failure().err, false};
    for (;;) {
        State saved = s;
        auto op = pBinaryOp(s);
        if (!op.ok) {
            s = std::move(saved);
            q.take(okReply(false, Unit{}, mergeError(op.err, unknownError(s.pos))));
            break;
        }
        out += q.take(std::move(op));
        Text operand = q(pTerm);
        if (!q) return Failure{tooDeep ? *tooDeep : q.failure().err, false};
        out += operand;
    }
    q(spaces);
    return q.ok(std::move(out));
}

Reply<Text> pTerm(State& s) {
    static const auto prefixed = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        Text op = q(pUnaryOp);
        if (!q) return q.failure();
        Text e = q(pExpr);
        if (!q) return q.failure();
        return q.ok(op + e);
    });
    static const auto parenthesised = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        q(pOpenParen);
        if (!q) return q.failure();
        Text e = q(pExpr);
        if (!q) return q.failure();
        q(pCloseParen);
        if (!q) return q.failure();
        return q.ok(std::move(e));
    });
    static const auto p =
        lexeme(choice(unlessTooDeep(pLiteral), unlessTooDeep(prefixed), unlessTooDeep(pVar),
                      unlessTooDeep(parenthesised), unlessTooDeep(pFunctionCall),
                      unlessTooDeep(pArrayElement(pArgs)), unlessTooDeep(pColumn)));
    return p(s);
}

Reply<Text> pLiteral(State& s) {
    static const auto p = orElse(attempt(pNumLiteral), attempt(pTextLiteral));
    return p(s);
}

Reply<Text> pFunctionCall(State& s) {
    static const auto p = attempt(lexeme([](State& st) -> Reply<Text> {
        Seq q(st);
        Text name = q(lexeme(pFunctionName));
        if (!q) return q.failure();
        q(pOpenParen);
        if (!q) return q.failure();
        auto args = q(pArgs);
        if (!q) return q.failure();
        q(pCloseParen);
        if (!q) return q.failure();
        name += U"(";
        name += showListItems(args);
        name += U")";
        return q.ok(std::move(name));
    }));
    return p(s);
}

Reply<Text> pFunctionName(State& s) {
    static const auto letter = satisfyingLabelled(isLetter, MsgText::literal("letter"));
    static const auto p = mapped(manyOne(choice(letter, digit(), char_(U'_'))), [](std::vector<char32_t> cs) {
        Text name;
        for (char32_t c : cs) appendChar(name, c);
        return name;
    });
    return p(s);
}

Reply<std::vector<Text>> pArgs(State& s) {
    if (tooDeep) return emptyError(*tooDeep);
    ArgsMemo& m = argsMemo;
    if (m.valid && m.depth == exprDepth && sameStart(m.before, s)) {
        s = m.after;
        return m.reply;
    }
    State before = s;
    auto r = readArgs(s);
    argsMemo = ArgsMemo{true, std::move(before), exprDepth, r, s};
    return r;
}

Reply<Text> pVarOrNumLiteral(State& s) {
    static const auto p = orElse(pVariable(pNumVarSymbol, pStrictName), pNumLiteral);
    return p(s);
}

void runExpr(const Text& input) {
    auto r = runParserWithState(pExpr, makeUserState(initialState()), SourceName(), keepText(input));
    console().writeOut((r.ok ? zarnet::quoteText(r.value) : renderError(r.error)) + "\n");
}

} // namespace zarnet::sqr
