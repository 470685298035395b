// Helpers for parser tests: run a parser on a text and look at everything it left, and a
// console that records what a run writes and feeds it standard input.
#pragma once

#include "core/Console.h"
#include "core/ParserLib.h"

#include <gtest/gtest.h>

#include <type_traits>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace zarnet {

// Texts of test fixtures (include places, hand-made inputs), kept until the test program
// ends. Runs keep their texts in their run context; this store is for tests alone.
inline InputView keepText(Text t) {
    static std::deque<Text> kept;
    kept.push_back(std::move(t));
    return viewOf(kept.back());
}

// Source names of test fixtures, made in a run of their own that lasts until the test
// program ends. They equal the names a run makes from the same text.
inline SourceName testSourceName(std::string_view utf8) {
    static RunContext names;
    return names.sourceName(decodeBytes(utf8));
}

} // namespace zarnet

namespace zarnet::test {

inline Text T(std::string_view utf8) { return decodeBytes(utf8); }
inline std::string U8(TextView t) { return std::string(t); }

template <class V> struct Outcome {
    bool ok = false;
    bool consumed = false;
    V value{};
    std::string rest;     // remaining input, UTF-8
    SourcePos pos;        // position after the run
    std::string error;    // rendered error (failure) or rendered pending error (success)
    UserState user;       // user state after the run
    std::int64_t sequenceNo = 1; // output line counter after the run
    State state;          // the whole state after the run
    std::shared_ptr<RunContext> run; // the run the parser ran in, kept for the views above
};

// Runs p on `input` (UTF-8) at line 1, column 1 of `source` with the given user state.
template <class P>
auto runOn(P p, std::string_view input, const ParserState& user = initialState(),
           std::string_view source = "test.sqr", std::int64_t sequenceNo = 1) {
    // Each call is a run of its own. Tests keep states of a run beyond its outcome (a state
    // taken from a temporary outcome), so runs live until the test program ends.
    static std::deque<std::shared_ptr<RunContext>> runs;
    auto run = runs.emplace_back(std::make_shared<RunContext>());
    State s;
    s.run = run.get();
    s.sequenceNo = sequenceNo;
    InputView in = run->keep(T(input));
    s.cur = in.begin;
    s.end = in.end;
    s.pos = initialPos(run->sourceName(T(source)));
    s.user = makeUserState(user);
    Reply<ResultOf<P>> r;
    try {
        r = p(s);
    } catch (const FatalParseError& e) {
        // The parse ended where the error arose, as a run does.
        r.ok = false;
        r.consumed = true;
        r.err = e.err;
    }
    Outcome<ResultOf<P>> o;
    o.ok = r.ok;
    o.consumed = r.consumed;
    o.value = r.value;
    o.rest = U8(s.rest());
    o.pos = s.pos;
    o.error = renderError(r.err);
    o.user = s.user;
    o.sequenceNo = s.sequenceNo;
    o.state = s;
    o.run = std::move(run);
    return o;
}

// A state at the start of `input`, for tests that hold a state beyond one run: its run, and
// so the text it reads, lives until the test program ends.
inline State startState(std::string_view input, const ParserState& user = initialState(),
                        std::string_view source = "test.sqr", std::int64_t sequenceNo = 1) {
    static std::deque<std::shared_ptr<RunContext>> runs;
    auto o = runOn(succeedWith(Unit{}), input, user, source, sequenceNo);
    runs.push_back(o.run);
    return o.state;
}

// Runs p, and when it fails without consuming checks through a choice that the state the
// next alternative sees is the state from before p. Returns that state.
template <class P> State stateSeenByNextAlternative(P p, const State& start) {
    State s = start;
    State seen;
    auto probe = [&seen](State& st) -> Reply<ResultOf<P>> {
        seen = st;
        return okReply(false, ResultOf<P>{}, unknownError(st.pos));
    };
    orElse(p, probe)(s);
    return seen;
}

// A console that records standard output and standard error and serves standard input
// from a list of lines.
class CapturedConsole : public Console {
public:
    CapturedConsole() { previous_ = setConsole(this); }
    ~CapturedConsole() override { setConsole(previous_); }
    void writeOut(std::string_view s) override { out += s; }
    void flushOut() override { ++flushes; }
    void writeErr(std::string_view s) override { err += s; }
    std::optional<std::string> readLine() override {
        if (input.empty()) return std::nullopt;
        std::string l = input.front();
        input.pop_front();
        return l;
    }
    std::string out, err;
    std::deque<std::string> input;
    int flushes = 0;

private:
    Console* previous_ = nullptr;
};

// A direct path against the grammar it shortcuts: both run on the same input and user
// state, each with a console of its own that serves the same lines. Everything a caller
// can tell apart must agree: the outcome and the rendered (pending) error, what was written,
// and after a success the result, the input left, the position and the user state.
template <class P, class Q>
void expectSameAsGrammar(P direct, Q grammar, const Text& input, const ParserState& user,
                         const std::deque<std::string>& consoleInput = {}) {
    const std::string in = U8(input);
    auto run = [&](auto p, std::string& written) {
        CapturedConsole console;
        console.input = consoleInput;
        auto o = runOn(p, in, user);
        written = console.out + console.err;
        return o;
    };
    std::string fastOut, slowOut;
    auto fast = run(direct, fastOut);
    auto slow = run(grammar, slowOut);
    ASSERT_EQ(fast.ok, slow.ok) << in;
    ASSERT_EQ(fast.consumed, slow.consumed) << in;
    ASSERT_EQ(fast.error, slow.error) << in;
    ASSERT_EQ(fastOut, slowOut) << in;
    if (!fast.ok) return;
    if constexpr (std::is_convertible_v<decltype(fast.value), TextView>)
        ASSERT_EQ(U8(fast.value), U8(slow.value)) << in;
    else
        ASSERT_TRUE(fast.value == slow.value) << in;
    ASSERT_EQ(fast.rest, slow.rest) << in;
    ASSERT_EQ(fast.pos, slow.pos) << in;
    const ParserState& a = fast.user->state;
    const ParserState& b = slow.user->state;
    ASSERT_EQ(fast.sequenceNo, slow.sequenceNo) << in;
    ASSERT_TRUE(a.symtab == b.symtab) << in;
    ASSERT_EQ(a.sourceNameStack.toVector(), b.sourceNameStack.toVector()) << in;
    ASSERT_EQ(a.continued, b.continued) << in;
    ASSERT_EQ(a.context.toVector().size(), b.context.toVector().size()) << in;
}

// A quick reading against the rule it shortcuts, where both record variables: everything
// a caller can tell apart after them, the recorded uses and the continuation flag included.
template <class P, class Q> void expectSameReading(P quick, Q rule, const std::string& in, const ParserState& st) {
    auto a = runOn(quick, in, st);
    auto b = runOn(rule, in, st);
    ASSERT_EQ(a.ok, b.ok) << in;
    ASSERT_EQ(a.consumed, b.consumed) << in;
    ASSERT_EQ(a.error, b.error) << in;
    if (!a.ok) return;
    ASSERT_EQ(a.rest, b.rest) << in;
    ASSERT_EQ(a.pos, b.pos) << in;
    ASSERT_EQ(a.sequenceNo, b.sequenceNo) << in;
    ASSERT_TRUE(a.user->state.scopeMap == b.user->state.scopeMap) << in;
    ASSERT_EQ(a.user->state.continued, b.user->state.continued) << in;
}

// Every text of up to `maxLength` characters over the alphabet, then `randomCount` random
// texts of a length in [maxLength + 1, longest] (each begun with `randomPrefix`), handed to
// check in turn; stops at the first fatal failure.
// The characters of a text, one by one.
inline std::vector<char32_t> charsOf(TextView t) {
    std::vector<char32_t> out;
    for (char32_t c : chars(t)) out.push_back(c);
    return out;
}
// t with c appended.
inline Text plus(Text t, char32_t c) {
    appendChar(t, c);
    return t;
}

template <class F>
void forShortAndRandomTexts(TextView alphabetText, std::size_t maxLength, int randomCount, std::size_t longest,
                            const Text& randomPrefix, F check) {
    const std::vector<char32_t> alphabet = charsOf(alphabetText);
    std::vector<Text> level{Text()};
    check(Text());
    for (std::size_t len = 1; len <= maxLength; ++len) {
        std::vector<Text> next;
        for (const Text& t : level)
            for (char32_t c : alphabet) next.push_back(plus(t, c));
        for (const Text& t : next) {
            check(t);
            if (testing::Test::HasFatalFailure()) return;
        }
        level = std::move(next);
    }
    if (randomCount <= 0) return;
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1),
        len(maxLength + 1, std::max(maxLength + 1, longest));
    for (int i = 0; i < randomCount; ++i) {
        Text t = randomPrefix;
        for (std::size_t n = len(rng); n > 0; --n) appendChar(t, alphabet[pick(rng)]);
        check(t);
        if (testing::Test::HasFatalFailure()) return;
    }
}

} // namespace zarnet::test
