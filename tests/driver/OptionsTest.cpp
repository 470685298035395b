#include "TempDir.h"
#include "TestSupport.h"
#include "platform/FileSystem.h"
#include "driver/Options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace zarnet::test {
namespace {

std::vector<Text> words(std::initializer_list<const char*> ws) {
    std::vector<Text> v;
    for (auto w : ws) v.push_back(T(w));
    return v;
}

// A compact picture of what a command line sets: the fields that differ from the
// defaults, then the file arguments.
std::string summary(std::initializer_list<const char*> ws) {
    CommandLine cl = readCommandLine(words(ws));
    Options o = applyOptionActions(defaultOptions(), cl.options);
    std::string s;
    std::string paths;
    for (const Text& p : o.optSearchPaths) paths += (paths.empty() ? "" : ",") + U8(p);
    if (paths != ".") s += "I=[" + paths + "] ";
    if (o.optOnlyPreprocess) s += "E ";
    if (o.optRecursiveCheck) s += "R ";
    if (o.optFileFilter != defaultOptions().optFileFilter) s += "filter ";
    if (o.optExceptCheckParam) s += "U ";
    if (o.optOutputFormatList) s += "L ";
    if (o.optVarFilePath) s += "P=" + U8(*o.optVarFilePath) + " ";
    if (o.optSuppressOutput) s += "! ";
    s += "files=[";
    for (std::size_t i = 0; i < cl.files.size(); ++i) s += (i ? "," : "") + U8(cl.files[i]);
    return s + "]";
}

TEST(CommandLine, SortsWordsIntoOptionsAndFiles) {
    struct Case { std::initializer_list<const char*> args; const char* expected; };
    const Case cases[] = {
        {{}, "files=[]"},
        {{"main.sqr"}, "files=[main.sqr]"},
        {{"-Ia;;b;"}, "I=[a,b] files=[]"},
        {{"-Ia", "-Ib"}, "I=[b] files=[]"},
        {{"-I", ""}, "I=[] files=[]"},
        {{"-i", " x ;\"y\""}, "I=[ x ,\"y\"] files=[]"},
        {{"-Ic:\\sqr", "f"}, "I=[c:\\sqr] files=[f]"},
        {{"-e", "-r", "-u", "-l", "-pvars.txt", "-!"}, "E R U L P=vars.txt ! files=[]"},
        {{"-UL"}, "U L files=[]"},
        {{"-U", "-L"}, "U L files=[]"},
        {{"-ULE!"}, "E U L ! files=[]"},
        {{"-R", "x"}, "R files=[x]"},
        {{"-Rinc*"}, "R filter files=[]"},
        {{"-Rinc*", "-R"}, "R filter files=[]"},
        {{"-P"}, "files=[]"},                     // required argument missing: dropped
        {{"-P", "-E"}, "P=-E files=[]"},          // the next word whatever it looks like
        {{"--", "-E"}, "files=[-E]"},
        {{"-", "a", "b"}, "files=[-,a,b]"},
        {{"f", "-E"}, "E files=[f]"},
        {{"-V", "-x", "--long=-E", "--E"}, "files=[]"},
        {{"-xU"}, "U files=[]"},                  // an unknown letter, then the rest of the word
        {{"-U-L"}, "U files=[]"},                 // the rest "-L" reads as the long option --L
        {{"-U-", "-E", "f"}, "U files=[-E,f]"},   // the rest "-" makes the word "--"
        {{"-Px", "-Py"}, "P=y files=[]"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (auto a : c.args) joined += std::string(a) + " ";
        EXPECT_EQ(summary(c.args), c.expected) << joined;
    }
}

TEST(CommandLine, FilterOfROptionMatchesNames) {
    CommandLine cl = readCommandLine(words({"-Rinc*"}));
    Options o = applyOptionActions(defaultOptions(), cl.options);
    EXPECT_TRUE((*o.optFileFilter)(T("INCLUDE1.SQC")));
    EXPECT_FALSE((*o.optFileFilter)(T("main.sqr")));
    EXPECT_TRUE((*defaultOptions().optFileFilter)(T("")));
}

TEST(CommandLine, VersionAndUsageEndTheRunInOrder) {
    CapturedConsole con;
    auto apply = [](std::initializer_list<const char*> ws) {
        try {
            applyOptionActions(defaultOptions(), readCommandLine(words(ws)).options);
        } catch (const ExitRequest& e) {
            return e.code;
        }
        return -1;
    };
    EXPECT_EQ(apply({"-v", "-h"}), 0);
    EXPECT_EQ(con.err, "zarnet version 1.06\n");
    EXPECT_EQ(con.out, "");
    EXPECT_EQ(apply({"-H", "-v"}), 0);
    EXPECT_EQ(con.err, "zarnet version 1.06\n");
    EXPECT_EQ(con.out, usageText());
    EXPECT_EQ(apply({"-V"}), -1);
}

TEST(OutputOption, OpensWithoutEmptyingAndKeepsTheLastFile) {
    TempDir tmp;
    TempDir::write("keep.sqr", "begin-program\n");
    CommandLine cl = readCommandLine(words({"-O", "keep.sqr", "-Onew.txt"}));
    Options o = applyOptionActions(defaultOptions(), cl.options);
    EXPECT_EQ(TempDir::read("keep.sqr"), "begin-program\n");
    EXPECT_TRUE(fileExists(T("new.txt")));
    ASSERT_TRUE(o.optOutputHandle);
    EXPECT_EQ(U8(o.optOutputHandle->path()), "new.txt");
    EXPECT_TRUE(o.optOutputHandle->sameFileAs(T("./NEW.TXT")));
    EXPECT_FALSE(o.optOutputHandle->sameFileAs(T("keep.sqr")));
    o.optOutputHandle->replaceContents("report\n");
    o.optOutputHandle->close();
    EXPECT_EQ(TempDir::read("new.txt"), "report\n");
}

TEST(OutputOption, PathIsCreatedAsWrittenNotLookedUpWithoutRegardToCase) {
    TempDir tmp;
    TempDir::write("keep.txt", "precious\n");
    OutputFile out(T("Keep.TXT"));
    EXPECT_TRUE(out.created());
    out.replaceContents("report\n");
    out.close();
    EXPECT_EQ(TempDir::read("keep.txt"), "precious\n");
    EXPECT_EQ(TempDir::read("Keep.TXT"), "report\n");
}

TEST(OutputOption, DiscardRemovesOnlyAnUnwrittenFileItCreated) {
    TempDir tmp;
    TempDir::write("old.txt", "precious\n");
    {
        OutputFile existing(T("old.txt"));
        EXPECT_FALSE(existing.created());
        existing.discardUnwritten();
        EXPECT_EQ(TempDir::read("old.txt"), "precious\n");
    }
    {
        OutputFile fresh(T("new.txt"));
        EXPECT_TRUE(fresh.created());
        fresh.close();
        fresh.discardUnwritten();
        EXPECT_FALSE(std::filesystem::exists("new.txt"));
    }
    {
        OutputFile written(T("result.txt"));
        written.replaceContents("x");
        written.discardUnwritten();
        EXPECT_EQ(TempDir::read("result.txt"), "x");
    }
    {
        // Another file put in place of the created one is not the run's to remove.
        OutputFile replaced(T("moved.txt"));
        ASSERT_EQ(std::rename("old.txt", "moved.txt"), 0);
        replaced.discardUnwritten();
        EXPECT_EQ(TempDir::read("moved.txt"), "precious\n");
    }
}

TEST(OutputOption, EveryOpenedFileIsRecordedWhereTheRunAsks) {
    TempDir tmp;
    Options start = defaultOptions();
    start.openedOutputs = std::make_shared<OutputFiles>();
    Options o = applyOptionActions(start, readCommandLine(words({"-O", "a.txt", "-Ob.txt"})).options);
    ASSERT_EQ(start.openedOutputs->size(), 2u);
    EXPECT_EQ(U8((*start.openedOutputs)[0]->path()), "a.txt");
    EXPECT_EQ((*start.openedOutputs)[1], o.optOutputHandle);
}

TEST(OutputOption, FileThatCannotBeCreatedFails) {
    TempDir tmp;
    TempDir::write("d/x", "");
    auto error = [](const char* path) {
        try {
            applyOptionActions(defaultOptions(), readCommandLine(words({"-O", path})).options);
        } catch (const FileOpError& e) {
            return e.describe();
        }
        return std::string("no failure");
    };
    EXPECT_EQ(error("missing/out.txt"), "missing/out.txt: openFile: does not exist (No such file or directory)");
    EXPECT_EQ(error("d"), "d: openFile: inappropriate type (is a directory)");
}

TEST(Usage, RowsLineUpAfterTheLetterColumn) {
    setProgramName("/usr/local/bin/zarnet.exe");
    std::string u = usageText();
    setProgramName("zarnet");
    EXPECT_NE(u.find("\n\tzarnet.exe {filepath | [Options]}\n\nOptions\n"), std::string::npos);
    std::size_t begin = u.find("Options\n") + 8, end = u.find("\n\n(example)\n");
    ASSERT_NE(end, std::string::npos);
    int rows = 0;
    for (std::size_t p = begin; p <= end; p = u.find('\n', p) + 1, ++rows) {
        std::string row = u.substr(p, u.find('\n', p) - p);
        ASSERT_GE(row.size(), 32u) << row;
        EXPECT_EQ(row.substr(0, 2), "  ");
        EXPECT_EQ(row.substr(28, 4), "    ") << row;
    }
    EXPECT_EQ(rows, 33);
}

} // namespace
} // namespace zarnet::test
