#include "sqr/Literals.h"

#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"

namespace zarnet::sqr {

namespace {

// p, each result appended to `out`; p must fail clean.
template <class P> auto appendingTo(P p, Text& out) {
    return [p, &out](State& s) {
        auto r = p(s);
        if (r.ok) appendChar(out, r.value);
        return r;
    };
}

bool isLiteralChar(char32_t c) { return !inCharSet(literalStopChars, c); }

// A doubled quote, as a unit; result one quote.
Reply<char32_t> doubledQuote(State& s) {
    static const auto p = attempt(seqRight(char_(U'\''), char_(U'\'')));
    return p(s);
}

} // namespace

Text quoteText(TextView body) {
    Text out;
    appendChar(out, U'\'');
    out += body;
    appendChar(out, U'\'');
    return out;
}

Reply<char32_t> pQuotedTextChar(State& s) {
    static const auto p = attempt(choice(satisfying(isLiteralChar), doubledQuote));
    return p(s);
}

Reply<Text> pQuotedText(State& s) {
    static const auto closing = orElse(char_(U'\''), pFail<char32_t>(literalNotEndedError));
    return attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        q(char_(U'\''));
        if (!q) return q.failure();
        Text body;
        q(manySkip(appendingTo(pQuotedTextChar, body)));
        if (!q) return q.failure();
        q(closing);
        if (!q) return q.failure();
        return q.ok(quoteText(body));
    })(s);
}

Reply<Text> pTextLiteral(State& s) {
    static const auto p = lexeme(pQuotedText);
    return p(s);
}

Reply<char32_t> pStringChar(State& s) {
    static const auto lineEndAsBlank = attempt(seqRight(eol, succeedWith(U' ')));
    static const auto p = choice(satisfying(isLiteralChar), doubledQuote, lineEndAsBlank);
    return p(s);
}

Reply<Text> pString(State& s) {
    Seq q(s);
    q(char_(U'\''));
    if (!q) return q.failure();
    Text body;
    auto bodyAndClosingQuote = [&body](State& st) -> Reply<Unit> {
        Seq b(st);
        b(manySkip(appendingTo(pStringChar, body)));
        if (!b) return b.failure();
        b(char_(U'\''));
        if (!b) return b.failure();
        return b.ok();
    };
    // Only when no item follows the opening quote and no quote closes it.
    q(orElse(bodyAndClosingQuote, pFail(literalNotEndedError)));
    if (!q) return q.failure();
    return q.ok(quoteText(body));
}

} // namespace zarnet::sqr
