// Rendering and merging of parse errors, pinned to the exact texts users see.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

SourcePos at(const char* name, std::int64_t line, std::int64_t col) {
    return SourcePos{testSourceName(name), line, col};
}
Message sys(MsgText t) { return {MsgKind::SysUnExpect, std::move(t)}; }
Message unexp(const char* t) { return {MsgKind::UnExpect, MsgText::literal(t)}; }
Message expect(const char* t) { return {MsgKind::Expect, MsgText::literal(t)}; }
Message plain(const char* t) { return {MsgKind::Message, MsgText::literal(t)}; }

ParseError err(SourcePos p, std::vector<Message> ms) {
    ParseError e(p);
    for (auto& m : ms) e = mergeError(e, ParseError(p, m));
    return e;
}

TEST(Render, MessageGroupsAndPositions) {
    struct Row {
        ParseError e;
        const char* text;
    } rows[] = {
        {err(at("main.sqr", 12, 4), {plain("(SQR 4708) #ELSE without preceding #IF.")}),
         "\"main.sqr\" (line 12, column 4):\n(SQR 4708) #ELSE without preceding #IF."},
        {err(at("", 12, 4), {plain("m")}), "(line 12, column 4):\nm"},
        {err(at("a.sqr", 1, 1), {}), "\"a.sqr\" (line 1, column 1):unknown parse error"},
        {err(at("a", 1, 1), {sys(MsgText::empty()), expect("space")}),
         "\"a\" (line 1, column 1):\nunexpected end of input\nexpecting space"},
        {err(at("a", 1, 1), {sys(MsgText::quotedChar(U'x')), sys(MsgText::quotedChar(U'y'))}),
         "\"a\" (line 1, column 1):\nunexpected \"x\""},
        {err(at("a", 1, 1), {sys(MsgText::quotedChar(U'x')), unexp("thing")}),
         "\"a\" (line 1, column 1):\nunexpected thing"},
        {err(at("a", 1, 1), {expect("a"), expect("b"), expect("a"), expect("")}),
         "\"a\" (line 1, column 1):\nexpecting a or b"},
        {err(at("a", 1, 1), {plain("p"), plain("q")}), "\"a\" (line 1, column 1):\np or q"},
        {err(at("a", 1, 1), {plain("p"), plain("q"), plain("r")}), "\"a\" (line 1, column 1):\np, q or r"},
        {err(at("a", 1, 1), {expect("")}), "\"a\" (line 1, column 1):"},
        {err(at("we\"ird\\", 1, 1), {plain("m")}), "\"we\"ird\\\" (line 1, column 1):\nm"},
        {err(at("a", -3, 1), {plain("m")}), "\"a\" (line -3, column 1):\nm"},
        // Any unexpected message hides the system-unexpected one, even one with the empty text.
        {err(at("a", 1, 1), {sys(MsgText::quotedChar(U'x')), unexp("")}), "\"a\" (line 1, column 1):"},
        // Only the first system-unexpected text counts, also when it is the end of the input.
        {err(at("a", 1, 1), {sys(MsgText::empty()), sys(MsgText::quotedChar(U'x'))}),
         "\"a\" (line 1, column 1):\nunexpected end of input"},
        // Sorted by kind, each kind in its own order; a group equal to an earlier one is dropped.
        {err(at("a", 1, 1), {plain("unexpected \"x\""), expect("b"), sys(MsgText::quotedChar(U'x')), expect("a")}),
         "\"a\" (line 1, column 1):\nunexpected \"x\"\nexpecting b or a"},
    };
    for (const Row& r : rows) EXPECT_EQ(renderError(r.e), r.text);
}

TEST(Render, EscapedCharactersAndTexts) {
    struct Row {
        MsgText m;
        const char* shown;
    } rows[] = {
        {MsgText::quotedChar(U'\n'), "\"\\n\""},   {MsgText::quotedChar(U'\t'), "\"\\t\""},
        {MsgText::quotedChar(U'\r'), "\"\\r\""},   {MsgText::quotedChar(0xA0), "\"\\160\""},
        {MsgText::quotedChar(U'"'), "\"\\\"\""},   {MsgText::quotedChar(U'\\'), "\"\\\\\""},
        {MsgText::quotedChar(0x7F), "\"\\DEL\""},  {MsgText::quotedChar(0), "\"\\NUL\""},
        {MsgText::quotedChar(14), "\"\\SO\""},     {MsgText::quotedChar(31), "\"\\US\""},
        {MsgText::quotedChar(U'\''), "\"'\""},     {MsgText::singleQuotedChar(U'\''), "'\\''"},
        {MsgText::singleQuotedChar(U'"'), "'\"'"}, {MsgText::singleQuotedChar(0xE9), "'\\233'"},
        {MsgText::quotedOwned("\u00e91"), "\"\\233\\&1\""},
        {MsgText::quotedOwned("\x0EH"), "\"\\SO\\&H\""},
        {MsgText::quotedOwned("\x0E" "A"), "\"\\SOA\""},
        {MsgText::quotedOwned("\u00e9x"), "\"\\233x\""},
    };
    for (const Row& r : rows) EXPECT_EQ(r.m.build(), r.shown);
}

TEST(Merge, MessagesWinThenTheLaterPositionThenBothPool) {
    ParseError unknown9(at("a", 9, 1));
    ParseError at2 = err(at("a", 2, 1), {plain("two")});
    ParseError at9 = err(at("a", 9, 1), {plain("nine")});
    EXPECT_EQ(mergeError(unknown9, at2).pos().sourceLine, 2);
    EXPECT_EQ(mergeError(at2, unknown9).pos().sourceLine, 2);
    EXPECT_EQ(mergeError(at2, at9).pos().sourceLine, 9);
    EXPECT_EQ(renderError(mergeError(at9, err(at("a", 9, 1), {plain("more")}))),
              "\"a\" (line 9, column 1):\nnine or more");
    // Source names compare first, as text.
    ParseError inB = err(at("b", 1, 1), {plain("b")});
    EXPECT_EQ(mergeError(at9, inB).pos().sourceName, testSourceName("b"));
}

TEST(Merge, SecondPassPlacesCompareByOutputLineThenColumn) {
    auto placed = [](const char* name, std::int64_t line, std::int64_t col, std::int64_t outLine) {
        SourcePos p = at(name, line, col);
        p.outputLine = outLine;
        return p;
    };
    // "b" sorts after "a", but "a" line 2 lies further on in the preprocessed text.
    ParseError inB = err(placed("b", 1, 5, 1), {plain("b")});
    ParseError inA = err(placed("a", 2, 1, 7), {plain("a")});
    EXPECT_EQ(mergeError(inB, inA).pos().sourceName, testSourceName("a"));
    EXPECT_EQ(mergeError(inA, inB).pos().sourceName, testSourceName("a"));
    // On one output line the column decides; the same place pools.
    ParseError laterColumn = err(placed("a", 2, 3, 7), {plain("c")});
    EXPECT_EQ(mergeError(inA, laterColumn).pos().sourceColumn, 3);
    EXPECT_EQ(renderError(mergeError(inA, err(placed("a", 2, 1, 7), {plain("more")}))),
              "\"a\" (line 2, column 1):\na or more");
}

TEST(Merge, ManyMessagesAtOnePlaceKeepTheirOrder) {
    ParseError e(at("a", 1, 1));
    const char* words[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (const char* w : words) e = mergeError(e, err(at("a", 1, 1), {expect(w)}));
    e = mergeError(e, ParseError(at("a", 1, 1), Message{MsgKind::Expect, MsgText::owned("h")}));
    e = mergeError(e, err(at("a", 1, 1), {expect("i"), expect("a")}));
    EXPECT_EQ(renderError(e), "\"a\" (line 1, column 1):\nexpecting a, b, c, d, e, f, g, h or i");
    EXPECT_EQ(renderError(setExpectErrors(e, MsgText::literal("word"))), "\"a\" (line 1, column 1):\nexpecting word");
}

// An error merged with itself shares its message nodes; rendering visits each node once
// instead of every path through them (60 doublings would never finish).
TEST(Merge, SharedMessagesRenderOnce) {
    ParseError e(at("a", 1, 1));
    const char* words[] = {"a", "b", "c", "d", "e"};
    for (const char* w : words) e = mergeError(e, err(at("a", 1, 1), {expect(w)}));
    for (int i = 0; i < 60; ++i) e = mergeError(e, e);
    EXPECT_EQ(renderError(e), "\"a\" (line 1, column 1):\nexpecting a, b, c, d or e");
}

// Errors that share their messages stay apart: adding to one, in place or by merging a
// moved error, never shows in a copy taken before; owned texts outlive the error they
// were made for.
TEST(Merge, CopiesKeepTheirMessages) {
    const SourcePos p = at("a", 1, 1);
    ParseError e(p);
    const char* words[] = {"a", "b", "c", "d"};
    for (const char* w : words) e = mergeError(e, err(p, {expect(w)}));
    ParseError copy = e;
    e = mergeError(std::move(e), ParseError(p, Message{MsgKind::Expect, MsgText::owned("e")}));
    ParseError moved = copy;
    moved.merge(err(p, {expect("x"), expect("y"), expect("z")}));
    e.merge(std::move(moved));
    EXPECT_EQ(renderError(copy), "\"a\" (line 1, column 1):\nexpecting a, b, c or d");
    EXPECT_EQ(renderError(e), "\"a\" (line 1, column 1):\nexpecting a, b, c, d, e, x, y or z");
    ParseError owned(p);
    {
        ParseError tmp = err(p, {expect("a"), expect("b"), expect("c")});
        tmp.merge(ParseError(p, Message{MsgKind::UnExpect, MsgText::quotedOwned("w")}));
        owned = tmp;
    }
    EXPECT_EQ(renderError(owned), "\"a\" (line 1, column 1):\nunexpected \"w\"\nexpecting a, b or c");
}

// Pooling drops a message the error holds already; the first unexpected character stays
// the one shown, however the messages are spread between an error and its blocks.
TEST(Merge, RepeatedMessagesPoolOnce) {
    const SourcePos p = at("a", 1, 1);
    ParseError e = err(p, {expect("space"), sys(MsgText::quotedChar(U'c'))});
    for (int i = 0; i < 100; ++i) {
        e.merge(err(p, {expect("-"), sys(MsgText::quotedChar(U'c'))}));
        e.merge(err(p, {expect("\\n"), sys(MsgText::quotedChar(U'c')), expect("space")}));
    }
    e.merge(err(p, {sys(MsgText::empty())}));
    EXPECT_EQ(e.messages().size(), 5u);
    EXPECT_EQ(renderError(e), "\"a\" (line 1, column 1):\nunexpected \"c\"\nexpecting space, - or \\n");
}

// An error that ends with a ready-made set holds the same messages as one built a message
// at a time, and adding to it (the same messages again, or new ones) never changes the set
// or another error that holds it.
TEST(Merge, ReadyMadeSetsAreSharedUnchanged) {
    const SourcePos p = at("a", 1, 1);
    const MessageSet set{expect("-"), expect("\\n")};
    ParseError withSet(p, expect("space"), sys(MsgText::quotedChar(U'c')), set);
    ParseError other(p, expect("space"), sys(MsgText::empty()), set);
    const ParseError built = err(p, {expect("space"), sys(MsgText::quotedChar(U'c')), expect("-"), expect("\\n")});
    EXPECT_EQ(renderError(withSet), renderError(built));
    EXPECT_EQ(withSet.messages().size(), 4u);
    withSet.merge(err(p, {expect("-"), expect("x")}));
    EXPECT_EQ(renderError(withSet), "\"a\" (line 1, column 1):\nunexpected \"c\"\nexpecting space, -, \\n or x");
    EXPECT_EQ(renderError(other), "\"a\" (line 1, column 1):\nunexpected end of input\nexpecting space, - or \\n");
    // The first two alike: the set follows the one message they leave.
    ParseError same(p, expect("space"), expect("space"), set);
    EXPECT_EQ(renderError(same), "\"a\" (line 1, column 1):\nexpecting space, - or \\n");
}

TEST(Merge, LabelReplacesExpectationsAndGoesFirst) {
    ParseError e = err(at("a", 1, 1), {sys(MsgText::quotedChar(U'x')), expect("one"), expect("two")});
    EXPECT_EQ(renderError(setExpectErrors(e, MsgText::literal("word"))),
              "\"a\" (line 1, column 1):\nunexpected \"x\"\nexpecting word");
}

} // namespace
} // namespace zarnet
