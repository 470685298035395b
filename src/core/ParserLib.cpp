#include "ParserLib.h"

#include "Console.h"

namespace zarnet {

[[noreturn]] void manyAcceptsEmpty() {
    throw InternalError("internal error: combinator 'many' is applied to a parser that accepts an empty string.");
}

namespace {
// The one character pFail steps over at the end of the input.
constexpr char32_t kOneBlank[] = U" ";
} // namespace

Reply<char32_t> charCI(State& s, char32_t c) {
    if (!isLetter(c)) return char_(c)(s);
    char32_t upper = toUpperSimple(c), lower = toLowerSimple(c);
    if (!s.atEnd() && (s.peek() == upper || s.peek() == lower)) return detail::takeChar(s);
    // Both alternatives failed at the same place: their messages pool, upper case first.
    MsgText found = s.atEnd() ? MsgText::empty() : MsgText::quotedChar(s.peek());
    ParseError e(s.pos, Message{MsgKind::Expect, MsgText::quotedChar(upper)}, Message{MsgKind::SysUnExpect, found});
    e.add(Message{MsgKind::Expect, MsgText::quotedChar(lower)});
    e.add(Message{MsgKind::SysUnExpect, found});
    return emptyError(std::move(e));
}

Reply<Text> stringCI(State& s, TextView keyword) {
    Text matched;
    bool consumed = false;
    for (char32_t k : keyword) {
        auto r = charCI(s, k);
        if (!r.ok) return Failure{std::move(r.err), consumed};
        consumed = true;
        matched.push_back(r.value);
    }
    return okReply(consumed, std::move(matched), unknownError(s.pos));
}

Reply<char32_t> nbsp(State& s) {
    if (s.atEnd() || !isBlank(s.peek())) return detail::labelledCharError(s, MsgText::literal("space"));
    return detail::takeChar(s);
}

Reply<Unit> pFail(State& s, MsgText message) {
    if (s.atEnd()) {
        s.cur = kOneBlank;
        s.end = kOneBlank + 1;
    }
    ++s.cur; // the position stays where pFail was called
    return consumedError(ParseError(s.pos, Message{MsgKind::Message, std::move(message)}));
}

void writePosMessage(const SourcePos& pos, TextView message) {
    std::string line = "\"" + toUtf8(pos.sourceName.text()) + "\" (line " + std::to_string(pos.sourceLine) +
                       ", column " + std::to_string(pos.sourceColumn) + "):\n" + toUtf8(message) + "\n";
    console().writeOut(line);
}

Reply<Unit> printPosMessage(State& s, const SourcePos& pos, TextView message) {
    writePosMessage(pos, message);
    return okReply(false, Unit{}, unknownError(s.pos));
}

Text stripSpaces(TextView t) {
    std::size_t b = 0, e = t.size();
    while (e > b && isWhiteSpace(t[e - 1])) --e;
    while (b < e && isWhiteSpace(t[b])) ++b;
    Text out(t.substr(b, e - b));
    for (char32_t& c : out)
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    return out;
}

} // namespace zarnet
