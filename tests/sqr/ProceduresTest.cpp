#include "ProgramFixtures.h"

#include "core/Show.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Procedures.h"
#include "sqr/Program.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

// A procedure section alone, wrapped in a program.
ProgramRun runProc(const std::string& header, const std::string& body = "") {
    return runProgram("BEGIN-PROCEDURE " + header + "\n" + body + "END-PROCEDURE\n");
}

TEST(Procedures, HeaderDecidesNameAndScope) {
    struct Case {
        const char* header;
        const char* key;
        const char* name;
        bool local;
    };
    const Case cases[] = {
        {"Main", "MAIN", "Main", false},
        {"Calc_Tax local", "CALC_TAX", "Calc_Tax", true},
        {"Calc_Tax LOCAL", "CALC_TAX", "Calc_Tax", true},
        {"Calc_TaxLOCAL", "CALC_TAXLOCAL", "Calc_TaxLOCAL", false},
        {"p()", "P", "p", true},
        {"p ( )", "P", "p", true},
        {"Wow!!", "WOW!", "Wow!", false},
        {"a-b,c=d#e$f:g\"h)", "A-B,C=D#E$F:G\"H)", "a-b,c=d#e$f:g\"h)", false},
        {"\n  Main", "MAIN", "Main", false},
        {"p\n  local", "P", "p", true},
    };
    for (const auto& c : cases) {
        auto r = runProc(c.header);
        ASSERT_TRUE(r.ok) << c.header << "\n" << r.error;
        auto p = procOf(r.st, c.key);
        ASSERT_TRUE(p) << c.header;
        EXPECT_EQ(U8(p->procName), c.name) << c.header;
        EXPECT_EQ(p->procScope.isLocal, c.local) << c.header;
        if (c.local) {
            EXPECT_EQ(U8(p->procScope.name), c.key) << c.header;
        }
    }
    // LOCALS is no keyword, and the L of a LET line on the next line is given back.
    auto locals = runProc("p LOCALS");
    ASSERT_TRUE(locals.ok) << locals.error;
    EXPECT_FALSE(procOf(locals.st, "P")->procScope.isLocal);
    auto let = runProc("main", "  let $a = 'x'\n");
    ASSERT_TRUE(let.ok) << let.error;
    EXPECT_FALSE(procOf(let.st, "MAIN")->procScope.isLocal);
    EXPECT_EQ(usesOf(let.st, "$A"), 1);
}

TEST(Procedures, NamePositionIsAfterTheKeywordAndItsWhiteSpace) {
    auto r = runProgram("BEGIN-PROCEDURE\n\n   Main\nEND-PROCEDURE\n");
    ASSERT_TRUE(r.ok) << r.error;
    auto p = procOf(r.st, "MAIN");
    EXPECT_EQ(p->procPosition.sourceLine, 3);
    EXPECT_EQ(p->procPosition.sourceColumn, 4);
}

TEST(Procedures, ParametersAreUsesInTheLocalScope) {
    auto r = runProc("Get_Rate($name, :#rate)", "  show $other\n");
    ASSERT_TRUE(r.ok) << r.error;
    auto p = procOf(r.st, "GET_RATE");
    ASSERT_TRUE(p);
    auto params = p->parameters.toVector();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(U8(params[0].varIdentifier.varName), "NAME");
    EXPECT_EQ(params[0].varIdentifier.varSymbol, VarSymbol::Dollar);
    EXPECT_EQ(params[0].callType, CallType::CallByValue);
    EXPECT_EQ(U8(params[1].varIdentifier.varName), "RATE");
    EXPECT_EQ(params[1].callType, CallType::CallByReference);
    for (const char* v : {"$NAME", "#RATE", "$OTHER"}) {
        auto a = varOf(r.st, v, "GET_RATE");
        ASSERT_TRUE(a) << v;
        EXPECT_FALSE(a->defined) << v;
        EXPECT_EQ(a->usedCount, 1) << v;
    }
    auto name = varOf(r.st, "$NAME", "GET_RATE");
    EXPECT_EQ(name->varPosition().sourceColumn(), 26);
}

TEST(Procedures, LeadingDeclarationsOfALocalProcedure) {
    auto r = runProc("Get_Rate($name, :#rate)", "DECLARE-VARIABLE\n  integer #rate\nEND-DECLARE\n  let #rate = 1\n");
    ASSERT_TRUE(r.ok) << r.error;
    auto rate = varOf(r.st, "#RATE", "GET_RATE");
    ASSERT_TRUE(rate);
    EXPECT_TRUE(rate->defined);
    EXPECT_EQ(rate->varType, VarType::integer());
    EXPECT_EQ(rate->usedCount, 2);
}

struct ErrorCase {
    const char* header;
    const char* body;
    const char* error;
};

TEST(Procedures, DeclareVariableOutOfPlace) {
    const ErrorCase cases[] = {
        {"main", "DECLARE-VARIABLE\n  integer #a\nEND-DECLARE\n",
         "\"test.sqr\" (line 3, column 3):\n(SQR 7207) This command is only allowed within local procedures."},
        {"main", "  show $x\n  declare-variable integer #a\nEND-DECLARE\n",
         "\"test.sqr\" (line 3, column 20):\n(SQR 7208) This command must be before all other commands in the procedure."},
        {"p local", "DECLARE-VARIABLE\n  integer #a\nEND-DECLARE\nDECLARE-VARIABLE\n integer #b\nEND-DECLARE\n",
         "\"test.sqr\" (line 6, column 2):\n(SQR 7208) This command must be before all other commands in the procedure."},
    };
    for (const auto& c : cases) {
        auto r = runProc(c.header, c.body);
        EXPECT_FALSE(r.ok) << c.body;
        EXPECT_EQ(r.error, c.error) << c.body;
    }
    // Not the keyword: an ordinary line.
    auto word = runProc("main", "  DECLARE-VARIABLES $a\n");
    EXPECT_TRUE(word.ok) << word.error;
    // Inside a paragraph the line belongs to the paragraph.
    auto inSelect = runProc("main", "BEGIN-SELECT\nDECLARE-VARIABLE\nEND-SELECT\n");
    EXPECT_TRUE(inSelect.ok) << inSelect.error;
}

TEST(Procedures, ParameterLists) {
    struct Case {
        const char* list;
        const char* names; // upper-cased names joined by ","; nullptr for a parse error
    };
    const Case cases[] = {
        {"(#count, $name)", "COUNT,NAME"},
        {"(:#total)", "TOTAL"},
        {"(: #total)", "TOTAL"},
        {"(:\n#total)", "TOTAL"},
        {"(#a,)", "A"},
        {"(#a , )", "A"},
        {"(#a\n$b)", "A,B"},
        {"(#a,\n  $b)", "A,B"},
        {"(#x!!y)", "X!Y"},
        {"(  #Rate)", "RATE"},
        {"(#_a)", "_A"},
        {"(#a $b)", nullptr},
        {"(#a\n, $b)", nullptr},
        {"(#a,,#b)", nullptr},
        {"(,#a)", nullptr},
        {"(#a -\n, #b)", nullptr},
        {"(# a)", nullptr},
        {"(a)", nullptr},
        {"(#a", nullptr},
    };
    for (const auto& c : cases) {
        auto r = runProc(std::string("p") + c.list);
        if (!c.names) {
            EXPECT_FALSE(r.ok) << c.list;
            continue;
        }
        ASSERT_TRUE(r.ok) << c.list << "\n" << r.error;
        std::string got;
        for (const Parameter& p : procOf(r.st, "P")->parameters) got += (got.empty() ? "" : ",") + U8(p.varIdentifier.varName);
        EXPECT_EQ(got, c.names) << c.list;
    }
    auto bad = runProc("p(#a,,#b)");
    EXPECT_EQ(bad.error.substr(0, 29), "\"test.sqr\" (line 1, column 22");
}

TEST(Procedures, ParameterNameAsWrittenAndItsPosition) {
    auto r = runProc("p(  #Rate)");
    auto a = varOf(r.st, "#RATE", "P");
    ASSERT_TRUE(a);
    EXPECT_EQ(U8(a->caseSensitiveName), "Rate");
    EXPECT_EQ(a->varPosition().sourceColumn(), 21);
}

TEST(Procedures, SameNameTwiceSharesOneRecordAndScope) {
    auto r = runProgram("BEGIN-PROCEDURE Init local\n show $a\nEND-PROCEDURE\n"
                        "BEGIN-PROCEDURE INIT local\n show $a\nEND-PROCEDURE\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(U8(procOf(r.st, "INIT")->procName), "INIT");
    EXPECT_EQ(usesOf(r.st, "$A", "INIT"), 2);
}

TEST(Procedures, BodyLinesAndTheirEnd) {
    // BEGIN-PROCEDURE in a body is a statement line of the current procedure.
    auto nested = runProgram("BEGIN-PROCEDURE p local\n BEGIN-PROCEDURE Other\n show $a\nEND-PROCEDURE\n");
    ASSERT_TRUE(nested.ok) << nested.error;
    EXPECT_EQ(usesOf(nested.st, "$A", "P"), 1);
    EXPECT_FALSE(procOf(nested.st, "OTHER"));
    // END-PROCEDUREX does not end the body.
    auto x = runProgram("BEGIN-PROCEDURE p\n END-PROCEDUREX\nEND-PROCEDURE\n");
    EXPECT_TRUE(x.ok) << x.error;
    // An empty body, and the input ending inside a body.
    EXPECT_TRUE(runProgram("BEGIN-PROCEDURE p\nEND-PROCEDURE").ok);
    EXPECT_FALSE(runProgram("BEGIN-PROCEDURE p\n show $a\n").ok);
    // No name.
    EXPECT_FALSE(runProgram("BEGIN-PROCEDURE\n").ok);
    auto bang = runProgram("BEGIN-PROCEDURE a!b\nEND-PROCEDURE\n");
    EXPECT_EQ(bang.error, "\"test.sqr\" (line 1, column 19):\nunexpected \"b\"\nexpecting \"!\"");
}

TEST(Procedures, UnderscoreSendsAUseToTheGlobalScope) {
    auto r = runProc("p local", " show $_g $l\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$G"), 1);
    EXPECT_EQ(usesOf(r.st, "$L", "P"), 1);
}

// pSection with its quick paths against the plain grammar, on each text.
template <std::size_t N> void expectSectionsAsGrammar(const char* const (&texts)[N]) {
    auto section = [](State& st) { return pSection(st, nullptr); };
    for (const char* text : texts)
        expectSameAsGrammar(section, [&](State& st) { return plainGrammar(st, section); }, text, initialState());
}

// A section read where BEGIN-PROCEDURE stands skips the header tests that must fail; the
// outcome, error and records must be those of the plain grammar, whether the procedure
// succeeds or not.
TEST(Procedures, QuickReadingOfAProcedureChangesNothing) {
    const char* const texts[] = {
        "BEGIN-PROCEDURE p local\n let #a = 1\nEND-PROCEDURE\n",
        "begin-procedure p($a, :#b, $c)\n let #a = #b\nend-procedure p\n\n",
        "BEGIN-PROCEDURE p LOCALX\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p local(\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p local\nDECLARE-VARIABLE\ninteger #a\nEND-DECLARE\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p\nDECLARE-VARIABLE\ninteger #a\nEND-DECLARE\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p\n  declare-variablex\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE a!!b($x!!, #y)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE a!b\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p(#a $b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p local\n",
        "BEGIN-PROCEDURE p local",
        "BEGIN-PROCEDURE p\n show $a\n",
        "BEGIN-PROCEDURE\n",
        "BEGIN-PROCEDUREX p\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p local\n let #a = 1\nEND-PROGRAM\n",
    };
    expectSectionsAsGrammar(texts);
}

// The blanks after a parameter separator are read without their error; what follows them,
// a parameter or not, decides the outcome as in the plain grammar.
TEST(Procedures, BlanksAfterAParameterSeparatorChangeNothing) {
    const char* const texts[] = {
        "BEGIN-PROCEDURE p($a,#b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, \t :#b , $c)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a,\n\n  #b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a\n#b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, -\n #b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a,\xC2\xA0#b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, -#b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a,\f#b)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, x)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, )\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a, :)\nEND-PROCEDURE\n",
        "BEGIN-PROCEDURE p($a,\n",
        "BEGIN-PROCEDURE p($a, ",
    };
    expectSectionsAsGrammar(texts);
}

// Lists of common parameters are read directly: items, names as written, their places, the
// error after ")", the input left and the recorded names stay the plain rule's; whatever breaks
// the common form (line feeds, continuations, other blanks, non-ASCII, doubled "!", a missing
// ")", ",,", the end of the input) is left to the plain rule.
TEST(Procedures, ParameterListsReadDirectlyAsThePlainRuleReadsThem) {
    const char* const lists[] = {
        "($a)", "($key_1, :#count_1, $name)\n", "( $a ,\t#b\t)  x", "(:$a,:#b) !c\n", "(#a)",
        "($a, #b", "($a,,#b)", "($a,)", "(,$a)", "()", "( )", "(", "($", "($)", "(: $a)", "(:)",
        "($a #b)", "($a\n)", "($a,\n#b)", "($a, -\n #b)", "($a -\n)", "($a!!b)", "($a!b)",
        "($\u00e9)", "($a\u00e9, #b)", "($a\u00a0)", "($a,\u00a0#b)", "($a\v)", "($a\r\n)", "($a\x1a)",
        "($a(1), #b)", "($$a, ##b)", "($a-b, #c:d)", "($a, $A, #a)", "($_a)", "($a)\u00a0x", "($a)-\n x",
        "x($a)", "",
    };
    auto header = [](State& st) -> Reply<std::string> {
        Reply<HeaderInfo> r = pParenParameters(st);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        std::string shown = r.value.first ? "local" : "global";
        for (const ParamItem& i : r.value.second)
            shown += " " + show(i.parameter) + " " + U8(i.writtenName) + " " + std::to_string(i.position.sourceLine) +
                     ":" + std::to_string(i.position.sourceColumn);
        return okReply(r.consumed, std::move(shown), std::move(r.err));
    };
    for (const char* in : lists)
        expectSameAsGrammar(header, [&](State& st) { return plainGrammar(st, header); }, T(in), initialState());
}

} // namespace
} // namespace zarnet::test
