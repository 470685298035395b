#include "Dispatch.h"

#include "Conditional.h"
#include "Define.h"
#include "DirectiveKeywords.h"
#include "IfDirective.h"
#include "Include.h"
#include "OrdinaryLine.h"
#include "Setup.h"

#include <array>

namespace zarnet {

namespace {

// A directive keyword and the separator after it, tried as a unit; once both matched,
// the handler alone decides, and its failure, clean or not, ends the line after consuming.
template <class K, class H> Reply<Text> keywordThen(State& s, K keyword, H handler) {
    auto unit = attempt([keyword](State& st) -> Reply<Text> {
        Seq q(st);
        Text k = q(keyword);
        if (!q) return q.failure();
        q(pKeywordEnd);
        if (!q) return q.failure();
        return q.ok(std::move(k));
    });
    Seq q(s);
    Text k = q(unit);
    if (!q) return q.failure();
    Text out = q([&](State& st) { return handler(st, k); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

Reply<Text> altBeginSetup(State& s) {
    return keywordThen(s, pBeginSetupKeyword, [](State& st, const Text& kw) { return pBeginSetup(st, kw); });
}
Reply<Text> altDefine(State& s) {
    return keywordThen(s, pDefineKeyword, [](State& st, const Text&) { return pDefineDirective(st); });
}
Reply<Text> altIf(State& s) {
    return keywordThen(s, pIfKeyword, [](State& st, const Text&) { return pIfDirective(st); });
}
Reply<Text> altIfdef(State& s) {
    return keywordThen(s, pIfdefKeyword, [](State& st, const Text&) { return pIfdefDirective(st, true); });
}
Reply<Text> altIfndef(State& s) {
    return keywordThen(s, pIfndefKeyword, [](State& st, const Text&) { return pIfdefDirective(st, false); });
}
Reply<Text> altInclude(State& s) {
    return keywordThen(s, pIncludeKeyword, [](State& st, const Text&) { return pIncludeDirective(st); });
}

using Alternative = Reply<Text> (*)(State&);

// The series in its fixed order.
enum Alt : unsigned {
    kBeginSetup, kAsk, kEndSetup, kEndIf, kElse, kDefine, kIf, kIfdef, kIfndef, kInclude, kOrdinary, kAltCount
};
using Series = std::array<Alternative, kAltCount>;
constexpr Series kSeries = {altBeginSetup, pAskOutOfPlace, pEndSetupOutOfPlace, pEndIfOutOfPlace,
                            pElseOutOfPlace, altDefine, altIf, altIfdef, altIfndef, altInclude, pOrdinaryLine};
// The same series without any shortcut inside its alternatives.
constexpr Series kSeriesInFull = {altBeginSetup, pAskOutOfPlace, pEndSetupOutOfPlace, pEndIfOutOfPlace,
                                  pElseOutOfPlace, altDefine, altIf, altIfdef, altIfndef, altInclude,
                                  pOrdinaryLineInFull};

constexpr unsigned bit(Alt a) { return 1u << a; }
constexpr unsigned kAllAlternatives = (1u << kAltCount) - 1;
constexpr unsigned kHashAlternatives =
    bit(kEndIf) | bit(kElse) | bit(kDefine) | bit(kIf) | bit(kIfdef) | bit(kIfndef) | bit(kInclude);

// The alternatives that can take a line beginning with c. Every other one fails on the
// first character without consuming and without any effect.
unsigned candidatesFor(const State& s) {
    if (s.atEnd()) return kAllAlternatives;
    switch (s.peek()) {
    case U'b': case U'B': return bit(kBeginSetup) | bit(kOrdinary);
    case U'a': case U'A': return bit(kAsk) | bit(kOrdinary);
    case U'e': case U'E': return bit(kEndSetup) | bit(kOrdinary);
    case U'#': return kHashAlternatives | bit(kOrdinary);
    default: return isBlank(s.peek()) ? kAllAlternatives : bit(kOrdinary);
    }
}

// Tries the chosen alternatives in series order, each from the same state. A clean
// failure of all of them merges their errors in that order.
Reply<Text> runSeries(State& s, unsigned chosen, const Series& series = kSeries) {
    const State saved = s;
    ParseError acc;
    bool tried = false;
    for (unsigned i = 0; i < kAltCount; ++i) {
        if (!(chosen & (1u << i))) continue;
        Reply<Text> r = series[i](s);
        if (r.consumed) return r;
        if (tried) r.err = mergeError(acc, r.err);
        if (r.ok) return r;
        s = saved;
        acc = std::move(r.err);
        tried = true;
    }
    return emptyError(mergeError(acc, unknownError(saved.pos)));
}

} // namespace

Reply<Text> pDirective(State& s, const Text& leadingBlanks) {
    const State saved = s;
    unsigned chosen = candidatesFor(s);
    Reply<Text> r = runSeries(s, chosen);
    if (!r.ok && !r.consumed && chosen != kAllAlternatives) {
        // The error of a line that nothing takes names what every alternative expected.
        s = saved;
        r = runSeries(s, kAllAlternatives);
    }
    if (r.ok && !leadingBlanks.empty()) r.value.insert(0, leadingBlanks);
    return r;
}

Reply<Text> pDirectiveInFull(State& s, const Text& leadingBlanks) {
    Reply<Text> r = runSeries(s, kAllAlternatives, kSeriesInFull);
    if (r.ok && !leadingBlanks.empty()) r.value.insert(0, leadingBlanks);
    return r;
}

} // namespace zarnet
