#include "Define.h"

#include "DirectiveKeywords.h"
#include "LineEnd.h"
#include "LineScanner.h"
#include "PreprocessorRun.h"
#include "Substitution.h"

#include "core/ParserLib.h"

#include <optional>

namespace zarnet {

namespace {

Reply<Text> defineGrammar(State& s);

// The direct path of pDefineDirective, for the line it is almost always given: blanks, a
// name, blanks, the value's tokens and a line tail, ended by a line break. On that line the
// grammar reads the name and the value as the token grammar does, defines the name, and
// ends with pEndOfLine, whose consumed line break drops every error pending before it;
// so the result is pEndOfLine's. Any other line is left to the grammar, having been only
// looked at.
std::optional<Reply<Text>> defineDirect(State& s) {
    const char* const end = s.end;
    const char* p = s.cur;
    if (p == end || !isBlankAt(p)) return std::nullopt;
    p = blanksFrom(p, end);
    const char* const nameBegin = p;
    p += substWordLength(TextView(p, std::size_t(end - p)));
    if (p == nameBegin) return std::nullopt;
    p = blanksFrom(p, end);
    p += substTokensLength(TextView(p, std::size_t(end - p)));
    const char* const tail = lineTailEnd(p, end);
    if (!tail || !isLineBreakAt(tail, end)) return std::nullopt;

    advanceWithinLine(s, nameBegin);
    Text nameText;
    substWordDirect(s, nameText);
    const Text name = stripSpaces(nameText);
    const char* valueBegin = s.cur;
    valueBegin = blanksFrom(valueBegin, end);
    advanceWithinLine(s, valueBegin);
    Text value;
    substTokensDirect(s, value);
    stripSpacesInPlace(value);
    if (!name.empty()) defineSubstVar(s, name, std::move(value));
    advanceWithinLine(s, tail);
    return pEndOfLine(s);
}

} // namespace

std::optional<Reply<Text>> defineDirectiveDirect(State& s) {
    if (!fastPathsOn(s)) return std::nullopt;
    return defineDirect(s);
}

Reply<Text> pDefineKeyword(State& s) { return stringCI(s, "#define"); }

Reply<Text> pDefineDirective(State& s) {
    if (fastPathsOn(s))
        if (std::optional<Reply<Text>> r = defineDirect(s)) return std::move(*r);
    return defineGrammar(s);
}

Reply<Text> pDefineDirectiveInFull(State& s) { return plainGrammar(s, defineGrammar); }

namespace {
Reply<Text> defineGrammar(State& s) {
    // With no name after the keyword nothing is defined; the line end still decides.
    static const auto nameAndValue = optionally(attempt(seqKeep<2>(nbsp, manySkip(nbsp), pDefineLine)));
    static const auto p = seqKeep<1>(nameAndValue, pDirectiveLineEnd);
    return p(s);
}
} // namespace

Reply<Text> pDefineLine(State& s) {
    static const auto name = manyOneText(pSubstVar);
    Seq q(s);
    Text pieces = q(name);
    if (!q) return q.failure();
    Text nl = q([trimmed = stripSpaces(pieces)](State& st) { return pDefineBody(st, trimmed); });
    if (!q) return q.failure();
    return q.ok(std::move(nl));
}

Reply<Text> pDefineBody(State& s, const Text& name) {
    static const auto blanks = optionally(manyOne(nbsp));
    static const auto tokens = manyText(pSubstToken);
    Seq q(s);
    q(blanks);
    if (!q) return q.failure();
    Text value = q(tokens);
    if (!q) return q.failure();
    if (!name.empty()) q.take(defineSubstVar(s, name, stripSpaces(value)));
    return q.ok(Text("\n"));
}

} // namespace zarnet
