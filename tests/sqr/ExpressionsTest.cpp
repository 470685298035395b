#include "TestSupport.h"

#include "sqr/Expressions.h"
#include "sqr/SqrMessages.h"
#include "sqr/Lexical.h"
#include "sqr/Symbols.h"
#include "sqr/Variables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace zarnet::sqr {
namespace {

using test::CapturedConsole;
using test::runOn;
using test::T;
using test::U8;

std::string repeat(std::string_view unit, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += unit;
    return out;
}

// The use count of a variable in the global scope; -1 when it is not there.
std::int64_t globalUses(const UserState& u, VarSymbol sigil, const char* upperName) {
    auto attr = lookupVar(VarIdentifier{T(upperName), sigil}, varMapOf(u->state, Scope::global()));
    return attr ? attr->usedCount : -1;
}

struct OpCase {
    const char* input;
    const char* value; // nullptr: fails
    const char* rest;
};

template <class P> void checkOps(P p, std::initializer_list<OpCase> cases) {
    for (const OpCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(p, c.input);
        if (c.value == nullptr) {
            EXPECT_FALSE(o.ok);
            EXPECT_FALSE(o.consumed);
            continue;
        }
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.value);
        EXPECT_EQ(o.rest, c.rest);
    }
}

TEST(ExpressionOperators, RowsAreTriedInOrderAndGiveBackPartialMatches) {
    checkOps(pArithmeticOp, {{"+", "+", ""}, {"**", "*", "*"}, {"^", "^", ""}, {"%", "%", ""},
                             {"+   #a", "+", "#a"}, {"-\n 1", "-", "1"}, {"=", nullptr, ""}});
    checkOps(pRelOp, {{"<>", "<>", ""}, {"<=", "<=", ""}, {"!=", "!=", ""}, {"!!=", "!!=", ""},
                      {"==", "=", "="}, {"=<", "=", "<"}, {">=", ">=", ""}, {"> 5", ">", "5"},
                      {"!!", nullptr, ""}, {"!x", nullptr, ""}});
    checkOps(pTextOp, {{"||", "||", ""}, {"|", nullptr, ""}});
    checkOps(pBitOp, {{"and", "And", ""}, {"AND", "And", ""}, {"aNd", "And", ""}, {"xor", "Xor", ""},
                      {"Order", "Or", "der"}, {"Andy", "And", "y"}, {"an", nullptr, ""}, {"x", nullptr, ""}});
    checkOps(pBinaryOp, {{"+", " <+> ", ""}, {"<>", " <<>> ", ""}, {"!!=", " <!!=> ", ""}, {"||", " <||> ", ""},
                         {"and #b", " <And> ", "#b"}, {"&", nullptr, ""}, {"#a", nullptr, ""}});
}

TEST(ExpressionOperators, PrefixNotConsumesTheLettersItMatched) {
    checkOps(pUnaryOp, {{"-", "-", ""}, {"+ 1", "+", "1"}, {"not", "not", ""}, {"NOT x", "NOT", "x"},
                        {"x", nullptr, ""}});
    auto o = runOn(pUnaryOp, "Nope");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.rest, "pe");
}

struct ExprCase {
    const char* input;
    const char* text;
    const char* rest;
};

TEST(Expressions, TextForm) {
    const ExprCase cases[] = {
        {"#a", "#a", ""},
        {"$name", "$name", ""},
        {"#a + 1", "#a <+> 1.0", ""},
        {"#a + #b * #c", "#a <+> #b <*> #c", ""},
        {"(#a + 1) * 2", "#a <+> 1.0 <*> 2.0", ""},
        {"-#a", "-#a", ""},
        {"-#a + 1", "-#a <+> 1.0", ""},
        {"-5", "-5.0", ""},
        {"- 5", "-5.0", ""},
        {"+5", "5.0", ""},
        {"--5", "--5.0", ""},
        {"not #a = 1", "not#a <=> 1.0", ""},
        {"Note(1)", "Note(1.0)", ""},
        {"nvl($a, 2)", "nvl($a, 2.0)", ""},
        {"substr($s, 1, 2)", "substr($s, 1.0, 2.0)", ""},
        {"f()", "f()", ""},
        {"f( )", "f()", ""},
        {"f (#a)", "f(#a)", ""},
        {"f(g(#a), #b)", "f(g(#a), #b)", ""},
        {"'ab' || $s", "'ab' <||> $s", ""},
        {"&amount * 2", "&amount <*> 2.0", ""},
        {"#a #b", "#a", "#b"},
        {"#a or#b", "#a <Or> #b", ""},
        {"#a\n + 1\n", "#a <+> 1.0", ""},
        {"déjà(1)", "déjà(1.0)", ""},
        {"#a + 1 ) junk", "#a <+> 1.0", ") junk"},
    };
    for (const ExprCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pExpr, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, c.rest);
    }
}

TEST(Expressions, FailuresConsumeNothing) {
    for (const char* input : {"f(#a,)", "#a +", "x", "", "#a Order #b", "Nothing", "(#a", "'open", "#a + 'open"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pExpr, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
    }
}

TEST(Expressions, UsesAreRecordedOnlyByExpressionsThatSucceed) {
    auto ok = runOn(pExpr, "#a + #a * $b");
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(globalUses(ok.user, VarSymbol::Sharp, "A"), 2);
    EXPECT_EQ(globalUses(ok.user, VarSymbol::Dollar, "B"), 1);

    // A failed expression leaves the next alternative the state from before it.
    State start = test::startState("#a + #b +");
    State seen = test::stateSeenByNextAlternative(pExpr, start);
    EXPECT_EQ(seen.input().begin, start.input().begin);
    EXPECT_EQ(globalUses(seen.user, VarSymbol::Sharp, "A"), -1);
    EXPECT_EQ(globalUses(seen.user, VarSymbol::Sharp, "B"), -1);
}

TEST(Expressions, ArgumentLists) {
    auto empty = runOn(pArgs, ")");
    ASSERT_TRUE(empty.ok);
    EXPECT_FALSE(empty.consumed);
    EXPECT_TRUE(empty.value.empty());

    auto two = runOn(pArgs, "#a , 'x'\n)");
    ASSERT_TRUE(two.ok) << two.error;
    ASSERT_EQ(two.value.size(), 2u);
    EXPECT_EQ(U8(two.value[1]), "'x'");
    EXPECT_EQ(two.rest, ")");

    // A comma with no expression after it fails the whole list, not just its tail.
    auto dangling = runOn(pArgs, "#a,");
    EXPECT_FALSE(dangling.ok);
    EXPECT_FALSE(dangling.consumed);
}

TEST(Expressions, VariableOrNumber) {
    checkOps(pVarOrNumLiteral, {{"#count", "#count", ""}, {"12", "12.0", ""}, {"$s", nullptr, ""}});
    auto sign = runOn(pVarOrNumLiteral, "-x");
    EXPECT_FALSE(sign.ok);
    EXPECT_TRUE(sign.consumed);
}

TEST(Expressions, RunnerWritesTheQuotedTextOrTheError) {
    CapturedConsole con;
    runExpr(T("#a + 1"));
    runExpr(T("#a + 1 ) junk"));
    runExpr(T("'a\"b' || 'é'"));
    EXPECT_EQ(con.out, "\"#a <+> 1.0\"\n\"#a <+> 1.0\"\n\"'a\\\"b' <||> '\\233'\"\n");

    con.out.clear();
    runExpr(T("x"));
    EXPECT_EQ(con.out.rfind("(line 1, column 2):\n", 0), 0u) << con.out;
    EXPECT_EQ(con.out.back(), '\n');
}

TEST(Expressions, NestingStopsAtTheLimitWithAParseError) {
    const int limit = kMaxExpressionDepth;
    // Every nested expression is one level: the outermost one and limit - 1 inside it fit.
    for (auto [open, close] : {std::pair{"(", ")"}, std::pair{"f(", ")"}, std::pair{"-", ""}, std::pair{"not ", ""}}) {
        SCOPED_TRACE(open);
        auto fits = runOn(pExpr, repeat(open, limit - 1) + "#a" + repeat(close, limit - 1));
        EXPECT_TRUE(fits.ok) << fits.error;

        // The error names the place where the first expression too many begins.
        const std::string error = "\"test.sqr\" (line 1, column " +
                                  std::to_string(std::string_view(open).size() * limit + 1) + "):\n" +
                                  msg::expressionTooDeep;
        // The limit ends the whole parse, past any alternative around the expression.
        auto tooDeep = runOn(attempt(pExpr), repeat(open, limit) + "#a" + repeat(close, limit));
        EXPECT_FALSE(tooDeep.ok);
        EXPECT_TRUE(tooDeep.consumed);
        EXPECT_EQ(tooDeep.error, error);

        auto huge = runOn(pExpr, repeat(open, 100000) + "#a");
        EXPECT_FALSE(huge.ok);
        EXPECT_EQ(huge.error, error);
    }
    // The limit is per expression: one that hit it leaves the next one unaffected.
    EXPECT_TRUE(runOn(pExpr, "#a").ok);
    CapturedConsole con;
    runExpr(T(repeat("(", limit) + "1"));
    EXPECT_EQ(con.out, "(line 1, column 201):\n" + std::string(msg::expressionTooDeep) + "\n");
}

TEST(Expressions, ARunStartedInsideAnotherCountsItsOwnNesting) {
    // Run A asks its file filter about a variable deep inside an expression; the filter
    // reads a nested expression in a run of its own, which must start from depth 0.
    const int limit = kMaxExpressionDepth;
    std::vector<bool> innerRuns;
    ParserState a = initialState();
    a.recursiveCheck = true;
    a.matchSourceNameForReport = std::make_shared<const std::function<bool(const Text&)>>([&](const Text&) {
        auto inner = runOn(pExpr, repeat("(", limit - 1) + "#b" + repeat(")", limit - 1));
        innerRuns.push_back(inner.ok);
        return true;
    });
    auto outer = runOn(pExpr, repeat("(", limit / 2) + "#a" + repeat(")", limit / 2), a, "a.sqc");
    ASSERT_TRUE(outer.ok) << outer.error;
    ASSERT_FALSE(innerRuns.empty());
    EXPECT_EQ(std::count(innerRuns.begin(), innerRuns.end(), false), 0);
    // Run A's own count was not disturbed either: it still stops at the limit.
    auto tooDeep = runOn(pExpr, repeat("(", limit) + "#a", a, "a.sqc");
    EXPECT_FALSE(tooDeep.ok);
    EXPECT_NE(tooDeep.error.find(msg::expressionTooDeep), std::string::npos);
}

TEST(Expressions, LongOperatorChainsAreReadWithoutRecursion) {
    auto o = runOn(pExpr, "#a" + repeat(" + #a", 200000));
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(globalUses(o.user, VarSymbol::Sharp, "A"), 200001);
}

TEST(Expressions, OperandsWithTwoReadingsAreNotReadAgainPerLevel) {
    // "notf(" is a prefix "not" before the call "f(", and the call "notf(" too; a failing
    // run of them, or of operands of that kind in a failing chain, would cost twice per
    // operand and these would not end. (Only the outcome is looked at: the error of such a
    // run pools the same messages once per reading.)
    auto outcome = [](State& s) -> Reply<bool> {
        auto r = pExpr(s);
        return okReply(false, r.ok, unknownError(s.pos));
    };
    for (const std::string& input : {repeat("notf(", 150) + "#a", repeat("f(-g(", 70) + "#a", repeat("f(#a,", 150),
                                     repeat("note(1) + ", 150) + "+", repeat("notf(note(#a) + ", 60) + "-"}) {
        // Each fails, or ends at the nesting limit where a reading nests two levels an operand.
        auto o = runOn(outcome, input);
        EXPECT_TRUE(o.ok ? !o.value : o.error.find(msg::expressionTooDeep) != std::string::npos) << input;
    }
    // The same operands where they do read: each one nests twice, through its prefix and
    // through its argument.
    auto nested = runOn(pExpr, repeat("notf(", 99) + "#a" + repeat(")", 99));
    ASSERT_TRUE(nested.ok) << nested.error;
    EXPECT_EQ(U8(nested.value).substr(0, 12), "notf(notf(no");
}

// The expression grammar as it stands, with every tail of a chain nested and nothing
// remembered: the reference that the loop and the remembered failures must agree with.
namespace reference {
Reply<Text> expr(State& s);
Reply<std::vector<Text>> args(State& s) {
    auto nonEmpty = [](State& st) -> Reply<std::vector<Text>> {
        Seq q(st);
        Text first = q(expr);
        if (!q) return q.failure();
        auto rest = q(many(seqRight(lexeme(char_(U',')), expr)));
        if (!q) return q.failure();
        rest.insert(rest.begin(), std::move(first));
        return q.ok(std::move(rest));
    };
    return attempt(lexeme(orElse(nonEmpty, succeedWith(std::vector<Text>{}))))(s);
}
Reply<Text> term(State& s) {
    auto prefixed = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        Text op = q(pUnaryOp);
        if (!q) return q.failure();
        Text e = q(expr);
        if (!q) return q.failure();
        return q.ok(op + e);
    });
    auto parenthesised = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        q(pOpenParen);
        if (!q) return q.failure();
        Text e = q(expr);
        if (!q) return q.failure();
        q(pCloseParen);
        if (!q) return q.failure();
        return q.ok(std::move(e));
    });
    auto call = attempt(lexeme([](State& st) -> Reply<Text> {
        Seq q(st);
        Text name = q(lexeme(pFunctionName));
        if (!q) return q.failure();
        q(pOpenParen);
        if (!q) return q.failure();
        auto as = q(args);
        if (!q) return q.failure();
        q(pCloseParen);
        if (!q) return q.failure();
        return q.ok(name + "(" + showListItems(as) + ")");
    }));
    return lexeme(choice(pLiteral, prefixed, pVar, parenthesised, call, pArrayElement(args), pColumn))(s);
}
Reply<Text> expr(State& s) {
    auto tail = [](State& st) -> Reply<Text> {
        Seq q(st);
        Text op = q(pBinaryOp);
        if (!q) return q.failure();
        Text e = q(expr);
        if (!q) return q.failure();
        return q.ok(op + e);
    };
    return attempt(lexeme([tail](State& st) -> Reply<Text> {
        Seq q(st);
        Text t = q(term);
        if (!q) return q.failure();
        Text rest = q(orElse(tail, succeedWith(Text())));
        if (!q) return q.failure();
        return q.ok(t + rest);
    }))(s);
}
} // namespace reference

TEST(Expressions, LoopAndRememberedFailuresAgreeWithTheNestedGrammar) {
    const char* tokens[] = {"#a", "$b", "1", "-", "+", "*", "||", "=", "<>", "not", "Not", "note", "notf", "f", "g",
                            "(", ")", ",", "a.b", "&col", "notf(", "note(1)", "notg(#a", "'x'", "'", "and", "or", " ", " ", "\n", "-\n", "x"};
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(tokens) - 1);
    for (int i = 0; i < 30000; ++i) {
        std::string in;
        for (int n = std::uniform_int_distribution<int>(1, 14)(rng); n > 0; --n) in += tokens[pick(rng)];
        SCOPED_TRACE(in);
        auto fast = runOn(pExpr, in);
        auto slow = runOn(reference::expr, in);
        ASSERT_EQ(fast.ok, slow.ok);
        ASSERT_EQ(fast.consumed, slow.consumed);
        ASSERT_EQ(fast.error, slow.error);
        if (!fast.ok) continue;
        ASSERT_EQ(U8(fast.value), U8(slow.value));
        ASSERT_EQ(fast.rest, slow.rest);
        ASSERT_EQ(fast.pos, slow.pos);
        ASSERT_EQ(fast.sequenceNo, slow.sequenceNo);
        ASSERT_EQ(fast.user->state.continued, slow.user->state.continued);
        for (auto [sigil, name] : {std::pair{VarSymbol::Sharp, "A"}, std::pair{VarSymbol::Dollar, "B"}})
            ASSERT_EQ(globalUses(fast.user, sigil, name), globalUses(slow.user, sigil, name));
    }
}

} // namespace
} // namespace zarnet::sqr
