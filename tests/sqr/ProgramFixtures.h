// Whole-program runs of the SQR parser for tests: the outcome, the rendered error and what
// the final parser state holds for a variable or a procedure.
#pragma once

#include "TestSupport.h"

#include "sqr/SqrParser.h"

#include <optional>
#include <string>

namespace zarnet::test {

struct ProgramRun {
    bool ok = false;
    std::string error;
    std::string rest;
    ParserState st;
    std::int64_t sequenceNo = 0;
};

inline ProgramRun runProgram(std::string_view text, const ParserState& start = initialState()) {
    auto o = runOn(sqr::pSqrProgram, text, start);
    ProgramRun r;
    r.ok = o.ok;
    r.error = o.ok ? std::string() : o.error;
    r.rest = o.rest;
    r.st = o.user->state;
    r.sequenceNo = o.sequenceNo;
    return r;
}

// The variable written as "$name" or "#name" (name upper-cased) in the scope (empty: global).
inline std::optional<VarAttr> varOf(const ParserState& st, std::string_view written, std::string_view scope = "") {
    Scope sc = scope.empty() ? Scope::global() : Scope::local(T(scope));
    const VarMap* m = st.scopeMap.find(sc);
    if (!m) return std::nullopt;
    VarSymbol sym = written[0] == '#' ? VarSymbol::Sharp : VarSymbol::Dollar;
    const VarAttr* a = m->find(VarIdentifier{toUpperText(T(written.substr(1))), sym});
    if (!a) return std::nullopt;
    return *a;
}

// The use count of a variable, or -1 when it is not recorded.
inline std::int64_t usesOf(const ParserState& st, std::string_view written, std::string_view scope = "") {
    auto a = varOf(st, written, scope);
    return a ? a->usedCount : -1;
}

// The procedure record under the key, or null; it lives as long as the state.
inline const Procedure* procOf(const ParserState& st, std::string_view key) { return st.procMap.find(T(key)); }

// The number of variables recorded in a scope (empty: global), reserved ones included.
inline std::size_t varCount(const ParserState& st, std::string_view scope = "") {
    Scope sc = scope.empty() ? Scope::global() : Scope::local(T(scope));
    const VarMap* m = st.scopeMap.find(sc);
    if (!m) return 0;
    std::size_t n = 0;
    m->forEach([&](const VarIdentifier&, const VarAttr&) { ++n; });
    return n;
}

} // namespace zarnet::test
