#include "TestSupport.h"
#include "driver/Report.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

SourcePos at(const char* file, std::int64_t line, std::int64_t column = 1) {
    return SourcePos{testSourceName(file), line, column};
}

VarIdentifier id(const char* sigilAndName) {
    std::string s(sigilAndName);
    return VarIdentifier{toUpperText(T(s.substr(1))), s[0] == '#' ? VarSymbol::Sharp : VarSymbol::Dollar};
}

// A variable as the symbol table leaves it.
struct Var {
    const char* written; // sigil and name as written
    bool defined;
    std::int64_t used;
    std::optional<SourcePos> reportPos;
    std::vector<SourcePos> underscores = {};
};

VarMap vars(std::initializer_list<Var> vs) {
    VarMap m;
    for (const Var& v : vs) {
        VarAttr a;
        a.caseSensitiveName = T(v.written + 1);
        a.defined = v.defined;
        a.usedCount = v.used;
        a.setReportPos(v.reportPos);
        a.setVarPosition(v.reportPos.value_or(at("other.sqc", 1)));
        for (const SourcePos& p : v.underscores) a.setWarnUnderbarPos(a.warnUnderbarPos().insert(fileLine(p), p));
        m = m.insert(id(v.written), a);
    }
    return m;
}

ParserState withScopes(std::initializer_list<std::pair<Scope, VarMap>> scopes,
                       std::initializer_list<Procedure> procs = {}) {
    ParserState st = initialState();
    for (const auto& [scope, m] : scopes) st.scopeMap = insertByScope(scope, m, st.scopeMap);
    for (const Procedure& p : procs) st.procMap = insertByName(toUpperText(p.procName), p, st.procMap);
    return st;
}

Procedure proc(const char* name, std::initializer_list<const char*> params) {
    Procedure p;
    p.procName = T(name);
    p.procScope = Scope::local(toUpperText(T(name)));
    std::vector<Parameter> ps;
    for (auto q : params) ps.push_back(Parameter{id(q), CallType::CallByValue});
    p.parameters = PList<Parameter>::fromVector(ps);
    return p;
}

std::string normal(const ParserState& st, const SuppressList& s = {}, bool u = false) {
    return U8(buildReport(false, s, u, st));
}
std::string list(const ParserState& st, const SuppressList& s = {}, bool u = false) {
    return U8(buildReport(true, s, u, st));
}

// One program's worth of findings in every scope and order the report walks.
ParserState program() {
    return withScopes(
        {
            {Scope::local(T("ZETA")), vars({{"$Loc", false, 2, at("main.sqr", 40)}})},
            {Scope::local(T("GET_X")),
             vars({{"#Total", false, 3, at("main.sqr", 21)},
                   {"$total", false, 2, at("main.sqr", 22)},
                   {"$Param", false, 1, at("main.sqr", 20)},
                   {"$Temp", true, 0, at("main.sqr", 23)}})},
            {Scope::global(),
             vars({{"#total", true, 4, at("main.sqr", 5)},
                   {"$Name", true, 0, at("main.sqr", 6)},
                   {"$name2", false, 1, at("inc.sqc", 3),
                    {at("main.sqr", 9, 4), at("inc.sqc", 3, 7), at("main.sqr", 8, 2)}},
                   {"#Hidden", false, 1, std::nullopt},
                   {"$Z", false, 5, at("main.sqr", 7)}})},
        },
        {proc("Get_X", {"$param"})});
}

TEST(Report, NormalFormatWalksScopesAndVariablesInKeyOrder) {
    EXPECT_EQ(normal(program()),
              "Warning:\t$Name\t(Global)\t is not used.\t(main.sqr\tline 6)\n"
              "Error:\t$name2\t(Global)\t is not defined.\t(inc.sqc\tline 3)\n"
              "Warning:\t$name2\t(Global)\t used only once.\t(inc.sqc\tline 3)\n"
              "Warning:\t$name2\t(Global)\t Underscore may be unnecessary. The scope is not local.\t(inc.sqc\tline 3)\n"
              "Warning:\t$name2\t(Global)\t Underscore may be unnecessary. The scope is not local.\t(main.sqr\tline 8)\n"
              "Warning:\t$name2\t(Global)\t Underscore may be unnecessary. The scope is not local.\t(main.sqr\tline 9)\n"
              "Error:\t$Z\t(Global)\t is not defined.\t(main.sqr\tline 7)\n"
              "Error:\t$Param\t(Local Get_X)\t is not defined.\t(main.sqr\tline 20)\n"
              "Warning:\t$Param\t(Local Get_X)\t used only once.\t(main.sqr\tline 20)\n"
              "Warning:\t$Temp\t(Local Get_X)\t is not used.\t(main.sqr\tline 23)\n"
              "Error:\t$total\t(Local Get_X)\t is not defined.\t(main.sqr\tline 22)\n"
              "Error:\t#Total\t(Local Get_X)\t is not defined.\t(main.sqr\tline 21)\n"
              "Warning:\t#Total\t(Local Get_X)\t is same name as global variable.\t(main.sqr\tline 21)\n"
              "Error:\t$Loc\t(Local )\t is not defined.\t(main.sqr\tline 40)\n");
}

TEST(Report, ListFormatHasOneLinePerVariableWithCodes) {
    EXPECT_EQ(list(program()),
              "Global\t---\t$Name\tmain.sqr\t6\tWarning: NotUsed\n"
              "Global\t---\t$name2\tinc.sqc\t3\tError:NotDefined Warning: UsedOnlyOnce\n"
              "Global\t---\t$Z\tmain.sqr\t7\tError:NotDefined\n"
              "Local\tGet_X\t$Param\tmain.sqr\t20\tError:NotDefined Warning: UsedOnlyOnce\n"
              "Local\tGet_X\t$Temp\tmain.sqr\t23\tWarning: NotUsed\n"
              "Local\tGet_X\t$total\tmain.sqr\t22\tError:NotDefined\n"
              "Local\tGet_X\t#Total\tmain.sqr\t21\tError:NotDefined Warning: SameNameGlobalVar\n"
              "Local\t\t$Loc\tmain.sqr\t40\tError:NotDefined\n");
}

TEST(Report, ParameterExemptionKeepsTheCountWarning) {
    std::string n = normal(program(), {}, true);
    EXPECT_EQ(n.find("Error:\t$Param"), std::string::npos);
    EXPECT_NE(n.find("Warning:\t$Param\t(Local Get_X)\t used only once."), std::string::npos);
    EXPECT_NE(list(program(), {}, true).find("Local\tGet_X\t$Param\tmain.sqr\t20\tWarning: UsedOnlyOnce\n"),
              std::string::npos);

    // A parameter never gets the same-name warning, and a global is never exempted.
    ParserState st = withScopes({{Scope::global(), vars({{"$P", true, 2, at("m.sqr", 1)},
                                                          {"$Q", false, 2, at("m.sqr", 2)}})},
                                 {Scope::local(T("PR")), vars({{"$p", false, 2, at("m.sqr", 3)}})}},
                                {proc("pr", {"$P"})});
    EXPECT_EQ(normal(st, {}, true), "Error:\t$Q\t(Global)\t is not defined.\t(m.sqr\tline 2)\n");
    EXPECT_EQ(normal(st), "Error:\t$Q\t(Global)\t is not defined.\t(m.sqr\tline 2)\n"
                          "Error:\t$p\t(Local pr)\t is not defined.\t(m.sqr\tline 3)\n");
}

TEST(Report, SuppressListRemovesErrorAndSameNameOnly) {
    SuppressList s = {{Scope::global(), id("$NAME2")},
                      {Scope::local(T("GET_X")), id("#TOTAL")},
                      {Scope::local(T("GET_X")), id("$TEMP")},
                      {Scope::local(T("get_x")), id("$TOTAL")}, // scope names compare exactly
                      {Scope::global(), id("#Z")}};             // the other sigil
    EXPECT_EQ(list(program(), s),
              "Global\t---\t$Name\tmain.sqr\t6\tWarning: NotUsed\n"
              "Global\t---\t$name2\tinc.sqc\t3\tWarning: UsedOnlyOnce\n"
              "Global\t---\t$Z\tmain.sqr\t7\tError:NotDefined\n"
              "Local\tGet_X\t$Param\tmain.sqr\t20\tError:NotDefined Warning: UsedOnlyOnce\n"
              "Local\tGet_X\t$Temp\tmain.sqr\t23\tWarning: NotUsed\n"
              "Local\tGet_X\t$total\tmain.sqr\t22\tError:NotDefined\n"
              "Local\t\t$Loc\tmain.sqr\t40\tError:NotDefined\n");
    std::string n = normal(program(), s);
    EXPECT_EQ(n.find("#Total"), std::string::npos);
    EXPECT_NE(n.find("Warning:\t$name2\t(Global)\t Underscore may be unnecessary."), std::string::npos);
}

TEST(Report, CountWarningAndSameNameShareTheWarningCode) {
    ParserState st = withScopes({{Scope::global(), vars({{"#N", true, 2, at("m.sqr", 1)}})},
                                 {Scope::local(T("P")), vars({{"#n", false, 0, at("m.sqr", 2)},
                                                              {"#m", true, 1, at("m.sqr", 3)}})}},
                                {proc("P", {})});
    EXPECT_EQ(list(st), "Local\tP\t#m\tm.sqr\t3\tWarning: UsedOnlyOnce\n"
                        "Local\tP\t#n\tm.sqr\t2\tError:NotDefined Warning: NotUsed SameNameGlobalVar\n");
}

// Each local scope takes its own procedure's name and parameters, whichever procedures
// have no scope and whichever scopes have no procedure around it.
TEST(Report, ScopesFindTheirProceduresAmongOthers) {
    ParserState st = withScopes({{Scope::local(T("B")), vars({{"$b", false, 2, at("m.sqr", 2)}})},
                                 {Scope::local(T("D")), vars({{"$x", false, 2, at("m.sqr", 4)}})},
                                 {Scope::local(T("E")), vars({{"$e", false, 2, at("m.sqr", 5)}})},
                                 {Scope::local(T("G")), vars({{"$g", false, 2, at("m.sqr", 7)}})}},
                                {proc("a", {"$b"}), proc("b", {"$x"}), proc("c", {}), proc("d", {"$d"}),
                                 proc("f", {"$g"}), proc("g", {"$g"})});
    EXPECT_EQ(normal(st, {}, true), "Error:\t$b\t(Local b)\t is not defined.\t(m.sqr\tline 2)\n"
                                    "Error:\t$x\t(Local d)\t is not defined.\t(m.sqr\tline 4)\n"
                                    "Error:\t$e\t(Local )\t is not defined.\t(m.sqr\tline 5)\n");
}

// Line numbers of every length, the digits written two at a time.
TEST(Report, LineNumbersInDecimal) {
    const ReportScope global{Scope::global(), {}, {}};
    for (std::int64_t n : {std::int64_t(1), std::int64_t(9), std::int64_t(10), std::int64_t(99), std::int64_t(100),
                           std::int64_t(105), std::int64_t(1000), std::int64_t(20304), std::int64_t(9876543210),
                           std::int64_t(9223372036854775807)}) {
        EXPECT_EQ(U8(reportLine("Error", VarSymbol::Sharp, T("N"), global, at("m.sqr", n), " is not defined.")),
                  "Error:\t#N\t(Global)\t is not defined.\t(m.sqr\tline " + std::to_string(n) + ")\n");
    }
}

TEST(Report, NothingToReportIsTheEmptyText) {
    EXPECT_EQ(normal(initialState()), "");
    ParserState st = withScopes({{Scope::global(), vars({{"$A", true, 2, at("m.sqr", 1)},
                                                         {"$B", false, 1, std::nullopt},
                                                         {"$C", true, 5, at("m.sqr", 2), {at("m.sqr", 2)}}})}});
    EXPECT_EQ(list(st), "");
    EXPECT_EQ(normal(st), "Warning:\t$C\t(Global)\t Underscore may be unnecessary. The scope is not local.\t(m.sqr\tline 2)\n");
}

} // namespace
} // namespace zarnet::test

namespace zarnet::test {
namespace {

// A report larger than a piece comes out in whole lines, pieces in order, the same text.
TEST(Report, WrittenInPiecesOfWholeLines) {
    VarMap m;
    for (int i = 0; i < 40000; ++i) {
        VarAttr a;
        a.caseSensitiveName = T("variable_" + std::to_string(i));
        a.usedCount = 1;
        a.setReportPos(at("main.sqr", i + 1));
        a.setVarPosition(*a.reportPos());
        m = m.insert(VarIdentifier{toUpperText(a.caseSensitiveName), VarSymbol::Dollar}, a);
    }
    const ParserState st = withScopes({{Scope::global(), m}});
    for (bool listFormat : {false, true}) {
        std::vector<std::string> pieces;
        writeReport(listFormat, {}, false, st, [&](TextView t) { pieces.emplace_back(t); });
        ASSERT_GT(pieces.size(), 1u);
        std::string joined;
        for (const std::string& p : pieces) {
            EXPECT_EQ(p.back(), '\n');
            joined += p;
        }
        EXPECT_EQ(joined, U8(buildReport(listFormat, {}, false, st)));
    }
}

} // namespace
} // namespace zarnet::test
