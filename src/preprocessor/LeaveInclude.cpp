#include "LeaveInclude.h"

namespace zarnet {

Reply<Unit> pLeaveInclude(State& s) {
    Reply<Unit> atEnd = eof(s);
    if (!atEnd.ok) return atEnd;
    ParseError pending = std::move(atEnd.err);
    // One level per round: an including file whose text has ended as well is left too.
    // A loop, not recursion, however deep the includes were.
    while (!s.st().context.empty()) {
        const Context top = s.st().context.front();
        s.cur = top.ctxInpBegin;
        s.end = top.ctxInpEnd;
        s.pos = top.ctxPos;
        s.modify([&top, seq = s.sequenceNo](ParserState& p) {
            p.context = p.context.tail();
            p.sourceNameStack =
                p.sourceNameStack.push(SourceSwitch{seq, top.ctxPos.sourceName.text(), top.ctxPos.sourceLine});
        });
        // What was expected at the end of the text left behind names a place the parse has
        // left for good; kept, it would outrank the errors of the resumed file whenever
        // the left file's name sorts after it.
        State saved = s;
        Reply<Unit> more = eof(s);
        pending = std::move(more.err);
        if (!more.ok) {
            // Input remains: the returns end here.
            s = saved;
            break;
        }
    }
    return okReply(false, Unit{}, std::move(pending));
}

} // namespace zarnet
