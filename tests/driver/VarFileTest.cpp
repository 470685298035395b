#include "TestSupport.h"
#include "core/Show.h"
#include "driver/VarFileParser.h"

#include <gtest/gtest.h>

namespace zarnet::test {
namespace {

// The pairs as "Global #NAME" / "Local PROC $NAME", one per element, or the rendered error.
std::string parse(std::string_view text, std::string_view source = "vars.txt") {
    auto r = varfile::parseVarFile(T(text), T(source));
    if (!r.ok) return renderError(r.error);
    std::string out;
    for (const auto& [scope, id] : r.value) {
        if (!out.empty()) out += "|";
        out += scope.isLocal ? "Local " + U8(scope.name) + " " : std::string("Global ");
        out += (id.varSymbol == VarSymbol::Sharp ? "#" : "$") + U8(id.varName);
    }
    return out;
}

TEST(VarFile, ReadsTheSampleOfTheUsageText) {
    EXPECT_EQ(parse("    #CURR_SEQ_NO\n"
                    "    $CURRENCY_CD\n"
                    "    get_state_code $COUNTRY_CD -- local variable with procedure name.\n"
                    "    get_state_code $STATE_CD\n"
                    "    get_state_code #ERROR_NO\n"),
              "Global #CURR_SEQ_NO|Global $CURRENCY_CD|Local GET_STATE_CODE $COUNTRY_CD|"
              "Local GET_STATE_CODE $STATE_CD|Local GET_STATE_CODE #ERROR_NO");
}

TEST(VarFile, AcceptedLines) {
    struct Case { const char* text; const char* pairs; };
    const Case cases[] = {
        {"", ""},
        {" \n\t\r\n ", ""},
        {"\n\n  #a\n\n\t\tp $b", "Global #A|Local P $B"},
        {"#x $y #z\n", "Global #X"},                    // only the first variable of a line
        {"#x\n#x\n", "Global #X|Global #X"},            // duplicates kept in order
        {"$a,b;c#d$\n", "Global $A,B;C#D$"},            // punctuation belongs to the name
        {"$ #x\n", "Local $ #X"},                       // a lone sigil is a procedure name
        {"$\f\n", "Global $\f"},                        // a form feed is a name character
        {"#\xc2\xa0x\n", "Global #\xc2\xa0X"},
        {"proc\f #x\n", "Local PROC\f #X"},
        {"proc \f#x\n", "Local PROC #X"},
        {"#a\rproc $b\r", "Global #A|Local PROC $B"},
        {"pr\xc3\xa9 $\xc3\xa9t\xc3\xa9", "Local PR\xc3\x89 $\xc3\x89T\xc3\x89"},
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.text), c.pairs) << c.text;
}

TEST(VarFile, ErrorsRenderTheFoundCharacterAndTheExpectations) {
    struct Case { const char* text; const char* error; };
    const Case cases[] = {
        {"get_state_code\n",
         "\"vars.txt\" (line 1, column 15):\nunexpected \"\\n\"\nexpecting space, \"#\" or \"$\""},
        {"get_state_code $\n", "\"vars.txt\" (line 1, column 17):\nunexpected \"\\n\""},
        {"#ok\nproc", "\"vars.txt\" (line 2, column 5):\nunexpected end of input\nexpecting space, \"#\" or \"$\""},
        {"proc $", "\"vars.txt\" (line 1, column 7):\nunexpected end of input"},
        {"proc\t! comment\n",
         "\"vars.txt\" (line 1, column 9):\nunexpected \"!\"\nexpecting space, \"#\" or \"$\""},
        {"proc$x\n", "\"vars.txt\" (line 1, column 7):\nunexpected \"\\n\"\nexpecting space, \"#\" or \"$\""},
        {"proc\r\n", "\"vars.txt\" (line 1, column 5):\nunexpected \"\\r\"\nexpecting space, \"#\" or \"$\""},
        {"proc #\tx\n", "\"vars.txt\" (line 1, column 7):\nunexpected \"\\t\""},
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.text), c.error) << c.text;
    EXPECT_EQ(parse("p\n", ""), "(line 1, column 2):\nunexpected \"\\n\"\nexpecting space, \"#\" or \"$\"");
}

TEST(VarFile, RunPrintsTheListOrTheError) {
    CapturedConsole con;
    varfile::run(T("#a\np $b\n"));
    EXPECT_EQ(con.out, "[(Global,VarIdentifier {varName = \"A\", varSymbol = #}),"
                       "(Local \"P\",VarIdentifier {varName = \"B\", varSymbol = $})]\n");
    con.out.clear();
    varfile::run(T("p"));
    EXPECT_EQ(con.out, "(line 1, column 2):\nunexpected end of input\nexpecting space, \"#\" or \"$\"\n");
}

} // namespace
} // namespace zarnet::test
