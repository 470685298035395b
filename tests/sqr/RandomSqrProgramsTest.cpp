// Whole program parses over random texts built from the pieces of the SQR grammar: no run
// may crash or depend on anything but its input, and neither the quick readings nor the
// memo of failed paragraph readings may change an outcome, an error or a recorded use.
#include "ProgramFixtures.h"

#include "preprocessor/PreprocessorRun.h"

#include "sqr/Lexical.h"
#include "sqr/Reserved.h"

#include <gtest/gtest.h>

#include <random>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

const char* const kPieces[] = {
    "BEGIN-PROGRAM", "END-PROGRAM", "begin-procedure p", "BEGIN-PROCEDURE q($a, :#b)", "begin-procedure r local",
    "END-PROCEDURE", "end-procedure p", "BEGIN-SETUP", "END-SETUP", "BEGIN-HEADING 2", "END-HEADING",
    "BEGIN-FOOTING", "END-FOOTING", "BEGIN-REPORT", "END-REPORT", "BEGIN-SELECT", "END-SELECT", "begin-sql",
    "end-sql", "DECLARE-VARIABLE", "integer #a", "text $t", "END-DECLARE", "DECLARE-LAYOUT x", "DO p",
    "do q($a, #b, 'x', 1)", "do q($a", "let $a = $b || 'c'", "if #a > 1", "end-if", "END-", "END-IF", "ELSE",
    "$", "#", "$x", "#y", "$_z", "'", "'abc'", "(", ")", ",", "-", " - ", "!", "0", "1.5", "DO", "END-DECLARE x",
    "\t", " ", "e", "B", "D", "LOCAL", "&col", "[$bind]", "ON=$", "END-PROCEDUREX", "BEGIN-SELECTION", "Begin-Sql(",
    "DECLARE-VARIABLEX", "DOX", "do(", "END-PROGRAM(", "eNd-SeLeCt", "END-\nSETUP", " -\n", "-x", "\u3000",
    "\u00a0", "\v", "\r", "\u00e9", "end-selectx", "END-PROCEDURE\t", "decimal #d", "DECIMAL(5) #e", "float #f", "date $d", "DATEX",
    "default-numeric=integer", "Integer", "text=", "do p('x', #a, $b, 1, -2)", "do p($_a, '", "do p(#", "do p('",
    "do q($a!!b, #c!x)", "begin-procedure s($\u00e9x, #x!!, :$y!)", "do q(ab\u00e9, x!!!)"};

// Random lines, most often inside a section frame so that bodies are reached.
std::string randomProgram(std::mt19937& rng) {
    std::uniform_int_distribution<int> lines(0, 14), words(0, 3), piece(0, std::size(kPieces) - 1), coin(0, 9);
    static const char* const frames[][2] = {{"BEGIN-PROGRAM\n", "END-PROGRAM\n"},
                                            {"begin-procedure p local\n", "end-procedure p\n"},
                                            {"begin-setup\n", "end-setup\n"},
                                            {"", ""}};
    const auto& frame = frames[coin(rng) % 4];
    std::string out = frame[0];
    for (int l = lines(rng); l > 0; --l) {
        if (coin(rng) < 3) out += "  ";
        for (int w = words(rng); w > 0; --w) {
            out += kPieces[piece(rng)];
            if (coin(rng) < 6) out += ' ';
        }
        if (l > 1 || coin(rng) < 8) out += '\n';
    }
    return out + frame[1];
}

struct Outcome {
    bool ok = false;
    std::string error;
    std::string rest;
    ParserState st;
};

Outcome withMemo(const std::string& text) {
    auto o = runOn(pSqrProgram, text);
    return {o.ok, o.error, o.rest, o.user->state};
}

// The same program read by the grammar without the memo of failed paragraph readings.
Reply<UserState> withoutMemo(State& s) {
    Seq q(s);
    q(setBuiltinVariables);
    UserState u = q([](State& st) { return pSqrProgramBody(st, nullptr); });
    if (!q) return q.failure();
    return q.ok(std::move(u));
}

void expectSame(const Outcome& a, const Outcome& b, const std::string& text) {
    ASSERT_EQ(a.ok, b.ok) << text;
    ASSERT_EQ(a.error, b.error) << text;
    if (!a.ok) return;
    ASSERT_EQ(a.rest, b.rest) << text;
    ASSERT_TRUE(a.st.scopeMap == b.st.scopeMap) << text;
    ASSERT_TRUE(a.st.procMap == b.st.procMap) << text;
    ASSERT_EQ(a.st.currentScope, b.st.currentScope) << text;
}

TEST(RandomSqrPrograms, QuickReadingsAndMemoChangeNothing) {
    std::mt19937 rng(11);
    int succeeded = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string text = randomProgram(rng);
        Outcome quick = withMemo(text);
        Outcome again = withMemo(text);
        expectSame(quick, again, text);

        auto o = runOn(withoutMemo, text);
        expectSame(quick, Outcome{o.ok, o.error, o.rest, o.user->state}, text);

        auto p = runOn([](State& st) { return plainGrammar(st, pSqrProgram); }, text);
        expectSame(quick, Outcome{p.ok, p.error, p.rest, p.user->state}, text);
        if (testing::Test::HasFatalFailure()) return;
        succeeded += quick.ok;
    }
    // Enough of the texts are programs for the comparison to reach recorded uses.
    EXPECT_GT(succeeded, 400);
}

} // namespace
} // namespace zarnet::test
