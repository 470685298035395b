#include "driver/SqrFile.h"

#include "platform/FileSystem.h"

#include <memory>
#include <vector>

namespace zarnet {

ProbeResult probeSqrFile(const Text& path) {
    if (fileExists(path)) return {true, path};
    Text withExt = path + ".sqr";
    if (fileExists(withExt)) return {true, withExt};
    return {};
}

ProbeResult searchInputFile(const std::function<ProbeResult(const Text&)>& probe, const Text& name,
                            const PList<Text>& directories) {
    for (const Text& dir : directories) {
        ProbeResult r = probe(joinPath(dir, name));
        if (r.found) return r;
    }
    return {};
}

Text resolveInputPath(const Text& name, const PList<Text>& directories) {
    if (ProbeResult r = probeSqrFile(name); r.found) return r.path;
    if (ProbeResult r = searchInputFile(probeSqrFile, name, directories); r.found) return r.path;
    return name;
}

namespace {

// One element of a compiled pattern: a run of any characters, one character but ".",
// or one character in either case.
struct PatternItem {
    enum class Kind { Star, AnyButDot, Char } kind;
    char32_t upper = 0, lower = 0;
};

bool matchesOne(const PatternItem& item, char32_t c) {
    if (item.kind == PatternItem::Kind::AnyButDot) return c != U'.';
    return c == item.upper || c == item.lower;
}

std::vector<PatternItem> compilePattern(const Text& pattern) {
    std::vector<PatternItem> items;
    for (char32_t c : chars(pattern)) {
        if (c == U'*')
            items.push_back({PatternItem::Kind::Star});
        else if (c == U'?')
            items.push_back({PatternItem::Kind::AnyButDot});
        else if (isLetter(c))
            items.push_back({PatternItem::Kind::Char, toUpperSimple(c), toLowerSimple(c)});
        else
            items.push_back({PatternItem::Kind::Char, c, c});
    }
    return items;
}

// Every star tries the shortest run first and gives way to longer ones only when the
// rest of the pattern fails; going back to the latest star alone is enough, since all
// other items match exactly one character. Iterative, so that no pattern or name is too
// long for the stack.
bool matchesItems(const std::vector<PatternItem>& p, TextView nameText) {
    std::vector<char32_t> name;
    for (char32_t c : chars(nameText)) name.push_back(c);
    std::size_t pi = 0, ni = 0, starAt = std::size_t(-1), starName = 0;
    while (ni < name.size()) {
        if (pi < p.size() && p[pi].kind == PatternItem::Kind::Star) {
            starAt = pi++;
            starName = ni;
        } else if (pi < p.size() && matchesOne(p[pi], name[ni])) {
            ++pi;
            ++ni;
        } else if (starAt != std::size_t(-1)) {
            pi = starAt + 1;
            ni = ++starName;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == PatternItem::Kind::Star) ++pi;
    return pi == p.size();
}

const UserState& noUserState() {
    static const UserState u = makeUserState(initialState());
    return u;
}

} // namespace

Parser<Unit> patternToParser(const Text& pattern) {
    auto items = std::make_shared<const std::vector<PatternItem>>(compilePattern(pattern));
    // Succeeds, consuming the whole input, exactly when all of it matches.
    return [items](State& s) -> Reply<Unit> {
        if (!matchesItems(*items, s.rest())) return emptyError(unknownError(s.pos));
        bool consumed = !s.atEnd();
        advancePos(s.pos, s.rest());
        s.cur = s.end;
        return okReply(consumed, Unit{}, unknownError(s.pos));
    };
}

bool matchesWhole(const Parser<Unit>& compiled, const Text& name) {
    // The name is only read during this call, so the state can point into it directly.
    State s;
    s.cur = name.data();
    s.end = name.data() + name.size();
    s.pos = initialPos(SourceName());
    s.user = noUserState();
    return compiled(s).ok;
}

bool matchFileName(const Text& pattern, const Text& name) {
    return matchesWhole(patternToParser(pattern), name);
}

} // namespace zarnet
