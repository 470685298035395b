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

// A run that leaves what it built to the process's exit gives what a run that frees it
// gives; each such run takes back what the one before it left (the sanitizer run checks
// that it is freed once, and that nothing is lost).
TEST(Runs, RunsLeftToTheExitGiveWhatFreedRunsGive) {
    TempDir tmp;
    TempDir::write("inc.sqc", "begin-procedure p($a)\n  let $z = $w || $a\nend-procedure\n");
    TempDir::write("a.sqr", "#include 'inc.sqc'\nbegin-program\n  let #x = #y + 1\n  do p($q)\nend-program\n");
    TempDir::write("bad.sqr", "begin-program\n  let #x = (1\nend-program\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-R", "a.sqr"}, {"-E", "a.sqr"}, {"bad.sqr"}, {"-L", "a.sqr"}}) {
        const RunOutcome freed = run(args);
        EXPECT_EQ(run(args, {}, RunEnd::LeaveToExit), freed);
        EXPECT_EQ(run(args, {}, RunEnd::LeaveToExit), freed);
    }
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

// The second pass gives back the memory of the text it has read, section by section: a
// program of some megabytes, with an included file in its middle, is read and reported
// whole, and an error at its very end (past every part given back) is shown as it stands.
TEST(Runs, ProgramOfManySectionsIsReadWhole) {
    TempDir tmp;
    const int procedures = 6000;
    std::string program = "begin-program\n  do p-1\nend-program\n";
    std::int64_t line = 4;
    std::string expected;
    for (int i = 1; i <= procedures; ++i) {
        const std::string n = std::to_string(i);
        if (i == procedures / 2) {
            program += "#include 'inc.sqc'\n";
            ++line;
        }
        program += "begin-procedure p-" + n + "\n  let $first_" + n + " = $last || 'some text to make it longer'\n" +
                   "  show #count_" + n + " '" + std::string(200, '.') + "'\nend-procedure\n";
        if (i == 1 || i == procedures) {
            expected += "Error:\t$first_" + n + "\t(Global)\t is not defined.\t(big.sqr\tline " +
                        std::to_string(line + 1) + ")\n";
        }
        line += 4;
    }
    TempDir::write("inc.sqc", "begin-procedure included\n  show $from_include\nend-procedure\n");
    TempDir::write("big.sqr", program);
    ASSERT_GT(program.size(), std::size_t(1) << 20);

    const RunOutcome report = run({"big.sqr"});
    ASSERT_EQ(report.code, 0) << report.err;
    std::size_t lines = 0;
    for (char c : report.out) lines += c == '\n';
    EXPECT_EQ(lines, std::size_t(procedures) * 4 + 1 + 1); // per procedure four, $last one, the end
    std::size_t at = 0;
    for (std::size_t end; (end = expected.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string one = expected.substr(at, end + 1 - at);
        EXPECT_NE(report.out.find(one), std::string::npos) << one;
    }
    EXPECT_EQ(report.out.find("from_include"), std::string::npos);
    const RunOutcome included = run({"-R", "big.sqr"});
    EXPECT_NE(included.out.find("Error:\t$from_include\t(Global)\t is not defined.\t(inc.sqc\tline 2)\n"),
              std::string::npos);

    TempDir::write("bad.sqr", program + "end-procedure\n");
    const RunOutcome bad = run({"bad.sqr"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.out.substr(0, bad.out.find('\n')), "\"bad.sqr\" (line " + std::to_string(line) + ", column 1):");
}

} // namespace
} // namespace zarnet::test
