#include "TestSupport.h"

#include "sqr/Literals.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

const std::string kAt = "\"test.sqr\" (line 1, column ";
const std::string kNotEnded = "(SQR 3501) Did not find end of literal.";

struct LiteralCase {
    const char* input;
    const char* value;
    const char* rest;
};

TEST(QuotedText, ReadsOneLineLiteralsWithDoubledQuotes) {
    const LiteralCase cases[] = {
        {"'abc'", "'abc'", ""},
        {"''", "''", ""},
        {"'a b' x", "'a b'", " x"},
        {"'a\tb'", "'a\tb'", ""},
        {"'it''s'", "'it's'", ""},
        {"''''", "'''", ""},
        {"''''x'", "'''", "x'"},
        {"'a''' ", "'a''", " "},
        {"'a''b'", "'a'b'", ""},
        {"'$x #y !c (1),2'", "'$x #y !c (1),2'", ""},
        {"'\xC3\xA9\x1A'", "'\xC3\xA9\x1A'", ""},
    };
    for (const LiteralCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pQuotedText, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.value);
        EXPECT_EQ(o.rest, c.rest);
    }
    // A tab at column 3 moves to column 9; the closing quote there ends at column 10.
    EXPECT_EQ(runOn(pQuotedText, "'a\t'").pos.sourceColumn, 10);
}

TEST(QuotedText, EveryFailureIsClean) {
    const struct {
        const char* input;
        const char* error;
    } cases[] = {
        {"abc", "1):\nunexpected \"a\"\nexpecting \"'\""},
        {"", "1):\nunexpected end of input\nexpecting \"'\""},
        // The message names the place where the body ended.
        {"'abc\nx'", "5):\n(SQR 3501) Did not find end of literal."},
        {"'abc\r\n", "5):\n(SQR 3501) Did not find end of literal."},
        {"'a''\n", "5):\n(SQR 3501) Did not find end of literal."},
        {"'abc", "5):\n(SQR 3501) Did not find end of literal."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pQuotedText, c.input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
        EXPECT_EQ(o.error, kAt + c.error);
        State seen = stateSeenByNextAlternative(pQuotedText, startState(c.input));
        EXPECT_EQ(U8(seen.rest()), c.input);
        EXPECT_EQ(seen.pos.sourceColumn, 1);
    }
    auto item = runOn(pQuotedTextChar, "'x");
    EXPECT_FALSE(item.ok);
    EXPECT_FALSE(item.consumed);
}

TEST(TextLiteral, SkipsTheBlanksAfterTheLiteral) {
    auto two = runOn(pTextLiteral, "'a' 'b'");
    EXPECT_EQ(U8(two.value), "'a'");
    EXPECT_EQ(two.rest, "'b'");
    auto continued = runOn(pTextLiteral, "'x'  -\n y");
    EXPECT_EQ(continued.rest, "y");
    EXPECT_TRUE(continued.user->state.continued);
    EXPECT_EQ(continued.sequenceNo, 2);
    auto none = runOn(pTextLiteral, " 'x'");
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(none.consumed);
}

TEST(String, RunsOverLineEndsAsBlanks) {
    const LiteralCase cases[] = {
        {"'' x", "''", " x"},
        {"''''", "'''", ""},
        {"'a''b' c", "'a'b'", " c"},
        {"'a\tb'", "'a\tb'", ""},
        {"'ab\ncd' x", "'ab cd'", " x"},
        {"'\n\n'", "'  '", ""},
        {"'$x #y'", "'$x #y'", ""},
    };
    for (const LiteralCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pString, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.value);
        EXPECT_EQ(o.rest, c.rest);
    }
    auto lines = runOn(pString, "'ab\ncd\n' x");
    EXPECT_EQ(lines.sequenceNo, 3);
    EXPECT_EQ(lines.pos.sourceLine, 3);
    EXPECT_EQ(lines.pos.sourceColumn, 2);

    // Each line end passes through the line end of the second pass, file switches included.
    ParserState p = initialState();
    p.sourceNameStack = p.sourceNameStack.push(SourceSwitch{2, T("inc.sqc"), 5});
    auto switched = runOn(pString, "'a\nb'", p);
    EXPECT_EQ(U8(switched.pos.sourceName.text()), "inc.sqc");
    EXPECT_EQ(switched.pos.sourceLine, 5);
    EXPECT_EQ(switched.pos.sourceColumn, 3);
}

TEST(String, UnterminatedLiterals) {
    const struct {
        const char* input;
        bool consumed;
        const char* error;
    } cases[] = {
        {"x'", false, "1):\nunexpected \"x\"\nexpecting \"'\""},
        // Nothing after the opening quote: the SQR message, where the body would begin.
        {"'\rx'", true, "2):\n(SQR 3501) Did not find end of literal."},
        {"'", true, "2):\n(SQR 3501) Did not find end of literal."},
        // After at least one item: the library's error where the body ended.
        {"'''", true, "4):\nunexpected end of input\nexpecting \"'\" or \"\\n\""},
        {"'abc", true, "5):\nunexpected end of input\nexpecting \"'\" or \"\\n\""},
        {"'ab\rx'", true, "4):\nunexpected \"\\r\"\nexpecting \"'\" or \"\\n\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pString, c.input);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.consumed, c.consumed);
        EXPECT_EQ(o.error, kAt + c.error);
    }
}

TEST(String, ItemsAndQuoting) {
    EXPECT_EQ(runOn(pStringChar, "\nx").value, U' ');
    EXPECT_EQ(runOn(pStringChar, "''x").value, U'\'');
    EXPECT_EQ(runOn(pStringChar, "''x").rest, "x");
    auto quote = runOn(pStringChar, "'x");
    EXPECT_FALSE(quote.ok);
    EXPECT_FALSE(quote.consumed);
    EXPECT_EQ(U8(sqr::quoteText("it's")), "'it's'");
    EXPECT_EQ(U8(sqr::quoteText("")), "''");
    EXPECT_STREQ(literalNotEndedError, kNotEnded.c_str());
    EXPECT_EQ(literalStopChars, TextView("'\n\r"));
}

} // namespace
} // namespace zarnet::test
