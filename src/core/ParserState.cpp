#include "ParserState.h"

namespace zarnet {

ScopeMap insertGlobalScope(VarMap vars, const ScopeMap& m) {
    return m.insert(Scope::global(), std::move(vars));
}

ScopeMap insertByScope(const Scope& scope, VarMap vars, const ScopeMap& m) {
    if (!scope.isLocal) return insertGlobalScope(std::move(vars), m);
    return m.insert(scope, std::move(vars));
}

const ScopeMap& initialScopeMap() {
    static const ScopeMap m = insertGlobalScope(VarMap(), ScopeMap());
    return m;
}

const ParserState& initialState() {
    static const ParserState s = [] {
        ParserState st;
        st.scopeMap = initialScopeMap();
        st.matchSourceNameForReport =
            std::make_shared<const std::function<bool(const Text&)>>([](const Text&) { return true; });
        return st;
    }();
    return s;
}

} // namespace zarnet
