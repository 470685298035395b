// The machine's file system as the include search sees it: only regular files are
// include files, and a run keeps the directory listings it read.
#include "driver/TempDir.h"
#include "platform/IncludeSearch.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

namespace zarnet {
namespace {

using test::TempDir;

Text T(const char* s) { return decodeBytes(s); }

TEST(DiskFileSystem, OnlyRegularFilesAreIncludeFiles) {
    TempDir tmp;
    TempDir::write("plain.sqc", "x");
    TempDir::write("dir/x", "");
    ASSERT_EQ(::mkfifo("fifo.sqc", 0600), 0);
    const DiskFileSystem fs(true);
    EXPECT_TRUE(fs.isFile(T("plain.sqc")));
    EXPECT_TRUE(fs.isFile(T("PLAIN.SQC")));
    for (const char* path : {"fifo.sqc", "/dev/zero", "/dev/null", "dir", "missing.sqc"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(fs.isFile(T(path)));
        // Reading one anyway neither waits on the pipe nor reads the device without end.
        EXPECT_THROW(fs.readBytes(T(path)), FileOpError);
    }
    EXPECT_FALSE(searchFile(T("/dev/zero"), PList<Text>().push(T(".")), fs).found);
    // The input file of a run may still be a pipe or a device.
    EXPECT_TRUE(fileExists(T("/dev/null")));
    EXPECT_EQ(readFileBytes(T("/dev/null")), "");
}

TEST(DiskFileSystem, OnlyAReadOfTheWholeSizeCanBeRepeated) {
    TempDir tmp;
    TempDir::write("inc.sqc", "x\n");
    TempDir::write("empty.sqc", "");
    const DiskFileSystem fs(true);
    const FileBytes plain = fs.readFile(T("inc.sqc"));
    EXPECT_EQ(plain.bytes, "x\n");
    EXPECT_TRUE(plain.repeatable);
    EXPECT_FALSE(fs.readFile(T("empty.sqc")).repeatable);
    // A file the system makes as it is read gives no size: it may read differently later.
    if (fs.isFile(T("/proc/self/status"))) {
        const FileBytes made = fs.readFile(T("/proc/self/status"));
        EXPECT_FALSE(made.bytes.empty());
        EXPECT_FALSE(made.repeatable);
    }
}

TEST(DiskFileSystem, KeptListingsGiveTheSameAnswersAsFreshLookups) {
    TempDir tmp;
    for (const char* f : {"Common/SetEnv.SQC", "Common/setenv.sqc.bak", "abc.sqc", "ABC.sqc", "Abc.sqc", "sub/Deep/x.sqh"})
        TempDir::write(f, f);
    const DiskFileSystem kept(true);
    for (const char* name : {"common/SETENV.sqc", "COMMON/setenv.sqc.BAK", "aBC.SQC", "SUB/deep/X.SQH", "nowhere/x.sqc",
                             "common/missing", "abc.sqc/x"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(kept.isFile(T(name)), diskFileSystem().isFile(T(name)));
        if (kept.isFile(T(name))) {
            EXPECT_EQ(kept.readBytes(T(name)), diskFileSystem().readBytes(T(name)));
        }
    }
    // The first match in byte order, as without kept listings.
    EXPECT_EQ(kept.readBytes(T("ABC.SQC")), "ABC.sqc");
}

TEST(DiskFileSystem, ARunListsEachDirectoryOnce) {
    TempDir tmp;
    TempDir::write("Common/SetEnv.SQC", "x");
    const DiskFileSystem kept(true);
    EXPECT_TRUE(kept.isFile(T("common/setenv.sqc")));
    // Files that appear later under another case are not in the kept listings: the
    // directories were read once, for the whole run.
    TempDir::write("Common/Later.SQC", "y");
    EXPECT_FALSE(kept.isFile(T("common/later.sqc")));
    EXPECT_TRUE(kept.isFile(T("Common/Later.SQC"))); // as written it is still found
    EXPECT_TRUE(DiskFileSystem(true).isFile(T("common/later.sqc")));
}

} // namespace
} // namespace zarnet
