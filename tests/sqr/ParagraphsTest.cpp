#include "ProgramFixtures.h"

#include "sqr/Lexical.h"
#include "sqr/Reserved.h"

#include <iterator>
#include <random>

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

Reply<Unit> anyParagraph(State& s) { return pAnyParagraph(s, nullptr); }

std::string inProc(const std::string& body) { return "BEGIN-PROCEDURE p local\n" + body + "END-PROCEDURE\n"; }

TEST(Paragraphs, BodyLinesRecordTheirVariables) {
    auto r = runProgram(inProc("begin-SELECT\n  $item_no\n  from items\n  where region = $region\nEnd-Select\n"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$ITEM_NO", "P"), 1);
    EXPECT_EQ(usesOf(r.st, "$REGION", "P"), 1);
}

TEST(Paragraphs, WhatOpensAndWhatClosesAParagraph) {
    auto o = runOn(anyParagraph, "BEGIN-SELECT DISTINCT $a\nEND-SELECT\nx");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.rest, "x");
    EXPECT_TRUE(runOn(anyParagraph, "BEGIN-SQL\nEND-SQL").ok);
    // In a BEGIN-SQL paragraph END-SELECT is a body line.
    auto sql = runOn(anyParagraph, "BEGIN-SQL\nEND-SELECT\nEND-SQL\nx");
    ASSERT_TRUE(sql.ok) << sql.error;
    EXPECT_EQ(sql.rest, "x");
    // Paragraphs do not nest: the first END-SELECT closes the outer one.
    auto nested = runOn(anyParagraph, "BEGIN-SELECT\nBEGIN-SELECT\nEND-SELECT\nEND-SELECT\n");
    ASSERT_TRUE(nested.ok);
    EXPECT_EQ(nested.rest, "END-SELECT\n");
    for (const char* notOne : {"BEGIN-SELECTION\nEND-SELECT\n", "BEGIN-SQL2\nEND-SQL\n", "SELECT\n"}) {
        auto n = runOn(anyParagraph, notOne);
        EXPECT_FALSE(n.ok) << notOne;
        EXPECT_FALSE(n.consumed) << notOne;
    }
}

TEST(Paragraphs, UnclosedParagraphIsReadAgainAsStatements) {
    // The paragraph is undone at END-PROCEDURE; its lines become statement lines and each
    // variable is recorded once.
    auto r = runProgram(inProc("BEGIN-SELECT\n  $a\n  from t where x = $b\n") + "BEGIN-PROGRAM\nEND-PROGRAM\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A", "P"), 1);
    EXPECT_EQ(usesOf(r.st, "$B", "P"), 1);
    // Open at the end of the input: the enclosing section then lacks its END line.
    auto atEnd = runProgram("BEGIN-PROGRAM\nBEGIN-SELECT\n$a\n");
    EXPECT_EQ(atEnd.error.substr(0, 30), "\"test.sqr\" (line 4, column 1):");
}

TEST(Paragraphs, FailedParagraphLeavesNoTrace) {
    // Uses recorded and line ends counted during the attempt go with it.
    State start = startState("BEGIN-SELECT\n  $a\n  from t\n", initialState(), "test.sqr", 4);
    State seen = stateSeenByNextAlternative(anyParagraph, start);
    EXPECT_EQ(U8(seen.rest()), "BEGIN-SELECT\n  $a\n  from t\n");
    EXPECT_EQ(seen.sequenceNo, 4);
    EXPECT_EQ(seen.pos.sourceLine, 1);
    EXPECT_EQ(varOf(seen.st(), "$A"), std::nullopt);
}

TEST(Paragraphs, RememberedFailuresChangeNothing) {
    // Many unclosed paragraphs of both kinds, some closed ones among them: the run with the
    // memo of failed places leaves exactly the state of the plain grammar.
    std::string body;
    for (int i = 0; i < 40; ++i) {
        body += (i % 3 == 0 ? "BEGIN-SQL\n" : "begin-select distinct $s" + std::to_string(i) + "\n");
        body += "  col_" + std::to_string(i) + " &c $v" + std::to_string(i % 7) + "\n";
        if (i % 5 == 0) body += "END-SELECT\n";
        if (i % 11 == 0) body += "END-SQL\n";
    }
    for (const std::string& program : {inProc(body), std::string("BEGIN-PROGRAM\n") + body + "END-PROGRAM\n"}) {
        auto plainBody = [](State& s) {
            Seq q(s);
            q(spaces);
            for (;;) {
                const State before = s;
                auto r = pSection(s, nullptr);
                if (!r.ok) {
                    s = before;
                    break;
                }
                q.take(std::move(r));
            }
            return q.ok();
        };
        auto memo = runOn([](State& s) { return pSqrProgram(s); }, program);
        auto plain = runOn(
            [&](State& s) {
                setBuiltinVariables(s);
                return plainBody(s);
            },
            program);
        ASSERT_TRUE(memo.ok) << memo.error;
        EXPECT_EQ(plain.rest, "");
        EXPECT_TRUE(memo.user->state.scopeMap == plain.user->state.scopeMap);
        EXPECT_EQ(memo.sequenceNo, plain.sequenceNo);
    }
}

TEST(Paragraphs, RememberedFailuresChangeNoError) {
    // Random programs of paragraph lines, stray END lines and lines that fail: with and
    // without the memo of failed places, the same outcome, error and state.
    const char* const pool[] = {"begin-select", "BEGIN-SQL", "end-select", "END-SQL", "  $a", "  where x = #b",
                                "begin-select distinct $d", "END-PROCEDURE", "end-program", "  DO p($q)", "  do p",
                                "END-SELECT $s", "  'lit'", "  $_u x", "  END-DECLARE", "", "show $x -", "'open"};
    const char* const heads[] = {"begin-procedure p local", "begin-program", "begin-procedure g"};
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const std::size_t head = rng() % 3;
        std::string program = std::string(heads[head]) + "\n";
        for (std::size_t n = rng() % 12; n > 0; --n) program += std::string(pool[rng() % std::size(pool)]) + "\n";
        if (rng() % 5 != 0) program += head == 1 ? "end-program\n" : "end-procedure\n";
        auto run = [](bool withMemo) {
            return [withMemo](State& s) {
                ParagraphMemo memo;
                Seq q(s);
                q(setBuiltinVariables);
                UserState u = q([&](State& st) { return pSqrProgramBody(st, withMemo ? &memo : nullptr); });
                if (!q) return Reply<UserState>(q.failure());
                return q.ok(std::move(u));
            };
        };
        auto a = runOn(run(true), program);
        auto b = runOn(run(false), program);
        ASSERT_EQ(a.ok, b.ok) << program;
        ASSERT_EQ(a.error, b.error) << program;
        ASSERT_EQ(a.rest, b.rest) << program;
        ASSERT_EQ(a.sequenceNo, b.sequenceNo) << program;
        ASSERT_TRUE(a.user->state.scopeMap == b.user->state.scopeMap) << program;
    }
}

TEST(Paragraphs, UnclosedParagraphsCostLinearTime) {
    // 5000 unclosed BEGIN-SELECT lines: without the memo each would read to the end.
    std::string body;
    for (int i = 0; i < 5000; ++i) body += "BEGIN-SELECT\n  $a\n";
    auto r = runProgram(inProc(body));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(usesOf(r.st, "$A", "P"), 5000);
}

} // namespace
} // namespace zarnet::test
