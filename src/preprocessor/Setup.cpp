#include "Setup.h"

#include "Ask.h"
#include "DirectiveKeywords.h"
#include "LeaveInclude.h"
#include "LineStep.h"
#include "PreprocessorRun.h"
#include "Substitution.h"

#include "core/ParserLib.h"

namespace zarnet {

namespace {

// The ASK unit: blanks, the keyword and the command, all or nothing. An ASK line is a line
// of its own: what its name and prompt substitute counts towards its own bound, not the
// bound of the line before it (the line step, which starts each other line's count, does
// not read it).
Reply<Text> askLine(State& s) {
    static const auto unit = attempt(droppingErrorsLeftBehind(seqKeep<2>(manySkip(nbsp), pAskKeyword, pAsk)));
    if (s.run) startSubstitutedLine(preprocessorRun(s));
    return unit(s);
}

} // namespace

Reply<Text> pBeginSetup(State& s, const Text& keyword) {
    return seqMap([&keyword](Text, Text lines) { return keyword + "\n" + lines; }, pDirectiveLineEnd, pSetupLines)(s);
}

// The section is read in a loop, one line per pass; it behaves as the recursion
// "optional pLeaveInclude, then the END-SETUP line or else a line and the rest of the
// section" would, pending errors included: a pass that reads nothing fails, and after
// earlier lines its error joins the pending error of the line before.
Reply<Text> pSetupLines(State& s) {
    static const auto leave = optionally(pLeaveInclude);
    Text out;
    bool consumed = false;
    ParseError before;
    for (;;) {
        Reply<Unit> left = leave(s);
        if (!left.ok) return Failure{std::move(left.err), consumed || left.consumed};
        const State afterLeave = s;
        Reply<Text> end = pEndSetupLine(s);
        if (end.consumed || end.ok) {
            if (!end.ok) return consumedError(std::move(end.err));
            out += end.value;
            ParseError pending = end.consumed ? std::move(end.err) : mergeError(left.err, end.err);
            return okReply(true, std::move(out), std::move(pending));
        }
        s = afterLeave;
        Reply<Text> line = pAskOrLine(s);
        if (line.consumed) {
            if (!line.ok) return consumedError(std::move(line.err));
            out += line.value;
            before = std::move(line.err);
            consumed = true;
            continue;
        }
        if (line.ok) manyAcceptsEmpty(); // a section line always consumes
        ParseError e = mergeError(left.err, mergeError(end.err, line.err));
        if (!consumed) return emptyError(std::move(e));
        return consumedError(mergeError(before, e));
    }
}

Reply<Text> pSetupLine(State& s) {
    static const auto restOfSection = seqMap([](Text line, Text rest) { return line + rest; }, pAskOrLine, pSetupLines);
    static const auto p = orElse(pEndSetupLine, restOfSection);
    return p(s);
}

Reply<Text> pAskOrLine(State& s) {
    static const auto p = orElse(askLine, pLineStep);
    return p(s);
}

} // namespace zarnet
