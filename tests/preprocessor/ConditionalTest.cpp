// Conditional blocks: taken and skipped branches, nesting, #ifdef/#ifndef, and the
// depth guard.
#include "IncludeFixtures.h"
#include "TestSupport.h"

#include "core/Messages.h"
#include "preprocessor/Conditional.h"
#include "preprocessor/Preprocessor.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

using test::runOn;
using test::U8;

// X is a substitution variable, Y is not.
ParserState withX() {
    ParserState st = initialState();
    st.symtab = st.symtab.insert("X", "1");
    return st;
}

struct Preprocessed {
    bool ok = false;
    std::string out;
    std::string error;
};

Preprocessed preprocess(std::string_view input, const ParserState& st = withX()) {
    auto o = runOn([](State& s) { return pSqr(s, SecondPass(pZarnet)); }, input, st, "t.sqr");
    return Preprocessed{o.ok, o.ok ? U8(o.value) : std::string(), o.ok ? std::string() : o.error};
}

std::string repeat(std::string_view piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

TEST(CondBlock, OneOutputLinePerSourceLine) {
    struct Case {
        const char* input;
        const char* output;
    };
    const Case cases[] = {
        {"#ifdef X\na\n#end-if\n", "\na\n\n"},
        {"#ifdef Y\na {undefined}\n#end-if\n", "\n\n\n"},
        {"#ifdef X\na\n#else\nb\n#end-if\n", "\na\n\n\n\n"},
        {"#ifndef X\na\n#else\nb\n#end-if\n", "\n\n\nb\n\n"},
        {"#ifdef Y\na\n#else\nb\n#end-if\n", "\n\n\nb\n\n"},
        {"#ifdef X\n#end-if\n", "\n\n"},
        {"#ifdef X\n#else\n#end-if\n", "\n\n\n"},
        // Directive lines keep their indentation; #else and #end-if lines lose theirs.
        {"   #ifdef X\n  a\n   #end-if   ! done\nz\n", "   \n  a\n\nz\n"},
        {"#ifdef X\na\n  #Else junk\n   b\n#END-IF\n", "\na\n\n   \n\n"},
        // A skipped blank line keeps its line break as written; a skipped text line does not.
        {"#ifdef Y\n\r\n  \r\nb\r\n \t\n#endif\n", "\n\r\n  \r\n\n \t\n\n"},
        // The last line of the input without a line break.
        {"#ifdef X\na\n#end-if", "\na\n\n"},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(c.input);
        EXPECT_TRUE(r.ok) << c.input << r.error;
        EXPECT_EQ(r.out, c.output) << c.input;
    }
}

TEST(CondBlock, CountsEveryLineAndStopsAfterItsEndIf) {
    auto o = runOn([](State& s) { return pIfdefDirective(s, true); }, " X\na\n#else\nb\n#end-if\nrest", withX());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "\na\n\n\n\n");
    EXPECT_EQ(o.rest, "rest");
    EXPECT_EQ(o.sequenceNo, 6);
    EXPECT_EQ(o.pos.sourceLine, 6);
}

TEST(CondBlock, NestedBlocksPairWithTheInnermost) {
    struct Case {
        const char* input;
        const char* output;
    };
    const Case cases[] = {
        // Nested in a taken branch: the inner #else and #end-if are the inner block's.
        {"#ifdef X\n#ifdef Y\na\n#else\nb\n#end-if\nc\n#end-if\n", "\n\n\n\nb\n\nc\n\n"},
        // Nested in a skipped branch: skipped whole, its #else switches nothing.
        {"#ifdef Y\n#ifdef X\na\n#else\nb\n#end-if\nc\n#else\nd\n#end-if\n", "\n\n\n\n\n\n\n\nd\n\n"},
        {"#ifdef Y\n   #ifdef X\n  #else\n  #end-if\n#end-if\n", "\n   \n\n\n\n"},
        {"#ifdef Y\n#IFNDEF x\n#IfDef x\n#if!comment\n#endif\n#END-IF\n#end-if\n#end-if\nz\n",
         "\n\n\n\n\n\n\n\nz\n"},
        {"#ifdef Y\n#if a = a\nt\n#else\nf\n#end-if\n#end-if\n", "\n\n\n\n\n\n\n"},
        // Not openers: the #end-if after them closes the enclosing block.
        {"#ifdef Y\n#ifdefX\n#ifX\n#ifn x\n#ifde x\n#end if\n#end-iffy\n#elseif\n#end-if\nz\n",
         "\n\n\n\n\n\n\n\n\nz\n"},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(c.input);
        EXPECT_TRUE(r.ok) << c.input << r.error;
        EXPECT_EQ(r.out, c.output) << c.input;
    }
}

TEST(CondBlock, SkippedLinesTakeNoEffect) {
    test::CapturedConsole console;
    Preprocessed r = preprocess("#ifdef Y\n"
                       "#define Z 1\n"
                       "x {undefined}\n"
                       "#include 'missing.sqh'\n"
                       "ask x\n"
                       "end-setup\n"
                       "begin-setup\n"
                       "#ifdef {also_undefined}\n"
                       "#if a ~ b\n"
                       "#end-if\n"
                       "#end-if\n"
                       "#end-if\n"
                       "#ifdef Z\nyes\n#else\nno\n#end-if\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out, repeat("\n", 12) + "\n\n\nno\n\n");
    EXPECT_EQ(console.out, "");
}

TEST(CondBlock, MisplacedElseAndEndIf) {
    struct Case {
        const char* input;
        const char* error;
    };
    const Case cases[] = {
        // A second #else, in a taken else-branch and in a skipped one.
        {"#ifdef Y\n#else\n#else\n#end-if\n", "\"t.sqr\" (line 3, column 6):\n(SQR 4708) #ELSE without preceding #IF."},
        {"#ifdef X\n#else\n  #else\n#end-if\n", "\"t.sqr\" (line 3, column 8):\n(SQR 4708) #ELSE without preceding #IF."},
        {"#ifdef Y\n#ifdef X\n#else\n#else\n#end-if\n#end-if\n",
         "\"t.sqr\" (line 4, column 6):\n(SQR 4708) #ELSE without preceding #IF."},
        // An #end-if whose line end fails does not close; the skipper then rejects it.
        {"#ifdef Y\n#endif\rx\n", "\"t.sqr\" (line 2, column 7):\n(SQR 4709) #ENDIF without preceding #IF."},
        {"#ifdef X\n#endif\rx\n", "\"t.sqr\" (line 2, column 7):\n(SQR 4709) #ENDIF without preceding #IF."},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(c.input);
        EXPECT_FALSE(r.ok) << c.input;
        EXPECT_EQ(r.error, c.error) << c.input;
    }
}

TEST(CondBlock, UnclosedBlockEndsWithTheParserSupportError) {
    for (const char* input : {"#ifdef X\na\n", "#ifdef Y\na\n", "#ifdef Y\n#ifdef X\n#end-if\n"}) {
        Preprocessed r = preprocess(input);
        EXPECT_FALSE(r.ok) << input;
        EXPECT_EQ(r.error.find("unexpected end of input\nexpecting end of input, space, \"#\""), r.error.find('\n') + 1)
            << r.error;
        EXPECT_EQ(r.error.find("SQR"), std::string::npos) << r.error;
    }
    EXPECT_EQ(preprocess("a\n#ifdef X\nb\n").error.rfind("\"t.sqr\" (line 4, column 1):", 0), 0u);
}

TEST(CondBlock, ErrorsAfterAReturnNameTheResumedFile) {
    // The included file ends inside a block; the run fails at the end of the root, and the
    // lines read last in the included file must leave it no error there.
    struct Case {
        const char* rootLines;
        const char* included;
    };
    const Case cases[] = {
        {"a\n", "#ifdef Y\nx"},                   // a skipped line
        {"a\n", "#ifdef Y\n  "},                  // a skipped line of blanks
        {"a\n", "#ifdef Y\n#ifdef X\nx"},         // a line of a nested block skipped whole
        {"a\n", "#ifdef Y\n#ifdef X\n#else"},     // its #else line
        {"a\n", "#ifdef Y\n#ifdef X\n#end-if"},   // its #end-if line
        {"a\n", "#ifdef Y\n#else junk"},          // the block's own #else line
        {"a\n", "#ifdef X\n#else ! c"},
        {"a\n", "#ifdef Y"},                      // the directive line itself
        {"a\n", "#ifndef X  ! c"},
        {"#ifdef X\n", "#else\nx"},               // a block opened in the root
        {"a\n", "#if 1 = 1"},                    // an #if line
        {"a\n", "#if a = b  ! c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.included);
        std::string error = test::errorIncludingLast(c.rootLines, c.included, "z.sqc", withX());
        EXPECT_EQ(test::firstLine(error), "\"a.sqr\" (line 2, column 17):");
        // Nothing of it depends on how the included file's name sorts.
        EXPECT_EQ(error, test::errorIncludingLast(c.rootLines, c.included, "0.sqc", withX()));
    }
}

// The direct paths of the skipper, the block loop and the #ifdef line against the plain
// grammar, on texts built from the pieces that tell block lines apart: openers, partial
// keywords, #else and #end-if in any case, blanks, comments, every kind of line end, a
// reference to a name without a value (which is warned about), in the root file and at the
// end of an included file whose includer goes on with the block.
using TextParser = Reply<Text> (*)(State&);
void expectDirectPathsAgree(std::initializer_list<std::pair<TextParser, TextParser>> pairs) {
    const std::vector<Text> pieces = {
        "#ifdef", "#IFNDEF", "#if", "#ifn", "def", "#else", "#Else", "#end-if", "#ENDIF", "#end", "-",
        "if",     " ",       "\t",  "\n",  "\r",   "\r\n",  "!",     "x",       "X",      "{y}",  "\u00a0",
        "#",      " x\n",   "!=",
    };
    // The includer goes on with the block's own #else or #end-if line, or with other text.
    const ParserState users[] = {withX(), test::includedFrom(withX(), " #else\nx\n\n#end-if\n#end-if\nz"),
                                 test::includedFrom(withX(), "#end-if\nx\n#end-if\n"),
                                 test::includedFrom(withX(), "x\n#end-if\n#end-if\n")};
    for (const ParserState& user : users) {
        const bool root = user.context.empty();
        test::forPieceSequences(pieces, root ? 3 : 2, root ? 3000 : 1500, 14, [&](const Text& text) {
            for (auto [direct, grammar] : pairs) test::expectSameAsGrammar(direct, grammar, text, user);
        });
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(CondBlock, SkipperAgreesWithTheGrammar) { expectDirectPathsAgree({{pSkipLine, pSkipLineInFull}}); }

TEST(CondBlock, BlockLoopFromATakenBranchAgreesWithTheGrammar) {
    expectDirectPathsAgree(
        {{[](State& s) { return pCondBlock(s, true); }, [](State& s) { return pCondBlockInFull(s, true); }}});
}

TEST(CondBlock, BlockLoopFromASkippedBranchAgreesWithTheGrammar) {
    expectDirectPathsAgree(
        {{[](State& s) { return pCondBlock(s, false); }, [](State& s) { return pCondBlockInFull(s, false); }}});
}

TEST(IfdefDirective, DirectPathsAgreeWithTheGrammar) {
    expectDirectPathsAgree({
        {[](State& s) { return pIfdefDirective(s, true); }, [](State& s) { return pIfdefDirectiveInFull(s, true); }},
        {[](State& s) { return pIfdefDirective(s, false); }, [](State& s) { return pIfdefDirectiveInFull(s, false); }},
    });
}

TEST(IfdefDirective, NameLookup) {
    ParserState st = withX();
    st.symtab = st.symtab.insert("A", "").insert("A B2", "x").insert("P!=Q", "x").insert("REF", "X");
    struct Case {
        const char* line;
        bool taken;
    };
    const Case cases[] = {
        {"#ifdef sqr-database", true}, {"#IFDEF Sqr-Platform", true}, {"#ifdef SQR-HOSTNAME", true},
        {"#ifndef sqr-dbcs", false},   {"#ifndef Q", true},           {"#ifdef {sqr-database}", false},
        {"#ifdef x", true},            {"#ifndef x", false},          {"#ifdef A", true}, // empty value
        {"#ifdef A B", false},         {"#ifdef a b2", true},         {"#ifdef\tX   ! note", true},
        {"#ifdef A -", false},         {"#ifdef A-", false},          {"#ifdef P!=Q", true},
        {"#ifdef {REF}", true},        {"#ifdef X\r", true},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(std::string(c.line) + "\nt\n#end-if\n", st);
        ASSERT_TRUE(r.ok) << c.line << r.error;
        EXPECT_EQ(r.out, c.taken ? "\nt\n\n" : "\n\n\n") << c.line;
    }
}

TEST(IfdefDirective, UndefinedReferenceIsWarnedAndEntered) {
    test::CapturedConsole console;
    Preprocessed r = preprocess("#ifdef {Z}\na\n#end-if\n#ifdef Z\nb\n#end-if\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out, "\n\n\n\nb\n\n");
    EXPECT_EQ(console.out, "\"t.sqr\" (line 1, column 8):\n(SQR 4707) No value found for substitution variable: {Z}\n");
}

TEST(IfdefDirective, MissingBlanksOrName) {
    EXPECT_EQ(preprocess("#ifdef\nx\n").error, "\"t.sqr\" (line 1, column 7):\nunexpected \"\\n\"\nexpecting space");
    EXPECT_EQ(preprocess("#ifndef!x\n").error, "\"t.sqr\" (line 1, column 8):\nunexpected \"!\"\nexpecting space");
    for (const char* input : {"#ifdef   \nx\n#end-if\n", "#ifdef   ! note\n"}) {
        Preprocessed r = preprocess(input);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind("\"t.sqr\" (line 1, column 10):", 0), 0u) << r.error;
    }
}

TEST(CondDepth, DeepTakenNestingEndsWithAnError) {
    const int limit = static_cast<int>(kMaxConditionalDepth);
    Preprocessed ok = preprocess(repeat("#ifdef X\n", limit) + "a\n" + repeat("#end-if\n", limit));
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(ok.out, repeat("\n", limit) + "a\n" + repeat("\n", limit));

    Preprocessed deep = preprocess(repeat("#ifdef X\n", limit + 1) + "a\n" + repeat("#end-if\n", limit + 1));
    EXPECT_FALSE(deep.ok);
    EXPECT_EQ(deep.error, "\"t.sqr\" (line " + std::to_string(limit + 1) + ", column 7):\n" +
                              std::string(msg::kConditionalTooDeep));
    EXPECT_NE(std::string(msg::kConditionalTooDeep).find(std::to_string(limit)), std::string::npos);

    // A failure deep inside unwinds the guard: the next run starts from nothing open.
    EXPECT_TRUE(preprocess(repeat("#ifdef X\n", limit) + repeat("#end-if\n", limit)).ok);
}

TEST(CondDepth, SkippedNestingAndLongBlocksCostNoStack) {
    const int n = 20000;
    Preprocessed nested = preprocess("#ifdef Y\n" + repeat("#ifdef X\n", n) + repeat("#else\n#end-if\n", n) + "#end-if\n");
    ASSERT_TRUE(nested.ok) << nested.error;
    EXPECT_EQ(nested.out.size(), static_cast<std::size_t>(3 * n + 2));

    for (const char* head : {"#ifdef X\n", "#ifdef Y\n"}) {
        Preprocessed longBlock = preprocess(head + repeat("  line\n", n) + "#end-if\n");
        ASSERT_TRUE(longBlock.ok) << longBlock.error;
        EXPECT_EQ(longBlock.out.size(), static_cast<std::size_t>(head[7] == 'X' ? 7 * n + 2 : 3 * n + 2));
    }
}

} // namespace
} // namespace zarnet
