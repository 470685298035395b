#include "LineStep.h"

#include "Dispatch.h"
#include "LeaveInclude.h"
#include "LineEnd.h"
#include "LineScanner.h"

#include "core/Messages.h"
#include "core/ParserLib.h"

namespace zarnet {

namespace {

// Blocks and setup sections nest through pLine on the C++ stack, one level per block;
// past this depth the run ends with an error instead of exhausting the stack.
constexpr int kMaxLineNesting = 200;
int lineNesting = 0;

struct NestingGuard {
    NestingGuard() { ++lineNesting; }
    ~NestingGuard() { --lineNesting; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool tooDeep() const { return lineNesting > kMaxLineNesting; }
};

Failure nestingTooDeep(const State& s) {
    return consumedError(ParseError(s.pos, Message{MsgKind::Message, MsgText::literal(msg::kLineNestingTooDeep)}));
}

bool isLineBreakAt(const char32_t* p, const char32_t* end) {
    if (p == end) return false;
    return *p == U'\n' || (*p == U'\r' && p + 1 != end && p[1] == U'\n');
}

// Moves over [s.cur, to), keeping the position.
void skipTo(State& s, const char32_t* to) {
    while (s.cur != to) advancePos(s.pos, *s.cur++);
}

Reply<Text> blankLine(State& s) {
    static const auto p = attempt(joinText(pBlanks, pCountedLineBreak));
    return p(s);
}

Reply<Text> blankLastLine(State& s) {
    static const auto blanks = manyOne(nbsp);
    static const auto p = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        std::vector<char32_t> b = q(blanks);
        if (!q) return q.failure();
        q(pEndOfLine);
        if (!q) return q.failure();
        return q.ok(Text(b.begin(), b.end()) + U"\n");
    });
    return p(s);
}

// A '!' in the first column comments out the whole line, "!!" and "!=" included.
Reply<Text> commentLine(State& s) {
    static const auto rest = many(noneOf(lineBreakChars));
    Seq q(s);
    q(char_(U'!'));
    if (!q) return q.failure();
    q(rest);
    if (!q) return q.failure();
    q(pEndOfLine);
    if (!q) return q.failure();
    return q.ok(Text(U"\n"));
}

template <bool InFull> Reply<Text> otherLine(State& s) {
    Seq q(s);
    Text blanks = q(pBlanks);
    Text out = q([&blanks](State& st) { return InFull ? pDirectiveInFull(st, blanks) : pDirective(st, blanks); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

// The four kinds of line, in order, each from the first character of the line.
template <bool InFull> Reply<Text> lineInFull(State& s) {
    static const auto p = orElse(blankLine, orElse(blankLastLine, orElse(commentLine, otherLine<InFull>)));
    return p(s);
}

Reply<Text> lineStepInFull(State& s) {
    static const auto leave = optionally(pLeaveInclude);
    Seq q(s);
    q(leave);
    Text out = q(pLine);
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

using SwitchMark = PList<SourceSwitch>::const_iterator;

// A line that crossed a switch between files (into a file that it includes, or back at the
// end of an included file) keeps no pending error from a place it has left: errors merge by
// position, source name first, so such an error would outrank those of the text read next
// whenever the left file's name sorts after that text's name.
Reply<Text> dropPendingLeftBehind(Reply<Text> r, const State& s, SwitchMark switchesBefore) {
    if (r.ok && s.st().sourceNameStack.begin() != switchesBefore && !(r.err.pos() == s.pos))
        r.err = unknownError(s.pos);
    return r;
}

Reply<Text> lineWithDirectPaths(State& s) {
    // Blank lines, comment lines and lines for the dispatcher that end in a line break take
    // a direct path with the outcome the full grammar would have; a line at the end of
    // the input, and every clean failure (for its error), take the full grammar itself.
    const State start = s;
    const char32_t* p = s.cur;
    while (p != s.end && isBlank(*p)) ++p;
    if (p == s.end) return lineInFull<false>(s);

    if (isLineBreakAt(p, s.end)) {
        skipTo(s, p);
        Text text(start.cur, p);
        text += *p == U'\n' ? TextView(U"\n") : TextView(U"\r\n");
        skipTo(s, p + (*p == U'\n' ? 1 : 2));
        incrementSequenceNo(s);
        return okReply(true, std::move(text), unknownError(s.pos));
    }

    if (p == s.cur && *p == U'!') {
        const char32_t* e = p;
        while (e != s.end && *e != U'\n' && *e != U'\r') ++e;
        if (!isLineBreakAt(e, s.end)) return lineInFull<false>(s);
        skipTo(s, e + (*e == U'\n' ? 1 : 2));
        incrementSequenceNo(s);
        return okReply(true, Text(U"\n"), unknownError(s.pos));
    }

    Text blanks(s.cur, p);
    skipTo(s, p);
    const State afterBlanks = s;
    Reply<Text> r = pDirective(s, blanks);
    if (r.ok || r.consumed) return r;
    if (blanks.empty()) {
        // Nothing was consumed: the error names what every kind of line expected.
        s = start;
        return lineInFull<false>(s);
    }
    ParseError blankEnd = detail::labelledCharError(afterBlanks, MsgText::literal("space")).err;
    return consumedError(mergeError(blankEnd, r.err));
}

} // namespace

Reply<Text> pLine(State& s) {
    NestingGuard guard;
    if (guard.tooDeep()) return nestingTooDeep(s);
    const SwitchMark switchesBefore = s.st().sourceNameStack.begin();
    return dropPendingLeftBehind(lineWithDirectPaths(s), s, switchesBefore);
}

Reply<Text> pLineInFull(State& s) {
    NestingGuard guard;
    if (guard.tooDeep()) return nestingTooDeep(s);
    const SwitchMark switchesBefore = s.st().sourceNameStack.begin();
    return dropPendingLeftBehind(lineInFull<true>(s), s, switchesBefore);
}

Reply<Text> pLineStep(State& s) {
    if (s.atEnd()) return lineStepInFull(s);
    // Input remains, so there is no include to leave; its failed end-of-input test still
    // belongs to the error of a line that nothing takes.
    const State start = s;
    Reply<Text> r = pLine(s);
    if (!r.ok && !r.consumed) {
        State probe = start;
        r.err = mergeError(eof(probe).err, r.err);
    }
    return r;
}

} // namespace zarnet
