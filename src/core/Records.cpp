#include "Records.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace zarnet {

int compare(const VarType& a, const VarType& b) noexcept {
    if (a.kind != b.kind) return cmpInt(int(a.kind), int(b.kind));
    return a.kind == VarType::Kind::DECIMAL ? cmpInt(a.precision, b.precision) : 0;
}

int compare(const VarIdentifier& a, const VarIdentifier& b) noexcept {
    // Names recorded in one run share one text each.
    if (!a.varName.sameAs(b.varName))
        if (int c = compareText(a.varName, b.varName)) return c;
    return compare(a.varSymbol, b.varSymbol);
}

int compare(const Parameter& a, const Parameter& b) noexcept {
    if (int c = compare(a.varIdentifier, b.varIdentifier)) return c;
    return compare(a.callType, b.callType);
}

int compare(const Procedure& a, const Procedure& b) noexcept {
    if (int c = compareText(a.procName, b.procName)) return c;
    if (int c = compare(a.procScope, b.procScope)) return c;
    if (int c = compare(a.procPosition, b.procPosition)) return c;
    auto i = a.parameters.begin(), j = b.parameters.begin();
    for (; i != a.parameters.end() && j != b.parameters.end(); ++i, ++j)
        if (int c = compare(*i, *j)) return c;
    if (i == a.parameters.end()) return j == b.parameters.end() ? 0 : -1;
    return 1;
}

int compare(const FileLine& a, const FileLine& b) noexcept {
    if (int c = compareText(a.sourceName, b.sourceName)) return c;
    return cmpInt(a.line, b.line);
}

FileLine fileLine(const SourcePos& p) { return FileLine{p.sourceName.text(), p.sourceLine}; }

bool operator==(const VarAttr& a, const VarAttr& b) {
    return a.varType == b.varType && a.caseSensitiveName == b.caseSensitiveName && a.defined == b.defined &&
           a.usedCount == b.usedCount && a.varPosition() == b.varPosition() && a.reportPos() == b.reportPos() &&
           a.warnUnderbarPos() == b.warnUnderbarPos();
}

VarAttr::Apart& VarAttr::apart() {
    if (!apart_)
        apart_ = makeRc<const Apart>();
    else if (!apart_.unique())
        apart_ = makeRc<const Apart>(*apart_);
    return const_cast<Apart&>(*apart_);
}

void VarAttr::keepReportApart() {
    apart().reportPos = SourcePos(varPosition_);
    reportAt_ = ReportAt::Apart;
}

void VarAttr::dropApartReport() { apart().reportPos.reset(); }

void VarAttr::setApartReport(const SourcePos& p) {
    apart().reportPos = p;
    reportAt_ = ReportAt::Apart;
}

void VarAttr::setWarnUnderbarPos(UnderbarMap marks) {
    if (marks.empty() && !apart_) return;
    apart().warnUnderbarPos = std::move(marks);
}

namespace {

class NumberReader {
public:
    explicit NumberReader(TextView t) : t_(t) {}

    std::optional<double> read() {
        std::size_t open = 0;
        for (;;) {
            skipSpace();
            if (peek() != U'(') break;
            ++i_;
            ++open;
        }
        bool negative = false;
        if (peek() == U'-') {
            ++i_;
            negative = true;
            skipSpace();
        }
        std::optional<double> v = numericToken();
        if (!v) return std::nullopt;
        for (std::size_t k = 0; k < open; ++k) {
            skipSpace();
            if (peek() != U')') return std::nullopt;
            ++i_;
        }
        if (i_ != t_.size()) return std::nullopt;
        return negative ? -*v : *v;
    }

private:
    // The character at byte j (the reader steps over ASCII only, but checks what follows).
    char32_t at(std::size_t j) const { return j < t_.size() ? decodeAt(t_.data() + j) : char32_t(0); }
    char32_t peek() const { return at(i_); }
    static bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
    static bool isHex(char32_t c) {
        return isDigit(c) || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
    }
    static bool isOct(char32_t c) { return c >= U'0' && c <= U'7'; }
    void skipSpace() {
        while (i_ < t_.size() && isWhiteSpace(at(i_))) i_ += charWidth(t_[i_]);
    }
    bool word(const char* w) {
        TextView v(w);
        if (t_.substr(i_, v.size()) != v) return false;
        // A word token ends where the identifier characters end.
        std::size_t j = i_ + v.size();
        if (j < t_.size() && (isLetter(at(j)) || isDigit(at(j)) || at(j) == U'_' || at(j) == U'\''))
            return false;
        i_ = j;
        return true;
    }

    std::optional<double> numericToken() {
        if (word("NaN")) return std::nan("");
        if (word("Infinity")) return HUGE_VAL;
        if (!isDigit(peek())) return std::nullopt;
        if (peek() == U'0' && i_ + 2 < t_.size() + 1 && i_ + 1 < t_.size()) {
            char32_t x = at(i_ + 1);
            if ((x == U'x' || x == U'X') && i_ + 2 < t_.size() && isHex(at(i_ + 2))) {
                std::string s = "0x";
                i_ += 2;
                while (isHex(peek())) s += static_cast<char>(at(i_++));
                return std::strtod(s.c_str(), nullptr);
            }
            if ((x == U'o' || x == U'O') && i_ + 2 < t_.size() && isOct(at(i_ + 2))) {
                i_ += 2;
                std::string bits;
                while (isOct(peek())) {
                    int d = static_cast<int>(at(i_++) - U'0');
                    for (int b = 2; b >= 0; --b) bits += ((d >> b) & 1) ? '1' : '0';
                }
                while (bits.size() % 4) bits.insert(bits.begin(), '0');
                std::string s = "0x";
                for (std::size_t k = 0; k < bits.size(); k += 4) {
                    int d = 0;
                    for (int b = 0; b < 4; ++b) d = d * 2 + (bits[k + b] - '0');
                    s += "0123456789abcdef"[d];
                }
                return std::strtod(s.c_str(), nullptr);
            }
        }
        std::string s;
        while (isDigit(peek())) s += static_cast<char>(at(i_++));
        if (peek() == U'.' && i_ + 1 < t_.size() && isDigit(at(i_ + 1))) {
            s += '.';
            ++i_;
            while (isDigit(peek())) s += static_cast<char>(at(i_++));
        }
        if (peek() == U'e' || peek() == U'E') {
            std::size_t j = i_ + 1;
            std::string e = "e";
            if (j < t_.size() && (at(j) == U'+' || at(j) == U'-')) e += static_cast<char>(at(j++));
            if (j < t_.size() && isDigit(at(j))) {
                while (j < t_.size() && isDigit(at(j))) e += static_cast<char>(at(j++));
                s += e;
                i_ = j;
            }
        }
        return std::strtod(s.c_str(), nullptr);
    }

    TextView t_;
    std::size_t i_ = 0;
};

} // namespace

std::optional<double> readPPNumber(TextView t) { return NumberReader(t).read(); }

PPValue PPValue::fromOperand(TextView operand) {
    return PPValue{toUpperText(operand), readPPNumber(operand)};
}

bool operator==(const PPValue& a, const PPValue& b) {
    if (a.number && b.number) return *a.number == *b.number;
    return a.text == b.text;
}
bool operator!=(const PPValue& a, const PPValue& b) { return !(a == b); }
bool operator<=(const PPValue& a, const PPValue& b) {
    if (a.number && b.number) return *a.number <= *b.number;
    return compareText(a.text, b.text) <= 0;
}
bool operator<(const PPValue& a, const PPValue& b) { return a != b && a <= b; }
bool operator>(const PPValue& a, const PPValue& b) { return a != b && !(a <= b); }
bool operator>=(const PPValue& a, const PPValue& b) { return a == b || !(a <= b); }
int compare(const PPValue& a, const PPValue& b) {
    if (a == b) return 0;
    return a <= b ? -1 : 1;
}

} // namespace zarnet
