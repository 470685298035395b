#include "TestSupport.h"

#include "preprocessor/PreprocessorRun.h"
#include "sqr/Lexical.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

const std::string kAt = "\"test.sqr\" (line 1, column ";

// The token "x" and the blanks after it.
Reply<char32_t> tokenX(State& s) {
    static const auto p = lexeme(char_(U'x'));
    return p(s);
}

struct BlankCase {
    const char* input;
    const char* rest;
    std::int64_t line;     // position afterwards
    std::int64_t column;
    std::int64_t sequenceNo;
    bool continued;
};

TEST(Lexeme, SkipsBlanksContinuationsAndLineEndsAfterTheToken) {
    const BlankCase cases[] = {
        {"x y", "y", 1, 3, 1, false},
        {"x-\ny", "y", 2, 1, 2, true},
        {"x \t-\n  -\n\ty", "y", 3, 9, 3, true},
        {"x\n\n  \n  y", "y", 4, 3, 4, false},
        {"x\f\v\xC2\xA0\xE3\x80\x80y", "y", 1, 6, 1, false},
        // Not blanks: a hyphen before anything but a line feed, a carriage return.
        {"x- y", "- y", 1, 2, 1, false},
        {"x-", "-", 1, 2, 1, false},
        {"x --\ny", "--\ny", 1, 3, 1, false},
        {"x\r\ny", "\r\ny", 1, 2, 1, false},
        {"x \xC2\x85y", "\xC2\x85y", 1, 3, 1, false},
        {"x", "", 1, 2, 1, false},
    };
    for (const BlankCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(tokenX, c.input);
        ASSERT_TRUE(o.ok);
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(o.rest, c.rest);
        EXPECT_EQ(o.pos.sourceLine, c.line);
        EXPECT_EQ(o.pos.sourceColumn, c.column);
        EXPECT_EQ(o.sequenceNo, c.sequenceNo);
        EXPECT_EQ(o.user->state.continued, c.continued);
    }
}

TEST(Lexeme, FailsAsTheTokenDoesAndSkipsNothingBefore) {
    auto o = runOn(tokenX, " x");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.error, kAt + "1):\nunexpected \" \"\nexpecting \"x\"");
}

// The token, then a parser that fails where the blanks ended.
std::string errorAfterToken(const char* input) {
    auto p = seqRight(tokenX, char_(U'q'));
    return runOn(p, input).error;
}

TEST(Lexeme, FailureAfterTheBlanksListsWhatTheBlanksExpected) {
    EXPECT_EQ(errorAfterToken("xy"), kAt + "2):\nunexpected \"y\"\nexpecting space, \"-\", \"\\n\" or \"q\"");
    // The hyphen alternative got one character further, so its error is the one kept.
    EXPECT_EQ(errorAfterToken("x-y"), kAt + "3):\nunexpected \"y\"\nexpecting \"\\n\"");
}

TEST(Lexeme, LineEndsFollowRecordedFileSwitches) {
    ParserState p = initialState();
    p.sourceNameStack = p.sourceNameStack.push(SourceSwitch{3, T("inc.sqc"), 7});
    auto o = runOn(tokenX, "x-\n\ny", p);
    EXPECT_EQ(o.rest, "y");
    EXPECT_EQ(o.sequenceNo, 3);
    EXPECT_EQ(U8(o.pos.sourceName.text()), "inc.sqc");
    EXPECT_EQ(o.pos.sourceLine, 7);
    EXPECT_TRUE(o.user->state.sourceNameStack.empty());
}

TEST(TrailingHyphen, SetsContinuedOnceAndFailsClean) {
    auto o = runOn(pTrailingHyphen, "-\nx");
    ASSERT_TRUE(o.ok);
    EXPECT_TRUE(o.user->state.continued);
    EXPECT_EQ(o.sequenceNo, 2);

    ParserState already = initialState();
    already.continued = true;
    State start = startState("-\nx", already);
    State s = start;
    ASSERT_TRUE(pTrailingHyphen(s).ok);
    EXPECT_EQ(s.user.get(), start.user.get()); // the state is not rebuilt

    for (const char* input : {"-x", "-", "--\n", "\n"}) {
        SCOPED_TRACE(input);
        auto f = runOn(pTrailingHyphen, input);
        EXPECT_FALSE(f.ok);
        EXPECT_FALSE(f.consumed);
        State seen = stateSeenByNextAlternative(pTrailingHyphen, startState(input));
        EXPECT_EQ(U8(seen.rest()), input);
        EXPECT_EQ(seen.sequenceNo, 1);
        EXPECT_FALSE(seen.st().continued);
    }
}

TEST(Space, OneBlankItemOrAFailureThatNamesAllThree) {
    EXPECT_EQ(runOn(space, "\n\n").rest, "\n");
    EXPECT_EQ(runOn(space, "  ").rest, " ");
    EXPECT_EQ(runOn(space, "-\n-\n").rest, "-\n");
    auto f = runOn(space, "x");
    EXPECT_FALSE(f.ok);
    EXPECT_FALSE(f.consumed);
    EXPECT_EQ(f.error, kAt + "1):\nunexpected \"x\"\nexpecting space, \"-\" or \"\\n\"");
    auto many = runOn(spaces, " \n -\nx");
    EXPECT_EQ(many.rest, "x");
    EXPECT_TRUE(runOn(spaces, "x").ok);
}

TEST(Blank, ContinuationsButNoBareLineEnd) {
    auto o = runOn(pSkipBlanks, "  -\n  x");
    EXPECT_EQ(o.rest, "x");
    EXPECT_TRUE(o.user->state.continued);
    EXPECT_EQ(o.sequenceNo, 2);
    EXPECT_EQ(runOn(pSkipBlanks, "  \nx").rest, "\nx");
    EXPECT_EQ(runOn(pSkipBlanks, " -x").rest, "-x");
    EXPECT_TRUE(runOn(pSkipBlanks, "").ok);

    auto f = runOn(pBlank, "\nx");
    EXPECT_FALSE(f.ok);
    EXPECT_FALSE(f.consumed);
    EXPECT_EQ(f.error, kAt + "1):\nunexpected \"\\n\"\nexpecting space or \"-\"");
}

// Blank runs are read directly where fast paths are on: outcome, error, place, line count
// and continuation flag are the plain rule's, wherever the run ends.
TEST(Blank, RunsReadDirectlyAsThePlainRuleReadsThem) {
    const char* inputs[] = {"", "x", "  x", " \t\n\n  y", " -\n -\nz", "-", "-x", " - \n", "\r\n", " \v\f\r",
                            "\u00a0\u3000x", "  \u00e9", "\n", " \x1A", "  -\n"};
    for (const char* in : inputs) {
        expectSameAsGrammar(spaces, [](State& st) { return plainGrammar(st, spaces); }, in, initialState());
        expectSameAsGrammar(pSkipBlanks, [](State& st) { return plainGrammar(st, pSkipBlanks); }, in, initialState());
    }
}

TEST(Punctuation, ParenthesesBracketsColonAndOperator) {
    auto paren = runOn(pOpenParen, "( \n x");
    EXPECT_EQ(paren.value, U'(');
    EXPECT_EQ(paren.rest, "x");
    EXPECT_EQ(runOn(pCloseParen, ")  y").rest, "y");
    EXPECT_FALSE(runOn(pOpenParen, " (").consumed);

    auto inParens = runOn(parens(anyWord), "( ab ) c");
    ASSERT_TRUE(inParens.ok);
    EXPECT_EQ(U8(inParens.value), "ab");
    EXPECT_EQ(inParens.rest, "c");
    auto unclosed = runOn(parens(anyWord), "(ab x");
    EXPECT_FALSE(unclosed.ok);
    EXPECT_TRUE(unclosed.consumed);
    EXPECT_EQ(unclosed.error, kAt + "5):\nunexpected \"x\"\nexpecting space, \"-\", \"\\n\" or \")\"");

    auto inBrackets = runOn(brackets(anyWord), "[ ab ]\nc");
    EXPECT_EQ(U8(inBrackets.value), "ab");
    EXPECT_EQ(inBrackets.rest, "c");
    EXPECT_FALSE(runOn(brackets(anyWord), "(ab)").consumed);

    auto colon = runOn(pColon, ": x");
    EXPECT_EQ(colon.value, U':');
    EXPECT_EQ(colon.rest, " x");
    EXPECT_EQ(runOn(pEquals, "=1").rest, "1");
    EXPECT_EQ(runOn(pDot, ".1").rest, "1");
    EXPECT_EQ(runOn(pUnderscore, "_1").rest, "1");

    auto op = runOn(pOperator("and"), "AnD  x");
    EXPECT_EQ(U8(op.value), "AnD");
    EXPECT_EQ(op.rest, "x");
    auto partial = runOn(pOperator("and"), "an x");
    EXPECT_FALSE(partial.ok);
    EXPECT_FALSE(partial.consumed);
}

TEST(Punctuation, CommaIsACommaOrALineEndAndSkipsNothing) {
    auto comma = runOn(pComma, ", x");
    ASSERT_TRUE(comma.ok);
    EXPECT_EQ(comma.rest, " x");
    auto lineEnd = runOn(pComma, "\n,x");
    ASSERT_TRUE(lineEnd.ok);
    EXPECT_EQ(lineEnd.rest, ",x");
    EXPECT_EQ(lineEnd.sequenceNo, 2);
    auto blank = runOn(pComma, " ,");
    EXPECT_FALSE(blank.ok);
    EXPECT_FALSE(blank.consumed);
    EXPECT_EQ(blank.error, kAt + "1):\nunexpected \" \"\nexpecting \",\" or \"\\n\"");
}

struct LookCase {
    const char* input;
    bool followedBySpace;
    std::optional<char32_t> endSymbol; // nothing: pEndSymbol fails
};

TEST(WordEnd, LookAheadsConsumeNothing) {
    const LookCase cases[] = {
        {"\rx", true, U'\r'},   {"\nx", true, U'\n'},       {"\tx", true, U'\t'},
        {"\xC2\xA0x", true, U'\xA0'}, {"\xE3\x80\x80", true, U'\x3000'}, {"", true, U' '},
        {"=x", false, U'='},    {"(x", false, U'('},        {"!", false, U'!'},
        {"-x", false, {}},      {"[x", false, {}},          {"]", false, {}},
        {"'", false, {}},       {"#", false, {}},           {"$", false, {}},
        {"&", false, {}},       {";", false, {}},           {"a", false, {}},
        {"\xE2\x80\x8B", false, {}}, {"\xC2\x85", false, {}}, {"\xEF\xBB\xBF", false, {}},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.input);
        // The direct reading where white space follows keeps the look-ahead's outcome.
        expectSameAsGrammar(follewedBySpace,
                            peek(choice(seqRight(satisfying(isWhiteSpace), succeedWith(Unit{})), eof)), c.input,
                            initialState());
        auto f = runOn(follewedBySpace, c.input);
        EXPECT_EQ(f.ok, c.followedBySpace);
        EXPECT_FALSE(f.consumed);
        EXPECT_EQ(f.rest, c.input);
        EXPECT_EQ(f.pos.sourceColumn, 1);
        auto e = runOn(pEndSymbol, c.input);
        EXPECT_EQ(e.ok, c.endSymbol.has_value());
        EXPECT_FALSE(e.consumed);
        EXPECT_EQ(e.rest, c.input);
        if (c.endSymbol) {
            EXPECT_EQ(e.value, *c.endSymbol);
        }
    }
}

TEST(WordEnd, FailureNamesTheCharacterAndExpectsTheEnd) {
    EXPECT_EQ(runOn(follewedBySpace, "(").error, kAt + "1):\nunexpected '('\nexpecting end of input");
    EXPECT_EQ(runOn(follewedBySpace, "\x1A").error, kAt + "1):\nunexpected '\\SUB'\nexpecting end of input");
    EXPECT_EQ(runOn(pEndSymbol, "-").error, kAt + "1):\nunexpected '-'\nexpecting end of input");
    // At the end of the input the success expects the end, which a failure that follows
    // at the same place lists.
    auto afterEnd = runOn(seqRight(follewedBySpace, char_(U'q')), "");
    EXPECT_EQ(afterEnd.error, kAt + "1):\nunexpected end of input\nexpecting end of input or \"q\"");
    auto afterEndSymbol = runOn(seqRight(pEndSymbol, char_(U'q')), "");
    EXPECT_EQ(afterEndSymbol.error, kAt + "1):\nunexpected end of input\nexpecting end of input or \"q\"");
}

struct WordCase {
    const char* input;
    const char* word; // nullptr: fails without consuming
    const char* rest;
};

TEST(BareWord, EndsBeforeBlanksQuotesAndOperatorCharacters) {
    const WordCase cases[] = {
        {"END-IF x", "END-IF", " x"},
        {"a#b$c,d", "a#b$c", ",d"},
        {"ab'c'", "ab", "'c'"},
        {"ab(1)", "ab", "(1)"},
        {"ab\ncd", "ab", "\ncd"},
        {"ab\rcd", "ab", "\rcd"},
        {"ab\tcd", "ab", "\tcd"},
        {"ab]", "ab", "]"},
        {"ab=1", "ab", "=1"},
        {"a.b:c;d&e{f}\"g\x1A\f\v\xC2\xA0h x", "a.b:c;d&e{f}\"g\x1A\f\v\xC2\xA0h", " x"},
        {"-5", "-5", ""},
        {"a\xC4\xA8\xC4\xBD(", "a\xC4\xA8\xC4\xBD", "("}, // U+0128 and U+013D end no word
        {"#x", nullptr, "#x"},
        {"$x", nullptr, "$x"},
        {"'a'", nullptr, "'a'"},
        {"(a", nullptr, "(a"},
        {" a", nullptr, " a"},
        {"", nullptr, ""},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(anyWord, c.input);
        EXPECT_EQ(o.ok, c.word != nullptr);
        EXPECT_EQ(o.consumed, c.word != nullptr);
        EXPECT_EQ(o.rest, c.rest);
        if (c.word) {
            EXPECT_EQ(U8(o.value), c.word);
        }
    }
    EXPECT_EQ(runOn(anyWord, "ab,").error, kAt + "3):\nunexpected \",\"");
    EXPECT_EQ(runOn(pAnyWordChar, "#").rest, "");
    EXPECT_FALSE(runOn(pAnyWordChar, "+").ok);
}

TEST(BareWord, NonBlankCharacter) {
    for (const char* ok : {"\f", "\xC2\xA0", "\v", "x", "'"}) {
        SCOPED_TRACE(ok);
        EXPECT_TRUE(runOn(pNonBlankChar, ok).ok);
    }
    for (const char* bad : {" ", "\t", "\n", "\r", ""}) {
        SCOPED_TRACE(bad);
        auto o = runOn(pNonBlankChar, bad);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
    }
    EXPECT_EQ(runOn(pNonBlankChar, " ").error, kAt + "1):\nunexpected \" \"");
}

TEST(Vocabulary, MessagesCommandNamesAndTrim) {
    EXPECT_STREQ(varTypeNotSpecifiedError, "(SQR 7206) The Variable type has not been specified.");
    EXPECT_STREQ(onlyInLocalProcedureError, "(SQR 7207) This command is only allowed within local procedures.");
    EXPECT_EQ(U8(varSigilChars), "#$");
    EXPECT_EQ(opChars.size(), 15u);
    EXPECT_EQ(anyWord_excepts.size(), 20u);
    EXPECT_TRUE(inCharSet(opChars, U'('));
    EXPECT_FALSE(inCharSet(opChars, U'\x128'));

    const auto& commands = commandList();
    ASSERT_FALSE(commands.empty());
    auto first = runOn(commands.front(), "add #x");
    EXPECT_EQ(U8(first.value), "add");
    auto last = runOn(commands.back(), "Write x");
    EXPECT_EQ(U8(last.value), "Write");

    EXPECT_EQ(U8(trim(T(" \t\xE3\x80\x80 a b\r\n"))), "a b");
    EXPECT_EQ(U8(trim(T("\xE2\x80\x8B" "a"))), "\xE2\x80\x8B" "a");
    EXPECT_EQ(U8(trim(T("  "))), "");
}

} // namespace
} // namespace zarnet::test
