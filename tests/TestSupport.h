// Helpers for parser tests: run a parser on a text and look at everything it left, and a
// console that records what a run writes and feeds it standard input.
#pragma once

#include "core/Console.h"
#include "core/ParserLib.h"

#include <deque>
#include <optional>
#include <string>

namespace zarnet::test {

inline Text T(std::string_view utf8) { return decodeBytes(utf8); }
inline std::string U8(TextView t) { return toUtf8(t); }

template <class V> struct Outcome {
    bool ok = false;
    bool consumed = false;
    V value{};
    std::string rest;     // remaining input, UTF-8
    SourcePos pos;        // position after the run
    std::string error;    // rendered error (failure) or rendered pending error (success)
    UserState user;       // user state after the run
    State state;          // the whole state after the run
};

// Runs p on `input` (UTF-8) at line 1, column 1 of `source` with the given user state.
template <class P>
auto runOn(P p, std::string_view input, const ParserState& user = initialState(),
           std::string_view source = "test.sqr") {
    State s;
    InputView in = keepText(T(input));
    s.cur = in.begin;
    s.end = in.end;
    s.pos = initialPos(SourceName(T(source)));
    s.user = makeUserState(user);
    auto r = p(s);
    Outcome<ResultOf<P>> o;
    o.ok = r.ok;
    o.consumed = r.consumed;
    o.value = r.value;
    o.rest = U8(s.rest());
    o.pos = s.pos;
    o.error = renderError(r.err);
    o.user = s.user;
    o.state = s;
    return o;
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

} // namespace zarnet::test
