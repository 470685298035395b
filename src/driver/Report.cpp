#include "driver/Report.h"

#include "core/Messages.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace zarnet {

namespace {

ReportScope reportScopeOf(const Scope& scope, const ProcMap& procs) {
    ReportScope r{scope, {}, {}};
    if (!scope.isLocal) return r;
    // Found in place: the procedure record is not copied for the two things taken from it.
    if (const Procedure* proc = procs.find(scope.name)) {
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

bool sameIdentifier(const VarIdentifier& a, const VarIdentifier& b) noexcept {
    return a.varSymbol == b.varSymbol && a.varName == b.varName;
}

Findings findingsOf(const ReportScope& rs, const VarMap& globals, const SuppressList& suppress, bool exceptParams,
                    const VarIdentifier& id, const VarAttr& attr) {
    Findings f;
    if (attr.usedCount == 0) {
        f.countMessage = msg::kNotUsed;
        f.countCode = msg::kCodeNotUsed;
    } else if (attr.usedCount == 1) {
        f.countMessage = msg::kUsedOnlyOnce;
        f.countCode = msg::kCodeUsedOnlyOnce;
    }
    // Both other findings are about a variable without a definition; a defined one (most of
    // them) needs no search of the suppressions, the parameters or the globals.
    if (attr.defined) return f;
    bool suppressed = std::any_of(suppress.begin(), suppress.end(), [&](const auto& p) {
        return p.first == rs.scope && p.second == id;
    });
    if (suppressed) return f;
    bool isParam = std::any_of(rs.parameters.begin(), rs.parameters.end(),
                               [&](const VarIdentifier& p) { return sameIdentifier(p, id); });
    f.notDefined = !(exceptParams && isParam);
    f.sameNameGlobal = rs.scope.isLocal && !isParam && globals.contains(id);
    return f;
}

// Where the report's lines go: one text, line after line, with no text per line.
struct TextOut {
    Text& t;
    void put(const char* ascii) { t += ascii; }
    void put(const Text& x) { t += x; }
};

// The same, into a buffer of its own handed on whenever a line ends past the size of a
// piece. The piece is held while the whole final state is, at the run's peak of memory, so
// it stays small. A line is a dozen short texts, each one copy into the buffer.
class PiecesOut {
public:
    static constexpr std::size_t kPiece = std::size_t(1) << 16;
    explicit PiecesOut(const std::function<void(TextView)>& write) : write_(write), buf_(kPiece) {}
    void put(const char* ascii) {
        append(TextView(ascii));
        if (n_ >= kPiece && buf_[n_ - 1] == '\n') flush();
    }
    void put(const Text& x) { append(x); }
    void flush() {
        if (n_ != 0) write_(TextView(buf_.data(), n_));
        n_ = 0;
    }

private:
    void append(TextView x) {
        // A line longer than a piece grows the buffer.
        if (buf_.size() - n_ < x.size()) buf_.resize(std::max(buf_.size() * 2, n_ + x.size()));
        std::memcpy(buf_.data() + n_, x.data(), x.size());
        n_ += x.size();
    }
    const std::function<void(TextView)>& write_;
    std::vector<char> buf_;
    std::size_t n_ = 0;
};

template <class Out> void putNumber(Out& out, std::int64_t n) {
    char digits[24];
    *std::to_chars(digits, digits + sizeof digits - 1, n).ptr = '\0';
    out.put(digits);
}
template <class Out> void putSigil(Out& out, VarSymbol s) { out.put(s == VarSymbol::Dollar ? "$" : "#"); }

template <class Out>
void putLine(Out& out, const char* kind, VarSymbol symbol, const Text& caseSensitiveName, const ReportScope& scope,
             const SourcePos& pos, const char* message) {
    out.put(kind);
    out.put(":\t");
    putSigil(out, symbol);
    out.put(caseSensitiveName);
    out.put("\t(");
    if (scope.scope.isLocal) {
        out.put("Local ");
        out.put(scope.procName);
    } else {
        out.put("Global");
    }
    out.put(")\t");
    out.put(message);
    out.put("\t(");
    out.put(pos.sourceName.text());
    out.put("\tline ");
    putNumber(out, pos.sourceLine);
    out.put(")\n");
}

template <class Out>
void putVariable(Out& out, const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                 bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.reportPos) return;
    const SourcePos& at = *attr.reportPos;
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    auto line = [&](const char* kind, const SourcePos& pos, const char* message) {
        putLine(out, kind, id.varSymbol, attr.caseSensitiveName, scope, pos, message);
    };
    if (f.notDefined) line(msg::kReportError, at, msg::kNotDefined);
    if (f.countMessage) line(msg::kReportWarning, at, f.countMessage);
    attr.warnUnderbarPos.forEach([&](const FileLine&, const SourcePos& pos) {
        line(msg::kReportWarning, pos, msg::kUnnecessaryUnderscore);
    });
    if (f.sameNameGlobal) line(msg::kReportWarning, at, msg::kSameNameGlobal);
}

template <class Out>
void putListLine(Out& out, const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                 bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.reportPos) return;
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    if (!f.notDefined && !f.countCode && !f.sameNameGlobal) return;

    const SourcePos& at = *attr.reportPos;
    if (scope.scope.isLocal) {
        out.put("Local\t");
        out.put(scope.procName);
    } else {
        out.put("Global\t---");
    }
    out.put("\t");
    putSigil(out, id.varSymbol);
    out.put(attr.caseSensitiveName);
    out.put("\t");
    out.put(at.sourceName.text());
    out.put("\t");
    putNumber(out, at.sourceLine);
    out.put("\t");
    if (f.notDefined) out.put(msg::kCodeNotDefined);
    if (f.countCode || f.sameNameGlobal) {
        if (f.notDefined) out.put(" ");
        out.put(msg::kCodeWarning);
        out.put(" ");
        if (f.countCode) out.put(f.countCode);
        if (f.countCode && f.sameNameGlobal) out.put(" ");
        if (f.sameNameGlobal) out.put(msg::kCodeSameNameGlobal);
    }
    out.put("\n");
}

template <class Out>
void putReport(Out& out, bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st) {
    VarMap globals = st.scopeMap.lookup(Scope::global()).value_or(VarMap());
    st.scopeMap.forEach([&](const Scope& scope, const VarMap& vars) {
        ReportScope rs = reportScopeOf(scope, st.procMap);
        vars.forEach([&](const VarIdentifier& id, const VarAttr& attr) {
            if (listFormat)
                putListLine(out, rs, globals, suppress, exceptParams, id, attr);
            else
                putVariable(out, rs, globals, suppress, exceptParams, id, attr);
        });
    });
}

// The text that one of the writers above puts.
template <class Put> Text textOf(Put put) {
    Text t;
    TextOut out{t};
    put(out);
    return t;
}

} // namespace

Text reportLine(const char* kind, VarSymbol symbol, const Text& caseSensitiveName, const ReportScope& scope,
                const SourcePos& pos, const char* message) {
    return textOf([&](TextOut& out) { putLine(out, kind, symbol, caseSensitiveName, scope, pos, message); });
}

Text reportVariable(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    return textOf([&](TextOut& out) { putVariable(out, scope, globals, suppress, exceptParams, id, attr); });
}

Text reportListLine(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    return textOf([&](TextOut& out) { putListLine(out, scope, globals, suppress, exceptParams, id, attr); });
}

Text buildReport(bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st) {
    return textOf([&](TextOut& out) { putReport(out, listFormat, suppress, exceptParams, st); });
}

void writeReport(bool listFormat, const SuppressList& suppress, bool exceptParams, const ParserState& st,
                 const std::function<void(TextView)>& write) {
    PiecesOut out(write);
    putReport(out, listFormat, suppress, exceptParams, st);
    out.flush();
}

} // namespace zarnet
