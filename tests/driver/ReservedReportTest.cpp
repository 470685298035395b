#include "TestSupport.h"

#include "driver/Report.h"
#include "sqr/Reserved.h"
#include "sqr/Symbols.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

ParserState stateWith(bool recursive, bool filterAcceptsEmpty) {
    ParserState st = initialState();
    st.rootSourceName = testSourceName("main.sqr");
    st.recursiveCheck = recursive;
    st.matchSourceNameForReport = std::make_shared<const std::function<bool(const Text&)>>(
        [filterAcceptsEmpty](const Text& n) { return filterAcceptsEmpty || !n.empty(); });
    return st;
}

// The state after the reserved variables were entered at line 1 of main.sqr.
State entered(const ParserState& st) {
    auto o = runOn(setBuiltinVariables, "rest", st, "main.sqr");
    EXPECT_TRUE(o.ok);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.rest, "rest");
    return o.state;
}

const VarAttr* global(const State& s, VarSymbol sym, const char* key) {
    const VarMap* m = s.st().scopeMap.find(Scope::global());
    return m ? m->find(VarIdentifier{T(key), sym}) : nullptr;
}

SourcePos at(std::int64_t line, std::int64_t col) { return SourcePos{testSourceName("main.sqr"), line, col}; }

std::string report(const State& s) { return U8(buildReport(false, {}, false, s.st())); }

TEST(Reserved, AllTwentyTwoAreDefinedGlobals) {
    ParserState st = stateWith(false, false);
    st.currentScope = Scope::local(T("P")); // the scope in force does not matter
    State s = entered(st);
    const VarMap* m = s.st().scopeMap.find(Scope::global());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->size(), 22u);
    EXPECT_EQ(s.st().scopeMap.size(), 1u);
    int sharps = 0;
    for (const ReservedVariable& r : reservedVariables) {
        SCOPED_TRACE(r.literal);
        Text name = r.literal + 1;
        const VarAttr* a = m->find(createVarIdentifier(r.symbol, name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->varType, r.type);
        EXPECT_EQ(a->caseSensitiveName, name);
        EXPECT_TRUE(a->defined);
        EXPECT_EQ(a->usedCount, 9999);
        EXPECT_EQ(a->varPosition(), nullPosition());
        EXPECT_FALSE(a->reportPos());
        EXPECT_TRUE(a->warnUnderbarPos().empty());
        EXPECT_EQ(r.literal[0] == '#', r.symbol == VarSymbol::Sharp);
        sharps += r.symbol == VarSymbol::Sharp;
    }
    EXPECT_EQ(sharps, 10);
    EXPECT_EQ(global(s, VarSymbol::Dollar, "CURRENT-DATE")->varType, VarType::date());
    EXPECT_EQ(report(s), "");
    // Nothing else of the parser state changes.
    EXPECT_EQ(s.st().currentScope, Scope::local(T("P")));
    EXPECT_TRUE(s.st().procMap.empty());
}

TEST(Reserved, UpdatersSetTypeDefinedAndCountOnly) {
    VarAttr a;
    a.caseSensitiveName = T("x");
    a.usedCount = 3;
    a.setVarPosition(at(4, 5));
    a.setReportPos(at(4, 5));
    VarAttr i = defineReservedInteger(a), d = defineReservedDate(a), t = defineReservedText(a);
    EXPECT_EQ(i.varType, VarType::integer());
    EXPECT_EQ(d.varType, VarType::date());
    EXPECT_EQ(t.varType, VarType::text());
    for (const VarAttr& r : {i, d, t}) {
        EXPECT_TRUE(r.defined);
        EXPECT_EQ(r.usedCount, 9999);
        EXPECT_EQ(r.caseSensitiveName, a.caseSensitiveName);
        EXPECT_EQ(r.varPosition(), a.varPosition());
        EXPECT_EQ(r.reportPos(), a.reportPos());
    }
}

TEST(Reserved, UsesCountOnTopAndGiveTheReportPosition) {
    State s = entered(stateWith(false, false));
    saveVariable(s, Scope::global(), VarSymbol::Sharp, T("Page-Count"), false, at(3, 7));
    const VarAttr* a = global(s, VarSymbol::Sharp, "PAGE-COUNT");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->usedCount, 10000);
    EXPECT_EQ(a->reportPos(), at(3, 7));
    EXPECT_EQ(U8(a->caseSensitiveName), "Page-Count");
    EXPECT_EQ(a->varType, VarType::integer());
    EXPECT_EQ(a->varPosition(), nullPosition());
    EXPECT_EQ(report(s), "");

    // The other sigil is an ordinary variable.
    saveVariable(s, Scope::global(), VarSymbol::Dollar, T("page-count"), false, at(4, 1));
    EXPECT_FALSE(global(s, VarSymbol::Dollar, "PAGE-COUNT")->defined);
}

TEST(Reserved, DeclaredInSetupCountsLikeAnyDeclaredVariable) {
    State s = entered(stateWith(false, false));
    defineVariable(s, VarType::text(), T("sqr-program"), false, at(5, 20));
    defineVariable(s, VarType::float_(), T("sql-count"), false, at(6, 20));
    const VarAttr* a = global(s, VarSymbol::Dollar, "SQR-PROGRAM");
    EXPECT_EQ(a->usedCount, 0);
    EXPECT_TRUE(a->defined);
    EXPECT_EQ(a->reportPos(), at(5, 20));
    EXPECT_EQ(global(s, VarSymbol::Sharp, "SQL-COUNT")->varType, VarType::float_());
    // Report order is key order: SQL-COUNT before SQR-PROGRAM.
    EXPECT_EQ(report(s), "Warning:\t#sql-count\t(Global)\t is not used.\t(main.sqr\tline 6)\n"
                         "Warning:\t$sqr-program\t(Global)\t is not used.\t(main.sqr\tline 5)\n");
}

// With -R and a filter that accepts the empty file name, the reserved variables used to
// start with the null position as report position, and one declared in SETUP and never
// used was then reported at an empty file name, line 1.
TEST(Reserved, NullPositionIsNeverAReportPosition) {
    for (bool acceptsEmpty : {false, true}) {
        SCOPED_TRACE(acceptsEmpty);
        State s = entered(stateWith(true, acceptsEmpty));
        const VarAttr* u = global(s, VarSymbol::Dollar, "USERNAME");
        EXPECT_FALSE(u->reportPos());
        EXPECT_EQ(report(s), "");

        defineVariable(s, VarType::text(), T("SQR-Program"), false, at(5, 20));
        saveVariable(s, Scope::global(), VarSymbol::Dollar, T("UserName"), false, at(8, 3));
        EXPECT_EQ(global(s, VarSymbol::Dollar, "USERNAME")->reportPos(), at(8, 3));
        EXPECT_EQ(report(s), "Warning:\t$SQR-Program\t(Global)\t is not used.\t(main.sqr\tline 5)\n");
    }
}

TEST(Reserved, EnteredOnlyOnTopOfWhatTheGlobalMapHolds) {
    ParserState st = stateWith(false, false);
    State pre = runOn([](State& s) { return saveVariable(s, Scope::global(), VarSymbol::Dollar, T("other"), false, s.pos); },
                      "", st, "main.sqr")
                    .state;
    auto o = runOn(setBuiltinVariables, "", pre.st(), "main.sqr");
    EXPECT_EQ(o.state.st().scopeMap.find(Scope::global())->size(), 23u);
}

} // namespace
} // namespace zarnet::test
