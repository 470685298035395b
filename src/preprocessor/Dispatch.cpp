#include "Dispatch.h"

#include "Conditional.h"
#include "Define.h"
#include "DirectiveKeywords.h"
#include "IfDirective.h"
#include "Include.h"
#include "PreprocessorRun.h"
#include "LineScanner.h"
#include "OrdinaryLine.h"
#include "Setup.h"

#include <array>

namespace zarnet {

namespace {

// A directive keyword and the separator after it, tried as a unit; once both matched,
// the handler alone decides, and its failure, clean or not, ends the line after consuming.
// `literal` is the keyword that `keyword` reads. When it is there, followed by white space,
// the unit's outcome is known: the keyword as written, consumed, the separator test passed
// without consuming, and nothing pending but an empty error after the keyword. The direct
// form takes that outcome without running the parsers.
template <bool Direct, class K, class H> Reply<Text> keywordThen(State& s, TextView literal, K keyword, H handler) {
    Seq q(s);
    Text k;
    const char* after = nullptr;
    if (Direct && keywordCIAt(s.cur, s.end, literal) && (after = s.cur + literal.size()) != s.end &&
        isWhiteSpace(decodeAt(after))) {
        k.assign(s.cur, after);
        advanceWithinLine(s, after);
        q.take(okReply(true, Unit{}, unknownError(s.pos)));
    } else {
        const auto unit = attempt([keyword](State& st) -> Reply<Text> {
            Seq kq(st);
            Text kw = kq(keyword);
            if (!kq) return kq.failure();
            kq(pKeywordEnd);
            if (!kq) return kq.failure();
            return kq.ok(std::move(kw));
        });
        k = q(unit);
        if (!q) return q.failure();
    }
    Text out = q([&](State& st) { return handler(st, k); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

template <bool Direct> Reply<Text> altBeginSetup(State& s) {
    return keywordThen<Direct>(s, "begin-setup", pBeginSetupKeyword,
                               [](State& st, const Text& kw) { return pBeginSetup(st, kw); });
}
template <bool Direct> Reply<Text> altDefine(State& s) {
    return keywordThen<Direct>(s, "#define", pDefineKeyword, [](State& st, const Text&) {
        return Direct ? pDefineDirective(st) : pDefineDirectiveInFull(st);
    });
}
template <bool Direct> Reply<Text> altIf(State& s) {
    return keywordThen<Direct>(s, "#if", pIfKeyword, [](State& st, const Text&) { return pIfDirective(st); });
}
template <bool Direct> Reply<Text> altIfdef(State& s) {
    return keywordThen<Direct>(s, "#ifdef", pIfdefKeyword,
                               [](State& st, const Text&) { return pIfdefDirective(st, true); });
}
template <bool Direct> Reply<Text> altIfndef(State& s) {
    return keywordThen<Direct>(s, "#ifndef", pIfndefKeyword,
                               [](State& st, const Text&) { return pIfdefDirective(st, false); });
}
template <bool Direct> Reply<Text> altInclude(State& s) {
    return keywordThen<Direct>(s, "#include", pIncludeKeyword,
                               [](State& st, const Text&) { return pIncludeDirective(st); });
}

using Alternative = Reply<Text> (*)(State&);

// The series in its fixed order.
enum Alt : unsigned {
    kBeginSetup, kAsk, kEndSetup, kEndIf, kElse, kDefine, kIf, kIfdef, kIfndef, kInclude, kOrdinary, kAltCount
};
using Series = std::array<Alternative, kAltCount>;
constexpr Series kSeries = {altBeginSetup<true>, pAskOutOfPlace,  pEndSetupOutOfPlace, pEndIfOutOfPlace,
                            pElseOutOfPlace,     altDefine<true>, altIf<true>,         altIfdef<true>,
                            altIfndef<true>,     altInclude<true>, pOrdinaryLine};
// The same series without any shortcut inside its alternatives.
constexpr Series kSeriesInFull = {altBeginSetup<false>, pAskOutOfPlace,   pEndSetupOutOfPlace, pEndIfOutOfPlace,
                                  pElseOutOfPlace,      altDefine<false>, altIf<false>,        altIfdef<false>,
                                  altIfndef<false>,     altInclude<false>, pOrdinaryLineInFull};

constexpr unsigned bit(Alt a) { return 1u << a; }
constexpr unsigned kAllAlternatives = (1u << kAltCount) - 1;

// Whether the separator test after a keyword (pKeywordEnd) can pass at p: it needs white
// space, the end of the input or a "!" there.
bool separatorMayFollow(const char* p, const char* end) {
    return p == end || *p == '!' || isWhiteSpace(decodeAt(p));
}

// The keyword, then what may be its separator.
bool keywordUnitAt(const char* p, const char* end, TextView keyword) {
    return keywordCIAt(p, end, keyword) && separatorMayFollow(p + keyword.size(), end);
}

// "#end", an optional "-", "if", then what may be its separator, as pEndIfKeyword reads them.
bool endIfKeywordUnitAt(const char* p, const char* end) {
    const char* after = endIfKeywordEnd(p, end);
    return after && separatorMayFollow(after, end);
}

// The alternatives that can take the line at s. Every other one fails at its keyword (or
// the separator test right after it), which is not there, without consuming and without
// any effect: the keyword is read in full (for END-SETUP after blanks, of which there are
// none here) before anything else happens, and a mismatch fails clean under `attempt`.
// END-SETUP alone needs no separator.
unsigned candidatesFor(const State& s) {
    if (s.atEnd() || isBlankChar(s.peek())) return kAllAlternatives;
    const char* const p = s.cur;
    const char* const end = s.end;
    unsigned chosen = bit(kOrdinary);
    switch (*p) {
    case U'b': case U'B':
        if (keywordUnitAt(p, end, "begin-setup")) chosen |= bit(kBeginSetup);
        break;
    case U'a': case U'A':
        if (keywordUnitAt(p, end, "ask")) chosen |= bit(kAsk);
        break;
    case U'e': case U'E':
        if (keywordCIAt(p, end, "end-setup")) chosen |= bit(kEndSetup);
        break;
    case U'#':
        if (endIfKeywordUnitAt(p, end)) chosen |= bit(kEndIf);
        if (keywordUnitAt(p, end, "#else")) chosen |= bit(kElse);
        if (keywordUnitAt(p, end, "#define")) chosen |= bit(kDefine);
        if (keywordUnitAt(p, end, "#if")) chosen |= bit(kIf);
        if (keywordUnitAt(p, end, "#ifdef")) chosen |= bit(kIfdef);
        if (keywordUnitAt(p, end, "#ifndef")) chosen |= bit(kIfndef);
        if (keywordUnitAt(p, end, "#include")) chosen |= bit(kInclude);
        break;
    default:
        break;
    }
    return chosen;
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

std::optional<Reply<Unit>> directiveLineDirect(State& s, Text& out) {
    if (!fastPathsOn(s) || candidatesFor(s) != bit(kOrdinary)) return std::nullopt;
    return ordinaryLineDirect(s, out);
}

std::optional<Reply<Unit>> defineLineDirect(State& s, Text& out) {
    if (!fastPathsOn(s) || candidatesFor(s) != (bit(kDefine) | bit(kOrdinary))) return std::nullopt;
    // The series tries #define first; the keyword unit and the rest of the line take their
    // direct paths (keywordThen, pDefineDirective), which always consume.
    const char* const after = s.cur + TextView("#define").size();
    if (after == s.end || !isWhiteSpace(decodeAt(after))) return std::nullopt;
    const Place start(s);
    advanceWithinLine(s, after);
    std::optional<Reply<Text>> r = defineDirectiveDirect(s);
    if (!r) {
        s.cur = start.cur;
        s.pos = start.pos;
        return std::nullopt;
    }
    if (r->ok) out += r->value;
    return Reply<Unit>{Unit{}, std::move(r->err), true, r->ok};
}

std::optional<Reply<Unit>> blockLineDirect(State& s, Text& out) {
    if (!fastPathsOn(s)) return std::nullopt;
    const unsigned chosen = candidatesFor(s);
    bool isIfdef;
    TextView keyword;
    if (chosen == (bit(kIfdef) | bit(kOrdinary))) {
        isIfdef = true;
        keyword = "#ifdef";
    } else if (chosen == (bit(kIfndef) | bit(kOrdinary))) {
        isIfdef = false;
        keyword = "#ifndef";
    } else {
        return std::nullopt;
    }
    // The series tries the directive first, and its keyword unit takes the direct path of
    // keywordThen, which consumes: the directive's outcome is the line's, whatever it is.
    const char* const after = s.cur + keyword.size();
    if (after == s.end || !isWhiteSpace(decodeAt(after))) return std::nullopt;
    advanceWithinLine(s, after);
    Seq q(s);
    q.take(okReply(true, Unit{}, unknownError(s.pos)));
    Text block = q([isIfdef](State& st) { return pIfdefDirective(st, isIfdef); });
    if (!q) return Reply<Unit>(q.failure());
    out += block;
    return q.ok();
}

Reply<Unit> pDirectiveInto(State& s, Text& out) {
    if (!fastPathsOn(s)) return appendTo(out, runSeries(s, kAllAlternatives, kSeriesInFull));
    const unsigned chosen = candidatesFor(s);
    if (chosen == bit(kOrdinary)) {
        // The series of the ordinary line alone. Its direct path consumes or leaves s as it
        // was; only the grammar after it needs the state saved.
        if (std::optional<Reply<Unit>> r = ordinaryLineDirect(s, out)) return std::move(*r);
        const State saved = s;
        Reply<Unit> r = pOrdinaryLineInto(s, out);
        if (r.consumed) return r;
        s = saved;
        return appendTo(out, runSeries(s, kAllAlternatives));
    }
    const State saved = s;
    Reply<Text> r = runSeries(s, chosen);
    if (!r.consumed && chosen != kAllAlternatives) {
        // An outcome without consuming merges the errors of every alternative tried before
        // it: take it from the whole series. (Only a line that nothing takes gets here; its
        // error names what every alternative expected.)
        s = saved;
        r = runSeries(s, kAllAlternatives);
    }
    return appendTo(out, std::move(r));
}

Reply<Text> pDirective(State& s, const Text& leadingBlanks) {
    Text out = leadingBlanks;
    return withText(pDirectiveInto(s, out), out);
}

Reply<Text> pDirectiveInFull(State& s, const Text& leadingBlanks) {
    return plainGrammar(s, [&leadingBlanks](State& st) { return pDirective(st, leadingBlanks); });
}

} // namespace zarnet
