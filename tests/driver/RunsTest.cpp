// Several runs in one process: each starts from nothing that an earlier run left behind.
#include "TempDir.h"
#include "TestSupport.h"
#include "driver/Driver.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

struct RunOutcome {
    int code = -1;
    std::string out, err;
    bool operator==(const RunOutcome&) const = default;
};

RunOutcome run(const std::vector<std::string>& args) {
    CapturedConsole c;
    RunOutcome r;
    r.code = runMain(args);
    r.out = c.out;
    r.err = c.err;
    return r;
}

TEST(Runs, EachRunOfAProcessStartsAfresh) {
    TempDir tmp;
    // A report over two files, one with an expression nested past the limit and one with
    // an expression nested deeply within it.
    TempDir::write("inc.sqc", "begin-procedure p\n  let $z = $w\nend-procedure\n");
    TempDir::write("a.sqr", "#include 'inc.sqc'\nbegin-program\n  let #x = #y + 1\n  do p\nend-program\n");
    TempDir::write("deep.sqr", "begin-program\n  let #x = " + std::string(250, '(') + "1\nend-program\n");
    TempDir::write("shallow.sqr", "begin-program\n  let #x = " + std::string(150, '(') + "#v" +
                                      std::string(150, ')') + "\nend-program\n");

    const RunOutcome a = run({"-R", "a.sqr"});
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_NE(a.out.find("a.sqr"), std::string::npos) << a.out;
    const RunOutcome deep = run({"deep.sqr"});
    const RunOutcome shallow = run({"shallow.sqr"});
    EXPECT_EQ(shallow.code, 0) << shallow.err;
    EXPECT_NE(shallow.out.find("#v\t(Global)\t is not defined.\t(shallow.sqr\tline 2)"), std::string::npos)
        << shallow.out;

    EXPECT_EQ(run({"deep.sqr"}), deep);
    EXPECT_EQ(run({"-R", "a.sqr"}), a);
    EXPECT_EQ(run({"shallow.sqr"}), shallow);
}

} // namespace
} // namespace zarnet::test
