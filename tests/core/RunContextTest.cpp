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
        EXPECT_EQ(toUtf8(v.view()), "kept");
    }
    EXPECT_EQ(Counter::alive, 0);
}

TEST(RunContext, RunParseKeepsItsRunWithTheResult) {
    auto r = runParse(char_(U'a'), initialState(), "x.sqr", "abc");
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.ownRun);
    EXPECT_EQ(toUtf8(r.finalState.rest()), "bc");
}

} // namespace
} // namespace zarnet
