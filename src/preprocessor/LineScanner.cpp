#include "LineScanner.h"

#include "LineEnd.h"

namespace zarnet {

namespace {

Reply<Text> charAsText(Reply<char32_t> r) {
    return Reply<Text>{r.ok ? charText(r.value) : Text(), std::move(r.err), r.consumed, r.ok};
}

// `many` of one unlabelled character test, collected as a text: the run, and as pending
// error the failed test at its end.
template <class F> Reply<Text> manyCharsWhile(State& s, F pred) {
    const char* begin = s.cur;
    while (!s.atEnd() && pred(s.peek())) s.take();
    ParseError pending = s.atEnd() ? detail::endOfInputError(s).err : detail::unexpectedCharError(s, s.peek()).err;
    return okReply(s.cur != begin, Text(begin, s.cur), std::move(pending));
}

bool isLineChar(char32_t c) { return c != U'\n' && c != U'\r'; }

// A '!' or '=' after a '!' keeps it from starting a comment.
auto notEqualChar() {
    return satisfying([](char32_t c) { return c == U'!' || c == U'='; });
}

} // namespace

const char* lineTailEnd(const char* p, const char* end) noexcept {
    p = blanksFrom(p, end);
    if (p != end && *p == '!') {
        const char* q = p + 1;
        if (q != end && (*q == U'!' || *q == U'=')) return nullptr;
        return lineCharsEnd(q, end);
    }
    if (p == end || *p == U'\n' || *p == U'\r') return p;
    return nullptr;
}

Reply<Text> pComment(State& s) {
    static const auto p = seqKeep<2>(char_(U'!'), notAhead(notEqualChar()),
                                     [](State& st) { return manyCharsWhile(st, isLineChar); });
    return p(s);
}

Reply<Text> pAtLineEnd(State& s) {
    static const auto p = notAhead(noneOf(lineBreakChars));
    Reply<Unit> r = p(s);
    return Reply<Text>{Text(), std::move(r.err), r.consumed, r.ok};
}

Reply<Text> pCommentAtLineEnd(State& s) {
    static const auto p = seqKeep<1>(optionally(attempt(pComment)), pAtLineEnd);
    return p(s);
}

Reply<Text> pLineTail(State& s) {
    Seq q(s);
    q(pBlanks);
    q(pCommentAtLineEnd);
    if (!q) return q.failure();
    return q.ok(Text());
}

Reply<Text> pOpenBrace(State& s) { return charAsText(char_(U'{')(s)); }
Reply<Text> pCloseBrace(State& s) { return charAsText(char_(U'}')(s)); }

Reply<Text> pWordPiece(State& s) {
    static const auto plainRun = [](State& st) -> Reply<Text> {
        static const auto stop = noneOf(wordStopChars);
        Seq q(st);
        Text run = charText(q(stop));
        if (!q) return q.failure();
        Text more = q([](State& t) {
            return manyCharsWhile(t, [](char32_t c) { return c >= 0x80 || wordStopChars.find(char(c)) == TextView::npos; });
        });
        run += more;
        return q.ok(std::move(run));
    };
    // "!!" stands for one '!' inside a name.
    static const auto doubledBang = [](State& st) -> Reply<Text> {
        Seq q(st);
        q(char_(U'!'));
        if (!q) return q.failure();
        q(string_("!"));
        if (!q) return q.failure();
        return q.ok(Text("!"));
    };
    static const auto p = orElse(attempt(plainRun), orElse(attempt(string_(notEqualText)), attempt(doubledBang)));
    return p(s);
}

Reply<Text> pWordText(State& s) {
    static const auto pieces = manyOneText(pWordPiece);
    Seq q(s);
    Text name = q(pieces);
    if (!q) return q.failure();
    q(pCloseBrace);
    if (!q) return q.failure();
    return q.ok(std::move(name));
}

Reply<Text> pQuotedChar(State& s) {
    static const auto plain = [](State& st) { return charAsText(noneOf(quotedStopChars)(st)); };
    static const auto doubledQuote = [](State& st) -> Reply<Text> {
        Seq q(st);
        q(char_(U'\''));
        if (!q) return q.failure();
        q(char_(U'\''));
        if (!q) return q.failure();
        return q.ok(Text("'"));
    };
    static const auto p = attempt(orElse(plain, doubledQuote));
    return p(s);
}

Reply<Text> pQuotedChars(State& s) {
    static const auto items = manyText(pQuotedChar);
    Seq q(s);
    q(char_(U'\''));
    if (!q) return q.failure();
    Text body = q(items);
    if (!q) return q.failure();
    return q.ok(std::move(body));
}

Reply<Text> pQuote(State& s) { return charAsText(char_(U'\'')(s)); }

} // namespace zarnet
