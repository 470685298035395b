// Whole runs at the extremes of their inputs: each ends with a clear error or the correct
// result. (The costly ones, a 100 MB line or a million #defines, are timed by
// bench/extremes.sh instead.)
#include "RunMain.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zarnet::test {
namespace {

TEST(Extremes, SearchListOf100000Entries) {
    TempDir tmp;
    TempDir::write("last/inc.sqc", "found\n");
    TempDir::write("main.sqr", "#include 'inc.sqc'\n");
    std::string list;
    for (int i = 0; i < 100000; ++i) list += "d" + std::to_string(i) + ";";
    RunOutcome r = run({"-E", "-I", list + "last", "main.sqr"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\nfound\n\n");
}

TEST(Extremes, OptionArgumentsOfAMegabyte) {
    TempDir tmp;
    TempDir::write("main.sqr", "#include 'inc.sqc'\nbegin-program\nshow 1\nend-program\n");
    const std::string mb(1 << 20, 'a');

    // A search directory: no file is found under it.
    RunOutcome i = run({"-E", "-I", mb, "main.sqr"});
    EXPECT_EQ(i.code, 0) << i.err;
    EXPECT_NE(i.out.find("Cannot open the #INCLUDE file: 'inc.sqc'"), std::string::npos);

    // A name the system refuses: the run ends with the error line.
    RunOutcome o = run({"-E", "-O", mb, "main.sqr"});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "zarnet: " + mb + ": openFile: invalid argument (File name too long)\n");
    RunOutcome p = run({"-P", mb, "main.sqr"});
    EXPECT_EQ(p.code, 1);
    EXPECT_EQ(p.err, "zarnet: " + mb + ": openFile: invalid argument (File name too long)\n");
    RunOutcome in = run({"-E", mb});
    EXPECT_EQ(in.code, 1);
    EXPECT_EQ(in.err, "zarnet: " + mb + ": openFile: invalid argument (File name too long)\n");

    // A file-name filter: compiled and matched without trouble.
    RunOutcome rf = run({"-R" + mb, "main.sqr"});
    EXPECT_EQ(rf.code, 0) << rf.err;
    RunOutcome star = run({"-R" + std::string(1 << 20, '*') + "x", "main.sqr"});
    EXPECT_EQ(star.code, 0) << star.err;
}

TEST(Extremes, PipeAsInputFile) {
    TempDir tmp;
    ASSERT_EQ(::mkfifo("prog.sqr", 0600), 0);
    std::thread writer([] {
        int fd = ::open("prog.sqr", O_WRONLY);
        if (fd < 0) return;
        const char text[] = "show 1\n";
        [[maybe_unused]] ssize_t n = ::write(fd, text, sizeof text - 1);
        ::close(fd);
    });
    RunOutcome r = run({"-E", "prog.sqr"});
    writer.join();
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "show 1\n\n");
}

TEST(Extremes, ReadOnlyFolderAsOutput) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir tmp;
    TempDir::write("main.sqr", "show 1\n");
    TempDir::write("ro/x", "");
    ASSERT_EQ(::chmod("ro", 0555), 0);
    RunOutcome r = run({"-E", "-O", "ro/out.txt", "main.sqr"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zarnet: ro/out.txt: openFile: permission denied (Permission denied)\n");
}

TEST(Extremes, AMillionReferencesOnOneLine) {
    TempDir tmp;
    std::string line;
    for (int i = 0; i < 1000000; ++i) line += "{x}";
    TempDir::write("main.sqr", "#define x ab\n" + line + "\n");
    RunOutcome r = run({"-E", "main.sqr"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::string want = "\n";
    for (int i = 0; i < 1000000; ++i) want += "ab";
    EXPECT_EQ(r.out, want + "\n\n");
}

} // namespace
} // namespace zarnet::test
