#include "sqr/Lexical.h"

#include "preprocessor/LineEnd.h"

namespace zarnet::sqr {

namespace {

// p with its result dropped.
template <class P> auto dropped(P p) {
    return [p](State& s) -> Reply<Unit> {
        auto r = p(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, Unit{}, std::move(r.err));
    };
}

bool isAnyWordChar(char32_t c) { return !inCharSet(anyWord_excepts, c); }
bool isAnyWordStart(char32_t c) { return isAnyWordChar(c) && !inCharSet(varSigilChars, c); }

// A failed character test at the current place, as `satisfying` reports it.
Failure characterTestFailure(const State& s) {
    return s.atEnd() ? detail::endOfInputError(s) : detail::unexpectedCharError(s, s.peek());
}

} // namespace

Reply<Unit> pTrailingHyphen(State& s) {
    static const auto hyphenLineEnd = attempt(seqRight(char_(U'-'), eol));
    Seq q(s);
    q(hyphenLineEnd);
    if (!q) return q.failure();
    if (!s.st().continued) s.modify([](ParserState& p) { p.continued = true; });
    return q.ok();
}

Reply<Unit> space(State& s) {
    static const auto p = choice(dropped(nbsp), pTrailingHyphen, dropped(eol));
    return p(s);
}

Reply<Unit> spaces(State& s) {
    static const auto p = manySkip(space);
    return p(s);
}

Reply<Unit> pBlank(State& s) {
    static const auto p = choice(dropped(nbsp), pTrailingHyphen);
    return p(s);
}

Reply<Unit> pSkipBlanks(State& s) {
    static const auto p = manySkip(pBlank);
    return p(s);
}

Reply<Text> pOperator(State& s, TextView keyword) {
    return lexeme(attempt(stringCI(keyword)))(s);
}

Reply<char32_t> pOpenParen(State& s) {
    static const auto p = lexeme(char_(U'('));
    return p(s);
}

Reply<char32_t> pCloseParen(State& s) {
    static const auto p = lexeme(char_(U')'));
    return p(s);
}

Reply<char32_t> pOpenBracket(State& s) {
    static const auto p = lexeme(char_(U'['));
    return p(s);
}

Reply<char32_t> pCloseBracket(State& s) {
    static const auto p = lexeme(char_(U']'));
    return p(s);
}

Reply<Unit> pComma(State& s) {
    static const auto p = choice(dropped(char_(U',')), dropped(eol));
    return p(s);
}

Reply<char32_t> pColon(State& s) { return char_(U':')(s); }
Reply<char32_t> pEquals(State& s) { return char_(U'=')(s); }
Reply<char32_t> pDot(State& s) { return char_(U'.')(s); }
Reply<char32_t> pUnderscore(State& s) { return char_(U'_')(s); }

Reply<Unit> follewedBySpace(State& s) {
    static const auto p = peek(choice(dropped(satisfying(isWhiteSpace)), eof));
    return p(s);
}

Reply<char32_t> pEndSymbol(State& s) {
    static const auto endAsBlank = [](State& st) -> Reply<char32_t> {
        Seq q(st);
        q(eof);
        if (!q) return q.failure();
        return q.ok(U' ');
    };
    static const auto p = peek(choice(satisfying(isWhiteSpace),
                                      satisfying([](char32_t c) { return inCharSet(symbolEndChars, c); }),
                                      endAsBlank));
    return p(s);
}

Reply<char32_t> pAnyWordChar(State& s) { return satisfying(isAnyWordChar)(s); }

Reply<Text> anyWord(State& s) {
    auto first = satisfying(isAnyWordStart)(s);
    if (!first.ok) return Failure{std::move(first.err), false};
    Text word;
    appendChar(word, first.value);
    word += takeWhile(s, isAnyWordChar);
    // The word ends where a further `pAnyWordChar` fails.
    return okReply(true, std::move(word), characterTestFailure(s).err);
}

Reply<char32_t> pNonBlankChar(State& s) {
    return satisfying([](char32_t c) { return c != U' ' && c != U'\t' && c != U'\n' && c != U'\r'; })(s);
}

const std::vector<Parser<Text>>& commandList() {
    static const TextView names[] = {
        U"ADD", U"ALTER-COLOR-MAP", U"ALTER-CONNECTION", U"ALTER-LOCALE", U"ALTER-PRINTER",
        U"ALTER-REPORT", U"ARRAY-ADD", U"ARRAY-DIVIDE", U"ARRAY-MULTIPLY", U"ARRAY-SUBTRACT",
        U"ASK", U"BEGIN-DOCUMENT", U"BEGIN-EXECUTE", U"BEGIN-FOOTING", U"BEGIN-HEADING",
        U"BEGIN-PROCEDURE", U"BEGIN-PROGRAM", U"BEGIN-REPORT", U"BEGIN-SELECT", U"BEGIN-SETUP",
        U"BEGIN-SQL", U"BREAK", U"CALL", U"CLEAR-ARRAY", U"CLOSE", U"COLUMNS", U"COMMIT",
        U"CONCAT", U"CONNECT", U"CREATE-ARRAY", U"CREATE-COLOR-PALETTE", U"DATE-TIME",
        U"DECLARE-CHART", U"DECLARE-COLOR-MAP", U"DECLARE-CONNECTION", U"DECLARE-IMAGE",
        U"DECLARE-LAYOUT", U"DECLARE-PRINTER", U"DECLARE-PROCEDURE", U"DECLARE-REPORT",
        U"DECLARE-TOC", U"DECLARE-VARIABLE", U"DISPLAY", U"DIVIDE", U"DO", U"DOLLAR-SYMBOL",
        U"ELSE", U"ENCODE", U"END-DOCUMENT", U"END-EVALUATE", U"END-EXECUTE", U"END-FOOTING",
        U"END-HEADING", U"END-IF", U"END-PROCEDURE", U"END-PROGRAM", U"END-REPORT",
        U"END-SELECT", U"END-SETUP", U"END-SQL", U"END-WHILE", U"EVALUATE", U"EXECUTE",
        U"EXIT-SELECT", U"EXTRACT", U"FIND", U"GET", U"GET-COLOR", U"GOTO", U"GRAPHIC", U"IF",
        U"INPUT", U"LAST-PAGE", U"LET", U"LOAD-LOOKUP", U"LOOKUP", U"LOWERCASE", U"MBTOSBS",
        U"MONEY-SYMBOL", U"MOVE", U"MULTIPLY", U"NEW-PAGE", U"NEW-REPORT", U"NEXT-COLUMN",
        U"NEXT-LISTING", U"NO-FORMFEED", U"OPEN", U"PAGE-NUMBER", U"PAGE-SIZE", U"POSITION",
        U"PRINT", U"PRINT-BAR-CODE", U"PRINT-CHART", U"PRINT-DIRECT", U"PRINT-IMAGE",
        U"PRINTER-DEINIT", U"PRINTER-INIT", U"PUT", U"READ", U"ROLLBACK", U"SECURITY",
        U"SET-COLOR", U"SET-DELAY-PRINT", U"SET-GENERATIONS", U"SET-LEVEL", U"SET-MEMBERS",
        U"SHOW", U"STOP", U"STRING", U"SUBTRACT", U"UNSTRING", U"UPPERCASE", U"USE",
        U"USE-COLUMN", U"USE-PRINTER-TYPE", U"USE-PROCEDURE", U"USE-REPORT", U"WHILE", U"WRITE",
    };
    static const std::vector<Parser<Text>> list = [] {
        std::vector<Parser<Text>> out;
        for (TextView n : names) out.emplace_back(stringCI(n));
        return out;
    }();
    return list;
}

Text trim(TextView t) { return stripSpaces(t); }

} // namespace zarnet::sqr
