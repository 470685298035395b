// The 22 variables that SQR provides, entered into the global scope before a report run
// reads any of the program text.
#pragma once

#include "core/Parser.h"

#include <array>

namespace zarnet::sqr {

struct ReservedVariable {
    const char* literal; // sigil first, as SQR spells it
    VarSymbol symbol;
    VarType type;
};

// In the order they are entered.
extern const std::array<ReservedVariable, 22> reservedVariables;

// The position of the reserved variables: outside every source file.
SourcePos nullPosition();

// Defined, with their row's type and the use count 9999, so that the not-used and
// used-only-once findings never apply to them.
VarAttr defineReservedInteger(VarAttr a);
VarAttr defineReservedDate(VarAttr a);
VarAttr defineReservedText(VarAttr a);

// Enters the reserved variables into the global variable map, whatever the current scope.
// They get no report position of their own: only a real occurrence in a reported file
// gives them one (the null position would otherwise pass a filter that accepts the empty
// name). Consumes nothing and never fails.
Reply<Unit> setBuiltinVariables(State& s);

} // namespace zarnet::sqr
