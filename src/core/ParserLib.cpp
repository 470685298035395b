#include "ParserLib.h"

#include "Console.h"

#include <utility>

namespace zarnet {

[[noreturn]] void manyAcceptsEmpty() {
    throw InternalError("internal error: combinator 'many' is applied to a parser that accepts an empty string.");
}

namespace {
// The one character pFail steps over at the end of the input.
constexpr char kOneBlank[] = " ";
} // namespace

Reply<char32_t> charCI(State& s, char32_t c) {
    if (!isLetter(c)) return char_(c)(s);
    const char32_t upper = toUpperSimple(c), lower = toLowerSimple(c);
    if (!s.atEnd() && (s.peek() == upper || s.peek() == lower)) return detail::takeChar(s);
    // Both alternatives failed at the same place: their messages pool, upper case first.
    MsgText found = s.atEnd() ? MsgText::empty() : MsgText::quotedChar(s.peek());
    ParseError e(s.pos, Message{MsgKind::Expect, MsgText::quotedChar(upper)}, Message{MsgKind::SysUnExpect, found});
    e.add(Message{MsgKind::Expect, MsgText::quotedChar(lower)});
    e.add(Message{MsgKind::SysUnExpect, found});
    return emptyError(std::move(e));
}

Reply<Text> stringCI(State& s, TextView keyword) {
    const char* const begin = s.cur;
    bool consumed = false;
    for (const char *k = keyword.data(), *kEnd = k + keyword.size(); k != kEnd;) {
        // Keywords are ASCII, and so is nearly every character they are tried on: such a
        // pair is decided on the bytes, and a run of printable ones moves the position once
        // (one column each, as taking them one by one would). Anything else, and every
        // mismatch, goes through charCI, which also makes the error.
        std::size_t n = 0;
        while (k + n != kEnd && s.cur + n != s.end && static_cast<unsigned char>(k[n]) - 0x20u < 0x60u &&
               asciiMatchesCI(s.cur[n], k[n]))
            ++n;
        if (n != 0) {
            advanceOverAscii(s, s.cur + n);
            consumed = true;
            k += n;
            continue;
        }
        if (static_cast<unsigned char>(*k) < 0x80 && !s.atEnd() && asciiMatchesCI(*s.cur, *k)) {
            s.take();
            consumed = true;
            ++k;
            continue;
        }
        const char32_t c = decodeAt(k);
        k += charWidth(*k);
        Reply<char32_t> r = charCI(s, c);
        if (!r.ok) return Failure{std::move(r.err), consumed};
        consumed = true;
    }
    // Every character matched as it stands in the input, so the input holds the result.
    return okReply(consumed, Text(begin, s.cur), unknownError(s.pos));
}

Reply<char32_t> nbsp(State& s) {
    if (s.atEnd() || !isBlank(s.peek())) return detail::labelledCharTestFailed(s, MsgText::literal("space"));
    return detail::takeChar(s);
}

Reply<Unit> pFail(State& s, MsgText message) {
    if (s.atEnd()) {
        s.cur = kOneBlank;
        s.end = kOneBlank + 1;
    }
    s.cur += charWidth(*s.cur); // the position stays where pFail was called
    return consumedError(ParseError(s.pos, Message{MsgKind::Message, std::move(message)}));
}

void writePosMessage(const SourcePos& pos, TextView message) {
    std::string line = "\"" + pos.sourceName.text() + "\" (line " + std::to_string(pos.sourceLine) +
                       ", column " + std::to_string(pos.sourceColumn) + "):\n" + Text(message) + "\n";
    console().writeOut(line);
}

Reply<Unit> printPosMessage(State& s, const SourcePos& pos, TextView message) {
    writePosMessage(pos, message);
    return okReply(false, Unit{}, unknownError(s.pos));
}

namespace {
// Where the text without its leading and trailing white space lies. White space is read
// character by character (the blank set holds characters beyond ASCII), from each end.
std::pair<std::size_t, std::size_t> unspacedRange(TextView t) {
    const char* const begin = t.data();
    const char* b = begin;
    const char* e = begin + t.size();
    while (b != e && isWhiteSpace(decodeAt(b))) b += charWidth(*b);
    while (e != b) {
        const char* last = charBefore(e);
        if (!isWhiteSpace(decodeAt(last))) break;
        e = last;
    }
    return {std::size_t(b - begin), std::size_t(e - b)};
}
} // namespace

Text stripSpaces(TextView t) {
    const auto [from, length] = unspacedRange(t);
    return Text(t.substr(from, length));
}

void stripSpacesInPlace(Text& t) {
    const auto [from, length] = unspacedRange(t);
    t.erase(from + length);
    t.erase(0, from);
}

} // namespace zarnet
