#include "TempDir.h"
#include "TestSupport.h"
#include "platform/FileSystem.h"
#include "driver/SqrFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace zarnet::test {
namespace {

PList<Text> dirs(std::initializer_list<const char*> ds) {
    std::vector<Text> v;
    for (auto d : ds) v.push_back(T(d));
    return PList<Text>::fromVector(v);
}

TEST(JoinPath, FollowsTheJoinRules) {
    struct Case { const char* dir; const char* name; const char* joined; };
    const Case cases[] = {
        {".", "x.sqc", "./x.sqc"},
        {"inc/", "x.sqc", "inc/x.sqc"},
        {"inc\\", "x.sqc", "inc\\x.sqc"},
        {"inc", "/abs/x.sqc", "/abs/x.sqc"},
        {"inc", "\\abs\\x.sqc", "\\abs\\x.sqc"},
        {"", "x.sqc", "x.sqc"},
        {"inc", "", "inc"},
        {"a b", "sub\\x.sqc", "a b/sub\\x.sqc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(joinPath(T(c.dir), T(c.name))), c.joined) << c.dir << " + " << c.name;
}

TEST(FileNamePart, DropsEverythingUpToTheLastSeparator) {
    EXPECT_EQ(U8(fileNamePart(T("dir/sub\\x.sqr"))), "x.sqr");
    EXPECT_EQ(U8(fileNamePart(T("x.sqr"))), "x.sqr");
    EXPECT_EQ(U8(fileNamePart(T("dir/"))), "");
    EXPECT_EQ(U8(fileNamePart(T("c:x.sqr"))), "c:x.sqr");
}

TEST(SearchFile, TriesTheDirectoriesInOrder) {
    TempDir tmp;
    TempDir::write("x.sqc", "");
    TempDir::write("a/y.sqc", "a");
    TempDir::write("b/y.sqc", "b");
    TempDir::write("plain", "");
    TempDir::write("s/x.sqc/inner", "");

    auto r = searchFile(T("x.sqc"), dirs({"."}));
    EXPECT_TRUE(r.found);
    EXPECT_EQ(U8(r.path), "./x.sqc");

    r = searchFile(T("y.sqc"), dirs({"missing", "plain", "a", "b"}));
    EXPECT_TRUE(r.found);
    EXPECT_EQ(U8(r.path), "a/y.sqc");

    // A directory of the wanted name is no hit.
    r = searchFile(T("x.sqc"), dirs({"s"}));
    EXPECT_FALSE(r.found);
    EXPECT_EQ(U8(r.path), "");

    // The name alone is never tried, not even an absolute one.
    Text abs = T((tmp.root() / "x.sqc").string());
    EXPECT_FALSE(searchFile(abs, PList<Text>()).found);
    r = searchFile(abs, dirs({"missing"}));
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, abs);
}

TEST(SearchFile, FindsWindowsNamesWithoutRegardToCase) {
    TempDir tmp;
    TempDir::write("Common/SetEnv.SQC", "x");
    auto r = searchFile(T("common\\setenv.sqc"), dirs({"."}));
    EXPECT_TRUE(r.found);
    EXPECT_EQ(U8(r.path), "./common\\setenv.sqc"); // as built, not as found
    EXPECT_EQ(U8(readTextFile(r.path)), "x");
    EXPECT_FALSE(searchFile(T("common\\other.sqc"), dirs({"."})).found);
}

TEST(ResolvePath, PrefersTheExactNameThenTheFirstInByteOrder) {
    TempDir tmp;
    TempDir::write("abc.sqc", "lower");
    TempDir::write("ABC.sqc", "upper");
    TempDir::write("Abc.sqc", "mixed");
    EXPECT_EQ(toNativePath(T("abc.sqc")), "abc.sqc");
    EXPECT_EQ(toNativePath(T("aBC.SQC")), "ABC.sqc");
}

TEST(InputLookup, NameThenSqrThenAlongTheDirectories) {
    TempDir tmp;
    TempDir::write("a.sqr.sqr", "");
    TempDir::write("prog/x", ""); // a directory named like the input is no hit
    TempDir::write("prog.sqr/x", "");
    TempDir::write("d1/prog", "");
    TempDir::write("d2/prog.sqr", "");
    TempDir::write("d2/only.sqr", "");

    EXPECT_EQ(U8(probeSqrFile(T("a.sqr")).path), "a.sqr.sqr");
    EXPECT_FALSE(probeSqrFile(T("prog")).found);
    EXPECT_EQ(U8(resolveInputPath(T("prog"), dirs({"d2", "d1"}))), "d2/prog.sqr");
    EXPECT_EQ(U8(resolveInputPath(T("prog"), dirs({"d1", "d2"}))), "d1/prog");
    EXPECT_EQ(U8(resolveInputPath(T("only"), dirs({"nowhere", "d2/"}))), "d2/only.sqr");
    EXPECT_EQ(U8(resolveInputPath(T("only"), dirs({}))), "only");
    EXPECT_EQ(U8(resolveInputPath(T("none"), dirs({"."}))), "none");
}

TEST(ReadTextFile, DecodesInTextMode) {
    TempDir tmp;
    TempDir::write("crlf.sqr", "a\r\nb\rc\n");
    TempDir::write("latin.sqr", "caf\xe9\x80");
    TempDir::write("utf8.sqr", "caf\xc3\xa9");
    EXPECT_EQ(U8(readTextFile(T("crlf.sqr"))), "a\nb\rc\n");
    EXPECT_EQ(U8(readTextFile(T("latin.sqr"))), "caf\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(U8(readTextFile(T("utf8.sqr"))), "caf\xc3\xa9");
}

TEST(ReadTextFile, FailuresNameThePathOperationAndKind) {
    TempDir tmp;
    TempDir::write("dir/x", "");
    auto message = [](const char* path) {
        try {
            readTextFile(T(path));
        } catch (const FileOpError& e) {
            return e.describe();
        }
        return std::string("no failure");
    };
    EXPECT_EQ(message("nope.sqr"), "nope.sqr: openFile: does not exist (No such file or directory)");
    EXPECT_EQ(message("dir"), "dir: openFile: inappropriate type (is a directory)");
    if (::geteuid() != 0) {
        TempDir::write("secret.sqr", "x");
        ASSERT_EQ(::chmod("secret.sqr", 0), 0);
        EXPECT_EQ(message("secret.sqr"), "secret.sqr: openFile: permission denied (Permission denied)");
    }
    EXPECT_FALSE(fileExists(T("dir")));
    EXPECT_FALSE(fileExists(T("")));
    EXPECT_TRUE(fileExists(T("DIR/X")));
}

TEST(FileSystem, NameHoldingNulReachesNoFile) {
    // The system would read the name only up to the NUL: "a\0b" must not find "a".
    TempDir tmp;
    TempDir::write("a", "x");
    Text name = T("a") + '\0' + T("b");
    EXPECT_FALSE(fileExists(name));
    EXPECT_FALSE(searchFile(name, dirs({"."})).found);
    EXPECT_FALSE(probeSqrFile(name).found);
    try {
        readTextFile(name);
        ADD_FAILURE() << "read a file for a name holding NUL";
    } catch (const FileOpError& e) {
        EXPECT_EQ(e.operation(), "openFile");
        EXPECT_EQ(e.errnum(), EINVAL);
    }
}

TEST(MatchFileName, WholeNameAgainstWildcards) {
    struct Case { const char* pattern; const char* name; bool match; };
    const Case cases[] = {
        {"inc*", "INCLUDE1.SQC", true},
        {"inc*", "inc", true},
        {"*", "", true},
        {"*", "anything.at.all", true},
        {"*.sqc", "a.b.SQC", true},
        {"a*b*c", "aXbYbZc", true},
        {"*a", "bab", false},
        {"*a", "aba", true},
        {"a?c", "a.c", false},
        {"a?c", "aXc", true},
        {"a*c", "a.c", true},
        {"?.sqc", ".sqc", false},
        {"x.sqc", "X.SQC", true},
        {"x.sqc", "x.sqc.bak", false},
        {"x.sqc", "y\\x.sqc", false},
        {"", "", true},
        {"", "a", false},
        {"[a]", "[A]", true},
        {"a\\b", "a\\b", true},
        {"tr*", "tr", true},
        {"*x*", "abc", false},
        {"\xc3\xa9*", "\xc3\x89T\xc3\x89", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchFileName(T(c.pattern), T(c.name)), c.match) << c.pattern << " ~ " << c.name;
}

TEST(MatchFileName, LongPatternsAndNamesNeedNoDeepRecursion) {
    Text as(200000, U'a');
    EXPECT_TRUE(matchFileName(as, as));
    EXPECT_TRUE(matchFileName("*" + as + "*", "b" + as));
    EXPECT_FALSE(matchFileName(as + "?", as));
    Text stars(100000, U'*');
    EXPECT_TRUE(matchFileName(stars + "x", "abcx"));
}

TEST(PatternToParser, ConsumesTheWholeNameOnAMatch) {
    auto r = runOn(patternToParser(T("a*")), "aXY.z");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.rest, "");
    auto f = runOn(patternToParser(T("a*b")), "aXY.z");
    EXPECT_FALSE(f.ok);
    EXPECT_FALSE(f.consumed);
    EXPECT_EQ(f.rest, "aXY.z");
}

} // namespace
} // namespace zarnet::test
