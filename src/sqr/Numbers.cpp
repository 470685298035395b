#include "sqr/Numbers.h"

#include "core/ParserLib.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/PreprocessorRun.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace zarnet::sqr {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool isHexDigitChar(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}
int digitValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return int(c - U'0');
    if (c >= U'a' && c <= U'f') return int(c - U'a') + 10;
    return int(c - U'A') + 10;
}

// The correctly rounded double of ASCII digits in base 10 or 16 (as from_chars reads
// them: linear in the length, exact to the last digit), infinity beyond the largest double.
double nearestDouble(std::string_view digits, int base) {
    double v = 0.0;
    const auto format = base == 16 ? std::chars_format::hex : std::chars_format::fixed;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, format);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return kInfinity;
    return v;
}

// Exact powers of ten 10^0 .. 10^308, each rounded once to the nearest double.
const std::array<double, 309>& powersOfTen() {
    static const std::array<double, 309> table = [] {
        std::array<double, 309> t{};
        for (int k = 0; k < 309; ++k) t[std::size_t(k)] = nearestDouble("1" + std::string(std::size_t(k), '0'), 10);
        return t;
    }();
    return table;
}

template <class P, class F> auto mapped(P p, F f) {
    return [p, f](State& s) {
        auto r = p(s);
        using R = decltype(f(std::move(r.value)));
        if (!r.ok) return Reply<R>(Failure{std::move(r.err), r.consumed});
        return okReply(r.consumed, f(std::move(r.value)), std::move(r.err));
    };
}

// The "0x" prefix in either letter case.
Reply<Text> hexPrefix(State& s) { return stringCI(s, "0x"); }

} // namespace

WholeNumber wholeNumberOf(std::string_view digits, int base) {
    std::int64_t v = 0;
    for (char c : digits) {
        const int d = digitValue(char32_t(c));
        v = v > (kWholeNumberLimit - d) / base ? kWholeNumberLimit : v * base + d;
    }
    return WholeNumber{nearestDouble(digits, base), v};
}

// --- digits and whole numbers --------------------------------------------------------------

Reply<char32_t> pDecimalDigit(State& s) {
    static const auto p = digit();
    return p(s);
}

Reply<char32_t> pHexDigit(State& s) {
    static const auto p = satisfyingLabelled(isHexDigitChar, MsgText::literal("hexadecimal digit"));
    return p(s);
}

Reply<WholeNumber> number(State& s, int base, const Parser<char32_t>& digit) {
    auto first = digit(s);
    if (!first.ok) return Failure{std::move(first.err), first.consumed};
    std::string digits(1, char(first.value));
    for (;;) {
        State saved = s;
        auto r = digit(s);
        if (!r.ok) {
            s = std::move(saved);
            return okReply(true, wholeNumberOf(digits, base), std::move(r.err));
        }
        digits.push_back(char(r.value));
    }
}

Reply<WholeNumber> decimal(State& s) {
    static const Parser<char32_t> d = pDecimalDigit;
    return number(s, 10, d);
}

Reply<WholeNumber> hexadecimal(State& s) {
    static const Parser<char32_t> d = pHexDigit;
    Seq q(s);
    q(satisfying([](char32_t c) { return c == U'x' || c == U'X'; }));
    if (!q) return q.failure();
    WholeNumber n = q([](State& st) { return number(st, 16, d); });
    if (!q) return q.failure();
    return q.ok(n);
}

Reply<WholeNumber> zeroNumber(State& s) {
    static const auto rest = choice(hexadecimal, decimal, succeedWith(WholeNumber{}));
    Seq q(s);
    q(char_(U'0'));
    if (!q) return q.failure();
    WholeNumber n = q(rest);
    if (!q) return q.failure();
    return q.ok(n);
}

Reply<WholeNumber> nat(State& s) {
    static const auto p = orElse(zeroNumber, decimal);
    return p(s);
}

Reply<WholeNumber> natural(State& s) {
    static const auto p = labelled(lexeme(nat), MsgText::literal("natural"));
    return p(s);
}

Reply<WholeNumber> int_(State& s) {
    static const auto signThenBlanks = lexeme(sign);
    Seq q(s);
    Sign f = q(signThenBlanks);
    if (!q) return q.failure();
    WholeNumber n = q(nat);
    if (!q) return q.failure();
    return q.ok(f(n));
}

Reply<WholeNumber> integer(State& s) {
    static const auto p = labelled(lexeme(int_), MsgText::literal("integer"));
    return p(s);
}

Reply<Sign> sign(State& s) {
    static const auto p = choice(mapped(char_(U'-'), [](char32_t) { return Sign{true}; }),
                                 mapped(char_(U'+'), [](char32_t) { return Sign{false}; }), succeedWith(Sign{false}));
    return p(s);
}

// --- fractions, exponents and floating values -----------------------------------------------

double fractionValue(TextView digits) {
    double v = 0.0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) v = (v + double(*it - U'0')) / 10.0;
    return v;
}

Reply<double> fraction(State& s) {
    static const auto digits = labelled(
        [](State& st) -> Reply<Text> {
            Text out;
            auto collect = [&out](State& t) {
                auto r = pDecimalDigit(t);
                if (r.ok) appendChar(out, r.value);
                return r;
            };
            Seq q(st);
            q(collect);
            if (!q) return q.failure();
            q(manySkip(collect));
            if (!q) return q.failure();
            return q.ok(std::move(out));
        },
        MsgText::literal("fraction"));
    static const auto p = labelled(
        [](State& st) -> Reply<double> {
            Seq q(st);
            q(char_(U'.'));
            if (!q) return q.failure();
            Text ds = q(digits);
            if (!q) return q.failure();
            return q.ok(fractionValue(ds));
        },
        MsgText::literal("fraction"));
    return p(s);
}

double powerOfTen(std::int64_t k) {
    if (k < 0) return 1.0 / powerOfTen(k < -kWholeNumberLimit ? kWholeNumberLimit : -k);
    if (k > 308) return kInfinity;
    return powersOfTen()[std::size_t(k)];
}

Reply<double> pExponentValue(State& s, Sign f) {
    static const auto digits = labelled(decimal, MsgText::literal("exponent"));
    Seq q(s);
    WholeNumber e = q(digits);
    if (!q) return q.failure();
    return q.ok(powerOfTen(f(e).saturated));
}

Reply<double> exponent_(State& s) {
    static const auto p = labelled(
        [](State& st) -> Reply<double> {
            Seq q(st);
            q(satisfying([](char32_t c) { return c == U'e' || c == U'E'; }));
            if (!q) return q.failure();
            Sign f = q(sign);
            if (!q) return q.failure();
            double power = q([f](State& t) { return pExponentValue(t, f); });
            if (!q) return q.failure();
            return q.ok(power);
        },
        MsgText::literal("exponent"));
    return p(s);
}

Reply<double> fractExponent(State& s, const WholeNumber& n) {
    static const auto optionalExponent = orElse(exponent_, succeedWith(1.0));
    const double whole = n.nearest;
    auto withFraction = [whole](State& st) -> Reply<double> {
        Seq q(st);
        double f = q(fraction);
        if (!q) return q.failure();
        double p = q(optionalExponent);
        if (!q) return q.failure();
        return q.ok((whole + f) * p);
    };
    auto exponentAlone = mapped(exponent_, [whole](double p) { return whole * p; });
    return orElse(withFraction, exponentAlone)(s);
}

Reply<double> fractFloat(State& s, const WholeNumber& n) { return fractExponent(s, n); }

Reply<double> decimalFloat(State& s) {
    Seq q(s);
    WholeNumber n = q(decimal);
    if (!q) return q.failure();
    double v = q(orElse(fractFloat(n), succeedWith(n.nearest)));
    if (!q) return q.failure();
    return q.ok(v);
}

// --- numeric literal tokens ---------------------------------------------------------------

Reply<double> unsignedNatFloat(State& s) {
    static const auto zero = char_(U'0');
    // Each leading zero is one more round of the first alternative; once one is consumed,
    // every failure of the rest is a failure after consuming.
    bool zeros = false;
    for (;;) {
        auto z = zero(s);
        if (z.ok) {
            zeros = true;
            continue;
        }
        const State saved = s;
        auto d = decimalFloat(s);
        if (!d.consumed) d.err = mergeError(z.err, d.err);
        if (d.ok || d.consumed) {
            d.consumed = d.consumed || zeros;
            return d;
        }
        s = saved;
        auto f = fractFloat(s, WholeNumber{});
        if (!f.consumed) {
            f.err = mergeError(d.err, f.err);
            if (!f.ok) s = saved;
        }
        f.consumed = f.consumed || zeros;
        return f;
    }
}

Reply<double> signedNatFloat(State& s) {
    static const auto signThenBlanks = lexeme(sign);
    Seq q(s);
    Sign f = q(signThenBlanks);
    if (!q) return q.failure();
    double v = q(unsignedNatFloat);
    if (!q) return q.failure();
    return q.ok(f(v));
}

namespace {

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A literal of digits alone (no sign, no leading zero, no fraction, no exponent) read as
// pNumLiteral reads it, the literal arguments of most commands: the digits, where the
// digit, the fraction and the exponent tests fail on one character, then the blanks.
// Nothing (and nothing read) where the input holds no such literal.
std::optional<Reply<Text>> plainDigitsLiteral(State& s) {
    if (s.atEnd() || *s.cur < '1' || *s.cur > '9') return std::nullopt;
    const char* p = s.cur;
    while (p != s.end && isAsciiDigit(*p)) ++p;
    if (p != s.end && (*p == '.' || *p == 'e' || *p == 'E')) return std::nullopt;
    static const MessageSet* const fractionOrExponent = new MessageSet{
        {MsgKind::Expect, MsgText::literal("fraction")}, {MsgKind::Expect, MsgText::literal("exponent")}};
    const double value = wholeNumberOf(std::string_view(s.cur, std::size_t(p - s.cur)), 10).nearest;
    advanceWithinLine(s, p);
    Seq q(s);
    q.take(okReply(true, Unit{},
                   ParseError(s.pos, Message{MsgKind::Expect, MsgText::literal("digit")}, detail::foundHere(s),
                              *fractionOrExponent)));
    q(spaces);
    if (!q) return Reply<Text>(q.failure());
    return q.ok(showNumLiteral(value));
}

} // namespace

Reply<Text> pNumLiteral(State& s) {
    static const auto p = mapped(labelled(lexeme(signedNatFloat), MsgText::literal("number")), showNumLiteral);
    if (fastPathsOn(s))
        if (std::optional<Reply<Text>> r = plainDigitsLiteral(s)) return std::move(*r);
    return p(s);
}

Reply<double> naturalOrFloat(State& s) {
    static const auto p = labelled(lexeme(signedNatFloat), MsgText::literal("number"));
    return p(s);
}

Reply<double> floating(State& s) {
    Seq q(s);
    WholeNumber n = q(decimal);
    if (!q) return q.failure();
    double v = q(fractExponent(n));
    if (!q) return q.failure();
    return q.ok(v);
}

Reply<double> float_(State& s) {
    static const auto p = labelled(lexeme(floating), MsgText::literal("float"));
    return p(s);
}

Reply<Text> pHexDecimal(State& s) {
    static const auto body = [](State& st) -> Reply<Text> {
        Text digits;
        auto collect = [&digits](State& t) {
            auto r = pDecimalDigit(t);
            if (r.ok) appendChar(digits, r.value);
            return r;
        };
        Seq q(st);
        q(hexPrefix);
        if (!q) return q.failure();
        q(collect);
        if (!q) return q.failure();
        q(manySkip(collect));
        if (!q) return q.failure();
        return q.ok(std::move(digits));
    };
    static const auto p = lexeme(attempt(body));
    return p(s);
}

// --- printed form ---------------------------------------------------------------------------

Text showNumLiteral(double x) {
    if (std::isnan(x)) return "NaN";
    if (std::signbit(x)) {
        Text out = "-";
        out += showNumLiteral(-x);
        return out;
    }
    if (std::isinf(x)) return "Infinity";
    // Whole values from 1 to below 10^7 (most literals) come out of the fixed form below as
    // their digits and ".0".
    if (x >= 1.0 && x < 1e7 && x == std::floor(x)) {
        Text out = std::to_string(std::int64_t(x));
        out += ".0";
        return out;
    }

    // The shortest digits that read back as x (the nearer on a tie), and e such that
    // x = 0.d1...dn * 10^e.
    std::string digits;
    long e = 0;
    if (x == 0.0) {
        digits = "0";
    } else {
        char buf[64];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
        (void)ec;
        const std::string sci(buf, end); // d[.ddd]e[+-]xx
        const std::size_t ePos = sci.find('e');
        for (std::size_t i = 0; i < ePos; ++i)
            if (sci[i] != '.') digits.push_back(sci[i]);
        e = std::stol(sci.substr(ePos + 1)) + 1;
    }

    std::string out;
    if (e >= 0 && e <= 7) {
        if (e == 0) {
            out = "0." + digits;
        } else {
            const std::size_t whole = std::size_t(e);
            std::string head = digits.substr(0, std::min(whole, digits.size()));
            head.append(whole - head.size(), '0');
            const std::string tail = digits.size() > whole ? digits.substr(whole) : "0";
            out = head + "." + tail;
        }
    } else {
        const std::string tail = digits.size() > 1 ? digits.substr(1) : "0";
        out = digits.substr(0, 1) + "." + tail + "e" + std::to_string(e - 1);
    }
    return out;
}

} // namespace zarnet::sqr
