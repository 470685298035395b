#include "driver/Report.h"

#include "core/Messages.h"

#include <algorithm>

namespace zarnet {

namespace {

Text sigil(VarSymbol s) { return s == VarSymbol::Dollar ? Text(U"$") : Text(U"#"); }

Text number(std::int64_t n) { return fromAscii(std::to_string(n)); }

ReportScope reportScopeOf(const Scope& scope, const ProcMap& procs) {
    ReportScope r{scope, {}, {}};
    if (!scope.isLocal) return r;
    if (auto proc = lookupByName(scope.name, procs)) {
        r.procName = proc->procName;
        for (const Parameter& p : proc->parameters) r.parameters.push_back(p.varIdentifier);
    }
    return r;
}

struct Findings {
    bool notDefined = false;
    bool sameNameGlobal = false;
    const char* countMessage = nullptr; // normal format
    const char* countCode = nullptr;    // list format
};

Findings findingsOf(const ReportScope& rs, const VarMap& globals, const SuppressList& suppress, bool exceptParams,
                    const VarIdentifier& id, const VarAttr& attr) {
    bool suppressed = std::any_of(suppress.begin(), suppress.end(), [&](const auto& p) {
        return p.first == rs.scope && p.second == id;
    });
    bool isParam = std::find(rs.parameters.begin(), rs.parameters.end(), id) != rs.parameters.end();
    Findings f;
    f.notDefined = !suppressed && !attr.defined && !(exceptParams && isParam);
    f.sameNameGlobal = rs.scope.isLocal && !attr.defined && !isParam && globals.contains(id) && !suppressed;
    if (attr.usedCount == 0) {
        f.countMessage = msg::kNotUsed;
        f.countCode = msg::kCodeNotUsed;
    } else if (attr.usedCount == 1) {
        f.countMessage = msg::kUsedOnlyOnce;
        f.countCode = msg::kCodeUsedOnlyOnce;
    }
    return f;
}

Text asText(const char* ascii) { return fromAscii(ascii); }

} // namespace

Text reportLine(const char* kind, VarSymbol symbol, const Text& caseSensitiveName, const ReportScope& scope,
                const SourcePos& pos, const char* message) {
    Text scopeText = scope.scope.isLocal ? U"Local " + scope.procName : Text(U"Global");
    return asText(kind) + U":\t" + sigil(symbol) + caseSensitiveName + U"\t(" + scopeText + U")\t" +
           asText(message) + U"\t(" + pos.sourceName.text() + U"\tline " + number(pos.sourceLine) + U")\n";
}

Text reportVariable(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.reportPos) return Text();
    const SourcePos& at = *attr.reportPos;
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    auto line = [&](const char* kind, const SourcePos& pos, const char* message) {
        return reportLine(kind, id.varSymbol, attr.caseSensitiveName, scope, pos, message);
    };
    Text out;
    if (f.notDefined) out += line(msg::kReportError, at, msg::kNotDefined);
    if (f.countMessage) out += line(msg::kReportWarning, at, f.countMessage);
    attr.warnUnderbarPos.forEach([&](const FileLine&, const SourcePos& pos) {
        out += line(msg::kReportWarning, pos, msg::kUnnecessaryUnderscore);
    });
    if (f.sameNameGlobal) out += line(msg::kReportWarning, at, msg::kSameNameGlobal);
    return out;
}

Text reportListLine(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.reportPos) return Text();
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    Text warning;
    if (f.countCode) warning = asText(f.countCode);
    if (f.sameNameGlobal) {
        if (!warning.empty()) warning += U' ';
        warning += asText(msg::kCodeSameNameGlobal);
    }
    Text codes;
    if (f.notDefined) codes = asText(msg::kCodeNotDefined);
    if (!warning.empty()) {
        if (!codes.empty()) codes += U' ';
        codes += asText(msg::kCodeWarning) + U" " + warning;
    }
    if (codes.empty()) return Text();

    const SourcePos& at = *attr.reportPos;
    Text scopeColumns = scope.scope.isLocal ? U"Local\t" + scope.procName : Text(U"Global\t---");
    return scopeColumns + U"\t" + sigil(id.varSymbol) + attr.caseSensitiveName + U"\t" + at.sourceName.text() +
           U"\t" + number(at.sourceLine) + U"\t" + codes + U"\n";
}

Text buildReport(bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st) {
    VarMap globals = st.scopeMap.lookup(Scope::global()).value_or(VarMap());
    Text out;
    st.scopeMap.forEach([&](const Scope& scope, const VarMap& vars) {
        ReportScope rs = reportScopeOf(scope, st.procMap);
        vars.forEach([&](const VarIdentifier& id, const VarAttr& attr) {
            out += listFormat ? reportListLine(rs, globals, suppress, exceptParams, id, attr)
                              : reportVariable(rs, globals, suppress, exceptParams, id, attr);
        });
    });
    return out;
}

} // namespace zarnet
