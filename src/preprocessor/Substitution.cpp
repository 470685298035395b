#include "Substitution.h"

#include "LineScanner.h"

#include "core/Console.h"
#include "core/Messages.h"
#include "core/ParserLib.h"

#include <array>
#include <optional>

namespace zarnet {

// ---------------------------------------------------------------------------
// The table.

Reply<Unit> defineSubstVar(State& s, const Text& name, Text value) {
    Text key = toUpperText(name);
    s.modify([&](ParserState& p) { p.symtab = insertByName(std::move(key), std::move(value), p.symtab); });
    return okReply(false, Unit{}, unknownError(s.pos));
}

std::optional<Text> lookupSubstVar(const ParserState& st, const Text& name) {
    return lookupByName(toUpperText(name), st.symtab);
}

Reply<std::optional<Text>> lookupSubstVar(State& s, const Text& name) {
    return okReply(false, lookupSubstVar(s.st(), name), unknownError(s.pos));
}

Text concatPieces(const std::vector<Text>& pieces) {
    Text out;
    for (const Text& p : pieces) out += p;
    return out;
}

namespace {

// The value a complete reference stands for. A name without a value is warned about at
// the position of its "{" and from then on stands for its own reference text.
Text resolveReference(State& s, const SourcePos& bracePos, const Text& name) {
    if (const Text* v = s.st().symtab.find(toUpperText(name))) return *v;
    writePosMessage(bracePos, fromAscii(msg::kNoSubstitutionValuePrefix) + name + U"}");
    Text ref = U"{" + name + U"}";
    defineSubstVar(s, name, ref);
    return ref;
}

template <class P> auto asText(P p) {
    return [p](State& s) -> Reply<Text> {
        auto r = p(s);
        Reply<Text> out{Text(), std::move(r.err), r.consumed, r.ok};
        if (r.ok) out.value.assign(r.value.begin(), r.value.end());
        return out;
    };
}

Reply<Text> pieceReference(State& s) {
    const SourcePos bracePos = s.pos;
    Seq q(s);
    q(pOpenBrace);
    if (!q) return q.failure();
    Text name = q(pWordText);
    if (!q) return q.failure();
    return q.ok(resolveReference(s, bracePos, name));
}

Reply<Text> piecePlainChar(State& s) {
    static const auto p = noneOf(U"!\n\r\t -");
    auto r = p(s);
    return Reply<Text>{r.ok ? Text(1, r.value) : Text(), std::move(r.err), r.consumed, r.ok};
}

// A hyphen that is not the continuation mark: something other than a line tail follows.
Reply<Text> pieceHyphen(State& s) {
    static const auto tailAhead = notAhead(attempt(pLineTail));
    Seq q(s);
    q(char_(U'-'));
    if (!q) return q.failure();
    q(tailAhead);
    if (!q) return q.failure();
    return q.ok(Text(U"-"));
}

// The separator's continuation hyphen: the blanks (or one supplied space), "-", and a
// line tail after it that is only looked at.
Reply<Text> continuationHyphen(State& s) {
    static const auto blanks = orElse(asText(manyOne(nbsp)), succeedWith(Text(U" ")));
    static const auto tailFollows = peek(attempt(pLineTail));
    Seq q(s);
    Text out = q(blanks);
    if (!q) return q.failure();
    q(char_(U'-'));
    if (!q) return q.failure();
    q(tailFollows);
    if (!q) return q.failure();
    out += U'-';
    return q.ok(std::move(out));
}

Reply<Text> quotedArgument(State& s) {
    Seq q(s);
    Text body = q(pQuotedChars);
    if (!q) return q.failure();
    q(pQuote);
    if (!q) return q.failure();
    return q.ok(std::move(body));
}

// ---------------------------------------------------------------------------
// The direct path of pSubstLine. It reads exactly what the grammar above reads and leaves
// the same state, character class by character class, without building the errors of the
// steps in between; the one error that can matter, the pending error of the whole line, is
// taken from the grammar itself at the end of the line (see pSubstLine).

// Characters that are a piece on their own and need no further look: everything but the
// brace, the hyphen, '!', blank, tab and the line breaks.
inline bool isSimplePieceChar(char32_t c) {
    switch (c) {
    case U'{': case U'-': case U'!': case U' ': case U'\t': case U'\n': case U'\r': return false;
    default: return true;
    }
}

inline bool isNameChar(char32_t c) { return wordStopChars.find(c) == TextView::npos; }

// Where the line tail starting at p ends (at its line break or the end of the input), or
// null when what follows p is not a line tail.
const char32_t* lineTailEnd(const char32_t* p, const char32_t* end) {
    while (p != end && isBlank(*p)) ++p;
    if (p != end && *p == U'!') {
        const char32_t* q = p + 1;
        if (q != end && (*q == U'!' || *q == U'=')) return nullptr;
        while (q != end && *q != U'\n' && *q != U'\r') ++q;
        return q;
    }
    if (p == end || *p == U'\n' || *p == U'\r') return p;
    return nullptr;
}

// Moves s over the characters up to `to`, none of them a line feed.
inline void advanceTo(State& s, const char32_t* to) {
    while (s.cur != to) advancePos(s.pos, *s.cur++);
}

// A complete reference at the "{" under s: its value appended to out. False (nothing
// consumed) when the brace opens no complete reference.
bool directReference(State& s, Text& out) {
    const char32_t* p = s.cur + 1;
    const char32_t* const end = s.end;
    Text name;
    bool any = false;
    for (;;) {
        if (p != end && isNameChar(*p)) {
            const char32_t* b = p;
            while (p != end && isNameChar(*p)) ++p;
            name.append(b, p);
        } else if (p != end && *p == U'!' && p + 1 != end && (p[1] == U'=' || p[1] == U'!')) {
            name += p[1] == U'=' ? TextView(U"!=") : TextView(U"!");
            p += 2;
        } else {
            break;
        }
        any = true;
    }
    if (!any || p == end || *p != U'}') return false;
    const SourcePos bracePos = s.pos;
    advanceTo(s, p + 1);
    out += resolveReference(s, bracePos, name);
    return true;
}

// One word; false, with nothing consumed, when no piece starts here.
bool directWord(State& s, Text& out) {
    const char32_t* const end = s.end;
    bool any = false;
    while (s.cur != end) {
        const char32_t c = *s.cur;
        if (isSimplePieceChar(c)) {
            const char32_t* p = s.cur + 1;
            while (p != end && isSimplePieceChar(*p)) ++p;
            out.append(s.cur, p);
            s.pos.sourceColumn += p - s.cur;
            s.cur = p;
        } else if (c == U'{') {
            if (!directReference(s, out)) {
                out += c;
                ++s.cur;
                ++s.pos.sourceColumn;
            }
        } else if (c == U'-') {
            if (lineTailEnd(s.cur + 1, end)) break;
            out += c;
            ++s.cur;
            ++s.pos.sourceColumn;
        } else if (c == U'!' && s.cur + 1 != end && (s.cur[1] == U'=' || s.cur[1] == U'!')) {
            out.append(s.cur, s.cur + 2);
            s.cur += 2;
            s.pos.sourceColumn += 2;
        } else {
            break;
        }
        any = true;
    }
    return any;
}

// What a separator consumed.
enum class SeparatorShape { Nothing, Blanks, Hyphen };

SeparatorShape directSeparator(State& s, Text& out) {
    const char32_t* p = s.cur;
    while (p != s.end && isBlank(*p)) ++p;
    if (p != s.end && *p == U'-' && lineTailEnd(p + 1, s.end)) {
        if (p == s.cur) out += U' ';
        else out.append(s.cur, p);
        out += U'-';
        advanceTo(s, p + 1);
        return SeparatorShape::Hyphen;
    }
    out.append(s.cur, p);
    const bool any = p != s.cur;
    advanceTo(s, p);
    return any ? SeparatorShape::Blanks : SeparatorShape::Nothing;
}

// What pTrailingBlanks consumed; when it consumed, the pending error of the line depends
// on nothing else but the line break that ends it.
enum class TailShape { None, Blanks, EmptyComment, Comment };
// The kinds of errors kept per line break: pTrailingBlanks' error for each shape; for a
// line of two or more tokens with nothing after them, the error of the whole line; and for
// a line of one token, that error for each shape of its separator.
constexpr int kLineErrorAfterTokens = 4;
constexpr int kLineErrorAfterOneToken = 5; // + the separator's shape

TailShape directTrailingBlanks(State& s) {
    const char32_t* p = s.cur;
    while (p != s.end && isBlank(*p)) ++p;
    TailShape shape = p == s.cur ? TailShape::None : TailShape::Blanks;
    if (p != s.end && *p == U'!') {
        const char32_t* q = p + 1;
        if (q != s.end && (*q == U'!' || *q == U'=')) return TailShape::None;
        while (q != s.end && *q != U'\n' && *q != U'\r') ++q;
        shape = q == p + 1 ? TailShape::EmptyComment : TailShape::Comment;
        p = q;
    }
    if (p != s.end && *p != U'\n' && *p != U'\r') return TailShape::None;
    advanceTo(s, p);
    return shape;
}

// A console that drops everything; a second run of the grammar over a line already
// processed must not repeat its warnings.
class MutedConsole : public Console {
public:
    MutedConsole() : previous_(setConsole(this)) {}
    ~MutedConsole() override { setConsole(previous_); }
    MutedConsole(const MutedConsole&) = delete;
    MutedConsole& operator=(const MutedConsole&) = delete;
    void writeOut(std::string_view) override {}
    void flushOut() override {}
    void writeErr(std::string_view) override {}
    std::optional<std::string> readLine() override { return std::nullopt; }

private:
    Console* previous_;
};

// Errors that depend only on the line break (or end of input) they lie at are taken from
// the grammar once and then reused at every other line break of that kind.
class LineEndErrors {
public:
    template <class F> ParseError get(int kind, const State& at, F compute) {
        const int ch = at.atEnd() ? 2 : at.peek() == U'\n' ? 0 : at.peek() == U'\r' ? 1 : -1;
        if (ch < 0) return compute();
        std::optional<ParseError>& slot = cache_[std::size_t(kind)][std::size_t(ch)];
        if (slot) return slot->withPos(at.pos);
        ParseError e = compute();
        if (e.hasMessages() && e.pos() == at.pos) slot = e;
        return e;
    }

private:
    std::array<std::array<std::optional<ParseError>, 3>, 8> cache_;
};

LineEndErrors& lineEndErrors() {
    static LineEndErrors cache;
    return cache;
}

} // namespace

// ---------------------------------------------------------------------------
// The grammar.

Reply<Text> pSubstVar(State& s) {
    static const auto p = orElse(
        attempt(pieceReference),
        orElse(piecePlainChar,
               orElse(attempt(pieceHyphen), orElse(attempt(string_(U"!=")), attempt(string_(U"!!"))))));
    return p(s);
}

Reply<Text> pSubstWord(State& s) {
    static const auto p = manyOne(pSubstVar);
    auto r = p(s);
    return Reply<Text>{r.ok ? concatPieces(r.value) : Text(), std::move(r.err), r.consumed, r.ok};
}

Reply<Text> pSubstSeparator(State& s) {
    static const auto p = orElse(attempt(continuationHyphen), asText(many(nbsp)));
    return p(s);
}

Reply<Text> pSubstToken(State& s) {
    Seq q(s);
    Text word = q(pSubstWord);
    if (!q) return q.failure();
    word += q(pSubstSeparator);
    if (!q) return q.failure();
    return q.ok(std::move(word));
}

Reply<Text> pRestOfLineSubst(State& s) {
    static const auto p = manyOne(pSubstToken);
    auto r = p(s);
    return Reply<Text>{r.ok ? concatPieces(r.value) : Text(), std::move(r.err), r.consumed, r.ok};
}

Reply<Text> pTrailingBlanks(State& s) {
    static const auto p = orElse(attempt(pLineTail), succeedWith(Text()));
    auto r = p(s);
    r.value.clear();
    return r;
}

Reply<Text> pDirectiveArg(State& s) {
    static const auto p = orElse(attempt(quotedArgument), pRestOfLineSubst);
    return p(s);
}

// pRestOfLineSubst followed by pTrailingBlanks. Every ordinary line comes here, so the
// text and the state come from the direct path. The pending error, which a caller sees
// only when the line then fails (a lone carriage return) or a block ends at the end of
// the input, is the grammar's own, and depends on nothing but the line break and how the
// line ends:
// - when pTrailingBlanks consumed, its own error, which lies at the line break;
// - otherwise the error of the repetition of tokens merged with that of pTrailingBlanks,
//   all at the line break: after two or more tokens the repetition's error is the failed
//   attempt at a further piece; after one token it also holds that token's pending error,
//   which depends on what its separator consumed.
// So the grammar computes each kind once per kind of line break (for one token, by reading
// the line again without side effects) and it is reused from then on.
Reply<Text> pSubstLine(State& s) {
    const State start = s;
    Text out;
    int tokens = 0;
    SeparatorShape lastSeparator = SeparatorShape::Nothing;
    while (directWord(s, out)) {
        lastSeparator = directSeparator(s, out);
        ++tokens;
    }
    if (tokens == 0) {
        s = start;
        static const auto grammar = joinText(pRestOfLineSubst, pTrailingBlanks);
        return grammar(s);
    }
    const State tokensEnd = s;
    const TailShape shape = directTrailingBlanks(s);
    LineEndErrors& cache = lineEndErrors();

    auto trailingError = [&tokensEnd] {
        State t = tokensEnd;
        return pTrailingBlanks(t).err;
    };
    ParseError e;
    if (shape != TailShape::None) {
        e = cache.get(int(shape), s, trailingError);
    } else if (tokens >= 2) {
        e = cache.get(kLineErrorAfterTokens, tokensEnd, [&] {
            State t = tokensEnd;
            return mergeError(pSubstVar(t).err, trailingError());
        });
    } else {
        e = cache.get(kLineErrorAfterOneToken + int(lastSeparator), tokensEnd, [&] {
            MutedConsole muted;
            State t = start;
            return mergeError(pRestOfLineSubst(t).err, trailingError());
        });
    }
    return okReply(true, std::move(out), std::move(e));
}

} // namespace zarnet
