#include "sqr/Lexical.h"

#include "preprocessor/LineEnd.h"
#include "preprocessor/PreprocessorRun.h"

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

Reply<Unit> pBlank(State& s) {
    static const auto p = choice(dropped(nbsp), pTrailingHyphen);
    return p(s);
}

namespace {

// The blanks, line feeds (when LineEndIsBlank) and continuations at the current place,
// taken at once: there the other alternatives of the blank item fail on the character
// without trace. True where the run ends at any other ASCII character but a hyphen, or at
// the end of the input: there every alternative fails on its first character. False
// before a character the item must read itself: a hyphen before anything but a line feed,
// the other blank characters and characters beyond ASCII.
template <bool LineEndIsBlank> [[gnu::always_inline]] inline bool skipPlainBlanks(State& s, bool& consumed) {
    for (;;) {
        if (s.atEnd()) return true;
        const char c = *s.cur;
        if (c == ' ' || c == '\t') {
            ++s.cur;
            advancePos(s.pos, char32_t(c));
            consumed = true;
            continue;
        }
        if (LineEndIsBlank && c == '\n') {
            stepOverLineEnd(s);
            consumed = true;
            continue;
        }
        if (c == '-' && s.cur + 1 != s.end && s.cur[1] == '\n') {
            pTrailingHyphen(s);
            consumed = true;
            continue;
        }
        return !(c == '-' || (static_cast<unsigned char>(c) & 0x80) || isBlank(char32_t(c)));
    }
}

// The items of a run of blanks from a character that the item must read itself, up to the
// end of the plain run after them: false there. True where an item failed, its error in
// err and s where it began. Out of line, so that the common run stays small.
template <Reply<Unit> (*Item)(State&), bool LineEndIsBlank>
[[gnu::noinline]] bool blankItemFailed(State& s, bool& consumed, ParseError& err) {
    do {
        const State saved = s;
        Reply<Unit> r = Item(s);
        if (!r.ok) {
            s = saved;
            err = std::move(r.err);
            return true;
        }
        consumed = true;
    } while (!skipPlainBlanks<LineEndIsBlank>(s, consumed));
    return false;
}

// The run of blank items `Item` reads (`space`, for which a line feed is one, or `pBlank`),
// as `manySkip Item` reads it. Where the plain run ends at an ASCII character, the error is
// made at once from what each alternative expected; the characters left to the item are
// read by the item itself.
template <Reply<Unit> (*Item)(State&), bool LineEndIsBlank>
Reply<Unit> blankRun(State& s, const MessageSet& alsoExpected) {
    bool consumed = false;
    if (!skipPlainBlanks<LineEndIsBlank>(s, consumed)) {
        ParseError err;
        if (blankItemFailed<Item, LineEndIsBlank>(s, consumed, err)) return okReply(consumed, Unit{}, std::move(err));
    }
    // Built in place in the reply: this error ends most runs of blanks.
    return Reply<Unit>{Unit{},
                       ParseError(s.pos, Message{MsgKind::Expect, MsgText::literal("space")}, detail::foundHere(s),
                                  alsoExpected),
                       consumed, true};
}

} // namespace

Reply<Unit> spaces(State& s) {
    if (!fastPathsOn(s)) {
        static const auto plain = manySkip(space);
        return plain(s);
    }
    // After "space": the continuation's hyphen, then the line feed of `eol`.
    static const MessageSet* const rest = new MessageSet{{MsgKind::Expect, MsgText::quotedChar(U'-')},
                                                         {MsgKind::Expect, MsgText::quotedLiteral("\n")}};
    return blankRun<space, true>(s, *rest);
}

bool spacesQuietly(State& s) {
    bool consumed = false;
    return skipPlainBlanks<true>(s, consumed);
}

bool blanksQuietly(State& s) {
    bool consumed = false;
    return skipPlainBlanks<false>(s, consumed);
}

Reply<Unit> pSkipBlanks(State& s) {
    if (!fastPathsOn(s)) {
        static const auto plain = manySkip(pBlank);
        return plain(s);
    }
    static const MessageSet* const rest = new MessageSet{{MsgKind::Expect, MsgText::quotedChar(U'-')}};
    return blankRun<pBlank, false>(s, *rest);
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
    // Where white space follows, its test succeeds: the look-ahead leaves the error of the
    // character taken, which lies past the place it gives back.
    if (!s.atEnd() && isWhiteSpace(s.peek())) {
        SourcePos after = s.pos;
        advancePos(after, s.peek());
        return okReply(false, Unit{}, unknownError(after));
    }
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
        "ADD", "ALTER-COLOR-MAP", "ALTER-CONNECTION", "ALTER-LOCALE", "ALTER-PRINTER",
        "ALTER-REPORT", "ARRAY-ADD", "ARRAY-DIVIDE", "ARRAY-MULTIPLY", "ARRAY-SUBTRACT",
        "ASK", "BEGIN-DOCUMENT", "BEGIN-EXECUTE", "BEGIN-FOOTING", "BEGIN-HEADING",
        "BEGIN-PROCEDURE", "BEGIN-PROGRAM", "BEGIN-REPORT", "BEGIN-SELECT", "BEGIN-SETUP",
        "BEGIN-SQL", "BREAK", "CALL", "CLEAR-ARRAY", "CLOSE", "COLUMNS", "COMMIT",
        "CONCAT", "CONNECT", "CREATE-ARRAY", "CREATE-COLOR-PALETTE", "DATE-TIME",
        "DECLARE-CHART", "DECLARE-COLOR-MAP", "DECLARE-CONNECTION", "DECLARE-IMAGE",
        "DECLARE-LAYOUT", "DECLARE-PRINTER", "DECLARE-PROCEDURE", "DECLARE-REPORT",
        "DECLARE-TOC", "DECLARE-VARIABLE", "DISPLAY", "DIVIDE", "DO", "DOLLAR-SYMBOL",
        "ELSE", "ENCODE", "END-DOCUMENT", "END-EVALUATE", "END-EXECUTE", "END-FOOTING",
        "END-HEADING", "END-IF", "END-PROCEDURE", "END-PROGRAM", "END-REPORT",
        "END-SELECT", "END-SETUP", "END-SQL", "END-WHILE", "EVALUATE", "EXECUTE",
        "EXIT-SELECT", "EXTRACT", "FIND", "GET", "GET-COLOR", "GOTO", "GRAPHIC", "IF",
        "INPUT", "LAST-PAGE", "LET", "LOAD-LOOKUP", "LOOKUP", "LOWERCASE", "MBTOSBS",
        "MONEY-SYMBOL", "MOVE", "MULTIPLY", "NEW-PAGE", "NEW-REPORT", "NEXT-COLUMN",
        "NEXT-LISTING", "NO-FORMFEED", "OPEN", "PAGE-NUMBER", "PAGE-SIZE", "POSITION",
        "PRINT", "PRINT-BAR-CODE", "PRINT-CHART", "PRINT-DIRECT", "PRINT-IMAGE",
        "PRINTER-DEINIT", "PRINTER-INIT", "PUT", "READ", "ROLLBACK", "SECURITY",
        "SET-COLOR", "SET-DELAY-PRINT", "SET-GENERATIONS", "SET-LEVEL", "SET-MEMBERS",
        "SHOW", "STOP", "STRING", "SUBTRACT", "UNSTRING", "UPPERCASE", "USE",
        "USE-COLUMN", "USE-PRINTER-TYPE", "USE-PROCEDURE", "USE-REPORT", "WHILE", "WRITE",
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
