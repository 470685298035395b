#include "driver/Report.h"

#include "core/Messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace zarnet {

namespace {

// The procedures in key order, which is the order of the local scopes in their map: the
// procedure of each scope is found by walking both together instead of a search of the map
// per scope (a scope the walk passes by is looked up in the map all the same).
class ProcWalk {
public:
    explicit ProcWalk(const ProcMap& procs) : map_(procs) {
        procs.forEach([this](const Text& name, const Procedure& proc) { procs_.emplace_back(&name, &proc); });
    }
    const Procedure* find(const Text& name) {
        while (next_ != procs_.size() && compareText(*procs_[next_].first, name) < 0) ++next_;
        if (next_ != procs_.size() && *procs_[next_].first == name) return procs_[next_].second;
        return map_.find(name);
    }

private:
    const ProcMap& map_;
    std::vector<std::pair<const Text*, const Procedure*>> procs_;
    std::size_t next_ = 0;
};

// The count finding of a variable, if any.
enum class Count { None, NotUsed, UsedOnlyOnce };

struct Findings {
    bool notDefined = false;
    bool sameNameGlobal = false;
    Count count = Count::None;
};

bool sameIdentifier(const VarIdentifier& a, const VarIdentifier& b) noexcept {
    return a.varSymbol == b.varSymbol && a.varName == b.varName;
}

// Variable identifiers looked up by name, one hash set per sigil: a look-up each where a
// list or a map would be searched. The names are views of the records' texts.
class IdentifierSet {
public:
    void insert(const VarIdentifier& id) { namesOf(id.varSymbol).insert(TextView(id.varName)); }
    bool contains(const VarIdentifier& id) const {
        const std::unordered_set<TextView>& names = namesOf(id.varSymbol);
        return names.find(TextView(id.varName)) != names.end();
    }

private:
    std::unordered_set<TextView>& namesOf(VarSymbol s) { return s == VarSymbol::Dollar ? dollar_ : sharp_; }
    const std::unordered_set<TextView>& namesOf(VarSymbol s) const {
        return s == VarSymbol::Dollar ? dollar_ : sharp_;
    }
    std::unordered_set<TextView> dollar_, sharp_;
};

// The scope being reported and what its lines share, built once for all of its variables.
// The procedure's header is read where it is, in the final state or in a ReportScope.
class ScopeTexts {
public:
    Text normal; // between the name and the message
    Text list;   // before the sigil

    ScopeTexts(const Scope& scope, const Procedure* proc) : scope_(scope), proc_(proc) {
        build(proc ? TextView(proc->procName) : TextView());
    }
    explicit ScopeTexts(const ReportScope& r) : scope_(r.scope), given_(&r) { build(r.procName); }

    const Scope& scope() const noexcept { return scope_; }
    bool hasParameter(const VarIdentifier& id) const {
        auto same = [&id](const VarIdentifier& p) { return sameIdentifier(p, id); };
        if (given_) return std::any_of(given_->parameters.begin(), given_->parameters.end(), same);
        if (!proc_) return false;
        // A long list is searched through a set of its names, built at the first test, so
        // that a scope of n parameters costs n, not n for each of its variables.
        if (!indexed_ && proc_->parameters.size() > kSearchedInPlace) {
            for (const Parameter& p : proc_->parameters) parameters_.insert(p.varIdentifier);
            indexed_ = true;
        }
        if (indexed_) return parameters_.contains(id);
        return std::any_of(proc_->parameters.begin(), proc_->parameters.end(),
                           [&same](const Parameter& p) { return same(p.varIdentifier); });
    }

private:
    void build(TextView procName) {
        if (scope_.isLocal) {
            normal.append("\t(Local ").append(procName).append(")\t");
            list.append("Local\t").append(procName).append("\t");
        } else {
            normal = "\t(Global)\t";
            list = "Global\t---\t";
        }
    }
    static constexpr std::size_t kSearchedInPlace = 16;
    const Scope& scope_;
    const Procedure* proc_ = nullptr;
    const ReportScope* given_ = nullptr;
    mutable bool indexed_ = false;
    mutable IdentifierSet parameters_;
};

// The identifiers of the global scope for the same-name test of the undefined local
// variables (most of a large report): one hash look-up each instead of a search of the
// global map, the set built at the first test.
class GlobalNames {
public:
    explicit GlobalNames(const VarMap& globals) : globals_(globals) {}
    bool contains(const VarIdentifier& id) {
        if (!built_) {
            globals_.forEach([this](const VarIdentifier& g, const VarAttr&) { names_.insert(g); });
            built_ = true;
        }
        return names_.contains(id);
    }

private:
    const VarMap& globals_;
    bool built_ = false;
    IdentifierSet names_;
};

// The variable file's pairs. A long list is looked up through a set of keys, built at the
// first test, so that n pairs and m undefined variables cost n + m, not n times m.
class Suppressions {
public:
    explicit Suppressions(const SuppressList& list) : list_(list) {}
    bool contains(const Scope& scope, const VarIdentifier& id) {
        if (list_.size() <= kSearchedInPlace)
            return std::any_of(list_.begin(), list_.end(),
                               [&](const auto& p) { return p.first == scope && p.second == id; });
        if (!built_) {
            for (const auto& p : list_) keys_.insert(keyOf(p.first, p.second));
            built_ = true;
        }
        return keys_.count(keyOf(scope, id)) != 0;
    }

private:
    static constexpr std::size_t kSearchedInPlace = 16;
    // The scope's kind and name, then the sign and the variable's name; the name of a scope
    // holds no line feed (it ends at the first blank), so the parts cannot run together.
    static Text keyOf(const Scope& scope, const VarIdentifier& id) {
        Text k;
        k += scope.isLocal ? 'L' : 'G';
        if (scope.isLocal) k += scope.name;
        k += '\n';
        k += id.varSymbol == VarSymbol::Dollar ? '$' : '#';
        k += id.varName;
        return k;
    }
    const SuppressList& list_;
    bool built_ = false;
    std::unordered_set<Text> keys_;
};

// Globals: a VarMap or GlobalNames (anything with contains(id)).
template <class Globals>
Findings findingsOf(const ScopeTexts& scope, Globals& globals, Suppressions& suppress, bool exceptParams,
                    const VarIdentifier& id, const VarAttr& attr) {
    Findings f;
    if (attr.usedCount == 0)
        f.count = Count::NotUsed;
    else if (attr.usedCount == 1)
        f.count = Count::UsedOnlyOnce;
    // Both other findings are about a variable without a definition; a defined one (most of
    // them) needs no search of the suppressions, the parameters or the globals.
    if (attr.defined) return f;
    if (suppress.contains(scope.scope(), id)) return f;
    const bool isParam = scope.hasParameter(id);
    f.notDefined = !(exceptParams && isParam);
    f.sameNameGlobal = scope.scope().isLocal && !isParam && globals.contains(id);
    return f;
}

// The fixed texts of the lines, each joined once with its neighbours so that a line is a
// few copies: a report has tens of thousands of lines.
struct FixedTexts {
    // "Error:\t$" and the like: the kind, its colon and tab, and the sigil.
    Text kindSigil[2][2]; // [warning][sharp]
    // Each message of the normal format with the opening of the source place after it.
    Text notDefined, notUsed, usedOnlyOnce, underscore, sameNameGlobal;
    // The list format's findings and line end: [not defined][count][same name as a global].
    Text codes[2][3][2];

    FixedTexts() {
        for (int w = 0; w < 2; ++w)
            for (int sharp = 0; sharp < 2; ++sharp)
                kindSigil[w][sharp] = kindThenSigil(w ? msg::kReportWarning : msg::kReportError,
                                                    sharp ? VarSymbol::Sharp : VarSymbol::Dollar);
        notDefined = messageThenOpen(msg::kNotDefined);
        notUsed = messageThenOpen(msg::kNotUsed);
        usedOnlyOnce = messageThenOpen(msg::kUsedOnlyOnce);
        underscore = messageThenOpen(msg::kUnnecessaryUnderscore);
        sameNameGlobal = messageThenOpen(msg::kSameNameGlobal);
        const char* countCodes[3] = {nullptr, msg::kCodeNotUsed, msg::kCodeUsedOnlyOnce};
        for (int nd = 0; nd < 2; ++nd)
            for (int c = 0; c < 3; ++c)
                for (int sg = 0; sg < 2; ++sg) {
                    Text& t = codes[nd][c][sg];
                    if (nd) t += msg::kCodeNotDefined;
                    if (c || sg) {
                        if (nd) t += " ";
                        t += msg::kCodeWarning;
                        t += " ";
                        if (c) t += countCodes[c];
                        if (c && sg) t += " ";
                        if (sg) t += msg::kCodeSameNameGlobal;
                    }
                    t += "\n";
                }
    }
    static Text kindThenSigil(TextView kind, VarSymbol s) {
        Text t(kind);
        t += ":\t";
        t += s == VarSymbol::Dollar ? '$' : '#';
        return t;
    }
    static Text messageThenOpen(TextView message) {
        Text t(message);
        t += "\t(";
        return t;
    }
    const Text& kindSigilOf(bool warning, VarSymbol s) const noexcept {
        return kindSigil[warning][s == VarSymbol::Dollar ? 0 : 1];
    }
    static const FixedTexts& get() {
        static const FixedTexts texts;
        return texts;
    }
};

// A line number's decimal digits, written from the back of a buffer of their own.
class Digits {
public:
    explicit Digits(std::int64_t n) noexcept {
        char* p = buf_ + sizeof buf_;
        std::uint64_t u = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
        while (u >= 100) {
            p -= 2;
            std::memcpy(p, kPairs + 2 * (u % 100), 2);
            u /= 100;
        }
        if (u >= 10) {
            p -= 2;
            std::memcpy(p, kPairs + 2 * u, 2);
        } else {
            *--p = char('0' + u);
        }
        if (n < 0) *--p = '-';
        begin_ = p;
    }
    TextView view() const noexcept { return TextView(begin_, std::size_t(buf_ + sizeof buf_ - begin_)); }

private:
    static constexpr const char* kPairs =
        "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
        "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
    char buf_[24];
    const char* begin_;
};

// Copies t to p, a short text (most of a line's are) without a call: two loads that may
// overlap cover every length from one to sixteen bytes.
inline char* copyTo(char* p, TextView t) noexcept {
    const char* b = t.data();
    const std::size_t n = t.size();
    if (n >= 8 && n <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, b, 8);
        std::memcpy(&tail, b + n - 8, 8);
        std::memcpy(p, &head, 8);
        std::memcpy(p + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, b, 4);
        std::memcpy(&tail, b + n - 4, 4);
        std::memcpy(p, &head, 4);
        std::memcpy(p + n - 4, &tail, 4);
    } else if (n > 16) {
        std::memcpy(p, b, n);
    } else {
        for (std::size_t i = 0; i < n; ++i) p[i] = b[i];
    }
    return p + n;
}

// Where the report's lines go: one text, line after line, with no text per line. A writer
// takes room for a whole line and fills it.
struct TextOut {
    Text& t;
    char* room(std::size_t n) {
        std::size_t at = t.size();
        t.resize(at + n);
        return t.data() + at;
    }
    void lineWritten(std::size_t) noexcept {}
};

// The same, into a buffer of its own handed on whenever a line ends past the size of a
// piece. The piece is held while the whole final state is, at the run's peak of memory, so
// it stays small.
class PiecesOut {
public:
    static constexpr std::size_t kPiece = std::size_t(1) << 16;
    explicit PiecesOut(const std::function<void(TextView)>& write) : write_(write), buf_(kPiece) {}
    char* room(std::size_t n) {
        // A line longer than a piece grows the buffer.
        if (buf_.size() - n_ < n) buf_.resize(std::max(buf_.size() * 2, n_ + n));
        return buf_.data() + n_;
    }
    void lineWritten(std::size_t n) {
        n_ += n;
        if (n_ >= kPiece) flush();
    }
    void flush() {
        if (n_ != 0) write_(TextView(buf_.data(), n_));
        n_ = 0;
    }

private:
    const std::function<void(TextView)>& write_;
    std::vector<char> buf_;
    std::size_t n_ = 0;
};

// One line of the normal format; `messageOpen` is the message and the "\t(" after it.
template <class Out>
void putLine(Out& out, TextView kindSigil, TextView name, const ScopeTexts& scope, TextView messageOpen,
             const SourcePos& pos) {
    constexpr TextView kLine = "\tline ";
    constexpr TextView kClose = ")\n";
    const TextView source = pos.sourceName.text();
    const Digits line(pos.sourceLine);
    const TextView digits = line.view();
    const std::size_t n = kindSigil.size() + name.size() + scope.normal.size() + messageOpen.size() + source.size() +
                          kLine.size() + digits.size() + kClose.size();
    char* p = out.room(n);
    p = copyTo(p, kindSigil);
    p = copyTo(p, name);
    p = copyTo(p, scope.normal);
    p = copyTo(p, messageOpen);
    p = copyTo(p, source);
    p = copyTo(p, kLine);
    p = copyTo(p, digits);
    copyTo(p, kClose);
    out.lineWritten(n);
}

template <class Out, class Globals>
void putVariable(Out& out, const ScopeTexts& scope, Globals& globals, Suppressions& suppress,
                 bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.hasReportPos()) return;
    const SourcePos at = *attr.reportPos();
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    const FixedTexts& fixed = FixedTexts::get();
    const Text& error = fixed.kindSigilOf(false, id.varSymbol);
    const Text& warning = fixed.kindSigilOf(true, id.varSymbol);
    const Text& name = attr.caseSensitiveName;
    if (f.notDefined) putLine(out, error, name, scope, fixed.notDefined, at);
    if (f.count != Count::None)
        putLine(out, warning, name, scope, f.count == Count::NotUsed ? fixed.notUsed : fixed.usedOnlyOnce, at);
    attr.warnUnderbarPos().forEach(
        [&](const FileLine&, const SourcePos& pos) { putLine(out, warning, name, scope, fixed.underscore, pos); });
    if (f.sameNameGlobal) putLine(out, warning, name, scope, fixed.sameNameGlobal, at);
}

template <class Out, class Globals>
void putListLine(Out& out, const ScopeTexts& scope, Globals& globals, Suppressions& suppress,
                 bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    if (!attr.hasReportPos()) return;
    Findings f = findingsOf(scope, globals, suppress, exceptParams, id, attr);
    if (!f.notDefined && f.count == Count::None && !f.sameNameGlobal) return;

    const SourcePos at = *attr.reportPos();
    const TextView name = attr.caseSensitiveName;
    const TextView source = at.sourceName.text();
    const Digits line(at.sourceLine);
    const TextView digits = line.view();
    const TextView codes = FixedTexts::get().codes[f.notDefined][int(f.count)][f.sameNameGlobal];
    const std::size_t n =
        scope.list.size() + 1 + name.size() + 1 + source.size() + 1 + digits.size() + 1 + codes.size();
    char* p = out.room(n);
    p = copyTo(p, scope.list);
    *p++ = id.varSymbol == VarSymbol::Dollar ? '$' : '#';
    p = copyTo(p, name);
    *p++ = '\t';
    p = copyTo(p, source);
    *p++ = '\t';
    p = copyTo(p, digits);
    *p++ = '\t';
    copyTo(p, codes);
    out.lineWritten(n);
}

template <class Out>
void putReport(Out& out, bool listFormat, const SuppressList& suppressList, bool exceptParams, const ParserState& st) {
    Suppressions suppress(suppressList);
    const VarMap globalMap = st.scopeMap.lookup(Scope::global()).value_or(VarMap());
    GlobalNames globals(globalMap);
    ProcWalk procs(st.procMap);
    st.scopeMap.forEach([&](const Scope& scope, const VarMap& vars) {
        ScopeTexts texts(scope, scope.isLocal ? procs.find(scope.name) : nullptr);
        vars.forEach([&](const VarIdentifier& id, const VarAttr& attr) {
            if (listFormat)
                putListLine(out, texts, globals, suppress, exceptParams, id, attr);
            else
                putVariable(out, texts, globals, suppress, exceptParams, id, attr);
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
    return textOf([&](TextOut& out) {
        putLine(out, FixedTexts::kindThenSigil(kind, symbol), caseSensitiveName, ScopeTexts(scope),
                FixedTexts::messageThenOpen(message), pos);
    });
}

Text reportVariable(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    return textOf(
        [&](TextOut& out) {
            Suppressions suppressions(suppress);
            putVariable(out, ScopeTexts(scope), globals, suppressions, exceptParams, id, attr);
        });
}

Text reportListLine(const ReportScope& scope, const VarMap& globals, const SuppressList& suppress,
                    bool exceptParams, const VarIdentifier& id, const VarAttr& attr) {
    return textOf(
        [&](TextOut& out) {
            Suppressions suppressions(suppress);
            putListLine(out, ScopeTexts(scope), globals, suppressions, exceptParams, id, attr);
        });
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
