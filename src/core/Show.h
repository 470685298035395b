// Printed forms of the shared records. Only the sign of a variable reaches the output;
// the other forms name values in diagnostics and tests.
#pragma once

#include "Records.h"

#include <string>

namespace zarnet {

// Level 0 at the top, for fields, list items and pair members; 11 for the argument of a
// constructor, where forms with an argument are put in parentheses.
std::string show(VarSymbol v, int level = 0);
std::string show(const Scope& v, int level = 0);
std::string show(CallType v, int level = 0);
std::string show(const VarType& v, int level = 0);
std::string show(const PPValue& v, int level = 0);
std::string show(const VarIdentifier& v, int level = 0);
std::string show(const Parameter& v, int level = 0);
std::string show(const Procedure& v, int level = 0);
std::string show(const VarAttr& v, int level = 0);
std::string showDouble(double d, int level = 0);

template <class T> std::string showList(const T& items) {
    std::string out = "[";
    bool first = true;
    for (const auto& i : items) {
        if (!first) out += ",";
        first = false;
        out += show(i, 0);
    }
    return out + "]";
}

} // namespace zarnet
