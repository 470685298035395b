// Case-insensitive parsers, blanks, pFail, the warning printer and trimming.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

using test::runOn;

TEST(CharCI, MatchesEitherCaseAndReportsUpperFirst) {
    EXPECT_EQ(runOn(charCI(U'a'), "A").value, U'A');
    EXPECT_EQ(runOn(charCI(U'a'), "a").value, U'a');
    EXPECT_TRUE(runOn(charCI(U'#'), "#").ok);
    auto miss = runOn(charCI(U'a'), "b");
    EXPECT_FALSE(miss.consumed);
    EXPECT_EQ(miss.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"b\"\nexpecting \"A\" or \"a\"");
    auto g = runOn(seqRight(string_("ab\nabcdef"), charCI(U'g')), "ab\nabcdefx", initialState(), "a.sqr");
    EXPECT_EQ(g.error, "\"a.sqr\" (line 2, column 7):\nunexpected \"x\"\nexpecting \"G\" or \"g\"");
    EXPECT_EQ(runOn(charCI(U'\u00e9'), "\u00c9").value, U'\u00c9');
    // A letter without case expects itself once.
    EXPECT_EQ(runOn(charCI(U'\u05d0'), "x").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"\\1488\"");
}

TEST(StringCI, KeywordsAsWrittenAndPartialMatches) {
    auto def = runOn(stringCI("#define"), "#DeFiNe X");
    EXPECT_EQ(test::U8(def.value), "#DeFiNe");
    EXPECT_EQ(def.rest, " X");
    auto partial = runOn(stringCI("#define"), "#dx");
    EXPECT_FALSE(partial.ok);
    EXPECT_TRUE(partial.consumed);
    EXPECT_EQ(partial.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"x\"\nexpecting \"E\" or \"e\"");
    EXPECT_EQ(runOn(orElse(stringCI("#define"), string_("#dx")), "#dx").consumed, true);
    EXPECT_EQ(runOn(stringCI("#if"), "#ifdef").rest, "def");
    EXPECT_EQ(runOn(stringCI("abc"), "ab").error,
              "\"test.sqr\" (line 1, column 3):\nunexpected end of input\nexpecting \"C\" or \"c\"");
    auto none = runOn(stringCI(""), "x");
    EXPECT_TRUE(none.ok);
    EXPECT_FALSE(none.consumed);
    EXPECT_EQ(runOn(stringCI("begin"), "x").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"B\" or \"b\"");
    // Letters beyond ASCII match by their case mapping; an ASCII letter never matches a
    // character beyond ASCII (the Kelvin sign is no "k"); a tab in a keyword moves the column.
    EXPECT_EQ(test::U8(runOn(stringCI("caf\u00e9"), "CAF\u00c9!").value), "CAF\u00c9");
    EXPECT_FALSE(runOn(stringCI("k"), "\u212a").ok);
    EXPECT_EQ(runOn(stringCI("a\tb"), "A\tBc").pos.sourceColumn, 10);
}

// stringCI reads as charCI after charCI would: the result as written, the place, and where a
// character fails, its error and whether anything was consumed before it.
TEST(StringCI, ReadsAsOneCharCIAfterAnother) {
    auto byCharCI = [](TextView keyword) {
        return [keyword](State& s) -> Reply<Text> {
            Seq q(s);
            Text matched;
            for (char32_t k : chars(keyword)) {
                appendChar(matched, q(charCI(k)));
                if (!q) return q.failure();
            }
            return q.ok(std::move(matched));
        };
    };
    for (TextView keyword : {"END-", "do", "a\tB", "\u00e9-x", "[#1]", "\n;"}) {
        test::forShortAndRandomTexts("eEnNdD-oO\taAbB\u00e9\u00c9x[#1]\n;", 3, 200, 6, Text(), [&](const Text& in) {
            test::expectSameAsGrammar(stringCI(keyword), byCharCI(keyword), in, initialState());
        });
    }
}

TEST(Nbsp, TheFixedBlankSet) {
    auto tab = runOn(nbsp, "\t");
    EXPECT_TRUE(tab.ok);
    EXPECT_EQ(tab.pos.sourceColumn, 9);
    for (const char* yes : {" ", "\v", "\f", "\u00a0", "\u1680", "\u180e", "\u2000", "\u200a", "\u202f", "\u205f", "\u3000"})
        EXPECT_TRUE(runOn(nbsp, yes).ok) << yes;
    for (const char* no : {"\n", "\r", "\u2028", "\u2029", "\u0085", "\x1c", "x"}) {
        auto o = runOn(nbsp, no);
        EXPECT_FALSE(o.ok) << no;
        EXPECT_FALSE(o.consumed) << no;
    }
    EXPECT_EQ(runOn(nbsp, "").error, "\"test.sqr\" (line 1, column 1):\nunexpected end of input\nexpecting space");
    EXPECT_EQ(runOn(nbsp, "\n").error, "\"test.sqr\" (line 1, column 1):\nunexpected \"\\n\"\nexpecting space");
}

// Runs `prefix` characters, then pFail.
auto failAfter(const char* prefix) {
    return [prefix](State& s) -> Reply<Unit> {
        Seq q(s);
        q(string_(prefix));
        if (!q) return q.failure();
        q(pFail("(SQR 4708) #ELSE without preceding #IF."));
        return q.failure();
    };
}

TEST(PFail, NamesThePlaceItWasCalledWithItsMessageAlone) {
    auto lf = runOn(failAfter("\n\nabcde"), "\n\nabcde\nnext");
    EXPECT_TRUE(lf.consumed);
    EXPECT_EQ(lf.error, "\"test.sqr\" (line 3, column 6):\n(SQR 4708) #ELSE without preceding #IF.");
    auto tab = runOn(pFail("m"), "\tx");
    EXPECT_EQ(tab.error, "\"test.sqr\" (line 1, column 1):\nm");
    auto end = runOn(failAfter("abc"), "abc");
    EXPECT_TRUE(end.consumed);
    EXPECT_EQ(end.error, "\"test.sqr\" (line 1, column 4):\n(SQR 4708) #ELSE without preceding #IF.");
    // Pending expectations of the keyword parsed before are dropped.
    auto kw = runOn(seqRight(many(char_(U'a')), pFail("m")), "aab");
    EXPECT_EQ(kw.error, "\"test.sqr\" (line 1, column 3):\nm");
    EXPECT_EQ(runOn(pFail(""), "x").error, "\"test.sqr\" (line 1, column 1):");
}

TEST(PFail, EndsChoicesUnlessAttempted) {
    auto plain = runOn(orElse(pFail("m"), succeedWith(Unit{})), "x");
    EXPECT_FALSE(plain.ok);
    auto attempted = runOn(orElse(attempt(pFail("m")), succeedWith(Unit{})), "x");
    EXPECT_TRUE(attempted.ok);
    EXPECT_EQ(attempted.rest, "x");
    auto second = runOn(many(seqRight(char_(U'a'), orElse(char_(U'a'), pFail<char32_t>("m")))), "aaab");
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.error, "\"test.sqr\" (line 1, column 4):\nm");
}

TEST(PrintPosMessage, WritesTwoLinesEvenWhenTheAlternativeFails) {
    test::CapturedConsole con;
    auto warnThenFail = [](State& s) -> Reply<Unit> {
        Seq q(s);
        q([](State& st) { return printPosMessage(st, SourcePos{testSourceName("x.sqr"), 12, 3}, "hello"); });
        q(char_(U'!'));
        if (!q) return q.failure();
        return q.ok();
    };
    auto o = runOn(orElse(warnThenFail, succeedWith(Unit{})), "x");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(con.out, "\"x.sqr\" (line 12, column 3):\nhello\n");
    con.out.clear();
    writePosMessage(SourcePos{}, "");
    EXPECT_EQ(con.out, "\"\" (line 1, column 1):\n\n");
}

TEST(StripSpaces, TheFixedWhiteSpaceSet) {
    EXPECT_EQ(stripSpaces(" a \t b \n"), "a \t b");
    EXPECT_EQ(stripSpaces(" \t\r\n "), "");
    EXPECT_EQ(stripSpaces("\u00a0x\u3000"), "x");
    EXPECT_EQ(stripSpaces("\u0085x\u2028"), "\u0085x\u2028");
    EXPECT_EQ(stripSpaces("\u180ex"), "x");
}

} // namespace
} // namespace zarnet
