#include "TestSupport.h"

#include "preprocessor/LineScanner.h"
#include "preprocessor/Preprocessor.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

struct TextCase {
    const char* input;
    bool ok;
    bool consumed;
    const char* value; // on success
    const char* rest;
};

template <class P> void checkTable(P p, const std::vector<TextCase>& cases) {
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(p, c.input);
        EXPECT_EQ(o.ok, c.ok);
        EXPECT_EQ(o.consumed, c.consumed);
        if (c.ok) {
            EXPECT_EQ(U8(o.value), c.value);
        }
        if (c.ok || !c.consumed) {
            EXPECT_EQ(o.rest, c.rest);
        }
    }
}

TEST(LineScanner, Comment) {
    checkTable(pComment, {
        {"! note\n", true, true, " note", "\n"},
        {"!", true, true, "", ""},
        {"!\r\nx", true, true, "", "\r\nx"},
        {"!x\ry", true, true, "x", "\ry"},
        {"x", false, false, "", "x"},
        {"!=", false, true, "", ""},
        {"!!", false, true, "", ""},
    });
    // Under attempt a "!=" is left for the caller's next alternative.
    auto o = runOn(attempt(pComment), "!=1");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 3):\nunexpected '='");
}

TEST(LineScanner, LineTail) {
    checkTable(pLineTail, {
        {"   ! note\r\n", true, true, "", "\r\n"},
        {"", true, false, "", ""},
        {"\nx", true, false, "", "\nx"},
        {"\t\t", true, true, "", ""},
        {"  x", false, true, "", ""},
        {" !=", false, true, "", ""},
        {"x", false, false, "", "x"},
    });
    auto o = runOn(attempt(pLineTail), "  x");
    EXPECT_FALSE(o.consumed);
}

TEST(LineScanner, WordText) {
    checkTable(pWordText, {
        {"abc}", true, true, "abc", ""},
        {"a!=b}", true, true, "a!=b", ""},
        {"a!!b}", true, true, "a!b", ""},
        {"a!!!=b}", true, true, "a!!=b", ""},
        {"a{b}x", true, true, "a{b", "x"},
        {"sqr-database}", true, true, "sqr-database", ""},
        {"a\fb}", true, true, "a\fb", ""},
        {"}", false, false, "", "}"},
        {"a b}", false, true, "", ""},
        {"a!b}", false, true, "", ""},
        {"abc", false, true, "", ""},
    });
}

TEST(LineScanner, QuotedArgument) {
    auto quoted = seqLeft(pQuotedChars, pQuote);
    checkTable(quoted, {
        {"'abc' x", true, true, "abc", " x"},
        {"''", true, true, "", ""},
        {"'it''s'", true, true, "it's", ""},
        {"'say \"hi\"'", true, true, "say \"hi\"", ""},
        {"'a''", false, true, "", ""},
        {"abc'", false, false, "", "abc'"},
    });
    auto o = runOn(quoted, "'abc\n'");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 5):\nunexpected \"\\n\"\nexpecting \"'\"");
}

TEST(LineScanner, JoinTextConsumption) {
    // p read two characters, then q fails without consuming: the join has consumed.
    auto afterTwo = runOn(joinText(string_("ab"), string_("z")), "abc");
    EXPECT_FALSE(afterTwo.ok);
    EXPECT_TRUE(afterTwo.consumed);

    auto afterNothing = runOn(joinText(succeedWith(Text()), string_("z")), "abc");
    EXPECT_FALSE(afterNothing.ok);
    EXPECT_FALSE(afterNothing.consumed);

    auto both = runOn(joinText(string_("ab"), string_("c")), "abcd");
    EXPECT_EQ(U8(both.value), "abc");
}

TEST(LineScanner, ZarnetReturnsAllRemainingText) {
    auto empty = runOn(pZarnet, "");
    EXPECT_TRUE(empty.ok);
    EXPECT_FALSE(empty.consumed);
    EXPECT_EQ(U8(empty.value), "");

    auto all = runOn(pZarnet, "ab\n\tc");
    EXPECT_TRUE(all.consumed);
    EXPECT_EQ(U8(all.value), "ab\n\tc");
    EXPECT_EQ(all.pos.sourceLine, 2);
    EXPECT_EQ(all.pos.sourceColumn, 10);
}

} // namespace
} // namespace zarnet::test
