#include "LineEnd.h"

#include "LeaveInclude.h"
#include "PreprocessorRun.h"

#include "core/ParserLib.h"

namespace zarnet {

namespace {

using Counter = std::pair<std::int64_t, std::int64_t>;

bool startsWithLineBreak(const State& s) {
    if (s.atEnd()) return false;
    if (*s.cur == U'\n') return true;
    return *s.cur == U'\r' && s.cur + 1 != s.end && s.cur[1] == U'\n';
}

// Consumes the "\n" or "\r\n" at the current position; returns it as written.
Text takeLineBreak(State& s) {
    if (*s.cur == U'\n') {
        ++s.cur;
        advancePos(s.pos, U'\n');
        return Text("\n");
    }
    s.cur += 2;
    advancePos(s.pos, U'\r');
    advancePos(s.pos, U'\n');
    return Text("\r\n");
}

// The line-break choice as the grammar states it; used where the input holds no line
// break, so that failures carry the errors of every alternative tried.
Reply<Text> lineBreakChoice(State& s) {
    static const auto p = attempt(choice(string_("\n"), string_("\r\n"), string_("\r")));
    return p(s);
}

Reply<Text> endOfLineChoice(State& s) {
    static const auto atEnd = [](State& st) -> Reply<Text> {
        Seq q(st);
        q(pLeaveInclude);
        if (!q) return q.failure();
        return q.ok(Text("\n"));
    };
    static const auto p = attempt(choice(string_("\n"), string_("\r\n"), atEnd));
    Reply<Text> r = p(s);
    if (r.ok) r.value = "\n";
    return r;
}

} // namespace

Reply<Text> pLineBreak(State& s) {
    if (fastPathsOn(s) && startsWithLineBreak(s)) {
        Text b = takeLineBreak(s);
        return okReply(true, std::move(b), unknownError(s.pos));
    }
    return lineBreakChoice(s);
}

Reply<Text> pCountedLineBreak(State& s) {
    Seq q(s);
    Text b = q(pLineBreak);
    if (!q) return q.failure();
    q(incrementSequenceNo);
    return q.ok(std::move(b));
}

Reply<Text> pEndOfLine(State& s) {
    // The common case first: a line break, counted.
    if (fastPathsOn(s) && startsWithLineBreak(s)) {
        stepOverCountedLineBreak(s);
        return okReply(true, Text("\n"), unknownError(s.pos));
    }
    // Left files show in the places to resume, not in the text: a file that includes
    // itself resumes in the text it leaves.
    const auto placesBefore = s.st().context.begin();
    Seq q(s);
    q(incrementSequenceNo);
    q(endOfLineChoice);
    if (!q) return q.failure();
    Reply<Text> r = q.ok(Text("\n"));
    // Back in an including file, what was expected at the end of the text left behind
    // names a place the parse has left; errors merge by position, source name first, so
    // it would outrank the errors of the resumed file whenever the left file's name sorts
    // after it.
    if (s.st().context.begin() != placesBefore && !(r.err.pos() == s.pos)) r.err = unknownError(s.pos);
    return r;
}

SourcePos stepOverLineEnd(State& s) {
    ++s.cur;
    advancePos(s.pos, U'\n');
    const SourcePos afterFeed = s.pos;
    const std::int64_t n = s.sequenceNo + 1;
    s.sequenceNo = n;
    applySourceSwitches(s, n);
    return afterFeed;
}

Reply<Text> eol(State& s) {
    static const auto newline = string_("\n");
    if (s.atEnd() || *s.cur != '\n') return newline(s); // fails, with what it expected
    // The steps of the rule written out: the line feed, the count, then the switches, whose
    // outcome carries no message: the later of the two places.
    ParseError pending = unknownError(stepOverLineEnd(s));
    pending.mergeUnknown(s.pos);
    return okReply(true, Text("\n"), std::move(pending));
}

void applySourceSwitches(State& s, std::int64_t n) {
    const PList<SourceSwitch>& recorded = s.st().sourceNameStack;
    // Most lines start no new piece: then the list is not even copied.
    if (recorded.empty() || recorded.front().outputLine != n) return;
    PList<SourceSwitch> stack = recorded;
    bool moved = false;
    while (!stack.empty() && stack.front().outputLine == n) {
        const SourceSwitch& sw = stack.front();
        s.pos.sourceName = sourceNameInRun(s, sw.sourceName);
        s.pos.sourceLine = sw.sourceLine;
        stack = stack.tail();
        moved = true;
    }
    if (moved) s.modify([&stack](ParserState& p) { p.sourceNameStack = stack; });
}

Reply<Unit> syncSourcePos(State& s, std::int64_t n) {
    applySourceSwitches(s, n);
    return okReply(false, Unit{}, unknownError(s.pos));
}

Reply<Text> pBlanks(State& s) {
    const char* begin = s.cur;
    while (!s.atEnd() && isBlank(s.peek())) s.take();
    // The blank that was not found, as `many nbsp` reports it.
    ParseError pending = detail::labelledCharError(s, MsgText::literal("space")).err;
    return okReply(s.cur != begin, Text(begin, s.cur), std::move(pending));
}

} // namespace zarnet
