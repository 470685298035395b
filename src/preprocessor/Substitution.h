// Substitution variables of the first pass: the table kept in the parser state, the
// references between braces, and the substituted text of lines and directive arguments.
#pragma once

#include "core/Parser.h"

#include <optional>
#include <vector>

namespace zarnet {

struct PreprocessorRun;

// Stores value under the upper-cased name, replacing an earlier value silently.
// Consumes nothing, never fails.
Reply<Unit> defineSubstVar(State& s, const Text& name, Text value);
// The value stored under the upper-cased name, if any. Consumes nothing, changes nothing.
Reply<std::optional<Text>> lookupSubstVar(State& s, const Text& name);
// The same lookup on a state record.
std::optional<Text> lookupSubstVar(const ParserState& st, const Text& name);

// Values that reference each other double with each #define; what references put into one
// line (a #define value included) is bounded far above any real program (16 MiB, see
// PreprocessorRun::maxSubstitutedLength).
// Thrown at the "{" of the reference whose value takes its line past the bound; the line
// step turns it into an error that ends the run (see substitutedTooLong).
struct SubstitutionTooLong {
    SourcePos pos;
};
// The error that ends the run for it.
Failure substitutedTooLong(const SubstitutionTooLong& e);
// Starts the count of substituted characters for a new line of the run.
void startSubstitutedLine(PreprocessorRun& run);

// One piece of substituted text: a reference between braces (its value; a name without a
// value is warned about and then stands for itself), one ordinary character, a hyphen that
// is no continuation mark, "!=" or "!!". Never fails after consuming.
Reply<Text> pSubstVar(State& s);

// One or more pieces.
Reply<Text> pSubstWord(State& s);
// The blanks after a word as written, or the blanks (or one supplied space) and a
// continuation hyphen. Never fails.
Reply<Text> pSubstSeparator(State& s);
// A word followed by its separator.
Reply<Text> pSubstToken(State& s);
// One or more tokens: the rest of the line up to a comment or the line end.
Reply<Text> pRestOfLineSubst(State& s);
// Drops the blanks and comment that end a line, if that is all that is left. Never fails.
Reply<Text> pTrailingBlanks(State& s);
// The text of an ordinary line: pRestOfLineSubst, then pTrailingBlanks.
Reply<Text> pSubstLine(State& s);
// A directive argument: a text between single quotes taken literally, or else tokens.
Reply<Text> pDirectiveArg(State& s);
// pSubstLine, then pEndOfLine; the two texts joined. Fails as that sequence does.
Reply<Text> pSubstLineThenLineEnd(State& s);
// The same with the text appended to out; after a failure out is as it was.
Reply<Unit> pSubstLineThenLineEndInto(State& s, Text& out);
// Its direct path alone, for a line that starts with a token: then its outcome, which has
// always consumed. Otherwise (or with the fast paths off) nothing: s and out are untouched.
std::optional<Reply<Unit>> substLineThenLineEndDirect(State& s, Text& out);

// The direct path of the token grammar, for the direct paths of the lines that use it. The
// lengths are what pSubstWord and many pSubstToken would read at the start of t, looked at
// without any effect. The other two read what pSubstWord (false when it would fail) and many
// pSubstToken (the number of tokens) read, with the same effects (warnings included),
// appending their text to out, without building any error.
std::size_t substWordLength(TextView t);
std::size_t substTokensLength(TextView t);
bool substWordDirect(State& s, Text& out);
int substTokensDirect(State& s, Text& out);

} // namespace zarnet
