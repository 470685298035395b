#include "TestSupport.h"

#include "preprocessor/Define.h"
#include "preprocessor/Preprocessor.h"
#include "preprocessor/PreprocessorRun.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

auto preprocess(std::string_view input) {
    return runOn([](State& s) { return pSqr(s, pZarnet); }, input);
}

std::string symtabValue(const UserState& u, const char* key) {
    auto v = lookupByName(T(key), u->state.symtab);
    return v ? U8(*v) : "<none>";
}

const std::string kWarn = "(SQR 4707) No value found for substitution variable: {";

struct DefineCase {
    const char* source;
    const char* output;                                       // preprocessed text
    std::vector<std::pair<const char*, const char*>> symtab; // key, value ("<none>": absent)
};

TEST(Define, FormsOfTheDirective) {
    const DefineCase cases[] = {
        {"#define x  a  b   ! c\n", "\n", {{"X", "a  b"}}},
        {"   #DeFiNe Path /usr/x\n{PATH}|{path}\n", "   \n/usr/x|/usr/x\n", {{"PATH", "/usr/x"}}},
        {"#define q 'a b'\n", "\n", {{"Q", "'a b'"}}},
        {"#define q 'a!b' c\n", "\n", {{"Q", "'a"}}},
        {"#define q a!=b!!c\t\n", "\n", {{"Q", "a!=b!!c"}}},
        {"#define a=1\n", "\n", {{"A=1", ""}}},
        {"#define n\n", "\n", {{"N", ""}}},
        {"#define\tn\f\n", "\n", {{"N", ""}, {"N\f", "<none>"}}},
        {"#define\n#define   \n#define  ! c\n#define!c\n", "\n\n\n\n", {}},
        {"#definex y\n", "#definex y\n", {{"X", "<none>"}}},
        {"#define x 1\n#define X 2\n{x}\n", "\n\n2\n", {{"X", "2"}}},
        {"#define x 1", "\n", {{"X", "1"}}},
        {"#define x 1\r\n{x}\r\n", "\n1\n", {{"X", "1"}}},
        {"#define sqr-dbcs yes\n{SQR-DBCS}\n", "\nyes\n", {{"SQR-DBCS", "yes"}}},
        {"#define v abc\f\n", "\n", {{"V", "abc"}}},
        // A continuation hyphen ends the value with one blank before it; the next line is
        // a line of its own.
        {"#define v w -\nnext\n", "\nnext\n", {{"V", "w -"}}},
        {"#define v w-\n", "\n", {{"V", "w -"}}},
        {"#define v w\t-  ! c\n", "\n", {{"V", "w\t-"}}},
        {"#define v a - b\n", "\n", {{"V", "a - b"}}},
        {"#define -x 1\n", "\n", {{"-X", "1"}}},
        // References are expanded once, when the line is read.
        {"#define a 1\n#define b {a}x\n#define a 2\n{b}\n", "\n\n\n1x\n", {{"B", "1x"}}},
        {"#define k ab\n#define {k}s  {k} \n", "\n\n", {{"ABS", "ab"}}},
        {"#define e \f\n#define {e} 1\n", "\n\n", {{"E", ""}, {"", "<none>"}}},
    };
    for (const DefineCase& c : cases) {
        SCOPED_TRACE(c.source);
        CapturedConsole con;
        auto o = preprocess(c.source);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.output);
        for (auto [k, v] : c.symtab) EXPECT_EQ(symtabValue(o.user, k), v) << k;
        EXPECT_EQ(con.out, "");
    }
}

TEST(Define, ReferencesWithoutValueWarnFirst) {
    CapturedConsole con;
    auto o = preprocess("#define {k}s 1\n#define s {s}x\n{K}S\n");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(con.out, "\"test.sqr\" (line 1, column 9):\n" + kWarn + "k}\n" +
                           "\"test.sqr\" (line 2, column 11):\n" + kWarn + "s}\n");
    EXPECT_EQ(symtabValue(o.user, "K"), "{k}");
    EXPECT_EQ(symtabValue(o.user, "{K}S"), "1");
    // The definition replaces the entry that the warning made for the name itself.
    EXPECT_EQ(symtabValue(o.user, "S"), "{s}x");
    EXPECT_EQ(U8(o.value), "\n\n{k}S\n");
}

TEST(Define, TextLeftOnTheLineEndsTheRun) {
    struct ErrorCase {
        const char* source;
        const char* error;
    };
    const ErrorCase cases[] = {
        // A continuation hyphen where the name or the value would begin: the line tail
        // after it (where that tail ends) and the hyphen itself are unexpected, and what the
        // empty tail could have gone on with is expected.
        {"#define X -\n", "\"test.sqr\" (line 1, column 12):\nunexpected \"\" or '-'\nexpecting space or \"!\""},
        {"#define -\n", "\"test.sqr\" (line 1, column 10):\nunexpected \"\" or '-'\nexpecting space or \"!\""},
        {"#define X  -  ! c\n", "\"test.sqr\" (line 1, column 18):\nunexpected \"\""},
        {"#define X 1\rfoo\n",
         "\"test.sqr\" (line 1, column 12):\nunexpected \"\\r\"\n"
         "expecting \"{\", \"-\", \"!=\", \"!!\", space, \"!\" or \"\\r\\n\""},
    };
    for (const ErrorCase& c : cases) {
        CapturedConsole con;
        auto o = preprocess(c.source);
        EXPECT_FALSE(o.ok) << c.source;
        EXPECT_TRUE(o.consumed) << c.source;
        EXPECT_EQ(o.error, c.error) << c.source;
    }
}

TEST(Define, DirectiveAfterItsKeyword) {
    CapturedConsole con;
    auto o = runOn(pDefineDirective, " Name   value  here \nrest");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(U8(o.value), "\n");
    EXPECT_EQ(o.rest, "rest");
    EXPECT_EQ(o.sequenceNo, 2);
    EXPECT_EQ(symtabValue(o.user, "NAME"), "value  here");

    auto k = runOn(pDefineKeyword, "#DEFINE x");
    EXPECT_EQ(U8(k.value), "#DEFINE");
    auto partial = runOn(pDefineKeyword, "#dex");
    EXPECT_FALSE(partial.ok);
    EXPECT_TRUE(partial.consumed);
}

// The direct path for common #define lines against the grammar after the keyword: every
// short text over the characters that shape a definition, then random longer lines, most
// of them begun with the blank that the direct path needs.
TEST(Define, DirectPathAgreesWithTheGrammar) {
    ParserState st = initialState();
    for (auto [k, v] : {std::pair{"x", "1 2"}, {"e", ""}, {"b", "! -"}})
        st.symtab = insertByName(toUpperText(T(k)), T(v), st.symtab);
    auto check = [&](const Text& t) { expectSameAsGrammar(pDefineDirective, pDefineDirectiveInFull, t, st); };
    forShortAndRandomTexts(" \t-!=x{}\n\r", 4, 0, 4, "", check);
    if (HasFatalFailure()) return;
    forShortAndRandomTexts(" \t-!=x{}\n\r\v\u00a0eb'", 0, 15000, 24, " ", check);
    if (HasFatalFailure()) return;
    forShortAndRandomTexts(" \t-!=x{}\n\r\v\u00a0eb'", 0, 5000, 24, "", check);
}

// Values that reference each other double with each #define. What references put into a
// line (or a #define value) is bounded: a line at the bound passes, one past it ends the
// run at the "{" of the reference that crosses it, on both paths alike. The run's bound
// is lowered from 16 MiB to 2^10 to keep the test fast (the command-line case runs the
// real one).
TEST(Define, SubstitutedTextPastTheBoundEndsTheRun) {
    // a9 has 2^9 characters, half the bound.
    std::string base = "#define a0 x\n";
    for (int i = 1; i <= 9; ++i)
        base += "#define a" + std::to_string(i) + " {a" + std::to_string(i - 1) + "}{a" + std::to_string(i - 1) + "}\n";
    struct Case {
        const char* tail;
        const char* error; // empty: the run succeeds
    } const cases[] = {
        {"#define a10 {a9}{a9}\n", ""},
        {"x {a9} {a9}\n", ""},
        {"{a9}{a9}", ""}, // a last line's error is taken by reading its last piece again
        {"#define a10 {a9}{a9}\n#define a11 {a10}{a10}\n", "(line 12, column 18)"},
        {"x {a9} {a9}{a0}\n", "(line 11, column 12)"},
        {"#define a10 {a9}{a9}x{a0}\n", "(line 11, column 22)"},
        {"#if {a9}{a9}{a0} = 1\n#endif\n", "(line 11, column 13)"},
    };
    for (const Case& c : cases) {
        for (bool fastPaths : {true, false}) {
            auto o = runOn([fastPaths](State& s) {
                             s.run->fastPaths = fastPaths;
                             preprocessorRun(s).maxSubstitutedLength = 1024;
                             return pSqr(s, pZarnet);
                         },
                           base + c.tail);
            if (!*c.error) {
                EXPECT_TRUE(o.ok) << c.tail << o.error;
                continue;
            }
            EXPECT_FALSE(o.ok) << c.tail;
            EXPECT_EQ(o.error, std::string("\"test.sqr\" ") + c.error +
                                   ":\nsubstituted text too long (more than 16777216 characters)")
                << c.tail << fastPaths;
        }
    }
}

} // namespace
} // namespace zarnet::test
