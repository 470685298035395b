#include "TestSupport.h"

#include "preprocessor/PreprocessorRun.h"
#include "sqr/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

const std::string kAt = "\"test.sqr\" (line 1, column ";
constexpr double kInf = std::numeric_limits<double>::infinity();

struct LiteralCase {
    const char* input;
    const char* text;
    const char* rest;
};

TEST(NumLiteral, TextsOfTheToken) {
    const LiteralCase cases[] = {
        {"5", "5.0", ""},          {"-5", "-5.0", ""},        {"+5", "5.0", ""},
        {"- 5", "-5.0", ""},       {"-\n5", "-5.0", ""},      {".5", "0.5", ""},
        {"-.5", "-0.5", ""},       {"05", "5.0", ""},         {"007", "7.0", ""},
        {"00.25", "0.25", ""},     {"1.50", "1.5", ""},       {"0e3", "0.0", ""},
        {"e5", "0.0", ""},         {"-0.0", "-0.0", ""},      {"1e2", "100.0", ""},
        {"1e7", "1.0e7", ""},      {"0.05", "5.0e-2", ""},    {"10", "10.0", ""},
        {"100", "100.0", ""},      {"5abc", "5.0", "abc"},    {"5 ,6", "5.0", ",6"},
        {"12  \n\n x", "12.0", "x"}, {"1e0005", "100000.0", ""}, {"1e-0", "1.0", ""},
        {"2.5E+2", "250.0", ""},   {".7e-1", "6.999999999999999e-2", ""},
        {"5e308", "Infinity", ""}, {"e400", "NaN", ""},       {"1e-400", "0.0", ""},
    };
    for (const LiteralCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pNumLiteral, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, c.rest);
    }
}

TEST(NumLiteral, ABlankBeforeTheMinusMakesItAContinuation) {
    auto o = runOn(pNumLiteral, " -\n5");
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(U8(o.value), "5.0");
    EXPECT_TRUE(o.user->state.continued);
    EXPECT_EQ(o.sequenceNo, 2);
    EXPECT_FALSE(runOn(pNumLiteral, "-\n5").user->state.continued);
}

TEST(NumLiteral, RefusesAfterConsuming) {
    for (const char* input : {"0", "00", "-0", "+ 0", "0x", "0x1F", "0)", "0.", "5.", "-", "- x", "  x", "e", "end",
                              "5e", "5e+", "5e-x", "5e+-1", "1.e5", "1e 5", "1ee", "5east", ".5e"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pNumLiteral, input);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.consumed);
    }
    EXPECT_EQ(runOn(pNumLiteral, "00").error,
              kAt + "3):\nunexpected end of input\nexpecting \"0\", digit, fraction or exponent");
    EXPECT_EQ(runOn(pNumLiteral, "5.x").error, kAt + "3):\nunexpected \"x\"\nexpecting fraction");
    EXPECT_EQ(runOn(pNumLiteral, "5e").error, kAt + "3):\nunexpected end of input\nexpecting \"-\", \"+\" or exponent");
    EXPECT_EQ(runOn(pNumLiteral, "1e+-5").error, kAt + "4):\nunexpected \"-\"\nexpecting exponent");
}

TEST(NumLiteral, RefusesWithoutConsumingExpectingANumber) {
    for (const char* input : {"x", "#n", "$s", "'abc'", "(", ""}) {
        SCOPED_TRACE(input);
        auto o = runOn(pNumLiteral, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
        EXPECT_NE(o.error.find("expecting number"), std::string::npos) << o.error;
    }
    EXPECT_EQ(runOn(pNumLiteral, "x").error, kAt + "1):\nunexpected \"x\"\nexpecting number");
}

TEST(NumLiteral, LongRunsOfDigitsZerosAndExponents) {
    const std::string many(200000, '9');
    const std::string zeros(200000, '0');
    const struct {
        std::string input;
        const char* text;
    } cases[] = {
        {many, "Infinity"},
        {zeros + "5", "5.0"},
        {zeros + ".5", "0.5"},
        {"0." + zeros + "1", "0.0"},
        {"." + many, "1.0"},
        {"1e" + many, "Infinity"},
        {"1e-" + many, "0.0"},
        {"1e" + zeros + "2", "100.0"},
        {"0e" + many, "NaN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 12));
        auto o = runOn(pNumLiteral, c.input);
        ASSERT_TRUE(o.ok);
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, "");
    }
    auto onlyZeros = runOn(pNumLiteral, zeros);
    EXPECT_FALSE(onlyZeros.ok);
    EXPECT_TRUE(onlyZeros.consumed);
}

TEST(NumLiteral, AFailedAttemptLeavesNoTrace) {
    // The blank and the continuation mark after it are read before the number fails.
    const char* input = " -\nx";
    auto o = runOn(pNumLiteral, input);
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    State seen = stateSeenByNextAlternative(attempt(pNumLiteral), startState(input));
    EXPECT_EQ(U8(seen.rest()), input);
    EXPECT_EQ(seen.sequenceNo, 1);
    EXPECT_FALSE(seen.st().continued);
}

// A literal of digits alone is read directly where fast paths are on: outcome, error, value,
// place and line count are the plain rule's, whatever follows the digits.
TEST(NumLiteral, DigitsAloneReadDirectlyAsThePlainRuleReadsThem) {
    forShortAndRandomTexts("190.eE- ,\n)x", 4, 400, 12, Text(), [](const Text& in) {
        expectSameAsGrammar(pNumLiteral, [](State& st) { return plainGrammar(st, pNumLiteral); }, in, initialState());
    });
}

struct FloatCase {
    const char* input;
    double value;
    const char* rest;
};

TEST(DecimalFloat, ValuesAsTheDigitsFractionAndPowerGiveThem) {
    const FloatCase cases[] = {
        {"12x", 12.0, "x"},
        {"12.5", 12.5, ""},
        {"1.5e-3", 1.5 * (1.0 / 1000.0), ""},
        {"2.5E+2", 250.0, ""},
        {"1e-5", 1.0 / 100000.0, ""},
        {"1e22", 1e22, ""},
        {"1e-23", 1.0 / 1e23, ""},
        {"1E0", 1.0, ""},
        {"1e+0", 1.0, ""},
        {"9007199254740993", 9007199254740992.0, ""},
        {"9007199254740995", 9007199254740996.0, ""},
        {"1e308", 1e308, ""},
        {"5e308", kInf, ""},
        {"1e309", kInf, ""},
        {"1e-309", 0.0, ""},
        {"1 e5", 1.0, " e5"},
        {"5abc", 5.0, "abc"},
        {"123456789012345678901234567890", 123456789012345678901234567890.0, ""},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(decimalFloat, c.input);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.value, c.value);
        EXPECT_EQ(o.rest, c.rest);
    }
    // Below 10^-22 the power is the reciprocal of an already rounded one.
    EXPECT_EQ(U8(showNumLiteral(runOn(decimalFloat, "1e-23").value)), "1.0000000000000001e-23");
    EXPECT_EQ(runOn(decimalFloat, ".5").error, kAt + "1):\nunexpected \".\"\nexpecting digit");
    // After the digits, a failure that follows lists what the number would have taken.
    auto after = runOn(seqRight(decimalFloat, char_(U'q')), "12x");
    EXPECT_EQ(after.error, kAt + "3):\nunexpected \"x\"\nexpecting digit, fraction, exponent or \"q\"");
}

TEST(FractFloat, OnZeroReadsANumberThatBeginsWithAPointOrAnExponent) {
    auto point = runOn(fractFloat(WholeNumber{}), ".7e-1");
    EXPECT_EQ(point.value, 0.7 * 0.1);
    EXPECT_EQ(point.value, 0.06999999999999999);
    EXPECT_EQ(runOn(fractFloat(WholeNumber{}), "e5").value, 0.0);
    EXPECT_EQ(runOn(fractFloat(WholeNumber{}), "E-2").value, 0.0);
    EXPECT_TRUE(std::isnan(runOn(fractFloat(WholeNumber{}), "e400").value));
    auto noExponentDigits = runOn(fractFloat(WholeNumber{}), ".5e");
    EXPECT_FALSE(noExponentDigits.ok);
    EXPECT_TRUE(noExponentDigits.consumed);
    auto neither = runOn(fractExponent(WholeNumber{}), "x");
    EXPECT_FALSE(neither.consumed);
    EXPECT_EQ(neither.error, kAt + "1):\nunexpected \"x\"\nexpecting fraction or exponent");
    EXPECT_EQ(runOn(exponent_, "x").error, kAt + "1):\nunexpected \"x\"\nexpecting exponent");
}

TEST(PowerOfTen, RoundedOnceAndSaturated) {
    EXPECT_EQ(powerOfTen(0), 1.0);
    EXPECT_EQ(powerOfTen(22), 1e22);
    EXPECT_EQ(powerOfTen(23), 1e23);
    EXPECT_EQ(powerOfTen(308), 1e308);
    EXPECT_EQ(powerOfTen(309), kInf);
    EXPECT_EQ(powerOfTen(-1), 0.1);
    EXPECT_EQ(powerOfTen(-22), 1e-22);
    EXPECT_EQ(powerOfTen(-23), 1.0 / 1e23);
    EXPECT_NE(powerOfTen(-23), 1e-23);
    EXPECT_EQ(powerOfTen(-309), 0.0);
    EXPECT_EQ(powerOfTen(-320), 0.0);
    EXPECT_EQ(powerOfTen(std::numeric_limits<std::int64_t>::max()), kInf);
    EXPECT_EQ(powerOfTen(std::numeric_limits<std::int64_t>::min()), 0.0);
}

TEST(Digits, DecimalSignAndFraction) {
    auto seven = runOn(decimal, "007x");
    EXPECT_EQ(seven.value.nearest, 7.0);
    EXPECT_EQ(seven.value.saturated, 7);
    EXPECT_EQ(seven.rest, "x");
    EXPECT_EQ(runOn(decimal, "x").error, kAt + "1):\nunexpected \"x\"\nexpecting digit");
    EXPECT_EQ(runOn(decimal, std::string(30, '9')).value.nearest, 1e30);
    auto huge = runOn(decimal, std::string(40, '9'));
    EXPECT_EQ(huge.value.saturated, kWholeNumberLimit);
    EXPECT_EQ(huge.value.nearest, 1e40);

    EXPECT_TRUE(runOn(sign, "-5").value.negate);
    EXPECT_EQ(runOn(sign, "-5").rest, "5");
    EXPECT_FALSE(runOn(sign, "+5").value.negate);
    EXPECT_EQ(runOn(sign, "+5").rest, "5");
    for (const char* none : {"5", " ", ""}) {
        auto o = runOn(sign, none);
        EXPECT_TRUE(o.ok);
        EXPECT_FALSE(o.consumed);
        EXPECT_FALSE(o.value.negate);
    }
    EXPECT_EQ(U8(showNumLiteral(Sign{true}(0.0))), "-0.0");
    EXPECT_EQ(Sign{true}(WholeNumber{5.0, 5}), (WholeNumber{-5.0, -5}));

    EXPECT_EQ(runOn(fraction, ".5").value, 0.5);
    EXPECT_EQ(runOn(fraction, ".125").value, 0.125);
    EXPECT_EQ(runOn(fraction, ".0").value, 0.0);
    auto letter = runOn(fraction, ".x");
    EXPECT_TRUE(letter.consumed);
    EXPECT_EQ(letter.error, kAt + "2):\nunexpected \"x\"\nexpecting fraction");
    auto noPoint = runOn(fraction, "5");
    EXPECT_FALSE(noPoint.consumed);
    EXPECT_EQ(noPoint.error, kAt + "1):\nunexpected \"5\"\nexpecting fraction");

    EXPECT_EQ(fractionValue("5"), 0.5);
    EXPECT_EQ(fractionValue("25"), 0.25);
    EXPECT_EQ(fractionValue("05"), 0.05);
    EXPECT_EQ(fractionValue("07"), 0.06999999999999999);
    EXPECT_EQ(fractionValue(std::string(20, '9')), 1.0);
}

TEST(ShowNumLiteral, FixedAndExponentForms) {
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {5.0, "5.0"},          {-5.0, "-5.0"},          {0.0, "0.0"},          {-0.0, "-0.0"},
        {0.5, "0.5"},          {0.1, "0.1"},            {0.05, "5.0e-2"},      {0.0123, "1.23e-2"},
        {1.5e-5, "1.5e-5"},    {12.5, "12.5"},          {150.0, "150.0"},      {9999999.5, "9999999.5"},
        {1.0, "1.0"},          {9999999.0, "9999999.0"}, {1e7 - 0.5, "9999999.5"},
        {1e7, "1.0e7"},        {12345678.0, "1.2345678e7"}, {1e22, "1.0e22"},  {0.1 + 0.2, "0.30000000000000004"},
        {5e-324, "5.0e-324"},  {1.7976931348623157e308, "1.7976931348623157e308"},
        {std::nan(""), "NaN"}, {kInf, "Infinity"},      {-kInf, "-Infinity"},
    };
    for (const auto& c : cases) EXPECT_EQ(U8(showNumLiteral(c.x)), c.text);
}

TEST(WholeNumbers, UnusedLexemes) {
    EXPECT_EQ(runOn(hexadecimal, "x1Fg").value.saturated, 31);
    EXPECT_EQ(runOn(hexadecimal, "x1Fg").rest, "g");
    auto noDigit = runOn(hexadecimal, "xg");
    EXPECT_TRUE(noDigit.consumed);
    EXPECT_EQ(noDigit.error, kAt + "2):\nunexpected \"g\"\nexpecting hexadecimal digit");
    EXPECT_EQ(runOn(zeroNumber, "012").value.saturated, 12);
    EXPECT_EQ(runOn(zeroNumber, "0X1f").value.saturated, 31);
    EXPECT_EQ(runOn(zeroNumber, "0 ").value.saturated, 0);
    EXPECT_EQ(runOn(nat, "42").value.saturated, 42);
    auto nat16 = runOn(natural, "0x10  y");
    EXPECT_EQ(nat16.value.nearest, 16.0);
    EXPECT_EQ(nat16.rest, "y");
    EXPECT_EQ(runOn(natural, "y").error, kAt + "1):\nunexpected \"y\"\nexpecting natural");
    EXPECT_EQ(runOn(int_, "- 5").value.saturated, -5);
    auto intToken = runOn(integer, "+7 x");
    EXPECT_EQ(intToken.value.saturated, 7);
    EXPECT_EQ(intToken.rest, "x");
    EXPECT_EQ(runOn(integer, "y").error, kAt + "1):\nunexpected \"y\"\nexpecting integer");
    EXPECT_EQ(runOn(number(16, pHexDigit), "ff").value.saturated, 255);
    EXPECT_EQ(wholeNumberOf(std::string(30, 'f'), 16).saturated, kWholeNumberLimit);
    EXPECT_EQ(wholeNumberOf("999999999999999999", 10).saturated, kWholeNumberLimit - 1);
    EXPECT_EQ(wholeNumberOf("1000000000000000001", 10).saturated, kWholeNumberLimit);
    EXPECT_EQ(wholeNumberOf("de0b6b3a763ffff", 16).saturated, kWholeNumberLimit - 1);
}

TEST(Floating, NeedsAFractionOrAnExponent) {
    EXPECT_EQ(runOn(floating, "5.0").value, 5.0);
    EXPECT_EQ(runOn(floating, "5e2").value, 500.0);
    EXPECT_EQ(runOn(floating, "5.5e-1").value, 5.5 * 0.1);
    EXPECT_TRUE(runOn(floating, "5").consumed);
    EXPECT_FALSE(runOn(floating, "5").ok);
    for (const char* input : {".5", "-5", "e5"}) {
        auto o = runOn(floating, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
    }
    auto token = runOn(float_, "2.5 \n x");
    EXPECT_EQ(token.value, 2.5);
    EXPECT_EQ(token.rest, "x");
    EXPECT_EQ(runOn(float_, "x").error, kAt + "1):\nunexpected \"x\"\nexpecting float");
    auto nf = runOn(naturalOrFloat, "-.5 x");
    EXPECT_EQ(nf.value, -0.5);
    EXPECT_EQ(nf.rest, "x");
}

TEST(HexDecimal, PrefixAndDecimalDigitsAsAUnit) {
    const LiteralCase cases[] = {
        {"0x123", "123", ""}, {"0X123", "123", ""}, {"0x12  y", "12", "y"}, {"0x1F", "1", "F"},
    };
    for (const LiteralCase& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pHexDecimal, c.input);
        ASSERT_TRUE(o.ok);
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, c.rest);
    }
    for (const char* input : {"0xA", "0x", "0y", "x1"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pHexDecimal, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
        State seen = stateSeenByNextAlternative(pHexDecimal, startState(input));
        EXPECT_EQ(U8(seen.rest()), input);
    }
    EXPECT_EQ(runOn(pHexDecimal, "0xA").error, kAt + "3):\nunexpected \"A\"\nexpecting digit");
}

} // namespace
} // namespace zarnet::test
