// The run context: each run has its own parts and texts, freed with the run.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

struct Counter : RunPart {
    int n = 0;
    static inline int alive = 0;
    Counter() { ++alive; }
    ~Counter() override { --alive; }
};

TEST(RunContext, PartsBelongToOneRunAndGoWithIt) {
    {
        RunContext a, b;
        a.part<Counter>().n = 5;
        EXPECT_EQ(a.part<Counter>().n, 5);
        EXPECT_EQ(b.part<Counter>().n, 0);
        EXPECT_EQ(Counter::alive, 2);
        const InputView v = a.keep("kept");
        EXPECT_EQ(v.view(), "kept");
    }
    EXPECT_EQ(Counter::alive, 0);
}

TEST(RunContext, SourceNamesAreTheRunsOwnCopies) {
    RunContext a, b;
    SourceName x = a.sourceName(Text("x.sqr")); // the text it was made from is gone
    EXPECT_EQ(x.text(), "x.sqr");
    // One copy per name in a run: equal names are one pointer.
    EXPECT_EQ(&a.sourceName("x.sqr").text(), &x.text());
    const SourceName y = a.sourceName("y.sqr");
    EXPECT_FALSE(x == y);
    EXPECT_LT(compare(x, y), 0);
    EXPECT_TRUE(a.sourceName("").empty());
    EXPECT_EQ(a.sourceName(""), SourceName());

    // Names of different runs are equal by their text.
    const SourceName bx = b.sourceName("x.sqr");
    EXPECT_NE(&bx.text(), &x.text());
    EXPECT_EQ(bx, x);
    EXPECT_EQ(compare(bx, x), 0);
    EXPECT_FALSE(bx == y);
    EXPECT_EQ((SourcePos{bx, 3, 4}), (SourcePos{x, 3, 4}));
    EXPECT_GT(compare(SourcePos{y, 1, 1}, SourcePos{bx, 9, 9}), 0);
}

TEST(RunContext, RunParseKeepsItsRunWithTheResult) {
    auto r = runParse(char_(U'a'), initialState(), "x.sqr", "abc");
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.ownRun);
    EXPECT_EQ(r.finalState.rest(), "bc");
}

} // namespace
} // namespace zarnet
