// #include: switching to the included text, positions that follow it, the warning for a
// missing file, blocks across file boundaries, and the nesting bound.
#include "TestSupport.h"

#include "core/Messages.h"
#include "driver/TempDir.h"
#include "preprocessor/Include.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/Preprocessor.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

using test::runOn;
using test::TempDir;
using test::U8;

ParserState searching(std::initializer_list<const char*> dirs = {"."}) {
    ParserState st = initialState();
    std::vector<Text> paths;
    for (const char* d : dirs) paths.push_back(d);
    st.searchPaths = PList<Text>::fromVector(paths);
    st.symtab = st.symtab.insert("X", "1");
    return st;
}

// A second pass that lists where each output line comes from, as "name:line" items.
Reply<Text> sourceOfEachLine(State& s) {
    Text out;
    while (!s.atEnd()) {
        out += s.pos.sourceName.text() + ":" + std::to_string(s.pos.sourceLine) + " ";
        while (!s.atEnd() && s.peek() != U'\n') s.take();
        if (s.atEnd()) break;
        auto r = eol(s);
        if (!r.ok) return Failure{r.err, true};
    }
    return okReply(true, std::move(out), unknownError(s.pos));
}

struct Preprocessed {
    bool ok = false;
    std::string out;
    std::string error;
};

Preprocessed run(std::string_view input, const SecondPass& pass, const ParserState& st = searching()) {
    auto o = runOn([&pass](State& s) { return pSqr(s, pass); }, input, st, "t.sqr");
    return Preprocessed{o.ok, o.ok ? U8(o.value) : std::string(), o.ok ? std::string() : o.error};
}
Preprocessed preprocess(std::string_view input, const ParserState& st = searching()) { return run(input, pZarnet, st); }
Preprocessed sources(std::string_view input, const ParserState& st = searching()) {
    return run(input, sourceOfEachLine, st);
}

TEST(Include, IncludedLinesFollowTheDirectiveAndKeepTheirPositions) {
    TempDir dir;
    for (const char* text : {"x\ny\n", "x\ny"}) {
        TempDir::write("inc.sqc", text);
        EXPECT_EQ(preprocess("a\n#include 'inc.sqc'\nc\n").out, "a\n\nx\ny\nc\n");
        EXPECT_EQ(sources("a\n#include 'inc.sqc'\nc\nd\n").out, "t.sqr:1 t.sqr:2 inc.sqc:1 inc.sqc:2 t.sqr:3 t.sqr:4 ");
    }
    // Indented, in capitals, double quotes, a comment after the name; last line of the root.
    EXPECT_EQ(preprocess("   #INCLUDE \"inc.sqc\"  ! note\nc\n").out, "   \nx\ny\nc\n");
    EXPECT_EQ(preprocess("a\n#include 'inc.sqc'").out, "a\n\nx\ny\n");
    // An #include on the last line of an included file, without a line break.
    TempDir::write("tail.sqc", "t1\n#include 'inc.sqc'");
    EXPECT_EQ(sources("#include 'tail.sqc'\nz\n").out, "t.sqr:1 tail.sqc:1 tail.sqc:2 inc.sqc:1 inc.sqc:2 t.sqr:2 ");
    // A name with a directory: positions name the bare file.
    TempDir::write("sub/d.sqc", "d1\n");
    EXPECT_EQ(sources("#include 'sub/d.sqc'\nz\n").out, "t.sqr:1 d.sqc:1 t.sqr:2 ");
    // An empty file adds nothing; the next line is the root's.
    TempDir::write("empty.sqc", "");
    EXPECT_EQ(preprocess("#include 'empty.sqc'\nb\n").out, "\nb\n");
    EXPECT_EQ(sources("#include 'empty.sqc'\nb\n").out, "t.sqr:1 t.sqr:2 ");
}

TEST(Include, SavesThePlaceAndRecordsTheSwitch) {
    TempDir dir;
    TempDir::write("inc.sqc", "x\n");
    TempDir::write("empty.sqc", "");
    auto o = runOn(pIncludeDirective, " 'inc.sqc'  ! c\nrest", searching());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "\n");
    EXPECT_EQ(o.rest, "x\n");
    EXPECT_EQ(showPos(o.pos), "\"inc.sqc\" (line 1, column 1)");
    const ParserState& st = o.user->state;
    EXPECT_EQ(o.sequenceNo, 2);
    ASSERT_EQ(st.context.size(), 1u);
    EXPECT_EQ(showPos(st.context.front().ctxPos), "\"test.sqr\" (line 2, column 1)");
    EXPECT_EQ(U8(st.context.front().ctxInp()), "rest");
    ASSERT_EQ(st.sourceNameStack.size(), 1u);
    EXPECT_EQ(st.sourceNameStack.front(), (SourceSwitch{2, "inc.sqc", 1}));

    auto empty = runOn(pIncludeDirective, "'empty.sqc'\nrest", searching());
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.user->state.context.size(), 1u);
    EXPECT_TRUE(empty.user->state.sourceNameStack.empty());
}

TEST(Include, NestedLevelsRecordEverySwitch) {
    TempDir dir;
    TempDir::write("b.sqc", "b1\n#include 'c.sqc'\nb3\n");
    TempDir::write("c.sqc", "c1\n");
    auto o = runOn(pPreprocessLines, "1\n#include 'b.sqc'\n3\n", searching(), "t.sqr");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "1\n\nb1\n\nc1\nb3\n3\n");
    std::vector<SourceSwitch> expected{
        {7, "t.sqr", 3}, {6, "b.sqc", 3}, {5, "c.sqc", 1}, {3, "b.sqc", 1}};
    EXPECT_EQ(o.user->state.sourceNameStack.toVector(), expected);
}

TEST(Include, SearchDirectoriesInOrder) {
    TempDir dir;
    TempDir::write("one/f.sqc", "from one\n");
    TempDir::write("two/f.sqc", "from two\n");
    TempDir::write("two/g.sqc", "g of two\n");
    ParserState st = searching({"one", "two"});
    EXPECT_EQ(preprocess("#include 'f.sqc'\n#include \"g.sqc\"\n", st).out, "\nfrom one\n\ng of two\n");
    TempDir::write("it's.sqc", "q\n");
    EXPECT_EQ(preprocess("#include \"it's.sqc\"\n").out, "\nq\n");
}

TEST(Include, MissingFileIsWarnedAtTheOpeningQuote) {
    TempDir dir;
    struct Case {
        const char* input;
        const char* output;
        const char* warning;
    };
    const Case cases[] = {
        {"a\nb\n#include 'missing.sqh'\nd\n", "a\nb\n\nd\n",
         "\"t.sqr\" (line 3, column 10):\n(SQR 4713) Cannot open the #INCLUDE file: 'missing.sqh'\n"},
        {"#include\t'm.sqh'\n", "\n", "\"t.sqr\" (line 1, column 17):\n(SQR 4713) Cannot open the #INCLUDE file: 'm.sqh'\n"},
        {"   #include ''\n", "   \n", "\"t.sqr\" (line 1, column 13):\n(SQR 4713) Cannot open the #INCLUDE file: ''\n"},
        {"#include \" a.sqc \"\n", "\n", "\"t.sqr\" (line 1, column 10):\n(SQR 4713) Cannot open the #INCLUDE file: ' a.sqc '\n"},
        // The name runs over a line end; the stretch is one output line.
        {"#include 'a\nb'\nz\n", "\nz\n", "\"t.sqr\" (line 1, column 10):\n(SQR 4713) Cannot open the #INCLUDE file: 'a\nb'\n"},
    };
    TempDir::write("a.sqc", "never\n");
    for (const Case& c : cases) {
        test::CapturedConsole console;
        Preprocessed r = preprocess(c.input);
        ASSERT_TRUE(r.ok) << c.input << r.error;
        EXPECT_EQ(r.out, c.output) << c.input;
        EXPECT_EQ(console.out, c.warning) << c.input;
    }
}

TEST(Include, MissingNameOverSeveralLinesKeepsTheLaterPositions) {
    TempDir dir;
    test::CapturedConsole console;
    EXPECT_EQ(sources("#include 'a\nb\nc'\nz\ny\n").out, "t.sqr:1 t.sqr:4 t.sqr:5 ");
}

TEST(Include, MalformedDirectivesEndTheRun) {
    TempDir dir;
    test::CapturedConsole console;
    EXPECT_EQ(preprocess("#include inc.sqc\n").error, "\"t.sqr\" (line 1, column 10):\nunexpected \"i\"\nexpecting space");
    EXPECT_EQ(preprocess("#include 'abc\n").error,
              "\"t.sqr\" (line 2, column 1):\nunexpected end of input\nexpecting \"'\"");
    Preprocessed trailing = preprocess("#include 'missing.sqh' x\n");
    EXPECT_FALSE(trailing.ok);
    EXPECT_EQ(console.out, ""); // looked up, but nothing printed
}

TEST(Include, BlocksCrossFileBoundaries) {
    TempDir dir;
    TempDir::write("open.sqc", "#ifdef Y\ni1\n");
    TempDir::write("close.sqc", "c1\n#end-if\n");
    TempDir::write("blanks.sqc", "#ifdef Y\ni1\n  ");
    struct Case {
        const char* input;
        const char* output;
    };
    const Case cases[] = {
        {"#include 'open.sqc'\nr2\n#end-if\nr4\n", "\n\n\n\n\nr4\n"},
        {"#ifdef X\n#include 'close.sqc'\nr3\n", "\n\nc1\n\nr3\n"},
        {"#include 'blanks.sqc'\n#end-if\nr\n", "\n\n\n  \n\nr\n"},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(c.input);
        ASSERT_TRUE(r.ok) << c.input << r.error;
        EXPECT_EQ(r.out, c.output) << c.input;
    }
    EXPECT_EQ(sources("#include 'open.sqc'\nr2\n#end-if\nr4\n").out,
              "t.sqr:1 open.sqc:1 open.sqc:2 t.sqr:2 t.sqr:3 t.sqr:4 ");
}

TEST(Include, SelfInclusionIsBounded) {
    // Also when the #include is a file's last line without a line break, which leaves the
    // including file before the included one is entered.
    for (std::string lineEnd : {"\n", ""}) {
        TempDir dir;
        TempDir::write("self.sqc", "x\n#include 'self.sqc'" + lineEnd);
        Preprocessed r = preprocess("#include 'self.sqc'\n");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "\"self.sqc\" (line 2, column 10):\n" + std::string(msg::kIncludeTooDeepPrefix) + "self.sqc'");
        EXPECT_NE(std::string(msg::kIncludeTooDeepPrefix).find(std::to_string(kMaxIncludeDepth)), std::string::npos);

        // Two files that include each other.
        TempDir::write("ping.sqc", "#include 'pong.sqc'" + lineEnd);
        TempDir::write("pong.sqc", "#include 'ping.sqc'" + lineEnd);
        Preprocessed cycle = preprocess("#include 'ping.sqc'\n");
        EXPECT_FALSE(cycle.ok);
        EXPECT_NE(cycle.error.find(msg::kIncludeTooDeepPrefix), std::string::npos) << cycle.error;

        // Exactly the bound still works.
        for (int i = 1; i < kMaxIncludeDepth; ++i)
            TempDir::write("l" + std::to_string(i) + ".sqc", "#include 'l" + std::to_string(i + 1) + ".sqc'" + lineEnd);
        TempDir::write("l" + std::to_string(kMaxIncludeDepth) + ".sqc", "deepest\n");
        Preprocessed bounded = preprocess("#include 'l1.sqc'\nend\n");
        ASSERT_TRUE(bounded.ok) << bounded.error;
        EXPECT_EQ(bounded.out, std::string(kMaxIncludeDepth, '\n') + "deepest\nend\n");
    }

    // A guard makes the second inclusion skip its body.
    TempDir dir;
    TempDir::write("guarded.sqc", "#ifndef SELF\n#define SELF 1\nx\n#include 'guarded.sqc'\n#end-if\n");
    Preprocessed guarded = preprocess("#include 'guarded.sqc'\n");
    ASSERT_TRUE(guarded.ok) << guarded.error;
    EXPECT_EQ(guarded.out, "\n\n\nx\n\n\n\n\n\n\n\n");
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

TEST(Include, ReadsTheFilesOfItsRun) {
    MemoryFileSystem files;
    files.add("lib/inc.sqc", "from memory\n");
    RunContext run;
    run.part<IncludeFiles>().fileSystem = &files;
    ParserState st = initialState();
    st.searchPaths = PList<Text>::fromVector({"none", "lib"});
    auto withRun = [&run](State& s) {
        s.run = &run;
        return pSqr(s, pZarnet);
    };
    auto o = runOn(withRun, "a\n#include 'inc.sqc'\nb\n", st, "t.sqr");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "a\n\nfrom memory\nb\n");
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

// The second pass of a toy program: a procedure (a BEGIN line, body lines "ok" or empty, an
// END line) or a program line. Both fail on the input below.
Reply<Text> procedureOrProgram(State& s) {
    static const auto bodyLine = seqLeft(optionally(string_("ok")), eol);
    static const auto procedure =
        seqRight(seqRight(seqRight(string_("begin-procedure"), eol), many(bodyLine)), string_("end-procedure"));
    static const auto program = attempt(string_("begin-program"));
    return choice(attempt(procedure), program)(s);
}

TEST(Include, SecondPassErrorsFurtherOnInThePreprocessedTextWin) {
    // The body fails in "a.sqc", whose name sorts before the including "z.sqr": the error
    // of the body, further on in the preprocessed text, wins over the program alternative's
    // error at the first line.
    MemoryFileSystem files;
    files.add("./a.sqc", "ok\nbad\n");
    RunContext run;
    run.part<IncludeFiles>().fileSystem = &files;
    ParserState st = initialState();
    st.searchPaths = PList<Text>::fromVector({"."});
    auto o = runOn(
        [&run](State& s) {
            s.run = &run;
            return pSqr(s, procedureOrProgram);
        },
        "begin-procedure\n#include 'a.sqc'\nend-procedure\n", st, "z.sqr");
    ASSERT_FALSE(o.ok);
    EXPECT_EQ(o.error, "\"a.sqc\" (line 2, column 1):\nunexpected \"b\"\nexpecting \"ok\", \"\\n\" or \"end-procedure\"");
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

// Files in memory that count the searches and reads asked of them; a file's reads may be
// marked as not repeatable, and then each read gives the next of its versions.
class CountingFiles final : public FileSystem {
public:
    std::map<Text, std::vector<std::string>> versions;
    bool repeatable = true;
    mutable int lookups = 0;
    mutable int reads = 0;
    bool isFile(const Text& path) const override {
        ++lookups;
        return versions.count(path) != 0;
    }
    std::string readBytes(const Text& path) const override { return readFile(path).bytes; }
    FileBytes readFile(const Text& path) const override {
        const std::vector<std::string>& v = versions.at(path);
        return FileBytes{v[std::size_t(reads++) % v.size()], repeatable};
    }
};

// The program preprocessed over the files with the second pass `second`, from a start state
// that searches the include directories; the error when it fails.
template <class P>
std::string preprocessWith(const CountingFiles& files, const char* program, P second, const ParserState& start) {
    RunContext run;
    run.part<IncludeFiles>().fileSystem = &files;
    auto o = runOn(
        [&run, &second](State& s) {
            s.run = &run;
            return pSqr(s, second);
        },
        program, start, "t.sqr");
    return o.ok ? U8(o.value) : o.error;
}

TEST(Include, ARepeatableFileIsSearchedAndReadOnceAndPlacedAsOften) {
    CountingFiles files;
    files.versions["lib/inc.sqc"] = {"a\nb\n"};
    files.versions["lib/other.sqc"] = {"o\n"};
    const char* program = "#include 'inc.sqc'\n#include 'other.sqc'\nx\n#include 'inc.sqc'\n#include 'inc.sqc'\n";
    EXPECT_EQ(preprocessWith(files, program, sourceOfEachLine, searching({"none", "lib"})),
              "t.sqr:1 inc.sqc:1 inc.sqc:2 t.sqr:2 other.sqc:1 t.sqr:3 t.sqr:4 inc.sqc:1 inc.sqc:2 t.sqr:5 "
              "inc.sqc:1 inc.sqc:2 ");
    EXPECT_EQ(files.reads, 2);
    EXPECT_EQ(files.lookups, 4); // two directories for each of the two files
}

TEST(Include, AFileWhoseReadCannotBeRepeatedIsReadAtEveryInclude) {
    CountingFiles files;
    files.versions["lib/now.sqc"] = {"one\n", "two\nlines\n"};
    files.repeatable = false;
    EXPECT_EQ(preprocessWith(files, "#include 'now.sqc'\n#include 'now.sqc'\n", pZarnet, searching({"lib"})),
              "\none\n\ntwo\nlines\n");
    EXPECT_EQ(files.reads, 2);
}

} // namespace
} // namespace zarnet
