// The variable report: the findings of every reported variable, in the normal format (one
// line per finding) or the list format (one line per variable with findings).
#pragma once

#include "core/ParserState.h"
#include "driver/Options.h"

#include <functional>
#include <string>

namespace zarnet {

// The scope being reported, with what the report takes from its procedure header.
struct ReportScope {
    Scope scope;
    Text procName;                       // as written in the header; empty without one
    std::vector<VarIdentifier> parameters; // none without a header
};

// The whole report, as it is written (texts are UTF-8).
Text buildReport(bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st);
// The same report handed to `write` in pieces of about a megabyte, in order: a report can be
// larger than its program, and is never held whole.
void writeReport(bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st,
                 const std::function<void(TextView)>& write);

Text reportVariable(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr);
Text reportListLine(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr);
Text reportLine(const char* kind, VarSymbol symbol, const Text& caseSensitiveName, const ReportScope& scope,
                const SourcePos& pos, const char* message);

} // namespace zarnet
