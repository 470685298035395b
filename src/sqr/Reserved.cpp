#include "sqr/Reserved.h"

#include "sqr/Symbols.h"

namespace zarnet::sqr {

namespace {

VarAttr defineReserved(VarAttr a, VarType t) {
    a.varType = t;
    a.defined = true;
    a.usedCount = 9999;
    return a;
}

} // namespace

const std::array<ReservedVariable, 22> reservedVariables = {{
    {"#current-column", VarSymbol::Sharp, VarType::integer()},
    {"#current-line", VarSymbol::Sharp, VarType::integer()},
    {"#end-file", VarSymbol::Sharp, VarType::integer()},
    {"#page-count", VarSymbol::Sharp, VarType::integer()},
    {"#return-status", VarSymbol::Sharp, VarType::integer()},
    {"#sql-count", VarSymbol::Sharp, VarType::integer()},
    {"#sql-status", VarSymbol::Sharp, VarType::integer()},
    {"#sqr-max-columns", VarSymbol::Sharp, VarType::integer()},
    {"#sqr-max-lines", VarSymbol::Sharp, VarType::integer()},
    {"#sqr-pid", VarSymbol::Sharp, VarType::integer()},
    {"$current-date", VarSymbol::Dollar, VarType::date()},
    {"$sql-error", VarSymbol::Dollar, VarType::text()},
    {"$sqr-database", VarSymbol::Dollar, VarType::text()},
    {"$sqr-dbcs", VarSymbol::Dollar, VarType::text()},
    {"$sqr-encoding", VarSymbol::Dollar, VarType::text()},
    {"$sqr-hostname", VarSymbol::Dollar, VarType::text()},
    {"$sqr-locale", VarSymbol::Dollar, VarType::text()},
    {"$sqr-platform", VarSymbol::Dollar, VarType::text()},
    {"$sqr-program", VarSymbol::Dollar, VarType::text()},
    {"$sqr-report", VarSymbol::Dollar, VarType::text()},
    {"$sqr-ver", VarSymbol::Dollar, VarType::text()},
    {"$username", VarSymbol::Dollar, VarType::text()},
}};

SourcePos nullPosition() { return SourcePos{SourceName(), 1, 1}; }

VarAttr defineReservedInteger(VarAttr a) { return defineReserved(std::move(a), VarType::integer()); }
VarAttr defineReservedDate(VarAttr a) { return defineReserved(std::move(a), VarType::date()); }
VarAttr defineReservedText(VarAttr a) { return defineReserved(std::move(a), VarType::text()); }

Reply<Unit> setBuiltinVariables(State& s) {
    const SourcePos at = nullPosition();
    VarMap vars = varMapOf(s.st(), Scope::global());
    for (const ReservedVariable& r : reservedVariables) {
        VarUpdater update = r.type.kind == VarType::Kind::INTEGER ? VarUpdater(defineReservedInteger)
                            : r.type.kind == VarType::Kind::DATE  ? VarUpdater(defineReservedDate)
                                                                  : VarUpdater(defineReservedText);
        Text name = r.literal + 1;
        vars = recordOccurrence(r.symbol, name, false, at, std::nullopt, update, vars);
    }
    return updateVarMap(s, Scope::global(), std::move(vars));
}

} // namespace zarnet::sqr
