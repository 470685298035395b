#include "TestSupport.h"

#include "preprocessor/PreprocessorRun.h"
#include "sqr/Variables.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

using namespace zarnet::sqr;

// The root file is the test source, so that every occurrence is reported.
ParserState rooted(Scope current = Scope::global()) {
    ParserState st = initialState();
    st.rootSourceName = testSourceName("test.sqr");
    st.currentScope = current;
    return st;
}

// The recorded uses as "scope:$NAME=count@line:col" in key order, "!" marking an
// underscore entry.
std::vector<std::string> uses(const UserState& u) {
    std::vector<std::string> out;
    u->state.scopeMap.forEach([&](const Scope& sc, const VarMap& vars) {
        vars.forEach([&](const VarIdentifier& id, const VarAttr& a) {
            std::string e = (sc.isLocal ? U8(sc.name) : std::string("G")) + ":" +
                            (id.varSymbol == VarSymbol::Dollar ? "$" : "#") + U8(id.varName) + "=" +
                            std::to_string(a.usedCount) + "@" + std::to_string(a.varPosition().sourceLine()) + ":" +
                            std::to_string(a.varPosition().sourceColumn());
            if (!a.warnUnderbarPos().empty()) e += "!";
            out.push_back(e);
        });
    });
    return out;
}

using Strings = std::vector<std::string>;

// Every token of a run, as pArgToken reads them.
Reply<std::vector<Text>> tokens(State& s) {
    static const auto p = manyOne(pArgToken);
    return p(s);
}

Strings texts(const std::vector<Text>& v) {
    Strings out;
    for (const Text& t : v) out.push_back(U8(t));
    return out;
}

// A third test for the sign's place, failing there with its own expectation.
auto symbolOfX() {
    return [](State& s) -> Reply<VarSymbol> {
        Reply<char32_t> r = char_(U'x')(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(true, VarSymbol::Sharp, std::move(r.err));
    };
}

TEST(Variables, SigilsAndNameCharacters) {
    auto sharp = runOn(pAnyVarSymbol, "#x");
    EXPECT_TRUE(sharp.ok && sharp.value == VarSymbol::Sharp);
    EXPECT_EQ(runOn(pAnyVarSymbol, "$x").value, VarSymbol::Dollar);
    auto none = runOn(pAnyVarSymbol, "x");
    EXPECT_FALSE(none.ok || none.consumed);
    EXPECT_EQ(none.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"x\"\nexpecting \"#\" or \"$\"");
    // The two tests read as one: the sign taken, and where none stands, their merged error,
    // alone or merged on.
    const auto bothTests = orElse(pNumVarSymbol, pTextVarSymbol);
    for (const char* input : {"#", "$x", "x", "y", "", "\n", "\xC3\x84"}) {
        SCOPED_TRACE(input);
        const auto then = [](auto p) { return seqRight(p, char_(U'\x01')); };
        auto a = runOn(then(pAnyVarSymbol), input);
        auto b = runOn(then(bothTests), input);
        EXPECT_EQ(a.error, b.error);
        EXPECT_EQ(a.consumed, b.consumed);
        EXPECT_EQ(runOn(pAnyVarSymbol, input).error, runOn(bothTests, input).error);
        EXPECT_EQ(runOn(orElse(pAnyVarSymbol, symbolOfX()), input).error,
                  runOn(orElse(bothTests, symbolOfX()), input).error);
        EXPECT_EQ(runOn(orElse(pNumVarSymbol, pAnyVarSymbol), input).error,
                  runOn(orElse(pNumVarSymbol, bothTests), input).error);
    }
    EXPECT_FALSE(runOn(pNumVarSymbol, "$").ok);
    EXPECT_FALSE(runOn(pTextVarSymbol, "#").ok);

    int members = 0;
    Text listed;
    for (char32_t c = 0; c < 0x110000; ++c)
        if (isVarNameChar(c)) {
            ++members;
            appendChar(listed, c);
        }
    EXPECT_EQ(members, 121);
    EXPECT_EQ(varNameChars(), listed);
    for (char32_t c : {U'0', U'9', U'A', U'z', U'_', char32_t(0xA6), char32_t(0xDF)}) EXPECT_TRUE(isVarNameChar(c)) << unsigned(c);
    for (char32_t c : {U'-', U'.', U'$', U'#', char32_t(0xA5), char32_t(0xE0), U' '}) EXPECT_FALSE(isVarNameChar(c)) << unsigned(c);
    EXPECT_TRUE(runOn(pDeclVarNameChar, ")").ok);
    EXPECT_TRUE(runOn(pDeclVarNameChar, "-").ok);
    auto dot = runOn(pDeclVarNameChar, ".");
    EXPECT_FALSE(dot.ok || dot.consumed);
    EXPECT_EQ(dot.error, "\"test.sqr\" (line 1, column 1):\nunexpected \".\"");
    auto kw = runOn(pDeclareVariableKeyword, "Declare-Variable x");
    EXPECT_TRUE(kw.ok);
    EXPECT_EQ(U8(kw.value), "Declare-Variable");
    EXPECT_STREQ(invalidVarNameError, "(SQR 7210) Invalid Variable name specified.");
}

TEST(Variables, StrictNames) {
    struct Case {
        const char* input;
        bool ok, consumed;
        const char* value;
        const char* rest;
    };
    const Case cases[] = {
        {"a-b-c", true, true, "a-b-c", ""},
        {"ab)", true, true, "ab", ")"},
        {"x_1\xC3\x9F+", true, true, "x_1\xC3\x9F", "+"}, // U+00DF is a name character
        {"a--b", false, true, "", "-b"},
        {"a- ", false, true, "", " "},
        {"-a", false, false, "", "-a"},
        {"\xC3\xA0", false, false, "", "\xC3\xA0"}, // U+00E0 is not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pStrictName, c.input);
        EXPECT_EQ(o.ok, c.ok);
        EXPECT_EQ(o.consumed, c.consumed);
        if (c.ok) {
            EXPECT_EQ(U8(o.value), c.value);
            EXPECT_EQ(o.rest, c.rest);
        }
    }
}

TEST(Variables, ReferenceRecordsOneUseAtItsSigil) {
    auto global = runOn(seqRight(pSkipBlanks, pAnyVariable(pBareVarName)), "  $_total x", rooted());
    ASSERT_TRUE(global.ok);
    EXPECT_EQ(U8(global.value), "$_total");
    EXPECT_EQ(uses(global.user), Strings{"G:$_TOTAL=1@1:3!"});
    EXPECT_EQ(global.rest, " x");

    const Scope local = Scope::local(T("GET_DATA"));
    auto inLocal = runOn(seqRight(pVar, pSkipBlanks), "$_total ", rooted(local));
    auto localUse = runOn(pNumVar, "#count", inLocal.user->state);
    EXPECT_EQ(uses(localUse.user), (Strings{"G:$TOTAL=1@1:1", "GET_DATA:#COUNT=1@1:1"}));

    auto doubled = runOn(pVar, "$__a", rooted());
    EXPECT_EQ(U8(doubled.value), "$__a");
    EXPECT_EQ(uses(doubled.user), Strings{"G:$__A=1@1:1!"});

    // A DO argument's name runs up to the list's separators.
    auto argument = runOn(pAnyVariable(pParameterVarName), "$a!!b-c, #d)", rooted());
    EXPECT_EQ(U8(argument.value), "$a!b-c");
    EXPECT_EQ(argument.rest, ", #d)");
    EXPECT_EQ(uses(argument.user), Strings{"G:$A!B-C=1@1:1"});

    // A local procedure's plain reference stays local even when a global of the name exists.
    auto shadow = runOn(pVar, "$x", rooted(local));
    EXPECT_EQ(uses(shadow.user), Strings{"GET_DATA:$X=1@1:1"});
}

TEST(Variables, IncompleteReferenceConsumesAndRecordsNothing) {
    for (const char* input : {"$ ", "$_ ", "$", "#_", "$-", "$a-"}) {
        SCOPED_TRACE(input);
        ParserState st = rooted();
        const State start = startState(input, st);
        State seen = stateSeenByNextAlternative(pVar, start);
        EXPECT_TRUE(seen.user == start.user);
        EXPECT_EQ(seen.cur, start.cur);
        auto o = runOn(pVar, input, st);
        EXPECT_FALSE(o.ok || o.consumed);
    }
    // The error is the one of the step that failed, beyond the sigil.
    EXPECT_EQ(runOn(pVar, "$ ", rooted()).error,
              "\"test.sqr\" (line 1, column 2):\nunexpected \" \"\nexpecting \"_\"");
}

TEST(Tokens, LinesSplitIntoTokensAndRecordUses) {
    struct Case {
        const char* line;
        Strings tokens;
        Strings uses;
        const char* rest = "";
    };
    const Case cases[] = {
        {"let #j = #i-1", {"let", "#j", "=", "#i-1"}, {"G:#I-1=1@1:10", "G:#J=1@1:5"}},
        {"if #a<>#b", {"if", "#a", "<", ">", "#b"}, {"G:#A=1@1:4", "G:#B=1@1:8"}},
        {"print $name(1)", {"print", "$name", "(", "1", ")"}, {"G:$NAME=1@1:7"}},
        {"$(x)", {"$(x", ")"}, {"G:$(X=1@1:1"}},
        {":$x abc#d", {":$x", "abc#d"}, {}},
        {"$a'b abc'def'", {"$a'b", "abc", "'def'"}, {"G:$A'B=1@1:1"}},
        {"#1 #a+#b", {"#1", "#a", "+", "#b"}, {"G:#1=1@1:1", "G:#A=1@1:4", "G:#B=1@1:7"}},
        {"!=", {"!", "="}, {}},
        {"show $x \t$X\n#y", {"show", "$x", "$X"}, {"G:$X=2@1:6"}, "\n#y"},
        {"a\x1A" "b $v\x1Aw", {"a\x1A" "b", "$v", "\x1Aw"}, {"G:$V=1@1:5"}},
        {"'it''s' $a", {"'it's'", "$a"}, {"G:$A=1@1:9"}},
        // A lone sign is a one-character word: the scan goes on past it.
        {"print $x wrap 15 2 on=$ strip=$", {"print", "$x", "wrap", "15", "2", "on", "=", "$", "strip", "=", "$"},
         {"G:$X=1@1:7"}},
        {"a # $\t#b", {"a", "#", "$", "#b"}, {"G:#B=1@1:9"}},
        {"on=#\n$x", {"on", "=", "#"}, {}, "\n$x"},
        {"$\x1A", {"$", "\x1A"}, {}},
        // A sign with only the underscore after it is no token.
        {"a $_ b", {"a"}, {}, "$_ b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto o = runOn(tokens, c.line, rooted());
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(texts(o.value), c.tokens);
        EXPECT_EQ(uses(o.user), c.uses);
        EXPECT_EQ(o.rest, c.rest);
    }
}

TEST(Tokens, ContinuationCarriesTheLineOn) {
    auto o = runOn(pArgTokens, "let #a = -\n   #b  -\n + 1\nnext", rooted());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.rest, "\nnext");
    EXPECT_EQ(uses(o.user), (Strings{"G:#A=1@1:5", "G:#B=1@2:4"}));
    EXPECT_TRUE(o.user->state.continued);
    EXPECT_EQ(o.sequenceNo, 3);
    // A hyphen that ends a word is part of it, and the line ends there.
    auto word = runOn(pArgTokens, "let #a-\n#b", rooted());
    EXPECT_EQ(word.rest, "\n#b");
    EXPECT_EQ(uses(word.user), Strings{"G:#A-=1@1:5"});
    EXPECT_FALSE(word.user->state.continued);
}

TEST(Tokens, NoTokenAtLineEndsAndUnterminatedLiteralsEndTheParse) {
    for (const char* input : {"", "\n", "\r\n", " x"}) {
        SCOPED_TRACE(input);
        auto o = runOn(anyTok, input);
        EXPECT_FALSE(o.ok || o.consumed);
    }
    auto open = runOn(pArgTokens, "show 'abc", rooted());
    EXPECT_FALSE(open.ok);
    EXPECT_TRUE(open.consumed);
    auto openNext = runOn(pArgTokens, "show $a 'ab\ncd", rooted());
    EXPECT_FALSE(openNext.ok);
    EXPECT_TRUE(openNext.consumed);
    // A literal runs on over a line end.
    auto twoLines = runOn(pArgTokens, "show 'ab\ncd' $x\n", rooted());
    ASSERT_TRUE(twoLines.ok) << twoLines.error;
    EXPECT_EQ(uses(twoLines.user), Strings{"G:$X=1@2:5"});
}

// What a caller can tell apart after either parser (expectSameReading).
template <class P, class Q> void expectSame(P quick, Q rule, const Text& input, const ParserState& st) {
    expectSameReading(quick, rule, U8(input), st);
}

// Two tokens, then a failing step: the pending error of the tokens shows in its message.
template <class P> auto thenFail(P p) { return seqRight(p, char_(U'\x01')); }

// The quick token scan against the rule on short and random texts over the alphabet, alone
// and with a failing step after it, in the global scope and in a local one.
void expectQuickScanIsTheRule(const Text& alphabet, int randomCount) {
    for (const ParserState& st : {rooted(), rooted(Scope::local(T("PROC")))}) {
        forShortAndRandomTexts(alphabet, 5, randomCount, 24, Text(), [&](const Text& t) {
            expectSame(pArgTokens, pArgTokensByRule, t, st);
            expectSame(thenFail(pArgTokens), thenFail(pArgTokensByRule), t, st);
        });
    }
}

TEST(Tokens, QuickScanAgreesWithTheRule) {
    const Text alphabet = T("a$#_ '-\n(\x1A\r");
    // In a local procedure the underscore marker sends a use to the global scope (both are tried).
    expectQuickScanIsTheRule(alphabet, 5000);
}

TEST(Tokens, QuickScanAgreesWithTheRuleOverTabsOperatorsAndWideCharacters) {
    // The scan takes ASCII runs at once; a tab, a character beyond ASCII (a name character,
    // a blank) or an operator next to a sigil, a marker or a quote is where it must hand on.
    const Text alphabet = T("$_'\t+x\u00C4\u00A0 ");
    expectQuickScanIsTheRule(alphabet, 3000);
}

TEST(Tokens, LongLinesAndNamesRunInLoops) {
    std::string line;
    for (int i = 0; i < 200000; ++i) line += "#a + -\n";
    line += std::string(1000000, 'n') + " $" + std::string(1000000, 'v') + "\nrest";
    auto o = runOn(pArgTokens, line, rooted());
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.rest, "\nrest");
    EXPECT_EQ(uses(o.user).front(), "G:#A=200000@1:1");
    EXPECT_EQ(o.sequenceNo, 200001);
}

TEST(Tokens, FailedAlternativeTakesItsUsesAlong) {
    // A statement rule that scans the line, then fails after it, is undone as a unit.
    auto rule = attempt(seqRight(pArgTokens, char_(U';')));
    const State start = startState("let #a = $b\n", rooted());
    State seen = stateSeenByNextAlternative(rule, start);
    EXPECT_TRUE(seen.user == start.user);
    EXPECT_TRUE(uses(seen.user).empty());
    // The same line scanned by the next alternative records each use once.
    auto o = runOn(orElse(seqRight(rule, succeedWith(Unit{})), pArgTokens), "let #a = $b\n", rooted());
    EXPECT_EQ(uses(o.user), (Strings{"G:#A=1@1:5", "G:$B=1@1:10"}));
}

TEST(Tokens, SqlBindVariables) {
    auto o = runOn(pSqlBindVar, "[ $x ] y", rooted());
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(U8(o.value), "$x");
    EXPECT_EQ(o.rest, "y");
    EXPECT_EQ(uses(o.user), Strings{"G:$X=1@1:3"});
    auto two = runOn(pSqlBindVar, "[$x y]", rooted());
    EXPECT_FALSE(two.ok);
    EXPECT_NE(two.error.find("(line 1, column 5)"), std::string::npos) << two.error;
    EXPECT_EQ(U8(runOn(pSqlBindVar, "[#a.b(c)]").value), "#a.b(c)");
}

TEST(Parameters, NamesStopAtListSeparators) {
    struct Case {
        const char* input;
        const char* name; // nullptr: fails clean
        const char* rest;
    };
    const Case cases[] = {
        {"a, b)", "a", ", b)"},   {"a)", "a", ")"},       {"a!!b", "a!b", ""},    {"a!b", "a", "!b"},
        {"a(1)", "a(1", ")"},     {"cust-id.x'y$#", "cust-id.x'y$#", ""}, {"a\x1A", "a", "\x1A"},
        {" a", nullptr, " a"},    {",", nullptr, ","},    {")", nullptr, ")"},    {"!a", nullptr, "!a"},
        {"", nullptr, ""},        {"!!", "!", ""},        {"a\tb", "a", "\tb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto o = runOn(pParameterVarName, c.input, rooted());
        EXPECT_EQ(o.ok, c.name != nullptr);
        if (c.name) {
            EXPECT_EQ(U8(o.value), c.name);
            EXPECT_EQ(o.rest, c.rest);
        } else {
            EXPECT_FALSE(o.consumed);
        }
        EXPECT_TRUE(uses(o.user).empty());
    }
    EXPECT_EQ(runOn(pParameterVarName, ",").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \",\"\nexpecting \"!\"");
}

// The quick reading of a name keeps the plain rule's outcome and pending error wherever the
// name ends: at a stop, at "!" or "!!", at the end of the input, beyond ASCII.
TEST(ParameterVarName, QuickReadingIsThePlainRule) {
    forShortAndRandomTexts("a!, )\n\u00e9", 4, 300, 10, Text(), [](const Text& in) {
        expectSameAsGrammar(pParameterVarName, [](State& st) { return plainGrammar(st, pParameterVarName); }, in,
                            rooted());
    });
}

// An index list of comma-separated words, standing in for the expression grammar's.
Reply<std::vector<Text>> wordList(State& s) {
    static const auto word = lexeme(pStrictName);
    static const auto p = separatedBy(word, lexeme(char_(U',')));
    return p(s);
}

TEST(Operands, ColumnsAndArrayElements) {
    auto col = runOn(pColumn, "&emp.name  x", rooted());
    ASSERT_TRUE(col.ok);
    EXPECT_EQ(U8(col.value), "&emp.name");
    EXPECT_EQ(col.rest, "x");
    auto bare = runOn(pColumn, "& x");
    EXPECT_FALSE(bare.ok || bare.consumed);

    auto element = pArrayElement(wordList);
    auto empty = runOn(element, "emps.salary() x", rooted());
    ASSERT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(U8(empty.value), "emps.salary()");
    EXPECT_EQ(empty.rest, "x");
    auto two = runOn(element, "emps.salary( i ,j )", rooted());
    ASSERT_TRUE(two.ok) << two.error;
    EXPECT_EQ(U8(two.value), "emps.salary(i, j)");
    for (const char* input : {"emps(1)", "emps.salary", "emps.salary(1", "emps-.x()"}) {
        SCOPED_TRACE(input);
        auto o = runOn(element, input, rooted());
        EXPECT_FALSE(o.ok || o.consumed);
    }
}

} // namespace
} // namespace zarnet::test
