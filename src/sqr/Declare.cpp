#include "Declare.h"

#include "Commands.h"
#include "Lexical.h"
#include "Literals.h"
#include "SqrMessages.h"
#include "Symbols.h"
#include "Variables.h"

#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"

#include <limits>
#include <optional>

namespace zarnet::sqr {

namespace {

Reply<Unit> toUnit(bool consumed, ParseError err) { return okReply(consumed, Unit{}, std::move(err)); }

// A parser with its result dropped.
template <class P> auto skipped(P p) {
    return [p](State& s) -> Reply<Unit> {
        auto r = p(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return toUnit(r.consumed, std::move(r.err));
    };
}

Text textOf(const std::vector<char32_t>& cs) {
    Text t;
    for (char32_t c : cs) appendChar(t, c);
    return t;
}

bool isSigil(char32_t c) { return c == U'#' || c == U'$'; }

} // namespace

// --- the block ---

namespace {
template <class L> Reply<Unit> declareBlock(State& s, const L& qualifiers) {
    Seq q(s);
    q([](State& st) { return pCommand(st, pDeclareVariableKeyword); });
    if (!q) return q.failure();
    q(qualifiers);
    if (!q) return q.failure();
    return q.ok();
}
} // namespace

Reply<Unit> pDeclareVariable(State& s) { return declareBlock(s, pDeclQualifierList); }
Reply<Unit> pDeclareVariableInFull(State& s) { return declareBlock(s, pDeclQualifierListInFull); }

Reply<Unit> pDeclQualifierListInFull(State& s) {
    static const auto p = skipped(manyUntil(pDeclVarQualifier, pEndLine(kwEndDeclare)));
    return p(s);
}

namespace {

// The direct path of the qualifier list. It reads the common qualifiers (INTEGER, FLOAT,
// TEXT, DATE and DECIMAL lists of well-formed names) without building the errors of the
// alternatives that do not apply, and gives every other case to the grammar. Reading a
// list from a qualifier on depends only on the state there, so the grammar takes over at
// the start of the last qualifier read directly: the errors it reports, merged with what
// that qualifier left pending, are then exactly the grammar's.

bool isDeclNameChar(char32_t c) { return c == U')' || c == U'-' || isVarNameChar(c); }
bool isAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// What `spaces` consumes, with the same line ends and continuation marks.
void skipSpaces(State& s) {
    for (;;) {
        if (s.atEnd()) return;
        const char32_t c = s.peek();
        if (isBlank(c)) {
            s.take();
        } else if (c == U'\n') {
            eol(s);
        } else if (c == U'-' && s.peekAt(1) == U'\n') {
            pTrailingHyphen(s);
        } else {
            return;
        }
    }
}

// The keyword in any letter case, followed by white space or, when allowed, "("; consumed
// with the blanks after it. False, with s unspecified, otherwise.
bool directKeyword(State& s, TextView keyword, bool parenEnds) {
    for (char32_t k : keyword) {
        if (s.atEnd() || (s.peek() != k && s.peek() != toLowerSimple(k))) return false;
        s.take();
    }
    if (s.atEnd() || !(isWhiteSpace(s.peek()) || (parenEnds && s.peek() == U'('))) return false;
    skipSpaces(s);
    return true;
}

// "(" digits ")" with the blanks after each part.
std::optional<std::int64_t> directPrecision(State& s) {
    s.take();
    skipSpaces(s);
    Text digits;
    while (!s.atEnd() && isAsciiDigit(s.peek())) appendChar(digits, s.take());
    if (digits.empty()) return std::nullopt;
    skipSpaces(s);
    if (s.atEnd() || s.peek() != U')') return std::nullopt;
    s.take();
    skipSpaces(s);
    return precisionValue(digits);
}

// A declared name with the required sigil, as pDeclVarName reads it when it succeeds.
std::optional<DeclName> directName(State& s, char32_t sigil) {
    const SourcePos pos = s.pos;
    if (s.atEnd() || s.peek() != sigil) return std::nullopt;
    s.take();
    const bool underscore = !s.atEnd() && s.peek() == U'_';
    Text name = takeWhile(s, isDeclNameChar);
    if (name.empty() || (underscore && name == U"_")) return std::nullopt;
    return DeclName{std::move(name), underscore && !s.st().currentScope.isLocal, pos};
}

bool directTypedList(State& s, TextView keyword, char32_t sigil, VarType type) {
    if (!directKeyword(s, keyword, false)) return false;
    std::vector<DeclName> names;
    do {
        auto n = directName(s, sigil);
        if (!n || !(s.atEnd() || isWhiteSpace(s.peek()))) return false;
        names.push_back(std::move(*n));
        skipSpaces(s);
    } while (!s.atEnd() && s.peek() == sigil);
    if (!s.atEnd() && (s.peek() == U'#' || s.peek() == U'$')) return false;
    for (const DeclName& n : names) defineVariable(s, type, n.name, n.underscoreWarning, n.pos);
    return true;
}

bool directDecimalList(State& s) {
    if (!directKeyword(s, U"DECIMAL", true)) return false;
    std::int64_t listPrecision = kDefaultPrecision;
    if (!s.atEnd() && s.peek() == U'(') {
        auto p = directPrecision(s);
        if (!p) return false;
        listPrecision = *p;
    }
    do {
        auto n = directName(s, U'#');
        if (!n) return false;
        skipSpaces(s);
        std::int64_t own = listPrecision;
        if (!s.atEnd() && s.peek() == U'(') {
            auto p = directPrecision(s);
            if (!p) return false;
            own = *p;
        }
        defineVariable(s, VarType::decimal(own), n->name, n->underscoreWarning, n->pos);
        skipSpaces(s);
    } while (!s.atEnd() && s.peek() == U'#');
    return s.atEnd() || s.peek() != U'$';
}

// One qualifier read directly from s; false, with s untouched, where the grammar must read.
bool directQualifier(State& s) {
    if (s.atEnd()) return false;
    State t = s;
    bool read = false;
    switch (s.peek()) {
    case U'I': case U'i': read = directTypedList(t, U"INTEGER", U'#', VarType::integer()); break;
    case U'F': case U'f': read = directTypedList(t, U"FLOAT", U'#', VarType::float_()); break;
    case U'T': case U't': read = directTypedList(t, U"TEXT", U'$', VarType::text()); break;
    case U'D': case U'd':
        read = s.peekAt(1) == U'A' || s.peekAt(1) == U'a' ? directTypedList(t, U"DATE", U'$', VarType::date())
                                                          : directDecimalList(t);
        break;
    default: break;
    }
    if (read) s = std::move(t);
    return read;
}

} // namespace

Reply<Unit> pDeclQualifierList(State& s) {
    State resume = s;
    for (;;) {
        if (!s.atEnd() && (s.peek() == U'E' || s.peek() == U'e')) {
            State before = s;
            auto end = pEndLine(s, kwEndDeclare);
            if (end.ok) return end;
            s = std::move(before);
        }
        State boundary = s;
        if (!directQualifier(s)) break;
        resume = std::move(boundary);
    }
    s = std::move(resume);
    return pDeclQualifierListInFull(s);
}

Reply<Unit> pDeclVarQualifier(State& s) {
    // The keywords are whole words or nothing, so a word that only begins like an earlier
    // keyword (DATE after DEFAULT-NUMERIC and DECIMAL) reaches its own alternative.
    static const auto p = choice(attempt(pDefaultNumeric), pDeclDecimalVars, pDeclIntegerVars, pDeclFloatVars,
                                 pDeclTextVars, pDeclDateVars, noQualifierError, qualifierError);
    return p(s);
}

// --- numeric types ---

Reply<VarType> pInteger(State& s) {
    static const auto p = symbol(U"INTEGER");
    auto r = p(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, VarType::integer(), std::move(r.err));
}

Reply<VarType> pFloat(State& s) {
    static const auto p = symbol(U"FLOAT");
    auto r = p(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, VarType::float_(), std::move(r.err));
}

Reply<Text> pTextKeyword(State& s) {
    static const auto p = symbol(U"TEXT");
    return p(s);
}

std::int64_t precisionValue(TextView digits) {
    // The precision is kept but never shown, so any number of digits is taken; past the
    // largest integer the value stays there.
    constexpr std::int64_t top = std::numeric_limits<std::int64_t>::max();
    std::int64_t v = 0;
    for (char32_t c : digits) {
        std::int64_t d = std::int64_t(c - U'0');
        v = v > (top - d) / 10 ? top : v * 10 + d;
    }
    return v;
}

Reply<std::int64_t> pPrecisionValue(State& s, const Text& digits) {
    return okReply(false, precisionValue(digits), unknownError(s.pos));
}

Reply<std::int64_t> pPrecision(State& s) {
    static const auto open = lexeme(char_(U'('));
    static const auto digits = lexeme(manyOne(digit()));
    static const auto close = lexeme(char_(U')'));
    Seq q(s);
    q(open);
    if (!q) return q.failure();
    Text ds = textOf(q(digits));
    if (!q) return q.failure();
    q(close);
    if (!q) return q.failure();
    std::int64_t v = q.take(pPrecisionValue(s, ds));
    return q.ok(v);
}

Reply<VarType> pDecimalPrecision(State& s, std::int64_t defaultPrecision) {
    State saved = s;
    auto r = pPrecision(s);
    if (r.ok) return okReply(r.consumed, VarType::decimal(r.value), std::move(r.err));
    if (r.consumed) return Failure{std::move(r.err), true};
    s = std::move(saved);
    return okReply(false, VarType::decimal(defaultPrecision), mergeError(r.err, unknownError(s.pos)));
}

Reply<VarType> pDecimal(State& s) {
    static const auto keyword = symbol(U"DECIMAL");
    Seq q(s);
    q(keyword);
    if (!q) return q.failure();
    VarType t = q(pDecimalPrecision(kDefaultPrecision));
    if (!q) return q.failure();
    q(spaces);
    return q.ok(t);
}

Reply<Unit> pDefaultNumeric(State& s) {
    static const auto keyword = symbol(U"DEFAULT-NUMERIC");
    static const auto equals = lexeme(char_(U'='));
    static const auto type = choice(pInteger, pDecimal, pFloat);
    static const auto p = attempt([](State& st) -> Reply<Unit> {
        Seq q(st);
        q(keyword);
        if (!q) return q.failure();
        q(equals);
        if (!q) return q.failure();
        q(type);
        if (!q) return q.failure();
        q(spaces);
        return q.ok();
    });
    return p(s);
}

Reply<Unit> pDeclDecimalVars(State& s) {
    Seq q(s);
    VarType t = q(pDecimal);
    if (!q) return q.failure();
    q([t](State& st) { return pDecimalVarList(st, t); });
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pDecimalVarList(State& s, VarType decimal) {
    auto spec = [p = decimal.precision](State& st) { return pDecimalVarSpec(st, p); };
    Seq q(s);
    q(spec);
    if (!q) return q.failure();
    q(manySkip(spec));
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pDecimalVarSpec(State& s, std::int64_t precision) {
    Seq q(s);
    DeclName n = q(pDeclNumVarName);
    if (!q) return q.failure();
    q(spaces);
    std::int64_t own = q(orElse(pPrecision, succeedWith(precision)));
    if (!q) return q.failure();
    q(defineVariable(VarType::decimal(own), n.name, n.underscoreWarning, n.pos));
    q(spaces);
    return q.ok();
}

// --- declared names ---

Reply<DeclName> pDeclVarName(State& s, VarSymbol required) {
    static const auto marker = orElse(skipped(char_(U'_')), [](State& st) {
        return okReply(false, Unit{}, unknownError(st.pos));
    });
    const SourcePos pos = s.pos;
    Seq q(s);
    VarSymbol sigil = q(pAnyVarSymbol);
    if (!q) return q.failure();
    if (sigil != required) {
        q(pFail(required == VarSymbol::Sharp ? numericVarNameRequiredError : stringVarNameRequiredError));
        return q.failure();
    }
    const bool underscore = !s.atEnd() && s.peek() == U'_';
    q(marker);
    Text name = textOf(q(many(pDeclVarNameChar)));
    if (name.empty()) {
        q(pFail(invalidVarNameError));
        return q.failure();
    }
    if (underscore) name.insert(0, U"_");
    const Scope scope = q(getCurrentScope);
    return q.ok(DeclName{std::move(name), underscore && !scope.isLocal, pos});
}

Reply<DeclName> pDeclNumVarName(State& s) { return pDeclVarName(s, VarSymbol::Sharp); }

// --- typed lists ---

Reply<std::vector<DeclEntry>> pVarList(State& s, VarSymbol required) {
    auto entry = [required](State& st) -> Reply<DeclEntry> {
        Seq q(st);
        DeclName n = q(pDeclVarName(required));
        if (!q) return q.failure();
        q(follewedBySpace);
        if (!q) return q.failure();
        q(spaces);
        return q.ok(DeclEntry{required, std::move(n.name), n.underscoreWarning, n.pos});
    };
    return manyOne(entry)(s);
}

Reply<Unit> defineDeclaredVars(State& s, VarType type, const std::vector<DeclEntry>& entries) {
    Seq q(s);
    for (const DeclEntry& e : entries) q(defineVariable(type, e.name, e.underscoreWarning, e.pos));
    return q.ok();
}

Reply<Unit> pDeclVars(State& s, VarSymbol required, VarType type) {
    // The names are defined only once the whole list has been read; a list that fails
    // defines none of them.
    auto p = attempt([required, type](State& st) -> Reply<Unit> {
        Seq q(st);
        auto entries = q([required](State& x) { return pVarList(x, required); });
        if (!q) return q.failure();
        q([type, &entries](State& x) { return defineDeclaredVars(x, type, entries); });
        q(spaces);
        return q.ok();
    });
    return p(s);
}

namespace {
template <class K> Reply<Unit> typedList(State& s, const K& keyword, VarSymbol required, VarType type) {
    Seq q(s);
    q(keyword);
    if (!q) return q.failure();
    q([required, type](State& st) { return pDeclVars(st, required, type); });
    if (!q) return q.failure();
    q(spaces);
    return q.ok();
}
} // namespace

Reply<Unit> pDeclIntegerVars(State& s) { return typedList(s, pInteger, VarSymbol::Sharp, VarType::integer()); }
Reply<Unit> pDeclFloatVars(State& s) { return typedList(s, pFloat, VarSymbol::Sharp, VarType::float_()); }
Reply<Unit> pDeclTextVars(State& s) { return typedList(s, pTextKeyword, VarSymbol::Dollar, VarType::text()); }
Reply<Unit> pDeclDateVars(State& s) {
    static const auto keyword = symbol(U"DATE");
    return typedList(s, keyword, VarSymbol::Dollar, VarType::date());
}

// --- qualifier errors ---

Reply<Unit> noQualifierError(State& s) {
    static const auto sigil = satisfying(isSigil);
    Seq q(s);
    q(sigil);
    if (!q) return q.failure();
    auto rest = q(many(pNonBlankChar));
    q(pFail(rest.empty() ? invalidVarNameError : varTypeNotSpecifiedError));
    return q.failure();
}

Reply<Unit> qualifierError(State& s) {
    Seq q(s);
    Text word = textOf(q(manyOne(pNonBlankChar)));
    if (!q) return q.failure();
    q([&word](State& st) { return qualifierErrorFail(st, word); });
    return q.failure();
}

Reply<Unit> qualifierErrorFail(State& s, const Text& word) {
    Text message = fromAscii(msg::invalidQualifierStart);
    message += word;
    message += fromAscii(msg::invalidQualifierEnd);
    return pFail(s, MsgText::owned(std::move(message)));
}

// --- printed forms ---

std::string showParsed(Unit) { return "()"; }
std::string showParsed(const Text& t) { return zarnet::quoteText(t); }
std::string showParsed(bool b) { return b ? "True" : "False"; }
std::string showParsed(std::int64_t n) { return std::to_string(n); }
std::string showParsed(const VarType& t) { return show(t); }
std::string showParsed(const SourcePos& p) { return showPos(p); }
std::string showParsed(const DeclName& d) {
    return "(" + showParsed(d.name) + "," + showParsed(d.underscoreWarning) + "," + showParsed(d.pos) + ")";
}
std::string showParsed(const DeclEntry& d) {
    return "(" + show(d.symbol) + "," + showParsed(d.name) + "," + showParsed(d.underscoreWarning) + "," +
           showParsed(d.pos) + ")";
}

} // namespace zarnet::sqr
