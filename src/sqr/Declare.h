// DECLARE-VARIABLE: the block, its qualifiers (DEFAULT-NUMERIC and the DECIMAL, INTEGER,
// FLOAT, TEXT and DATE lists), the declared names and the messages for malformed qualifiers.
// Every listed name is defined, with its type, in the current scope. The block has no line
// structure: line ends count as blanks, and a list ends at the first word without a sigil.
#pragma once

#include "core/Parser.h"
#include "core/ParseError.h"
#include "core/Console.h"
#include "core/Records.h"
#include "core/Show.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarnet::sqr {

// One declared name: as written after its sigil (a leading underscore included; a view of
// the input), whether its underscore deserves a warning (written in the global scope), and
// where its sigil is.
struct DeclName {
    TextView name;
    bool underscoreWarning = false;
    SourcePos pos;
};

// One entry of a typed list: the name with the sigil the list requires.
struct DeclEntry {
    VarSymbol symbol = VarSymbol::Dollar;
    TextView name; // a view of the input
    bool underscoreWarning = false;
    SourcePos pos;
};

// --- the block ---

// DECLARE-VARIABLE (a command word), its qualifiers and END-DECLARE. Fails clean when the
// command word is not there; after it, any failure ends the block after consumed input.
Reply<Unit> pDeclareVariable(State& s);
// Qualifiers up to and including the END-DECLARE line, which is tested before each one.
Reply<Unit> pDeclQualifierList(State& s);
// One qualifier, or the SQR message for a word that is none.
Reply<Unit> pDeclVarQualifier(State& s);

// --- numeric types ---

Reply<VarType> pInteger(State& s);
Reply<VarType> pFloat(State& s);
// The TEXT keyword as written.
Reply<Text> pTextKeyword(State& s);
// "(" digits ")", blanks after each part; its value, saturated at the largest integer.
Reply<std::int64_t> pPrecision(State& s);
// The value of a run of decimal digits, saturated; consumes nothing.
std::int64_t precisionValue(TextView digits);
Reply<std::int64_t> pPrecisionValue(State& s, const Text& digits);
// An optional precision: DECIMAL with it, or with the given default when no "(" stands there.
Reply<VarType> pDecimalPrecision(State& s, std::int64_t defaultPrecision);
inline auto pDecimalPrecision(std::int64_t defaultPrecision) {
    return [defaultPrecision](State& s) { return pDecimalPrecision(s, defaultPrecision); };
}
// DECIMAL and its optional precision.
Reply<VarType> pDecimal(State& s);
// DEFAULT-NUMERIC = INTEGER | DECIMAL[(p)] | FLOAT: read as a unit and without effect; a
// failure consumes nothing and gives the state back.
Reply<Unit> pDefaultNumeric(State& s);
// DECIMAL[(p)] and its names, each defined at once with the list's or its own precision.
Reply<Unit> pDeclDecimalVars(State& s);
Reply<Unit> pDecimalVarList(State& s, VarType decimal);
Reply<Unit> pDecimalVarSpec(State& s, std::int64_t precision);

// --- declared names ---

// The sigil, an optional "_" and one or more declared-name characters; skips no blanks.
// A sigil other than the required one fails with 7203 or 7204, no name with 7210.
Reply<DeclName> pDeclVarName(State& s, VarSymbol required);
inline auto pDeclVarName(VarSymbol required) {
    return [required](State& s) { return pDeclVarName(s, required); };
}
// pDeclVarName requiring "#".
Reply<DeclName> pDeclNumVarName(State& s);

// --- typed lists ---

// One or more names with the required sigil, each followed by white space or the end of
// the input, with the blanks after it.
Reply<std::vector<DeclEntry>> pVarList(State& s, VarSymbol required);
// A whole list, then every name defined with the type; all or nothing.
Reply<Unit> pDeclVars(State& s, VarSymbol required, VarType type);
// Defines each entry with the type, first to last.
Reply<Unit> defineDeclaredVars(State& s, VarType type, const std::vector<DeclEntry>& entries);
Reply<Unit> pDeclIntegerVars(State& s);
Reply<Unit> pDeclFloatVars(State& s);
Reply<Unit> pDeclTextVars(State& s);
Reply<Unit> pDeclDateVars(State& s);

// --- qualifier errors (they never succeed) ---

// A sigil where a qualifier keyword belongs: 7206, or 7210 for a sigil alone.
Reply<Unit> noQualifierError(State& s);
// Any other word: 5303 quoting the word.
Reply<Unit> qualifierError(State& s);
Reply<Unit> qualifierErrorFail(State& s, const Text& word);

// --- the test runner ---

// Printed forms of the results the runner shows.
std::string showParsed(Unit);
std::string showParsed(TextView t);
std::string showParsed(bool b);
std::string showParsed(std::int64_t n);
std::string showParsed(const VarType& t);
std::string showParsed(const SourcePos& p);
std::string showParsed(const DeclName& d);
std::string showParsed(const DeclEntry& d);
template <class T> std::string showParsed(const std::vector<T>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + showParsed(items[i]);
    return out + "]";
}

// Runs p over the text from line 1, column 1 of an unnamed source, with the initial parser
// state, and writes to the console's standard output the printed form of the result, or the
// parse error, and a line end. For trying a parser by hand and for tests.
template <class P> void runSqrParser(P p, const Text& input) {
    RunContext run;
    auto r = runParserWithState(p, makeUserState(initialState()), SourceName(), run.keep(input), &run);
    console().writeOut((r.ok ? showParsed(r.value) : renderError(r.error)) + "\n");
}

} // namespace zarnet::sqr
