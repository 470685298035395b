#include "sqr/Symbols.h"

#include "platform/Memory.h"

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace zarnet::sqr {

namespace {

Reply<Unit> done(const State& s) { return okReply(false, Unit{}, unknownError(s.pos)); }

// The type a record created by a use carries until a definition gives it one; nothing
// reads it.
VarType placeholderType() { return VarType::integer(); }

// A variable's name upper-cased, as its key holds it; held on the stack where the name is
// short and ASCII (nearly every name is), so that finding an existing record builds no text.
class UpperName {
public:
    explicit UpperName(TextView name) {
        if (name.size() <= sizeof buf_) {
            std::size_t i = 0;
            for (; i < name.size(); ++i) {
                const char c = name[i];
                if (static_cast<unsigned char>(c) >= 0x80) break;
                buf_[i] = asciiUpper(c);
            }
            if (i == name.size()) {
                view_ = TextView(buf_, i);
                return;
            }
        }
        built_ = toUpperText(name);
        view_ = built_;
    }
    UpperName(const UpperName&) = delete;
    UpperName& operator=(const UpperName&) = delete;
    TextView view() const noexcept { return view_; }

private:
    char buf_[48];
    Text built_;
    TextView view_;
};

// The run's one text for each variable name, which every record of the name shares: a
// program names the same few variables in procedure after procedure. A name is looked up
// as written, once for both of its texts (as written and upper-cased).
struct VarNames : RunPart {
    struct Names {
        SharedText written;
        SharedText upper;
    };
    // Open addressing over a power-of-two table kept at most half full; a name is a few
    // bytes, hashed a word at a time.
    struct Slot {
        std::uint64_t hash = 0;
        Names names; // no written text: a free slot (an empty name is never kept)
    };
    std::vector<Slot> slots = std::vector<Slot>(256);
    unsigned shift = 64 - 8; // 64 - log2(slots.size())
    std::size_t count = 0;

    // With the length mixed in, overlapping loads cover any size with no loop for short
    // names: the last word (or the two halves of a short one) is read from the end.
    static std::uint64_t hashOf(TextView t) noexcept {
        constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
        const char* p = t.data();
        const std::size_t n = t.size();
        std::uint64_t h = n * k;
        auto mix = [&h](std::uint64_t w) {
            h = (h ^ w) * k;
            h ^= h >> 29;
        };
        if (n >= 8) {
            std::uint64_t w;
            for (std::size_t i = 0; i + 8 < n; i += 8) {
                std::memcpy(&w, p + i, 8);
                mix(w);
            }
            std::memcpy(&w, p + n - 8, 8);
            mix(w);
        } else if (n >= 4) {
            std::uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            mix(a | std::uint64_t(b) << 32);
        } else if (n > 0) {
            mix(std::uint64_t(static_cast<unsigned char>(p[0])) | std::uint64_t(static_cast<unsigned char>(p[n / 2])) << 8 |
                std::uint64_t(static_cast<unsigned char>(p[n - 1])) << 16);
        }
        return h;
    }
    // The first slot to probe: the top bits of one more multiplication, which depend on
    // every bit of the hash (its low bits alone cluster).
    std::size_t home(std::uint64_t h) const noexcept {
        return std::size_t((h * 0x9E3779B97F4A7C15ull) >> shift);
    }
    static bool freeSlot(const Slot& s) noexcept { return s.names.written.text().empty(); }

    Names get(TextView written, TextView upper) {
        const std::uint64_t h = hashOf(written);
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = home(h);; i = (i + 1) & mask) {
            Slot& slot = slots[i];
            if (freeSlot(slot)) {
                slot.hash = h;
                slot.names.written = SharedText(Text(written));
                // An upper-case name as written is its own key.
                slot.names.upper = upper == written ? slot.names.written : SharedText(Text(upper));
                Names out = slot.names;
                if (++count * 2 > slots.size()) grow();
                return out;
            }
            const Text& t = slot.names.written.text();
            if (slot.hash == h && t.size() == written.size() && std::memcmp(t.data(), written.data(), t.size()) == 0)
                return slot.names;
        }
    }
    void grow() {
        std::vector<Slot> bigger;
        bigger.reserve(slots.size() * 2);
        backNow(bigger.data(), bigger.capacity() * sizeof(Slot)); // the slots are spread over it at once
        bigger.resize(slots.size() * 2);
        std::vector<Slot> old = std::exchange(slots, std::move(bigger));
        --shift;
        const std::size_t mask = slots.size() - 1;
        for (Slot& s : old) {
            if (freeSlot(s)) continue;
            std::size_t i = home(s.hash);
            while (!freeSlot(slots[i])) i = (i + 1) & mask;
            slots[i] = std::move(s);
        }
    }
};

// The shared texts of a name: the run's own where there is a run, else texts of their own.
VarNames::Names namesOf(RunContext* run, TextView written, TextView upper) {
    if (!run || written.empty()) return {SharedText(Text(written)), SharedText(Text(upper))};
    return run->part<VarNames>().get(written, upper);
}

// The recording rule, with the updater inlined where it is known: vars changes in place
// where no other version shares it (PMap::update). The updater changes the record it is
// given.
template <class U>
void recordInto(VarMap& vars, VarSymbol symbol, TextView name, bool needlessUnderscore, const SourcePos& pos,
                const std::optional<SourcePos>& reportPos, U& update, RunContext* run = nullptr) {
    const bool markUnderbar = reportPos && needlessUnderscore;
    const UpperName upper(name);
    // The order of compare(VarIdentifier), against the key createVarIdentifier would build.
    auto order = [&](const VarIdentifier& k) {
        if (int c = upper.view().compare(k.varName)) return c < 0 ? -1 : 1;
        return compare(symbol, k.varSymbol);
    };
    // Looked up once, by the first of the two texts a new record needs.
    std::optional<VarNames::Names> names;
    auto named = [&]() -> VarNames::Names& {
        if (!names) names = namesOf(run, name, upper.view());
        return *names;
    };
    vars.updateAt(
        order, [&] { return VarIdentifier{named().upper, symbol}; },
        [&] {
            VarAttr attr;
            attr.varType = placeholderType();
            attr.caseSensitiveName = named().written;
            attr.defined = false;
            attr.usedCount = 1;
            attr.setVarPosition(pos);
            attr.setReportPos(reportPos);
            if (markUnderbar) attr.setWarnUnderbarPos(UnderbarMap().insert(fileLine(pos), pos));
            update(attr);
            return attr;
        },
        [&](VarAttr& attr) {
            // The count is kept in 32 bits: it stops at its largest value rather than wrap
            // round to 0 and 1, which the report would take for not used and used once.
            if (attr.usedCount != std::numeric_limits<std::int32_t>::max()) attr.usedCount += 1;
            if (!attr.hasReportPos() && reportPos) {
                attr.setReportPos(reportPos);
                attr.caseSensitiveName = named().written;
            }
            if (markUnderbar) {
                FileLine key = fileLine(pos);
                if (!attr.warnUnderbarPos().contains(key)) attr.setWarnUnderbarPos(attr.warnUnderbarPos().insert(key, pos));
            }
            update(attr);
        });
}

struct Identity {
    void operator()(VarAttr&) const {}
};

// Records one occurrence in the map of a scope; a parser state and maps that no snapshot
// shares change in place.
template <class U>
void recordIn(State& s, const Scope& scope, VarSymbol symbol, TextView name, bool needlessUnderscore,
              const SourcePos& pos, U&& update) {
    std::optional<SourcePos> rp = reportPosFor(s.st(), pos);
    auto into = [&](VarMap& m) { recordInto(m, symbol, name, needlessUnderscore, pos, rp, update, s.run); };
    s.modify([&](ParserState& p) {
        p.scopeMap.update(
            scope,
            [&] {
                VarMap m;
                into(m);
                return m;
            },
            into);
    });
}

} // namespace

// ---------------------------------------------------------------------------
// Variable store and report positions.

std::optional<VarMap> lookupScopeMap(const Scope& scope, const ScopeMap& m) { return m.lookup(scope); }
std::optional<VarAttr> lookupVar(const VarIdentifier& id, const VarMap& m) { return m.lookup(id); }
VarMap insertVar(const VarIdentifier& id, VarAttr attr, const VarMap& m) { return m.insert(id, std::move(attr)); }
std::optional<SourcePos> lookupByLine(const FileLine& key, const UnderbarMap& m) { return m.lookup(key); }
UnderbarMap insertByLine(const FileLine& key, const SourcePos& pos, const UnderbarMap& m) {
    return m.insert(key, pos);
}

VarMap varMapOf(const ParserState& st, const Scope& scope) {
    const VarMap* m = st.scopeMap.find(scope);
    return m ? *m : VarMap();
}

Reply<VarMap> getVarMap(State& s, const Scope& scope) { return okReply(false, varMapOf(s.st(), scope), unknownError(s.pos)); }

Reply<Unit> updateVarMap(State& s, const Scope& scope, VarMap vars) {
    s.modify([&](ParserState& p) {
        p.scopeMap.update(
            scope, [&] { return std::move(vars); }, [&](VarMap& m) { m = std::move(vars); });
    });
    return done(s);
}

std::optional<SourcePos> reportPosFor(const ParserState& st, const SourcePos& p) {
    // The run keeps one copy of each source name, so equal names are one pointer.
    if (p.sourceName == st.rootSourceName) return p;
    if (!st.recursiveCheck) return std::nullopt;
    if (st.matchSourceNameForReport && (*st.matchSourceNameForReport)(p.sourceName.text())) return p;
    return std::nullopt;
}

Reply<std::optional<SourcePos>> getReportPos(State& s, const SourcePos& p) {
    return okReply(false, reportPosFor(s.st(), p), unknownError(s.pos));
}

// ---------------------------------------------------------------------------
// Recording uses and definitions.

VarSymbol typeToVarSymbol(const VarType& t) noexcept {
    switch (t.kind) {
    case VarType::Kind::TEXT:
    case VarType::Kind::DATE:
        return VarSymbol::Dollar;
    default:
        return VarSymbol::Sharp;
    }
}

VarIdentifier createVarIdentifier(VarSymbol symbol, TextView name) { return VarIdentifier{toUpperText(name), symbol}; }

VarIdentifier createVarIdentifier(const State& s, VarSymbol symbol, TextView name) {
    if (!s.run || name.empty()) return createVarIdentifier(symbol, name);
    const UpperName upper(name);
    return VarIdentifier{namesOf(s.run, name, upper.view()).upper, symbol};
}

VarMap recordOccurrence(VarSymbol symbol, TextView name, bool needlessUnderscore, const SourcePos& pos,
                        const std::optional<SourcePos>& reportPos, const VarUpdater& update, const VarMap& vars) {
    VarMap out = vars; // shares every node with vars, so vars itself never changes
    if (!update) {
        Identity keep;
        recordInto(out, symbol, name, needlessUnderscore, pos, reportPos, keep);
    } else {
        auto apply = [&update](VarAttr& a) { a = update(std::move(a)); };
        recordInto(out, symbol, name, needlessUnderscore, pos, reportPos, apply);
    }
    return out;
}

VarMap setVariable(const State& s, VarSymbol symbol, TextView name, bool needlessUnderscore, const SourcePos& pos,
                   const VarUpdater& update, const VarMap& vars) {
    return recordOccurrence(symbol, name, needlessUnderscore, pos, reportPosFor(s.st(), pos), update, vars);
}

Reply<Unit> saveVariable(State& s, const Scope& scope, VarSymbol symbol, TextView name, bool needlessUnderscore,
                         const SourcePos& pos) {
    recordIn(s, scope, symbol, name, needlessUnderscore, pos, Identity{});
    return done(s);
}

Reply<Unit> defineVariable(State& s, const VarType& type, TextView name, bool needlessUnderscore,
                           const SourcePos& pos) {
    // Read in place: the state that holds it outlives the change (State::modify).
    const Scope& scope = s.st().currentScope;
    recordIn(s, scope, typeToVarSymbol(type), name, needlessUnderscore, pos, [&type](VarAttr& a) {
        a.varType = type;
        a.defined = true;
        a.usedCount = 0;
    });
    return done(s);
}

Reply<std::int64_t> defaultPrecision(State& s) { return okReply(false, kDefaultPrecision, unknownError(s.pos)); }

// ---------------------------------------------------------------------------
// Current scope, continuation flag and procedure records.

Reply<Scope> getCurrentScope(State& s) { return okReply(false, s.st().currentScope, unknownError(s.pos)); }

Reply<Unit> setCurrentScope(State& s, const Scope& scope) {
    s.modify([&](ParserState& p) { p.currentScope = scope; });
    return done(s);
}

Reply<Unit> setGlobalScope(State& s) { return setCurrentScope(s, Scope::global()); }

VarScopeRef varScopeOf(const Scope& current, TextView marker) {
    static const Scope global = Scope::global();
    const bool underscore = marker == "_";
    if (!current.isLocal) return {global, underscore};
    return {underscore ? global : current, false};
}

std::pair<Scope, bool> varScopeIn(const Scope& current, TextView marker) {
    const VarScopeRef r = varScopeOf(current, marker);
    return {r.scope, r.needless};
}

Reply<std::pair<Scope, bool>> varScope(State& s, TextView marker) {
    return okReply(false, varScopeIn(s.st().currentScope, marker), unknownError(s.pos));
}

Reply<Unit> setContinued(State& s, bool value) {
    // Most continuation marks find the flag already set; then the state is left alone.
    if (s.st().continued != value) s.modify([&](ParserState& p) { p.continued = value; });
    return done(s);
}

Reply<Unit> setContinuedTrue(State& s) { return setContinued(s, true); }

Reply<Unit> saveProcedure(State& s, const Procedure& proc) {
    // Changed in place where no snapshot shares the map, instead of rebuilding its path.
    s.modify([&](ParserState& p) {
        p.procMap.update(
            toUpperText(proc.procName), [&] { return proc; }, [&](Procedure& old) { old = proc; });
    });
    return done(s);
}

Reply<Text> rowNo(State& s) {
    Text t = std::to_string(s.sequenceNo);
    appendChar(t, U'\t');
    t += s.pos.sourceName.text();
    appendChar(t, U'\t');
    t += std::to_string(s.pos.sourceLine);
    appendChar(t, U'\t');
    return okReply(false, std::move(t), unknownError(s.pos));
}

Text showListItems(const std::vector<Text>& items) {
    Text out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        out += items[i];
    }
    return out;
}

} // namespace zarnet::sqr
