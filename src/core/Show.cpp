#include "Show.h"

#include "ParseError.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zarnet {

namespace {
std::string paren(bool p, std::string s) { return p ? "(" + s + ")" : s; }
std::string showInt(std::int64_t i, int level) { return paren(i < 0 && level > 6, std::to_string(i)); }
std::string showPosField(const SourcePos& p) { return showPos(p); }
} // namespace

std::string show(VarSymbol v, int) { return v == VarSymbol::Dollar ? "$" : "#"; }

std::string show(const Scope& v, int level) {
    if (!v.isLocal) return "Global";
    return paren(level > 10, "Local " + quoteText(v.name));
}

std::string show(CallType v, int) { return v == CallType::CallByValue ? "CallByValue" : "CallByReference"; }

std::string show(const VarType& v, int level) {
    switch (v.kind) {
    case VarType::Kind::INTEGER: return "INTEGER";
    case VarType::Kind::FLOAT: return "FLOAT";
    case VarType::Kind::DECIMAL: return paren(level > 10, "DECIMAL " + showInt(v.precision, 11));
    case VarType::Kind::TEXT: return "TEXT";
    case VarType::Kind::DATE: return "DATE";
    }
    return "";
}

std::string showDouble(double d, int level) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return paren(d < 0 && level > 6, d < 0 ? "-Infinity" : "Infinity");
    bool neg = std::signbit(d);
    double a = std::fabs(d);
    // Shortest digits that read back as the same value.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    std::string sci(buf, res.ptr);
    std::size_t e = sci.find('e');
    std::string mant = sci.substr(0, e);
    int exp = std::stoi(sci.substr(e + 1));
    std::string digits;
    for (char c : mant)
        if (c != '.') digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out;
    if (a == 0.0) {
        out = "0.0";
    } else if (a >= 0.1 && a < 1e7) {
        int pointAt = exp + 1; // digits before the point
        if (pointAt <= 0) {
            out = "0." + std::string(std::size_t(-pointAt), '0') + digits;
        } else if (std::size_t(pointAt) >= digits.size()) {
            out = digits + std::string(std::size_t(pointAt) - digits.size(), '0') + ".0";
        } else {
            out = digits.substr(0, std::size_t(pointAt)) + "." + digits.substr(std::size_t(pointAt));
        }
    } else {
        out = digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "e" + std::to_string(exp);
    }
    if (neg) out = "-" + out;
    return paren(neg && level > 6, out);
}

std::string show(const PPValue& v, int level) {
    std::string num = v.number ? "Just " + showDouble(*v.number, 11) : "Nothing";
    return paren(level > 10, "PPValue (" + quoteText(v.text) + "," + num + ")");
}

std::string show(const VarIdentifier& v, int level) {
    return paren(level > 10, "VarIdentifier {varName = " + quoteText(v.varName) + ", varSymbol = " +
                                 show(v.varSymbol, 0) + "}");
}

std::string show(const Parameter& v, int level) {
    return paren(level > 10, "Parameter {varIdentifier = " + show(v.varIdentifier, 0) +
                                 ", callType = " + show(v.callType, 0) + "}");
}

std::string show(const Procedure& v, int level) {
    return paren(level > 10, "Procedure {procName = " + quoteText(v.procName) + ", procScope = " +
                                 show(v.procScope, 0) + ", procPosition = " + showPosField(v.procPosition) +
                                 ", parameters = " + showList(v.parameters) + "}");
}

std::string show(const VarAttr& v, int level) {
    std::string underbar = "fromList [";
    bool first = true;
    v.warnUnderbarPos().forEach([&](const FileLine& k, const SourcePos& p) {
        if (!first) underbar += ",";
        first = false;
        underbar += "((" + quoteText(k.sourceName) + "," + std::to_string(k.line) + ")," + showPosField(p) + ")";
    });
    underbar += "]";
    return paren(level > 10, "VarAttr {varType = " + show(v.varType, 0) + ", caseSensitiveName = " +
                                 quoteText(v.caseSensitiveName) + ", defined = " + (v.defined ? "True" : "False") +
                                 ", usedCount = " + showInt(v.usedCount, 0) + ", varPosition = " +
                                 showPosField(v.varPosition()) + ", reportPos = " +
                                 (v.hasReportPos() ? "Just " + showPosField(*v.reportPos()) : "Nothing") +
                                 ", warnUnderbarPos = " + underbar + "}");
}

} // namespace zarnet
