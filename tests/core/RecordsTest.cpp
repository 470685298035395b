// Orders of the shared records, #if operand values, printed forms and the parser state.
#include "core/Show.h"
#include "TestSupport.h"

#include <cmath>
#include <map>
#include <gtest/gtest.h>

namespace zarnet {
namespace {

TEST(Order, ScopesAndVariableIdentifiers) {
    EXPECT_LT(compare(Scope::global(), Scope::local("")), 0);
    EXPECT_LT(compare(Scope::local("ABC"), Scope::local("ABD")), 0);
    EXPECT_GT(compare(Scope::local("ABC"), Scope::local("AB")), 0);
    VarIdentifier aDollar{"A", VarSymbol::Dollar}, aSharp{"A", VarSymbol::Sharp}, abDollar{"AB", VarSymbol::Dollar};
    EXPECT_LT(compare(aDollar, aSharp), 0);
    EXPECT_LT(compare(aSharp, abDollar), 0);
    EXPECT_LT(compare(VarType::decimal(2), VarType::decimal(10)), 0);
    EXPECT_LT(compare(VarType::float_(), VarType::decimal(-1)), 0);
    EXPECT_LT(compare(VarType::decimal(-1), VarType::decimal(0)), 0);
    EXPECT_LT(compare(VarType::decimal(99), VarType::text()), 0);
}

TEST(Order, VarAttrEqualityIsStructural) {
    VarAttr a;
    VarAttr b = a;
    EXPECT_TRUE(a == b);
    b.setReportPos(SourcePos{});
    EXPECT_FALSE(a == b);
    VarAttr c = a;
    c.setWarnUnderbarPos(c.warnUnderbarPos().insert(FileLine{"x", 1}, SourcePos{}));
    EXPECT_FALSE(a == c);
}

// A record keeps a report position equal to its first position, one of its own and the
// needless-underscore marks in fewer words; each still reads and changes on its own, and a
// copy never sees a change of the original.
TEST(Order, VarAttrPlacesAreIndependent) {
    const SourceName name = testSourceName("a.sqr");
    const SourcePos p{name, 3, 4, 0}, q{name, 5, 6, 0};
    VarAttr a;
    a.setVarPosition(p);
    a.setReportPos(p);
    EXPECT_EQ(a.reportPos(), p);
    a.setVarPosition(q); // the report position stays where it was
    EXPECT_EQ(a.varPosition(), q);
    EXPECT_EQ(a.reportPos(), p);
    a.setReportPos(q);
    EXPECT_EQ(a.reportPos(), q);
    const VarAttr kept = a;
    a.setWarnUnderbarPos(a.warnUnderbarPos().insert(fileLine(q), q));
    a.setReportPos(std::nullopt);
    EXPECT_FALSE(a.hasReportPos());
    EXPECT_FALSE(a.reportPos());
    EXPECT_EQ(a.warnUnderbarPos().size(), 1u);
    EXPECT_EQ(kept.reportPos(), q);
    EXPECT_TRUE(kept.warnUnderbarPos().empty());
    VarAttr b = a;
    b.setReportPos(p);
    b.setVarPosition(p);
    EXPECT_EQ(b.reportPos(), p);
    EXPECT_FALSE(a.hasReportPos());
    EXPECT_FALSE(a == b);
    a.setReportPos(p);
    a.setVarPosition(p);
    EXPECT_TRUE(a == b); // equal whichever way each keeps its report position
}

// The record's report position reads like std::optional<SourcePos>: a place with an empty
// name is still a place, and the output line is no part of equality (nor of the record:
// it reads back as 0). Records keep lines and columns in 32 bits, and places past that
// (or below 0) whole, apart: every place reads back as it was.
TEST(Order, OptionalPosAgreesWithOptional) {
    const SourceName name = testSourceName("a.sqr");
    const std::int64_t max32 = 4294967295;
    SourcePos p{SourceName{}, 3, 4, 0};
    SourcePos later = p;
    later.outputLine = 9;
    const std::optional<SourcePos> cases[] = {std::nullopt,
                                              SourcePos{},
                                              p,
                                              later,
                                              SourcePos{name, max32, max32, 0},
                                              SourcePos{name, max32 + 1, 4, 0},
                                              SourcePos{name, 3, max32 + 1, 7},
                                              SourcePos{name, 3, max32 + 9, 0},
                                              SourcePos{name, 3, -1, 0},
                                              SourcePos{SourceName{}, max32 + 1, 4, 0}};
    for (const auto& x : cases) {
        OptionalPos ox = x;
        EXPECT_EQ(ox.has_value(), x.has_value());
        EXPECT_EQ(std::optional<SourcePos>(ox), x);
        if (x) {
            EXPECT_EQ((*ox).outputLine, 0);
            const RecordPos r = *x;
            EXPECT_EQ(r.sourceLine(), x->sourceLine);
            EXPECT_EQ(r.sourceColumn(), x->sourceColumn);
            EXPECT_EQ(r.sourceName(), x->sourceName);
            EXPECT_EQ(SourcePos(r).outputLine, 0);
        }
        for (const auto& y : cases) {
            EXPECT_EQ(ox == OptionalPos(y), x == y);
            if (x && y) {
                EXPECT_EQ(RecordPos(*x) == RecordPos(*y), *x == *y);
            }
        }
    }
    OptionalPos o = p;
    o.reset();
    EXPECT_TRUE(o == std::nullopt);
    EXPECT_THROW((void)o.value(), std::bad_optional_access);
    EXPECT_EQ(o.value_or(later).outputLine, 9);
}

TEST(PPValueNumbers, WhatReadsAsANumber) {
    const char* numbers[] = {"(-5)", "( 5 )", "- 5", "1E+3", "007", "0x1F", "0o17", "NaN", "Infinity", " 5", "1.5e-3"};
    for (const char* n : numbers) EXPECT_TRUE(readPPNumber(test::T(n)).has_value()) << n;
    const char* texts[] = {"+5", ".5", "5.", "1,5", "1e", "0x", "--5", "-(5)", "5 ", "nan", "INFINITY", "", "((5)", "NaNa"};
    for (const char* t : texts) EXPECT_FALSE(readPPNumber(test::T(t)).has_value()) << t;
    EXPECT_EQ(*readPPNumber("0x1F"), 31.0);
    EXPECT_EQ(*readPPNumber("0o17"), 15.0);
    EXPECT_EQ(*readPPNumber("(-5)"), -5.0);
    EXPECT_TRUE(std::isinf(*readPPNumber("1e400")));
    EXPECT_EQ(*readPPNumber("1e-400"), 0.0);
}

TEST(PPValueCompare, NumbersWhenBothHaveOneElseTexts) {
    auto v = [](const char* t) { return PPValue::fromOperand(test::T(t)); };
    EXPECT_TRUE(v("10") > v("9"));
    EXPECT_TRUE(v("10") < v("9A"));
    EXPECT_TRUE(v("abc") == v("ABC"));
    EXPECT_TRUE(v("5") == v("5.0"));
    EXPECT_FALSE(v("5") != v("5.0"));
    EXPECT_TRUE(v("1e400") == v("Infinity"));
    EXPECT_TRUE(v("0x10") == v("16"));
    EXPECT_TRUE(v("-0") == v("0"));
    for (auto [a, b] : {std::pair{"NaN", "1"}, std::pair{"1", "NaN"}}) {
        EXPECT_FALSE(v(a) == v(b));
        EXPECT_TRUE(v(a) != v(b));
        EXPECT_TRUE(v(a) > v(b));
        EXPECT_TRUE(v(a) >= v(b));
        EXPECT_FALSE(v(a) < v(b));
        EXPECT_FALSE(v(a) <= v(b));
    }
    EXPECT_FALSE(v("NaN") == v("NaN"));
    EXPECT_TRUE(v("5 ") != v("5"));
    EXPECT_TRUE(v("5 ") > v("5"));
    EXPECT_EQ(v("\u00e9t\u00e9").text, "\u00c9T\u00c9");
}

TEST(Show, PrintedForms) {
    EXPECT_EQ(show(VarSymbol::Dollar, 11), "$");
    EXPECT_EQ(showList(std::vector<VarSymbol>{VarSymbol::Dollar, VarSymbol::Sharp}), "[$,#]");
    EXPECT_EQ(show(Scope::local("P"), 0), "Local \"P\"");
    EXPECT_EQ(show(Scope::local("P"), 11), "(Local \"P\")");
    EXPECT_EQ(show(VarType::decimal(-2), 0), "DECIMAL (-2)");
    EXPECT_EQ(show(VarIdentifier{"X", VarSymbol::Sharp}), "VarIdentifier {varName = \"X\", varSymbol = #}");
    Procedure p{"Main", Scope::local("MAIN"), SourcePos{testSourceName("a.sqr"), 3, 1}, {}};
    EXPECT_EQ(show(p), "Procedure {procName = \"Main\", procScope = Local \"MAIN\", procPosition = \"a.sqr\" "
                       "(line 3, column 1), parameters = []}");
    EXPECT_EQ(show(PPValue{"5", 5.0}), "PPValue (\"5\",Just 5.0)");
    EXPECT_EQ(show(PPValue{"A", std::nullopt}), "PPValue (\"A\",Nothing)");
    EXPECT_EQ(showDouble(-0.5, 11), "(-0.5)");
    EXPECT_EQ(showDouble(1e7), "1.0e7");
    EXPECT_EQ(showDouble(0.01), "1.0e-2");
    EXPECT_EQ(showDouble(1234567.5), "1234567.5");
    EXPECT_EQ(showDouble(0.1), "0.1");
}

TEST(ParserStateTest, InitialValueAndMaps) {
    const ParserState& s = initialState();
    EXPECT_TRUE(s.context.empty());
    EXPECT_TRUE(s.symtab.empty());
    EXPECT_EQ(State{}.sequenceNo, 1); // the output line counter travels beside the position
    EXPECT_TRUE(s.sourceNameStack.empty());
    EXPECT_EQ(s.currentScope, Scope::global());
    EXPECT_EQ(s.scopeMap.size(), 1u);
    EXPECT_TRUE(s.scopeMap.contains(Scope::global()));
    EXPECT_TRUE(s.procMap.empty());
    EXPECT_FALSE(s.continued);
    EXPECT_TRUE(s.bol);
    EXPECT_TRUE(s.searchPaths.empty());
    EXPECT_TRUE((*s.matchSourceNameForReport)(""));
    EXPECT_TRUE((*s.matchSourceNameForReport)("any.sqc"));
    EXPECT_FALSE(s.recursiveCheck);
    EXPECT_TRUE(s.rootSourceName.empty());

    ScopeMap m = insertGlobalScope(VarMap(), initialScopeMap());
    EXPECT_EQ(m.size(), 1u);
    ScopeMap ordered = insertByScope(Scope::global(), VarMap(),
                                     insertByScope(Scope::local("A"), VarMap(),
                                                   insertByScope(Scope::local("B"), VarMap(), ScopeMap())));
    std::vector<Scope> keys;
    ordered.forEach([&](const Scope& k, const VarMap&) { keys.push_back(k); });
    EXPECT_EQ(keys, (std::vector<Scope>{Scope::global(), Scope::local("A"), Scope::local("B")}));

    SymTab t1 = insertByName<Text>("ABC", "1", SymTab());
    SymTab t2 = insertByName<Text>("ABC", "2", t1);
    EXPECT_EQ(t2.size(), 1u);
    EXPECT_EQ(*lookupByName(Text("ABC"), t2), "2");
    EXPECT_EQ(*lookupByName(Text("ABC"), t1), "1"); // the old version is unchanged
    EXPECT_FALSE(lookupByName(Text("abc"), t2).has_value());
}

TEST(ParserStateTest, PersistentMapStaysBalancedAndOrdered) {
    SymTab t;
    std::vector<SymTab> versions;
    for (int i = 0; i < 2000; ++i) {
        t = t.insert(std::to_string((i * 7919) % 2000), std::to_string(i));
        if (i % 500 == 0) versions.push_back(t);
    }
    EXPECT_EQ(t.size(), 2000u);
    EXPECT_EQ(versions[0].size(), 1u);
    Text prev;
    bool first = true;
    t.forEach([&](const Text& k, const Text&) {
        if (!first) {
            EXPECT_LT(prev, k);
        }
        prev = k;
        first = false;
    });
}

// update changes in place only what no other version shares: every copy taken along the way
// (of the map, or of a value inside it) keeps the contents it had when it was taken.
TEST(ParserStateTest, UpdateInPlaceNeverChangesAKeptVersion) {
    using Inner = PMap<int, int, decltype([](int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); })>;
    using Outer = PMap<int, Inner, decltype([](int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); })>;
    auto contents = [](const Outer& m) {
        std::map<int, std::map<int, int>> out;
        m.forEach([&](int k, const Inner& in) {
            auto& row = out[k];
            in.forEach([&](int ik, int v) { row[ik] = v; });
        });
        return out;
    };
    Outer m;
    std::map<int, std::map<int, int>> model;
    std::vector<std::pair<Outer, std::map<int, std::map<int, int>>>> kept;
    std::vector<std::pair<Inner, std::map<int, int>>> keptInner;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000u; };
    for (int i = 0; i < 20000; ++i) {
        const int k = int(next() % 40), ik = int(next() % 300), v = i;
        m.update(
            k, [&] { return Inner().insert(ik, v); },
            [&](Inner& in) { in.update(ik, [&] { return v; }, [&](int& old) { old += v; }); });
        auto& row = model[k];
        row[ik] = row.count(ik) ? row[ik] + v : v;
        if (i % 997 == 0) kept.emplace_back(m, model);
        if (i % 1201 == 0) keptInner.emplace_back(*m.find(k), row);
    }
    EXPECT_EQ(contents(m), model);
    for (const auto& [version, expected] : kept) EXPECT_EQ(contents(version), expected);
    for (const auto& [inner, expected] : keptInner) {
        std::map<int, int> got;
        inner.forEach([&](int ik, int v) { got[ik] = v; });
        EXPECT_EQ(got, expected);
    }
    // Still a search tree with correct counts after the in-place rebalancing.
    EXPECT_EQ(m.size(), model.size());
    auto balanced = [](std::size_t n, int height) { return height < 1.45 * std::log2(double(n) + 2); };
    EXPECT_TRUE(balanced(m.size(), m.height()));
    m.forEach([&](int k, const Inner& in) {
        EXPECT_EQ(in.size(), model[k].size()) << k;
        EXPECT_TRUE(balanced(in.size(), in.height())) << k;
        int prev = -1;
        in.forEach([&](int ik, int) {
            EXPECT_LT(prev, ik) << k;
            prev = ik;
        });
        for (const auto& [ik, v] : model[k]) {
            const int* found = in.find(ik);
            ASSERT_NE(found, nullptr) << k << " " << ik;
            EXPECT_EQ(*found, v);
        }
    });
}

// The store holds the global map and one local map apart from the others; read any way, it
// must show every scope's latest map, and a copy kept at any point what it showed then.
TEST(ParserStateTest, ScopeStoreReadsLikeOneMapOfScopes) {
    using Model = std::map<std::string, std::map<std::string, std::int64_t>>;
    auto key = [](int i) { return i == 0 ? Scope::global() : Scope::local("P" + std::to_string(i)); };
    auto name = [](const Scope& sc) { return sc.isLocal ? test::U8(sc.name) : std::string("<global>"); };
    auto contents = [&](const ScopeStore& st) {
        Model out;
        st.forEach([&](const Scope& sc, const VarMap& vars) {
            auto& row = out[name(sc)];
            vars.forEach([&](const VarIdentifier& id, const VarAttr& a) { row[test::U8(id.varName)] = a.usedCount; });
        });
        return out;
    };
    ScopeStore store = initialScopeMap();
    Model model{{"<global>", {}}};
    std::vector<std::pair<ScopeStore, Model>> kept;
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000u; };
    for (int i = 0; i < 3000; ++i) {
        // Runs of writes to one scope, as a procedure body makes them, mixed with globals.
        const Scope sc = key(next() % 3 == 0 ? 0 : int(i / 40 % 7) + 1);
        const std::string var = "V" + std::to_string(next() % 12);
        const VarIdentifier id{var, VarSymbol::Sharp};
        store.update(
            sc,
            [&] {
                VarAttr a;
                a.usedCount = 1;
                return VarMap().insert(id, a);
            },
            [&](VarMap& vars) {
                vars.update(
                    id,
                    [] {
                        VarAttr a;
                        a.usedCount = 1;
                        return a;
                    },
                    [](VarAttr& a) { a.usedCount += 1; });
            });
        model[name(sc)][var] += 1;
        if (i % 101 == 0) kept.emplace_back(store, model);
    }
    EXPECT_EQ(contents(store), model);
    EXPECT_EQ(store.size(), model.size());
    for (const auto& [scopeName, vars] : model) {
        const Scope sc = scopeName == "<global>" ? Scope::global() : Scope::local(scopeName);
        ASSERT_TRUE(store.contains(sc)) << scopeName;
        EXPECT_EQ(store.find(sc)->size(), vars.size()) << scopeName;
    }
    EXPECT_FALSE(store.contains(Scope::local("NONE")));
    EXPECT_TRUE(ScopeStore(store.all()) == store);
    for (const auto& [version, expected] : kept) EXPECT_EQ(contents(version), expected);
}

TEST(PersistentListTest, LongListsAreDroppedWithoutDeepRecursion) {
    PList<SourceSwitch> l;
    for (int i = 0; i < 1000000; ++i) l = l.push(SourceSwitch{i, "f", 1});
    EXPECT_EQ(l.front().outputLine, 999999);
    EXPECT_EQ(l.reversed().front().outputLine, 0);
}

} // namespace
} // namespace zarnet
