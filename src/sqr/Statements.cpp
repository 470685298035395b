#include "sqr/Statements.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Commands.h"
#include "sqr/Lexical.h"
#include "sqr/Literals.h"
#include "sqr/Numbers.h"
#include "sqr/Variables.h"

namespace zarnet::sqr {

namespace {

// Characters that end a DO procedure name (besides Ctrl-Z).
constexpr TextView doNameStops = "\x1A \t\n\r(!'";

Failure undo(State& s, const State& saved, Seq& q) {
    ParseError e = q.failure().err;
    s = saved;
    return emptyError(std::move(e));
}

} // namespace

// The same reader as the symbol table's parameter names.
Reply<Text> pArgWord(State& s) { return pParameterVarName(s); }

Reply<Text> pDoProcName(State& s) {
    if (s.atEnd()) return detail::endOfInputError(s);
    if (inCharSet(doNameStops, s.peek())) return detail::unexpectedCharError(s, s.peek());
    Text name = takeWhile(s, [](char32_t c) { return !inCharSet(doNameStops, c); });
    Seq q(s);
    q.take(okReply(true, Unit{}, unknownError(s.pos)));
    q(spaces);
    return q.ok(std::move(name));
}

Reply<Text> pArgItem(State& s) {
    // A number begins with a sign or a digit: at a sigil or a quote only the variable or the
    // text literal can be read, and what it consumed is the outcome.
    if (fastPathsOn(s) && !s.atEnd()) {
        const State saved = s;
        const char c = *s.cur;
        if (c == '$' || c == '#') {
            Reply<Text> v = pVariable(pAnyVarSymbol, pArgWord)(s);
            if (v.consumed) return v;
        } else if (c == '\'') {
            Reply<Text> t = pTextLiteral(s);
            if (t.ok || t.consumed) return t;
        }
        s = saved;
    }
    {
        const State saved = s;
        Reply<Text> r = pNumLiteral(s);
        if (r.ok || r.consumed) return r;
        s = saved;
        ParseError e = std::move(r.err);
        Reply<Text> t = pTextLiteral(s);
        if (t.ok || t.consumed) return t;
        s = saved;
        e = mergeError(e, t.err);
        Reply<Text> v = pVariable(pAnyVarSymbol, pArgWord)(s);
        if (v.ok || v.consumed) return v;
        s = saved;
        v.err = mergeError(e, v.err);
        return v;
    }
}

Reply<Unit> pArgComma(State& s) {
    Seq q(s);
    q(char_(U','));
    if (!q) return q.failure();
    q(pSkipBlanks);
    q(spaces);
    return q.ok();
}

Reply<std::vector<Text>> argList(State& s) {
    std::vector<Text> items;
    // An argument with the blanks after it, as a unit.
    auto item = [](State& st) -> Reply<Text> {
        const State saved = st;
        Seq q(st);
        Text t = q(pArgItem);
        if (!q) return undo(st, saved, q);
        q(pSkipBlanks);
        return q.ok(std::move(t));
    };
    Seq q(s);
    {
        const State saved = s;
        Reply<Text> first = item(s);
        if (!first.ok) {
            s = saved;
            return okReply(false, items, std::move(first.err));
        }
        items.push_back(q.take(std::move(first)));
    }
    for (;;) {
        // A separator that fails leaves no trace: where no "," or line feed stands, the list
        // ends without the test.
        if (s.atEnd() || (*s.cur != ',' && *s.cur != '\n')) break;
        const State saved = s;
        Seq step(s);
        step(pComma);
        if (step) step(spaces);
        Text t;
        if (step) t = step(item);
        if (!step) {
            s = saved;
            break;
        }
        q.take(step.ok(Unit{}));
        items.push_back(std::move(t));
    }
    if (!s.atEnd() && *s.cur == ',') {
        const State saved = s;
        Reply<Unit> c = pArgComma(s);
        if (c.ok || c.consumed)
            q.take(std::move(c));
        else
            s = saved;
    }
    if (!q) return q.failure();
    return q.ok(std::move(items));
}

namespace {

bool isAsciiArgWordChar(char c) { return !(static_cast<unsigned char>(c) & 0x80) && !isParameterStop(char32_t(c)); }

// One argument as `pArgItem` and the blanks after it read it in its common forms (a
// variable with a name of ASCII characters, a one-line ASCII text, a whole number without
// a leading zero), its use recorded; no text, no error. False where the reading is left to
// the rule.
bool skipArgItemQuietly(State& s) {
    const char c = *s.cur;
    const char* p = s.cur + 1;
    if (c == '$' || c == '#') {
        const SourcePos at = s.pos;
        const bool marked = p != s.end && *p == '_';
        if (marked) ++p;
        const char* const name = p;
        while (p != s.end && isAsciiArgWordChar(*p)) ++p;
        // A name that ends at "!" or beyond ASCII may read on: the rule decides.
        if (p == name || (p != s.end && (*p == '!' || (static_cast<unsigned char>(*p) & 0x80)))) return false;
        advanceWithinLine(s, p);
        recordVariableUse(s, c == '$' ? VarSymbol::Dollar : VarSymbol::Sharp, marked ? TextView("_") : TextView(),
                          TextView(name, std::size_t(p - name)), at);
        return blanksQuietly(s);
    }
    if (c == '\'') {
        for (;; ++p) {
            if (p == s.end || *p == '\n' || *p == '\r' || (static_cast<unsigned char>(*p) & 0x80)) return false;
            if (*p != '\'') continue;
            if (p + 1 == s.end || p[1] != '\'') break;
            ++p; // a doubled quote
        }
        advanceWithinLine(s, p + 1);
        return spacesQuietly(s); // the literal's lexeme blanks leave none to pSkipBlanks
    }
    if (c >= '1' && c <= '9') {
        while (p != s.end && *p >= '0' && *p <= '9') ++p;
        if (p != s.end && (*p == '.' || *p == 'e' || *p == 'E')) return false;
        advanceWithinLine(s, p);
        return spacesQuietly(s);
    }
    return false;
}

// From "(" up to the ")" that ends the arguments, as `pOpenParen`, `argList` and `spaces`
// read them, in the common form: each argument one `skipArgItemQuietly` reads, separated by
// "," or a line end, with an optional "," after the last. The uses are recorded as the rule
// records them; where an item fails the rule backs up to the separator before it, which
// then ends the list, so a ")" after a separator closes it as well. False where the
// reading is left to the rule.
bool skipDoArgumentsQuietly(State& s) {
    s.take();
    if (!spacesQuietly(s)) return false;
    for (;;) {
        if (s.atEnd()) return false;
        if (*s.cur == ')') return true;
        if (!skipArgItemQuietly(s)) return false;
        if (s.atEnd()) return false;
        if (*s.cur == ')') return true;
        if (*s.cur == ',')
            s.take();
        else if (*s.cur == '\n')
            stepOverLineEnd(s);
        else
            return false;
        if (!spacesQuietly(s)) return false;
    }
}

} // namespace

Reply<Unit> pDoArguments(State& s) {
    // Without "(" the statement ends here; the failed test of "(" stays pending, as after
    // any optional part, for an error at this place.
    if (s.atEnd() || s.peek() != U'(') {
        Reply<char32_t> open = pOpenParen(s);
        return okReply(false, Unit{}, std::move(open.err));
    }
    // Where the quick reading reaches the ")", only the error after it shows: the rule's
    // errors before the ")" are replaced when it consumes.
    if (fastPathsOn(s)) {
        const State start = s;
        if (skipDoArgumentsQuietly(s)) {
            Reply<char32_t> close = pCloseParen(s);
            return okReply(true, Unit{}, std::move(close.err));
        }
        s = start;
    }
    Seq q(s);
    q(pOpenParen);
    if (!q) return q.failure();
    q(argList);
    q(spaces);
    q(pCloseParen);
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pDoStatement(State& s) {
    const State saved = s;
    Seq q(s);
    q(command("DO"));
    if (!q) return undo(s, saved, q);
    q(pDoProcName);
    if (!q) return undo(s, saved, q);
    q(pDoArguments);
    if (!q) return undo(s, saved, q);
    return q.ok();
}

namespace {

// A DO statement, else the generic scan; then the blanks after it. scanFailed: set when the
// generic scan failed after consuming, which makes the outcome that failure whatever the
// steps before the statement left pending.
Reply<Unit> statementRest(State& s, const State& saved, Seq& q, bool& scanFailed) {
    if (keywordAbsent(s, "DO")) {
        const State before = s;
        Reply<Unit> r = pArgTokensToLineEnd(s);
        if (r.ok && r.consumed) {
            q.take(std::move(r));
            q(spaces);
            return q.ok();
        }
        if (r.consumed) {
            // The DO attempt below fails at once, and the scan after it would fail here
            // again after reading as far (a literal that never closes reads to the end).
            scanFailed = true;
            q.take(std::move(r));
            return undo(s, saved, q);
        }
        s = before;
    }
    bool done = false;
    {
        const State before = s;
        Reply<Unit> r = pDoStatement(s);
        if (r.ok) {
            q.take(std::move(r));
            done = true;
        } else {
            s = before;
            q.take(Reply<Unit>(okReply(false, Unit{}, std::move(r.err))));
        }
    }
    if (!done) {
        Reply<Unit> r = pArgTokens(s); // the generic scan: the tokens up to where none begins
        scanFailed = !r.ok && r.consumed;
        q.take(std::move(r));
        if (!q) return undo(s, saved, q);
    }
    q(spaces);
    return q.ok();
}

} // namespace

Reply<Unit> pAnyStatement(State& s) {
    const State saved = s;
    // No section end here: after a failed test of one, which gives back its error only when
    // it consumed nothing, the line is read as the rest of a statement.
    bool scanFailed = false;
    if (sectionEndWordAbsent(s)) {
        Seq q(s);
        Reply<Unit> r = statementRest(s, saved, q, scanFailed);
        if (r.ok && r.consumed) return r;
        // A scan that failed after consuming fails the same way below where no blank can
        // begin: the steps before it then consume nothing, and its error replaces what
        // they leave pending.
        if (scanFailed && saved.cur != saved.end && !mayBeginBlank(static_cast<unsigned char>(*saved.cur))) return r;
        s = saved;
    }
    Seq q(s);
    q(pSkipBlanks);
    if (!q) return undo(s, saved, q);

    // A section end out of place is refused; any other END- word is an ordinary line.
    {
        const State before = s;
        Reply<Unit> r = pSectionEndWord(s);
        if (r.ok) {
            Reply<Unit> f = pFail(s, MsgText::literal(zarnet::msg::kSectionEndOutOfPlace));
            s = saved;
            return emptyError(std::move(f.err));
        }
        s = before;
        if (!r.consumed) q.take(Reply<Unit>(okReply(false, Unit{}, std::move(r.err))));
    }
    return statementRest(s, saved, q, scanFailed);
}

} // namespace zarnet::sqr
