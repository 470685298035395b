#include "IncludeFixtures.h"
#include "SecondPassProbe.h"
#include "TestSupport.h"
#include "driver/TempDir.h"

#include "preprocessor/Conditional.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/LineStep.h"
#include "preprocessor/Preprocessor.h"
#include "preprocessor/PreprocessorRun.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

auto preprocess(std::string_view input, const ParserState& user = initialState(), std::string_view source = "test.sqr") {
    return runOn([](State& s) { return pSqr(s, pZarnet); }, input, user, source);
}

struct LineCase {
    const char* line;
    const char* output;
    const char* rest;
};

TEST(Line, KindsAndTheirOutput) {
    const LineCase cases[] = {
        {"\nx", "\n", "x"},
        {"   \nx", "   \n", "x"},
        {"\t \r\nx", "\t \r\n", "x"},
        {"  ", "  \n", ""},
        {"! note\nx", "\n", "x"},
        {"!=x\n", "\n", ""},
        {"!!x\n", "\n", ""},
        {"!\n", "\n", ""},
        {"!x\r\ny", "\n", "y"},
        {"! last", "\n", ""},
        {"  ! note\nx", "  \n", "x"},
        {"abc\nx", "abc\n", "x"},
        {"  abc   ! note\nx", "  abc   \n", "x"},
        {"abc", "abc\n", ""},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        auto o = runOn(pLine, c.line);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(U8(o.value), c.output);
        EXPECT_EQ(o.rest, c.rest);
        EXPECT_EQ(o.sequenceNo, 2);
    }
}

TEST(Line, LinesThatNoKindTakes) {
    // Without leading blanks nothing is consumed; with them the failure comes after them.
    struct FailCase {
        const char* line;
        bool consumed;
        const char* position;
    };
    const FailCase cases[] = {
        {"", false, "(line 1, column 1)"},
        {"\rx\n", false, "(line 1, column 1)"},
        {"  \rx\n", true, "(line 1, column 3)"},
        // A lone continuation mark: the hyphen's failed test lies after it.
        {"-\n", false, "(line 1, column 2)"},
        {"   -\n", true, "(line 1, column 5)"},
        {"!x\ry\n", true, "(line 1, column 3)"},
        {"abc\rdef\n", true, "(line 1, column 4)"},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.line);
        auto o = runOn(pLine, c.line);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.consumed, c.consumed);
        EXPECT_EQ(o.error.substr(0, o.error.find(':')), std::string("\"test.sqr\" ") + c.position);
    }
}

TEST(Line, DirectPathAndFullGrammarAgreeOnErrors) {
    // A line the direct path gives up on is answered by the full grammar: the error of a
    // blank-indented carriage return names what a blank line and the dispatcher expected.
    auto o = runOn(pLine, "  \rx");
    EXPECT_EQ(o.error.substr(0, o.error.find('\n')), "\"test.sqr\" (line 1, column 3):");
    EXPECT_NE(o.error.find("expecting space"), std::string::npos);
}

TEST(LineStep, EndOfRootInputFailsCleanWithoutChange) {
    auto o = runOn(pLineStep, "");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.error.substr(0, o.error.find('\n')), "\"test.sqr\" (line 1, column 1):");
}

TEST(Preprocess, JoinsTheLines) {
    auto o = preprocess("a\n\n  b   ! note\n! comment\n   \nlast");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "a\n\n  b   \n\n   \nlast\n");
}

TEST(Preprocess, PredefinedSubstitutionVariables) {
    auto o = preprocess("show {SQR-Platform} {sqr-database}\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "show {sqr-platform} {sqr-database}\n");
    EXPECT_EQ(o.user->state.symtab.lookup("SQR-DBCS"), std::optional<Text>("{sqr-dbcs}"));
    EXPECT_EQ(o.user->state.symtab.size(), 5u);
}

TEST(Preprocess, EmptyInputFailsAtTheFirstLine) {
    CapturedConsole console;
    auto o = preprocess("");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.error.substr(0, o.error.find('\n', o.error.find('\n') + 1)),
              "\"test.sqr\" (line 1, column 1):\nunexpected end of input");
}

TEST(Preprocess, LineThatNoKindTakesEndsTheRunAtItsStart) {
    auto later = preprocess("abc\n\rx\nmore\n");
    EXPECT_FALSE(later.ok);
    EXPECT_TRUE(later.consumed);
    EXPECT_EQ(later.error.substr(0, later.error.find('\n')), "\"test.sqr\" (line 2, column 1):");
    EXPECT_NE(later.error.find("unexpected '\\r'"), std::string::npos);
    EXPECT_NE(later.error.find("expecting end of input, space"), std::string::npos);

    auto indented = preprocess("abc\n   \rx\n");
    EXPECT_EQ(indented.error.substr(0, indented.error.find('\n')), "\"test.sqr\" (line 2, column 4):");
}

TEST(Preprocess, HandOverToTheSecondPass) {
    ParserState user = initialState();
    user.sourceNameStack = PList<SourceSwitch>::fromVector({{6, "r.sqr", 4}, {4, "i.sqr", 1}});
    State seen;
    auto probe = [&seen](State& s) -> Reply<Text> {
        seen = s;
        return pZarnet(s);
    };
    auto o = runOn([&](State& s) { return pSqr(s, probe); }, "a\nb\nc\n", user, "r.sqr");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(seen.sequenceNo, 1);
    EXPECT_EQ(seen.pos, initialPos(testSourceName("r.sqr")));
    EXPECT_EQ(seen.st().sourceNameStack.toVector(),
              (std::vector<SourceSwitch>{{4, "i.sqr", 1}, {6, "r.sqr", 4}}));
    EXPECT_EQ(U8(seen.rest()), "a\nb\nc\n");
}

TEST(Preprocess, OutputPassEndsWhereItsTextEnds) {
    // Texts of every length around the blocks the line feeds are counted in, and one past
    // 255 of them (the longest of nothing but feeds, so that every byte of a block counts
    // one); the last line with a tab, a character beyond ASCII, or nothing. The position is
    // the one the characters give one by one.
    for (const std::size_t lines : {0u, 1u, 5u, 15u, 16u, 17u, 300u, 1100u, 4096u, 5000u}) {
        for (const char* last : {"", "\tx\u00e9", "abc"}) {
            std::string text;
            for (std::size_t i = 0; i < lines; ++i) text += std::string(lines >= 4096 ? 0 : i % 7, 'x') + "\n";
            text += last;
            if (text.empty()) continue;
            auto o = preprocess(text);
            ASSERT_TRUE(o.ok) << o.error;
            SourcePos expected = initialPos(testSourceName("test.sqr"));
            expected.outputLine = 1;
            for (char32_t c : chars(o.value)) advancePos(expected, c); // one character at a time
            EXPECT_EQ(o.pos, expected) << lines << last;
            EXPECT_EQ(o.pos.outputLine, expected.outputLine) << lines << last;
        }
    }
}

TEST(Preprocess, SecondPassErrorsAreReportedWhereTheyOccur) {
    // A second pass failing at its first character: the error names line 1, column 1
    // and nothing of the first pass's end.
    auto o = runOn([](State& s) { return pSqr(s, [](State& st) -> Reply<Text> {
                       Reply<char32_t> r = char_(U'Z')(st);
                       return Failure{r.err, r.consumed};
                   }); },
                   "abc\ndef\n");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"a\"\nexpecting \"Z\"");
}

TEST(Preprocess, DeeplyNestedSectionsEndWithAnErrorInsteadOfOverflowingTheStack) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += "begin-setup\n";
        for (int i = 0; i < depth; ++i) text += "end-setup\n";
        return text;
    };
    auto fits = preprocess(nested(150));
    EXPECT_TRUE(fits.ok) << fits.error;

    auto tooDeep = preprocess(nested(100000));
    EXPECT_FALSE(tooDeep.ok);
    EXPECT_EQ(tooDeep.error, "\"test.sqr\" (line 201, column 1):\n"
                             "setup sections and conditional blocks nested too deeply (more than 200 levels)");
}

// A state inside an included file that has just ended, with the including file saved.
ParserState includingAt(const char* rootRest, std::int64_t rootLine, InputView& rest) {
    rest = keepText(T(rootRest));
    ParserState p = initialState();
    p.context = p.context.push(Context{SourcePos{testSourceName("r.sqr"), rootLine, 1}, rest.begin, rest.end});
    return p;
}

TEST(Preprocess, LineAfterAnIncludeThatNoKindTakesIsReported) {
    // The included text "x" ends with its line feed; the including file goes on with a
    // line that nothing takes, which must not vanish with the rest of the file.
    InputView rest;
    ParserState p = includingAt("\rx\nmore\n", 2, rest);
    auto o = preprocess("x\n", p, "i.sqr");
    EXPECT_FALSE(o.ok);
    // The same error as for that line in a file without includes.
    EXPECT_EQ(o.error, preprocess("x\n\rx\nmore\n", initialState(), "r.sqr").error);
    EXPECT_EQ(o.error.substr(0, o.error.find('\n')), "\"r.sqr\" (line 2, column 1):");
}

TEST(Preprocess, IncludedFileEndingTheInputKeepsItsPositions) {
    // The last line of the input belongs to an included file ending with a line feed:
    // the final step's return is undone, and the run still succeeds.
    InputView rest;
    ParserState p = includingAt("", 2, rest);
    auto o = preprocess("x\ny\n", p, "i.sqr");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "x\ny\n");
}

TEST(LineStep, LastLineOfAnIncludedFileWithoutLineBreakReturnsInItsLineEnd) {
    struct LastLine {
        const char* text;
        const char* output;
    };
    const LastLine cases[] = {
        {"abc", "abc\n"}, {"  ", "  \n"}, {"! c", "\n"}, {"  ! c", "  \n"},
        {"#define X 1", "\n"}, {"  #define X", "  \n"},
    };
    for (const LastLine& c : cases) {
        SCOPED_TRACE(c.text);
        InputView rest;
        ParserState p = includingAt("c\n", 4, rest);
        auto o = runOn(pLineStep, c.text, p, "i.sqr", 5);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.output);
        EXPECT_EQ(o.rest, "c\n");
        EXPECT_EQ(o.pos, (SourcePos{testSourceName("r.sqr"), 4, 1}));
        EXPECT_EQ(o.sequenceNo, 6);
        EXPECT_TRUE(o.user->state.context.empty());
        EXPECT_EQ(o.user->state.sourceNameStack.toVector(), (std::vector<SourceSwitch>{{6, "r.sqr", 4}}));
    }
}

TEST(LineStep, MisplacedSetupLineEndingAnIncludedFileWithoutLineBreak) {
    // END-SETUP fails after its line end, which has returned to the including file; ASK
    // fails right after its keyword, at the end of the included text, message and all.
    const std::pair<const char*, const char*> cases[] = {
        {"end-setup", "\"r.sqr\" (line 4, column 1):\n(SQR 4702) Line found outside paragraph.1"},
        {"ask", "\"i.sqr\" (line 1, column 4):\n(SQR 4702) Line found outside paragraph.2"},
    };
    for (const auto& [line, error] : cases) {
        SCOPED_TRACE(line);
        InputView rest;
        ParserState p = includingAt("c\n", 4, rest);
        auto o = runOn(pLineStep, line, p, "i.sqr");
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(o.error, error);
    }
}

// Two line steps in sequence, as the loops of blocks and sections run them.
Reply<Text> twoLineSteps(State& s) {
    Seq q(s);
    Text a = q(pLineStep);
    if (!q) return q.failure();
    Text b = q(pLineStep);
    if (!q) return q.failure();
    return q.ok(a + b);
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(LineStep, ErrorsOfATextLeftBehindDoNotOutliveTheSwitch) {
    // Errors merge by position, source name first. An error kept from the end of a text
    // that the parse has left would outrank the errors of the next text whenever the
    // left file's name sorts after it.
    for (const char* included : {"x", "x\n", "  ", "! c", "#define X 1"}) {
        SCOPED_TRACE(included);
        InputView rest;
        ParserState p = includingAt("\rx\n", 4, rest);
        auto o = runOn(twoLineSteps, included, p, "z.sqc");
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(firstLine(o.error), "\"r.sqr\" (line 4, column 1):");
    }

    // The switch into an included file, from the last line of the root text.
    CapturedConsole console;
    TempDir dir;
    TempDir::write("a.sqc", "\rx\n");
    ParserState user = initialState();
    user.searchPaths = PList<Text>::fromVector({"."});
    auto o = runOn(twoLineSteps, "#include 'a.sqc'", user, "z.sqr");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(firstLine(o.error), "\"a.sqc\" (line 1, column 1):");
}

// The step at the end of an included text (the return, then the line where the including
// text goes on) against the grammar, on lines built from the pieces that tell the kinds of
// line apart, with the including text one and two files up.
TEST(LineStep, TheReturnAndTheLineAfterItAgreeWithTheGrammar) {
    const std::vector<Text> pieces = {"#include", " 'a.sqc'", "#end-if", "#else", "#define", " x 1", "#if",
                                      "begin-setup", "end-setup", "ask", "!", " ", "\t", "\n", "\r", "x",
                                      "{x}", "-"};
    ParserState st = initialState();
    st.symtab = insertByName(Text("X"), Text("1"), st.symtab);
    const std::deque<std::string> answers(8, "y");
    auto grammar = [](State& s) { return plainGrammar(s, pLineStep); };
    forPieceSequences(pieces, 3, 3000, 8, [&](const Text& rest) {
        for (const ParserState& user : {includedFrom(st, rest), includedFrom(includedFrom(st, rest), Text())})
            expectSameAsGrammar(pLineStep, grammar, Text(), user, answers);
    });
}

// The step of the line loop that saves no state, against the grammar's step: where it takes
// a line, everything a caller sees agrees; where it does not, it has changed nothing.
TEST(LineStep, DirectStepAgreesWithTheGrammarOrLeavesTheLine) {
    const std::vector<Text> pieces = {"#define", " x 1", " y", "#DEFINE", "#if", "#ifdef", "#else", "#end-if",
                                      "begin-setup", "ask", "end-setup", "!", "!=", " ", "\t", "\n", "\r",
                                      "x", "{x}", "{y}", "-", "'", T("\u00e9")};
    ParserState st = initialState();
    st.symtab = insertByName(Text("X"), Text("1"), st.symtab);
    auto direct = [](State& s) -> Reply<Text> {
        const Place before(s);
        Text out;
        if (std::optional<Reply<Unit>> r = pDirectLineStepInto(s, out)) {
            EXPECT_TRUE(r->consumed);
            return withText(std::move(*r), out);
        }
        EXPECT_EQ(s.cur, before.cur);
        EXPECT_TRUE(s.pos == before.pos);
        EXPECT_TRUE(out.empty());
        return plainGrammar(s, pLineStep);
    };
    auto grammar = [](State& s) { return plainGrammar(s, pLineStep); };
    // In the root file, and at the end of an included file (whose last line returns).
    for (const ParserState& user : {st, includedFrom(st, "x\n"), includedFrom(st, "\n#end-if\n")}) {
        forPieceSequences(pieces, 3, 3000, 8, [&](const Text& text) { expectSameAsGrammar(direct, grammar, text, user); });
        if (testing::Test::HasFatalFailure()) return;
    }
    // Long lines, read in blocks, with one byte of each class that ends a run of plain
    // words at every place.
    for (const char* special : {"-", "!=", "! c", "{x}", "\t", "\r", "\v", "\u00e9", "--", "-x"}) {
        for (std::size_t at = 0; at <= 40; ++at) {
            std::string line = "ab cd ef gh ij kl mn op qr st uv wx yz 01 23 45";
            line.insert(at, special);
            expectSameAsGrammar(direct, grammar, T(line + "\nnext\n"), st);
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST(Preprocess, RecordsEverySwitchForTheSecondPass) {
    struct Run {
        const char* included;
        const char* text;
        const char* positions;
        std::vector<SourceSwitch> switches; // at the hand-over, oldest first; none: not looked at
    };
    const Run runs[] = {
        {"x\ny\n", "a\nb\n\nx\ny\nc\nd\n", "r.sqr:1 r.sqr:2 r.sqr:3 i.sqr:1 i.sqr:2 r.sqr:4 r.sqr:5 ",
         {{4, "i.sqr", 1}, {6, "r.sqr", 4}}},
        {"x\ny", "a\nb\n\nx\ny\nc\nd\n", "r.sqr:1 r.sqr:2 r.sqr:3 i.sqr:1 i.sqr:2 r.sqr:4 r.sqr:5 ",
         {{4, "i.sqr", 1}, {6, "r.sqr", 4}}},
        // An empty file: whether its switch in is recorded or not, the return decides.
        {"", "a\nb\n\nc\nd\n", "r.sqr:1 r.sqr:2 r.sqr:3 r.sqr:4 r.sqr:5 ", {}},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.included);
        TempDir dir;
        TempDir::write("i.sqr", run.included);
        ParserState user = initialState();
        user.searchPaths = PList<Text>::fromVector({"."});
        const char* root = "a\nb\n#include 'i.sqr'\nc\nd\n";

        State seen;
        auto probe = [&seen](State& s) -> Reply<Text> {
            seen = s;
            return pZarnet(s);
        };
        auto text = runOn([&](State& s) { return pSqr(s, probe); }, root, user, "r.sqr");
        ASSERT_TRUE(text.ok) << text.error;
        EXPECT_EQ(U8(text.value), run.text);
        if (!run.switches.empty()) {
            EXPECT_EQ(seen.st().sourceNameStack.toVector(), run.switches);
        }

        auto positions = runOn([](State& s) { return pSqr(s, linePositions); }, root, user, "r.sqr");
        ASSERT_TRUE(positions.ok) << positions.error;
        EXPECT_EQ(U8(positions.value), run.positions);
    }
}

TEST(Preprocess, IncludedFilesThroughTheWholeRun) {
    CapturedConsole console;
    TempDir dir;
    TempDir::write("i.sqc", "x\ny\n");
    TempDir::write("n.sqc", "z");
    ParserState user = initialState();
    user.searchPaths = PList<Text>::fromVector({"."});
    std::string root = "a\nb\n#include 'i.sqc'\nc\n#include 'n.sqc'\n#include 'missing.sqc'\nd\n";

    auto text = preprocess(root, user, "r.sqr");
    ASSERT_TRUE(text.ok) << text.error;
    EXPECT_EQ(U8(text.value), "a\nb\n\nx\ny\nc\n\nz\n\nd\n");
    EXPECT_NE(console.out.find("(SQR 4713) Cannot open the #INCLUDE file: 'missing.sqc'"), std::string::npos);

    auto positions = runOn([](State& s) { return pSqr(s, linePositions); }, root, user, "r.sqr");
    ASSERT_TRUE(positions.ok) << positions.error;
    EXPECT_EQ(U8(positions.value),
              "r.sqr:1 r.sqr:2 r.sqr:3 i.sqc:1 i.sqc:2 r.sqr:4 r.sqr:5 n.sqc:1 r.sqr:6 r.sqr:7 ");
}

} // namespace
} // namespace zarnet::test

namespace zarnet::test {
namespace {

TEST(Preprocess, NeedsARunAndKeepsNothingBetweenRuns) {
    State s;
    const Text input = "a\n";
    s.cur = input.data();
    s.end = input.data() + input.size();
    s.user = makeUserState(initialState());
    EXPECT_THROW(pSqr(s, pZarnet), InternalError);
    // Runs that end inside open blocks leave no count behind for the next run.
    std::string nest;
    for (int i = 0; i < kMaxConditionalDepth - 1; ++i) nest += "#ifdef X\n";
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(preprocess(nest + "#if").ok);
    std::string closed = nest;
    for (int i = 0; i < kMaxConditionalDepth - 1; ++i) closed += "#end-if\n";
    EXPECT_TRUE(preprocess(closed).ok) << preprocess(closed).error;
}

} // namespace
} // namespace zarnet::test
