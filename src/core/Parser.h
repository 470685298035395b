// The parser-combinator layer. A parser is a callable `Reply<T>(State&)`: it runs on the
// state, and on success leaves the new state there. After a failure without consumed
// input the state may hold traces of the attempt; every combinator that goes on after
// such a failure (choice, repetition, option, look-ahead) puts back the state it saved,
// so a failed alternative never leaves a trace. Saving a state costs one reference
// increment: the input is a pair of pointers into a text that lives for the whole run.
#pragma once

#include "ParseError.h"
#include "ParserState.h"
#include "RunContext.h"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace zarnet {

struct Unit {
    friend bool operator==(Unit, Unit) { return true; }
};

struct State {
    const char* cur = nullptr;
    const char* end = nullptr;
    SourcePos pos;
    UserState user;
    // The output line counter of the preprocessor: the number of the current output line of
    // the first pass, counted from 1; in the second pass the current line of the joined text.
    std::int64_t sequenceNo = 1;
    // The run this parse belongs to: the texts it reads and the layers' run state. Parsers
    // that keep run state need one; others run without.
    RunContext* run = nullptr;

    bool atEnd() const noexcept { return cur == end; }
    char32_t peek() const noexcept { return decodeAt(cur); }
    // The character n places ahead of the current one, or nothing past the end.
    std::optional<char32_t> peekAt(std::size_t n) const noexcept {
        const char* p = cur;
        for (; n > 0 && p != end; --n) p += charWidth(*p);
        if (p == end) return std::nullopt;
        return decodeAt(p);
    }
    // Consumes the next character (there must be one) and moves the position past it.
    char32_t take() noexcept {
        char32_t c = decodeAt(cur);
        cur += charWidth(*cur);
        advancePos(pos, c);
        return c;
    }
    TextView rest() const noexcept { return TextView(cur, std::size_t(end - cur)); }
    InputView input() const noexcept { return InputView{cur, end}; }
    const ParserState& st() const noexcept { return user->state; }
    // A state that no snapshot shares changes in place; a shared one is copied first, so
    // the snapshot keeps its value.
    template <class F> void modify(F&& f) {
        if (user.unique())
            f(const_cast<UserStateBox&>(*user).state);
        else
            user = modifiedState(user, std::forward<F>(f));
    }
};

// Moves s over [s.cur, to), ASCII characters other than tab and line feed: one column each,
// as taking them one by one would.
inline void advanceOverAscii(State& s, const char* to) noexcept {
    s.pos.sourceColumn += to - s.cur;
    s.cur = to;
}

// Consumes characters while `pred` holds. A run of ASCII characters other than tab and line
// feed moves the position once (advanceOverAscii).
template <class F> void skipWhile(State& s, F pred) {
    for (;;) {
        const char* p = s.cur;
        while (p != s.end && static_cast<unsigned char>(*p) < 0x80 && *p != '\t' && *p != '\n' && pred(char32_t(*p)))
            ++p;
        advanceOverAscii(s, p);
        if (s.atEnd() || !pred(s.peek())) return;
        s.take();
    }
}

// Consumes characters while `pred` holds; result them. Never fails.
template <class F> Text takeWhile(State& s, F pred) {
    const char* const begin = s.cur;
    skipWhile(s, pred);
    return Text(begin, s.cur); // the characters as the input holds them
}

template <class T> struct Reply {
    T value{};
    ParseError err;
    bool consumed = false;
    bool ok = false;
};

template <class T> Reply<T> okReply(bool consumed, T value, ParseError pending) {
    return Reply<T>{std::move(value), std::move(pending), consumed, true};
}

// A failure that converts to the reply of any parser.
namespace detail {
// A failed reply, filled in member by member: a braced reply is first cleared whole.
template <class T, class E> Reply<T> failedReply(E&& err, bool consumed) {
    Reply<T> r;
    r.err = std::forward<E>(err);
    r.consumed = consumed;
    return r;
}
} // namespace detail

struct Failure {
    ParseError err;
    bool consumed = false;
    template <class T> operator Reply<T>() const& { return detail::failedReply<T>(err, consumed); }
    template <class T> operator Reply<T>() && { return detail::failedReply<T>(std::move(err), consumed); }
};
// The failure a sequence ends with: converts to the reply of any parser (or to a Failure)
// with the sequence's pending error moved straight into it. It refers to the sequence, so
// it is used at once.
struct SeqFailure {
    ParseError& err;
    bool consumed;
    template <class T> operator Reply<T>() const { return detail::failedReply<T>(std::move(err), consumed); }
    operator Failure() const { return Failure{std::move(err), consumed}; } // NOLINT: as the reply
};

inline Failure emptyError(ParseError e) { return Failure{std::move(e), false}; }
inline Failure consumedError(ParseError e) { return Failure{std::move(e), true}; }

template <class P> using ResultOf = decltype(std::declval<P&>()(std::declval<State&>()).value);

template <class T> using Parser = std::function<Reply<T>(State&)>;

// Raised for a defect of a grammar (a repetition of a parser that consumes nothing).
class InternalError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// ---------------------------------------------------------------------------
// Sequencing. A Seq runs the steps of one sequence on a state, keeping track of whether
// any step consumed and of the pending error, exactly as nested binds would:
//
//     Seq q(s);
//     auto a = q(p1); if (!q) return q.failure();
//     auto b = q(p2); if (!q) return q.failure();
//     return q.ok(result);
class Seq {
public:
    explicit Seq(State& s) : s_(s) {}

    template <class P> ResultOf<P> operator()(P&& p) {
        auto r = p(s_);
        step(r.consumed, r.ok, r.err);
        return std::move(r.value);
    }
    // Takes an already computed reply as one step.
    template <class T> T take(Reply<T> r) {
        step(r.consumed, r.ok, r.err);
        return std::move(r.value);
    }

    explicit operator bool() const noexcept { return !failed_; }
    bool consumed() const noexcept { return consumed_; }
    State& state() noexcept { return s_; }

    // failure and ok end the sequence: they hand over its pending error.
    SeqFailure failure() { return SeqFailure{pending_, consumed_}; }
    // The reply is made in place: its error comes straight from the pending one.
    template <class T> Reply<T> ok(T value) {
        return Reply<T>{std::move(value), started_ ? std::move(pending_) : ParseError(s_.pos), consumed_, true};
    }
    Reply<Unit> ok() { return ok(Unit{}); }

private:
    // Takes over err. Inline: every step of every sequence comes here.
    [[gnu::always_inline]] void step(bool consumed, bool ok, ParseError& err) {
        if (consumed) {
            consumed_ = true;
            pending_ = std::move(err);
        } else if (started_) {
            pending_.merge(std::move(err));
        } else {
            pending_ = std::move(err);
        }
        started_ = true;
        if (!ok) failed_ = true;
    }

    State& s_;
    ParseError pending_;
    bool consumed_ = false;
    bool started_ = false;
    bool failed_ = false;
};

// ---------------------------------------------------------------------------
// Character primitives.

namespace detail {
inline Failure endOfInputError(const State& s) {
    return emptyError(ParseError(s.pos, Message{MsgKind::SysUnExpect, MsgText::empty()}));
}
inline Failure unexpectedCharError(const State& s, char32_t c) {
    return emptyError(ParseError(s.pos, Message{MsgKind::SysUnExpect, MsgText::quotedChar(c)}));
}
// What a one-character test failing here found: the character, or the end of the input.
inline Message foundHere(const State& s) {
    return Message{MsgKind::SysUnExpect, s.atEnd() ? MsgText::empty() : MsgText::quotedChar(s.peek())};
}
// A failed one-character test with the given label (empty label: none).
inline Failure labelledCharError(const State& s, MsgText label) {
    return emptyError(ParseError(s.pos, Message{MsgKind::Expect, std::move(label)}, foundHere(s)));
}
inline Reply<char32_t> takeChar(State& s) {
    char32_t c = s.take();
    return Reply<char32_t>{c, ParseError(s.pos), true, true};
}
// The replies of failed one-character tests, their errors made in place: what the test found
// (the character, or the end of the input), after what it expected when it has a label.
inline Reply<char32_t> charTestFailed(const State& s) {
    return Reply<char32_t>{0, ParseError(s.pos, foundHere(s)), false, false};
}
inline Reply<char32_t> labelledCharTestFailed(const State& s, const MsgText& label) {
    return Reply<char32_t>{0, ParseError(s.pos, Message{MsgKind::Expect, label}, foundHere(s)), false, false};
}
} // namespace detail

template <class F> auto satisfying(F f) {
    return [f](State& s) -> Reply<char32_t> {
        if (s.atEnd() || !f(s.peek())) return detail::charTestFailed(s);
        return detail::takeChar(s);
    };
}

// One character test with a label, used by the labelled character primitives.
template <class F> auto satisfyingLabelled(F f, MsgText label) {
    return [f, label](State& s) -> Reply<char32_t> {
        if (s.atEnd() || !f(s.peek())) return detail::labelledCharTestFailed(s, label);
        return detail::takeChar(s);
    };
}

inline auto char_(char32_t c) {
    return [c](State& s) -> Reply<char32_t> {
        if (s.atEnd() || s.peek() != c) return detail::labelledCharTestFailed(s, MsgText::quotedChar(c));
        return detail::takeChar(s);
    };
}

inline auto anyChar() {
    return [](State& s) -> Reply<char32_t> {
        if (s.atEnd()) return detail::charTestFailed(s);
        return detail::takeChar(s);
    };
}

// The set is a static literal. Its ASCII characters are looked up in a bit table made once;
// only a character beyond ASCII is looked for among the set's characters.
inline auto noneOf(TextView set) {
    std::uint64_t ascii[2] = {0, 0};
    bool wide = false;
    for (char32_t m : chars(set)) {
        if (m < 0x80)
            ascii[m >> 6] |= std::uint64_t(1) << (m & 63);
        else
            wide = true;
    }
    return satisfying([set, lo = ascii[0], hi = ascii[1], wide](char32_t c) {
        if (c < 0x80) return !(((c < 64 ? lo : hi) >> (c & 63)) & 1);
        if (!wide) return true;
        for (char32_t m : chars(set))
            if (m == c) return false;
        return true;
    });
}

inline auto digit() {
    return satisfyingLabelled([](char32_t c) { return c >= U'0' && c <= U'9'; },
                              MsgText::literal("digit"));
}

inline auto spaceChar() { return satisfyingLabelled(isWhiteSpace, MsgText::literal("space")); }

// `many (satisfying pred)` with its characters as one text: no result and no error per
// character, and the failed test where the run ends as the pending error. Never fails.
template <class F> auto charsWhile(F pred) {
    return [pred](State& s) -> Reply<Text> {
        const char* const begin = s.cur;
        Text out = takeWhile(s, pred);
        Failure stop = s.atEnd() ? detail::endOfInputError(s) : detail::unexpectedCharError(s, s.peek());
        return okReply(s.cur != begin, std::move(out), std::move(stop.err));
    };
}

// Any character, without advancing the position.
inline auto anyToken() {
    return [](State& s) -> Reply<char32_t> {
        if (s.atEnd()) return detail::endOfInputError(s);
        char32_t c = s.peek();
        s.cur += charWidth(*s.cur);
        return okReply(true, c, unknownError(s.pos));
    };
}

// Matches the text s (a literal that outlives the parse). Errors lie where s began.
inline auto string_(TextView lit) {
    return [lit](State& s) -> Reply<Text> {
        if (lit.empty()) return okReply(false, Text(), unknownError(s.pos));
        const char* p = s.cur;
        for (std::size_t i = 0; i < lit.size(); ++i, ++p) {
            if (p == s.end || *p != lit[i]) {
                // Bytes match up to here, so both texts are at the same place within a
                // character: the mismatch belongs to the character that starts before it.
                while (p != s.cur && (static_cast<unsigned char>(*p) & 0xC0) == 0x80) --p;
                Message found = p == s.end ? Message{MsgKind::SysUnExpect, MsgText::empty()}
                                           : Message{MsgKind::SysUnExpect, MsgText::quotedChar(decodeAt(p))};
                return Reply<Text>{Text(), ParseError(s.pos, Message{MsgKind::Expect, MsgText::quotedLiteral(lit)}, found),
                                   p != s.cur, false};
            }
        }
        s.cur = p;
        advancePos(s.pos, lit);
        return Reply<Text>{Text(lit), ParseError(s.pos), true, true};
    };
}

// ---------------------------------------------------------------------------
// State access.

template <class T> auto succeedWith(T x) {
    return [x](State& s) -> Reply<T> { return okReply(false, x, unknownError(s.pos)); };
}
inline Reply<UserState> getUserState(State& s) { return okReply(false, s.user, unknownError(s.pos)); }
inline auto putUserState(UserState u) {
    return [u](State& s) -> Reply<Unit> {
        s.user = u;
        return okReply(false, Unit{}, unknownError(s.pos));
    };
}
template <class F> auto modifyUserState(F f) {
    return [f](State& s) -> Reply<Unit> {
        s.modify(f);
        return okReply(false, Unit{}, unknownError(s.pos));
    };
}
inline Reply<SourcePos> currentPosition(State& s) { return okReply(false, s.pos, unknownError(s.pos)); }
inline auto moveTo(SourcePos p) {
    return [p](State& s) -> Reply<Unit> {
        s.pos = p;
        return okReply(false, Unit{}, unknownError(s.pos));
    };
}
inline Reply<InputView> remainingInput(State& s) {
    return okReply(false, s.input(), unknownError(s.pos));
}
inline auto replaceInput(InputView in) {
    return [in](State& s) -> Reply<Unit> {
        s.cur = in.begin;
        s.end = in.end;
        return okReply(false, Unit{}, unknownError(s.pos));
    };
}

// Failing operations.
inline auto failWith(MsgText m) {
    return [m](State& s) -> Reply<Unit> { return emptyError(ParseError(s.pos, Message{MsgKind::Message, m})); };
}
inline auto failUnexpected(MsgText m) {
    return [m](State& s) -> Reply<Unit> { return emptyError(ParseError(s.pos, Message{MsgKind::UnExpect, m})); };
}
inline Reply<Unit> failEmpty(State& s) { return emptyError(unknownError(s.pos)); }

// ---------------------------------------------------------------------------
// Combinators.

template <class P, class F> auto bind(P p, F f) {
    return [p, f](State& s) {
        Seq q(s);
        auto a = q(p);
        using R = ResultOf<decltype(f(a))>;
        if (!q) return Reply<R>(q.failure());
        auto b = q(f(std::move(a)));
        if (!q) return Reply<R>(q.failure());
        return q.ok(std::move(b));
    };
}

namespace detail {
// Runs the parsers in order as one sequence, filling the results; stops at the first
// failure. True when all succeeded.
template <class Ps, class Rs, std::size_t... I>
bool runInOrder(Seq& q, const Ps& ps, Rs& results, std::index_sequence<I...>) {
    return ((std::get<I>(results) = q(std::get<I>(ps)), bool(q)) && ...);
}
} // namespace detail

// The parsers in order as one sequence (as nested binds would run them); result: f of all
// their results. A rule such as "keyword, blanks, name, line end" is then one expression:
//
//     seqMap([](Text kw, Unit, Text name, Text) { return ...; }, keyword, blanks, name, lineEnd)
template <class F, class... Ps> auto seqMap(F f, Ps... ps) {
    static_assert(sizeof...(Ps) > 0, "a sequence of no parsers");
    return [f, ps = std::make_tuple(ps...)](State& s) {
        using R = std::invoke_result_t<const F&, ResultOf<Ps>&&...>;
        std::tuple<ResultOf<Ps>...> results;
        Seq q(s);
        if (!detail::runInOrder(q, ps, results, std::index_sequence_for<Ps...>{})) return Reply<R>(q.failure());
        return q.ok(std::apply([&f](auto&&... r) { return f(std::move(r)...); }, std::move(results)));
    };
}

// The parsers in order as one sequence; result: that of the N-th (counted from 0).
template <std::size_t N, class... Ps> auto seqKeep(Ps... ps) {
    static_assert(N < sizeof...(Ps), "no such parser in the sequence");
    return seqMap([](auto&&... r) { return std::move(std::get<N>(std::forward_as_tuple(r...))); }, ps...);
}

template <class P, class Q> auto seqLeft(P p, Q q_) {
    return [p, q_](State& s) {
        using R = ResultOf<P>;
        Seq q(s);
        auto a = q(p);
        if (!q) return Reply<R>(q.failure());
        q(q_);
        if (!q) return Reply<R>(q.failure());
        return q.ok(std::move(a));
    };
}

template <class P, class Q> auto seqRight(P p, Q q_) {
    return [p, q_](State& s) {
        using R = ResultOf<Q>;
        Seq q(s);
        q(p);
        if (!q) return Reply<R>(q.failure());
        auto b = q(q_);
        if (!q) return Reply<R>(q.failure());
        return q.ok(std::move(b));
    };
}

namespace detail {
// Puts the reply that make() returns in the place of r, made right there: a reply is never
// moved from one alternative's place to the next.
template <class R, class F> void replaceReply(Reply<R>& r, F&& make) {
    r.~Reply<R>();
    try {
        ::new (static_cast<void*>(&r)) Reply<R>(make());
    } catch (...) {
        ::new (static_cast<void*>(&r)) Reply<R>(); // so that r is destroyed once as it unwinds
        throw;
    }
}

// The alternatives after the first, each run on the saved state in the place of the reply
// before it; acc holds the merged errors of the alternatives that failed without consuming.
template <class R, class P, class... Ps>
void choiceRest(State& s, const State& saved, ParseError& acc, Reply<R>& r, const P& p, const Ps&... ps) {
    replaceReply(r, [&] { return p(s); });
    if (r.consumed) return;
    acc.merge(std::move(r.err));
    if (r.ok || sizeof...(Ps) == 0) {
        r.err = std::move(acc);
        if (!r.ok) s = saved;
        return;
    }
    s = saved;
    if constexpr (sizeof...(Ps) != 0) choiceRest(s, saved, acc, r, ps...);
}

// Runs the alternatives in order on the same saved state; merges the errors of the
// alternatives that failed without consuming into one accumulator, as the nested
// alternatives would. The reply is made in the place of the result.
template <class R, class P, class... Ps> Reply<R> choiceFrom(State& s, const State& saved, const P& p, const Ps&... ps) {
    Reply<R> r = p(s);
    if (r.consumed || r.ok) return r;
    s = saved;
    if constexpr (sizeof...(Ps) != 0) {
        ParseError acc = std::move(r.err);
        choiceRest(s, saved, acc, r, ps...);
    }
    return r;
}
} // namespace detail

// Alternatives tried in order on one saved state. Merging errors is associative, so
// `p1 orElse (p2 orElse p3)` is one flat run of three alternatives: one saved state and one
// accumulated error instead of one per level.
template <class... Ps> struct OrElse {
    std::tuple<Ps...> ps;
    auto operator()(State& s) const {
        using R = ResultOf<std::tuple_element_t<0, std::tuple<Ps...>>>;
        static_assert((std::is_same_v<R, ResultOf<Ps>> && ...), "alternatives must have one result type");
        State saved = s;
        return std::apply([&](const Ps&... p) { return detail::choiceFrom<R>(s, saved, p...); }, ps);
    }
};

template <class P, class Q> OrElse<P, Q> orElse(P p, Q q) { return OrElse<P, Q>{{std::move(p), std::move(q)}}; }
template <class P, class... Qs> OrElse<P, Qs...> orElse(P p, OrElse<Qs...> q) {
    return OrElse<P, Qs...>{std::tuple_cat(std::make_tuple(std::move(p)), std::move(q.ps))};
}

// p1 `orElse` (p2 `orElse` ... (pn `orElse` failEmpty)).
template <class P, class... Ps> auto choice(P p, Ps... ps) {
    return [p, ps...](State& s) {
        using R = ResultOf<P>;
        State saved = s;
        Reply<R> r = detail::choiceFrom<R>(s, saved, p, ps...);
        if (!r.ok && !r.consumed) r.err.mergeUnknown(saved.pos);
        return r;
    };
}

template <class P> auto attempt(P p) {
    return [p](State& s) {
        auto r = p(s);
        if (!r.ok) r.consumed = false;
        return r;
    };
}

// A label replaces what an empty outcome expected; consumed outcomes pass unchanged.
template <class P> auto labelled(P p, MsgText label) {
    return [p, label](State& s) {
        auto r = p(s);
        if (r.consumed) return r;
        if (!r.ok || r.err.hasMessages()) r.err = setExpectErrors(r.err, label);
        return r;
    };
}

template <class P> auto peek(P p) {
    return [p](State& s) {
        State saved = s;
        auto r = p(s);
        if (!r.ok) return r;
        s = saved;
        r.consumed = false;
        r.err.mergeUnknown(saved.pos);
        return r;
    };
}

// The printed form of a result, as an unexpected message shows it.
inline MsgText showResult(char32_t c) { return MsgText::singleQuotedChar(c); }
inline MsgText showResult(const Text& t) { return MsgText::quotedOwned(t); }
inline MsgText showResult(Unit) { return MsgText::literal("()"); }

template <class P> auto notAhead(P p) {
    return [p](State& s) -> Reply<Unit> {
        State saved = s;
        auto r = p(s);
        if (r.ok) {
            // The failure follows p's success in sequence: what p tried last and could have
            // gone on with, where it ended, stays expected beside the unexpected result.
            r.err.merge(ParseError(s.pos, Message{MsgKind::UnExpect, showResult(r.value)}));
            s = saved;
            return emptyError(std::move(r.err));
        }
        s = saved;
        r.err.mergeUnknown(s.pos);
        return okReply(false, Unit{}, std::move(r.err));
    };
}

inline Reply<Unit> eof(State& s) {
    static const auto p = labelled(notAhead(anyToken()), MsgText::literal("end of input"));
    return p(s);
}

[[noreturn]] void manyAcceptsEmpty();

namespace detail {
// The repetition loop shared by many and manySkip: runs p until it fails without
// consuming, handing each result to `keep`; a failure after consuming is returned.
template <class P, class K>
std::optional<Failure> repeat(const P& p, State& s, bool& consumed, ParseError& pending, K&& keep) {
    for (;;) {
        State saved = s;
        auto r = p(s);
        if (r.ok) {
            if (!r.consumed) manyAcceptsEmpty();
            consumed = true;
            keep(std::move(r.value));
            continue;
        }
        if (r.consumed) return consumedError(std::move(r.err));
        s = std::move(saved);
        pending = std::move(r.err);
        return std::nullopt;
    }
}
} // namespace detail

template <class P> auto many(P p) {
    return [p](State& s) {
        using T = ResultOf<P>;
        std::vector<T> out;
        bool consumed = false;
        ParseError pending;
        if (auto f = detail::repeat(p, s, consumed, pending, [&](T v) { out.push_back(std::move(v)); }))
            return Reply<std::vector<T>>(std::move(*f));
        return okReply(consumed, std::move(out), std::move(pending));
    };
}

template <class P> auto manySkip(P p) {
    return [p](State& s) -> Reply<Unit> {
        using T = ResultOf<P>;
        bool consumed = false;
        ParseError pending;
        if (auto f = detail::repeat(p, s, consumed, pending, [](T&&) {})) return std::move(*f);
        return okReply(consumed, Unit{}, std::move(pending));
    };
}

template <class P> auto manyOne(P p) {
    return [p](State& s) {
        using T = ResultOf<P>;
        Seq q(s);
        auto first = q(p);
        if (!q) return Reply<std::vector<T>>(q.failure());
        auto rest = q(many(p));
        if (!q) return Reply<std::vector<T>>(q.failure());
        rest.insert(rest.begin(), std::move(first));
        return q.ok(std::move(rest));
    };
}

namespace detail {
// Appends one result of a repeated parser to the joined text.
inline void appendPiece(Text& out, const Text& t) { out += t; }
inline void appendPiece(Text& out, char32_t c) { appendChar(out, c); }
// The loop of `many p` with p's results (texts or characters) appended to out as they come.
template <class P> Reply<Unit> manyInto(const P& p, State& s, Text& out) {
    using T = ResultOf<P>;
    bool consumed = false;
    ParseError pending;
    if (auto f = repeat(p, s, consumed, pending, [&out](T&& v) { appendPiece(out, v); })) return std::move(*f);
    return okReply(consumed, Unit{}, std::move(pending));
}
} // namespace detail

// `many p` whose texts or characters are joined into one text: the same outcome, without a
// vector of pieces to join afterwards.
template <class P> auto manyText(P p) {
    return [p](State& s) -> Reply<Text> {
        Text out;
        Reply<Unit> r = detail::manyInto(p, s, out);
        return Reply<Text>{r.ok ? std::move(out) : Text(), std::move(r.err), r.consumed, r.ok};
    };
}

// `manyOne p` joined into one text, as manyText.
template <class P> auto manyOneText(P p) {
    return [p](State& s) -> Reply<Text> {
        Seq q(s);
        Text out;
        auto first = q(p);
        if (!q) return q.failure();
        if constexpr (std::is_same_v<ResultOf<P>, Text>)
            out = std::move(first);
        else
            detail::appendPiece(out, first);
        q.take(detail::manyInto(p, s, out));
        if (!q) return q.failure();
        return q.ok(std::move(out));
    };
}

inline auto spaceChars() { return labelled(manySkip(spaceChar()), MsgText::literal("white space")); }

template <class P, class E> auto manyUntil(P p, E end) {
    return [p, end](State& s) {
        using T = ResultOf<P>;
        std::vector<T> out;
        Seq q(s);
        for (;;) {
            State saved = s;
            auto re = end(s);
            if (re.ok || re.consumed) {
                q.take(std::move(re));
                if (!q) return Reply<std::vector<T>>(q.failure());
                return q.ok(std::move(out));
            }
            s = saved;
            auto rp = p(s);
            if (!rp.consumed) rp.err = mergeError(std::move(re.err), std::move(rp.err));
            T v = q.take(std::move(rp));
            if (!q) return Reply<std::vector<T>>(q.failure());
            out.push_back(std::move(v));
        }
    };
}

template <class P, class S> auto separatedBy(P p, S sep) {
    return [p, sep](State& s) {
        using T = ResultOf<P>;
        auto nonEmpty = [p, sep](State& st) {
            Seq q(st);
            auto first = q(p);
            if (!q) return Reply<std::vector<T>>(q.failure());
            auto rest = q(many(seqRight(sep, p)));
            if (!q) return Reply<std::vector<T>>(q.failure());
            rest.insert(rest.begin(), std::move(first));
            return q.ok(std::move(rest));
        };
        return orElse(nonEmpty, succeedWith(std::vector<T>{}))(s);
    };
}

template <class P> auto count(long long n, P p) {
    return [n, p](State& s) {
        using T = ResultOf<P>;
        Seq q(s);
        std::vector<T> out;
        for (long long i = 0; i < n; ++i) {
            auto v = q(p);
            if (!q) return Reply<std::vector<T>>(q.failure());
            out.push_back(std::move(v));
        }
        return q.ok(std::move(out));
    };
}

template <class P> auto optionally(P p) {
    return orElse(seqRight(p, succeedWith(Unit{})), succeedWith(Unit{}));
}

// An error that ends the whole parse where it arises, past every alternative and
// look-ahead around it: for limits beyond which the input is not read on.
struct FatalParseError {
    ParseError err;
};

// Runs p over a text from line 1, column 1 of the given source.
template <class T> struct ParseResult {
    bool ok = false;
    T value{};
    ParseError error;
    State finalState; // the state after a success
    std::shared_ptr<RunContext> ownRun; // the run made for the parse, when the caller gave none
};

template <class P> auto runParserWithState(P p, UserState user, SourceName name, InputView in,
                                          RunContext* run = nullptr) {
    State s;
    s.run = run;
    s.cur = in.begin;
    s.end = in.end;
    s.pos = initialPos(name);
    s.user = std::move(user);
    ParseResult<ResultOf<P>> out;
    Reply<ResultOf<P>> r;
    try {
        r = p(s);
    } catch (const FatalParseError& e) {
        out.error = e.err;
        return out;
    }
    out.ok = r.ok;
    if (r.ok) {
        out.value = std::move(r.value);
        out.finalState = s;
    } else {
        out.error = std::move(r.err);
    }
    return out;
}

// Runs p in a run of its own, which the result keeps.
template <class P> auto runParse(P p, const ParserState& user, TextView sourceName, Text input) {
    auto run = std::make_shared<RunContext>();
    const InputView in = run->keep(std::move(input));
    auto r = runParserWithState(p, makeUserState(user), run->sourceName(sourceName), in, run.get());
    r.ownRun = std::move(run);
    return r;
}

} // namespace zarnet
