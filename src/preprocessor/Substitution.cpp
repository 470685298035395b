#include "Substitution.h"

#include "LineEnd.h"
#include "LineScanner.h"

#include "core/Console.h"
#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/PreprocessorRun.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace zarnet {

// ---------------------------------------------------------------------------
// The table.

Reply<Unit> defineSubstVar(State& s, const Text& name, Text value) {
    const Text key = toUpperText(name);
    // In place where no saved state shares the table (the line loop keeps none between
    // lines); the nodes another version holds are copied as an insert would copy them.
    s.modify([&](ParserState& p) {
        p.symtab.update(key, [&value] { return std::move(value); }, [&value](Text& v) { v = std::move(value); });
    });
    return okReply(false, Unit{}, unknownError(s.pos));
}

std::optional<Text> lookupSubstVar(const ParserState& st, const Text& name) {
    return lookupByName(toUpperText(name), st.symtab);
}

Reply<std::optional<Text>> lookupSubstVar(State& s, const Text& name) {
    return okReply(false, lookupSubstVar(s.st(), name), unknownError(s.pos));
}

Failure substitutedTooLong(const SubstitutionTooLong& e) {
    return consumedError(ParseError(e.pos, Message{MsgKind::Message, MsgText::literal(msg::kSubstitutedTooLong)}));
}

void startSubstitutedLine(PreprocessorRun& run) { run.substitutedOnLine = 0; }

namespace {

// Counts a reference's value of the given length into its line, before it is appended;
// past the bound the run ends at the reference's "{".
void countSubstituted(PreprocessorRun& run, const SourcePos& bracePos, std::size_t length) {
    if (!run.countSubstitutions) return;
    run.substitutedOnLine += length;
    if (run.substitutedOnLine > run.maxSubstitutedLength) throw SubstitutionTooLong{bracePos};
}
void countSubstituted(const State& s, const SourcePos& bracePos, std::size_t length) {
    if (s.run) countSubstituted(preprocessorRun(s), bracePos, length);
}

// The value a complete reference stands for. A name without a value is warned about at
// the position of its "{" and from then on stands for its own reference text.
Text resolveReference(State& s, const SourcePos& bracePos, const Text& name) {
    if (const Text* v = s.st().symtab.find(toUpperText(name))) {
        countSubstituted(s, bracePos, charCount(*v));
        return *v;
    }
    writePosMessage(bracePos, msg::kNoSubstitutionValuePrefix + name + "}");
    Text ref = "{" + name + "}";
    countSubstituted(s, bracePos, charCount(ref));
    defineSubstVar(s, name, ref);
    return ref;
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
    static const auto p = noneOf("!\n\r\t -");
    auto r = p(s);
    return Reply<Text>{r.ok ? charText(r.value) : Text(), std::move(r.err), r.consumed, r.ok};
}

// A hyphen that is not the continuation mark: something other than a line tail follows.
Reply<Text> pieceHyphen(State& s) {
    static const auto tailAhead = notAhead(attempt(pLineTail));
    Seq q(s);
    q(char_(U'-'));
    if (!q) return q.failure();
    q(tailAhead);
    if (!q) return q.failure();
    return q.ok(Text("-"));
}

// The separator's continuation hyphen: the blanks (or one supplied space), "-", and a
// line tail after it that is only looked at.
Reply<Text> continuationHyphen(State& s) {
    static const auto blanks = orElse(manyOneText(nbsp), succeedWith(Text(" ")));
    static const auto tailFollows = peek(attempt(pLineTail));
    Seq q(s);
    Text out = q(blanks);
    if (!q) return q.failure();
    q(char_(U'-'));
    if (!q) return q.failure();
    q(tailFollows);
    if (!q) return q.failure();
    out += '-';
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
// The direct path of the token grammar. It reads exactly what the grammar above reads and
// leaves the same state, character class by character class, without building the errors
// of the steps in between; the callers take the one error that can matter from the
// grammar itself (see pSubstLine). The scan of where words and separators end is shared
// with the side-effect-free look-ahead of other direct paths, so that the two never differ.

// Characters that are a piece on their own and need no further look: everything but the
// brace, the hyphen, '!', blank, tab and the line breaks.
constexpr std::array<bool, 256> kSimplePieceChars = [] {
    std::array<bool, 256> t{};
    t.fill(true);
    for (const unsigned char c : TextView("-! \t\n\r{")) t[c] = false;
    return t;
}();
inline bool isSimplePieceChar(unsigned char c) { return kSimplePieceChars[c]; }
// The characters after a run of simple characters that may begin a further piece of its word.
constexpr std::array<bool, 256> kPieceAfterRun = [] {
    std::array<bool, 256> t{};
    t[static_cast<unsigned char>('{')] = t[static_cast<unsigned char>('-')] = t[static_cast<unsigned char>('!')] = true;
    return t;
}();
// The simple characters that end the blanks before them where they stand: all but the
// other ASCII blanks (vertical tab, form feed) and the bytes of wider characters.
constexpr std::array<bool, 256> kWordAfterBlank = [] {
    std::array<bool, 256> t = kSimplePieceChars;
    for (unsigned c = 0x80; c < 256; ++c) t[c] = false;
    t[0x0B] = t[0x0C] = false;
    return t;
}();

// Bytes beyond ASCII belong to characters that are all name characters.
constexpr std::array<bool, 256> kNameChars = [] {
    std::array<bool, 256> t{};
    t.fill(true);
    for (const char c : wordStopChars) t[static_cast<unsigned char>(c)] = false;
    return t;
}();
inline bool isNameChar(char c) { return kNameChars[static_cast<unsigned char>(c)]; }

// Past the "}" of the complete reference whose "{" is at p, or null when the brace opens
// no complete reference (it is then a plain character); stop is where the scan of its name
// ended.
const char* referenceEnd(const char* p, const char* end, const char*& stop) {
    const char* q = p + 1;
    bool any = false;
    for (;;) {
        if (q != end && isNameChar(*q)) {
            while (q != end && isNameChar(*q)) ++q;
        } else if (q != end && *q == U'!' && q + 1 != end && (q[1] == U'=' || q[1] == U'!')) {
            q += 2;
        } else {
            break;
        }
        any = true;
    }
    stop = q;
    return any && q != end && *q == U'}' ? q + 1 : nullptr;
}

// Appends to out the name of a complete reference from its pieces in [b, e), upper-cased
// when `upper`: every '!' in it begins a "!=" (kept) or a "!!" (read as one '!').
void appendReferenceName(const char* b, const char* e, Text& out, bool upper) {
    // A run of ASCII characters other than '!' goes in one step, as most names do.
    const char* ascii = b;
    while (ascii != e && static_cast<unsigned char>(*ascii) < 0x80 && *ascii != '!') ++ascii;
    if (ascii != b) {
        const std::size_t from = out.size();
        appendRange(out, b, ascii);
        if (upper)
            for (auto it = out.begin() + std::ptrdiff_t(from); it != out.end(); ++it) *it = asciiUpper(*it);
        b = ascii;
    }
    while (b != e) {
        if (*b == '!') {
            out += '!';
            if (b[1] == '=') out += '=';
            b += 2;
        } else {
            const char32_t c = decodeAt(b);
            appendChar(out, upper ? toUpperSimple(c) : c);
            b += charWidth(*b);
        }
    }
}

// The value of the complete reference in [brace, after), appended to out. A name without
// a value is warned about at the position of its "{" and from then on stands for its own
// reference text (see resolveReference).
// run: the run's part of s, looked up once by the caller for all the references it reads.
void appendReference(State& s, PreprocessorRun& run, const SourcePos& bracePos, const char* brace, const char* after,
                     Text& out) {
    // The key is built in a buffer of the run kept from one reference to the next, which
    // spares an allocation for each; nothing in here comes back to this function.
    Text& key = run.referenceKey;
    key.clear();
    appendReferenceName(brace + 1, after - 1, key, true);
    if (const Text* v = s.st().symtab.find(key)) {
        countSubstituted(run, bracePos, charCount(*v));
        out += *v;
        return;
    }
    Text name;
    appendReferenceName(brace + 1, after - 1, name, false);
    out += resolveReference(s, bracePos, name);
}

// What a separator consumed.
enum class SeparatorShape { Nothing, Blanks, Hyphen };

struct SeparatorScan {
    const char* end;
    SeparatorShape shape;
};

inline SeparatorScan scanSeparator(const char* p, const char* end) {
    const char* const b = p;
    p = blanksFrom(p, end);
    if (p != end && *p == U'-' && lineTailEnd(p + 1, end)) return {p + 1, SeparatorShape::Hyphen};
    return {p, p == b ? SeparatorShape::Nothing : SeparatorShape::Blanks};
}

// Whether a text that ends at `end` stops a run of simple characters by itself: it ends in
// a character other than a simple one (a line break, as a rule).
inline bool stopsSimpleRuns(const char* begin, const char* end) {
    return begin != end && !isSimplePieceChar(static_cast<unsigned char>(end[-1]));
}

// Where the word that starts at p ends (p when no piece starts there); each complete
// reference in it is handed to onReference(brace, after) on the way, and lastPiece is
// left at the start of its last piece. stopsAtEnd: stopsSimpleRuns of the text to `end`.
template <class R>
const char* scanWord(const char* p, const char* end, bool stopsAtEnd, R&& onReference, const char*& lastPiece) {
    // Every character after a "{" up to where the scan of its name stopped is a piece
    // boundary of that same scan, so a "{" before that point ends its name there as well:
    // it opens no reference either. Without this a run of "{" would be read again and again.
    const char* noReferenceBefore = p;
    while (p != end) {
        const auto c = static_cast<unsigned char>(*p);
        if (isSimplePieceChar(c)) {
            ++p;
            if (stopsAtEnd) {
                while (isSimplePieceChar(static_cast<unsigned char>(*p))) ++p;
            } else {
                while (p != end && isSimplePieceChar(static_cast<unsigned char>(*p))) ++p;
            }
            lastPiece = charBefore(p);
        } else if (c == U'{') {
            lastPiece = p;
            const char* stop = nullptr;
            if (p < noReferenceBefore) {
                ++p;
            } else if (const char* r = referenceEnd(p, end, stop)) {
                onReference(p, r);
                p = r;
            } else {
                noReferenceBefore = stop;
                ++p;
            }
        } else if (c == U'-') {
            if (lineTailEnd(p + 1, end)) break;
            lastPiece = p;
            ++p;
        } else if (c == U'!' && p + 1 != end && (p[1] == U'=' || p[1] == U'!')) {
            lastPiece = p;
            p += 2;
        } else {
            break;
        }
    }
    return p;
}

template <class R> const char* scanWord(const char* p, const char* end, R&& onReference) {
    const char* lastPiece = p;
    return scanWord(p, end, stopsSimpleRuns(p, end), onReference, lastPiece);
}

// The start of the last piece of the word that starts at p (which must start one).
const char* lastPieceOfWord(const char* p, const char* end) {
    const char* lastPiece = p;
    scanWord(p, end, stopsSimpleRuns(p, end), [](const char*, const char*) {}, lastPiece);
    return lastPiece;
}

const char* wordEnd(const char* p, const char* end) {
    return scanWord(p, end, [](const char*, const char*) {});
}

// The text read by the direct path: outside complete references and the blank that a
// bare continuation hyphen gets, a word or separator stands for itself, so the input is
// copied in runs, and the state is moved along only where a reference needs it.
class DirectText {
public:
    DirectText(State& s, Text& out)
        : s_(s), out_(out), copied_(s.cur), stopsAtEnd_(stopsSimpleRuns(s.cur, s.end)) {}

    // Copies the input up to `to` and moves the state there.
    void flushTo(const char* to) {
        appendRange(out_, copied_, to);
        advanceColumns(s_.pos, copied_, to);
        s_.cur = copied_ = to;
    }
    void reference(const char* brace, const char* after) {
        flushTo(brace);
        const SourcePos bracePos = s_.pos;
        s_.pos.sourceColumn += std::int64_t(charCount(TextView(brace, std::size_t(after - brace)))); // a name holds no tab
        s_.cur = copied_ = after;
        if (!run_) run_ = &preprocessorRun(s_);
        appendReference(s_, *run_, bracePos, brace, after, out_);
    }
    // Where the run of simple characters from p ends.
    const char* simpleRunEnd(const char* p) const {
        if (stopsAtEnd_ && p != s_.end) {
            while (isSimplePieceChar(static_cast<unsigned char>(*p))) ++p;
        } else {
            while (p != s_.end && isSimplePieceChar(static_cast<unsigned char>(*p))) ++p;
        }
        return p;
    }
    // Where the word at p ends (p when none starts there), its references taken.
    const char* word(const char* p) {
        const char* lastPiece = p;
        return scanWord(p, s_.end, stopsAtEnd_, [this](const char* b, const char* a) { reference(b, a); }, lastPiece);
    }
    // The separator after the word that ended at w.
    SeparatorScan separator(const char* w) {
        // One space and then a word, the usual separator, needs no scan of blanks.
        if (w != s_.end && *w == U' ' && w + 1 != s_.end && kWordAfterBlank[static_cast<unsigned char>(w[1])])
            return {w + 1, SeparatorShape::Blanks};
        SeparatorScan sep = scanSeparator(w, s_.end);
        if (sep.shape == SeparatorShape::Hyphen && sep.end == w + 1) {
            flushTo(w);
            out_ += ' ';
        }
        return sep;
    }

private:
    State& s_;
    Text& out_;
    const char* copied_;
    bool stopsAtEnd_;
    PreprocessorRun* run_ = nullptr; // looked up at the first reference
};

struct TokensRead {
    int tokens = 0;
    SeparatorShape lastSeparator = SeparatorShape::Nothing;
};

// Tokens (words and their separators) for as long as words start, as many pSubstToken
// reads them; the text appended to out.
TokensRead directTokens(State& s, Text& out) {
    TokensRead read;
    DirectText text(s, out);
    const char* p = s.cur;
    for (;;) {
        // Most words are a run of simple characters up to a blank or a line break: that run
        // is taken here, and scanWord goes on from its end only where another piece may
        // follow.
        const char* w = text.simpleRunEnd(p);
        if (w != s.end && kPieceAfterRun[static_cast<unsigned char>(*w)]) w = text.word(w);
        if (w == p) break;
        const SeparatorScan sep = text.separator(w);
        p = sep.end;
        read.lastSeparator = sep.shape;
        ++read.tokens;
    }
    text.flushTo(p);
    return read;
}

// One word, as pSubstWord reads it, appended to out; false when none starts at s.
bool directWord(State& s, Text& out) {
    DirectText text(s, out);
    const char* w = text.word(s.cur);
    if (w == s.cur) return false;
    text.flushTo(w);
    return true;
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
    // Most lines end right after their last token.
    if (s.cur != s.end && *s.cur == U'\n') return TailShape::None;
    const char* p = s.cur;
    p = blanksFrom(p, s.end);
    TailShape shape = p == s.cur ? TailShape::None : TailShape::Blanks;
    if (p != s.end && *p == U'!') {
        const char* q = p + 1;
        if (q != s.end && (*q == U'!' || *q == U'=')) return TailShape::None;
        q = lineCharsEnd(q, s.end);
        shape = q == p + 1 ? TailShape::EmptyComment : TailShape::Comment;
        p = q;
    }
    if (p != s.end && *p != U'\n' && *p != U'\r') return TailShape::None;
    advanceWithinLine(s, p);
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
    explicit LineEndErrors(const State& s) : cache_(preprocessorRun(s).lineEndErrors) {}
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
    std::array<std::array<std::optional<ParseError>, 3>, 8>& cache_;
};

// What the direct path of a substituted line read: its tokens, where they ended and how
// pTrailingBlanks ended the line. The state at a place of the line is taken as the state
// after the line with that place: the direct path changes nothing else but the table,
// which no error depends on (a reference is always read, with a value or without).
struct DirectLine : TokensRead {
    Place tokensEnd;
    TailShape tail = TailShape::None;
};

// The tokens of a line and its trailing blanks, the text appended to out. With no token
// nothing is read.
DirectLine directLine(State& s, Text& out) {
    DirectLine line;
    static_cast<TokensRead&>(line) = directTokens(s, out);
    if (line.tokens == 0) return line;
    line.tokensEnd = Place(s);
    line.tail = directTrailingBlanks(s);
    return line;
}

// The pending error of pSubstLine after its direct path, which started at `start` and left
// s (see pSubstLine).
ParseError directLineError(const Place& start, const DirectLine& line, const State& s) {
    LineEndErrors cache(s);
    const State tokensEnd = line.tokensEnd.in(s);
    auto trailingError = [&tokensEnd] {
        State t = tokensEnd;
        return pTrailingBlanks(t).err;
    };
    if (line.tail != TailShape::None) return cache.get(int(line.tail), s, trailingError);
    if (line.tokens >= 2) {
        return cache.get(kLineErrorAfterTokens, tokensEnd, [&] {
            State t = tokensEnd;
            return mergeError(pSubstVar(t).err, trailingError());
        });
    }
    return cache.get(kLineErrorAfterOneToken + int(line.lastSeparator), tokensEnd, [&] {
        // Each piece of a word consumes, which drops what the pieces before it left
        // pending: the grammar read from the last piece on leaves the same error as from
        // the start of the line, at a cost that does not grow with the word.
        MutedConsole muted;
        bool& counting = preprocessorRun(s).countSubstitutions;
        struct Restore {
            bool& flag;
            bool old;
            ~Restore() { flag = old; }
        } restore{counting, counting};
        counting = false;
        State t = start.in(s);
        // The line's one word starts where the line does.
        advanceWithinLine(t, lastPieceOfWord(start.cur, s.end));
        return mergeError(pRestOfLineSubst(t).err, trailingError());
    });
}

} // namespace

// ---------------------------------------------------------------------------
// The grammar.

Reply<Text> pSubstVar(State& s) {
    static const auto p = orElse(
        attempt(pieceReference),
        orElse(piecePlainChar,
               orElse(attempt(pieceHyphen), orElse(attempt(string_("!=")), attempt(string_("!!"))))));
    return p(s);
}

Reply<Text> pSubstWord(State& s) {
    static const auto p = manyOneText(pSubstVar);
    return p(s);
}

Reply<Text> pSubstSeparator(State& s) {
    static const auto p = orElse(attempt(continuationHyphen), manyText(nbsp));
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
    static const auto p = manyOneText(pSubstToken);
    return p(s);
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
    static const auto grammar = joinText(pRestOfLineSubst, pTrailingBlanks);
    if (!fastPathsOn(s)) return grammar(s);
    const Place start(s);
    Text out;
    const DirectLine line = directLine(s, out);
    if (line.tokens == 0) return grammar(s);
    return okReply(true, std::move(out), directLineError(start, line, s));
}

Reply<Unit> pSubstLineThenLineEndInto(State& s, Text& out) {
    static const auto grammar = joinText(pSubstLine, pEndOfLine);
    if (std::optional<Reply<Unit>> r = substLineThenLineEndDirect(s, out)) return std::move(*r);
    return appendTo(out, grammar(s));
}

namespace {

// How a byte stands in a line of plain words (see plainLineDirect).
enum class PlainByte : std::uint8_t { Piece, Space, Hyphen, Bang, Brace, Other };
constexpr std::array<PlainByte, 256> kPlainBytes = [] {
    std::array<PlainByte, 256> t{};
    t.fill(PlainByte::Other);
    for (unsigned c = 0; c < 0x80; ++c)
        if (kSimplePieceChars[c] && c != 0x0B && c != 0x0C) t[c] = PlainByte::Piece;
    t[static_cast<unsigned char>(' ')] = PlainByte::Space;
    t[static_cast<unsigned char>('-')] = PlainByte::Hyphen;
    t[static_cast<unsigned char>('!')] = PlainByte::Bang;
    t[static_cast<unsigned char>('{')] = PlainByte::Brace;
    return t;
}();

// Where the run of Piece and Space bytes from p ends.
inline const char* plainRunEnd(const char* p, const char* end) noexcept {
#if defined(__SSE2__)
    // Sixteen bytes at a time while none of them ends the run: no byte beyond ASCII, none of
    // tab, line feed, vertical tab, form feed and carriage return (9 to 13), '!', '-', '{'.
    const __m128i nine = _mm_set1_epi8(9), four = _mm_set1_epi8(4);
    const __m128i bang = _mm_set1_epi8('!'), hyphen = _mm_set1_epi8('-'), brace = _mm_set1_epi8('{');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i control = _mm_sub_epi8(v, nine);
        __m128i stop = _mm_cmpeq_epi8(_mm_min_epu8(control, four), control);
        stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(v, bang), _mm_cmpeq_epi8(v, hyphen)));
        stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, brace));
        const int found = _mm_movemask_epi8(_mm_or_si128(stop, v));
        if (found) return p + __builtin_ctz(static_cast<unsigned>(found));
        p += 16;
    }
#endif
    while (p != end && kPlainBytes[static_cast<unsigned char>(*p)] <= PlainByte::Space) ++p;
    return p;
}

// Reads the line at s when it is nothing but words, between single spaces or runs of them,
// starting with a word, and ended by a line feed; words made of ASCII characters that are
// pieces on their own, "!=" pieces, hyphens that such a character or another hyphen
// follows, and complete references whose names are such characters (without braces) and
// have a value. The token grammar reads such a line as it stands but for the references'
// values: no continuation, no comment, no blank beyond the space, no warning, one column
// a byte. Then the text goes to out and s is past the line feed; otherwise (or where the
// references would take the line past its bound, which the token path reports) nothing
// has changed.
bool plainLineDirect(State& s, Text& out) {
    const char* p = s.cur;
    const char* const end = s.end;
    if (p == end) return false;
    if (const PlainByte first = kPlainBytes[static_cast<unsigned char>(*p)];
        first == PlainByte::Space || first == PlainByte::Other)
        return false;
    const std::size_t mark = out.size();
    const char* copied = p;
    PreprocessorRun* run = nullptr;
    std::size_t substituted = 0;
    auto giveUp = [&out, mark] {
        out.resize(mark);
        return false;
    };
    for (;; ++p) {
        p = plainRunEnd(p, end);
        if (p == end) return giveUp();
        switch (kPlainBytes[static_cast<unsigned char>(*p)]) {
        case PlainByte::Piece:
        case PlainByte::Space:
            return giveUp(); // not reached: the run took them
        case PlainByte::Hyphen:
            if (p + 1 != end && (kPlainBytes[static_cast<unsigned char>(p[1])] == PlainByte::Piece || p[1] == '-'))
                continue;
            return giveUp();
        case PlainByte::Bang:
            if (p + 1 != end && p[1] == '=') {
                ++p;
                continue;
            }
            return giveUp();
        case PlainByte::Brace: {
            const char* q = p + 1;
            while (q != end && *q != '}' && kPlainBytes[static_cast<unsigned char>(*q)] == PlainByte::Piece) ++q;
            if (q == p + 1 || q == end || *q != '}' || !s.run) return giveUp();
            if (!run) run = &preprocessorRun(s);
            Text& key = run->referenceKey;
            key.clear();
            appendReferenceName(p + 1, q, key, true);
            const Text* v = s.st().symtab.find(key);
            if (!v) return giveUp();
            // Past the line's bound the token path reports it; nothing beyond the bound is
            // appended first, however many references the line holds.
            substituted += charCount(*v);
            if (run->countSubstitutions && run->substitutedOnLine + substituted > run->maxSubstitutedLength)
                return giveUp();
            appendRange(out, copied, p);
            out += *v;
            copied = q + 1;
            p = q;
            continue;
        }
        case PlainByte::Other:
            break;
        }
        if (*p != '\n') return giveUp();
        break;
    }
    if (run && run->countSubstitutions) run->substitutedOnLine += substituted;
    appendRange(out, copied, p);
    s.pos.sourceColumn += p - s.cur;
    s.cur = p;
    stepOverCountedLineBreak(s);
    out += '\n';
    return true;
}

} // namespace

std::optional<Reply<Unit>> substLineThenLineEndDirect(State& s, Text& out) {
    if (!fastPathsOn(s)) return std::nullopt;
    // Most lines are plain words: the line goes as it stands, with the outcome the token
    // path below gives it.
    if (plainLineDirect(s, out)) return okReply(true, Unit{}, unknownError(s.pos));
    const Place start(s);
    const std::size_t mark = out.size();
    // Without a token directLine reads nothing.
    const DirectLine line = directLine(s, out);
    if (line.tokens == 0) return std::nullopt;
    // A line break is taken by pEndOfLine, which then consumed: the error pending from the
    // line before it is dropped unseen, so it is not built.
    if (isLineBreakAt(s.cur, s.end)) {
        stepOverCountedLineBreak(s);
        out += '\n';
        return okReply(true, Unit{}, unknownError(s.pos));
    }
    Seq q(s);
    q.take(okReply(true, Unit{}, directLineError(start, line, s)));
    Text nl = q(pEndOfLine);
    if (!q) {
        out.resize(mark);
        return q.failure();
    }
    out += nl;
    return q.ok();
}

Reply<Text> pSubstLineThenLineEnd(State& s) {
    Text out;
    return withText(pSubstLineThenLineEndInto(s, out), out);
}

std::size_t substWordLength(TextView t) { return std::size_t(wordEnd(t.data(), t.data() + t.size()) - t.data()); }

std::size_t substTokensLength(TextView t) {
    const char* const b = t.data();
    const char* const end = b + t.size();
    const char* p = b;
    for (;;) {
        const char* w = wordEnd(p, end);
        if (w == p) return std::size_t(p - b);
        p = scanSeparator(w, end).end;
    }
}

bool substWordDirect(State& s, Text& out) { return directWord(s, out); }

int substTokensDirect(State& s, Text& out) { return directTokens(s, out).tokens; }

} // namespace zarnet
