// #if: operand values, the operator table, comparisons, and the errors of the line.
#include "TestSupport.h"

#include "core/Messages.h"
#include "preprocessor/IfDirective.h"
#include "preprocessor/Preprocessor.h"

#include <cmath>
#include <gtest/gtest.h>

namespace zarnet {
namespace {

using test::runOn;
using test::U8;

struct Preprocessed {
    bool ok = false;
    std::string out;
    std::string error;
};

Preprocessed preprocess(std::string_view input, const ParserState& st = initialState()) {
    auto o = runOn([](State& s) { return pSqr(s, SecondPass(pZarnet)); }, input, st, "t.sqr");
    return Preprocessed{o.ok, o.ok ? U8(o.value) : std::string(), o.ok ? std::string() : o.error};
}

// Whether "#if <condition>" takes its first branch.
bool holds(const std::string& condition, const ParserState& st = initialState()) {
    Preprocessed r = preprocess("#if " + condition + "\nT\n#else\nF\n#end-if\n", st);
    EXPECT_TRUE(r.ok) << condition << "\n" << r.error;
    EXPECT_TRUE(r.out == "\nT\n\n\n\n" || r.out == "\n\n\nF\n\n") << condition << r.out;
    return r.out == "\nT\n\n\n\n";
}

TEST(PPValue, NumberRule) {
    struct Case {
        const char* text;
        double number;
    };
    const Case numbers[] = {
        {"10", 10},     {"007", 7},    {"1.5", 1.5},  {"1e2", 100}, {"1E+2", 100},   {"2.5e-3", 0.0025},
        {"-5", -5},     {"- 5", -5},   {" 7", 7},     {"(5)", 5},   {"( -5 )", -5},  {"((5))", 5},
        {"0x1F", 31},   {"0X1f", 31},  {"0o17", 15},  {"0O17", 15}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1e-400", 0},  {"Infinity", HUGE_VAL},       {"-Infinity", -HUGE_VAL},
    };
    for (const Case& c : numbers) {
        auto [text, number] = readPPValue(test::T(c.text));
        ASSERT_TRUE(number.has_value()) << c.text;
        EXPECT_EQ(*number, c.number) << c.text;
    }
    EXPECT_TRUE(std::isnan(*readPPValue("NaN").second));
    for (const char* no : {"+5", "1.", ".5", "1e", "1e+", "5 ", "(5) ", "5x", "1,5", "--5", "-(5)", "nan", "NAN",
                           "infinity", "", "   ", "0x", "0o8", "(5", "5)", "\u0665"}) {
        EXPECT_FALSE(readPPValue(test::T(no)).second.has_value()) << no;
    }
    // The text is upper-cased, nothing trimmed; a ten-digit exponent reads in bounded time.
    EXPECT_EQ(U8(readPPValue(" ab\u00e9 ").first), " AB\u00c9 ");
    EXPECT_EQ(*readPPValue("1e1234567890").second, HUGE_VAL);
    EXPECT_EQ(U8(mkPPValue("x1").text), "X1");
}

TEST(CompareOperator, WholeTextsInTableOrder) {
    struct Case {
        const char* input;
        const char* op;
        const char* rest;
    };
    const Case cases[] = {
        {"= b", "=", " b"},  {"== b", "=", "= b"}, {"=< b", "=", "< b"}, {"!!= b", "!!=", " b"},
        {"!= b", "!=", " b"}, {"<> b", "<>", " b"}, {"<= b", "<=", " b"}, {"< = b", "<", " = b"},
        {">= b", ">=", " b"}, {"> b", ">", " b"},  {"<b", "<", "b"},
    };
    for (const Case& c : cases) {
        auto o = runOn(pCompareOperator, c.input);
        ASSERT_TRUE(o.ok) << c.input;
        EXPECT_EQ(U8(o.value.text), c.op);
        EXPECT_EQ(o.rest, c.rest);
    }
    // Partial matches consume nothing; the error lists every row.
    for (const char* no : {"!x", "!!x", "x", ""}) {
        auto o = runOn(pCompareOperator, no);
        EXPECT_FALSE(o.ok) << no;
        EXPECT_FALSE(o.consumed) << no;
        EXPECT_EQ(o.rest, no);
    }
    EXPECT_EQ(runOn(pCompareOperator, "!x").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \"!\"\n"
              "expecting \"=\", \"!!=\", \"!=\", \"<>\", \"<=\", \">=\", \"<\" or \">\"");
    EXPECT_FALSE(runOn(pOperandChar, "=").consumed);
    EXPECT_EQ(U8(runOn(pOperandChar, "\u00a0").value), "\u00a0");
}

TEST(IfComparison, TruthTable) {
    struct Case {
        const char* condition;
        bool result;
    };
    const Case cases[] = {
        {"a <> b", true},      {"a != b", true},     {"a !!= b", true},   {"a = A", true},
        {"a<=b", true},        {"a < = b", false},   {"a == b", false},   {"a => b", false},
        {"10 > 9", true},      {"10 > 9A", false},   {"10 < abc", true},  {"A10 < A9", true},
        {"1e2 = 100", true},   {"0x10 = 16", true},  {"(5) = 5", true},   {"-5 < 3", true},
        {"1.50 = 1.5", true},  {"1. = 1", false},    {".5 = 0.5", false}, {"+5 = 5", false},
        {"12345678901234567 = 12345678901234568", true}, {"1e400 = 1e500", true},
        {"NaN = NaN", false},  {"NaN <> NaN", true}, {"NaN > 1", true},   {"NaN >= 1", true},
        {"NaN < 1", false},    {"NaN <= 1", false},  {"nan = NAN", true},
        {"a!=b", true},        {"a = 'b' c", false}, {"a = b c", false},  {"'b c' = b c", true},
        {"a = ''", false},     {"'' = ''", true},    {"a = ' A '", true}, {"' a ' = a", true},
        {"'it''s' = IT'S", true}, {"'ab <> c", true}, {"= ''", true},    {"ab = ab ! comment", true},
        {"\u00e9 = \u00c9", true}, {"b >= a", true}, {"a > b", false},    {"ab < abc", true},
    };
    for (const Case& c : cases) EXPECT_EQ(holds(c.condition), c.result) << c.condition;
    EXPECT_TRUE(holds("#IF-is-text = #if-is-text"));
}

TEST(IfComparison, SubstitutionValues) {
    ParserState st = initialState();
    st.symtab = st.symtab.insert("LEVEL", "3").insert("V", "a = a").insert("LEAD", " 5")
                    .insert("TRAIL", "5 ").insert("ONE", "1");
    EXPECT_TRUE(holds("level >= 2", st));
    EXPECT_TRUE(holds("LEVEL >= 10", st) == false);
    EXPECT_TRUE(holds("level >= 2"));           // the texts LEVEL and 2
    EXPECT_FALSE(holds("level >= 10", st));     // 3 against 10 as numbers
    EXPECT_TRUE(holds("{V}", st));              // the operator comes from the value
    EXPECT_TRUE(holds("{one} = 1", st));
    EXPECT_TRUE(holds("lead = 5.0", st));       // " 5" reads as a number
    EXPECT_FALSE(holds("trail = 5.0", st));     // "5 " does not
}

TEST(IfDirective, LineOutputAndState) {
    auto o = runOn(pIfDirective, " a = a  ! note\nt\n#end-if\nrest");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "\nt\n\n");
    EXPECT_EQ(o.rest, "rest");
    EXPECT_EQ(o.sequenceNo, 4);
    EXPECT_EQ(showPos(o.pos), "\"test.sqr\" (line 4, column 1)");
    EXPECT_EQ(preprocess("a\nb\n   #If x = y\nt\n#else\nf\n#end-if\n").out, "a\nb\n   \n\n\nf\n\n");
}

TEST(IfDirective, Errors) {
    const std::string invalid = "(SQR 4109) Invalid operator.";
    struct Case {
        const char* input;
        std::string error;
    };
    const Case cases[] = {
        {"a\n#if\nx\n", "\"t.sqr\" (line 2, column 4):\n" + invalid},
        {"#if!c\n", "\"t.sqr\" (line 1, column 4):\n" + invalid},
        {"#if\r\n", "\"t.sqr\" (line 1, column 4):\n" + invalid},
        {"#if", "\"t.sqr\" (line 1, column 4):\n" + invalid},
        // Comparison failures lie past the end of the line: P0 is its end.
        {"#if a ~ b\nt\n#end-if\n", "\"t.sqr\" (line 1, column 12):\n" + invalid},
        {"#if a b = c\n#end-if\n", "\"t.sqr\" (line 1, column 14):\n" + invalid},
        {"#if a\n#end-if\n", "\"t.sqr\" (line 1, column 7):\n" + invalid},
    };
    for (const Case& c : cases) {
        Preprocessed r = preprocess(c.input);
        EXPECT_FALSE(r.ok) << c.input;
        EXPECT_EQ(r.error, c.error) << c.input;
    }
    // Without an SQR message: nothing after the blanks, and no right operand.
    for (const char* input : {"#if   \n", "#if   ! c\n", "#if a =\n#end-if\n", "#if a = ! c\n#end-if\n"}) {
        Preprocessed r = preprocess(input);
        EXPECT_FALSE(r.ok) << input;
        EXPECT_EQ(r.error.find("SQR"), std::string::npos) << input << r.error;
    }
    EXPECT_EQ(preprocess("#if   \n").error.rfind("\"t.sqr\" (line 1, column 7):", 0), 0u);
    EXPECT_EQ(preprocess("#if a =\n#end-if\n").error.rfind("\"t.sqr\" (line 1, column 11):", 0), 0u);
}

} // namespace
} // namespace zarnet
