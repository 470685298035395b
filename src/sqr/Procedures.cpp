#include "sqr/Procedures.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Commands.h"
#include "sqr/Declare.h"
#include "sqr/Lexical.h"
#include "sqr/Paragraphs.h"
#include "sqr/Statements.h"
#include "sqr/Symbols.h"

#include <optional>

namespace zarnet::sqr {

namespace {

Failure undo(State& s, const State& saved, Seq& q) {
    ParseError e = q.failure().err;
    s = saved;
    return emptyError(std::move(e));
}

// Characters that end a procedure name; "!" belongs to it only doubled.
bool isProcNameChar(char32_t c) noexcept {
    switch (c) {
    case 0x1A: case U' ': case U'\t': case U'\n': case U'\r': case U'(': case U'\'': case U'!':
        return false;
    default:
        return true;
    }
}

// Runs p; when it fails without consuming, puts the state back and reports that through
// the pending error of `q`. Returns whether p succeeded.
template <class P> bool tryStep(State& s, Seq& q, P p) {
    const State before = s;
    auto r = p(s);
    if (r.ok || r.consumed) {
        const bool ok = r.ok;
        q.take(std::move(r));
        return ok;
    }
    s = before;
    q.take(okReply(false, Unit{}, std::move(r.err)));
    return false;
}

} // namespace

// --- names -------------------------------------------------------------------------------------

Reply<char32_t> pDoubledBang(State& s) {
    Seq q(s);
    q(char_(U'!'));
    if (!q) return q.failure();
    char32_t c = q(char_(U'!'));
    if (!q) return q.failure();
    return q.ok(c);
}

Reply<Text> pProcedureName(State& s) {
    Text name;
    Seq q(s);
    bool any = false;
    for (;;) {
        // A run of name characters is one step: each would leave only the unknown error
        // past it, so the run leaves the one past its last character.
        if (!s.atEnd() && isProcNameChar(s.peek())) {
            do appendChar(name, s.take());
            while (!s.atEnd() && isProcNameChar(s.peek()));
            q.take(okReply(true, Unit{}, unknownError(s.pos)));
            any = true;
        }
        const State before = s;
        Reply<char32_t> bang = pDoubledBang(s);
        if (bang.ok) {
            appendChar(name, bang.value);
            q.take(std::move(bang));
            any = true;
            continue;
        }
        if (bang.consumed) {
            q.take(std::move(bang));
            return q.failure();
        }
        s = before;
        if (!any) {
            // Neither item form matched: the character is unexpected, "!" was expected.
            ParseError e = s.atEnd() ? detail::endOfInputError(s).err
                                     : detail::unexpectedCharError(s, s.peek()).err;
            q.take(Reply<Unit>(emptyError(mergeError(e, bang.err))));
            return q.failure();
        }
        q.take(okReply(false, Unit{}, std::move(bang.err)));
        break;
    }
    q(spaces);
    return q.ok(std::move(name));
}

// --- headers -------------------------------------------------------------------------------------

Reply<ParamItem> pParameterName(State& s, CallType callType) {
    Seq q(s);
    const SourcePos at = s.pos;
    VarSymbol sym = VarSymbol::Sharp;
    if (!s.atEnd() && (s.peek() == U'#' || s.peek() == U'$')) {
        if (s.peek() == U'$') sym = VarSymbol::Dollar;
        q.take(detail::takeChar(s)); // what char_ of the sigil gives
    } else {
        ParseError e = mergeError(detail::labelledCharError(s, MsgText::quotedChar(U'#')).err,
                                  detail::labelledCharError(s, MsgText::quotedChar(U'$')).err);
        return emptyError(std::move(e));
    }
    Text name = q(pArgWord);
    if (!q) return q.failure();
    // Only plain blanks after a parameter name: a line end may separate two parameters.
    // As manySkip(nbsp) reads them: the failed test where they end is the pending error.
    bool blanks = false;
    while (!s.atEnd() && isBlank(s.peek())) {
        s.take();
        blanks = true;
    }
    q.take(okReply(blanks, Unit{}, detail::labelledCharError(s, MsgText::literal("space")).err));
    VarIdentifier id = createVarIdentifier(s, sym, name);
    return q.ok(ParamItem{Parameter{std::move(id), callType}, std::move(name), at});
}

Reply<ParamItem> pParameter(State& s) {
    const State saved = s;
    Seq q(s);
    CallType call = CallType::CallByValue;
    if (!s.atEnd() && s.peek() == U':') {
        q(lexeme(pColon));
        call = CallType::CallByReference;
    } else {
        // The optional mark, absent, still names what it expected.
        q.take(okReply(false, Unit{}, std::move(detail::labelledCharError(s, MsgText::quotedChar(U':')).err)));
    }
    ParamItem item = q([call](State& st) { return pParameterName(st, call); });
    if (!q) return undo(s, saved, q);
    return q.ok(std::move(item));
}

Reply<Unit> pParameterSep(State& s) {
    const State saved = s;
    Seq q(s);
    q(char_(U','));
    if (!q) return undo(s, saved, q);
    q(pSkipBlanks);
    return q.ok();
}

Reply<std::vector<ParamItem>> pParameterList(State& s) {
    std::vector<ParamItem> items;
    items.reserve(4);
    Seq q(s);
    {
        const State before = s;
        Reply<ParamItem> first = pParameter(s);
        if (!first.ok) {
            s = before;
            return okReply(false, std::move(items), std::move(first.err));
        }
        items.push_back(q.take(std::move(first)));
    }
    for (;;) {
        if (s.atEnd() || (*s.cur != ',' && *s.cur != '\n')) {
            // No separator: what it expected stays pending. (Where one stands, the separator
            // or the white space read after the list consumes, and drops the step's error.)
            const State before = s;
            Reply<Unit> sep = pComma(s);
            s = before;
            q.take(okReply(false, Unit{}, std::move(sep.err)));
            break;
        }
        const State before = s;
        Seq step(s);
        // The error of the blanks after the separator never shows: a parameter consumes
        // after them where it is read, and the step is dropped where it is not.
        if (fastPathsOn(s)) {
            step(pComma);
            if (step && !spacesQuietly(s)) step(spaces);
        } else {
            step(lexeme(pComma));
        }
        ParamItem item;
        if (step) item = step(pParameter);
        if (!step) {
            s = before;
            break;
        }
        q.take(step.ok(Unit{}));
        items.push_back(std::move(item));
    }
    {
        const State before = s;
        Reply<Unit> sep = pParameterSep(s);
        if (sep.ok) {
            q.take(std::move(sep));
            q(spaces);
        } else {
            s = before;
            q.take(okReply(false, Unit{}, std::move(sep.err)));
        }
    }
    return q.ok(std::move(items));
}

namespace {

// An ASCII character of a parameter name that the direct reader takes (see isParameterStop).
bool isPlainParamChar(char c) noexcept {
    return c > ' ' && c < 0x7F && c != ')' && c != ',' && c != '!';
}

const char* skipSpaceAndTab(const char* p, const char* end) noexcept {
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
    return p;
}

// The common parameter read directly: ":" or nothing, the sign, ASCII name characters, then
// blanks and tabs up to a "," or ")". Null elsewhere (s untouched): there the plain rule reads.
std::optional<ParamItem> plainParameter(State& s) {
    const char* p = s.cur;
    CallType call = CallType::CallByValue;
    if (p != s.end && *p == ':') {
        call = CallType::CallByReference;
        ++p;
    }
    if (p == s.end || (*p != '$' && *p != '#')) return std::nullopt;
    const VarSymbol sym = *p == '$' ? VarSymbol::Dollar : VarSymbol::Sharp;
    const char* const sign = p++;
    const char* const begin = p;
    while (p != s.end && isPlainParamChar(*p)) ++p;
    const char* const nameEnd = p;
    p = skipSpaceAndTab(p, s.end);
    if (nameEnd == begin || p == s.end || (*p != ',' && *p != ')')) return std::nullopt;
    advanceWithinLine(s, sign);
    const SourcePos at = s.pos;
    advanceWithinLine(s, p);
    Text name(begin, nameEnd);
    VarIdentifier id = createVarIdentifier(s, sym, name);
    return ParamItem{Parameter{std::move(id), call}, std::move(name), at};
}

// A parenthesized list of common parameters on one line, read directly: "(", blanks and tabs,
// parameters separated by "," and blanks and tabs, ")". Every error the plain rule makes on
// the way is dropped once ")" consumes, so only that of the blanks after ")" stays. Null
// where anything else stands (s untouched).
std::optional<Reply<HeaderInfo>> plainParenParameters(State& s) {
    if (s.atEnd() || *s.cur != '(') return std::nullopt;
    const State saved = s;
    std::vector<ParamItem> items;
    items.reserve(4);
    advanceWithinLine(s, skipSpaceAndTab(s.cur + 1, s.end));
    for (;;) {
        std::optional<ParamItem> item = plainParameter(s);
        if (!item) {
            s = saved;
            return std::nullopt;
        }
        items.push_back(std::move(*item));
        if (*s.cur == ')') break;
        advanceWithinLine(s, skipSpaceAndTab(s.cur + 1, s.end));
    }
    Reply<char32_t> close = pCloseParen(s);
    return okReply(true, HeaderInfo{true, std::move(items)}, std::move(close.err));
}

} // namespace

Reply<HeaderInfo> pParenParameters(State& s) {
    if (fastPathsOn(s))
        if (std::optional<Reply<HeaderInfo>> r = plainParenParameters(s)) return std::move(*r);
    Seq q(s);
    q(pOpenParen);
    if (!q) return q.failure();
    std::vector<ParamItem> items = q(pParameterList);
    q(spaces);
    q(pCloseParen);
    if (!q) return q.failure();
    return q.ok(HeaderInfo{true, std::move(items)});
}

Reply<HeaderInfo> pLocalKeyword(State& s) {
    Seq q(s);
    q(symbol("LOCAL"));
    if (!q) return q.failure();
    return q.ok(HeaderInfo{true, {}});
}

Reply<HeaderInfo> pNoParameters(State& s) { return okReply(false, HeaderInfo{false, {}}, unknownError(s.pos)); }

// --- sections ----------------------------------------------------------------------------------------

Reply<Unit> pDeclareOnlyLocal(State& s) {
    Seq q(s);
    q(command(kwDeclareVariable));
    if (!q) return q.failure();
    q(pFail(zarnet::msg::kOnlyInLocalProcedures));
    return q.failure();
}

Reply<Unit> pProcedureLine(State& s, ParagraphMemo* memo) {
    const State before = s;
    // A statement line read here that failed: the failed tests below change nothing it
    // reads, so it is not read again (a literal that never closes reads to the end).
    std::optional<Reply<Unit>> failedStatement;
    // Neither a misplaced DECLARE-VARIABLE nor a paragraph begins here: a statement line
    // that consumes is the outcome (see keywordAbsent).
    if (keywordAbsent(s, kwDeclareVariable) && keywordAbsent(s, "BEGIN-SQL") && keywordAbsent(s, "BEGIN-SELECT")) {
        Reply<Unit> r = pAnyStatement(s);
        if (r.ok && r.consumed) return r;
        s = before;
        if (!r.ok) failedStatement = std::move(r);
    }
    ParseError err;
    {
        Seq q(s);
        q(command(kwDeclareVariable));
        if (q) {
            q(pFail(zarnet::msg::kMustBeFirstInProcedure));
            return q.failure();
        }
        err = q.failure().err;
        s = before;
    }
    Reply<Unit> p = pAnyParagraph(s, memo);
    if (p.ok) {
        if (!p.consumed) p.err = mergeError(err, p.err);
        return p;
    }
    s = before;
    err = mergeError(err, p.err);
    Reply<Unit> r = failedStatement ? std::move(*failedStatement) : pAnyStatement(s);
    if (r.ok) return r;
    s = before;
    return emptyError(mergeError(err, r.err));
}

Reply<Unit> pProcedureBody(State& s, ParagraphMemo* memo) {
    Seq q(s);
    q.take(linesUntil(
        s, kwEndProcedure, [](State& st) { return pSectionEndLine(st, kwEndProcedure); },
        [memo](State& st) { return pProcedureLine(st, memo); }));
    if (!q) return q.failure();
    q(setGlobalScope);
    return q.ok();
}

Reply<Unit> pProcedureRest(State& s, ParagraphMemo* memo) {
    Seq q(s);
    q(spaces);
    q([memo](State& st) { return pProcedureBody(st, memo); });
    if (!q) return q.failure();
    return q.ok();
}

namespace {

// What the header says. Quick: only the alternative whose first test can pass is tried;
// the others would fail without trace, adding to an error that a successful procedure
// drops (its closing line consumes after them).
Reply<HeaderInfo> headerKind(State& s, bool quick) {
    static const auto plain = choice(pParenParameters, pLocalKeyword, pNoParameters);
    if (!quick) return plain(s);
    if (!s.atEnd() && *s.cur == '(') return pParenParameters(s);
    if (!keywordAbsent(s, "LOCAL")) {
        const State before = s;
        Reply<HeaderInfo> r = pLocalKeyword(s);
        if (r.ok) return r;
        s = before;
    }
    return pNoParameters(s);
}

// pProcedureHeader; quick skips the tests that must fail without trace (see headerKind).
Reply<Unit> procedureHeader(State& s, ParagraphMemo* memo, bool quick) {
    Seq q(s);
    const SourcePos at = s.pos;
    Text name = q(pProcedureName);
    if (!q) return q.failure();
    HeaderInfo header = q.take(headerKind(s, quick));
    if (!q) return q.failure();
    const bool local = header.first;
    Scope scope = local ? Scope::local(toUpperText(name)) : Scope::global();
    PList<Parameter> params;
    if (!header.second.empty()) {
        std::vector<Parameter> list;
        list.reserve(header.second.size());
        for (const ParamItem& item : header.second) list.push_back(item.parameter);
        params = PList<Parameter>::fromVector(list);
    }
    q.take(setCurrentScope(s, scope));
    q.take(saveProcedure(s, Procedure{std::move(name), std::move(scope), at, std::move(params)}));
    if (!quick || !keywordAbsent(s, kwDeclareVariable)) {
        if (local)
            tryStep(s, q, pDeclareVariable);
        else
            tryStep(s, q, pDeclareOnlyLocal);
        if (!q) return q.failure();
    }
    if (!header.second.empty()) {
        const Scope current = q.take(getCurrentScope(s));
        for (const ParamItem& item : header.second)
            q.take(saveVariable(s, current, item.parameter.varIdentifier.varSymbol, item.writtenName, false,
                                item.position));
    }
    q.take(pProcedureRest(s, memo));
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> procedure(State& s, ParagraphMemo* memo, bool quick) {
    Seq q(s);
    q(command(kwBeginProcedure));
    if (!q) return q.failure();
    q.take(procedureHeader(s, memo, quick));
    if (!q) return q.failure();
    q(spaces);
    return q.ok();
}

} // namespace

Reply<Unit> pProcedureHeader(State& s, ParagraphMemo* memo) { return procedureHeader(s, memo, false); }

Reply<Unit> pProcedure(State& s, ParagraphMemo* memo) { return procedure(s, memo, false); }

Reply<Unit> pProcedureQuick(State& s, ParagraphMemo* memo) { return procedure(s, memo, true); }

} // namespace zarnet::sqr
