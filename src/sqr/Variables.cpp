#include "sqr/Variables.h"

#include "sqr/Literals.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/PreprocessorRun.h"

namespace zarnet::sqr {

namespace {

Text oneChar(char32_t c) {
    Text t;
    appendChar(t, c);
    return t;
}

// A failed character test at the current place, as `satisfying` reports it.
ParseError characterTestError(const State& s) {
    return s.atEnd() ? detail::endOfInputError(s).err : detail::unexpectedCharError(s, s.peek()).err;
}

// One or more characters of a test without a label, collected as a text: the pending error
// is the failed test at the end of the run, as with `manyOne` of `satisfying`.
template <class F> Reply<Text> charsWhile1(State& s, F pred) {
    Reply<char32_t> first = satisfying(pred)(s);
    if (!first.ok) return Failure{std::move(first.err), false};
    Text out = oneChar(first.value);
    out += takeWhile(s, pred);
    return okReply(true, std::move(out), characterTestError(s));
}

template <class P> Reply<VarSymbol> symbolOf(P p, VarSymbol v, State& s) {
    Reply<char32_t> r = p(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, v, std::move(r.err));
}

// Membership in an ASCII set, decided by a table built from the set at compile time.
struct AsciiSet {
    bool member[128] = {};
    constexpr explicit AsciiSet(TextView set) {
        for (char32_t c = 0; c < 128; ++c) member[c] = inCharSet(set, c);
    }
    constexpr bool operator()(char32_t c) const noexcept { return c < 128 && member[c]; }
};
constexpr AsciiSet kOpChars(opChars);
constexpr AsciiSet kWordEnds(anyWord_excepts);
constexpr AsciiSet kSigils(varSigilChars);
// The ASCII characters of `isWordDelimiter`.
constexpr AsciiSet kWordDelimiters = [] {
    AsciiSet set(opChars);
    for (char c : TextView("\x1A \t\n\r")) set.member[static_cast<unsigned char>(c)] = true;
    return set;
}();

bool isOpChar(char32_t c) noexcept { return kOpChars(c); }

// What may follow a sigil as the first character of a token reference's name.
bool isBareNameStart(char32_t c) noexcept {
    return c != 0x1A && c != U' ' && c != U'\t' && c != U'\n' && c != U'\r';
}

bool isBindNameChar(char32_t c) noexcept {
    return c != U' ' && c != U'\t' && c != U'\n' && c != U'\r' && c != U'[' && c != U']';
}


Reply<Text> pOperatorToken(State& s) {
    Reply<char32_t> r = pOperatorChar(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(true, oneChar(r.value), std::move(r.err));
}

// A "$" or "#" that no character of a name follows: a one-character word. It fails with
// no message of its own, so that the error where no token begins stays the four kinds'.
Reply<Text> pLoneSign(State& s) {
    if (!s.atEnd() && kSigils(s.peek())) {
        std::optional<char32_t> next = s.peekAt(1);
        if (!next || !isBareNameStart(*next)) {
            char32_t c = s.take();
            return okReply(true, oneChar(c), unknownError(s.pos));
        }
    }
    return emptyError(unknownError(s.pos));
}

Reply<Text> pTokenVariable(State& s) {
    static const auto p = pVariable(pAnyVarSymbol, pBareVarName);
    return p(s);
}

} // namespace

// --- sigils and name characters -----------------------------------------------------------

Reply<VarSymbol> pNumVarSymbol(State& s) { return symbolOf(char_(U'#'), VarSymbol::Sharp, s); }
Reply<VarSymbol> pTextVarSymbol(State& s) { return symbolOf(char_(U'$'), VarSymbol::Dollar, s); }

Reply<VarSymbol> pAnyVarSymbol(State& s) {
    // Every variable reference asks for its sign here: orElse(pNumVarSymbol, pTextVarSymbol),
    // read directly. Where a sign is ahead, the reply is that of the test that takes it (a
    // consumed reply passes `orElse` unchanged), so no failed test of "#" is built for "$".
    if (!s.atEnd() && (*s.cur == '#' || *s.cur == '$')) {
        const VarSymbol symbol = *s.cur == '#' ? VarSymbol::Sharp : VarSymbol::Dollar;
        s.take();
        return okReply(true, symbol, unknownError(s.pos));
    }
    // Both tests fail on the same character: their merged error, made at once.
    static const MessageSet* const dollar = new MessageSet{{MsgKind::Expect, MsgText::quotedChar(U'$')}};
    const Message sharp{MsgKind::Expect, MsgText::quotedChar(U'#')};
    return Failure{ParseError(s.pos, sharp, detail::foundHere(s), *dollar), false};
}

bool isVarNameChar(char32_t c) noexcept {
    return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'_' ||
           (c >= 0xA6 && c <= 0xDF);
}

const Text& varNameChars() {
    static const Text chars = [] {
        Text t;
        for (char32_t c = 0; c <= 0xDF; ++c)
            if (isVarNameChar(c)) appendChar(t, c);
        return t;
    }();
    return chars;
}

Reply<char32_t> pVarNameChar(State& s) { return satisfying(isVarNameChar)(s); }

bool isDeclVarNameChar(char32_t c) noexcept { return c == U')' || c == U'-' || isVarNameChar(c); }

Reply<char32_t> pDeclVarNameChar(State& s) { return satisfying(isDeclVarNameChar)(s); }

Reply<Text> pDeclareVariableKeyword(State& s) { return stringCI(s, "DECLARE-VARIABLE"); }

// --- variable references ------------------------------------------------------------------

Reply<Text> pVarMarker(State& s) {
    // orElse(string_("_"), succeedWith(Text())), read directly: every reference asks here.
    if (!s.atEnd() && *s.cur == '_') {
        s.take();
        return okReply(true, Text("_"), unknownError(s.pos));
    }
    // The failed test of "_"; the empty alternative adds nothing to it.
    return okReply(false, Text(), detail::labelledCharError(s, MsgText::quotedLiteral("_")).err);
}

void recordVariableUse(State& s, VarSymbol symbol, TextView marker, TextView name, const SourcePos& at) {
    const auto [scope, needless] = varScopeOf(s.st().currentScope, marker);
    if (!needless) {
        saveVariable(s, scope, symbol, name, false, at);
        return;
    }
    Text recorded(marker);
    recorded += name;
    saveVariable(s, scope, symbol, recorded, true, at);
}

Reply<Text> pStrictName(State& s) {
    static const auto hyphen = orElse(string_("-"), succeedWith(Text()));
    static const auto segment = [](State& st) -> Reply<Text> {
        Seq q(st);
        Text part = q(hyphen);
        Text chars = q([](State& t) { return charsWhile1(t, isVarNameChar); });
        if (!q) return q.failure();
        part += chars;
        return q.ok(std::move(part));
    };
    static const auto segments = many(segment);
    Seq q(s);
    Text name = oneChar(q(pVarNameChar));
    if (!q) return q.failure();
    std::vector<Text> rest = q(segments);
    if (!q) return q.failure();
    for (const Text& part : rest) name += part;
    return q.ok(std::move(name));
}

Reply<Text> pNumVar(State& s) { return pVariable(pNumVarSymbol, pStrictName)(s); }
Reply<Text> pVar(State& s) { return pVariable(pAnyVarSymbol, pStrictName)(s); }

// --- generic command-argument tokens --------------------------------------------------------

bool isWordDelimiter(char32_t c) noexcept { return kWordDelimiters(c); }

Reply<char32_t> pWordChar(State& s) { return satisfying([](char32_t c) { return !isWordDelimiter(c); })(s); }
Reply<char32_t> pOperatorChar(State& s) { return satisfying(isOpChar)(s); }

Reply<Text> pBareVarName(State& s) {
    Reply<char32_t> first = satisfying(isBareNameStart)(s);
    if (!first.ok) return Failure{std::move(first.err), false};
    Text name = oneChar(first.value);
    name += takeWhile(s, [](char32_t c) { return !isWordDelimiter(c); });
    return okReply(true, std::move(name), characterTestError(s));
}

Reply<Text> anyTok(State& s) {
    static const auto p = choice(pString, pTokenVariable, pOperatorToken, anyWord, pLoneSign);
    return p(s);
}

Reply<Text> pArgToken(State& s) {
    static const auto p = seqLeft(anyTok, pSkipBlanks);
    return p(s);
}

// manyOne of pArgToken, its texts dropped; a loop, so that no line is too long.
Reply<Unit> pArgTokensByRule(State& s) {
    static const auto p = seqRight(pArgToken, manySkip(pArgToken));
    return p(s);
}

// --- the quick scan of a token run ---------------------------------------------------------
//
// Almost every line of a program goes through the token run, and of a run's tokens only the
// uses they record and the error where the run stops can show: the texts of the tokens and
// the errors that each next token replaces are thrown away. The quick scan skips tokens
// without building either (measured: the token-scan benchmark runs more than twice as fast
// with it). Wherever it cannot see a token's end at a glance, and where the run stops,
// `pArgToken` reads on, so the outcome is the rule's; a run of one token is read again by the
// rule, since that token's own pending error shows. The test of the token run checks
// `pArgTokens` against `pArgTokensByRule`.

namespace {

// Moves s over c, the character at s that is no line feed: as `take`, without decoding
// again where it is ASCII.
void stepOver(State& s, char32_t c) {
    if (c < 0x80 && c != U'\t') {
        ++s.cur;
        ++s.pos.sourceColumn;
    } else {
        s.take();
    }
}

bool isAsciiByte(char c) noexcept { return !(static_cast<unsigned char>(c) & 0x80); }

// Moves s over the rest of a word, up to a character of `ends`, as `skipWhile` reads it. Both
// sets hold tab and line feed, so the ASCII run is one column a character and is told by one
// lookup each; `skipWhile` reads on from a character beyond ASCII.
template <const AsciiSet& Ends> void skipWordRest(State& s) {
    static_assert(Ends(U'\t') && Ends(U'\n'));
    const char* p = s.cur;
    while (p != s.end && isAsciiByte(*p) && !Ends.member[static_cast<unsigned char>(*p)]) ++p;
    advanceOverAscii(s, p);
    if (p != s.end && !isAsciiByte(*p)) skipWhile(s, [](char32_t x) { return !Ends(x); });
}

// Records the reference read at `at`: its sigil, the "_" marker or none, and its name from
// nameBegin up to the current place.
void recordReference(State& s, char32_t sigil, bool marked, const char* nameBegin, const SourcePos& at) {
    recordVariableUse(s, sigil == U'$' ? VarSymbol::Dollar : VarSymbol::Sharp, marked ? TextView("_") : TextView(),
                      TextView(nameBegin, std::size_t(s.cur - nameBegin)), at);
}

bool skipLiteralSlowly(State& s);

// The literal at the quote as `pString` reads it. False, with the state left where it was,
// when it does not end.
bool skipLiteralQuietly(State& s) {
    // The common literal, ASCII within the line and without a tab, at once.
    for (const char* p = s.cur + 1; p != s.end && isAsciiByte(*p) && *p != '\n' && *p != '\r' && *p != '\t'; ++p) {
        if (*p != '\'') continue;
        if (p + 1 != s.end && p[1] == '\'') {
            ++p; // a doubled quote
            continue;
        }
        advanceOverAscii(s, p + 1);
        return true;
    }
    return skipLiteralSlowly(s);
}

// The literal at the quote that runs beyond ASCII, over a tab or over a line end. Out of
// line, so that the common scan stays small.
[[gnu::noinline]] bool skipLiteralSlowly(State& s) {
    const State start = s;
    s.take();
    while (!s.atEnd()) {
        const char32_t c = s.peek();
        if (c == U'\'') {
            s.take();
            if (s.atEnd() || s.peek() != U'\'') return true;
            s.take();
        } else if (c == U'\n') {
            stepOverLineEnd(s);
        } else if (c == U'\r') {
            break;
        } else {
            stepOver(s, c);
        }
    }
    s = start;
    return false;
}

// A reference, or a lone sign, at a sigil that the quick test above leaves: a name that
// begins beyond ASCII, or none. Out of line, so that the common scan stays small.
[[gnu::noinline]] bool skipReferenceSlowly(State& s, char32_t c) {
    const std::optional<char32_t> next = s.peekAt(1);
    if (!next || !isBareNameStart(*next)) {
        s.take(); // a lone sign
        return true;
    }
    const bool marked = *next == U'_';
    if (marked) {
        const std::optional<char32_t> first = s.peekAt(2);
        if (!first || !isBareNameStart(*first)) return false; // no token: the rule says why
    }
    const SourcePos at = s.pos;
    s.take();
    if (marked) s.take();
    const char* const nameBegin = s.cur;
    s.take();
    skipWhile(s, [](char32_t x) { return !isWordDelimiter(x); });
    recordReference(s, c, marked, nameBegin, at);
    return true;
}

// One token as `anyTok` reads it, the use of a reference recorded; no text, no error. False,
// with nothing consumed, where the scan leaves the decision to the rule.
bool skipTokenQuietly(State& s) {
    if (s.atEnd()) return false;
    const char32_t c = s.peek();
    if (c == U'\'') return skipLiteralQuietly(s);
    // A reference whose name begins with an ASCII character: the sigil, the marker and that
    // character are one column each (none of them is a tab), the name runs on as a word's.
    if (kSigils(c) && s.cur + 1 != s.end && isAsciiByte(s.cur[1])) {
        const char* p = s.cur + 1;
        const bool marked = *p == '_';
        if (marked) ++p;
        if (p != s.end && isAsciiByte(*p) && isBareNameStart(char32_t(*p))) {
            const SourcePos at = s.pos;
            const char* const nameBegin = p;
            advanceOverAscii(s, p + 1);
            skipWordRest<kWordDelimiters>(s);
            recordReference(s, c, marked, nameBegin, at);
            return true;
        }
    }
    if (kSigils(c)) return skipReferenceSlowly(s, c);
    if (isOpChar(c)) {
        advanceOverAscii(s, s.cur + 1);
        return true;
    }
    if (!kWordEnds(c)) { // a bare word (the sigils were taken above)
        skipWordRest<kWordEnds>(s);
        return true;
    }
    return false;
}

// The blanks of `pSkipBlanks`, the continuation marks included; no error.
void skipBlanksQuietly(State& s) {
    const char* p = s.cur;
    while (p != s.end && *p == ' ') ++p;
    advanceOverAscii(s, p);
    // Mostly a token or the line end follows: a printable ASCII character other than "-", or
    // a line feed, is neither a blank nor a continuation mark.
    if (p == s.end || *p == '\n' || (*p > ' ' && *p < 0x7F && *p != '-')) return;
    while (!s.atEnd()) {
        const char32_t c = s.peek();
        if (isBlank(c)) {
            stepOver(s, c);
        } else if (c == U'-' && s.peekAt(1) == U'\n') {
            pTrailingHyphen(s);
        } else {
            return;
        }
    }
}

} // namespace

Reply<Unit> pArgTokens(State& s) {
    const State start = s;
    if (!skipTokenQuietly(s)) return pArgTokensByRule(s);
    skipBlanksQuietly(s);
    for (bool more = false;; more = true) {
        if (skipTokenQuietly(s)) {
            skipBlanksQuietly(s);
            continue;
        }
        const State saved = s;
        Reply<Text> t = pArgToken(s);
        if (t.ok) continue;
        if (t.consumed) return consumedError(std::move(t.err));
        if (!more) break;
        s = saved;
        return okReply(true, Unit{}, std::move(t.err));
    }
    s = start;
    return pArgTokensByRule(s);
}

Reply<Unit> pArgTokensToLineEnd(State& s) {
    const State start = s;
    if (fastPathsOn(s) && skipTokenQuietly(s)) {
        do
            skipBlanksQuietly(s);
        while (skipTokenQuietly(s));
        // No token begins at a line feed: the rule would stop here too.
        if (!s.atEnd() && *s.cur == '\n') return okReply(true, Unit{}, unknownError(s.pos));
        s = start;
    }
    return pArgTokens(s);
}

Reply<Text> pSqlBindVar(State& s) {
    static const auto bindName = [](State& st) { return charsWhile1(st, isBindNameChar); };
    static const auto p = brackets(pVariable(pAnyVarSymbol, bindName));
    return p(s);
}

// --- procedure parameter names -------------------------------------------------------------

Reply<Text> pParameterVarName(State& s) {
    static const auto plain = satisfying([](char32_t c) { return !isParameterStop(c); });
    static const auto doubledBang = attempt(seqRight(char_(U'!'), char_(U'!')));
    static const auto item = orElse(plain, doubledBang);
    static const auto items = manyOne(item);
    static const auto moreItems = many(item);
    // A run of plain ASCII characters, each one item of the rule, is taken at once; the rule
    // reads on from its end.
    if (fastPathsOn(s)) {
        const char* p = s.cur;
        while (p != s.end && static_cast<unsigned char>(*p) < 0x80 && !isParameterStop(char32_t(*p))) ++p;
        if (p != s.cur) {
            Text name(s.cur, p);
            advanceWithinLine(s, p);
            // Where the run ends at the end of the input or at an ASCII stop other than "!",
            // both items fail on that one character: the plain one finds it, the doubled "!"
            // expected "!" there.
            if (p == s.end || (*p != '!' && static_cast<unsigned char>(*p) < 0x80)) {
                const Message bangExpected{MsgKind::Expect, MsgText::quotedChar(U'!')};
                return okReply(true, std::move(name), ParseError(s.pos, detail::foundHere(s), bangExpected));
            }
            Reply<std::vector<char32_t>> rest = moreItems(s);
            if (!rest.ok) return Failure{std::move(rest.err), true};
            for (char32_t c : rest.value) appendChar(name, c);
            return okReply(true, std::move(name), std::move(rest.err));
        }
    }
    Reply<std::vector<char32_t>> r = items(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, textOfChars(r.value), std::move(r.err));
}

// --- column names and array elements ---------------------------------------------------------

bool isColumnNameChar(char32_t c) noexcept { return c == U'.' || isVarNameChar(c); }

Reply<Text> pColumn(State& s) {
    static const auto column = [](State& st) -> Reply<Text> {
        Seq q(st);
        q(char_(U'&'));
        if (!q) return q.failure();
        Text name = q([](State& t) { return charsWhile1(t, isColumnNameChar); });
        if (!q) return q.failure();
        Text out = "&";
        out += name;
        return q.ok(std::move(out));
    };
    static const auto p = lexeme(attempt(column));
    return p(s);
}

} // namespace zarnet::sqr
