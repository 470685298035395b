// Several runs in one process: each starts from nothing that an earlier run left behind.
#include "RunMain.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

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

// A report of several pieces goes to an output file whole, as to standard output; a second
// run into the same file replaces what the first wrote.
TEST(Runs, LargeReportIntoAnOutputFileIsTheWholeReport) {
    TempDir tmp;
    std::string program = "begin-program\n";
    for (int i = 0; i < 30000; ++i) program += "  let $variable_" + std::to_string(i) + " = 'x'\n";
    program += "end-program\n";
    TempDir::write("big.sqr", program);
    const RunOutcome toStdout = run({"big.sqr"});
    ASSERT_EQ(toStdout.code, 0) << toStdout.err;
    ASSERT_GT(toStdout.out.size(), std::size_t(2) << 20);
    TempDir::write("out.txt", std::string(10 << 20, 'z'));
    for (int round = 0; round < 2; ++round) {
        const RunOutcome toFile = run({"-O", "out.txt", "big.sqr"});
        ASSERT_EQ(toFile.code, 0) << toFile.err;
        EXPECT_EQ(toFile.out, "");
        EXPECT_TRUE(TempDir::read("out.txt") == toStdout.out);
    }
}

} // namespace
} // namespace zarnet::test
