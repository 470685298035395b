#include "TestSupport.h"

#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/Substitution.h"

#include <gtest/gtest.h>

#include <random>

namespace zarnet::test {
namespace {

ParserState withSymtab(std::initializer_list<std::pair<const char*, const char*>> entries) {
    ParserState st = initialState();
    for (auto [k, v] : entries) st.symtab = insertByName(toUpperText(T(k)), T(v), st.symtab);
    return st;
}

std::string symtabValue(const UserState& u, const char* key) {
    auto v = lookupByName(T(key), u->state.symtab);
    return v ? U8(*v) : "<none>";
}

const std::string kWarn = "(SQR 4707) No value found for substitution variable: {";

TEST(SubstTable, NamesAreUpperCasedAndValuesKeptAsGiven) {
    State s = startState("");
    defineSubstVar(s, T("path"), T("  /a b/{c}  "));
    for (const char* spelling : {"PATH", "Path", "path"})
        EXPECT_EQ(U8(*lookupSubstVar(s, T(spelling)).value), "  /a b/{c}  ");
    defineSubstVar(s, T("PaTh"), T(""));
    EXPECT_EQ(s.st().symtab.size(), 1u);
    EXPECT_EQ(U8(*lookupSubstVar(s.st(), T("path"))), "");

    // Simple one-to-one mapping: ß has no single upper-case letter, ÿ maps to Ÿ.
    defineSubstVar(s, T("straße"), T("1"));
    defineSubstVar(s, T("ÿ"), T("2"));
    EXPECT_TRUE(s.st().symtab.contains(T("STRAßE")));
    EXPECT_EQ(U8(*lookupSubstVar(s.st(), T("Ÿ"))), "2");

    auto before = s.st().symtab.size();
    auto missing = lookupSubstVar(s, T("nothing"));
    EXPECT_FALSE(missing.ok && missing.value.has_value());
    EXPECT_FALSE(missing.consumed);
    EXPECT_EQ(s.st().symtab.size(), before);
}

// pSubstLine over the text of one line: its text, what it leaves, and the warnings.
struct LineCase {
    const char* input;
    const char* text;
    const char* rest;
    const char* out; // warnings on standard output
};

TEST(SubstLine, WordsReferencesHyphensAndComments) {
    const ParserState st = withSymtab({{"x", "1 2"}, {"v", "{y}"}, {"e", ""}, {"sqr-platform", "{sqr-platform}"}});
    const LineCase cases[] = {
        // Values are inserted unchanged and never scanned again.
        {"a{x}b", "a1 2b", "", ""},
        {"{v}", "{y}", "", ""},
        {"{X} {e}z", "1 2 z", "", ""},
        {"x{SQR-Platform}y", "x{sqr-platform}y", "", ""},
        // Braces that form no reference are ordinary characters.
        {"{a b}", "{a b}", "", ""},
        {"{ a}", "{ a}", "", ""},
        {"{}", "{}", "", ""},
        {"{abc\nnext", "{abc", "\nnext", ""},
        {"a{", "a{", "", ""},
        {"{a!b}", "{a", "", ""},
        // Hyphens: inside a word, between words, and the continuation mark.
        {"a-b", "a-b", "", ""},
        {"let #a = #b - #c", "let #a = #b - #c", "", ""},
        {"a-!!x", "a-!!x", "", ""},
        {"a- !=", "a- !=", "", ""},
        {"a-\nb", "a -", "\nb", ""},
        {"a-", "a -", "", ""},
        {"a -", "a -", "", ""},
        {"a\t-  ! c\r\n", "a\t-", "\r\n", ""},
        {"a  -  \n", "a  -", "\n", ""},
        {"a --\n", "a - -", "\n", ""},
        {"a\f-\n", "a\f -", "\n", ""},
        {"a - !! b", "a - !! b", "", ""},
        // "!=" and "!!" are text; any other "!" starts a comment, which is dropped.
        {"x != 'a!!b'", "x != 'a!!b'", "", ""},
        {"abc   ! note\nx", "abc   ", "\nx", ""},
        {"abc! note", "abc", "", ""},
        {"abc !", "abc ", "", ""},
        {"show 'Hello!' ! greet", "show 'Hello", "", ""},
        {"a\t b\v\u00a0c  ", "a\t b\v\u00a0c  ", "", ""},
        {"abc\rdef", "abc", "\rdef", ""},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.input);
        CapturedConsole con;
        auto o = runOn(pSubstLine, c.input, st);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_TRUE(o.consumed);
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, c.rest);
        EXPECT_EQ(con.out, c.out);
    }
}

TEST(SubstLine, NoTokenFailsWithoutConsuming) {
    for (const char* input : {"", "\n", "\r\n", " x", "\tx", "! c", "-", "- ! c\n", "-\r\n"}) {
        SCOPED_TRACE(input);
        auto o = runOn(pSubstLine, input);
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.consumed);
        EXPECT_EQ(o.rest, input);
    }
    // A line that is only the continuation mark: the refused hyphen names the empty line
    // tail after it as unexpected, and what that tail could have gone on with as expected;
    // after a comment the tail can only end.
    EXPECT_EQ(runOn(pSubstLine, "-\n").error,
              "\"test.sqr\" (line 1, column 2):\nunexpected \"\"\nexpecting space or \"!\"");
    EXPECT_EQ(runOn(pSubstLine, "- ! c\n").error, "\"test.sqr\" (line 1, column 6):\nunexpected \"\"");
}

TEST(SubstVar, WarnsOnceAtTheBraceAndDefinesTheName) {
    CapturedConsole con;
    auto o = runOn(
        [&](State& s) {
            Seq q(s);
            Text a = q(pSubstLine);
            q(char_(U'\n'));
            q(char_(U'\t'));
            a += "|" + q(pSubstLine);
            return q.ok(a);
        },
        "x {Und!!ef} {und!=x}\n\t{UND!!EF}", initialState(), "dir/f.sqc");
    ASSERT_TRUE(o.ok) << o.error;
    // "!!" in a name is one "!"; the second reference differs only in letter case.
    EXPECT_EQ(U8(o.value), "x {Und!ef} {und!=x}|{Und!ef}");
    EXPECT_EQ(con.out, "\"dir/f.sqc\" (line 1, column 3):\n" + kWarn + "Und!ef}\n" +
                           "\"dir/f.sqc\" (line 1, column 13):\n" + kWarn + "und!=x}\n");
    EXPECT_EQ(symtabValue(o.user, "UND!EF"), "{Und!ef}");
    EXPECT_EQ(symtabValue(o.user, "UND!=X"), "{und!=x}");

    // A reference after a tab in column 1 lies at column 9.
    CapturedConsole con2;
    runOn(pSubstWord, "{a}", initialState(), "t.sqr");
    auto t = runOn([](State& s) { Seq q(s); q(char_(U'\t')); Text w = q(pSubstWord); return q.ok(w); }, "\t{a}");
    EXPECT_EQ(con2.out, "\"t.sqr\" (line 1, column 1):\n" + kWarn + "a}\n\"test.sqr\" (line 1, column 9):\n" +
                            kWarn + "a}\n");
    EXPECT_EQ(U8(t.value), "{a}");
}

TEST(SubstVar, PiecesAndWhereWordsEnd) {
    struct Case {
        const char* input;
        const char* piece; // nullptr: no piece
    };
    const Case cases[] = {
        {"{{a}", "{{a}"}, {"!=", "!="}, {"!!", "!!"}, {"}x", "}"}, {"\v", "\v"},
        {"-x", "-"},      {"- b", "-"}, {"!x", nullptr}, {"!", nullptr}, {"-", nullptr},
        {"-  ! c", nullptr}, {" ", nullptr}, {"\t", nullptr}, {"\r", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CapturedConsole con;
        auto o = runOn(pSubstVar, c.input);
        EXPECT_EQ(o.ok, c.piece != nullptr);
        EXPECT_EQ(o.consumed, c.piece != nullptr);
        if (c.piece) EXPECT_EQ(U8(o.value), c.piece);
        else EXPECT_EQ(o.rest, c.input);
    }
    EXPECT_EQ(runOn(pSubstVar, " ").error,
              "\"test.sqr\" (line 1, column 1):\nunexpected \" \"\nexpecting \"{\", \"-\", \"!=\" or \"!!\"");
}

TEST(DirectiveArg, QuotedOrTokens) {
    const ParserState st = withSymtab({{"x", "1"}});
    const LineCase cases[] = {
        {"'a b' rest", "a b", " rest", ""},
        {"'it''s'", "it's", "", ""},
        {"''", "", "", ""},
        {"'{nope}'", "{nope}", "", ""},
        {"'a {x}\n", "'a 1", "\n", ""},
        {"\"a {x}\" ! c", "\"a 1\" ", "! c", ""},
        {"a-\n", "a -", "\n", ""},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.input);
        CapturedConsole con;
        auto o = runOn(pDirectiveArg, c.input, st);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(U8(o.value), c.text);
        EXPECT_EQ(o.rest, c.rest);
        EXPECT_EQ(con.out, "");
    }
    for (const char* input : {"", " a", "! c", "-\n"}) {
        auto o = runOn(pDirectiveArg, input, st);
        EXPECT_FALSE(o.ok || o.consumed) << input;
    }
}

TEST(TrailingBlanks, DropsOnlyAWholeLineTail) {
    const LineCase cases[] = {
        {"  ! c\r\n", "", "\r\n", ""}, {"\n", "", "\n", ""}, {"", "", "", ""}, {"  x", "", "  x", ""},
        {" !=", "", " !=", ""},
    };
    for (const LineCase& c : cases) {
        auto o = runOn(pTrailingBlanks, c.input);
        EXPECT_TRUE(o.ok) << c.input;
        EXPECT_EQ(o.rest, c.rest) << c.input;
    }
}

// The direct path of pSubstLine against the grammar it stands for: the same text, state,
// warnings and (pending) error on every line over a small alphabet.
TEST(SubstLine, DirectPathAgreesWithTheGrammar) {
    static const auto grammar = joinText(pRestOfLineSubst, pTrailingBlanks);
    const ParserState st = withSymtab({{"x", "1 2"}, {"e", ""}, {"b", "! -"}});
    const std::vector<char32_t> alphabet = charsOf("a -!={}x\t\n\r\v\u00a0e'");
    auto check = [&](const Text& input) {
        const std::string in = U8(input);
        CapturedConsole c1;
        auto fast = runOn(pSubstLine, in, st);
        std::string out1 = c1.out;
        c1.out.clear();
        auto slow = runOn(grammar, in, st);
        ASSERT_EQ(fast.ok, slow.ok) << in;
        ASSERT_EQ(fast.consumed, slow.consumed) << in;
        ASSERT_EQ(U8(fast.value), U8(slow.value)) << in;
        ASSERT_EQ(fast.rest, slow.rest) << in;
        ASSERT_TRUE(fast.pos == slow.pos) << in;
        ASSERT_EQ(fast.error, slow.error) << in;
        ASSERT_TRUE(fast.user->state.symtab == slow.user->state.symtab) << in;
        ASSERT_EQ(out1, c1.out) << in;
    };
    // Every text of up to three characters, then random longer ones.
    std::vector<Text> texts{Text()};
    for (int len = 1; len <= 3; ++len) {
        std::vector<Text> next;
        for (const Text& t : texts)
            if (charCount(t) == std::size_t(len - 1))
                for (char32_t c : alphabet) next.push_back(plus(t, c));
        for (const Text& t : next) check(t);
        if (HasFatalFailure()) return;
        texts.insert(texts.end(), next.begin(), next.end());
    }
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), len(4, 24);
    for (int i = 0; i < 30000; ++i) {
        Text t;
        for (std::size_t n = len(rng); n > 0; --n) appendChar(t, alphabet[pick(rng)]);
        check(t);
        if (HasFatalFailure()) return;
    }
}

// An ordinary line's text form takes its line end without building the pending error of
// the text before it, which a consumed line break drops: against the grammar of both.
TEST(SubstLine, ThenLineEndAgreesWithTheGrammar) {
    static const auto grammar = joinText(joinText(pRestOfLineSubst, pTrailingBlanks), pEndOfLine);
    const ParserState st = withSymtab({{"x", "1 2"}, {"e", ""}, {"b", "! -"}});
    forShortAndRandomTexts("a -!={}x\t\n\r\v\u00a0e'", 3, 20000, 24, "", [&](const Text& t) {
        expectSameAsGrammar(pSubstLineThenLineEnd, grammar, t, st);
    });
}

// Lines of plain words and references, which go as they stand but for the references'
// values, next to the hyphens, "!", braces and blanks that end such a line's plain
// reading: every short line, then longer ones.
TEST(SubstLine, PlainWordLinesAgreeWithTheGrammar) {
    static const auto grammar = joinText(joinText(pRestOfLineSubst, pTrailingBlanks), pEndOfLine);
    const ParserState st = withSymtab({{"x", "1 2"}, {"XA", "\u00e9-!"}});
    forShortAndRandomTexts("a- !=\n\t", 5, 20000, 30, "a b-c ", [&](const Text& t) {
        expectSameAsGrammar(pSubstLineThenLineEnd, grammar, t, st);
    });
    forShortAndRandomTexts("ax-{} \n", 5, 20000, 30, "{x} {xa}-{X} ", [&](const Text& t) {
        expectSameAsGrammar(pSubstLineThenLineEnd, grammar, t, st);
    });
}

// A run of "{" that opens no reference is read once by the direct path: the same text,
// state and error as the grammar, wherever the run ends.
TEST(SubstLine, RunsOfBracesAgreeWithTheGrammar) {
    static const auto grammar = joinText(pRestOfLineSubst, pTrailingBlanks);
    static const auto withLineEnd = joinText(grammar, pEndOfLine);
    const ParserState st = withSymtab({{"x", "1 2"}});
    const Text braces(2000, U'{');
    for (const Text& t : {"x " + braces, "x " + braces + "\n", braces + "x}", braces + "}",
                          "{x}" + braces + "!x}\n", braces + "!=x}", braces + "-x} y\n"}) {
        expectSameAsGrammar(pSubstLine, grammar, t, st);
        expectSameAsGrammar(pSubstLineThenLineEnd, withLineEnd, t, st);
    }
}

// The pending error of a last word without a line break is taken from its last piece: the
// same as the grammar's over the whole line, whatever the word ends in.
TEST(SubstLine, LastLongWordAgreesWithTheGrammar) {
    static const auto grammar = joinText(pRestOfLineSubst, pTrailingBlanks);
    static const auto withLineEnd = joinText(grammar, pEndOfLine);
    const ParserState st = withSymtab({{"x", "1 2"}});
    const Text word(2000, U'w');
    for (const Text& t : {word, word + "{x}", word + "{x", word + "{y}", word + "!=", word + "!!",
                          word + "!!!=", word + "-", word + " -", word + " ", word + "\t! c", word + "\r",
                          "{x}" + word, word + "{" + word + "}", Text(2000, U'{'), "\t" + word + "\t"}) {
        expectSameAsGrammar(pSubstLine, grammar, t, st);
        expectSameAsGrammar(pSubstLineThenLineEnd, withLineEnd, t, st);
    }
}

} // namespace
} // namespace zarnet::test
