// Whole preprocessor runs over random programs built from the pieces that make directives,
// references and line ends interact: no run may crash, hang or depend on anything but its
// input, and a run that succeeds keeps one output line per source line.
#include "TestSupport.h"
#include "driver/TempDir.h"
#include "preprocessor/Ask.h"
#include "preprocessor/Preprocessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zarnet::test {
namespace {

const char* const kPieces[] = {
    "#define x 1", "#define", "#if", "#ifdef", "#ifndef", "#else", "#end-if", "#endif", "#include 'b.sqc'",
    "#include \"c.sqc\"", "#include 'a.sqr'", "begin-setup", "end-setup", "ask x", "ask y 'Prompt'", "{x}",
    "{y", "}", "-", " - ", "!", "!!", "!=", "=", "<>", "<", ">=", "'", "\"", "\t", " ", "\r", "\u00e9",
    "\u3000", "abc", "let #a = 1", "NaN", "0x1F", "(", ")", "#if a = b", "#if 1 < 2", "#ifdef x",
    "#else!x", "{sqr-database}"};

std::string randomText(std::mt19937& rng, bool withIncludes) {
    std::uniform_int_distribution<int> lines(0, 12), words(0, 4), piece(0, std::size(kPieces) - 1), coin(0, 9);
    const char* sep = coin(rng) < 3 ? "\r\n" : "\n";
    std::string out;
    for (int l = lines(rng); l > 0; --l) {
        for (int w = words(rng); w > 0; --w) {
            std::string p = kPieces[piece(rng)];
            if (!withIncludes && p.find("#include") != std::string::npos) continue;
            out += p;
            if (coin(rng) < 5) out += ' ';
        }
        if (l > 1 || coin(rng) < 7) out += sep;
    }
    return out;
}

struct RunResult {
    bool ok = false;
    std::string text, console;
    std::string end; // where a successful run ended: position and output line count
};

RunResult preprocessFiles(bool fastPaths = true) {
    CapturedConsole console;
    console.input = {"one", "two", "three"};
    ParserState user = initialState();
    user.searchPaths = PList<Text>::fromVector({"."});
    RunResult run;
    try {
        auto whole = [fastPaths](State& s) {
            s.run->fastPaths = fastPaths;
            return pSqr(s, pZarnet);
        };
        auto o = runOn(whole, TempDir::read("a.sqr"), user, "a.sqr");
        run.ok = o.ok;
        run.text = o.ok ? U8(o.value) : o.error;
        if (o.ok) run.end = showPos(o.pos) + " " + std::to_string(o.sequenceNo);
    } catch (const AskInputEnded&) {
        run.text = "<end of standard input>";
    }
    run.console = console.out + console.err;
    return run;
}

// Source lines as text mode reads them: CR LF is one line end; an unterminated last line
// counts when it is not empty.
std::size_t sourceLines(std::string t) {
    std::string lf;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (!(t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n')) lf += t[i];
    std::size_t n = std::count(lf.begin(), lf.end(), '\n');
    return n + (!lf.empty() && lf.back() != '\n' ? 1 : 0);
}

TEST(RandomPrograms, RunsAreSafeRepeatableAndKeepLineCounts) {
    TempDir dir;
    std::mt19937 rng(7);
    for (int i = 0; i < 1500; ++i) {
        const bool withIncludes = i % 2 == 1;
        const std::string a = randomText(rng, withIncludes);
        TempDir::write("a.sqr", a);
        TempDir::write("b.sqc", randomText(rng, withIncludes));
        TempDir::write("c.sqc", randomText(rng, withIncludes));
        SCOPED_TRACE(a);
        RunResult first = preprocessFiles();
        RunResult again = preprocessFiles();
        ASSERT_EQ(first.ok, again.ok);
        ASSERT_EQ(first.text, again.text);
        ASSERT_EQ(first.console, again.console);
        if (first.ok && !withIncludes) {
            ASSERT_EQ(static_cast<std::size_t>(std::count(first.text.begin(), first.text.end(), '\n')), sourceLines(a));
        }
    }
}

// The whole run with every fast path on and with all of them off: outputs, errors,
// positions and what was written must be the same.
TEST(RandomPrograms, FastPathsAndThePlainGrammarAgree) {
    TempDir dir;
    std::mt19937 rng(11);
    for (int i = 0; i < 1500; ++i) {
        const bool withIncludes = i % 2 == 1;
        const std::string a = randomText(rng, withIncludes);
        TempDir::write("a.sqr", a);
        TempDir::write("b.sqc", randomText(rng, withIncludes));
        TempDir::write("c.sqc", randomText(rng, withIncludes));
        SCOPED_TRACE(a);
        RunResult fast = preprocessFiles(true);
        RunResult plain = preprocessFiles(false);
        ASSERT_EQ(fast.ok, plain.ok);
        ASSERT_EQ(fast.text, plain.text);
        ASSERT_EQ(fast.console, plain.console);
        ASSERT_EQ(fast.end, plain.end);
    }
}

} // namespace
} // namespace zarnet::test
