#include "Define.h"

#include "DirectiveKeywords.h"
#include "Substitution.h"

#include "core/ParserLib.h"

namespace zarnet {

Reply<Text> pDefineKeyword(State& s) { return stringCI(s, U"#define"); }

Reply<Text> pDefineDirective(State& s) {
    // With no name after the keyword nothing is defined; the line end still decides.
    static const auto nameAndValue = optionally(attempt([](State& st) -> Reply<Text> {
        static const auto blanks = manySkip(nbsp);
        Seq q(st);
        q(nbsp);
        if (!q) return q.failure();
        q(blanks);
        if (!q) return q.failure();
        Text nl = q(pDefineLine);
        if (!q) return q.failure();
        return q.ok(std::move(nl));
    }));
    Seq q(s);
    q(nameAndValue);
    if (!q) return q.failure();
    Text nl = q(pDirectiveLineEnd);
    if (!q) return q.failure();
    return q.ok(std::move(nl));
}

Reply<Text> pDefineLine(State& s) {
    static const auto name = manyOne(pSubstVar);
    Seq q(s);
    std::vector<Text> pieces = q(name);
    if (!q) return q.failure();
    Text nl = q([trimmed = stripSpaces(concatPieces(pieces))](State& st) { return pDefineBody(st, trimmed); });
    if (!q) return q.failure();
    return q.ok(std::move(nl));
}

Reply<Text> pDefineBody(State& s, const Text& name) {
    static const auto blanks = optionally(manyOne(nbsp));
    static const auto tokens = many(pSubstToken);
    Seq q(s);
    q(blanks);
    if (!q) return q.failure();
    std::vector<Text> value = q(tokens);
    if (!q) return q.failure();
    if (!name.empty()) q.take(defineSubstVar(s, name, stripSpaces(concatPieces(value))));
    return q.ok(Text(U"\n"));
}

} // namespace zarnet
