#include "driver/VarFileParser.h"

#include "core/Console.h"
#include "core/ParserLib.h"
#include "core/Show.h"

namespace zarnet::varfile {

namespace {

bool isNameChar(char32_t c) { return c != U' ' && c != U'\t' && c != U'\n' && c != U'\r'; }

Reply<Unit> skipWhiteSpace(State& s) {
    return manySkip(satisfying(isWhiteSpace))(s);
}

Reply<Unit> skipBlanks(State& s) { return manySkip(nbsp)(s); }

// What p reads, then zero or more blanks.
template <class P> auto lexeme(P p) { return seqLeft(p, skipBlanks); }

Reply<Text> nameChars(State& s) {
    auto r = manyOne(satisfying(isNameChar))(s);
    return Reply<Text>{textOfChars(r.value), std::move(r.err), r.consumed, r.ok};
}

Reply<VarSymbol> symbolChar(State& s, char32_t c, VarSymbol v) {
    auto r = char_(c)(s);
    return Reply<VarSymbol>{v, std::move(r.err), r.consumed, r.ok};
}

Reply<VarIdentifier> sigilAndName(State& s) {
    Seq q(s);
    VarSymbol sym = q(pAnyVarSymbol);
    if (!q) return q.failure();
    Text name = q(nameChars);
    if (!q) return q.failure();
    return q.ok(VarIdentifier{toUpperText(name), sym});
}

} // namespace

Reply<VarSymbol> pNumVarSymbol(State& s) { return symbolChar(s, U'#', VarSymbol::Sharp); }
Reply<VarSymbol> pTextVarSymbol(State& s) { return symbolChar(s, U'$', VarSymbol::Dollar); }
Reply<VarSymbol> pAnyVarSymbol(State& s) { return orElse(pNumVarSymbol, pTextVarSymbol)(s); }

VarDef globalVarDef(VarIdentifier v) { return {Scope::global(), std::move(v)}; }

Reply<VarIdentifier> pVarName(State& s) { return lexeme(attempt(sigilAndName))(s); }

Reply<Scope> pProcName(State& s) {
    Seq q(s);
    Text name = q(nameChars);
    if (!q) return q.failure();
    q(skipBlanks);
    if (!q) return q.failure();
    q(lexeme(skipBlanks));
    if (!q) return q.failure();
    return q.ok(Scope::local(toUpperText(name)));
}

Reply<VarDef> pGlobalVarDef(State& s) {
    Seq q(s);
    VarIdentifier v = q(pVarName);
    if (!q) return q.failure();
    return q.ok(globalVarDef(std::move(v)));
}

Reply<VarDef> pLocalVarDef(State& s) {
    Seq q(s);
    Scope scope = q(pProcName);
    if (!q) return q.failure();
    VarIdentifier v = q(pVarName);
    if (!q) return q.failure();
    return q.ok(VarDef{std::move(scope), std::move(v)});
}

Reply<VarDef> pVarDefLine(State& s) {
    Seq q(s);
    VarDef def = q(orElse(pGlobalVarDef, pLocalVarDef));
    if (!q) return q.failure();
    q(manySkip(noneOf("\n\r")));
    if (!q) return q.failure();
    q(skipWhiteSpace);
    if (!q) return q.failure();
    return q.ok(std::move(def));
}

Reply<SuppressList> pVarFile(State& s) {
    Seq q(s);
    q(skipWhiteSpace);
    if (!q) return q.failure();
    SuppressList defs = q(many(pVarDefLine));
    if (!q) return q.failure();
    return q.ok(std::move(defs));
}

ParseResult<SuppressList> parseVarFile(const Text& text, TextView sourceName) {
    static const UserState none = makeUserState(initialState());
    // The result holds no view of the text, which the caller keeps while it is read; its
    // run keeps the source name its positions point to.
    auto run = std::make_shared<RunContext>();
    auto r = runParserWithState(pVarFile, none, run->sourceName(sourceName), viewOf(text), run.get());
    r.ownRun = std::move(run);
    return r;
}

void run(const Text& text) {
    auto r = parseVarFile(text, "");
    if (!r.ok) {
        console().writeOut(renderError(r.error) + "\n");
        return;
    }
    std::string out = "[";
    for (std::size_t i = 0; i < r.value.size(); ++i) {
        if (i) out += ",";
        out += "(" + show(r.value[i].first) + "," + show(r.value[i].second) + ")";
    }
    console().writeOut(out + "]\n");
}

} // namespace zarnet::varfile
