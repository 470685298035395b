// The in-memory file system the layers above are tested with, and the include search on it.
#include "platform/IncludeSearch.h"

#include <gtest/gtest.h>

namespace zarnet {
namespace {

TEST(MemoryFileSystem, HoldsFilesByTheirExactPath) {
    MemoryFileSystem fs;
    fs.add("dir/a.sqc", "x\r\ny");
    EXPECT_TRUE(fs.isFile("dir/a.sqc"));
    EXPECT_FALSE(fs.isFile("dir"));
    EXPECT_FALSE(fs.isFile("DIR/a.sqc"));
    EXPECT_EQ(readTextFile(fs, "dir/a.sqc"), "x\ny");
    try {
        fs.readBytes("missing.sqc");
        FAIL() << "no error";
    } catch (const FileOpError& e) {
        EXPECT_EQ(e.describe(), "missing.sqc: openFile: does not exist (No such file or directory)");
    }
}

TEST(MemoryFileSystem, IncludeSearchTakesTheFirstDirectoryThatHoldsTheName) {
    MemoryFileSystem fs;
    fs.add("two/f.sqc", "2");
    fs.add("three/f.sqc", "3");
    auto dirs = PList<Text>::fromVector({"one", "two", "three"});
    SearchResult r = searchFile("f.sqc", dirs, fs);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, "two/f.sqc");
    EXPECT_FALSE(searchFile("g.sqc", dirs, fs).found);
    EXPECT_FALSE(searchFile("f.sqc", PList<Text>(), fs).found);
}

} // namespace
} // namespace zarnet

namespace zarnet {
namespace {

TEST(ReadTextFile, ByteOrderMarksSayHowTheFileIsEncoded) {
    struct Case {
        std::string bytes;
        const char* text; // UTF-8
    } cases[] = {
        {"\xEF\xBB\xBF" "a\r\nb", "a\nb"},
        {"\xEF\xBB\xBF" "caf\xE9", "caf\xC3\xA9"},             // not UTF-8 after the mark: Windows-1252
        {std::string("\xFF\xFE" "a\0\r\0\n\0\xE9\0", 10), "a\n\xC3\xA9"},
        {std::string("\xFE\xFF" "\0a\0\r\0\n\xD8\x3D\xDE\x00", 12), "a\n\xF0\x9F\x98\x80"},
        {std::string("\xFF\xFE" "\x00\xD8" "a", 5), "\xEF\xBF\xBD\xEF\xBF\xBD"}, // lone surrogate, odd byte
        {"a\r\r\nb\rc", "a\r\nb\rc"},
        {"\xEF\xBB", "\xC3\xAF\xC2\xBB"},
    };
    for (const Case& c : cases) {
        MemoryFileSystem fs;
        fs.add("f", c.bytes);
        EXPECT_EQ(readTextFile(fs, "f"), c.text);
    }
}

} // namespace
} // namespace zarnet
