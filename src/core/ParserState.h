// The user state of every parse step, with its initial value and its ordered maps.
#pragma once

#include "PersistentList.h"
#include "PersistentMap.h"
#include "Pool.h"
#include "Rc.h"
#include "Records.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zarnet {

using SymTab = PMap<Text, Text, TextCmp>;
using VarMap = PMap<VarIdentifier, VarAttr, VarIdentifierCmp>;
using ScopeMap = PMap<Scope, VarMap, ScopeCmp>;
using ProcMap = PMap<Text, Procedure, TextCmp>;

// One switch into or out of an included file: from output line `outputLine` on, the text
// comes from `sourceName`, starting at its line `sourceLine`.
struct SourceSwitch {
    std::int64_t outputLine = 0;
    Text sourceName;
    std::int64_t sourceLine = 0;
    friend bool operator==(const SourceSwitch&, const SourceSwitch&) = default;
};

using NamePredicate = std::shared_ptr<const std::function<bool(const Text&)>>;

// The output line counter `sequenceNo` changes at every line end, so it travels in the
// parse state beside the position (State::sequenceNo) instead of in this record: a line
// end then never copies the record.
struct ParserState {
    PList<Context> context;
    SymTab symtab;
    PList<SourceSwitch> sourceNameStack;
    Scope currentScope;
    ScopeMap scopeMap;
    ProcMap procMap;
    bool continued = false;
    bool bol = true;
    PList<Text> searchPaths;
    NamePredicate matchSourceNameForReport;
    bool recursiveCheck = false;
    SourceName rootSourceName; // interned, so that copying the state never allocates
};

// The parse carries the state behind one shared pointer, so that saving it before an
// alternative costs one increment; a change copies the record only while a saved copy
// shares it (State::modify).
struct UserStateBox : RcObject, Pooled<UserStateBox> {
    explicit UserStateBox(ParserState s) : state(std::move(s)) {}
    ParserState state;
};
using UserState = Rc<const UserStateBox>;

inline UserState makeUserState(ParserState s) { return makeRc<UserStateBox>(std::move(s)); }
template <class F> UserState modifiedState(const UserState& u, F&& f) {
    ParserState copy = u->state;
    f(copy);
    return makeUserState(std::move(copy));
}

ScopeMap insertGlobalScope(VarMap vars, const ScopeMap& m);
ScopeMap insertByScope(const Scope& scope, VarMap vars, const ScopeMap& m);
const ScopeMap& initialScopeMap();
const ParserState& initialState();

template <class V> PMap<Text, V, TextCmp> insertByName(Text key, V value, const PMap<Text, V, TextCmp>& m) {
    return m.insert(std::move(key), std::move(value));
}
template <class V> std::optional<V> lookupByName(const Text& key, const PMap<Text, V, TextCmp>& m) {
    return m.lookup(key);
}

} // namespace zarnet
