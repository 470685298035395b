#include "preprocessor/Conditional.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/LeaveInclude.h"
#include "preprocessor/PreprocessorRun.h"
#include "preprocessor/LineEnd.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/LineStep.h"
#include "preprocessor/Substitution.h"

#include <optional>
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
Reply<SkipStep> skipOneLineInFull(State& s) {
    static const auto line = droppingErrorsLeftBehind(readSkippedLine);
    return line(s);
}

// The direct path of skipOneLine, for a line that blanks and a line break make up, or
// that goes on to a line break with text that is no #else or #end-if keyword and either
// no "#if" or an opening "#if", "#ifdef" or "#ifndef" followed by white space. Such a line
// is not at the end of the input, so no include is left; the choice in skipLineRest takes
// the blank line, the opening line or the other line, whose line end consumes a line break
// and so leaves nothing pending but an empty error after it. Any other line is left to
// the grammar, having been only looked at.
std::optional<Reply<SkipStep>> skipOneLineDirect(State& s) {
    const char* const end = s.end;
    if (s.cur == end) return std::nullopt;
    const char* const p = blanksFrom(s.cur, end);
    Text text(s.cur, p);
    if (isLineBreakAt(p, end)) {
        // A blank line keeps its line break as written.
        appendRange(text, p, *p == U'\r' ? p + 2 : p + 1);
        advanceWithinLine(s, p);
        advanceOverLineBreak(s);
        incrementSequenceNo(s);
        return okReply(true, SkipStep{std::move(text), SkipAction::Line}, unknownError(s.pos));
    }
    if (p == end || *p == U'\n' || *p == U'\r') return std::nullopt;
    SkipAction action = SkipAction::Line;
    if (*p == U'#') {
        if (keywordCIAt(p, end, "#if")) {
            const char* q = p + 3;
            if (keywordCIAt(q, end, "ndef"))
                q += 4;
            else if (keywordCIAt(q, end, "def"))
                q += 3;
            if (q == end || !isWhiteSpace(decodeAt(q))) return std::nullopt;
            action = SkipAction::OpenNested;
        } else if (elseKeywordMayStandAt(p, end) || endIfKeywordMayStandAt(p, end)) {
            return std::nullopt;
        }
    }
    const char* const lineEnd = lineCharsEnd(p, end);
    if (!isLineBreakAt(lineEnd, end)) return std::nullopt;
    text += '\n';
    advanceWithinLine(s, lineEnd);
    advanceOverLineBreak(s);
    incrementSequenceNo(s);
    return okReply(true, SkipStep{std::move(text), action}, unknownError(s.pos));
}

template <bool Direct> Reply<SkipStep> skipOneLine(State& s) {
    if constexpr (Direct) {
        if (std::optional<Reply<SkipStep>> r = skipOneLineDirect(s)) return std::move(*r);
    }
    return skipOneLineInFull(s);
}

// One step of a block loop, the block's own or that of a nested block being skipped: the
// return from finished include files, then the block's #else line (first branch only), its
// #end-if line, or one line through `line`.
template <bool Direct, class L> Reply<SkipStep> blockStepInFull(State& s, bool inElse, const L& line) {
    static const auto elseLine = stepOf(Direct ? pElseLine : pElseLineInFull, SkipAction::Else);
    static const auto endIfLine = stepOf(attempt(Direct ? pEndIfLine : pEndIfLineInFull), SkipAction::EndIf);
    Seq q(s);
    q(optionally(pLeaveInclude));
    if (!q) return q.failure();
    SkipStep step = inElse ? q(choice(endIfLine, line)) : q(choice(elseLine, endIfLine, line));
    if (!q) return q.failure();
    return q.ok(std::move(step));
}

// blockStepInFull with shortcuts. Away from the end of the input no include is left, and
// an alternative whose keyword cannot stand after the blanks fails without any effect; so
// the first alternative that may match decides when it consumes, its reply being the
// step's. Only an outcome without consuming, which merges the errors of the alternatives
// tried before, goes through the grammar, with the reply already computed put in place.
template <class L> Reply<SkipStep> blockStep(State& s, bool inElse, const L& line) {
    if (s.atEnd()) return blockStepInFull<true>(s, inElse, line);
    const char* const p = blanksFrom(s.cur, s.end);
    const State saved = s;
    Reply<SkipStep> r;
    if (!inElse && elseKeywordMayStandAt(p, s.end)) {
        r = stepOf(pElseLine, SkipAction::Else)(s);
        if (r.consumed) return r;
        // A clean failure of the line, which has no effect: the grammar tries it again.
        s = saved;
        return blockStepInFull<true>(s, inElse, line);
    }
    if (endIfKeywordMayStandAt(p, s.end)) {
        r = stepOf(attempt(pEndIfLine), SkipAction::EndIf)(s);
        if (r.consumed) return r;
        s = saved;
        return blockStepInFull<true>(s, inElse, line);
    }
    r = line(s);
    if (r.consumed) return r;
    const State after = s;
    s = saved;
    return blockStepInFull<true>(s, inElse, [&r, &after](State& st) {
        st = after;
        return r;
    });
}

template <bool Direct> Reply<SkipStep> skipNestedStep(State& s, bool inElse) {
    if constexpr (Direct) return blockStep(s, inElse, skipOneLine<true>);
    else return blockStepInFull<false>(s, inElse, skipOneLine<false>);
}

// ---------------------------------------------------------------------------
// Blocks.


template <bool Direct> Reply<Text> skipLine(State& s) {
    Seq q(s);
    SkipStep first = q(skipOneLine<Direct>);
    if (!q) return q.failure();
    if (first.action != SkipAction::OpenNested) return q.ok(std::move(first.text));
    Text out = std::move(first.text);
    std::vector<bool> inElse{false}; // one entry per nested block still open
    while (!inElse.empty()) {
        SkipStep step = q([&](State& st) { return skipNestedStep<Direct>(st, inElse.back()); });
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

// A line of a block that a direct path read whole: its outcome (which has always consumed)
// and what it was.
struct BlockLine {
    Reply<Unit> reply;
    SkipAction action;
};

// The step of blockStep where the line's direct path takes it whole (a taken line for the
// line step; a skipped line that opens no nested block; an #else or #end-if line), its text
// appended to out; otherwise nothing, s and out untouched. As in blockStep, the #else
// keyword is looked for before the #end-if keyword, and both before any other line, and
// neither after blanks and a line break. Away from the end of the input no include is left.
std::optional<BlockLine> blockBodyLineDirect(State& s, bool inElse, bool taken, Text& out) {
    if (s.atEnd()) return std::nullopt;
    const char* const p = blanksFrom(s.cur, s.end);
    if (!inElse && elseKeywordMayStandAt(p, s.end)) {
        std::optional<Reply<Text>> r = elseLineDirect(s);
        if (!r) return std::nullopt;
        if (r->ok) out += r->value;
        return BlockLine{Reply<Unit>{Unit{}, std::move(r->err), true, r->ok}, SkipAction::Else};
    }
    if (endIfKeywordMayStandAt(p, s.end)) {
        std::optional<Reply<Text>> r = endIfLineDirect(s);
        if (!r) return std::nullopt;
        if (r->ok) out += r->value;
        return BlockLine{Reply<Unit>{Unit{}, std::move(r->err), true, r->ok}, SkipAction::EndIf};
    }
    if (taken) {
        std::optional<Reply<Unit>> r = pDirectLineStepInto(s, out);
        if (!r) return std::nullopt;
        return BlockLine{std::move(*r), SkipAction::Line};
    }
    // A skipped line that skipOneLineDirect takes and that opens no block.
    if (p != s.end && *p == U'#' && keywordCIAt(p, s.end, "#if")) return std::nullopt;
    std::optional<Reply<SkipStep>> r = skipOneLineDirect(s);
    if (!r) return std::nullopt;
    out += r->value.text;
    return BlockLine{Reply<Unit>{Unit{}, std::move(r->err), true, r->ok}, SkipAction::Line};
}

// The block loop from its first branch (inElse false) or its else-branch; the block's
// own #else and #end-if lines are tried before a line goes to the line step or skipper.
template <bool Direct> Reply<Text> condLoop(State& s, bool firstBranchTaken, bool inElse, Text out) {
    Seq q(s);
    for (;;) {
        const bool taken = inElse ? !firstBranchTaken : firstBranchTaken;
        if constexpr (Direct) {
            // The steps blockStep takes where their lines' direct paths read them whole,
            // without saving the state, their text appended where it goes.
            if (std::optional<BlockLine> line = blockBodyLineDirect(s, inElse, taken, out)) {
                q.take(std::move(line->reply));
                if (!q) return q.failure();
                if (line->action == SkipAction::EndIf) return q.ok(std::move(out));
                if (line->action == SkipAction::Else) inElse = true;
                continue;
            }
        }
        const auto line = [taken](State& st) -> Reply<SkipStep> {
            Reply<Text> r = taken ? pLineStep(st) : skipLine<Direct>(st);
            return Reply<SkipStep>{SkipStep{std::move(r.value), SkipAction::Line}, std::move(r.err), r.consumed, r.ok};
        };
        SkipStep step = Direct ? q([&](State& st) { return blockStep(st, inElse, line); })
                               : q([&](State& st) { return blockStepInFull<false>(st, inElse, line); });
        if (!q) return q.failure();
        out += step.text;
        if (step.action == SkipAction::EndIf) return q.ok(std::move(out));
        if (step.action == SkipAction::Else) inElse = true;
    }
}

// The #ifdef / #ifndef line after its keyword. Result: whether the name has a value.
Reply<bool> ifdefLineInFull(State& st) {
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
}

// The direct path of the #ifdef / #ifndef line, for the line it is almost always given:
// blanks, the name's tokens and a line tail, ended by a line break. There the grammar reads
// the name as the token grammar does, looks it up, and ends with pEndOfLine, whose consumed
// line break drops every error pending before it and crosses no file switch; so the
// result is pEndOfLine's. Any other line is left to the grammar, having been only looked at.
std::optional<Reply<bool>> ifdefLineDirect(State& s) {
    const char* const end = s.end;
    const char* const nameBegin = blanksFrom(s.cur, end);
    if (nameBegin == s.cur) return std::nullopt;
    const char* const nameEnd = nameBegin + substTokensLength(TextView(nameBegin, std::size_t(end - nameBegin)));
    if (nameEnd == nameBegin) return std::nullopt;
    const char* const tail = lineTailEnd(nameEnd, end);
    if (!tail || !isLineBreakAt(tail, end)) return std::nullopt;
    advanceWithinLine(s, nameBegin);
    Text name;
    substTokensDirect(s, name);
    const bool found = lookupSubstVar(s.st(), stripSpaces(name)).has_value();
    advanceWithinLine(s, tail);
    Reply<Text> nl = pEndOfLine(s);
    return okReply(true, found, std::move(nl.err));
}

template <bool Direct> Reply<Text> ifdefDirective(State& s, bool isIfdef) {
    if (ConditionalLevel::exhausted(s)) return pConditionalTooDeep(s);
    ConditionalLevel level(s);
    // The directive's line is one unit up to its line end, so that a return from an
    // included file there leaves none of the line's pending errors behind.
    static const auto directiveLine = droppingErrorsLeftBehind(ifdefLineInFull);
    Seq q(s);
    std::optional<Reply<bool>> direct;
    if constexpr (Direct) direct = ifdefLineDirect(s);
    bool found = direct ? q.take(std::move(*direct)) : q(directiveLine);
    if (!q) return q.failure();
    Text out = q([branch = found == isIfdef](State& st) { return condLoop<Direct>(st, branch, false, Text("\n")); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

} // namespace

Reply<Text> pSkipLine(State& s) { return fastPathsOn(s) ? skipLine<true>(s) : skipLine<false>(s); }
Reply<Text> pSkipLineInFull(State& s) { return plainGrammar(s, pSkipLine); }

Reply<Text> pCondBlock(State& s, bool firstBranchTaken) {
    return fastPathsOn(s) ? condLoop<true>(s, firstBranchTaken, false, Text())
                          : condLoop<false>(s, firstBranchTaken, false, Text());
}
Reply<Text> pCondBlockInFull(State& s, bool firstBranchTaken) {
    return plainGrammar(s, [firstBranchTaken](State& st) { return pCondBlock(st, firstBranchTaken); });
}

Reply<Text> pCondElseBlock(State& s, bool firstBranchTaken) {
    return fastPathsOn(s) ? condLoop<true>(s, firstBranchTaken, true, Text())
                          : condLoop<false>(s, firstBranchTaken, true, Text());
}

Reply<Text> pCondLine(State& s, bool taken) { return taken ? pLineStep(s) : pSkipLine(s); }

ConditionalLevel::ConditionalLevel(const State& s) : openBlocks_(preprocessorRun(s).openBlocks) { ++openBlocks_; }
ConditionalLevel::~ConditionalLevel() { --openBlocks_; }
bool ConditionalLevel::exhausted(const State& s) { return preprocessorRun(s).openBlocks >= kMaxConditionalDepth; }

Reply<Text> pConditionalTooDeep(State& s) {
    auto r = pFail(s, MsgText::literal(msg::kConditionalTooDeep));
    return Failure{std::move(r.err), r.consumed};
}

Reply<Text> pIfdefDirective(State& s, bool isIfdef) {
    return fastPathsOn(s) ? ifdefDirective<true>(s, isIfdef) : ifdefDirective<false>(s, isIfdef);
}
Reply<Text> pIfdefDirectiveInFull(State& s, bool isIfdef) {
    return plainGrammar(s, [isIfdef](State& st) { return pIfdefDirective(st, isIfdef); });
}

} // namespace zarnet
