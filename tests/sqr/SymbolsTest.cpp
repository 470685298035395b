#include "TestSupport.h"

#include "core/Show.h"
#include "sqr/Symbols.h"

#include <gtest/gtest.h>

#include <limits>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

// A parser state whose root file is main.sqr, with the recursive check and a filter when
// given one.
ParserState rootedState(const char* filter = nullptr) {
    ParserState st = initialState();
    st.rootSourceName = testSourceName("main.sqr");
    if (filter) {
        std::string f = filter;
        st.recursiveCheck = true;
        st.matchSourceNameForReport =
            std::make_shared<const std::function<bool(const Text&)>>([f](const Text& n) { return U8(n) == f; });
    }
    return st;
}

// A parse state standing at the given place, with nothing left to read.
State stateAt(const ParserState& st, const char* file = "main.sqr", std::int64_t line = 1, std::int64_t col = 1) {
    State s;
    InputView in = keepText(Text());
    s.cur = in.begin;
    s.end = in.end;
    s.pos = SourcePos{testSourceName(file), line, col};
    s.user = makeUserState(st);
    return s;
}

SourcePos at(const char* file, std::int64_t line, std::int64_t col) { return SourcePos{testSourceName(file), line, col}; }

const VarAttr& var(const State& s, const Scope& scope, VarSymbol sym, const char* key) {
    const VarMap* m = s.st().scopeMap.find(scope);
    EXPECT_NE(m, nullptr);
    static const VarAttr none;
    if (!m) return none;
    const VarAttr* a = m->find(VarIdentifier{T(key), sym});
    EXPECT_NE(a, nullptr) << key;
    return a ? *a : none;
}

std::vector<std::string> underbarLines(const VarAttr& a) {
    std::vector<std::string> out;
    a.warnUnderbarPos().forEach([&](const FileLine& k, const SourcePos& p) {
        out.push_back(U8(k.sourceName) + ":" + std::to_string(k.line) + "@" + std::to_string(p.sourceColumn));
    });
    return out;
}

void use(State& s, const SourcePos& p, const char* name, VarSymbol sym = VarSymbol::Dollar, bool flag = false,
         Scope scope = Scope::global()) {
    saveVariable(s, scope, sym, T(name), flag, p);
}

TEST(VariableStore, ScopesComeGlobalFirstThenByName) {
    State s = stateAt(rootedState());
    for (const char* n : {"B", "A_B", "AB", "A-B", "A"}) use(s, at("main.sqr", 1, 1), "x", VarSymbol::Dollar, false, Scope::local(T(n)));
    std::vector<std::string> order;
    s.st().scopeMap.forEach([&](const Scope& k, const VarMap&) { order.push_back(k.isLocal ? U8(k.name) : "<global>"); });
    EXPECT_EQ(order, (std::vector<std::string>{"<global>", "A", "A-B", "AB", "A_B", "B"}));

    // Reading a scope without a map neither fails nor adds it.
    State t = stateAt(rootedState());
    auto r = getVarMap(t, Scope::local(T("P")));
    EXPECT_TRUE(r.ok && !r.consumed && r.value.empty());
    EXPECT_EQ(t.st().scopeMap.size(), 1u);
    // A new global map replaces the old one and keeps the locals.
    updateVarMap(s, Scope::global(), VarMap().insert(VarIdentifier{T("G"), VarSymbol::Sharp}, VarAttr{}));
    EXPECT_EQ(s.st().scopeMap.size(), 6u);
    EXPECT_TRUE(lookupVar(VarIdentifier{T("G"), VarSymbol::Sharp}, *lookupScopeMap(Scope::global(), s.st().scopeMap)));
}

TEST(VariableStore, VariablesAndUnderscoreMarksInKeyOrder) {
    State s = stateAt(rootedState("inc.sqr"));
    use(s, at("main.sqr", 1, 1), "AB");
    use(s, at("main.sqr", 1, 1), "A", VarSymbol::Sharp);
    use(s, at("main.sqr", 1, 1), "A");
    std::vector<std::string> order;
    varMapOf(s.st(), Scope::global()).forEach([&](const VarIdentifier& k, const VarAttr&) {
        order.push_back((k.varSymbol == VarSymbol::Dollar ? "$" : "#") + U8(k.varName));
    });
    EXPECT_EQ(order, (std::vector<std::string>{"$A", "#A", "$AB"}));

    // Underscore marks by file name, then line; the root file here is main.sqr, and the
    // filter admits inc.sqr only, so a.sqr must be the root file for its mark to count.
    ParserState st = rootedState("inc.sqr");
    st.rootSourceName = testSourceName("a.sqr");
    State u = stateAt(st);
    use(u, at("inc.sqr", 10, 3), "_x", VarSymbol::Dollar, true);
    use(u, at("inc.sqr", 9, 3), "_x", VarSymbol::Dollar, true);
    use(u, at("a.sqr", 100, 3), "_x", VarSymbol::Dollar, true);
    EXPECT_EQ(underbarLines(var(u, Scope::global(), VarSymbol::Dollar, "_X")),
              (std::vector<std::string>{"a.sqr:100@3", "inc.sqr:9@3", "inc.sqr:10@3"}));
}

TEST(VariableStore, ReportPositionFollowsRootFileAndFilter) {
    struct Case {
        const char* filter; // nullptr: no recursive check
        const char* file;
        bool reported;
    };
    const Case cases[] = {
        {nullptr, "main.sqr", true},
        {"other.sqc", "main.sqr", true}, // the root file, whatever the filter says
        {nullptr, "inc.sqc", false},
        {nullptr, "MAIN.SQR", false}, // letter case counts
        {"inc.sqc", "inc.sqc", true},
        {"inc.sqc", "INC.SQC", false},
        {"inc.sqc", "lib.sqc", false},
        {"", "", true},     // the empty name passes only a filter that accepts it
        {nullptr, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.filter ? c.filter : "<no -R>") + " / " + c.file);
        State s = stateAt(rootedState(c.filter));
        SourcePos p = at(c.file, 4, 7);
        auto r = getReportPos(s, p);
        ASSERT_TRUE(r.ok);
        EXPECT_FALSE(r.consumed);
        EXPECT_EQ(r.value.has_value(), c.reported);
        if (r.value) {
            EXPECT_EQ(*r.value, p);
        }
    }
}

TEST(Recording, UsesCountAndKeepTheFirstPositions) {
    State s = stateAt(rootedState());
    use(s, at("main.sqr", 12, 5), "Total");
    const VarAttr& a = var(s, Scope::global(), VarSymbol::Dollar, "TOTAL");
    EXPECT_FALSE(a.defined);
    EXPECT_EQ(a.usedCount, 1);
    EXPECT_EQ(a.varPosition(), at("main.sqr", 12, 5));
    EXPECT_EQ(a.reportPos(), at("main.sqr", 12, 5));
    EXPECT_EQ(U8(a.caseSensitiveName), "Total");
    EXPECT_TRUE(a.warnUnderbarPos().empty());

    use(s, at("main.sqr", 13, 1), "TOTAL");
    use(s, at("main.sqr", 14, 1), "total", VarSymbol::Sharp);
    const VarAttr& b = var(s, Scope::global(), VarSymbol::Dollar, "TOTAL");
    EXPECT_EQ(b.usedCount, 2);
    EXPECT_EQ(U8(b.caseSensitiveName), "Total");
    EXPECT_EQ(b.reportPos(), at("main.sqr", 12, 5));
    EXPECT_EQ(var(s, Scope::global(), VarSymbol::Sharp, "TOTAL").usedCount, 1);
}

// With a run, records hold the run's one text per name: the same name in two scopes shares
// it, and names enough to grow the run's table many times each keep their own record.
TEST(Recording, NamesOfARunAreSharedAndEachKeepsItsRecord) {
    RunContext run;
    State s = stateAt(rootedState());
    s.run = &run;
    const Scope p = Scope::local(T("P")), q = Scope::local(T("Q"));
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        const std::string name = "Name_" + std::to_string(i);
        use(s, at("main.sqr", i + 1, 1), name.c_str(), VarSymbol::Dollar, false, p);
        use(s, at("main.sqr", i + 1, 9), name.c_str(), VarSymbol::Sharp, false, q);
    }
    use(s, at("main.sqr", 1, 20), "NAME_7", VarSymbol::Dollar, false, p); // written as its key
    for (int i = 0; i < n; ++i) {
        const std::string key = "NAME_" + std::to_string(i);
        const VarAttr& a = var(s, p, VarSymbol::Dollar, key.c_str());
        const VarAttr& b = var(s, q, VarSymbol::Sharp, key.c_str());
        EXPECT_EQ(U8(a.caseSensitiveName), "Name_" + std::to_string(i));
        EXPECT_TRUE(a.caseSensitiveName.sameAs(b.caseSensitiveName)) << key;
        EXPECT_EQ(a.varPosition(), at("main.sqr", i + 1, 1));
        EXPECT_EQ(a.usedCount, i == 7 ? 2 : 1);
    }
    std::vector<SharedText> keys;
    for (const Scope& scope : {p, q})
        s.st().scopeMap.find(scope)->forEach([&](const VarIdentifier& k, const VarAttr&) {
            if (U8(k.varName) == "NAME_12") keys.push_back(k.varName);
        });
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].sameAs(keys[1]));
}

TEST(Recording, WrittenNameAndReportPositionComeFromTheFirstReportedOccurrence) {
    State s = stateAt(rootedState());
    use(s, at("inc.sqc", 3, 2), "amount");
    const VarAttr& a = var(s, Scope::global(), VarSymbol::Dollar, "AMOUNT");
    EXPECT_FALSE(a.reportPos());
    EXPECT_EQ(U8(a.caseSensitiveName), "amount");
    use(s, at("inc.sqc", 4, 2), "AMOUNT");
    EXPECT_EQ(U8(var(s, Scope::global(), VarSymbol::Dollar, "AMOUNT").caseSensitiveName), "amount");
    use(s, at("main.sqr", 9, 4), "Amount");
    use(s, at("main.sqr", 10, 4), "aMOUNT");
    const VarAttr& b = var(s, Scope::global(), VarSymbol::Dollar, "AMOUNT");
    EXPECT_EQ(b.usedCount, 4);
    EXPECT_EQ(b.varPosition(), at("inc.sqc", 3, 2));
    EXPECT_EQ(b.reportPos(), at("main.sqr", 9, 4));
    EXPECT_EQ(U8(b.caseSensitiveName), "Amount");
}

TEST(Recording, OneUnderscoreMarkPerReportedLine) {
    State s = stateAt(rootedState());
    use(s, at("inc.sqc", 1, 1), "_x", VarSymbol::Dollar, true); // not reported: no mark
    use(s, at("main.sqr", 5, 3), "_x", VarSymbol::Dollar, true);
    use(s, at("main.sqr", 5, 9), "_X", VarSymbol::Dollar, true);
    use(s, at("main.sqr", 6, 2), "_x", VarSymbol::Dollar, true);
    use(s, at("main.sqr", 7, 2), "_x", VarSymbol::Dollar, false);
    use(s, at("inc.sqc", 8, 1), "_x", VarSymbol::Dollar, true); // reported variable, unreported file
    const VarAttr& a = var(s, Scope::global(), VarSymbol::Dollar, "_X");
    EXPECT_EQ(underbarLines(a), (std::vector<std::string>{"main.sqr:5@3", "main.sqr:6@2"}));
    EXPECT_EQ(a.usedCount, 6);
}

TEST(Recording, DefinitionsResetTheCountAndTakeTheirSigilFromTheType) {
    State s = stateAt(rootedState());
    for (int i = 0; i < 3; ++i) use(s, at("main.sqr", 20 + i, 1), "late");
    defineVariable(s, VarType::text(), T("LATE"), false, at("main.sqr", 2, 1));
    const VarAttr& a = var(s, Scope::global(), VarSymbol::Dollar, "LATE");
    EXPECT_TRUE(a.defined);
    EXPECT_EQ(a.usedCount, 0);
    EXPECT_EQ(a.varType, VarType::text());
    EXPECT_EQ(U8(a.caseSensitiveName), "late");
    EXPECT_EQ(a.varPosition(), at("main.sqr", 20, 1));

    defineVariable(s, VarType::decimal(7), T("amount"), false, at("main.sqr", 3, 1));
    use(s, at("main.sqr", 30, 1), "amount", VarSymbol::Sharp);
    use(s, at("main.sqr", 31, 1), "amount", VarSymbol::Sharp);
    EXPECT_EQ(var(s, Scope::global(), VarSymbol::Sharp, "AMOUNT").usedCount, 2);
    defineVariable(s, VarType::integer(), T("amount"), false, at("main.sqr", 32, 1));
    const VarAttr& b = var(s, Scope::global(), VarSymbol::Sharp, "AMOUNT");
    EXPECT_EQ(b.usedCount, 0);
    EXPECT_EQ(b.varType, VarType::integer());
    EXPECT_EQ(b.reportPos(), at("main.sqr", 3, 1));
    defineVariable(s, VarType::date(), T("amount"), false, at("main.sqr", 33, 1));
    EXPECT_EQ(var(s, Scope::global(), VarSymbol::Dollar, "AMOUNT").varType, VarType::date());

    // Definitions go into the current scope.
    setCurrentScope(s, Scope::local(T("GET_DATA")));
    defineVariable(s, VarType::float_(), T("amount"), false, at("main.sqr", 40, 1));
    EXPECT_TRUE(var(s, Scope::local(T("GET_DATA")), VarSymbol::Sharp, "AMOUNT").defined);
    EXPECT_EQ(var(s, Scope::global(), VarSymbol::Sharp, "AMOUNT").varType, VarType::integer());
    auto p = defaultPrecision(s);
    EXPECT_TRUE(p.ok && !p.consumed && p.value == 5);
}

TEST(Recording, UpdaterSeesTheCountedRecord) {
    State s = stateAt(rootedState());
    std::vector<std::int64_t> seen;
    VarUpdater spy = [&](VarAttr a) {
        seen.push_back(a.usedCount);
        a.usedCount = 42;
        return a;
    };
    VarMap m = setVariable(s, VarSymbol::Sharp, T("n"), false, at("main.sqr", 1, 1), spy, VarMap());
    m = setVariable(s, VarSymbol::Sharp, T("N"), false, at("main.sqr", 2, 1), spy, m);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 43}));
    EXPECT_EQ(lookupVar(createVarIdentifier(VarSymbol::Sharp, T("n")), m)->usedCount, 42);
    // setVariable itself leaves the parser state alone.
    EXPECT_EQ(varMapOf(s.st(), Scope::global()).size(), 0u);
}

// A count at its largest value stays there: wrapped round it would read as not used, then
// as used once (a #define that expands to a long line of references gets there from a
// short program).
TEST(Recording, UseCountStopsAtItsLargestValue) {
    State s = stateAt(rootedState());
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    VarUpdater nearTheTop = [](VarAttr a) {
        a.usedCount = kMax - 1;
        return a;
    };
    VarMap m = setVariable(s, VarSymbol::Sharp, T("n"), false, at("main.sqr", 1, 1), nearTheTop, VarMap());
    const VarIdentifier n = createVarIdentifier(VarSymbol::Sharp, T("n"));
    for (int i = 0; i < 3; ++i) m = setVariable(s, VarSymbol::Sharp, T("n"), false, at("main.sqr", 2, 1), nullptr, m);
    EXPECT_EQ(lookupVar(n, m)->usedCount, kMax);
    // A definition still starts the count again.
    VarUpdater define = [](VarAttr a) {
        a.usedCount = 0;
        return a;
    };
    m = setVariable(s, VarSymbol::Sharp, T("n"), false, at("main.sqr", 3, 1), define, m);
    m = setVariable(s, VarSymbol::Sharp, T("n"), false, at("main.sqr", 4, 1), nullptr, m);
    EXPECT_EQ(lookupVar(n, m)->usedCount, 1);
}

TEST(Recording, RecordsOfAFailedAlternativeVanish) {
    State s = stateAt(rootedState());
    use(s, at("main.sqr", 1, 1), "kept");
    const State before = s;
    // An alternative that records, consumes and then fails, undone as a unit.
    auto recordsThenFails = attempt([](State& st) -> Reply<Unit> {
        saveVariable(st, Scope::global(), VarSymbol::Dollar, T("kept"), false, st.pos);
        saveVariable(st, Scope::global(), VarSymbol::Dollar, T("lost"), false, st.pos);
        defineVariable(st, VarType::text(), T("kept"), false, st.pos);
        saveProcedure(st, Procedure{T("p"), Scope::global(), st.pos, {}});
        setCurrentScope(st, Scope::local(T("P")));
        return consumedError(ParseError(st.pos));
    });
    State seen = stateSeenByNextAlternative(recordsThenFails, s);
    EXPECT_TRUE(seen.user == before.user);
    const ParserState& st = seen.st();
    EXPECT_EQ(st.scopeMap.size(), 1u);
    EXPECT_EQ(varMapOf(st, Scope::global()).size(), 1u);
    EXPECT_EQ(var(seen, Scope::global(), VarSymbol::Dollar, "KEPT").usedCount, 1);
    EXPECT_TRUE(st.procMap.empty());
    EXPECT_FALSE(st.currentScope.isLocal);
}

// Recordings change the state in place while nothing else holds it; a state or a variable
// map kept at any point must still show what it showed then.
TEST(Recording, KeptStatesAndMapsNeverSeeLaterRecordings) {
    State s = stateAt(rootedState());
    const Scope local = Scope::local(T("P"));
    use(s, at("main.sqr", 1, 1), "a");
    use(s, at("main.sqr", 1, 5), "a", VarSymbol::Dollar, false, local);
    use(s, at("main.sqr", 2, 1), "a");
    const State keptState = s;
    const VarMap keptGlobals = varMapOf(s.st(), Scope::global());
    const VarMap keptLocals = varMapOf(s.st(), local);
    for (int i = 0; i < 50; ++i) {
        use(s, at("main.sqr", 3, 1), "a");
        use(s, at("main.sqr", 3, 9), ("n" + std::to_string(i)).c_str(), VarSymbol::Sharp, true, local);
    }
    defineVariable(s, VarType::text(), T("a"), false, at("main.sqr", 4, 1));

    EXPECT_EQ(keptGlobals.size(), 1u);
    EXPECT_EQ(keptGlobals.find(VarIdentifier{T("A"), VarSymbol::Dollar})->usedCount, 2);
    EXPECT_FALSE(keptGlobals.find(VarIdentifier{T("A"), VarSymbol::Dollar})->defined);
    EXPECT_EQ(keptLocals.size(), 1u);
    EXPECT_EQ(var(keptState, Scope::global(), VarSymbol::Dollar, "A").usedCount, 2);
    EXPECT_EQ(varMapOf(keptState.st(), local).size(), 1u);

    EXPECT_TRUE(var(s, Scope::global(), VarSymbol::Dollar, "A").defined);
    EXPECT_EQ(varMapOf(s.st(), local).size(), 51u);
    EXPECT_EQ(underbarLines(var(s, local, VarSymbol::Sharp, "N7")), std::vector<std::string>{"main.sqr:3@9"});
}

TEST(Scopes, UnderscoreMarkerChoosesTheScope) {
    const Scope local = Scope::local(T("GET_DATA"));
    EXPECT_EQ(varScopeIn(Scope::global(), ""), std::make_pair(Scope::global(), false));
    EXPECT_EQ(varScopeIn(Scope::global(), "_"), std::make_pair(Scope::global(), true));
    EXPECT_EQ(varScopeIn(local, ""), std::make_pair(local, false));
    EXPECT_EQ(varScopeIn(local, "_"), std::make_pair(Scope::global(), false));

    State s = stateAt(rootedState());
    setCurrentScope(s, local);
    EXPECT_EQ(getCurrentScope(s).value, local);
    auto r = varScope(s, "_");
    EXPECT_TRUE(r.ok && !r.consumed);
    EXPECT_EQ(r.value, std::make_pair(Scope::global(), false));
    setGlobalScope(s);
    EXPECT_EQ(getCurrentScope(s).value, Scope::global());
}

TEST(Scopes, LaterProcedureHeaderReplacesTheRecord) {
    State s = stateAt(rootedState());
    saveProcedure(s, Procedure{T("Get_Data"), Scope::local(T("GET_DATA")), at("main.sqr", 1, 1), {}});
    Parameter p{VarIdentifier{T("X"), VarSymbol::Sharp}, CallType::CallByReference};
    saveProcedure(s, Procedure{T("GET_DATA"), Scope::local(T("GET_DATA")), at("main.sqr", 9, 1), PList<Parameter>().push(p)});
    saveProcedure(s, Procedure{T("other"), Scope::global(), at("main.sqr", 20, 1), {}});
    const ProcMap& m = s.st().procMap;
    EXPECT_EQ(m.size(), 2u);
    auto rec = lookupByName(T("GET_DATA"), m);
    ASSERT_TRUE(rec);
    EXPECT_EQ(U8(rec->procName), "GET_DATA");
    EXPECT_EQ(rec->procPosition, at("main.sqr", 9, 1));
    EXPECT_EQ(rec->parameters.size(), 1u);
    EXPECT_TRUE(lookupByName(T("OTHER"), m));
}

TEST(Scopes, ContinuationFlagStaysSet) {
    State s = stateAt(rootedState());
    EXPECT_FALSE(s.st().continued);
    setContinuedTrue(s);
    EXPECT_TRUE(s.st().continued);
    setContinuedTrue(s);
    EXPECT_TRUE(s.st().continued);
    setContinued(s, false);
    EXPECT_FALSE(s.st().continued);
}

TEST(Scopes, TraceTextsAndOperatorRows) {
    ParserState st = rootedState();
    auto traced = runOn(ln(succeedWith(T("abc"))), "", st, "a.sqr");
    ASSERT_TRUE(traced.ok);
    EXPECT_EQ(U8(traced.value), "a.sqr\t1\tabc\n");
    auto line3 = runOn([](State& s) {
        s.pos.sourceLine = 3;
        return rowNo(s);
    }, "", st, "a.sqr", 7);
    EXPECT_EQ(U8(line3.value), "7\ta.sqr\t3\t");
    auto failing = runOn(ln([](State& s) -> Reply<Text> { return emptyError(ParseError(s.pos)); }), "x", st);
    EXPECT_FALSE(failing.ok);

    EXPECT_EQ(U8(showListItems({})), "");
    EXPECT_EQ(U8(showListItems({T("a")})), "a");
    EXPECT_EQ(U8(showListItems({T("a"), T("b"), T("c")})), "a, b, c");

    auto le = runOn(pOperatorRow("<=", 3), "<=x");
    ASSERT_TRUE(le.ok);
    EXPECT_EQ(U8(le.value.first), "<=");
    EXPECT_EQ(le.value.second, 3);
    EXPECT_EQ(le.rest, "x");
    auto partial = runOn(pOperatorRow("<=", 3), "<>");
    EXPECT_FALSE(partial.ok);
    EXPECT_FALSE(partial.consumed);
    EXPECT_FALSE(runOn(pOperatorRow("OR", 1), "or").ok); // letter case counts
}

} // namespace
} // namespace zarnet::test
