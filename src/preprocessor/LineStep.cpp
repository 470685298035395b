#include "LineStep.h"

#include "Dispatch.h"
#include "LeaveInclude.h"
#include "LineEnd.h"
#include "LineScanner.h"
#include "PreprocessorRun.h"
#include "Substitution.h"

#include "core/Messages.h"
#include "core/ParserLib.h"

namespace zarnet {

namespace {

// Blocks and setup sections nest through pLine on the C++ stack, one level per block;
// past this depth the run ends with an error instead of exhausting the stack.
constexpr int kMaxLineNesting = 200;

class NestingGuard {
public:
    explicit NestingGuard(PreprocessorRun& run) : nesting_(run.lineNesting) { ++nesting_; }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool tooDeep() const { return nesting_ > kMaxLineNesting; }

private:
    int& nesting_;
};

Failure nestingTooDeep(const State& s) {
    return consumedError(ParseError(s.pos, Message{MsgKind::Message, MsgText::literal(msg::kLineNestingTooDeep)}));
}

Reply<Text> blankLine(State& s) {
    static const auto p = attempt(joinText(pBlanks, pCountedLineBreak));
    return p(s);
}

Reply<Text> blankLastLine(State& s) {
    static const auto blanks = manyOneText(nbsp);
    static const auto p = attempt([](State& st) -> Reply<Text> {
        Seq q(st);
        Text b = q(blanks);
        if (!q) return q.failure();
        q(pEndOfLine);
        if (!q) return q.failure();
        b += '\n';
        return q.ok(std::move(b));
    });
    return p(s);
}

// A '!' in the first column comments out the whole line, "!!" and "!=" included.
Reply<Text> commentLine(State& s) {
    static const auto rest = manySkip(noneOf(lineBreakChars));
    Seq q(s);
    q(char_(U'!'));
    if (!q) return q.failure();
    q(rest);
    if (!q) return q.failure();
    q(pEndOfLine);
    if (!q) return q.failure();
    return q.ok(Text("\n"));
}

Reply<Text> otherLine(State& s) {
    Seq q(s);
    Text blanks = q(pBlanks);
    Text out = q([&blanks](State& st) { return pDirective(st, blanks); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

// The four kinds of line, in order, each from the first character of the line.
Reply<Text> lineInFull(State& s) {
    static const auto p = orElse(blankLine, orElse(blankLastLine, orElse(commentLine, otherLine)));
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
template <class T> void dropPendingLeftBehind(Reply<T>& r, const State& s, SwitchMark switchesBefore) {
    if (r.ok && s.st().sourceNameStack.begin() != switchesBefore && !(r.err.pos() == s.pos))
        r.err = unknownError(s.pos);
}

// A blank line, or a comment line ended by a line break, taken whole (a comment line leaves
// only its line feed in out), with the outcome the grammar gives it; p is where the line's
// blanks end. Otherwise nothing, with s and out as they were. Inline: both line steps take
// most lines here, and a call would return the outcome through memory.
[[gnu::always_inline]] inline std::optional<Reply<Unit>> blankOrCommentLine(State& s, const char* p, Text& out) {
    const char* lineEnd = p;
    if (isLineBreakAt(p, s.end)) {
        appendRange(out, s.cur, *p == U'\n' ? p + 1 : p + 2);
    } else if (p == s.cur && *p == U'!') {
        lineEnd = lineCharsEnd(p, s.end);
        if (!isLineBreakAt(lineEnd, s.end)) return std::nullopt;
        out += '\n';
    } else {
        return std::nullopt;
    }
    advanceWithinLine(s, lineEnd);
    advanceOverLineBreak(s);
    incrementSequenceNo(s);
    return okReply(true, Unit{}, unknownError(s.pos));
}

// The lines that lineWithDirectPaths takes without the grammar and without saving the
// state: a blank line, a comment line and a line for the dispatcher that an ordinary line's
// or a #define line's direct path takes whole, each ended by a line break, and an #ifdef or
// #ifndef line with its block. Then the line's outcome, which has always consumed;
// otherwise nothing, with s and out as they were.
std::optional<Reply<Unit>> directLine(State& s, PreprocessorRun& run, Text& out) {
    const char* const p = blanksFrom(s.cur, s.end);
    if (p == s.end) return std::nullopt;
    if (std::optional<Reply<Unit>> r = blankOrCommentLine(s, p, out)) return r;
    if (p == s.cur && *p == U'!') return std::nullopt;
    const Place start(s);
    const std::size_t mark = out.size();
    appendRange(out, s.cur, p);
    advanceWithinLine(s, p);
    // An ordinary line that ends its text returns from it, and a block may switch files.
    const SwitchMark switchesBefore = s.st().sourceNameStack.begin();
    if (std::optional<Reply<Unit>> r = directiveLineDirect(s, out)) {
        dropPendingLeftBehind(*r, s, switchesBefore);
        return r;
    }
    // A #define line ends in a line break.
    if (std::optional<Reply<Unit>> r = defineLineDirect(s, out)) return r;
    {
        // A block's lines nest in this one.
        NestingGuard guard(run);
        if (std::optional<Reply<Unit>> r = blockLineDirect(s, out)) {
            dropPendingLeftBehind(*r, s, switchesBefore);
            return r;
        }
    }
    s.cur = start.cur;
    s.pos = start.pos;
    out.resize(mark);
    return std::nullopt;
}

// The line's text goes to out; after a failure out is as it was.
Reply<Unit> lineWithDirectPaths(State& s, Text& out) {
    // Blank lines, comment lines and lines for the dispatcher that end in a line break take
    // a direct path with the outcome the full grammar would have; a line at the end of
    // the input, and every clean failure (for its error), take the full grammar itself.
    const char* p = s.cur;
    p = blanksFrom(p, s.end);
    if (p == s.end) return appendTo(out, lineInFull(s));

    if (std::optional<Reply<Unit>> r = blankOrCommentLine(s, p, out)) return std::move(*r);
    // A comment line at the end of the input.
    if (p == s.cur && *p == U'!') return appendTo(out, lineInFull(s));

    const std::size_t mark = out.size();
    const bool blanks = p != s.cur;
    appendRange(out, s.cur, p);
    advanceWithinLine(s, p);
    // The direct path consumes or leaves s as it was; only the dispatch after it needs the
    // state saved.
    if (std::optional<Reply<Unit>> r = directiveLineDirect(s, out)) return std::move(*r);
    const State afterBlanks = s;
    Reply<Unit> r = pDirectiveInto(s, out);
    if (r.ok || r.consumed) return r;
    out.resize(mark);
    if (!blanks) {
        // Nothing was consumed: the error names what every kind of line expected. (Without
        // blanks the line starts where they would have ended.)
        s = afterBlanks;
        return appendTo(out, lineInFull(s));
    }
    ParseError blankEnd = detail::labelledCharError(afterBlanks, MsgText::literal("space")).err;
    return consumedError(mergeError(blankEnd, r.err));
}

Reply<Unit> lineInto(State& s, Text& out) {
    PreprocessorRun& run = preprocessorRun(s);
    NestingGuard guard(run);
    if (guard.tooDeep()) return nestingTooDeep(s);
    const SwitchMark switchesBefore = s.st().sourceNameStack.begin();
    const std::size_t mark = out.size();
    startSubstitutedLine(run);
    try {
        Reply<Unit> r = fastPathsOn(s) ? lineWithDirectPaths(s, out) : appendTo(out, lineInFull(s));
        dropPendingLeftBehind(r, s, switchesBefore);
        return r;
    } catch (const SubstitutionTooLong& e) {
        out.resize(mark);
        return substitutedTooLong(e);
    }
}

// The step at the end of a text as lineStepInFull takes it, without the combinators: the
// return to the first including text with input left (which is always there to take at
// the end of a text, and consumes nothing), then the line there, their errors merged as
// a sequence merges them. Every included file ends in such a step.
Reply<Unit> returnThenLine(State& s, Text& out) {
    Reply<Unit> left = pLeaveInclude(s);
    if (!left.ok) return appendTo(out, lineStepInFull(s)); // not at an end after all
    Reply<Unit> r = lineInto(s, out);
    if (!r.consumed) {
        left.err.merge(std::move(r.err));
        r.err = std::move(left.err);
    }
    return r;
}

} // namespace

Reply<Text> pLine(State& s) {
    Text out;
    return withText(lineInto(s, out), out);
}

Reply<Text> pLineInFull(State& s) { return plainGrammar(s, pLine); }

std::optional<Reply<Unit>> pDirectLineStepInto(State& s, Text& out) {
    if (!fastPathsOn(s) || s.atEnd()) return std::nullopt;
    // As lineInto runs it: its nesting bound (and level, for the lines of a block), the
    // line's count of substituted characters, and a line past its bound.
    PreprocessorRun& run = preprocessorRun(s);
    if (run.lineNesting >= kMaxLineNesting) return std::nullopt;
    const std::size_t mark = out.size();
    startSubstitutedLine(run);
    try {
        return directLine(s, run, out);
    } catch (const SubstitutionTooLong& e) {
        out.resize(mark);
        return Reply<Unit>(substitutedTooLong(e));
    }
}

Reply<Unit> pLineStepInto(State& s, Text& out) {
    if (!fastPathsOn(s)) return appendTo(out, lineStepInFull(s));
    if (s.atEnd()) return returnThenLine(s, out);
    // Input remains, so there is no include to leave; its failed end-of-input test still
    // belongs to the error of a line that nothing takes (which depends on the place alone).
    const Place start(s);
    Reply<Unit> r = lineInto(s, out);
    if (!r.ok && !r.consumed) {
        State probe = start.in(s);
        r.err = mergeError(eof(probe).err, r.err);
    }
    return r;
}

Reply<Text> pLineStep(State& s) {
    Text out;
    return withText(pLineStepInto(s, out), out);
}

} // namespace zarnet
