#include "Expressions.h"

#include "Lexical.h"
#include "Literals.h"
#include "Numbers.h"
#include "SqrMessages.h"
#include "Symbols.h"
#include "Variables.h"

#include "core/Console.h"
#include "core/ParserLib.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

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
template <class P> auto yielding(P p, const char* text) {
    return mapped(p, [text](auto&&) { return Text(text); });
}

// One row of an exact operator table, read as a unit that backtracks.
auto exactRow(const char* op) {
    return mapped(pOperatorRow(op, Unit{}), [](auto&& row) { return Text(row.first); });
}

// One row of the bit operators: letters in either case, yielding the table's spelling.
auto caseFreeRow(const char* op) { return yielding(attempt(stringCI(op)), op); }

// Places where an expression is known to fail, for the outermost expression being read.
// Whether an expression fails, and with which error, depends on the text and the place
// alone (the uses it records change nothing in the outcome), and on the depth only where
// the limit is reached. Without this, an operand that has two readings (a prefix "Not"
// before a name, or a name called as "not...(") reads everything after it once per
// reading, so a failing run of them costs twice per operand.
struct Place {
    InputView input;
    SourcePos pos;
    std::int64_t sequenceNo = 0;
    explicit Place(const State& s) : input(s.input()), pos(s.pos), sequenceNo(s.sequenceNo) {}
};
struct KnownFailure {
    Place place;
    ParseError err;
    int span = 0; // how much deeper the failed reading went
};

// The expression reader's part of a run: what it knows about the outermost expression
// being read, all of it dropped when that expression returns.
struct ExpressionRun : RunPart {
    // How deeply pExpr is nested right now. Every path by which an expression contains
    // another (prefix operators, parentheses, function arguments, array indexes) passes
    // through pExpr.
    int exprDepth = 0;
    // The deepest nesting reached so far by the expression being read.
    int deepest = 0;
    std::unordered_map<const void*, KnownFailure> knownFailures;
};

ExpressionRun& expressionRun(const State& s) {
    if (!s.run) throw InternalError("internal error: expressions are read only within a run context.");
    return s.run->part<ExpressionRun>();
}

const ParseError* knownFailureAt(const ExpressionRun& run, const State& s) {
    auto it = run.knownFailures.find(s.input().begin);
    if (it == run.knownFailures.end()) return nullptr;
    const Place& k = it->second.place;
    if (k.input.end != s.input().end || !(k.pos == s.pos) || k.sequenceNo != s.sequenceNo ||
        run.exprDepth + it->second.span > kMaxExpressionDepth)
        return nullptr;
    return &it->second.err;
}

void rememberFailure(ExpressionRun& run, const Place& at, ParseError err, int span) {
    run.knownFailures.insert_or_assign(at.input.begin, KnownFailure{at, std::move(err), span});
}

struct DepthGuard {
    explicit DepthGuard(ExpressionRun& r) : run(r), outerDeepest(r.deepest) {
        ++run.exprDepth;
        run.deepest = run.exprDepth;
    }
    ~DepthGuard() {
        run.deepest = std::max(outerDeepest, run.deepest);
        if (--run.exprDepth == 0) {
            run.knownFailures.clear();
            run.deepest = 0;
        }
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool exceeded() const { return run.exprDepth > kMaxExpressionDepth; }
    // How much deeper than this expression the reading has gone so far.
    int span() const { return run.deepest - run.exprDepth; }
    ExpressionRun& run;
    int outerDeepest;
};

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
    static const auto p = lexeme(choice(exactRow("+"), exactRow("-"), exactRow("*"), exactRow("/"),
                                        exactRow("%"), exactRow("^")));
    return p(s);
}

Reply<Text> pRelOp(State& s) {
    static const auto p = lexeme(choice(exactRow("="), exactRow("!!="), exactRow("!="), exactRow("<>"),
                                        exactRow("<="), exactRow(">="), exactRow("<"), exactRow(">")));
    return p(s);
}

Reply<Text> pTextOp(State& s) {
    static const auto p = lexeme(exactRow("||"));
    return p(s);
}

Reply<Text> pBitOp(State& s) {
    static const auto p = lexeme(choice(caseFreeRow("And"), caseFreeRow("Or"), caseFreeRow("Xor")));
    return p(s);
}

Reply<Text> pBinaryOp(State& s) {
    static const auto p = lexeme(mapped(choice(pArithmeticOp, pRelOp, pTextOp, pBitOp), [](Text op) {
        Text shown = " <";
        shown += op;
        shown += "> ";
        return shown;
    }));
    return p(s);
}

Reply<Text> pUnaryOp(State& s) {
    static const auto p =
        lexeme(choice(yielding(char_(U'-'), "-"), yielding(char_(U'+'), "+"), stringCI("Not")));
    return p(s);
}

Reply<Text> pExpr(State& s) {
    ExpressionRun& run = expressionRun(s);
    DepthGuard guard(run);
    // Past the limit the whole parse ends here, whatever alternative or look-ahead the
    // expression is read in: a statement that could be read another way is no exception.
    if (guard.exceeded())
        throw FatalParseError{ParseError(s.pos, Message{MsgKind::Message, MsgText::literal(msg::expressionTooDeep)})};
    if (const ParseError* known = knownFailureAt(run, s)) return emptyError(*known);
    // operand (operator operand)*. The grammar nests each tail to the right (a tail is an
    // operator and a whole expression), but the text is one flat run and a failure anywhere
    // fails every tail around it, so a loop reads the same. Where the places of the tails
    // follow each other in the order errors compare by, every tail around the failing one
    // fails with the error of the whole; each is remembered.
    std::vector<Place> starts{Place(s)}; // where each tail's expression begins
    bool ordered = true;
    ParseError lastOperatorErr;
    Seq q(s);
    Text out;
    auto fail = [&](ParseError innermost) -> Reply<Text> {
        rememberFailure(run, starts.back(), innermost, guard.span());
        if (starts.size() == 1) return emptyError(std::move(innermost));
        ParseError err = mergeError(lastOperatorErr, innermost);
        for (std::size_t i = 0; i + 1 < starts.size() && (ordered || i == 0); ++i)
            rememberFailure(run, starts[i], err, guard.span());
        return emptyError(std::move(err));
    };
    auto term = pTerm(s);
    if (!term.ok) return fail(std::move(term.err));
    out += q.take(std::move(term));
    for (;;) {
        State saved = s;
        auto op = pBinaryOp(s);
        if (!op.ok) {
            s = std::move(saved);
            q.take(okReply(false, Unit{}, mergeError(op.err, unknownError(s.pos))));
            break;
        }
        lastOperatorErr = op.err;
        out += q.take(std::move(op));
        ordered = ordered && compare(starts.back().pos, s.pos) < 0;
        starts.emplace_back(s);
        if (const ParseError* known = knownFailureAt(run, s)) return fail(*known);
        auto operand = pTerm(s);
        if (!operand.ok) return fail(std::move(operand.err));
        out += q.take(std::move(operand));
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
        lexeme(choice(pLiteral, prefixed, pVar, parenthesised, pFunctionCall, pArrayElement(pArgs), pColumn));
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
        name += "(";
        name += showListItems(args);
        name += ")";
        return q.ok(std::move(name));
    }));
    return p(s);
}

Reply<Text> pFunctionName(State& s) {
    static const auto letter = satisfyingLabelled(isLetter, MsgText::literal("letter"));
    static const auto p = mapped(manyOne(choice(letter, digit(), char_(U'_'))), [](const std::vector<char32_t>& cs) {
        return textOfChars(cs);
    });
    return p(s);
}

Reply<std::vector<Text>> pArgs(State& s) { return readArgs(s); }

Reply<Text> pVarOrNumLiteral(State& s) {
    static const auto p = orElse(pVariable(pNumVarSymbol, pStrictName), pNumLiteral);
    return p(s);
}

void runExpr(const Text& input) {
    RunContext run;
    auto r = runParserWithState(pExpr, makeUserState(initialState()), SourceName(), run.keep(input), &run);
    console().writeOut((r.ok ? zarnet::quoteText(r.value) : renderError(r.error)) + "\n");
}

} // namespace zarnet::sqr
