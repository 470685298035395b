#include "TestSupport.h"

#include "core/Show.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Declare.h"
#include "sqr/SqrMessages.h"
#include "sqr/Symbols.h"
#include "sqr/Variables.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace zarnet::sqr {
namespace {

using test::CapturedConsole;
using test::expectSameAsGrammar;
using test::runOn;
using test::T;
using test::U8;

// The definitions of a scope in key order, as "$NAME TEXT" or "#NAME DECIMAL 8".
std::string definitions(const UserState& u, const Scope& scope = Scope::global()) {
    std::string out;
    varMapOf(u->state, scope).forEach([&out](const VarIdentifier& id, const VarAttr& attr) {
        if (!attr.defined) return;
        if (!out.empty()) out += ", ";
        out += show(id.varSymbol) + U8(id.varName) + " " + show(attr.varType);
    });
    return out;
}

ParserState inLocalScope() {
    ParserState st = initialState();
    st.currentScope = Scope::local(T("PROC"));
    return st;
}

const std::string k5303 = "(SQR 5303) Invalid qualifier '";
const std::string k5303End =
    "'.  Valid qualifiers are: default-numeric  decimal  integer  float  text  date  end-declare";

struct BlockCase {
    const char* input;
    const char* defined; // definitions in the global scope
    const char* rest;
};

TEST(DeclareVariable, BlocksDefineEveryListedName) {
    const BlockCase cases[] = {
        {"declare-variable\n  default-numeric = decimal(12)\n  decimal(8) #amount #rate(4)\n  integer #count\n"
         "  text $name $region\nend-declare\n",
         "#AMOUNT DECIMAL 8, #COUNT INTEGER, $NAME TEXT, #RATE DECIMAL 4, $REGION TEXT", ""},
        {"declare-variable\nend-declare\n", "", ""},
        {"\n  Declare-Variable Integer #i text $t END-declare", "#I INTEGER, $T TEXT", ""},
        {"declare-variable integer #i end-declare\nlet #i = 1\n", "#I INTEGER", "let #i = 1\n"},
        // DATE begins like DEFAULT-NUMERIC and DECIMAL; FLOAT lists end at END-DECLARE.
        {"declare-variable date $hired float #x\nend-declare", "$HIRED DATE, #X FLOAT", ""},
        {"declare-variable\ninteger #a\n  #b -\n #c\nend-declare", "#A INTEGER, #B INTEGER, #C INTEGER", ""},
        {"declare-variable text $a\n$b\n$n end-declare", "$A TEXT, $B TEXT, $N TEXT", ""},
        {"declare-variable integer #a #A end-declare", "#A INTEGER", ""},
        // DEFAULT-NUMERIC is read and changes nothing.
        {"declare-variable default-numeric=float DEFAULT-NUMERIC = integer Default-Numeric = Decimal(12)\n"
         "default-numeric\n=\ndecimal decimal #d integer #i end-declare",
         "#D DECIMAL 5, #I INTEGER", ""},
        {"declare-variable decimal #a end-declare", "#A DECIMAL 5", ""},
        {"declare-variable decimal(10) #a #b(4) #c end-declare", "#A DECIMAL 10, #B DECIMAL 4, #C DECIMAL 10", ""},
        {"declare-variable decimal #a(2) #b end-declare", "#A DECIMAL 2, #B DECIMAL 5", ""},
        {"declare-variable DECIMAL ( 12 ) #a decimal(007) #b decimal(0) #c end-declare",
         "#A DECIMAL 12, #B DECIMAL 7, #C DECIMAL 0", ""},
        {"declare-variable decimal(8)\n#a decimal #b\n(3) end-declare", "#A DECIMAL 8, #B DECIMAL 3", ""},
        {"declare-variable decimal #a#b end-declare", "#A DECIMAL 5, #B DECIMAL 5", ""},
        {"declare-variable decimal #a-b #x) end-declare", "#A-B DECIMAL 5, #X) DECIMAL 5", ""},
        // Precisions of any length saturate.
        {"declare-variable decimal(99999999999999999999999999999) #a end-declare",
         "#A DECIMAL 9223372036854775807", ""},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pDeclareVariable, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(definitions(o.user), c.defined);
        EXPECT_EQ(o.rest, c.rest);
    }
}

TEST(DeclareVariable, NamesGoToTheCurrentScopeWithTheirPositions) {
    auto o = runOn(pDeclareVariable, "declare-variable\n  integer #n\nend-declare\n", inLocalScope());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(definitions(o.user), "");
    EXPECT_EQ(definitions(o.user, Scope::local(T("PROC"))), "#N INTEGER");
    auto attr = lookupVar(VarIdentifier{T("N"), VarSymbol::Sharp}, varMapOf(o.user->state, Scope::local(T("PROC"))));
    ASSERT_TRUE(attr);
    EXPECT_EQ(showPos(attr->varPosition()), "\"test.sqr\" (line 2, column 11)");
}

TEST(DeclareVariable, DefinitionsOfSuccessiveBlocksAddUp) {
    auto o = runOn(manySkip(pDeclareVariable),
                   "declare-variable integer #a end-declare\n\ndeclare-variable\n text $a\nend-declare\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(definitions(o.user), "$A TEXT, #A INTEGER");
}

TEST(DeclareVariable, OtherCommandWordsAreLeftUntouched) {
    for (const char* input : {"declare-report x\n", "declare-variables\n", "declare-variable(", "x"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pDeclareVariable, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
    }
}

struct ErrorCase {
    const char* input;
    std::string error; // rendered error
};

TEST(DeclareVariable, MalformedQualifiersEndTheBlockWithTheirMessage) {
    const std::string at = "\"test.sqr\" ";
    const ErrorCase cases[] = {
        // A variable where a qualifier belongs; a sigil alone.
        {"declare-variable\n    #total x", at + "(line 2, column 11):\n(SQR 7206) The Variable type has not been specified."},
        {"declare-variable #) #a,b", at + "(line 1, column 20):\n(SQR 7206) The Variable type has not been specified."},
        {"declare-variable $ a", at + "(line 1, column 19):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable #\nend-declare", at + "(line 1, column 19):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable default-numeric = integer #x end-declare",
         at + "(line 1, column 46):\n(SQR 7206) The Variable type has not been specified."},
        // Any other word is quoted whole, as written.
        {"declare-variable integers #a", at + "(line 1, column 26):\n" + k5303 + "integers" + k5303End},
        {"declare-variable integer#a x", at + "(line 1, column 27):\n" + k5303 + "integer#a" + k5303End},
        {"declare-variable Char(10) $x", at + "(line 1, column 26):\n" + k5303 + "Char(10)" + k5303End},
        {"declare-variable 'abc' x", at + "(line 1, column 23):\n" + k5303 + "'abc'" + k5303End},
        {"declare-variable end-declare; x", at + "(line 1, column 30):\n" + k5303 + "end-declare;" + k5303End},
        {"declare-variable default-numeric = money x",
         at + "(line 1, column 33):\n" + k5303 + "default-numeric" + k5303End},
        {"declare-variable default-numeric=money x",
         at + "(line 1, column 39):\n" + k5303 + "default-numeric=money" + k5303End},
        {"declare-variable decimal #a, #b", at + "(line 1, column 29):\n" + k5303 + "," + k5303End},
        // The message is kept at the end of the input too.
        {"declare-variable varchar", at + "(line 1, column 25):\n" + k5303 + "varchar" + k5303End},
        {"declare-variable #", at + "(line 1, column 19):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable text $", at + "(line 1, column 24):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable #a", at + "(line 1, column 20):\n(SQR 7206) The Variable type has not been specified."},
        // Names of the wrong kind or without characters.
        {"declare-variable integer $i", at + "(line 1, column 27):\n(SQR 7204) A numeric variable name is required here."},
        {"declare-variable decimal $x", at + "(line 1, column 27):\n(SQR 7204) A numeric variable name is required here."},
        {"declare-variable text #a", at + "(line 1, column 24):\n(SQR 7203) A string variable name is required here."},
        {"declare-variable date $d #d", at + "(line 1, column 27):\n(SQR 7203) A string variable name is required here."},
        {"declare-variable integer # x", at + "(line 1, column 27):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable text $_ x", at + "(line 1, column 25):\n(SQR 7210) Invalid Variable name specified."},
        {"declare-variable decimal #\n", at + "(line 1, column 27):\n(SQR 7210) Invalid Variable name specified."},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pDeclareVariable, c.input);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(o.error, c.error);
    }
}

TEST(DeclareVariable, MalformedListsFailAtTheOffendingCharacter) {
    struct Case {
        const char* input;
        const char* pos;    // position line of the error
        const char* expect; // a text the error holds
    };
    const Case cases[] = {
        {"declare-variable integer\nend-declare", "(line 2, column 1)", "unexpected \"e\""},
        {"declare-variable text $a,$b end-declare", "(line 1, column 25)", "unexpected ','"},
        {"declare-variable integer #a#b end-declare", "(line 1, column 28)", "unexpected '#'"},
        {"declare-variable decimal\nend-declare", "(line 2, column 1)", "\"#\" or \"$\""},
        {"declare-variable decimal(x) #a", "(line 1, column 26)", "digit"},
        {"declare-variable decimal #a(x)", "(line 1, column 29)", "digit"},
        {"declare-variable decimal #a()", "(line 1, column 29)", "digit"},
        {"declare-variable decimal #a(12 x)", "(line 1, column 32)", "\")\""},
        {"declare-variable integer #a\n", "(line 2, column 1)", "end of input"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pDeclareVariable, c.input);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(o.error.rfind(std::string("\"test.sqr\" ") + c.pos + ":", 0), 0u) << o.error;
        EXPECT_NE(o.error.find(c.expect), std::string::npos) << o.error;
    }
}

TEST(DeclaredNames, SigilUnderscoreAndNameCharacters) {
    struct Case {
        VarSymbol required;
        const char* input;
        const char* shown; // printed form of the result
        const char* rest;
    };
    const Case cases[] = {
        {VarSymbol::Sharp, "#count x", "(\"count\",False,\"test.sqr\" (line 1, column 1))", " x"},
        {VarSymbol::Dollar, "$Name", "(\"Name\",False,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#_total", "(\"_total\",True,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#__x", "(\"__x\",True,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#a-b", "(\"a-b\",False,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#)", "(\")\",False,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#-1", "(\"-1\",False,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#a(2)", "(\"a\",False,\"test.sqr\" (line 1, column 1))", "(2)"},
        {VarSymbol::Sharp, "#a,#b", "(\"a\",False,\"test.sqr\" (line 1, column 1))", ",#b"},
        {VarSymbol::Sharp, "#a!x", "(\"a\",False,\"test.sqr\" (line 1, column 1))", "!x"},
        {VarSymbol::Sharp, "#TOTALÄ", "(\"TOTAL\\196\",False,\"test.sqr\" (line 1, column 1))", ""},
        {VarSymbol::Sharp, "#totalä", "(\"total\",False,\"test.sqr\" (line 1, column 1))", "ä"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pDeclVarName(c.required), c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(showParsed(o.value), c.shown);
        EXPECT_EQ(o.rest, c.rest);
    }
    // Only a name declared in the global scope has its underscore flagged.
    auto local = runOn(pDeclNumVarName, "#_total", inLocalScope());
    ASSERT_TRUE(local.ok);
    EXPECT_FALSE(local.value.underscoreWarning);
    EXPECT_EQ(U8(local.value.name), "_total");

    auto none = runOn(pDeclNumVarName, "abc");
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(none.consumed);
    EXPECT_EQ(none.rest, "abc");
}

TEST(DeclaredNames, WithoutASigilFailAsTheSigilTestDoes) {
    // The end of every list is such a failure; its error can show where the block ends
    // the input, so it is the sigil test's own.
    for (const char* input : {"", "x", "end-declare", "\xc3\x84", " #a", "\n", "-", "(2)"}) {
        SCOPED_TRACE(input);
        auto sigil = runOn(pAnyVarSymbol, input);
        ASSERT_FALSE(sigil.ok);
        for (VarSymbol required : {VarSymbol::Sharp, VarSymbol::Dollar}) {
            auto o = runOn(pDeclVarName(required), input);
            EXPECT_FALSE(o.ok);
            EXPECT_FALSE(o.consumed);
            EXPECT_EQ(o.error, sigil.error);
            EXPECT_EQ(o.rest, input);
        }
    }
}

TEST(DeclareVariable, ABlockCutOffByTheEndOfTheInputListsAllThatCouldFollow) {
    // What the end of the last list expected is part of the message, in the order the
    // tests failed: after a line end the blanks came first.
    const std::string rest = "\"E\", \"e\", \"D\", \"d\", \"I\", \"i\", \"F\", \"f\", \"T\" or \"t\"";
    const ErrorCase cases[] = {
        {"declare-variable integer #a\n", "\"test.sqr\" (line 2, column 1):\nunexpected end of input\n"
                                          "expecting space, \"-\", \"\\n\", \"#\", \"$\", " + rest},
        {"declare-variable text $a $b", "\"test.sqr\" (line 1, column 28):\nunexpected end of input\n"
                                        "expecting \"#\", \"$\", space, \"-\", \"\\n\", " + rest},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pDeclareVariable, c.input, inLocalScope());
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(o.error, c.error);
    }
}

TEST(TypedLists, AFailedListDefinesNothingAndGivesItsNamesBack) {
    // The list is one unit: the error stays, the consumed names do not.
    auto o = runOn([](State& s) { return pDeclVars(s, VarSymbol::Sharp, VarType::integer()); }, "#a #b $c");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_NE(o.error.find("(SQR 7204)"), std::string::npos);

    State start = test::startState("#a #b $c");
    State seen = test::stateSeenByNextAlternative(
        [](State& s) { return pDeclVars(s, VarSymbol::Sharp, VarType::integer()); }, start);
    EXPECT_EQ(definitions(seen.user), "");
}

TEST(TypedLists, KeywordsAreWholeWords) {
    for (const char* input : {"integers #a", "integer#a", "decimal5 #a", "decimals #a", "text_a"}) {
        SCOPED_TRACE(input);
        for (auto p : {pDeclIntegerVars, pDeclDecimalVars, pDeclTextVars}) {
            auto o = runOn(p, input);
            EXPECT_FALSE(o.ok);
            EXPECT_FALSE(o.consumed);
        }
    }
    auto atEnd = runOn(pInteger, "integer");
    EXPECT_TRUE(atEnd.ok);
    auto bang = runOn(pInteger, "integer!");
    EXPECT_TRUE(bang.ok);
    EXPECT_EQ(bang.rest, "!");
    auto text = runOn(pTextKeyword, "Text $a");
    ASSERT_TRUE(text.ok);
    EXPECT_EQ(U8(text.value), "Text");
}

TEST(DefaultNumeric, IsOneUnitThatBacktracks) {
    for (const char* input : {"default-numeric = integer", "DEFAULT-NUMERIC=FLOAT", "default-numeric = decimal",
                              "Default-Numeric = Decimal(12)"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pDefaultNumeric, input);
        EXPECT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.rest, "");
    }
    for (const char* input : {"default-numeric integer", "default-numeric = money", "default-numeric = decimal(x)",
                              "default-numeric -\n = money"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pDefaultNumeric, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
        // The state is given back whole: the continuation read on the way is forgotten.
        EXPECT_EQ(o.rest, input);
        EXPECT_FALSE(o.user->state.continued);
    }
}

// Names read directly where a blank, tab or line feed ends them: the entries, their
// definitions (underscore warnings, positions), the pending error, the place and the
// continuation flag stay the plain rule's, whatever ends or breaks the name.
TEST(TypedLists, NamesReadDirectlyAsThePlainRuleReadsThem) {
    const char* names[] = {"#a #b\n", "#local_a #local_b\n    text", "#_a\t#b \t\n\n  x", "#a-b) #c",
                           "#a -\n #b\n", "#a", "#a\r\n", "#a,#b ", "#a#b ", "#\u00e9 x", "#a\u00e9 x", "#_ x",
                           "# x", "#_\n", "#a\v x", "#a\u00a0x", "#a\x1a x", "$a $b\n", "$_a #b ", "#a(3) x", ""};
    auto list = [](VarSymbol sym) {
        return [sym](State& st) -> Reply<std::string> {
            Reply<std::vector<DeclEntry>> r = pVarList(st, sym);
            if (!r.ok) return Failure{std::move(r.err), r.consumed};
            std::string shown;
            for (const DeclEntry& e : r.value) shown += showParsed(e);
            return okReply(r.consumed, std::move(shown), std::move(r.err));
        };
    };
    for (const ParserState& user : {initialState(), inLocalScope()}) {
        for (const char* n : names) {
            for (const std::string& in : {std::string(n), "integer " + std::string(n), "text " + std::string(n)}) {
                for (auto p : {list(VarSymbol::Sharp), list(VarSymbol::Dollar)})
                    expectSameAsGrammar(p, [&](State& st) { return plainGrammar(st, p); }, T(in), user);
                for (Reply<Unit> (*p)(State&) : {pDeclIntegerVars, pDeclTextVars, pDeclVarQualifier})
                    expectSameAsGrammar(p, [&](State& st) { return plainGrammar(st, p); }, T(in), user);
            }
        }
    }
}

TEST(Precision, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(precisionValue("007"), 7);
    EXPECT_EQ(precisionValue("0"), 0);
    EXPECT_EQ(precisionValue("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(precisionValue("9223372036854775808"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(precisionValue(T(std::string(100000, '9'))), std::numeric_limits<std::int64_t>::max());
}

TEST(SqrParserRunner, WritesTheResultOrTheError) {
    CapturedConsole con;
    runSqrParser(pDeclTextVars, T("text #a"));
    runSqrParser(pDeclTextVars, T("text $a"));
    runSqrParser(pDecimal, T("decimal(8)"));
    runSqrParser([](State& s) { return pVarList(s, VarSymbol::Dollar); }, T("$a $b"));
    EXPECT_EQ(con.out, "(line 1, column 7):\n(SQR 7203) A string variable name is required here.\n"
                       "()\n"
                       "DECIMAL 8\n"
                       "[($,\"a\",False,(line 1, column 1)),($,\"b\",False,(line 1, column 4))]\n");
}

} // namespace
} // namespace zarnet::sqr
