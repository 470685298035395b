#include "IncludeFixtures.h"
#include "TestSupport.h"
#include "driver/TempDir.h"

#include "preprocessor/Ask.h"
#include "preprocessor/Preprocessor.h"
#include "preprocessor/PreprocessorRun.h"
#include "preprocessor/Setup.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zarnet::test {
namespace {

ParserState searchingHere() {
    ParserState st = initialState();
    st.searchPaths = PList<Text>::fromVector({"."});
    return st;
}

auto preprocess(std::string_view input, const ParserState& st = initialState()) {
    return runOn([](State& s) { return pSqr(s, pZarnet); }, input, st);
}

std::string symtabValue(const UserState& u, const char* key) {
    auto v = lookupByName(T(key), u->state.symtab);
    return v ? U8(*v) : "<none>";
}

const std::string kWarn = "(SQR 4707) No value found for substitution variable: {";

// A run with standard input: what the console shows, what the text becomes, and what is
// left unread.
struct AskCase {
    const char* source;
    std::vector<std::string> input;
    std::string console;
    const char* output;
    std::size_t unread;
    int flushes;
};

TEST(Ask, PromptAnswerAndNotice) {
    const AskCase cases[] = {
        // The default prompt; the answer is stored as typed and substituted later.
        {"begin-setup\n  ask name\nend-setup\nshow {NAME}\n", {"Joe Doe  "}, "Enter name: name:Joe Doe  \n",
         "begin-setup\n\nend-setup\nshow Joe Doe  \n", 0, 2},
        // Given prompts: trimmed, quoted or as substituted words, and then ": ".
        {"begin-setup\nASK x '  Your  x  ' ! c\nend-setup\n", {"1"}, "Your  x: x:1\n", "begin-setup\n\nend-setup\n",
         0, 2},
        {"begin-setup\n\tAsk x ''\nend-setup\n", {"1"}, ": x:1\n", "begin-setup\n\nend-setup\n", 0, 2},
        {"#define who you\nbegin-setup\nask x Hello {who}  -\nend-setup\n", {"1"}, "Hello you  -: x:1\n",
         "\nbegin-setup\n\nend-setup\n", 0, 2},
        {"begin-setup\nask x 'it''s {y}\nend-setup\n", {"1"},
         "\"test.sqr\" (line 2, column 14):\n" + kWarn + "y}\n'it''s {y}: x:1\n", "begin-setup\n\nend-setup\n", 0, 2},
        // A carriage return that is no part of a line end belongs to the answer; an empty
        // answer is a value too.
        {"begin-setup\nask a\nask b\nask B\nend-setup\n{a}|{b}\n", {"v\r", ""},
         "Enter a: a:v\r\nEnter b: b:\n`B` is already defined. The value is ``.\n",
         "begin-setup\n\n\n\nend-setup\nv\r|\n", 0, 4},
        // Already defined: by #define (any letter case), before the first line, or by the
        // warning of a reference; nothing is read and nothing flushed.
        {"#define Path p q\nbegin-setup\nask PATH\nend-setup\n", {"unused"},
         "`PATH` is already defined. The value is `p q`.\n", "\nbegin-setup\n\nend-setup\n", 1, 0},
        {"begin-setup\nask sqr-hostname 'never shown'\nend-setup\n", {"unused"},
         "`sqr-hostname` is already defined. The value is `{sqr-hostname}`.\n", "begin-setup\n\nend-setup\n", 1, 0},
        {"{foo}\nbegin-setup\nask Foo\nend-setup\n", {},
         "\"test.sqr\" (line 1, column 1):\n" + kWarn + "foo}\n`Foo` is already defined. The value is `{foo}`.\n",
         "{foo}\nbegin-setup\n\nend-setup\n", 0, 0},
        // The prompt's references are read (and warned about) before the lookup.
        {"begin-setup\nask sqr-dbcs {nope}\nend-setup\n", {},
         "\"test.sqr\" (line 2, column 14):\n" + kWarn + "nope}\n" +
             "`sqr-dbcs` is already defined. The value is `{sqr-dbcs}`.\n",
         "begin-setup\n\nend-setup\n", 0, 0},
        // The name is its pieces with references expanded.
        {"#define k a b\n#define e\nbegin-setup\nask {k}c\nask {e}\nend-setup\n", {"1", "2"},
         "Enter a bc: a bc:1\nEnter: :2\n", "\n\nbegin-setup\n\n\nend-setup\n", 0, 4},
    };
    for (const AskCase& c : cases) {
        SCOPED_TRACE(c.source);
        CapturedConsole con;
        con.input.assign(c.input.begin(), c.input.end());
        auto o = preprocess(c.source);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(con.out, c.console);
        EXPECT_EQ(U8(o.value), c.output);
        EXPECT_EQ(con.input.size(), c.unread);
        EXPECT_EQ(con.flushes, c.flushes);
    }
}

TEST(Ask, AnswersAreStoredUnderTheUpperCasedName) {
    CapturedConsole con;
    con.input = {" x ", "\xe9t\xe9"}; // the second line is no UTF-8: Windows-1252
    auto o = preprocess("#define k a b\nbegin-setup\nask {k}c\nask stra\xc3\x9f" "e\nend-setup\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(symtabValue(o.user, "A BC"), " x ");
    EXPECT_EQ(symtabValue(o.user, "STRA\xc3\x9f" "E"), "\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(con.out, "Enter a bc: a bc: x \nEnter stra\xc3\x9f" "e: stra\xc3\x9f" "e:\xc3\xa9t\xc3\xa9\n");
}

// The console calls in the order they happen: the prompt must be out before the read
// blocks, and the notice neither flushes nor reads.
TEST(Ask, DialogueOrderOnTheConsole) {
    struct LoggingConsole : CapturedConsole {
        void writeOut(std::string_view s) override { log += "out[" + std::string(s) + "] "; }
        void flushOut() override { log += "flush "; }
        std::optional<std::string> readLine() override {
            log += "read ";
            return CapturedConsole::readLine();
        }
        std::string log;
    } con;
    con.input = {"1"};
    auto o = preprocess("begin-setup\nask a {b}\nask A\nend-setup\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(con.log, "out[\"test.sqr\" (line 2, column 7):\n" + kWarn + "b}\n] out[{b}: ] flush read out[a:1\n] flush " +
                           "out[`A` is already defined. The value is `1`.\n] ");
}

TEST(Ask, EndOfStandardInputEndsTheRun) {
    setProgramName("zarnet");
    CapturedConsole con;
    try {
        preprocess("begin-setup\nask a\nask b\nend-setup\n");
        FAIL() << "no exception";
    } catch (const AskInputEnded& e) {
        EXPECT_STREQ(e.what(), "zarnet: <stdin>: hGetLine: end of file\n");
    }
    EXPECT_EQ(con.out, "Enter a: ");
    EXPECT_EQ(con.flushes, 1);
}

// What references put into a line is bounded per line; an ASK line is a line of its own and
// counts only its own name and prompt, not what the line before it substituted. The bound
// is lowered from 16 MiB to 2^10 to keep the test fast.
TEST(Ask, AskLineCountsOnlyItsOwnSubstitutedText) {
    // a9 has 2^9 characters, half the bound.
    std::string base = "#define a0 x\n";
    for (int i = 1; i <= 9; ++i)
        base += "#define a" + std::to_string(i) + " {a" + std::to_string(i - 1) + "}{a" + std::to_string(i - 1) + "}\n";
    struct Case {
        const char* section;
        const char* error; // empty: the run succeeds
    } const cases[] = {
        {"begin-setup\nx {a9}{a9}\nask {a9}\nend-setup\n", ""},
        {"begin-setup\nx {a9}{a9}\nask p {a9}{a9}\nask q {a9}{a9}\nend-setup\n", ""},
        {"begin-setup\nx {a9}{a9}\n#define b {a9}{a9}\nask r {a9}\nend-setup\n", ""},
        // Past the bound on the ASK line itself, at the "{" of the reference that crosses it.
        {"begin-setup\nx\nask s {a9}{a9}{a0}\nend-setup\n", "(line 13, column 15)"},
    };
    for (const Case& c : cases) {
        for (bool fastPaths : {true, false}) {
            SCOPED_TRACE(std::string(c.section) + (fastPaths ? " (fast paths)" : " (plain grammar)"));
            CapturedConsole con;
            con.input = {"1", "2", "3"};
            auto o = runOn([fastPaths](State& s) {
                             s.run->fastPaths = fastPaths;
                             preprocessorRun(s).maxSubstitutedLength = 1024;
                             return pSqr(s, pZarnet);
                         },
                           base + c.section);
            if (!*c.error) {
                EXPECT_TRUE(o.ok) << o.error;
                continue;
            }
            EXPECT_FALSE(o.ok);
            EXPECT_EQ(o.error, std::string("\"test.sqr\" ") + c.error +
                                   ":\nsubstituted text too long (more than 16777216 characters)");
        }
    }
}

TEST(Ask, LinesThatAreNoAskCommand) {
    struct Case {
        const char* source;
        const char* error; // empty: succeeds, with `output`
        const char* output;
    };
    const Case cases[] = {
        {"begin-setup\nask\nend-setup\n", "\"test.sqr\" (line 2, column 4):\n(SQR 4702) Line found outside paragraph.2", ""},
        {"begin-setup\n  ask  \nend-setup\n", "\"test.sqr\" (line 2, column 6):\n(SQR 4702) Line found outside paragraph.2",
         ""},
        {"begin-setup\nask x 'p' more\nend-setup\n",
         "\"test.sqr\" (line 2, column 4):\n(SQR 4702) Line found outside paragraph.2", ""},
        {"begin-setup\nask x -\nend-setup\n", "\"test.sqr\" (line 2, column 4):\n(SQR 4702) Line found outside paragraph.2",
         ""},
        {"begin-setup\nask x\r\nend-setup\n", "", "begin-setup\n\nend-setup\n"},
        {"#define x 1\nbegin-setup\nasking {x}\nask-{x}\nend-setup\n", "", "\nbegin-setup\nasking 1\nask-1\nend-setup\n"},
        {"#define X\nbegin-setup\n#ifdef x\n  ask y\n#end-if\nend-setup\n",
         "\"test.sqr\" (line 4, column 6):\n(SQR 4702) Line found outside paragraph.2", ""},
        {"#define X\nbegin-setup\n#ifndef x\n  ask y\n#end-if\nend-setup\n", "",
         "\nbegin-setup\n\n  \n\nend-setup\n"},
        {"begin-setup\n#ifdef sqr-dbcs\n  end-setup\n#end-if\n",
         "\"test.sqr\" (line 4, column 1):\n(SQR 4702) Line found outside paragraph.1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CapturedConsole con;
        con.input = {"answer"};
        auto o = preprocess(c.source);
        if (*c.error) {
            EXPECT_FALSE(o.ok);
            EXPECT_EQ(o.error, c.error);
            EXPECT_EQ(con.out, ""); // no prompt for a line that fails
        } else {
            ASSERT_TRUE(o.ok) << o.error;
            EXPECT_EQ(U8(o.value), c.output);
        }
    }
}

TEST(Setup, SectionLinesAndTheirOutput) {
    struct Case {
        const char* source;
        const char* output;
    };
    const Case cases[] = {
        {"  Begin-Setup  ! c\nend-setup\n", "  Begin-Setup\nend-setup\n"},
        {"BEGIN-SETUP!c\r\nEND-SETUP", "BEGIN-SETUP\nEND-SETUP\n"},
        {"begin-setup\n   End-Setup   ! done\r\nx\n", "begin-setup\nEnd-Setup   ! done\nx\n"},
        {"begin-setup\nend-setupXYZ\n", "begin-setup\nend-setupXYZ\n"},
        // Every other line as outside a section, one output line per source line.
        {"begin-setup\n\n  \n! c\n  ! c\n#define v 1\n  declare-x {v}-  ! c\nend-declare\nend-setup\n{v}\n",
         "begin-setup\n\n  \n\n  \n\n  declare-x 1 -\nend-declare\nend-setup\n1\n"},
        // A nested section needs its own END-SETUP line.
        {"begin-setup\n begin-setup\nend-setup\nend-setup\n", "begin-setup\n begin-setup\nend-setup\nend-setup\n"},
        // Not the keyword: ordinary lines.
        {"begin-setupx\nbegin-select\n", "begin-setupx\nbegin-select\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CapturedConsole con;
        auto o = preprocess(c.source);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.output);
    }
}

TEST(Setup, FailuresEndTheRun) {
    struct Case {
        const char* source;
        const char* error;
        const char* console;
    };
    const Case cases[] = {
        // The unexpected character is named after itself, as a failed look-ahead names it.
        {"begin-setup x\n", "\"test.sqr\" (line 1, column 14):\nunexpected 'x'", ""},
        {"begin-setup\nask a\n", "\"test.sqr\" (line 3, column 1):\nunexpected end of input", "Enter a: a:1\n"},
        {"begin-setup\nbegin-setup\nend-setup\n", "\"test.sqr\" (line 4, column 1):\nunexpected end of input", ""},
        // A lone carriage return after the keyword: no END-SETUP line, and no line at all.
        {"begin-setup\nend-setup\rx\nend-setup\n", "\"test.sqr\" (line 2, column 10):\nunexpected \"\\r\"", ""},
        {"begin-setup\nend-setup\nend-setup\n", "\"test.sqr\" (line 4, column 1):\n(SQR 4702) Line found outside paragraph.1",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CapturedConsole con;
        con.input = {"1"};
        auto o = preprocess(c.source);
        EXPECT_FALSE(o.ok);
        // The first lines of the error: its position and what was unexpected.
        EXPECT_EQ(o.error.substr(0, std::string(c.error).size()), c.error);
        EXPECT_EQ(con.out, c.console);
    }
}

TEST(Setup, SectionLinesCrossIncludedFiles) {
    TempDir dir;
    TempDir::write("asks.sqc", "ask a\n#define b 2\n");
    TempDir::write("ends.sqc", "ask c\nend-setup\n{a}{b}{c}\n");
    TempDir::write("begins.sqc", "begin-setup\nask d\n");
    CapturedConsole con;
    con.input = {"1", "3", "4"};
    auto o = preprocess("begin-setup\n#include 'asks.sqc'\n#include 'ends.sqc'\nx\n#include 'begins.sqc'\nend-setup\n",
                        searchingHere());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(con.out, "Enter a: a:1\nEnter c: c:3\nEnter d: d:4\n");
    EXPECT_EQ(U8(o.value), "begin-setup\n\n\n\n\n\nend-setup\n123\nx\n\nbegin-setup\n\nend-setup\n");
}

TEST(Setup, ErrorsAfterAReturnNameTheResumedFile) {
    // The included file ends inside a section; the run fails at the end of the root, and
    // the line read last in the included file must leave it no error there.
    struct Case {
        const char* rootLines;
        const char* included;
    };
    const Case cases[] = {
        {"a\n", "begin-setup\nask q"},
        {"begin-setup\n", "ask q 'Q?'"},
        {"a\n", "begin-setup"},
        {"a\n", "begin-setup  ! c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.included);
        CapturedConsole con;
        con.input = {"v", "v"};
        std::string error = errorIncludingLast(c.rootLines, c.included, "z.sqc");
        EXPECT_EQ(firstLine(error), "\"a.sqr\" (line 2, column 17):");
        // Nothing of it depends on how the included file's name sorts.
        EXPECT_EQ(error, errorIncludingLast(c.rootLines, c.included, "0.sqc"));
    }

    // The END-SETUP line as the last of an included text: what follows the section fails
    // in the including file.
    for (const char* line : {"end-setup", "end-setup  ! c"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(firstLine(errorAfterTheEndOfZ(pSetupLines, line)), "\"r.sqr\" (line 4, column 1):");
        EXPECT_EQ(firstLine(errorAfterTheEndOfZ(pSetupLine, line)), "\"r.sqr\" (line 4, column 1):");
    }
}

TEST(Setup, LongAndDeepSectionsKeepTheStack) {
    CapturedConsole con;
    std::string longSection = "begin-setup\n";
    for (int i = 0; i < 30000; ++i) longSection += "ask x\n";
    con.input = {"1"};
    auto o = preprocess(longSection + "end-setup\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(std::count(o.value.begin(), o.value.end(), U'\n'), 30002);

    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "begin-setup\n";
    auto d = preprocess(deep);
    EXPECT_FALSE(d.ok);
    EXPECT_TRUE(d.consumed);
}

TEST(Setup, BeginSetupAfterItsKeyword) {
    CapturedConsole con;
    con.input = {"v"};
    auto o = runOn([](State& s) { return pBeginSetup(s, T("Begin-SETUP")); }, "  \nask q\n  x\n end-setup  \nrest");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "Begin-SETUP\n\n  x\nend-setup  \n");
    EXPECT_EQ(o.rest, "rest");
    EXPECT_EQ(o.sequenceNo, 5);
    EXPECT_EQ(symtabValue(o.user, "Q"), "v");
}

} // namespace
} // namespace zarnet::test
