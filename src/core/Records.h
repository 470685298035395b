// The records shared by every stage of the checker, with their equality and order.
#pragma once

#include "PersistentList.h"
#include "PersistentMap.h"
#include "Rc.h"
#include "SourcePos.h"
#include "Text.h"

#include <compare>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

namespace zarnet {

// Byte order, which is code-point order. Keys are names of a few characters that mostly
// differ early: their first bytes are compared here, without a call.
inline int compareText(const Text& a, const Text& b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const std::size_t head = n < 8 ? n : 8;
    for (std::size_t i = 0; i < head; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (n > head) {
        if (const int c = std::memcmp(a.data() + head, b.data() + head, n - head)) return c < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
inline int cmpInt(std::int64_t a, std::int64_t b) noexcept { return a < b ? -1 : (a > b ? 1 : 0); }

struct TextCmp {
    int operator()(const Text& a, const Text& b) const noexcept { return compareText(a, b); }
};

// An immutable text shared by its copies. The parse state and every recorded place of a
// variable carry the current scope, and copying a Text allocates once it outgrows its
// short-string buffer, as most procedure names do.
class SharedText {
public:
    SharedText() = default;
    SharedText(Text t) : box_(t.empty() ? nullptr : makeRc<const Box>(std::move(t))) {} // NOLINT: a text
    SharedText(const char* t) : SharedText(Text(t)) {}                                    // NOLINT: likewise
    const Text& text() const noexcept { return box_ ? box_->text : empty(); }
    operator const Text&() const noexcept { return text(); } // NOLINT: reads as the text
    operator TextView() const noexcept { return text(); }    // NOLINT: likewise
    friend bool operator==(const SharedText& a, const SharedText& b) noexcept {
        return a.box_ == b.box_ || a.text() == b.text();
    }
    // The same text object (not merely an equal one).
    bool sameAs(const SharedText& o) const noexcept { return box_ == o.box_; }

private:
    struct Box : RcObject, Pooled<Box> {
        explicit Box(Text t) : text(std::move(t)) {}
        Text text;
    };
    // A constant of namespace scope, so that reading an empty text tests no guard.
    static const Text& empty() noexcept { return kNone; }
    static inline const Text kNone;
    Rc<const Box> box_;
};

// The scope of a variable: the whole program, or one local procedure (name upper-cased).
struct Scope {
    bool isLocal = false;
    SharedText name; // empty for Global

    static Scope global() { return Scope{}; }
    static Scope local(Text procName) { return Scope{true, std::move(procName)}; }
};
// Inline: every lookup in the map of scopes asks at each level.
inline int compare(const Scope& a, const Scope& b) noexcept {
    if (a.isLocal != b.isLocal) return a.isLocal ? 1 : -1;
    return a.isLocal ? compareText(a.name, b.name) : 0;
}
inline bool operator==(const Scope& a, const Scope& b) noexcept { return compare(a, b) == 0; }
struct ScopeCmp {
    int operator()(const Scope& a, const Scope& b) const noexcept { return compare(a, b); }
};
// The map of scopes keeps its entries behind a pointer (see PMap): its paths are copied
// often, and such an entry copies with one count where a scope and its map take two.

enum class VarSymbol : std::uint8_t { Dollar, Sharp };
inline int compare(VarSymbol a, VarSymbol b) noexcept { return cmpInt(int(a), int(b)); }

// The kind comes last, so that a record holding a type can put a small field in the bytes
// after it (see VarAttr).
struct VarType {
    enum class Kind : std::uint8_t { INTEGER, FLOAT, DECIMAL, TEXT, DATE };
    std::int64_t precision = 0; // DECIMAL only
    Kind kind = Kind::INTEGER;

    static VarType integer() { return {0, Kind::INTEGER}; }
    static VarType float_() { return {0, Kind::FLOAT}; }
    static VarType decimal(std::int64_t p) { return {p, Kind::DECIMAL}; }
    static VarType text() { return {0, Kind::TEXT}; }
    static VarType date() { return {0, Kind::DATE}; }
};
int compare(const VarType& a, const VarType& b) noexcept;
inline bool operator==(const VarType& a, const VarType& b) noexcept { return compare(a, b) == 0; }

enum class CallType : std::uint8_t { CallByValue, CallByReference };
inline int compare(CallType a, CallType b) noexcept { return cmpInt(int(a), int(b)); }

// The names of a variable record are shared texts: a run hands out one text per name
// (see the recording in the symbol table), so a record holds a pointer where a text would
// take four words, and copying a record copies no characters.
struct VarIdentifier {
    SharedText varName; // upper-cased, without its sigil
    VarSymbol varSymbol = VarSymbol::Dollar;
};
int compare(const VarIdentifier& a, const VarIdentifier& b) noexcept;
inline bool operator==(const VarIdentifier& a, const VarIdentifier& b) noexcept {
    return compare(a, b) == 0;
}
struct VarIdentifierCmp {
    int operator()(const VarIdentifier& a, const VarIdentifier& b) const noexcept {
        return compare(a, b);
    }
};
template <> struct CopiesCheaply<VarIdentifier> : std::true_type {};

// The call type sits in the bytes after the identifier's symbol (16 bytes instead of 24;
// a large program holds tens of thousands of parameters).
struct Parameter {
    [[no_unique_address]] VarIdentifier varIdentifier;
    CallType callType = CallType::CallByValue;
};
int compare(const Parameter& a, const Parameter& b) noexcept;
inline bool operator==(const Parameter& a, const Parameter& b) noexcept { return compare(a, b) == 0; }

struct Procedure {
    Text procName; // as written
    Scope procScope;
    SourcePos procPosition;
    PList<Parameter> parameters;
};
int compare(const Procedure& a, const Procedure& b) noexcept;
inline bool operator==(const Procedure& a, const Procedure& b) noexcept { return compare(a, b) == 0; }

// Key of the needless-underscore map: source name and line.
struct FileLine {
    Text sourceName;
    std::int64_t line = 0;
};
int compare(const FileLine& a, const FileLine& b) noexcept;
inline bool operator==(const FileLine& a, const FileLine& b) noexcept { return compare(a, b) == 0; }
struct FileLineCmp {
    int operator()(const FileLine& a, const FileLine& b) const noexcept { return compare(a, b); }
};
FileLine fileLine(const SourcePos& p);

using UnderbarMap = PMap<FileLine, SourcePos, FileLineCmp>;

// A program holds one of these for every variable of every scope, so it is kept small: the
// flag `defined`, where the report position lies and the count sit in the bytes after the
// type's kind, and the first position is a record place. The report position is nearly
// always none or the first position itself, and needless-underscore marks are rare: a
// report position of its own and the marks are kept apart, behind one pointer that most
// records leave empty. A count of 32 bits holds the uses of any program that fits in
// memory (each use takes a few bytes of input).
class VarAttr {
public:
    SharedText caseSensitiveName;

private:
    RecordPos varPosition_;
    struct Apart : RcObject, Pooled<Apart> {
        OptionalPos reportPos; // none unless the report position lies elsewhere
        UnderbarMap warnUnderbarPos;
    };
    Rc<const Apart> apart_;

public:
    [[no_unique_address]] VarType varType;
    bool defined = false;

private:
    enum class ReportAt : std::uint8_t { None, First, Apart };
    ReportAt reportAt_ = ReportAt::None;

public:
    std::int32_t usedCount = 0;

    // The first position.
    const RecordPos& varPosition() const noexcept { return varPosition_; }
    void setVarPosition(const SourcePos& p) {
        // A report position that was the first position stays where it was.
        if (reportAt_ == ReportAt::First && !(varPosition_ == p)) keepReportApart();
        varPosition_ = p;
    }
    // The position the report shows, if any.
    OptionalPos reportPos() const noexcept {
        if (reportAt_ == ReportAt::First) return SourcePos(varPosition_);
        if (reportAt_ == ReportAt::None) return std::nullopt;
        return apart_->reportPos;
    }
    bool hasReportPos() const noexcept { return reportAt_ != ReportAt::None; }
    void setReportPos(const SourcePos& p) {
        if (reportAt_ == ReportAt::Apart) dropApartReport();
        if (varPosition_ == p)
            reportAt_ = ReportAt::First;
        else
            setApartReport(p);
    }
    void setReportPos(const std::optional<SourcePos>& p) {
        if (p)
            setReportPos(*p);
        else {
            if (reportAt_ == ReportAt::Apart) dropApartReport();
            reportAt_ = ReportAt::None;
        }
    }
    // A needless-underscore mark per reported line.
    const UnderbarMap& warnUnderbarPos() const noexcept { return apart_ ? apart_->warnUnderbarPos : kNoMarks; }
    void setWarnUnderbarPos(UnderbarMap marks);

private:
    Apart& apart();
    void keepReportApart();
    void dropApartReport();
    void setApartReport(const SourcePos& p);
    static inline const UnderbarMap kNoMarks;
};
bool operator==(const VarAttr& a, const VarAttr& b);
template <> struct CopiesCheaply<VarAttr> : std::true_type {};

// One operand of an #if comparison: the upper-cased text and, when the whole text reads
// as one number, that number.
struct PPValue {
    Text text;
    std::optional<double> number;

    static PPValue fromOperand(TextView operand);
};
// Reads a whole text as one number (parentheses, an optional "-", decimal, hexadecimal,
// octal, NaN or Infinity); nothing when the text has any other form.
std::optional<double> readPPNumber(TextView t);
bool operator==(const PPValue& a, const PPValue& b);
bool operator!=(const PPValue& a, const PPValue& b);
bool operator<=(const PPValue& a, const PPValue& b);
bool operator<(const PPValue& a, const PPValue& b);
bool operator>(const PPValue& a, const PPValue& b);
bool operator>=(const PPValue& a, const PPValue& b);
int compare(const PPValue& a, const PPValue& b);

// The saved place of a file that is including another: where reading resumes, and the
// input that remains there (a view into a text that lives as long as the program).
struct Context {
    SourcePos ctxPos;
    const char* ctxInpBegin = nullptr;
    const char* ctxInpEnd = nullptr;
    TextView ctxInp() const { return TextView(ctxInpBegin, std::size_t(ctxInpEnd - ctxInpBegin)); }
};

} // namespace zarnet
