#include "Preprocessor.h"

#include "LeaveInclude.h"
#include "LineEnd.h"
#include "LineStep.h"
#include "PreprocessorRun.h"

#include "platform/Memory.h"

#include <optional>

namespace zarnet {

SymTab predefineSubstVar(TextView name, const SymTab& symtab) {
    Text value = "{";
    value += name;
    value += "}";
    return insertByName(toUpperText(name), std::move(value), symtab);
}

SymTab addPredefinedSubstVars(const SymTab& symtab) {
    SymTab t = symtab;
    for (TextView name : predefinedSubstVarNames) t = predefineSubstVar(name, t);
    return t;
}

Text concatLines(const std::vector<Text>& lines) {
    std::size_t n = 0;
    for (const Text& l : lines) n += l.size();
    Text out;
    out.reserve(n);
    for (const Text& l : lines) out += l;
    return out;
}

Reply<Text> pPreprocessLines(State& s) {
    // manyOne pLineStep, with the step texts appended as they come. The output is about as
    // long as the input; room for it up front spares the copies of a growing text.
    Text out;
    out.reserve(static_cast<std::size_t>(s.end - s.cur) + 64);
    preferLargePages(out.data(), out.capacity());
    Reply<Unit> first = pLineStepInto(s, out);
    if (!first.ok) return Failure{std::move(first.err), first.consumed};
    if (!first.consumed) manyAcceptsEmpty();
    bool more = false;
    ParseError pending;
    for (;;) {
        // Common lines take no saved state: their step always consumes.
        if (std::optional<Reply<Unit>> r = pDirectLineStepInto(s, out)) {
            if (!r->ok) return consumedError(std::move(r->err));
            more = true;
            continue;
        }
        State saved = s;
        Reply<Unit> r = pLineStepInto(s, out);
        if (r.ok) {
            if (!r.consumed) manyAcceptsEmpty();
            more = true;
            continue;
        }
        if (r.consumed) return consumedError(std::move(r.err));
        s = std::move(saved);
        pending = std::move(r.err);
        break;
    }
    return okReply(true, std::move(out), more ? std::move(pending) : mergeError(first.err, pending));
}

Reply<Unit> restartState(State& s, SourceName sourceName) {
    modifySequenceNo(s, [](std::int64_t) { return std::int64_t{1}; });
    s.pos = initialPos(sourceName);
    s.pos.outputLine = 1; // positions from here on are places in the joined text
    s.modify([](ParserState& p) { p.sourceNameStack = p.sourceNameStack.reversed(); });
    return okReply(false, Unit{}, unknownError(s.pos));
}

namespace {

// The first pass stops at the first line step that fails without consuming. When that
// step had first returned from an included file whose text ended, the failed step is
// undone with its return, and the input current afterwards is the exhausted include:
// the end-of-input test would then pass and silently drop every remaining line of the
// including file. Such a line is reported like any other line that nothing takes.
std::optional<ParseError> linesLeftAfterInclude(const State& s) {
    if (!s.atEnd() || s.st().context.empty()) return std::nullopt;
    State resumed = s;
    if (!pLeaveInclude(resumed).ok || resumed.atEnd()) return std::nullopt;
    State probe = resumed;
    Reply<Text> step = pLineStep(probe);
    if (step.ok || step.consumed) return std::nullopt; // not reached: the step failed before
    probe = resumed;
    return mergeError(step.err, eof(probe).err);
}

} // namespace

Reply<Text> pSqr(State& s, const SecondPass& secondPass) {
    const SourceName root = s.pos.sourceName;
    Seq q(s);
    q(modifyUserState([](ParserState& p) { p.symtab = addPredefinedSubstVars(p.symtab); }));
    Text joined = q(pPreprocessLines);
    if (!q) return q.failure();
    if (auto lost = linesLeftAfterInclude(s)) return consumedError(*lost);
    q(eof);
    if (!q) return q.failure();

    // The second pass reads the joined text alone: the files the first pass read go.
    if (s.run) s.run->dropTexts();
    InputView in = keepInRun(s, std::move(joined));
    s.cur = in.begin;
    s.end = in.end;
    restartState(s, root);

    // The second pass reads the joined text once, front to back: what it has read may go
    // while it records (the pages come back, zero, before the run lets the text go).
    ReadOnceRegion readOnce(in.begin, in.end);
    struct Lend {
        ReadOnceRegion** at;
        ~Lend() {
            if (at) *at = nullptr;
        }
    } lend{s.run ? &preprocessorRun(s).secondPassText : nullptr};
    if (lend.at) *lend.at = &readOnce;

    // The second pass starts afresh: nothing the first pass left pending belongs to its
    // errors, which are reported where they occur.
    Reply<Text> r = secondPass(s);
    r.consumed = true;
    return r;
}

void secondPassReadUpTo(const State& s) {
    if (!s.run) return;
    if (ReadOnceRegion* text = preprocessorRun(s).secondPassText) text->readUpTo(s.cur);
}

Reply<Text> pZarnet(State& s) {
    const TextView rest = s.rest();
    const bool consumed = !rest.empty();
    advancePos(s.pos, rest);
    // The rest is, as a rule, the whole joined text of the first pass: it is handed on as
    // the result rather than copied.
    std::optional<Text> joined = s.run ? s.run->release(s.input()) : std::nullopt;
    Text all = joined ? std::move(*joined) : Text(rest);
    s.cur = s.end;
    return okReply(consumed, std::move(all), detail::endOfInputError(s).err);
}

} // namespace zarnet
