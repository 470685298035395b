#include "ProgramFixtures.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

TEST(ControlStatements, OnlyCommandLine) {
    auto atEnd = runOn(pOnlyCommandLine("end-if"), "END-IF");
    EXPECT_TRUE(atEnd.ok) << atEnd.error;
    auto blanks = runOn(pOnlyCommandLine("end-if"), "End-If  \n\n  x");
    EXPECT_TRUE(blanks.ok);
    EXPECT_EQ(blanks.rest, "x");
    EXPECT_EQ(blanks.sequenceNo, 3);
    auto more = runOn(pOnlyCommandLine("end-if"), "end-if x\n");
    EXPECT_FALSE(more.ok);
    // The keyword alone does not backtrack.
    auto partial = runOn(pOnlyCommandLine("end-if"), "end-while\n");
    EXPECT_FALSE(partial.ok);
    EXPECT_TRUE(partial.consumed);
}

TEST(ControlStatements, LetStatementText) {
    auto o = runOn(pLetStatement, "LET #x = #y + 1\nnext");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value).rfind("LET [#x] :=", 0), 0u) << U8(o.value);
    EXPECT_EQ(o.rest, "next");
    const ParserState& st = o.user->state;
    EXPECT_EQ(usesOf(st, "#X"), 1);
    EXPECT_EQ(usesOf(st, "#Y"), 1);
    EXPECT_TRUE(runOn(pLetStatement, "Let $a = 'x'").ok);
}

TEST(ControlStatements, LetTextJoinsTargetAndExpressionWithNoBlankAfterTheAssignment) {
    struct Case {
        const char* input;
        const char* text;
    };
    const Case cases[] = {
        {"LET #x = #y + 1", "LET [#x] :=#y <+> 1.0"},
        {"Let $s=$t||'x'", "LET [$s] :=$t <||> 'x'"},
        // An array element as the target, read as the expression grammar reads one.
        {"let a.b(1, #i) = 'v'", "LET [a.b(1.0, #i)] :='v'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pLetStatement, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.text);
    }
    // The array and field names of a target record nothing; its index expressions do.
    const auto target = runOn(pLetStatement, "let a.b(#i) = 1");
    const ParserState& st = target.user->state;
    EXPECT_EQ(usesOf(st, "#I"), 1);
    EXPECT_EQ(varCount(st), 1u);
}

TEST(ControlStatements, ANestedIfOrWhileIsABodyLineThatTheFirstClosingLineEnds) {
    struct Case {
        Reply<Text> (*rule)(State&);
        const char* input;
    };
    for (const Case& c : {Case{pIfStatement, "if #a\n  if #b\n  end-if\n  show $c\nend-if\n"},
                          Case{pWhileStatement, "while #a\n  while #b\n  end-while\n  show $c\nend-while\n"}}) {
        SCOPED_TRACE(c.input);
        auto o = runOn(c.rule, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.rest.substr(0, 8), "show $c\n");
        EXPECT_EQ(usesOf(o.user->state, "#B"), 1);
        EXPECT_EQ(usesOf(o.user->state, "$C"), -1); // not read yet
    }
    // Without its closing line the body runs into the section's end, which fails there.
    auto open = runOn(pWhileStatement, "while #a\n  show $b\nend-procedure\n");
    EXPECT_FALSE(open.ok);
    EXPECT_NE(open.error.find("(SQR 4702)"), std::string::npos) << open.error;
}

TEST(ControlStatements, IfWithBodyAndElse) {
    auto o = runOn(pIfStatement, "if #a > 1\n  show $b\n  end-if x\nelse\n  evaluate $c\nend-if\nnext");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.rest, "next");
    const ParserState& st = o.user->state;
    EXPECT_EQ(usesOf(st, "#A"), 1);
    EXPECT_EQ(usesOf(st, "$B"), 1);
    EXPECT_EQ(usesOf(st, "$C"), 1);
    EXPECT_TRUE(runOn(pIfStatement, "IF #a\nEND-IF").ok);
    EXPECT_TRUE(runOn(pIfStatement, "IF #a\nELSE\nEND-IF").ok);
    EXPECT_FALSE(runOn(pIfStatement, "IF #a\n show $b\n").ok);
}

TEST(ControlStatements, WhileBodyLinesMayBeginWithE) {
    // Lines beginning like END-WHILE (END-IF, ELSE, EVALUATE) are body lines.
    auto o = runOn(pWhileStatement, "while #i < 10\n  evaluate $a\n  end-if\n  else\nend-while\nnext");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.rest, "next");
    EXPECT_EQ(usesOf(o.user->state, "$A"), 1);
    EXPECT_TRUE(runOn(pWhileStatement, "WHILE 1\nEND-WHILE").ok);
    EXPECT_FALSE(runOn(pWhileStatement, "WHILE 1\n  show $a\n").ok);
}

TEST(ControlStatements, LongBodiesDoNotRecurse) {
    std::string text = "while #i\n";
    for (int i = 0; i < 100000; ++i) text += "  show $a\n";
    text += "end-while\n";
    auto o = runOn(pWhileStatement, text);
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(usesOf(o.user->state, "$A"), 100000);
}

} // namespace
} // namespace zarnet::test
