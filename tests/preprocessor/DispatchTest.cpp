#include "TestSupport.h"

#include "preprocessor/Dispatch.h"
#include "preprocessor/LineStep.h"
#include "preprocessor/Preprocessor.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

auto preprocess(std::string_view input) {
    return runOn([](State& s) { return pSqr(s, pZarnet); }, input);
}

// Lines before the one under test, so that it stands at line n.
std::string at(int n, std::string_view line) {
    std::string text;
    for (int i = 1; i < n; ++i) text += "x\n";
    return text + std::string(line);
}

struct ErrorCase {
    std::string input;
    const char* expected;
};

TEST(Dispatch, MisplacedLinesEndTheRunWhereTheyWereFound) {
    const char* ask = "(SQR 4702) Line found outside paragraph.2";
    const char* endSetup = "(SQR 4702) Line found outside paragraph.1";
    const char* elseMsg = "(SQR 4708) #ELSE without preceding #IF.";
    const char* endIf = "(SQR 4709) #ENDIF without preceding #IF.";
    auto err = [](int line, int column, const char* message) {
        return "\"test.sqr\" (line " + std::to_string(line) + ", column " + std::to_string(column) + "):\n" + message;
    };
    const std::pair<std::string, std::string> cases[] = {
        // Right after the keyword, whatever separator follows it.
        {at(3, "ask name\n"), err(3, 4, ask)},
        {at(3, "   ASK name\n"), err(3, 7, ask)},
        {at(3, "ask\n"), err(3, 4, ask)},
        {at(3, "ask\tx\n"), err(3, 4, ask)},
        {at(3, "Ask! prompt\n"), err(3, 4, ask)},
        {at(3, "ask"), err(3, 4, ask)},
        // At the start of the line after the END-SETUP line.
        {at(10, "end-setup\nbegin-program\n"), err(11, 1, endSetup)},
        {at(10, "end-setup\n\n"), err(11, 1, endSetup)},
        {at(10, "end-setup\n\tx\n"), err(11, 1, endSetup)},
        {at(10, "  End-Setup trailing words\nx\n"), err(11, 1, endSetup)},
        {at(10, "end-setupx\nx\n"), err(11, 1, endSetup)},
        {at(10, "end-setup\n"), err(11, 1, endSetup)},
        {at(10, "end-setup"), err(10, 10, endSetup)},
        // Right after the #else / #end-if keyword.
        {at(12, "#else\n"), err(12, 6, elseMsg)},
        {at(12, "#ELSE extra words\n"), err(12, 6, elseMsg)},
        {at(12, "#else"), err(12, 6, elseMsg)},
        {at(4, "  #endif \n"), err(4, 9, endIf)},
        {at(4, "#END-IF\n"), err(4, 8, endIf)},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        auto o = preprocess(input);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.error, expected);
    }
}

TEST(Dispatch, LinesThatOnlyLookLikeDirectivesAreOrdinary) {
    for (const char* line : {"asking", "ask!=1", "ask-x", "end-setu", "#ifdefX", "#ifX", "#includeX", "#include'a.sqc'",
                             "#defineX 1", "#elsewhere", "#end-iffy", "#end if", "begin-select", "begin-setupx",
                             "let #a = #b - #c", "let #a = #b -", "x != 'a!!b'", "{abc", "{a b}", "   !=x",
                             "   !!x", "abc   "}) {
        SCOPED_TRACE(line);
        auto o = preprocess(std::string(line) + "\n");
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), std::string(line) + "\n");
    }
}

TEST(Dispatch, OrdinaryLineText) {
    const std::pair<const char*, const char*> cases[] = {
        {"let #a = #b-\n", "let #a = #b -\n"},
        {"  let #a = #b   -   ! more\n", "  let #a = #b   -\n"},
        {"abc   ! note\n", "abc   \n"},
        {"abc! note\n", "abc\n"},
        {"show 'Hello!' ! greet\n", "show 'Hello\n"},
        {"   ! note\n", "   \n"},
        {"   ! note", "   \n"},
        {"#define X 1 + 2\nprint {x}\n", "\nprint 1 + 2\n"},
        {"   #define X 1\n", "   \n"},
        {"#define\nx\n", "\nx\n"},
        {"#define X 1\n   #ifdef X\nyes\n#else\nno\n#end-if\n", "\n   \nyes\n\n\n\n"},
        {"#IfDef sqr-dbcs\nyes\n#endif\n", "\nyes\n\n"},
    };
    for (const auto& [input, output] : cases) {
        SCOPED_TRACE(input);
        auto o = preprocess(input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), output);
    }
}

TEST(Dispatch, ReferenceWithoutValueIsWarnedAboutOnce) {
    CapturedConsole console;
    auto o = preprocess("print {x}\nprint {x}\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "print {x}\nprint {x}\n");
    EXPECT_EQ(console.out, "\"test.sqr\" (line 1, column 7):\n(SQR 4707) No value found for substitution variable: {x}\n");
}

TEST(Dispatch, FailureAfterAMatchedKeywordEndsTheRun) {
    CapturedConsole console;
    auto o = preprocess("#include x\nmore\n");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error.substr(0, o.error.find(':')), "\"test.sqr\" (line 1, column 10)");
}

// Every line goes through the shortcuts and through the full grammar; both must agree
// on everything a caller can see.
TEST(Dispatch, ShortcutsAgreeWithTheFullGrammar) {
    const char* lines[] = {
        "", "\n", "  \n", " \t\r\n", "   ", "!x\n", "!", "!=\n", "!x\ry", "\r", "\rx\n", "  \rx", "-\n", "   -\n",
        "abc\n", "abc", "abc\rdef\n", "  abc ! c\r\n", "ask x\n", "ask", "asking\n", "Ask!\n", "end-setup\nx\n",
        "END-SETUPx", "end-setu\n", "begin-select\n", "begin-setupx\n", "#else\n", "#elsewhere\n", "#endif\n",
        "#end-iffy\n", "#define X 1\n", "#defineX\n", "#ifdef X\nx\n#endif\n", "#ifdefX\n", "#if 1 = 1\nx\n#end-if\n",
        "#ifX\n", "#include x\n", "#includeX\n", "{a}\n", "{a b}\n", "x != y\n", "#\n", "b\n", "e\n", "a\n", "!!\n",
        "  #else\n", "\t#endif", "#if", "#", "-", "  ! note\n", "  !\n", "  !\r\n", "  !x\ry\n", "  !", "  !=x\n",
        "  !!\n", "  ! a\r",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(testing::Message() << '"' << line << '"');
        CapturedConsole fastConsole;
        auto fast = runOn(pLine, line);
        std::string fastOut = fastConsole.out;
        CapturedConsole fullConsole;
        auto full = runOn(pLineInFull, line);
        EXPECT_EQ(fast.ok, full.ok);
        EXPECT_EQ(fast.consumed, full.consumed);
        EXPECT_EQ(U8(fast.value), U8(full.value));
        EXPECT_EQ(fast.error, full.error);
        EXPECT_EQ(fastOut, fullConsole.out);
        if (fast.ok) {
            EXPECT_EQ(fast.rest, full.rest);
            EXPECT_EQ(fast.pos, full.pos);
            EXPECT_EQ(fast.sequenceNo, full.sequenceNo);
        }
    }
}

// The dispatcher's shortcuts (alternatives skipped when their keyword is not there, the
// keyword and its separator taken at once, the ordinary line straight to its text form) and
// the direct paths of the lines, against the series tried in full, on lines built from the
// pieces that tell the alternatives apart: every line of up to three pieces, then random
// longer ones.
TEST(Dispatch, ShortcutsAgreeWithTheFullGrammarOnGeneratedLines) {
    const std::vector<Text> pieces = {
        "#",  "#end", "-",      "if",      "IF",     "#else",       "#define",   "#DeFiNe", "#if",
        "def", "n",   "#include", "begin-setup", "end-setup", "ask", "Ask",     " ",       "\t",
        "\n", "\r", "!",      "x",       "{x}",    "e",           "b",         "'",
        // A name, a value and a line end in one, so that short lines reach a line end.
        " x 1 \n",
    };
    ParserState st = initialState();
    st.symtab = insertByName(Text("X"), Text("1"), st.symtab);
    const std::deque<std::string> answers(8, "y");
    auto check = [&](const Text& line) { expectSameAsGrammar(pLine, pLineInFull, line, st, answers); };
    // Pieces are drawn as the characters of a text over their indices.
    Text indices;
    for (std::size_t i = 0; i < pieces.size(); ++i) appendChar(indices, char32_t(i));
    forShortAndRandomTexts(indices, 3, 6000, 8, "", [&](const Text& choice) {
        Text line;
        for (char32_t i : chars(choice)) line += pieces[i];
        check(line);
    });
}

} // namespace
} // namespace zarnet::test
