#include "LeaveInclude.h"

namespace zarnet {

Reply<Unit> pLeaveInclude(State& s) {
    Seq q(s);
    q(eof);
    if (!q) return q.failure();
    // One level per round: an including file whose text has ended as well is left too.
    // A loop, not recursion, however deep the includes were.
    for (;;) {
        if (s.st().context.empty()) break;
        const Context top = s.st().context.front();
        s.cur = top.ctxInpBegin;
        s.end = top.ctxInpEnd;
        s.pos = top.ctxPos;
        s.modify([&top](ParserState& p) {
            p.context = p.context.tail();
            p.sourceNameStack =
                p.sourceNameStack.push(SourceSwitch{p.sequenceNo, top.ctxPos.sourceName.text(), top.ctxPos.sourceLine});
        });
        q.take(okReply(false, Unit{}, unknownError(s.pos)));
        // The next round is optional: input that remains ends the returns.
        State saved = s;
        Reply<Unit> more = eof(s);
        if (!more.ok) {
            s = saved;
            q.take(okReply(false, Unit{}, std::move(more.err)));
            break;
        }
        q.take(std::move(more));
    }
    return q.ok();
}

} // namespace zarnet
