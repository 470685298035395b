// The symbol table of the second pass: one variable map per scope inside the parser state,
// the rule that decides which occurrences the report covers, the recording of uses and
// definitions, the current scope, the continuation flag and the procedure records.
//
// Everything lives in the persistent parser state, so an abandoned alternative takes its
// recordings with it: no step here ever undoes anything by hand.
#pragma once

#include "core/Parser.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarnet::sqr {

// ---------------------------------------------------------------------------
// Variable store and report positions.

// The map operations on the store's three key types. An insert replaces a present entry.
std::optional<VarMap> lookupScopeMap(const Scope& scope, const ScopeMap& m);
std::optional<VarAttr> lookupVar(const VarIdentifier& id, const VarMap& m);
VarMap insertVar(const VarIdentifier& id, VarAttr attr, const VarMap& m);
std::optional<SourcePos> lookupByLine(const FileLine& key, const UnderbarMap& m);
UnderbarMap insertByLine(const FileLine& key, const SourcePos& pos, const UnderbarMap& m);

// The variable map of a scope; empty (and not added) when the scope has none yet.
VarMap varMapOf(const ParserState& st, const Scope& scope);
Reply<VarMap> getVarMap(State& s, const Scope& scope);
inline auto getVarMap(Scope scope) {
    return [scope](State& s) { return getVarMap(s, scope); };
}
// Makes vars the variable map of the scope.
Reply<Unit> updateVarMap(State& s, const Scope& scope, VarMap vars);
inline auto updateVarMap(Scope scope, VarMap vars) {
    return [scope, vars](State& s) { return updateVarMap(s, scope, vars); };
}

// The position itself when an occurrence there lies in a reported file: the root file, or
// with the recursive check an included file whose name the filter accepts.
std::optional<SourcePos> reportPosFor(const ParserState& st, const SourcePos& p);
Reply<std::optional<SourcePos>> getReportPos(State& s, const SourcePos& p);

// ---------------------------------------------------------------------------
// Recording uses and definitions.

// Changes the record of one variable after an occurrence has been counted; an empty updater
// leaves the record as counted.
using VarUpdater = std::function<VarAttr(VarAttr)>;

VarSymbol typeToVarSymbol(const VarType& t) noexcept;
// The key of a variable: its name upper-cased, and its symbol.
VarIdentifier createVarIdentifier(VarSymbol symbol, TextView name);
// The same with the run's shared text of the name, when the parse has a run.
VarIdentifier createVarIdentifier(const State& s, VarSymbol symbol, TextView name);

// Records one occurrence of the variable (name as written, without its sigil) in vars and
// returns the new map: counts it, keeps the first position, the first report position,
// the written name of the first reported occurrence and one needless-underscore mark per
// reported line; then applies the updater. Reads the parser state only for the report
// position.
VarMap setVariable(const State& s, VarSymbol symbol, TextView name, bool needlessUnderscore, const SourcePos& pos,
                   const VarUpdater& update, const VarMap& vars);
// The same with the report position already decided (nothing for an occurrence outside
// every reported file).
VarMap recordOccurrence(VarSymbol symbol, TextView name, bool needlessUnderscore, const SourcePos& pos,
                        const std::optional<SourcePos>& reportPos, const VarUpdater& update, const VarMap& vars);

// One use of a variable in the given scope.
Reply<Unit> saveVariable(State& s, const Scope& scope, VarSymbol symbol, TextView name, bool needlessUnderscore,
                         const SourcePos& pos);
inline auto saveVariable(Scope scope, VarSymbol symbol, Text name, bool needlessUnderscore, SourcePos pos) {
    return [=](State& s) { return saveVariable(s, scope, symbol, name, needlessUnderscore, pos); };
}
// One definition in the current scope; the sigil follows from the type, and the uses
// counted so far stop counting.
Reply<Unit> defineVariable(State& s, const VarType& type, TextView name, bool needlessUnderscore,
                           const SourcePos& pos);
inline auto defineVariable(VarType type, Text name, bool needlessUnderscore, SourcePos pos) {
    return [=](State& s) { return defineVariable(s, type, name, needlessUnderscore, pos); };
}
// The precision of a DECIMAL type written without one.
inline constexpr std::int64_t kDefaultPrecision = 5;
Reply<std::int64_t> defaultPrecision(State& s);

// ---------------------------------------------------------------------------
// Current scope, continuation flag and procedure records.

Reply<Scope> getCurrentScope(State& s);
Reply<Unit> setCurrentScope(State& s, const Scope& scope);
inline auto setCurrentScope(Scope scope) {
    return [scope](State& s) { return setCurrentScope(s, scope); };
}
Reply<Unit> setGlobalScope(State& s);

// Where a reference with the given underscore marker ("_" or empty) counts, and whether
// its underscore is needless: in the global scope the underscore stays and is flagged;
// inside a local procedure it sends the reference to the global scope, unflagged.
std::pair<Scope, bool> varScopeIn(const Scope& current, TextView marker);
// The same rule without copying the scope: it refers to `current` or to the global scope.
// Every variable reference asks, and a local scope's name is a text of its own.
struct VarScopeRef {
    const Scope& scope;
    bool needless;
};
VarScopeRef varScopeOf(const Scope& current, TextView marker);
Reply<std::pair<Scope, bool>> varScope(State& s, TextView marker);

Reply<Unit> setContinued(State& s, bool value);
Reply<Unit> setContinuedTrue(State& s);

// Keeps the record under its upper-cased name; a later header of that name replaces it.
Reply<Unit> saveProcedure(State& s, const Procedure& proc);
inline auto saveProcedure(Procedure proc) {
    return [proc](State& s) { return saveProcedure(s, proc); };
}

// Trace texts that no output shows: the source name, a tab, the line, a tab, p's text and
// a line feed (ln); the output line, the source name and the line, each followed by a tab
// (rowNo); texts joined with ", " (showListItems).
template <class P> auto ln(P p) {
    return [p](State& s) -> Reply<Text> {
        const SourcePos at = s.pos;
        Reply<Text> r = p(s);
        if (!r.ok) return r;
        Text line = at.sourceName.text();
        appendChar(line, U'\t');
        line += std::to_string(at.sourceLine);
        appendChar(line, U'\t');
        line += r.value;
        appendChar(line, U'\n');
        r.value = std::move(line);
        return r;
    };
}
Reply<Text> rowNo(State& s);
Text showListItems(const std::vector<Text>& items);

// The operator text exactly (letter case included), as one unit; result the text and the
// value of its row.
template <class V> auto pOperatorRow(TextView op, V value) {
    return [op, value](State& s) -> Reply<std::pair<Text, V>> {
        auto r = attempt(string_(op))(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, std::pair<Text, V>{std::move(r.value), value}, std::move(r.err));
    };
}

} // namespace zarnet::sqr
