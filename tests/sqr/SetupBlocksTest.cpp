#include "ProgramFixtures.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

std::string inSetup(const std::string& body) { return "BEGIN-SETUP\n" + body + "END-SETUP\n"; }

TEST(SetupBlocks, EveryKindOfBlockIsReadOver) {
    for (const char* kw : {"DECLARE-CHART", "declare-color-map", "Declare-Connection", "DECLARE-IMAGE", "DECLARE-LAYOUT",
                           "DECLARE-PRINTER", "DECLARE-PROCEDURE", "DECLARE-REPORT", "DECLARE-TOC"}) {
        auto r = runProgram(inSetup(std::string(kw) + " x\n  title = $title\n  END-DECLARE\n"));
        ASSERT_TRUE(r.ok) << kw << "\n" << r.error;
        EXPECT_EQ(usesOf(r.st, "$TITLE"), 1) << kw;
    }
    // No line between the opening and the closing line.
    EXPECT_TRUE(runProgram(inSetup("DECLARE-LAYOUT\nend-declare\n")).ok);
    // Paragraph lines inside a block.
    auto para = runProgram(inSetup("DECLARE-REPORT r\nBEGIN-SELECT\n$a\nEND-SELECT\nEND-DECLARE\n"));
    ASSERT_TRUE(para.ok) << para.error;
    EXPECT_EQ(usesOf(para.st, "$A"), 1);
}

TEST(SetupBlocks, WhatIsNoBlock) {
    // No word end after the keyword: a statement line, and END-DECLARE is then refused.
    auto x = runProgram(inSetup("DECLARE-LAYOUTX\n  END-DECLARE\n"));
    EXPECT_EQ(x.error, "\"test.sqr\" (line 4, column 1):\n(SQR 4702)ff Line found outside paragraph.");
    // A block without END-DECLARE reads on to END-SETUP, which it refuses.
    auto open = runProgram(inSetup("DECLARE-LAYOUT x\n  left-margin = 1\n"));
    EXPECT_FALSE(open.ok);
    EXPECT_NE(open.error.find("(SQR 4702)ff"), std::string::npos);
    // Outside SETUP the block's lines are statements and its END-DECLARE is refused.
    auto program = runProgram("BEGIN-PROGRAM\nDECLARE-LAYOUT x\nEND-DECLARE\nEND-PROGRAM\n");
    EXPECT_EQ(program.error, "\"test.sqr\" (line 4, column 1):\n(SQR 4702)ff Line found outside paragraph.");
}

} // namespace
} // namespace zarnet::test
