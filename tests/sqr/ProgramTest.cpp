#include "ProgramFixtures.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

TEST(Program, EmptyAndBlankInputsAreProgramsWithTheReservedVariables) {
    for (const char* text : {"", "\n\n  \n", " -\n\n"}) {
        auto r = runProgram(text);
        EXPECT_TRUE(r.ok) << text << r.error;
        EXPECT_EQ(varCount(r.st), 22u) << text;
    }
    EXPECT_TRUE(varOf(runProgram("").st, "$current-date")->defined);
}

TEST(Program, SmallProgramThroughAllItsLines) {
    auto r = runProgram("BEGIN-SETUP\n"
                        "DECLARE-VARIABLE\n"
                        "INTEGER #count\n"
                        "END-DECLARE\n"
                        "END-SETUP\n"
                        "\n"
                        "BEGIN-PROGRAM\n"
                        "DO main\n"
                        "END-PROGRAM\n"
                        "\n"
                        "BEGIN-PROCEDURE main\n"
                        "LET #count = #count + 1\n"
                        "END-PROCEDURE\n");
    ASSERT_TRUE(r.ok) << r.error;
    auto count = varOf(r.st, "#count");
    ASSERT_TRUE(count);
    EXPECT_TRUE(count->defined);
    EXPECT_EQ(count->varType, VarType::integer());
    EXPECT_EQ(count->usedCount, 2);
    auto main = procOf(r.st, "MAIN");
    ASSERT_TRUE(main);
    EXPECT_EQ(U8(main->procName), "main");
    EXPECT_FALSE(main->procScope.isLocal);
    EXPECT_EQ(main->procPosition.sourceLine, 11);
    EXPECT_EQ(main->procPosition.sourceColumn, 17);
    EXPECT_EQ(r.st.currentScope, Scope::global());
    EXPECT_EQ(r.sequenceNo, 14);
}

TEST(Program, SectionsOfEveryKindInAnyOrderAndCase) {
    auto r = runProgram("begin-procedure p\n show $a\nend-procedure\n"
                        "Begin-Program\n  do p\nEnd-Program\n"
                        "BEGIN-HEADING 2\n print $h (1,1)\nEND-HEADING\n"
                        "BEGIN-FOOTING\n 3\n print $f (1,1)\nEND-FOOTING\n"
                        "BEGIN-REPORT\n print $r ()\nEND-REPORT\n"
                        "BEGIN-SETUP\n ask x\nEND-SETUP\n"
                        "BEGIN-PROGRAM\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    for (const char* v : {"$A", "$H", "$F", "$R"}) EXPECT_EQ(usesOf(r.st, v), 1) << v;
}

TEST(Program, TextAfterASectionClosingKeywordIsSkipped) {
    // SQR programs repeat the procedure name after END-PROCEDURE; the rest of such a
    // line is no text of the program.
    auto r = runProgram("BEGIN-PROCEDURE housekeeping\n  show $a\nEND-PROCEDURE housekeeping $b\n"
                        "BEGIN-PROGRAM\n do x\nEND-PROGRAM main program $c\n"
                        "BEGIN-SETUP\nEND-SETUP  $d\n"
                        "BEGIN-REPORT\nEND-REPORT $e\n"
                        "BEGIN-HEADING 1\nEND-HEADING $f\n"
                        "BEGIN-FOOTING 1\nEND-FOOTING $g\n"
                        "BEGIN-PROGRAM\n show $z\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A"), 1);
    EXPECT_EQ(usesOf(r.st, "$Z"), 1);
    for (const char* v : {"$B", "$C", "$D", "$E", "$F", "$G"}) EXPECT_EQ(usesOf(r.st, v), -1) << v;
    // The skipped text ends at its line: the line count goes on as usual.
    auto lines = runProgram("BEGIN-PROGRAM\nEND-PROGRAM x\n\nfoo");
    EXPECT_EQ(lines.error, "\"test.sqr\" (line 4, column 1):\nunexpected 'f'\n"
                           "expecting space, \"-\", \"\\n\", \"B\", \"b\" or end of input");
}

TEST(Program, TextAfterEndDeclareAndEndSelectIsReadAsTheNextLine) {
    auto r = runProgram("BEGIN-SETUP\nDECLARE-LAYOUT x\nEND-DECLARE show $a\nEND-SETUP\n"
                        "BEGIN-PROGRAM\nBEGIN-SELECT\ncol\nEND-SELECT show $b\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A"), 1);
    EXPECT_EQ(usesOf(r.st, "$B"), 1);
}

struct ErrorCase {
    const char* text;
    const char* error;
};

TEST(Program, ParseErrors) {
    const ErrorCase cases[] = {
        // Text outside every section fails at its first character.
        {"BEGIN-PROGRAM\nEND-PROGRAM\nEND-PROGRAM\n",
         "\"test.sqr\" (line 3, column 1):\nunexpected 'E'\nexpecting space, \"-\", \"\\n\", \"B\", \"b\" or end of input"},
        {"BEGIN-PROGRAMX\nEND-PROGRAM\n", nullptr},
        {"BEGIN-HEADING2\nEND-HEADING\n", nullptr},
        // A section without its closing line.
        {"BEGIN-PROGRAM\n  show $a\n",
         "\"test.sqr\" (line 3, column 1):\nunexpected end of input\n"
         "expecting space, \"-\", \"\\n\", \"E\", \"e\", \"B\", \"b\", \"D\", \"d\", \"'\", \"#\" or \"$\""},
        // A line count is required after BEGIN-HEADING.
        {"BEGIN-HEADING x\nEND-HEADING\n", "\"test.sqr\" (line 1, column 15):\nunexpected \"x\"\nexpecting space, \"-\", \"\\n\" or digit"},
        // A closing line of another section in a body.
        {"BEGIN-SETUP\n  END-PROGRAM\nEND-SETUP\n",
         "\"test.sqr\" (line 3, column 1):\n(SQR 4702)ff Line found outside paragraph."},
        // An error inside a procedure is reported where it lies.
        {"BEGIN-PROCEDURE p\n  show 'abc\nEND-PROCEDURE\n", nullptr},
    };
    for (const auto& c : cases) {
        auto r = runProgram(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        if (c.error) {
            EXPECT_EQ(r.error, c.error) << c.text;
        }
    }
    auto inProc = runProgram("BEGIN-PROCEDURE p\n  show $a\n  END-PROGRAM\nEND-PROCEDURE\n");
    EXPECT_EQ(inProc.error, "\"test.sqr\" (line 4, column 1):\n(SQR 4702)ff Line found outside paragraph.");
}

TEST(Program, HeadingLineCountOnTheNextLineAndBodyAfterIt) {
    auto r = runProgram("BEGIN-HEADING\n  2\nEND-HEADING\nBEGIN-FOOTING 2 FOR-REPORTS=($x)\nEND-FOOTING\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$X"), 1);
}

TEST(Program, ProcedureFirstLineAndGlobalScopeAfterLocalProcedure) {
    auto r = runProgram("BEGIN-PROCEDURE get($a)\n show $b\nEND-PROCEDURE\nBEGIN-PROGRAM\n show $c\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A", "GET"), 1);
    EXPECT_EQ(usesOf(r.st, "$B", "GET"), 1);
    EXPECT_EQ(usesOf(r.st, "$C"), 1);
    EXPECT_EQ(usesOf(r.st, "$C", "GET"), -1);
}

} // namespace
} // namespace zarnet::test
