#include "ProgramFixtures.h"

#include "preprocessor/PreprocessorRun.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

// Uses recorded by one statement line, as "$A=1 #B=2" in key order (reserved ones absent).
std::string usesAfter(const ParserState& st) {
    std::string out;
    if (const VarMap* m = st.scopeMap.find(Scope::global()))
        m->forEach([&](const VarIdentifier& k, const VarAttr& a) {
            out += (out.empty() ? "" : " ") + std::string(k.varSymbol == VarSymbol::Sharp ? "#" : "$") +
                   U8(k.varName) + "=" + std::to_string(a.usedCount);
        });
    return out;
}

struct LineCase {
    const char* line;
    const char* uses;
    const char* rest;
};

TEST(Statements, GenericScanRecordsEveryVariable) {
    const LineCase cases[] = {
        {"let #total = #total + #amt\nx", "#AMT=1 #TOTAL=2", "x"},
        {"move 'abc' to $x\n", "$X=1", ""},
        {"#a+#b", "#A=1 #B=1", ""},
        {"print -$x (1,1)", "", ""},
        {"END-IF\n  next", "", "next"},
        {"end-while", "", ""},
        {"END-EVALUATE", "", ""},
        {"END-PROCEDUREX $a", "$A=1", ""},
        {"show $a -\n $b\n", "$A=1 $B=1", ""},
        {"print $name (1,1) wrap 15 2 on=$ strip=#\nx", "$NAME=1", "x"},
        {"show 'it''s' $a\n", "$A=1", ""},
        {"display $a noline !\n", "$A=1", ""},
    };
    for (const auto& c : cases) {
        auto o = runOn(pAnyStatement, c.line);
        ASSERT_TRUE(o.ok) << c.line << "\n" << o.error;
        EXPECT_EQ(usesAfter(o.user->state), c.uses) << c.line;
        EXPECT_EQ(o.rest, c.rest) << c.line;
    }
}

TEST(Statements, StraySectionEndFailsWithTheSqrMessage) {
    for (const char* line : {"END-PROGRAM\n  x", "end-program\n  x", "END-\n  PROGRAM\n  x", "END-DECLARE x"}) {
        auto o = runOn(pAnyStatement, line);
        EXPECT_FALSE(o.ok) << line;
        EXPECT_FALSE(o.consumed) << line;
        EXPECT_NE(o.error.find("(SQR 4702)ff Line found outside paragraph."), std::string::npos) << line;
    }
    auto o = runOn(pAnyStatement, "  END-SETUP\n   show");
    EXPECT_EQ(o.error, "\"test.sqr\" (line 2, column 4):\n(SQR 4702)ff Line found outside paragraph.");
}

TEST(Statements, FailedStatementLeavesNothing) {
    // A literal that does not end fails the line; the use before it is not kept.
    auto start = startState("show $a 'abc");
    State seen = stateSeenByNextAlternative(pAnyStatement, start);
    EXPECT_EQ(U8(seen.rest()), "show $a 'abc");
    EXPECT_EQ(usesAfter(seen.st()), "");
    EXPECT_FALSE(runOn(pAnyStatement, "\nx").ok);
    EXPECT_FALSE(runOn(pAnyStatement, "").ok);
}

TEST(Statements, DoStatementsAndTheirFallback) {
    const LineCase cases[] = {
        {"DO main\nx", "", "x"},
        {"do Main", "", ""},
        {"DO get_data($emp_id, #count, 'X', 10)", "#COUNT=1 $EMP_ID=1", ""},
        {"DO p()", "", ""},
        {"DO p( )", "", ""},
        {"DO p($a,)", "$A=1", ""},
        // Refused by the DO rule and scanned generically: each use once.
        {"DO p(,$a)", "$A=1", ""},
        {"DO p($a,,$b)", "$A=1 $B=1", ""},
        {"DO p($a $b)", "$A=1 $B=1", ""},
        // The argument name runs up to ")" or ",".
        {"DO p($a+1)", "$A+1=1", ""},
        {"DO p($arr(1))", "$ARR(1=1", ")"},
        {"DO p(-$x)", "", ""},
        {"DO p(1.5, -2, .5)", "", ""},
        // A zero-only literal is refused after consuming: the rule fails and the generic
        // scan records $a, not "a+1".
        {"DO p($a+1, 0)", "$A=1", ""},
        {"DO p($a,\n $b)", "$A=1 $B=1", ""},
        {"DO p($a\n $b)", "$A=1 $B=1", ""},
        {"DO p($a\n, $b)", "$A=1", ", $b)"},
        {"DO p('x'\n, $b)", "$B=1", ""},
        {"DO\n  p\n  ($a)", "$A=1", ""},
        {"DO(x)", "", ""},
        {"DOX $a", "$A=1", ""},
    };
    for (const auto& c : cases) {
        auto o = runOn(pAnyStatement, c.line);
        ASSERT_TRUE(o.ok) << c.line << "\n" << o.error;
        EXPECT_EQ(usesAfter(o.user->state), c.uses) << c.line;
        EXPECT_EQ(o.rest, c.rest) << c.line;
    }
}

TEST(Statements, DoArgumentsOnALaterLineWithoutTheRule) {
    // DO p($a then ", $b)" on the next line: the rule fails and both lines are scanned.
    auto r = runProgram("BEGIN-PROGRAM\nDO p($a\n, $b)\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A"), 1);
    EXPECT_EQ(usesOf(r.st, "$B"), 1);
}

TEST(Statements, DoWithoutArgumentsLeavesTheParenthesisExpected) {
    // Where no "(" follows the name the statement ends, and an error at that place still
    // names the "(" that could have opened an argument list.
    static const auto thenFail = seqRight(pDoStatement, char_(U'x'));
    for (const char* in : {"DO main\n", "DO main", "do p \n\n"}) {
        auto o = runOn(thenFail, in);
        EXPECT_FALSE(o.ok) << in;
        EXPECT_NE(o.error.find("expecting space, \"-\", \"\\n\", \"(\" or \"x\""), std::string::npos)
            << in << "\n" << o.error;
    }
}

TEST(Statements, QuickDoArgumentsAreTheRule) {
    // A failing step after the arguments shows their pending error.
    static const auto thenFail = [](auto p) { return seqRight(p, char_(U'\x01')); };
    static const auto rule = [](State& st) { return plainGrammar(st, pDoArguments); };
    ParserState local = initialState();
    local.currentScope = Scope::local(T("PROC"));
    for (const ParserState& st : {initialState(), local}) {
        forShortAndRandomTexts(T("$#_a1'0,) \n-!"), 4, 4000, 24, T("("), [&](const Text& t) {
            const std::string in = "(" + U8(t);
            expectSameReading(pDoArguments, rule, in, st);
            expectSameReading(thenFail(pDoArguments), thenFail(rule), in, st);
        });
        for (const char* in : {"($a\t, #b  -\n , 'x''y' ,\n 12,)\n", "($a\u00e9)", "('\u00e9')", "($a!!b)",
                               "($a\v)", "(12.5)", "(1e3)", "(09)", "( -\n)", "($a - )", "('a\tb'\t)",
                               "(#x\r\n)", "(\x1A)", "($_)", "($__a, #_b)"})
            expectSameReading(thenFail(pDoArguments), thenFail(rule), in, st);
    }
}

TEST(Statements, ArgWord) {
    struct Case {
        const char* input;
        const char* word;
        const char* rest;
    };
    const Case cases[] = {{"abc)", "abc", ")"}, {"a!b", "a", "!b"}, {"!!x", "!x", ""}, {"arr(1))", "arr(1", "))"}};
    for (const auto& c : cases) {
        auto o = runOn(pArgWord, c.input);
        ASSERT_TRUE(o.ok) << c.input;
        EXPECT_EQ(U8(o.value), c.word);
        EXPECT_EQ(o.rest, c.rest);
    }
    for (const char* in : {")", ",", "!x", " a"}) {
        auto o = runOn(pArgWord, in);
        EXPECT_FALSE(o.ok) << in;
        EXPECT_FALSE(o.consumed) << in;
    }
}

} // namespace
} // namespace zarnet::test
