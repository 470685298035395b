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

// The variable maps of all scopes, read like a ScopeMap. Recording goes to the global scope
// and to one local scope (the procedure being read) by turns, so those two maps are held
// beside the map of the other scopes: changing them never copies a path of that map, and
// a state that no snapshot shares changes them in place (PMap::update). A local scope's
// map goes back into the map of scopes when another local scope is written.
class ScopeStore {
public:
    ScopeStore() = default;
    ScopeStore(ScopeMap m) : settled_(std::move(m)) {} // NOLINT: a ScopeMap is a store
    operator ScopeMap() const { return all(); }         // NOLINT: and a store reads as one

    // Every scope and its map, in scope order.
    ScopeMap all() const {
        ScopeMap m = settled_;
        if (globalHot_) m = m.insert(Scope::global(), globals_);
        if (local_) m = m.insert(local_->scope, localVars_);
        return m;
    }
    const VarMap* find(const Scope& scope) const {
        if (!scope.isLocal) return globalHot_ ? &globals_ : settled_.find(scope);
        if (local_ && compare(local_->scope, scope) == 0) return &localVars_;
        return settled_.find(scope);
    }
    std::optional<VarMap> lookup(const Scope& scope) const {
        if (const VarMap* m = find(scope)) return *m;
        return std::nullopt;
    }
    bool contains(const Scope& scope) const { return find(scope) != nullptr; }
    std::size_t size() const { return all().size(); }
    bool empty() const { return size() == 0; }
    template <class F> void forEach(F&& f) const { all().forEach(std::forward<F>(f)); }
    friend bool operator==(const ScopeStore& a, const ScopeStore& b) { return a.all() == b.all(); }

    // Makes the scope's map make() when it has none, else changes it with change(VarMap&).
    template <class Make, class Change> void update(const Scope& scope, Make&& make, Change&& change) {
        if (!scope.isLocal) {
            if (!globalHot_) take(Scope::global(), globals_, make, change);
            else change(globals_);
            globalHot_ = true;
            return;
        }
        if (local_ && local_->scope.name == scope.name) { // both local
            change(localVars_);
            return;
        }
        if (local_) {
            settled_.update(
                local_->scope, [&] { return std::move(localVars_); }, [&](VarMap& m) { m = std::move(localVars_); });
        }
        local_ = makeRc<Key>(scope);
        take(scope, localVars_, make, change);
    }

private:
    struct Key : RcObject {
        explicit Key(Scope s) : scope(std::move(s)) {}
        Scope scope;
    };
    template <class Make, class Change> void take(const Scope& scope, VarMap& into, Make& make, Change& change) {
        if (const VarMap* m = settled_.find(scope)) {
            into = *m;
            change(into);
        } else {
            into = make();
        }
    }

    ScopeMap settled_;     // every scope but the two below is up to date here
    VarMap globals_;       // the global map when globalHot_
    Rc<const Key> local_;  // the local scope whose map is localVars_
    VarMap localVars_;
    bool globalHot_ = false;
};

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
    ScopeStore scopeMap;
    ProcMap procMap;
    bool continued = false;
    bool bol = true;
    PList<Text> searchPaths;
    NamePredicate matchSourceNameForReport;
    bool recursiveCheck = false;
    SourceName rootSourceName; // the run's copy, so that copying the state never allocates
};

// The parse carries the state behind one shared pointer, so that saving it before an
// alternative costs one increment; a change copies the record only while a saved copy
// shares it (State::modify).
struct UserStateBox : RcObject, Pooled<UserStateBox> {
    explicit UserStateBox(ParserState&& s) : state(std::move(s)) {}
    explicit UserStateBox(const ParserState& s) : state(s) {}
    ParserState state;
};
using UserState = Rc<const UserStateBox>;

inline UserState makeUserState(ParserState s) { return makeRc<UserStateBox>(std::move(s)); }
// The copy is made in its box, so that the record is copied once and never moved.
template <class F> UserState modifiedState(const UserState& u, F&& f) {
    Rc<UserStateBox> copy = makeRc<UserStateBox>(u->state);
    f(copy->state);
    return copy;
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
