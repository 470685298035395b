#include "Declare.h"

#include "Commands.h"
#include "Lexical.h"
#include "Literals.h"
#include "SqrMessages.h"
#include "Symbols.h"
#include "Variables.h"

#include "core/ParserLib.h"
#include "preprocessor/PreprocessorRun.h"

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

bool isSigil(char32_t c) { return c == U'#' || c == U'$'; }

} // namespace

// --- the block ---

Reply<Unit> pDeclareVariable(State& s) {
    Seq q(s);
    q([](State& st) { return command(st, kwDeclareVariable); });
    if (!q) return q.failure();
    q(pDeclQualifierList);
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pDeclQualifierList(State& s) {
    static const auto p = skipped(manyUntil(pDeclVarQualifier, pEndLine(kwEndDeclare)));
    // Where END-DECLARE is not there, its test must fail: qualifiers are read without it,
    // and the rule reads on from the first place that is not so. Such a qualifier always
    // consumes, as the next character is ASCII and no blank and a word that is no qualifier
    // is taken for its message; so no state is saved meanwhile, and the definitions of its
    // list change the parser state in place.
    Seq q(s);
    while (keywordAbsent(s, kwEndDeclare)) {
        q.take(pDeclVarQualifier(s));
        if (!q) return q.failure();
    }
    q(p);
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pDeclVarQualifier(State& s) {
    // The keywords are whole words or nothing, so a word that only begins like an earlier
    // keyword (DATE after DEFAULT-NUMERIC and DECIMAL) reaches its own alternative.
    static const auto p = choice(pDefaultNumeric, pDeclDecimalVars, pDeclIntegerVars, pDeclFloatVars,
                                 pDeclTextVars, pDeclDateVars, noQualifierError, qualifierError);
    // Each keyword alternative begins with its keyword: the first whose keyword is there is
    // the first that can consume, and what it consumed is the outcome.
    struct Keyworded {
        TextView keyword;
        Reply<Unit> (*read)(State&);
    };
    static constexpr Keyworded keyworded[] = {{"DEFAULT-NUMERIC", pDefaultNumeric}, {"DECIMAL", pDeclDecimalVars},
                                              {"INTEGER", pDeclIntegerVars},        {"FLOAT", pDeclFloatVars},
                                              {"TEXT", pDeclTextVars},              {"DATE", pDeclDateVars}};
    if (fastPathsOn(s)) {
        for (const Keyworded& k : keyworded) {
            if (keywordAbsent(s, k.keyword)) continue;
            // One that fails without consuming has given the state back itself: no state is
            // saved here, so that the definitions of a list change the parser state in place.
            Reply<Unit> r = k.read(s);
            if (r.consumed) return r;
            break;
        }
    }
    return p(s);
}

// --- numeric types ---

Reply<VarType> pInteger(State& s) {
    static const auto p = symbol("INTEGER");
    auto r = p(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, VarType::integer(), std::move(r.err));
}

Reply<VarType> pFloat(State& s) {
    static const auto p = symbol("FLOAT");
    auto r = p(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, VarType::float_(), std::move(r.err));
}

Reply<Text> pTextKeyword(State& s) {
    static const auto p = symbol("TEXT");
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
    Text ds = textOfChars(q(digits));
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
    static const auto keyword = symbol("DECIMAL");
    Seq q(s);
    q(keyword);
    if (!q) return q.failure();
    VarType t = q(pDecimalPrecision(kDefaultPrecision));
    if (!q) return q.failure();
    q(spaces);
    return q.ok(t);
}

Reply<Unit> pDefaultNumeric(State& s) {
    static const auto keyword = symbol("DEFAULT-NUMERIC");
    static const auto equals = lexeme(char_(U'='));
    static const auto type = choice(pInteger, pDecimal, pFloat);
    static const auto p = [](State& st) -> Reply<Unit> {
        Seq q(st);
        q(keyword);
        if (!q) return q.failure();
        q(equals);
        if (!q) return q.failure();
        q(type);
        if (!q) return q.failure();
        q(spaces);
        return q.ok();
    };
    // As a unit: a failure consumes nothing and gives the state back (the blanks it read
    // may have marked a continuation).
    const State saved = s;
    Reply<Unit> r = p(s);
    if (!r.ok) {
        s = saved;
        r.consumed = false;
    }
    return r;
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
    auto varSpec = [p = decimal.precision](State& st) { return pDecimalVarSpec(st, p); };
    Seq q(s);
    q(varSpec);
    if (!q) return q.failure();
    q(manySkip(varSpec));
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
    q.take(defineVariable(s, VarType::decimal(own), n.name, n.underscoreWarning, n.pos));
    q(spaces);
    return q.ok();
}

// --- declared names ---

Reply<DeclName> pDeclVarName(State& s, VarSymbol required) {
    const SourcePos pos = s.pos;
    Reply<VarSymbol> sigil = pAnyVarSymbol(s);
    if (!sigil.ok) return Failure{std::move(sigil.err), sigil.consumed};
    if (sigil.value != required)
        return Failure{pFail(s, MsgText::literal(required == VarSymbol::Sharp ? numericVarNameRequiredError
                                                                              : stringVarNameRequiredError))
                           .err,
                       true};
    // The optional "_" marker. What its test expected never shows: the name after it
    // consumes, or its absence fails after consuming.
    const char* const begin = s.cur;
    const bool underscore = !s.atEnd() && s.peek() == U'_';
    if (underscore) s.take();
    // many pDeclVarNameChar; the name is a view of the input, marker included.
    const char* const chars = s.cur;
    while (!s.atEnd() && isDeclVarNameChar(s.peek())) s.take();
    if (s.cur == chars) return Failure{pFail(s, MsgText::literal(invalidVarNameError)).err, true};
    // The name consumed, so what is pending is the failed test that ended it.
    Failure stop = s.atEnd() ? detail::endOfInputError(s) : detail::unexpectedCharError(s, s.peek());
    return okReply(true, DeclName{TextView(begin, std::size_t(s.cur - begin)), underscore && !s.st().currentScope.isLocal, pos},
                   std::move(stop.err));
}

Reply<DeclName> pDeclNumVarName(State& s) { return pDeclVarName(s, VarSymbol::Sharp); }

// --- typed lists ---

namespace {
// One name of a list, white space or the end of the input after it, and the blanks after it.
// The common entry read directly: the sign, a name of ASCII characters and a blank, tab or
// line feed after it. There the blanks that follow consume, so their error alone is pending
// and the errors of the steps before need not be made. Null elsewhere, s untouched.
std::optional<Reply<DeclEntry>> plainVarEntry(State& s, VarSymbol required) {
    const char* p = s.cur;
    if (p == s.end || *p != (required == VarSymbol::Sharp ? '#' : '$')) return std::nullopt;
    const char* const begin = ++p;
    const bool underscore = p != s.end && *p == '_';
    if (underscore) ++p;
    const char* const chars = p;
    // Tab and line feed are no name characters, so each character takes one column.
    while (p != s.end && static_cast<unsigned char>(*p) < 0x80 && isDeclVarNameChar(char32_t(*p))) ++p;
    if (p == chars || p == s.end || (*p != ' ' && *p != '\t' && *p != '\n')) return std::nullopt;
    const SourcePos pos = s.pos;
    advanceOverAscii(s, p);
    DeclEntry entry{required, TextView(begin, std::size_t(p - begin)), underscore && !s.st().currentScope.isLocal, pos};
    Reply<Unit> blanks = spaces(s);
    return okReply(true, std::move(entry), std::move(blanks.err));
}

Reply<DeclEntry> pVarEntry(State& s, VarSymbol required) {
    if (fastPathsOn(s))
        if (std::optional<Reply<DeclEntry>> r = plainVarEntry(s, required)) return std::move(*r);
    Seq q(s);
    DeclName n = q([required](State& st) { return pDeclVarName(st, required); });
    if (!q) return q.failure();
    q(follewedBySpace);
    if (!q) return q.failure();
    q(spaces);
    return q.ok(DeclEntry{required, n.name, n.underscoreWarning, n.pos});
}
} // namespace

Reply<std::vector<DeclEntry>> pVarList(State& s, VarSymbol required) {
    // manyOne of the entry, written out. As in `many`, once a further entry has consumed,
    // the error pending at the end is that of the entry that failed without consuming.
    std::vector<DeclEntry> entries;
    entries.reserve(4); // most lists are short: one allocation
    Seq q(s);
    entries.push_back(q([required](State& st) { return pVarEntry(st, required); }));
    if (!q) return q.failure();
    bool more = false;
    for (;;) {
        const State saved = s;
        Reply<DeclEntry> r = pVarEntry(s, required);
        if (r.ok) {
            more = true;
            entries.push_back(std::move(r.value));
            continue;
        }
        if (r.consumed) {
            q.take(Reply<Unit>(Failure{std::move(r.err), true}));
            return q.failure();
        }
        s = saved;
        q.take(okReply(more, Unit{}, std::move(r.err)));
        return q.ok(std::move(entries));
    }
}

Reply<Unit> defineDeclaredVars(State& s, VarType type, const std::vector<DeclEntry>& entries) {
    Seq q(s);
    for (const DeclEntry& e : entries) q.take(defineVariable(s, type, e.name, e.underscoreWarning, e.pos));
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
    // The list ends with the blanks after it: blanks read again here would read nothing and
    // add only messages that are pending already.
    q([required, type](State& st) { return pDeclVars(st, required, type); });
    if (!q) return q.failure();
    return q.ok();
}
} // namespace

Reply<Unit> pDeclIntegerVars(State& s) { return typedList(s, pInteger, VarSymbol::Sharp, VarType::integer()); }
Reply<Unit> pDeclFloatVars(State& s) { return typedList(s, pFloat, VarSymbol::Sharp, VarType::float_()); }
Reply<Unit> pDeclTextVars(State& s) { return typedList(s, pTextKeyword, VarSymbol::Dollar, VarType::text()); }
Reply<Unit> pDeclDateVars(State& s) {
    static const auto keyword = symbol("DATE");
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
    Text word = textOfChars(q(manyOne(pNonBlankChar)));
    if (!q) return q.failure();
    q([&word](State& st) { return qualifierErrorFail(st, word); });
    return q.failure();
}

Reply<Unit> qualifierErrorFail(State& s, const Text& word) {
    Text message = msg::invalidQualifierStart;
    message += word;
    message += msg::invalidQualifierEnd;
    return pFail(s, MsgText::owned(std::move(message)));
}

// --- printed forms ---

std::string showParsed(Unit) { return "()"; }
std::string showParsed(TextView t) { return zarnet::quoteText(t); }
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
