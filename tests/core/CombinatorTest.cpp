// The combinators' consumption, merging, label and look-ahead rules, one row per case.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zarnet {
namespace {

using test::runOn;

TEST(Position, TabsLineFeedsAndCarriageReturns) {
    struct Row {
        std::int64_t column;
        char32_t c;
        std::int64_t line, newColumn;
    } rows[] = {{1, U'\t', 1, 9}, {8, U'\t', 1, 9}, {9, U'\t', 1, 17}, {5, U'\n', 2, 1}, {5, U'\r', 1, 6}};
    for (const Row& r : rows) {
        SourcePos p{SourceName(), 1, r.column};
        advancePos(p, r.c);
        EXPECT_EQ(p.sourceLine, r.line) << r.column;
        EXPECT_EQ(p.sourceColumn, r.newColumn) << r.column;
    }
}

TEST(Choice, ConsumedFailureIsNotFollowedByTheNextAlternative) {
    auto o = runOn(orElse(string_("ab"), string_("ac")), "ac");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"c\"\nexpecting \"ab\"");
    auto b = runOn(orElse(attempt(string_("ab")), string_("ac")), "ac");
    EXPECT_TRUE(b.ok);
    EXPECT_EQ(test::U8(b.value), "ac");
}

TEST(Choice, AttemptedEmptyErrorGivesWayToAConsumingAlternative) {
    auto o = runOn(orElse(attempt(string_("ab")), string_("ac")), "ad");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"d\"\nexpecting \"ac\"");
}

TEST(Choice, EmptyFailuresMergeTheirExpectations) {
    auto o = runOn(orElse(char_(U'a'), char_(U'b')), "c");
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"c\"\nexpecting \"a\" or \"b\"");
    EXPECT_EQ(runOn(choice(char_(U'a'), char_(U'b'), char_(U'c')), "d").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \"d\"\nexpecting \"a\", \"b\" or \"c\"");
}

TEST(Choice, AnExceptionInALaterAlternativeLeavesTheChoiceWhole) {
    // A later alternative's reply is made where the earlier one's stood: an exception thrown
    // there (as a line past its bound throws) must leave a reply that is destroyed once.
    const auto throws = [](State&) -> Reply<Text> { throw std::runtime_error("bound"); };
    EXPECT_THROW(runOn(choice(string_("a"), throws, string_("c")), "b"), std::runtime_error);
    EXPECT_THROW(runOn(choice(string_("a"), string_("b"), throws), "c"), std::runtime_error);
    EXPECT_THROW(runOn(orElse(string_("a"), throws), "b"), std::runtime_error);
    auto o = runOn(choice(string_("a"), string_("b"), throws), "b");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(test::U8(o.value), "b");
}

TEST(Choice, AnEmptyChoiceIsAnUnknownError) {
    auto o = runOn(labelled(failEmpty, MsgText::empty()), "x");
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):");
    auto p = runOn([](State& s) { return failEmpty(s); }, "x");
    EXPECT_EQ(p.error, "\"test.sqr\" (line 1, column 1):unknown parse error");
}

TEST(Many, PendingErrorMergesIntoTheNextFailure) {
    auto o = runOn(seqRight(many(char_(U'a')), char_(U'b')), "aac");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"c\"\nexpecting \"a\" or \"b\"");
}

TEST(Many, AParserThatAcceptsEmptyIsAnInternalError) {
    EXPECT_THROW(runOn(many(succeedWith(Unit{})), "x"), InternalError);
    EXPECT_THROW(runOn(manySkip(optionally(char_(U'a'))), "aab"), InternalError);
}

TEST(Many, ConsumedFailureInsideEndsTheRepetition) {
    auto o = runOn(many(string_("ab")), "ababac");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 5):\nunexpected \"c\"\nexpecting \"ab\"");
}

// A run of characters read as one text reads exactly as the repetition of the test.
TEST(Many, CharsWhileIsManySatisfyingAsOneText) {
    auto isNameChar = [](char32_t c) { return c == U'a' || c == U'\u00e9' || c == U'\n' || c == U'\t'; };
    auto asText = [isNameChar](State& s) -> Reply<Text> {
        Reply<std::vector<char32_t>> r = many(satisfying(isNameChar))(s);
        return Reply<Text>{textOfChars(r.value), std::move(r.err), r.consumed, r.ok};
    };
    for (const char* in : {"", "b", "aa", "a\u00e9a b", "a\n\ta\n", "aaa", "\u00e9\u3000"})
        test::expectSameAsGrammar(charsWhile(isNameChar), asText, in, initialState());
}

// Repetitions that join their texts or characters as they come read exactly as the
// repetition whose pieces are joined afterwards: result, errors, consumption, position.
TEST(Many, JoinedTextRepetitionsReadAsTheRepetitionJoined) {
    auto joined = [](auto rep) {
        return [rep](State& s) -> Reply<Text> {
            auto r = rep(s);
            Text t;
            for (const auto& v : r.value) detail::appendPiece(t, v);
            return Reply<Text>{r.ok ? t : Text(), std::move(r.err), r.consumed, r.ok};
        };
    };
    auto piece = orElse(string_("ab"), orElse(attempt(string_("cd")), string_("\u00e9")));
    auto letter = satisfyingLabelled([](char32_t c) { return c == U'a' || c == U'\u00e9'; }, MsgText::literal("a"));
    for (const char* in : {"", "x", "ab", "ababx", "abcdab\u00e9", "aba", "abcx", "c", "\u00e9ab\u00e9\u00e9"}) {
        test::expectSameAsGrammar(manyText(piece), joined(many(piece)), in, initialState());
        test::expectSameAsGrammar(manyOneText(piece), joined(manyOne(piece)), in, initialState());
    }
    for (const char* in : {"", "b", "a", "a\u00e9ab", "\u00e9\u00e9"}) {
        test::expectSameAsGrammar(manyText(letter), joined(many(letter)), in, initialState());
        test::expectSameAsGrammar(manyOneText(letter), joined(manyOne(letter)), in, initialState());
    }
}

// Alternatives nested to the right run as one flat run; they read as the nesting does.
TEST(Choice, NestedAlternativesReadAsOneRun) {
    auto a = attempt(string_("ab"));
    auto b = string_("ac"), c = string_("x");
    auto inner = orElse(b, c);
    auto nested = orElse(a, [inner](State& s) { return inner(s); }); // kept from flattening
    auto flat = orElse(a, orElse(b, c));
    static_assert(std::is_same_v<decltype(flat), OrElse<decltype(a), decltype(b), decltype(c)>>);
    auto asText = [](auto p) {
        return [p](State& s) -> Reply<Text> {
            auto r = p(s);
            return Reply<Text>{r.ok ? Text(r.value) : Text(), std::move(r.err), r.consumed, r.ok};
        };
    };
    for (const char* in : {"ab", "ac", "ad", "x", "y", "", "a"})
        test::expectSameAsGrammar(asText(flat), asText(nested), in, initialState());
}

// noneOf decides ASCII characters by its table and others by the set: every character of
// the set fails it, every other passes, on both sides of 64 and beyond ASCII.
TEST(NoneOf, FailsExactlyOnTheSetsCharacters) {
    for (TextView set : {TextView("!\n\r\t -"), TextView("a}\u00e9\u3000"), TextView("")}) {
        auto inSet = [set](char32_t c) {
            for (char32_t m : chars(set))
                if (m == c) return true;
            return false;
        };
        for (char32_t c : {U'!', U'\n', U' ', U'-', U'a', U'}', U'A', U'\u00e9', U'\u3000', U'\u00e8', U'\x7f', U'?'}) {
            Text in = charText(c);
            auto o = runOn(noneOf(set), test::U8(in));
            EXPECT_EQ(o.ok, !inSet(c)) << test::U8(in);
        }
    }
}

TEST(Label, ReplacesExpectationsOfEmptyOutcomesOnly) {
    auto number = labelled(manyOne(digit()), MsgText::literal("number"));
    auto x = runOn(number, "x");
    EXPECT_EQ(x.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting number");
    auto one = runOn(number, "1x");
    EXPECT_TRUE(one.ok);
    EXPECT_TRUE(one.consumed);
    EXPECT_EQ(one.error, "\"test.sqr\" (line 1, column 2):\nunexpected \"x\"\nexpecting digit");
}

TEST(Eof, FailsAtTheUnexpectedCharacter) {
    auto o = runOn(seqRight(string_("ab\nabcd"), [](State& s) { return eof(s); }), "ab\nabcdx");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 2, column 5):\nunexpected 'x'\nexpecting end of input");
    auto lf = runOn([](State& s) { return eof(s); }, "\n");
    EXPECT_EQ(lf.error, "\"test.sqr\" (line 1, column 1):\nunexpected '\\n'\nexpecting end of input");
    auto quote = runOn([](State& s) { return eof(s); }, "'");
    EXPECT_EQ(quote.error, "\"test.sqr\" (line 1, column 1):\nunexpected '\\''\nexpecting end of input");
    auto end = runOn([](State& s) { return eof(s); }, "");
    EXPECT_TRUE(end.ok);
    EXPECT_EQ(end.error, "\"test.sqr\" (line 1, column 1):\nunexpected end of input\nexpecting end of input");
}

TEST(Peek, RestoresOnSuccessAndKeepsAPartialMatchAsConsumed) {
    auto partial = runOn(peek(string_("abc")), "abd");
    EXPECT_FALSE(partial.ok);
    EXPECT_TRUE(partial.consumed);
    auto full = runOn(peek(string_("abc")), "abcd");
    EXPECT_TRUE(full.ok);
    EXPECT_FALSE(full.consumed);
    EXPECT_EQ(full.rest, "abcd");
    EXPECT_EQ(full.pos.sourceColumn, 1);
}

TEST(NotAhead, KeepsTheExpectationsOfTheFailedParserPending) {
    auto o = runOn(seqRight(notAhead(char_(U'x')), char_(U'z')), "y");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"y\"\nexpecting \"x\" or \"z\"");
}

TEST(NotAhead, FailsWheneverTheParserSucceedsEvenEmpty) {
    auto o = runOn(notAhead(string_("ab")), "abc");
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.rest, "abc");
    EXPECT_EQ(o.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"ab\"");
    auto empty = runOn(notAhead(succeedWith(Unit{})), "abc");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.error, "\"test.sqr\" (line 1, column 1):\nunexpected ()");
}

// The unexpected result follows p's success in sequence, so what p last tried and could have
// gone on with where it ended stays expected; what p left behind at an earlier place does not.
TEST(NotAhead, FailureKeepsWhatTheParserStillExpectedWhereItEnded) {
    auto trailing = runOn(notAhead(manyText(char_(U'a'))), "aab");
    EXPECT_FALSE(trailing.consumed);
    EXPECT_EQ(trailing.rest, "aab");
    EXPECT_EQ(trailing.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"aa\"\nexpecting \"a\"");
    auto nothingRead = runOn(notAhead(manyText(char_(U'a'))), "b");
    EXPECT_EQ(nothingRead.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"\"\nexpecting \"a\"");
    auto earlier = runOn(notAhead(seqRight(optionally(char_(U'x')), string_("ab"))), "ab");
    EXPECT_EQ(earlier.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"ab\"");
}

TEST(Repetitions, CountOptionallySeparatedByAndManyUntil) {
    auto none = runOn(count(0, char_(U'a')), "b");
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.value.empty());
    auto three = runOn(count(3, char_(U'a')), "aaab");
    EXPECT_EQ(three.value.size(), 3u);
    auto opt = runOn(optionally(string_("ab")), "ac");
    EXPECT_FALSE(opt.ok);
    EXPECT_TRUE(opt.consumed);
    auto sep = runOn(separatedBy(digit(), char_(U',')), "1,2,3;");
    ASSERT_TRUE(sep.ok);
    EXPECT_EQ(sep.value, (std::vector<char32_t>{U'1', U'2', U'3'}));
    EXPECT_EQ(sep.rest, ";");
    auto until = runOn(manyUntil(anyChar(), string_("*/")), "ab*/c");
    ASSERT_TRUE(until.ok);
    EXPECT_EQ(until.value, (std::vector<char32_t>{U'a', U'b'}));
    EXPECT_EQ(until.rest, "c");
    auto noEnd = runOn(manyUntil(char_(U'a'), char_(U';')), "aab");
    EXPECT_EQ(noEnd.error, "\"test.sqr\" (line 1, column 3):\nunexpected \"b\"\nexpecting \";\" or \"a\"");
}

TEST(State, AFailedAlternativeLeavesNoTrace) {
    // An alternative that changes the user state, moves and replaces the input, then fails
    // without consuming: the next alternative sees the state from before.
    auto dirty = [](State& s) -> Reply<Unit> {
        Seq q(s);
        q(modifyUserState([](ParserState& p) { p.continued = true; }));
        q(moveTo(SourcePos{testSourceName("elsewhere"), 7, 7}));
        q(replaceInput(keepText("other")));
        q(char_(U'!'));
        if (!q) return q.failure();
        return q.ok();
    };
    auto start = test::startState("abc");
    State seen = test::stateSeenByNextAlternative(dirty, start);
    EXPECT_FALSE(seen.st().continued);
    EXPECT_EQ(seen.pos, start.pos);
    EXPECT_EQ(seen.cur, start.cur);
    EXPECT_EQ(seen.user.get(), start.user.get());
    // The same for a repetition stopping at such an alternative.
    State s = start;
    auto r = many(dirty)(s);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(s.st().continued);
    EXPECT_EQ(s.cur, start.cur);
}

TEST(RunParse, UnreadInputIsNotAnError) {
    auto r = runParse(char_(U'a'), initialState(), "x.sqr", "abc");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.value, U'a');
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

TEST(SeqMap, RunsInOrderAndMapsOrKeepsTheResults) {
    auto letters = seqMap([](char32_t a, char32_t b, Text c) { return charText(a) + charText(b) + c; }, char_(U'a'), anyChar(),
                          string_("cd"));
    auto o = test::runOn(letters, "axcde");
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(test::U8(o.value), "axcd");
    EXPECT_EQ(o.rest, "e");
    auto middle = seqKeep<1>(char_(U'('), many(char_(U'x')), char_(U')'));
    auto m = test::runOn(middle, "(xx)");
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.value.size(), 2u);
    // Failures and pending errors as nested binds give them.
    auto bound = [](State& s) {
        return bind(char_(U'('), [](char32_t) { return seqLeft(many(char_(U'x')), char_(U')')); })(s);
    };
    for (const char* in : {"(xx", "(", "x", "(x)", "()y"}) {
        auto a = test::runOn(middle, in), b = test::runOn(bound, in);
        EXPECT_EQ(a.ok, b.ok) << in;
        EXPECT_EQ(a.consumed, b.consumed) << in;
        EXPECT_EQ(a.error, b.error) << in;
        EXPECT_EQ(a.rest, b.rest) << in;
    }
}

TEST(TakeWhile, MovesThePositionAsTakingEachCharacterWould) {
    // ASCII runs move at once; tabs, line feeds and wide characters inside what the test
    // accepts, and the character that stops it, must leave the place character stepping does.
    const auto notStop = [](char32_t c) { return c != U'|'; };
    for (const char* in : {"abc|x", "a\tb\tc|", "ab\ncd\n\tef|g", "x\u00C4y\u3000z\rw|", "no stop at all", "|", ""}) {
        State s = test::startState(in);
        s.pos.outputLine = 1; // as in the second pass, where line feeds move it too
        const char* const begin = s.cur;
        State byChar = s;
        const Text taken = takeWhile(s, notStop);
        while (!byChar.atEnd() && notStop(byChar.peek())) byChar.take();
        EXPECT_EQ(s.cur, byChar.cur) << in;
        EXPECT_EQ(s.pos, byChar.pos) << in;
        EXPECT_EQ(s.pos.outputLine, byChar.pos.outputLine) << in;
        EXPECT_EQ(taken, Text(begin, byChar.cur)) << in;
    }
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

// What a run left: the outcome, what input is left, and the rendered error (of the failure,
// or the pending error of a success). After a failure the input left is not looked at: the
// combinator that goes on after it puts back its own saved state.
struct Seen {
    bool ok = false, consumed = false;
    std::string rest, error;
};
template <class P> Seen seen(P p, const char* input) {
    auto o = test::runOn(p, input);
    return Seen{o.ok, o.consumed, o.rest, o.error};
}

// Each operation's cases: which outcome, whether it consumed, and which errors it merged,
// dropped or kept pending (the position and the message lines of the rendered error).
TEST(Cases, EachOperationsOutcomesAndErrors) {
    const std::string at1 = "\"test.sqr\" (line 1, column 1):", at2 = "\"test.sqr\" (line 1, column 2):",
                      at3 = "\"test.sqr\" (line 1, column 3):";
    const auto a = char_(U'a'), b = char_(U'b');
    const auto eofP = [](State& s) { return eof(s); };
    struct Row {
        const char* what;
        Seen got;
        bool ok, consumed;
        const char* rest;
        std::string error;
    } rows[] = {
        {"sequence: a first failure is the outcome", seen(seqRight(a, b), "x"), false, false, "x",
         at1 + "\nunexpected \"x\"\nexpecting \"a\""},
        {"sequence: a consuming second step drops the first one's pending error",
         seen(seqRight(many(a), string_("bc")), "abd"), false, true, "abd", at2 + "\nunexpected \"d\"\nexpecting \"bc\""},
        {"sequence: an empty success after a consumed one merges, consumed",
         seen(seqRight(a, optionally(b)), "ac"), true, true, "c", at2 + "\nunexpected \"c\"\nexpecting \"b\""},
        {"sequence: empty success then empty failure merge, empty", seen(seqRight(many(a), b), "c"), false, false, "c",
         at1 + "\nunexpected \"c\"\nexpecting \"a\" or \"b\""},
        {"orElse: an empty success of the first is the outcome", seen(orElse(many(a), many(b)), "b"), true, false, "b",
         at1 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"orElse: an empty success of the second merges the first's error",
         seen(orElse(manyOne(a), many(b)), "c"), true, false, "c", at1 + "\nunexpected \"c\"\nexpecting \"a\" or \"b\""},
        {"orElse: a consuming second drops the first's error", seen(orElse(string_("a"), string_("x")), "xy"), true, true,
         "y", at2 + "unknown parse error"},
        {"attempt: a consumed failure becomes empty where it failed", seen(attempt(seqRight(a, b)), "ac"), false, false,
         "ac", at2 + "\nunexpected \"c\"\nexpecting \"b\""},
        {"labelled: a consumed failure is left alone", seen(labelled(string_("ab"), MsgText::literal("word")), "ac"),
         false, true, "ac", at1 + "\nunexpected \"c\"\nexpecting \"ab\""},
        {"labelled: an empty success with messages", seen(labelled(many(a), MsgText::literal("as")), "b"), true, false,
         "b", at1 + "\nunexpected \"b\"\nexpecting as"},
        {"labelled: an empty success without messages", seen(labelled(string_(""), MsgText::literal("word")), "b"), true,
         false, "b", at1 + "unknown parse error"},
        {"labelled: an empty failure without messages gets the label",
         seen(labelled(failEmpty, MsgText::literal("thing")), "x"), false, false, "x", at1 + "\nexpecting thing"},
        {"many: the failure that stopped it stays pending", seen(many(a), "aab"), true, true, "b",
         at3 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"manyOne: fails as its first parser", seen(manyOne(a), "b"), false, false, "b",
         at1 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"separatedBy: nothing, the first item's error pending", seen(separatedBy(digit(), char_(U',')), ""), true, false,
         "", at1 + "\nunexpected end of input\nexpecting digit"},
        {"separatedBy: a separator without an item fails consumed", seen(separatedBy(digit(), char_(U',')), "1,"), false,
         true, "1,", at3 + "\nunexpected end of input\nexpecting digit"},
        {"count: fails where a pass fails", seen(count(2, a), "ab"), false, true, "ab",
         at2 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"count: none at all", seen(count(-1, a), "b"), true, false, "b", at1 + "unknown parse error"},
        {"optionally: the parser's error pending", seen(optionally(a), "b"), true, false, "b",
         at1 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"manyUntil: a consumed failure of the end fails", seen(manyUntil(anyChar(), string_("*/")), "a*x"), false, true,
         "a*x", at2 + "\nunexpected \"x\"\nexpecting \"*/\""},
        {"manyUntil: the end's pending error after the last pass", seen(manyUntil(a, eofP), "a"), true, true, "",
         at2 + "\nunexpected end of input\nexpecting end of input"},
        {"peek: the parser's pending error stays, further on", seen(seqRight(peek(many(a)), b), "aab"), false, false,
         "aab", at3 + "\nunexpected \"b\"\nexpecting \"a\""},
        {"peek: an unknown pending error stays at the later place", seen(peek(string_("ab")), "abc"), true, false, "abc",
         at3 + "unknown parse error"},
        {"notAhead: a consumed failure of the parser is a success", seen(notAhead(string_("ab")), "ac"), true, false,
         "ac", at1 + "\nunexpected \"c\"\nexpecting \"ab\""},
        {"string: a partial match at the end", seen(string_("abc"), "ab"), false, true, "ab",
         at1 + "\nunexpected end of input\nexpecting \"abc\""},
        {"spaceChars: consumed, what stopped it stays unlabelled", seen(seqRight(spaceChars(), char_(U'x')), " y"), false,
         true, " y", at2 + "\nunexpected \"y\"\nexpecting space or \"x\""},
        {"spaceChars: empty, labelled", seen(seqRight(spaceChars(), char_(U'x')), "y"), false, false, "y",
         at1 + "\nunexpected \"y\"\nexpecting white space or \"x\""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.got.ok, r.ok) << r.what;
        EXPECT_EQ(r.got.consumed, r.consumed) << r.what;
        if (r.ok) {
            EXPECT_EQ(r.got.rest, r.rest) << r.what;
        }
        EXPECT_EQ(r.got.error, r.error) << r.what;
    }
}

} // namespace
} // namespace zarnet
