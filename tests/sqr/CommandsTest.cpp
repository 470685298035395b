#include "TestSupport.h"

#include "preprocessor/PreprocessorRun.h"
#include "sqr/Commands.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

struct KeywordCase {
    const char* input;
    bool ok;
    const char* rest; // input left (after a failure: everything, nothing consumed)
};

TEST(Commands, CommandIsAWholeWordReadAsAUnit) {
    const KeywordCase cases[] = {
        {"BEGIN-PROGRAM\n  do main", true, "do main"},
        {"begin-program", true, ""},
        {"Begin-Program \t\n\n\n  x", true, "x"},
        {"  \n BEGIN-PROGRAM x", true, "x"},
        {"BEGIN-PROGRAMX", false, "BEGIN-PROGRAMX"},
        {"BEGIN-PROGRAM(", false, "BEGIN-PROGRAM("},
        {"BEGIN-PROG", false, "BEGIN-PROG"},
        {"BEGIN-SETUP", false, "BEGIN-SETUP"},
    };
    for (const auto& c : cases) {
        auto o = runOn(command(kwBeginProgram), c.input);
        EXPECT_EQ(o.ok, c.ok) << c.input;
        EXPECT_EQ(o.rest, c.rest) << c.input;
        if (!c.ok) {
            EXPECT_FALSE(o.consumed) << c.input;
        }
    }
    auto o = runOn(command(kwBeginProgram), "begin-Program\n");
    EXPECT_EQ(U8(o.value), "begin-Program");
}

TEST(Commands, CommandCountsTheLineEndsItSkips) {
    auto o = runOn(command(kwBeginProgram), "BEGIN-PROGRAM\n\n\n  x", initialState(), "test.sqr", 5);
    EXPECT_EQ(o.sequenceNo, 8);
    EXPECT_EQ(o.pos.sourceLine, 4);
    EXPECT_EQ(o.pos.sourceColumn, 3);
    // A failed attempt leaves the counter as it was.
    State start = startState("\n\nBEGIN-PROGRAMX", initialState(), "test.sqr", 5);
    State seen = stateSeenByNextAlternative(command(kwBeginProgram), start);
    EXPECT_EQ(seen.sequenceNo, 5);
    EXPECT_EQ(U8(seen.rest()), "\n\nBEGIN-PROGRAMX");
}

TEST(Commands, EndLine) {
    const KeywordCase cases[] = {
        {"END-PROGRAM", true, ""},
        {"end-program\n\n\n  next", true, "next"},
        {"  END-PROGRAM  \nnext", true, "next"},
        {"END-PROGRAM foo\nnext", true, "foo\nnext"}, // text after a blank stays for the next parser
        {"END-PROGRAMS", false, "END-PROGRAMS"},
        {"END-PROG\n", false, "END-PROG\n"},
    };
    for (const auto& c : cases) {
        auto o = runOn(pEndLine(kwEndProgram), c.input);
        EXPECT_EQ(o.ok, c.ok) << c.input;
        EXPECT_EQ(o.rest, c.rest) << c.input;
        if (!c.ok) {
            EXPECT_FALSE(o.consumed) << c.input;
        }
    }
    // Every line feed after the keyword is counted, also those taken directly after it.
    auto o = runOn(pEndLine(kwEndProgram), "END-PROGRAM\n\n\n  x", initialState(), "test.sqr", 1);
    EXPECT_EQ(o.sequenceNo, 4);
    EXPECT_EQ(o.pos.sourceLine, 4);
    EXPECT_EQ(o.pos.sourceColumn, 3);
    auto blanks = runOn(pEndLine(kwEndProgram), "END-PROGRAM  \nx", initialState(), "test.sqr", 1);
    EXPECT_EQ(blanks.sequenceNo, 2);
}

TEST(Commands, SectionEndLineSkipsTheRestOfItsLine) {
    const KeywordCase cases[] = {
        {"END-PROCEDURE HOUSEKEEPING\nBEGIN-PROGRAM", true, "BEGIN-PROGRAM"},
        {"end-procedure  main ! done\n\n  x", true, "x"},
        {"END-PROCEDURE", true, ""},
        {"END-PROCEDURE main", true, ""},
        {"END-PROCEDUREX main\n", false, "END-PROCEDUREX main\n"},
    };
    for (const auto& c : cases) {
        auto o = runOn(pSectionEndLine(kwEndProcedure), c.input);
        EXPECT_EQ(o.ok, c.ok) << c.input;
        EXPECT_EQ(o.rest, c.rest) << c.input;
    }
    auto o = runOn(pSectionEndLine(kwEndProcedure), "END-PROCEDURE main\n\nx", initialState(), "test.sqr", 1);
    EXPECT_EQ(o.sequenceNo, 3);
    EXPECT_EQ(o.pos.sourceLine, 3);
}

TEST(Commands, SymbolEndsAtWhiteSpaceOrAnOperator) {
    const KeywordCase cases[] = {
        {"INTEGER #a", true, "#a"},
        {"integer(", true, "("},
        {"integer", true, ""},
        {"Integer\n\n  #a", true, "#a"},
        {"integer=5", true, "=5"},
        {"integers", false, "integers"},
        {"integer#a", false, "integer#a"},
        {"int", false, "int"},
        {" integer", false, " integer"}, // nothing is skipped before the keyword
    };
    for (const auto& c : cases) {
        auto o = runOn(symbol("INTEGER"), c.input);
        EXPECT_EQ(o.ok, c.ok) << c.input;
        EXPECT_EQ(o.rest, c.rest) << c.input;
        if (!c.ok) {
            EXPECT_FALSE(o.consumed) << c.input;
        }
    }
}

TEST(Commands, UnexpectedEndCommand) {
    // The message is raised where the text after the section word begins.
    auto o = runOn(pUnexpectedEndCommand, "END-SETUP\n   let x");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 2, column 4):\n(SQR 4702)ff Line found outside paragraph.");
    auto split = runOn(pUnexpectedEndCommand, "end-\nprogram x");
    EXPECT_EQ(split.error, "\"test.sqr\" (line 2, column 9):\n(SQR 4702)ff Line found outside paragraph.");
    // The message is kept also when the section word ends the input.
    auto last = runOn(pUnexpectedEndCommand, "END-PROGRAM");
    EXPECT_NE(last.error.find("(SQR 4702)ff"), std::string::npos);

    for (const char* other : {"END-IF", "END-SELECT", "ENDX", "EXIT"}) {
        auto r = runOn(pUnexpectedEndCommand, other);
        EXPECT_FALSE(r.ok) << other;
        EXPECT_TRUE(r.consumed) << other;
        EXPECT_EQ(r.error.find("SQR"), std::string::npos) << other;
    }
    auto notE = runOn(pUnexpectedEndCommand, "LET");
    EXPECT_FALSE(notE.consumed);
}

TEST(Commands, NewlinesTakeLineFeedsAndCarriageReturns) {
    auto o = runOn(pNewlines, "\r\n\n x", initialState(), "test.sqr", 1);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.rest, " x");
    EXPECT_EQ(o.sequenceNo, 3);
    EXPECT_FALSE(runOn(pNewlines, "x").ok);
    EXPECT_TRUE(runOn(pNewlines, "").ok);
}

// Command words, closing lines and keywords are read without the messages of their steps
// where fast paths are on: outcome, error, place, line count and continuation flag stay the
// plain rule's, whatever stands before, in and after the keyword.
TEST(Commands, KeywordsReadDirectlyAsThePlainRuleReadsThem) {
    const char* inputs[] = {"END-PROCEDURE", "end-procedure\n", "  End-Procedure \t\n\n  x", "END-PROCEDURE main",
                            "END-PROCEDURE main\n  y", "END-PROCEDURE\r\n\r\nx", "END-PROCEDURE\u00a0x",
                            "END-PROCEDUREX", "END-PROCEDURE(", "END-PROC\n", " -\n END-PROCEDURE\n", "\u3000END-PROCEDURE\n",
                            " -END-PROCEDURE\n", "\n\nEND-PROCEDURE -\nx", "END-PROCEDURE\v\n", "\tx", "",
                            // Eight characters at a time: the case bit only of letters.
                            "END\rPROCEDURE\n", "eNd-pRoCeDuRe\n", "END-PROCEDURE\n", "END-PRO\003EDURE\n",
                            "END-PROCEDURe\n", "EN@-PROCEDURE\n", "\x05ND-PROCEDURE\n", "END-PROCEDUR\x05\n"};
    for (const char* in : inputs) {
        for (TextView kw : {kwEndProcedure, TextView("DO")}) {
            const auto cmd = command(kw);
            const auto end = pEndLine(kw);
            const auto sectionEnd = pSectionEndLine(kw);
            const auto sym = symbol(kw);
            expectSameAsGrammar(cmd, [&](State& st) { return plainGrammar(st, cmd); }, in, initialState());
            expectSameAsGrammar(end, [&](State& st) { return plainGrammar(st, end); }, in, initialState());
            expectSameAsGrammar(sectionEnd, [&](State& st) { return plainGrammar(st, sectionEnd); }, in, initialState());
            expectSameAsGrammar(sym, [&](State& st) { return plainGrammar(st, sym); }, in, initialState());
        }
    }
    // Keywords with characters at the edges of the letter ranges and beyond printable ASCII.
    for (const char* in : {"@[`{-Z A\n", "`{@[-z a\n", "@[`{-Z A", "@[`{-ZAA\n", "\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\n"}) {
        for (TextView kw : {TextView("@[`{-Z A"), TextView("\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f"), TextView("\x1f[`{-Z A")}) {
            const auto cmd = command(kw);
            const auto sym = symbol(kw);
            expectSameAsGrammar(cmd, [&](State& st) { return plainGrammar(st, cmd); }, in, initialState());
            expectSameAsGrammar(sym, [&](State& st) { return plainGrammar(st, sym); }, in, initialState());
        }
    }
    for (const char* in : {"begin-select\n", "  BEGIN-SQL x", "\nbegin-sq", "begin-s\u00e9"}) {
        const auto cmd = command("BEGIN-SQL");
        const auto end = pEndLine("BEGIN-SQL");
        expectSameAsGrammar(cmd, [&](State& st) { return plainGrammar(st, cmd); }, in, initialState());
        expectSameAsGrammar(end, [&](State& st) { return plainGrammar(st, end); }, in, initialState());
    }
    for (const char* in : {"do x", "DO\n  y", "Do\t(", "do(", "do", "DOX", "do\u00a0x", "do -\n x", "do \u00e9"}) {
        const auto cmd = command("DO");
        const auto sym = symbol("DO");
        expectSameAsGrammar(cmd, [&](State& st) { return plainGrammar(st, cmd); }, in, initialState());
        expectSameAsGrammar(sym, [&](State& st) { return plainGrammar(st, sym); }, in, initialState());
    }
}

} // namespace
} // namespace zarnet::test
