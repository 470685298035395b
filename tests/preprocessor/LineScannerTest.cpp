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

// The column count goes eight ASCII bytes at a time, the last few bytes as the top of the
// eight that end the text: tabs and characters beyond ASCII anywhere in or around a block, from several starting columns, must come out as
// stepping character by character does.
TEST(LineScanner, AdvanceColumnsAgreesWithCharacterSteps) {
    const std::vector<std::string> texts = {
        "",          "a",          "abcdefg",          "abcdefgh",          "abcdefghi",
        "\t",        "abcdefg\t",  "abcdefgh\tij",     "\tabcdefghijklmnop", "abc\tdef\tghijklmnopq\t",
        "\xc3\xa9",  "abcdefg\xc3\xa9xyz", "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac" "abcdefgh\t", "ab\xf0\x9f\x98\x80" "cdefghijklmn",
        "        \t        ", "abcdefghij\t", "abcdefghijk\xc3\xa9", "\xc3\xa9" "abcdefghij", "abcdefghijklm\tn",
        "\x0b\x0c\x01" "abcdefghijklmnopqrstuvwxyz",
    };
    for (const std::string& t : texts) {
        for (std::int64_t column : {1, 2, 5, 8, 9}) {
            SCOPED_TRACE(t + " from column " + std::to_string(column));
            SourcePos quick;
            quick.sourceColumn = column;
            SourcePos stepped = quick;
            advanceColumns(quick, t.data(), t.data() + t.size());
            advancePos(stepped, TextView(t));
            EXPECT_EQ(quick.sourceColumn, stepped.sourceColumn);
            EXPECT_EQ(quick.sourceLine, stepped.sourceLine);
        }
    }
}

// Spaces and tabs are taken before the full blank test; the other blanks, ASCII and beyond,
// must still be taken, and nothing else.
TEST(LineScanner, BlanksFromTakesEveryBlankAndNothingElse) {
    const std::vector<std::pair<std::string, std::size_t>> cases = {
        {"", 0},
        {"x", 0},
        {"  \t x", 4},
        {" \x0b\x0c y", 4},
        {"\xc2\xa0 z", 3},             // no-break space
        {"\t\xe3\x80\x80\t!", 5},     // ideographic space
        {" \xc3\xa9", 1},               // a letter beyond ASCII
        {"   ", 3},
        {" \n ", 1},
    };
    for (const auto& [text, length] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(std::size_t(blanksFrom(text.data(), text.data() + text.size()) - text.data()), length);
    }
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

TEST(LineScanner, LineCharsEndFindsTheFirstLineBreakCharacterAtAnyPlace) {
    for (const char stop : {'\n', '\r'}) {
        for (std::size_t at = 0; at <= 40; ++at) {
            std::string text(41, 'x');
            text[at] = stop;
            text += "\n";
            for (std::size_t from = 0; from <= at; ++from) {
                const char* b = text.data();
                EXPECT_EQ(lineCharsEnd(b + from, b + text.size()) - b, std::ptrdiff_t(at)) << at << " " << from;
                EXPECT_EQ(lineCharsEnd(b + from, b + at) - b, std::ptrdiff_t(at)) << at << " " << from;
            }
        }
    }
}

} // namespace
} // namespace zarnet::test
