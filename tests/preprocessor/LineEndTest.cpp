#include "SecondPassProbe.h"
#include "TestSupport.h"

#include "preprocessor/LeaveInclude.h"
#include "preprocessor/LineEnd.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

SourceSwitch sw(std::int64_t outputLine, const char* name, std::int64_t line) {
    return SourceSwitch{outputLine, T(name), line};
}

TEST(LineEnd, LineBreak) {
    auto lf = runOn(pLineBreak, "\nx");
    EXPECT_EQ(U8(lf.value), "\n");
    auto crlf = runOn(pLineBreak, "\r\nx");
    EXPECT_EQ(U8(crlf.value), "\r\n");
    EXPECT_EQ(crlf.rest, "x");

    for (const char* lone : {"\rx", "\r"}) {
        auto o = runOn(pLineBreak, lone);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
    }
    EXPECT_EQ(runOn(pLineBreak, "\rx").error, "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"\\r\\n\"");
    EXPECT_EQ(runOn(pLineBreak, "x").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"\\n\", \"\\r\\n\" or \"\\r\"");
    EXPECT_EQ(runOn(pLineBreak, "").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected end of input\nexpecting \"\\n\", \"\\r\\n\" or \"\\r\"");
}

TEST(LineEnd, CountedLineBreakCountsOnlyWhenMatched) {
    auto crlf = runOn(pCountedLineBreak, "\r\n", initialState(), "test.sqr", 7);
    EXPECT_EQ(U8(crlf.value), "\r\n");
    EXPECT_EQ(crlf.sequenceNo, 8);

    auto start = startState("x", initialState(), "test.sqr", 7);
    State seen = stateSeenByNextAlternative(pCountedLineBreak, start);
    EXPECT_EQ(seen.sequenceNo, 7);
}

TEST(LineEnd, EndOfLine) {
    auto crlf = runOn(pEndOfLine, "\r\nabc", initialState(), "test.sqr", 3);
    EXPECT_TRUE(crlf.consumed);
    EXPECT_EQ(U8(crlf.value), "\n");
    EXPECT_EQ(crlf.rest, "abc");
    EXPECT_EQ(crlf.sequenceNo, 4);

    // A lone carriage return is no line end, and the attempt leaves no count behind.
    auto lone = runOn(pEndOfLine, "\rx", initialState(), "test.sqr", 3);
    EXPECT_FALSE(lone.ok);
    EXPECT_FALSE(lone.consumed);
    EXPECT_EQ(lone.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"\\r\\n\"");
    State seen = stateSeenByNextAlternative(pEndOfLine, startState("\rx", initialState(), "test.sqr", 3));
    EXPECT_EQ(seen.sequenceNo, 3);
    EXPECT_EQ(U8(seen.rest()), "\rx");

    EXPECT_EQ(runOn(pEndOfLine, "x").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected 'x'\nexpecting \"\\n\", \"\\r\\n\" or end of input");

    // The end of the root input ends the last line without consuming anything.
    auto atEnd = runOn(pEndOfLine, "", initialState(), "test.sqr", 3);
    EXPECT_TRUE(atEnd.ok);
    EXPECT_FALSE(atEnd.consumed);
    EXPECT_EQ(U8(atEnd.value), "\n");
    EXPECT_EQ(atEnd.sequenceNo, 4);
}

// The state of a run inside an included file, with the including file saved.
State insideInclude(const char* includedText, const char* rootRest, std::int64_t rootLine, std::int64_t sequenceNo,
                    const char* includedName = "i.sqr") {
    InputView root = keepText(T(rootRest));
    ParserState p = initialState();
    p.context = p.context.push(Context{SourcePos{testSourceName("r.sqr"), rootLine, 1}, root.begin, root.end});
    InputView inc = keepText(T(includedText));
    State s;
    s.sequenceNo = sequenceNo;
    s.cur = inc.begin;
    s.end = inc.end;
    s.pos = initialPos(testSourceName(includedName));
    s.user = makeUserState(p);
    return s;
}

// A state at the end of the text, with the position, line counter and parser state given.
State atEndOf(InputView text, const SourcePos& pos, std::int64_t sequenceNo, const ParserState& p) {
    State s;
    s.sequenceNo = sequenceNo;
    s.cur = s.end = text.end;
    s.pos = pos;
    s.user = makeUserState(p);
    return s;
}

TEST(LineEnd, EndOfLineAtTheEndOfAnIncludedFileReturnsWithTheAdvancedCounter) {
    State s = insideInclude("", "c\nd\n", 4, 5);
    auto r = pEndOfLine(s);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.consumed);
    EXPECT_EQ(U8(s.rest()), "c\nd\n");
    EXPECT_EQ(s.pos.sourceName.text(), "r.sqr");
    EXPECT_EQ(s.pos.sourceLine, 4);
    EXPECT_TRUE(s.st().context.empty());
    ASSERT_EQ(s.st().sourceNameStack.size(), 1u);
    EXPECT_EQ(s.st().sourceNameStack.front(), sw(6, "r.sqr", 4));
}

// p, then a parser that fails without consuming: the error that the sequence ends with.
template <class P> std::string errorOfFailureAfter(P p, State s) {
    auto then = [p](State& st) -> Reply<Unit> {
        Seq q(st);
        q(p);
        if (!q) return q.failure();
        q(char_(U'q'));
        return q.failure();
    };
    return renderError(then(s).err);
}

TEST(LeaveInclude, ErrorsAfterTheReturnNameTheResumedFile) {
    // The included file's name sorts after the root's: an error kept from the end of its
    // text would outrank every error of the resumed file.
    State atEndOfZ = insideInclude("", "c\n", 4, 5, "z.sqc");
    EXPECT_EQ(errorOfFailureAfter(pLeaveInclude, atEndOfZ),
              "\"r.sqr\" (line 4, column 1):\nunexpected 'c'\nexpecting end of input or \"q\"");
    EXPECT_EQ(errorOfFailureAfter(pEndOfLine, atEndOfZ),
              "\"r.sqr\" (line 4, column 1):\nunexpected \"c\"\nexpecting \"q\"");
}

TEST(LeaveInclude, ReturnIntoTheSameTextDropsTheErrorsOfTheTextLeft) {
    // A file that includes itself: both inclusions read one text, so the return lands in
    // the text it leaves. The end of the inner inclusion lies further on than the place
    // resumed, so an error kept from it would outrank every error there.
    InputView self = keepText(T("c\n"));
    ParserState p = initialState();
    p.context = p.context.push(Context{SourcePos{testSourceName("r.sqr"), 4, 1}, self.begin, self.end});
    State s = atEndOf(self, SourcePos{testSourceName("r.sqr"), 9, 1}, 5, p);
    EXPECT_EQ(errorOfFailureAfter(pEndOfLine, s), "\"r.sqr\" (line 4, column 1):\nunexpected \"c\"\nexpecting \"q\"");
}

TEST(LeaveInclude, FailsCleanWhileInputRemains) {
    State s = insideInclude("x\n", "c\n", 4, 5);
    const State before = s;
    auto r = pLeaveInclude(s);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.consumed);
    EXPECT_EQ(renderError(r.err), "\"i.sqr\" (line 1, column 1):\nunexpected 'x'\nexpecting end of input");
    State seen = stateSeenByNextAlternative(pLeaveInclude, before);
    EXPECT_EQ(seen.cur, before.cur);
    EXPECT_EQ(seen.user.get(), before.user.get());
}

TEST(LeaveInclude, RootEndChangesNothing) {
    auto o = runOn(pLeaveInclude, "");
    EXPECT_TRUE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.user->state.sourceNameStack.size(), 0u);
}

TEST(LeaveInclude, LeavesEveryLevelThatHasEndedInOneCall) {
    // Root includes A at its line 3; A's last line includes B; B has ended.
    InputView rootRest = keepText(T("c\n"));
    InputView aRest = keepText(Text());
    ParserState p = initialState();
    p.context = p.context.push(Context{SourcePos{testSourceName("r.sqr"), 4, 1}, rootRest.begin, rootRest.end});
    p.context = p.context.push(Context{SourcePos{testSourceName("a.sqc"), 6, 1}, aRest.begin, aRest.end});
    State s = atEndOf(aRest, SourcePos{testSourceName("b.sqc"), 3, 1}, 9, p);

    auto r = pLeaveInclude(s);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.consumed);
    EXPECT_EQ(U8(s.rest()), "c\n");
    EXPECT_EQ(s.pos.sourceName.text(), "r.sqr");
    EXPECT_TRUE(s.st().context.empty());
    EXPECT_EQ(s.st().sourceNameStack.toVector(),
              (std::vector<SourceSwitch>{sw(9, "r.sqr", 4), sw(9, "a.sqc", 6)}));
    EXPECT_EQ(s.sequenceNo, 9);
}

TEST(LineEnd, ModifySequenceNoToOne) {
    auto o = runOn([](State& s) { return modifySequenceNo(s, [](std::int64_t) { return std::int64_t{1}; }); }, "ab",
                   initialState(), "test.sqr", 42);
    EXPECT_EQ(o.value, (std::pair<std::int64_t, std::int64_t>{42, 1}));
    EXPECT_EQ(o.sequenceNo, 1);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.rest, "ab");
}

TEST(LineEnd, Blanks) {
    auto o = runOn(pBlanks, "  \tx");
    EXPECT_EQ(U8(o.value), "  \t");
    for (const char* none : {"x", "\r\n", "\n"}) {
        auto n = runOn(pBlanks, none);
        EXPECT_TRUE(n.ok);
        EXPECT_FALSE(n.consumed);
        EXPECT_EQ(U8(n.value), "");
    }
}

// The second pass: runs eol over a text from a state with the given counter and switches.
State secondPassState(const char* text, std::int64_t sequenceNo, std::vector<SourceSwitch> switches) {
    ParserState p = initialState();
    p.sourceNameStack = PList<SourceSwitch>::fromVector(switches);
    return startState(text, p, "r.sqr", sequenceNo);
}

TEST(Eol, CountsAndMovesToTheNextLineOfTheSameSource) {
    State s = secondPassState("\nx", 1, {});
    auto r = eol(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s.sequenceNo, 2);
    EXPECT_EQ(s.pos, (SourcePos{testSourceName("r.sqr"), 2, 1}));

    State cr = secondPassState("\r\n", 1, {});
    auto f = eol(cr);
    EXPECT_FALSE(f.ok);
    EXPECT_FALSE(f.consumed);
    EXPECT_EQ(renderError(f.err), "\"r.sqr\" (line 1, column 1):\nunexpected \"\\r\"\nexpecting \"\\n\"");
}

TEST(Eol, AppliesEveryEntryOfTheLineReached) {
    // An empty included file: the switch into it and back share one output line.
    State s = secondPassState("\nx", 3, {sw(4, "i.sqr", 1), sw(4, "r.sqr", 4), sw(6, "r.sqr", 9)});
    ASSERT_TRUE(eol(s).ok);
    EXPECT_EQ(s.pos, (SourcePos{testSourceName("r.sqr"), 4, 1}));
    EXPECT_EQ(s.st().sourceNameStack.toVector(), (std::vector<SourceSwitch>{sw(6, "r.sqr", 9)}));
}

TEST(Eol, AnEntryBelowTheCounterBlocksTheRest) {
    State s = secondPassState("\n\n", 5, {sw(3, "i.sqr", 1), sw(6, "r.sqr", 4)});
    ASSERT_TRUE(eol(s).ok);
    EXPECT_EQ(s.pos, (SourcePos{testSourceName("r.sqr"), 2, 1}));
    EXPECT_EQ(s.st().sourceNameStack.size(), 2u);
}

TEST(Eol, RootWithOneIncludedFile) {
    // Root r.sqr: a, b, #include of i.sqr (x, y), c, d; switches oldest first.
    State s = secondPassState("a\nb\n\nx\ny\nc\nd\n", 1, {sw(4, "i.sqr", 1), sw(6, "r.sqr", 4)});
    auto r = linePositions(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(U8(r.value), "r.sqr:1 r.sqr:2 r.sqr:3 i.sqr:1 i.sqr:2 r.sqr:4 r.sqr:5 ");
    EXPECT_EQ(s.pos, (SourcePos{testSourceName("r.sqr"), 6, 1}));
}

} // namespace
} // namespace zarnet::test
