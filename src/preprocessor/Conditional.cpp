#include "preprocessor/Conditional.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/LeaveInclude.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineStep.h"
#include "preprocessor/Substitution.h"

#include <vector>

namespace zarnet {

namespace {

// ---------------------------------------------------------------------------
// Skipping. Nested blocks inside a branch not taken are followed with an explicit stack of
// levels, so that neither their depth nor their length costs C++ stack.

enum class SkipAction { Line, OpenNested, Else, EndIf };
struct SkipStep {
    Text text;
    SkipAction action = SkipAction::Line;
};

template <class P> auto stepOf(P p, SkipAction action) {
    return [p, action](State& s) -> Reply<SkipStep> {
        auto r = p(s);
        if (!r.ok) return Failure{std::move(r.err), r.consumed};
        return okReply(r.consumed, SkipStep{std::move(r.value), action}, std::move(r.err));
    };
}

// The failure of a parser that never succeeds (a misplaced #else or #end-if), as a step.
template <class P> Reply<SkipStep> asSkipStep(State& s, P p) {
    auto r = p(s);
    return Reply<SkipStep>{SkipStep{}, std::move(r.err), r.consumed, false};
}

// The rest of a skipped line after its leading blanks; a nested opening line is consumed
// up to its line end and reported, its block being the caller's to skip.
Reply<SkipStep> skipLineRest(State& s, bool hadBlanks) {
    static const auto blankLine = stepOf(pCountedLineBreak, SkipAction::Line);
    auto blanksAtEnd = [hadBlanks](State& st) -> Reply<SkipStep> {
        if (!hadBlanks || !st.atEnd()) return emptyError(unknownError(st.pos));
        return stepOf(pEndOfLine, SkipAction::Line)(st);
    };
    static const auto nested = [](State& st) -> Reply<SkipStep> {
        Seq q(st);
        q(attempt([](State& k) -> Reply<Text> {
            Seq kq(k);
            kq(pIfKeyword);
            if (!kq) return kq.failure();
            kq(pIfKeywordTail);
            if (!kq) return kq.failure();
            return kq.ok(Text());
        }));
        if (!q) return q.failure();
        Text nl = q(pDropRestOfLine);
        if (!q) return q.failure();
        return q.ok(SkipStep{std::move(nl), SkipAction::OpenNested});
    };
    static const auto elseOutOfPlace = [](State& st) { return asSkipStep(st, pElseOutOfPlace); };
    static const auto endIfOutOfPlace = [](State& st) { return asSkipStep(st, pEndIfOutOfPlace); };
    static const auto otherLine = [](State& st) -> Reply<SkipStep> {
        Seq q(st);
        q(pLineRestChar);
        if (!q) return q.failure();
        q(manySkip(pLineRestChar));
        if (!q) return q.failure();
        Text nl = q(pEndOfLine);
        if (!q) return q.failure();
        return q.ok(SkipStep{std::move(nl), SkipAction::Line});
    };
    return choice(blankLine, blanksAtEnd, nested, elseOutOfPlace, endIfOutOfPlace, otherLine)(s);
}

// The include test, the leading blanks and the rest of one skipped line.
Reply<SkipStep> readSkippedLine(State& s) {
    Seq q(s);
    q(optionally(pLeaveInclude));
    if (!q) return q.failure();
    Text blanks = q(pBlanks);
    if (!q) return q.failure();
    bool hadBlanks = !blanks.empty();
    SkipStep step = q([hadBlanks](State& st) { return skipLineRest(st, hadBlanks); });
    if (!q) return q.failure();
    blanks += step.text;
    step.text = std::move(blanks);
    return q.ok(std::move(step));
}

// One skipped line with its leading blanks (a nested opening line without its block).
Reply<SkipStep> skipOneLine(State& s) {
    static const auto line = droppingErrorsLeftBehind(readSkippedLine);
    return line(s);
}

// One step inside a nested block being skipped: its #else line (first branch only), its
// #end-if line, or one line of it.
Reply<SkipStep> skipNestedStep(State& s, bool inElse) {
    static const auto elseLine = stepOf(pElseLine, SkipAction::Else);
    static const auto endIfLine = stepOf(attempt(pEndIfLine), SkipAction::EndIf);
    Seq q(s);
    q(optionally(pLeaveInclude));
    if (!q) return q.failure();
    SkipStep step = inElse ? q(choice(endIfLine, skipOneLine)) : q(choice(elseLine, endIfLine, skipOneLine));
    if (!q) return q.failure();
    return q.ok(std::move(step));
}

// ---------------------------------------------------------------------------
// Blocks.

// Blocks open in taken branches; each costs a few C++ frames of the line step.
std::int64_t openBlocks = 0;

// The block loop from its first branch (inElse false) or its else-branch; the block's
// own #else and #end-if lines are tried before a line goes to the line step or skipper.
Reply<Text> condLoop(State& s, bool firstBranchTaken, bool inElse, Text out) {
    static const auto elseLine = stepOf(pElseLine, SkipAction::Else);
    static const auto endIfLine = stepOf(attempt(pEndIfLine), SkipAction::EndIf);
    Seq q(s);
    for (;;) {
        bool taken = inElse ? !firstBranchTaken : firstBranchTaken;
        auto line = stepOf([taken](State& st) { return pCondLine(st, taken); }, SkipAction::Line);
        SkipStep step = q([&](State& st) -> Reply<SkipStep> {
            Seq k(st);
            k(optionally(pLeaveInclude));
            if (!k) return k.failure();
            SkipStep v = inElse ? k(choice(endIfLine, line)) : k(choice(elseLine, endIfLine, line));
            if (!k) return k.failure();
            return k.ok(std::move(v));
        });
        if (!q) return q.failure();
        out += step.text;
        if (step.action == SkipAction::EndIf) return q.ok(std::move(out));
        if (step.action == SkipAction::Else) inElse = true;
    }
}

} // namespace

Reply<Text> pSkipLine(State& s) {
    Seq q(s);
    SkipStep first = q(skipOneLine);
    if (!q) return q.failure();
    if (first.action != SkipAction::OpenNested) return q.ok(std::move(first.text));
    Text out = std::move(first.text);
    std::vector<bool> inElse{false}; // one entry per nested block still open
    while (!inElse.empty()) {
        SkipStep step = q([&](State& st) { return skipNestedStep(st, inElse.back()); });
        if (!q) return q.failure();
        out += step.text;
        switch (step.action) {
        case SkipAction::Line: break;
        case SkipAction::OpenNested: inElse.push_back(false); break;
        case SkipAction::Else: inElse.back() = true; break;
        case SkipAction::EndIf: inElse.pop_back(); break;
        }
    }
    return q.ok(std::move(out));
}

Reply<Text> pCondBlock(State& s, bool firstBranchTaken) { return condLoop(s, firstBranchTaken, false, Text()); }

Reply<Text> pCondElseBlock(State& s, bool firstBranchTaken) {
    return condLoop(s, firstBranchTaken, true, Text());
}

Reply<Text> pCondLine(State& s, bool taken) { return taken ? pLineStep(s) : pSkipLine(s); }

ConditionalLevel::ConditionalLevel() { ++openBlocks; }
ConditionalLevel::~ConditionalLevel() { --openBlocks; }
bool ConditionalLevel::exhausted() noexcept { return openBlocks >= kMaxConditionalDepth; }

Reply<Text> pConditionalTooDeep(State& s) {
    auto r = pFail(s, MsgText::literal(msg::kConditionalTooDeep));
    return Failure{std::move(r.err), r.consumed};
}

Reply<Text> pIfdefDirective(State& s, bool isIfdef) {
    if (ConditionalLevel::exhausted()) return pConditionalTooDeep(s);
    ConditionalLevel level;
    // The directive's line is one unit up to its line end, so that a return from an
    // included file there leaves none of the line's pending errors behind.
    static const auto directiveLine = droppingErrorsLeftBehind([](State& st) -> Reply<bool> {
        Seq q(st);
        q(nbsp);
        if (!q) return q.failure();
        q(manySkip(nbsp));
        if (!q) return q.failure();
        Text name = q(pRestOfLineSubst);
        if (!q) return q.failure();
        name += q(pTrailingBlanks);
        if (!q) return q.failure();
        bool found = lookupSubstVar(st.st(), stripSpaces(name)).has_value();
        q(pDirectiveLineEnd);
        if (!q) return q.failure();
        return q.ok(found);
    });
    Seq q(s);
    bool found = q(directiveLine);
    if (!q) return q.failure();
    Text out = q([branch = found == isIfdef](State& st) { return condLoop(st, branch, false, Text(U"\n")); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

} // namespace zarnet
