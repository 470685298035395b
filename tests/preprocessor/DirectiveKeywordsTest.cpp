// Directive keywords with their separator, directive line ends, END-SETUP lines, and the
// #else and #end-if lines.
#include "IncludeFixtures.h"
#include "TestSupport.h"

#include "core/Messages.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/PreprocessorRun.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

using test::runOn;
using test::U8;

// A keyword followed by the separator test, tried as a unit, as the dispatcher does it.
template <class K> auto keywordUnit(K keyword) {
    return attempt([keyword](State& s) -> Reply<Text> {
        Seq q(s);
        Text k = q(keyword);
        if (!q) return q.failure();
        q(pKeywordEnd);
        if (!q) return q.failure();
        return q.ok(std::move(k));
    });
}

TEST(KeywordEnd, AcceptsWhiteSpaceEndOfInputAndCommentMark) {
    for (const char* yes : {" x", "\tx", "\vx", "\fx", "\u00a0x", "\u3000x", "\n", "\r\n", "\rx", "", "!x", "!", "! c"}) {
        auto o = runOn(pKeywordEnd, yes);
        EXPECT_TRUE(o.ok) << yes;
        EXPECT_FALSE(o.consumed) << yes;
        EXPECT_EQ(o.rest, yes);
        EXPECT_EQ(o.pos.sourceColumn, 1) << yes;
        EXPECT_EQ(o.sequenceNo, 1) << yes; // not even at the end of the input
    }
    for (const char* no : {"!!", "!=", "x", "1", "(", "-", "'", "_"}) {
        auto o = runOn(pKeywordEnd, no);
        EXPECT_FALSE(o.ok) << no;
        EXPECT_FALSE(o.consumed) << no;
    }
}

TEST(DirectiveKeywords, AnyLetterCaseAndRunOnKeywordsRejected) {
    struct Case {
        Reply<Text> (*keyword)(State&);
        const char* input;
        bool matches;
    };
    const Case cases[] = {
        {pIfdefKeyword, "#IFDEF X", true},      {pIfndefKeyword, "#IfNDef X", true},
        {pIncludeKeyword, "#Include 'a'", true}, {pBeginSetupKeyword, "BEGIN-SETUP", true},
        {pIfKeyword, "#if(a = b)", false},       {pIfKeyword, "#ifX", false},
        {pIfKeyword, "#ifdef X", false},         {pIfdefKeyword, "#ifdefX", false},
        {pIncludeKeyword, "#includeX", false},   {pIncludeKeyword, "#include'a'", false},
        {pBeginSetupKeyword, "begin_setup", false}, {pIfKeyword, "#if!=x", false},
        {pElseKeyword, "#elseif", false},        {pElseKeyword, "#Else!x", true},
    };
    for (const Case& c : cases) {
        auto o = runOn(keywordUnit(c.keyword), c.input);
        EXPECT_EQ(o.ok, c.matches) << c.input;
        EXPECT_FALSE(o.consumed && !o.ok) << c.input;
    }
    auto asWritten = runOn(pBeginSetupKeyword, "Begin-Setup");
    EXPECT_EQ(U8(asWritten.value), "Begin-Setup");
    // "#" and "-" are matched exactly; a later mismatch has consumed.
    auto partial = runOn(pBeginSetupKeyword, "begin-select");
    EXPECT_FALSE(partial.ok);
    EXPECT_TRUE(partial.consumed);
    EXPECT_FALSE(runOn(pIfKeyword, "if").consumed);
}

TEST(AskKeyword, SeparatorIsPartOfTheKeyword) {
    EXPECT_EQ(U8(runOn(pAskKeyword, "Ask! prompt").value), "Ask");
    EXPECT_EQ(runOn(pAskKeyword, "ask x").rest, " x");
    for (const char* no : {"asking", "ask=1", "ask-x", "as"}) {
        auto o = runOn(pAskKeyword, no);
        EXPECT_FALSE(o.ok) << no;
        EXPECT_TRUE(o.consumed) << no;
    }
    EXPECT_FALSE(runOn(pAskKeyword, "x").consumed);
}

TEST(IfKeywordTail, OnlyIfIfdefAndIfndefWithSeparator) {
    for (const char* yes : {" X", "def X", "NDEF X", "nDeF\n", "def", "!c", "ndef!x"}) {
        auto o = runOn(pIfKeywordTail, yes);
        EXPECT_TRUE(o.ok) << yes;
    }
    struct No {
        const char* input;
        bool consumed;
    };
    for (No no : {No{"n x", true}, No{"de x", true}, No{"defX", true}, No{"X", false}, No{"!!", false}}) {
        auto o = runOn(pIfKeywordTail, no.input);
        EXPECT_FALSE(o.ok) << no.input;
        EXPECT_EQ(o.consumed, no.consumed) << no.input;
    }
    EXPECT_EQ(U8(runOn(pDefSuffix, "nDeF").value), "DeF");
}

TEST(DirectiveLineEnd, BlanksAndCommentThenLineEnd) {
    for (const char* yes : {"\n", "   \n", "  ! a comment\n", "", "\t\r\n", "!\n", "  ! x"}) {
        auto o = runOn(pDirectiveLineEnd, yes);
        EXPECT_TRUE(o.ok) << yes;
        EXPECT_EQ(U8(o.value), "\n");
        EXPECT_EQ(o.rest, "");
        EXPECT_EQ(o.sequenceNo, 2) << yes;
    }
    for (const char* no : {"  x\n", "!!\n", "!=\n", "\rx", "x"}) {
        auto o = runOn(pDirectiveLineEnd, no);
        EXPECT_FALSE(o.ok) << no;
        EXPECT_FALSE(o.consumed) << no;
    }
    // Blanks before a carriage return that no line feed follows were consumed.
    auto cr = runOn(pDirectiveLineEnd, "  \rx");
    EXPECT_FALSE(cr.ok);
    EXPECT_TRUE(cr.consumed);
}

TEST(EndSetupLine, KeepsTheLineFromItsKeywordOn) {
    auto o = runOn(pEndSetupLine, "   END-SETUP   ! done\nnext");
    EXPECT_EQ(U8(o.value), "END-SETUP   ! done\n");
    EXPECT_EQ(o.rest, "next");
    EXPECT_EQ(o.sequenceNo, 2);
    EXPECT_EQ(U8(runOn(pEndSetupLine, "end-setupXYZ").value), "end-setupXYZ\n");
    for (const char* no : {"end-setu\n", "  end-setup\rx", "x"}) {
        auto f = runOn(pEndSetupLine, no);
        EXPECT_FALSE(f.ok) << no;
        EXPECT_FALSE(f.consumed) << no;
    }
}

TEST(ElseAndEndIfLines, WholeLinesLeaveOneLineFeed) {
    struct Case {
        Reply<Text> (*line)(State&);
        const char* input;
        bool matches;
    };
    const Case cases[] = {
        {pElseLine, "   #Else   ! comment\nx", true}, {pElseLine, "#else junk words\nx", true},
        {pElseLine, "#else!c\nx", true},             {pElseLine, "#elseif\n", false},
        {pElseLine, "#else=1\n", false},             {pElseLine, "#else!=\n", false},
        {pElseLine, "#else!!\n", false},             {pEndIfLine, "#endif\nx", true},
        {pEndIfLine, "#END-IF\nx", true},            {pEndIfLine, "   #EndIf   ! done\r\nx", true},
        {pEndIfLine, "#end if\n", false},            {pEndIfLine, "#end--if\n", false},
        {pEndIfLine, "#end_if\n", false},            {pEndIfLine, "#endifx\n", false},
        {pEndIfLine, "#end-ifdef\n", false},         {pEndIfLine, "x\n", false},
    };
    for (const Case& c : cases) {
        auto o = runOn(c.line, c.input);
        EXPECT_EQ(o.ok, c.matches) << c.input;
        if (c.matches) {
            EXPECT_EQ(U8(o.value), "\n") << c.input;
            EXPECT_EQ(o.rest, "x") << c.input;
            EXPECT_EQ(o.sequenceNo, 2) << c.input;
        } else {
            EXPECT_FALSE(o.consumed) << c.input;
        }
    }
    // The last text of the input still closes.
    auto last = runOn(pEndIfLine, "#end-if");
    EXPECT_TRUE(last.ok);
    EXPECT_EQ(last.sequenceNo, 2);
    // A carriage return that no line feed follows: committed once the keyword matched.
    auto cr = runOn(pElseLine, "#else\rx");
    EXPECT_FALSE(cr.ok);
    EXPECT_TRUE(cr.consumed);
}

// The direct paths of the #else and #end-if lines against the grammar, on texts built from
// the pieces that tell the keywords, separators and line ends apart, in the root file and
// at the end of an included one.
TEST(ElseAndEndIfLines, DirectPathAgreesWithTheGrammar) {
    const std::vector<Text> pieces = {"#else", "#ELSE", "#end", "#End", "-",  "if", "IF", "#endif",
                                      "#",     "e",     " ",    "\t",   "\n", "\r", "!",  "=",
                                      "x",     "\u00a0", "\r\n", "!=",  "!!", "x\n"};
    for (const ParserState& user : {initialState(), test::includedFrom(initialState(), "#end-if\nx")}) {
        test::forPieceSequences(pieces, 3, 4000, 8, [&](const Text& line) {
            test::expectSameAsGrammar(pElseLine, pElseLineInFull, line, user);
            test::expectSameAsGrammar(pEndIfLine, pEndIfLineInFull, line, user);
        });
        if (HasFatalFailure()) return;
    }
}

// The direct path of a directive's line end against the grammar, on tails built from the
// pieces that tell blanks, comments and line ends apart, in the root file and at the end
// of an included one.
TEST(LineEnds, DirectiveLineEndDirectPathAgreesWithTheGrammar) {
    const std::vector<Text> pieces = {" ", "\t", "\u00a0", "!", "!!", "!=", "=", "x", "\n", "\r", "\r\n", "x\n"};
    auto grammar = [](State& s) { return plainGrammar(s, pDirectiveLineEnd); };
    for (const ParserState& user : {initialState(), test::includedFrom(initialState(), "#end-if\nx")}) {
        test::forPieceSequences(pieces, 4, 3000, 8,
                                [&](const Text& tail) { test::expectSameAsGrammar(pDirectiveLineEnd, grammar, tail, user); });
        if (HasFatalFailure()) return;
    }
}

TEST(LineEnds, AReturnFromAnIncludedTextLeavesNoErrorThere) {
    // Each line below ends the included text "z.sqc" and returns to "r.sqr", whose name
    // sorts before it; what fails next fails in "r.sqr".
    struct Case {
        Reply<Text> (*line)(State&);
        const char* text;
    };
    const Case cases[] = {
        {pDirectiveLineEnd, ""},   {pDirectiveLineEnd, "  "},        {pDirectiveLineEnd, " ! c"},
        {pEndSetupLine, "end-setup"}, {pEndSetupLine, " end-setup x"}, {pElseLine, "#else"},
        {pElseLine, "#else junk"},  {pEndIfLine, "#end-if"},          {pEndIfLine, "  #endif ! c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(test::firstLine(test::errorAfterTheEndOfZ(c.line, c.text)), "\"r.sqr\" (line 4, column 1):");
    }
}

TEST(OutOfPlace, FailsRightAfterTheKeywordWithTheMessage) {
    struct Case {
        Reply<Text> (*p)(State&);
        const char* input;
        const char* error;
    };
    const Case cases[] = {
        {pElseOutOfPlace, "#else\n", "\"test.sqr\" (line 1, column 6):\n(SQR 4708) #ELSE without preceding #IF."},
        {pElseOutOfPlace, "#else", "\"test.sqr\" (line 1, column 6):\n(SQR 4708) #ELSE without preceding #IF."},
        {pEndIfOutOfPlace, "#endif ", "\"test.sqr\" (line 1, column 7):\n(SQR 4709) #ENDIF without preceding #IF."},
        {pEndIfOutOfPlace, "#end-if\t", "\"test.sqr\" (line 1, column 8):\n(SQR 4709) #ENDIF without preceding #IF."},
    };
    for (const Case& c : cases) {
        auto o = runOn(c.p, c.input);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed) << c.input;
        EXPECT_EQ(o.error, c.error);
    }
    for (const char* no : {"#elsewhere", "#end if", "x"}) {
        auto o = runOn(pElseOutOfPlace, no);
        EXPECT_FALSE(o.consumed) << no;
        EXPECT_FALSE(runOn(pEndIfOutOfPlace, no).consumed) << no;
    }
}

} // namespace
} // namespace zarnet
