// The in-memory file system the layers above are tested with, and the include search on it.
#include "platform/IncludeSearch.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

TEST(MemoryFileSystem, HoldsFilesByTheirExactPath) {
    MemoryFileSystem fs;
    fs.add(U"dir/a.sqc", "x\r\ny");
    EXPECT_TRUE(fs.isFile(U"dir/a.sqc"));
    EXPECT_FALSE(fs.isFile(U"dir"));
    EXPECT_FALSE(fs.isFile(U"DIR/a.sqc"));
    EXPECT_EQ(toUtf8(readTextFile(fs, U"dir/a.sqc")), "x\ny");
    try {
        fs.readBytes(U"missing.sqc");
        FAIL() << "no error";
    } catch (const FileOpError& e) {
        EXPECT_EQ(e.describe(), "missing.sqc: openFile: does not exist (No such file or directory)");
    }
}

TEST(MemoryFileSystem, IncludeSearchTakesTheFirstDirectoryThatHoldsTheName) {
    MemoryFileSystem fs;
    fs.add(U"two/f.sqc", "2");
    fs.add(U"three/f.sqc", "3");
    auto dirs = PList<Text>::fromVector({U"one", U"two", U"three"});
    SearchResult r = searchFile(U"f.sqc", dirs, fs);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(toUtf8(r.path), "two/f.sqc");
    EXPECT_FALSE(searchFile(U"g.sqc", dirs, fs).found);
    EXPECT_FALSE(searchFile(U"f.sqc", PList<Text>(), fs).found);
}

} // namespace
} // namespace zarnet
