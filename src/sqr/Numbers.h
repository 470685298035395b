// Numbers of SQR text: digit runs as whole numbers, signs, fractions and exponents as
// binary64 values, the numeric literal tokens and the printed form of a literal's value.
//
// Digit runs and exponents may have any length: a whole number keeps its nearest double
// and a saturated machine integer, which is all any value of the checker needs, so no run
// overflows or costs more than linear time.
#pragma once

#include "core/Parser.h"
#include "sqr/Lexical.h"

#include <cstdint>
#include <string>

namespace zarnet::sqr {

// A whole number of any size: its value rounded to the nearest double (infinity when too
// large) and its value saturated at +-kWholeNumberLimit.
struct WholeNumber {
    double nearest = 0.0;
    std::int64_t saturated = 0;
    friend bool operator==(const WholeNumber&, const WholeNumber&) = default;
};
// Far beyond every exponent that changes a double, and safe to multiply by 16 and add 15.
inline constexpr std::int64_t kWholeNumberLimit = 1'000'000'000'000'000'000;
// The whole number that a run of digits (ASCII, of the base) spells.
WholeNumber wholeNumberOf(std::string_view digits, int base);

// A sign in front of a number: negate it or leave it.
struct Sign {
    bool negate = false;
    double operator()(double x) const { return negate ? -x : x; }
    WholeNumber operator()(WholeNumber n) const {
        return negate ? WholeNumber{-n.nearest, -n.saturated} : n;
    }
};

// --- digits and whole numbers --------------------------------------------------------------

// "0" to "9", labelled "digit".
Reply<char32_t> pDecimalDigit(State& s);
// "0" to "9", "a" to "f" or "A" to "F", labelled "hexadecimal digit".
Reply<char32_t> pHexDigit(State& s);
// One or more digits of the base, read with the digit parser; never fails after consuming.
Reply<WholeNumber> number(State& s, int base, const Parser<char32_t>& digit);
template <class D> auto number(int base, D digit) {
    return [base, d = Parser<char32_t>(std::move(digit))](State& s) { return number(s, base, d); };
}
// One or more decimal digits.
Reply<WholeNumber> decimal(State& s);
// "x" or "X", then one or more hexadecimal digits.
Reply<WholeNumber> hexadecimal(State& s);
// "0", then `hexadecimal`, else `decimal`, else zero.
Reply<WholeNumber> zeroNumber(State& s);
// `zeroNumber`, else `decimal`.
Reply<WholeNumber> nat(State& s);
// `lexeme` of `nat`, labelled "natural".
Reply<WholeNumber> natural(State& s);
// `lexeme` of `sign`, then `nat`; the sign applied.
Reply<WholeNumber> int_(State& s);
// `lexeme` of `int_`, labelled "integer".
Reply<WholeNumber> integer(State& s);

// "-" (negate), "+" or nothing (leave). Never fails; skips no blanks.
Reply<Sign> sign(State& s);

// --- fractions, exponents and floating values -----------------------------------------------

// The fold of a fraction's digits from the last: v := (v + digit) / 10, from 0.0.
double fractionValue(TextView digits);
// "." and one or more digits, labelled "fraction"; value `fractionValue` of the digits.
Reply<double> fraction(State& s);
// 10 to the power k rounded to nearest for k >= 0; 1.0 / powerOfTen(-k) below 0.
double powerOfTen(std::int64_t k);
// Exponent digits (labelled "exponent"), the sign applied; value the power of ten.
Reply<double> pExponentValue(State& s, Sign f);
// "e" or "E", an optional sign and digits; value the power of ten; labelled "exponent".
// (The name stands for exponent'.)
Reply<double> exponent_(State& s);
// After the integer digits of value n: a fraction with an optional exponent, else an
// exponent alone.
Reply<double> fractExponent(State& s, const WholeNumber& n);
inline auto fractExponent(WholeNumber n) {
    return [n](State& s) { return fractExponent(s, n); };
}
// `fractExponent` under its second name.
Reply<double> fractFloat(State& s, const WholeNumber& n);
inline auto fractFloat(WholeNumber n) {
    return [n](State& s) { return fractFloat(s, n); };
}
// Digits, then `fractFloat` of them when it applies.
Reply<double> decimalFloat(State& s);

// --- numeric literal tokens ---------------------------------------------------------------

// Leading zeros skipped, then `decimalFloat`, else `fractFloat` of 0. A literal made of
// zeros alone fails after consuming them.
Reply<double> unsignedNatFloat(State& s);
// `lexeme` of `sign`, then `unsignedNatFloat`; the sign applied.
Reply<double> signedNatFloat(State& s);
// `lexeme` of `signedNatFloat`, labelled "number"; value the number's printed form.
Reply<Text> pNumLiteral(State& s);
// `lexeme` of `signedNatFloat`, labelled "number"; value the double.
Reply<double> naturalOrFloat(State& s);
// `decimal`, then `fractExponent` of it (a fraction or an exponent must follow).
Reply<double> floating(State& s);
// `lexeme` of `floating`, labelled "float".
Reply<double> float_(State& s);
// "0x" or "0X" and decimal digits, as a unit, then blanks; value the digits as written.
Reply<Text> pHexDecimal(State& s);

// --- printed form ---------------------------------------------------------------------------

// The value of a numeric literal as text: shortest round-trip digits, fixed form from 0.1
// up to below 10^7 (and zero), exponent form otherwise ("5.0", "0.5", "5.0e-2", "1.0e7").
Text showNumLiteral(double x);

} // namespace zarnet::sqr
