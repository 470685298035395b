#include "sqr/Program.h"

#include "preprocessor/Preprocessor.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/Commands.h"
#include "sqr/Declare.h"
#include "sqr/Lexical.h"
#include "sqr/Paragraphs.h"
#include "sqr/Procedures.h"
#include "sqr/Reserved.h"
#include "sqr/SetupBlocks.h"
#include "sqr/SqrParser.h"
#include "sqr/Statements.h"

namespace zarnet::sqr {

Reply<Text> commandWord(State& s, TextView keyword) { return command(s, keyword); }
Reply<Unit> closingLine(State& s, TextView keyword) { return pSectionEndLine(s, keyword); }
Reply<Unit> whiteSpace(State& s) { return spaces(s); }

namespace {

// Tries the alternatives in order, each only after the one before failed without
// consuming; restores the state between them and merges their errors.
template <class... Ps> Reply<Unit> firstOf(State& s, Ps... ps) {
    const State before = s;
    ParseError err;
    bool first = true;
    bool decided = false;
    Reply<Unit> out;
    auto tryOne = [&](auto& p) {
        if (decided) return;
        Reply<Unit> r = p(s);
        if (r.ok || r.consumed) {
            if (!r.consumed && !first) r.err = mergeError(err, r.err);
            out = std::move(r);
            decided = true;
            return;
        }
        s = before;
        err = first ? std::move(r.err) : mergeError(err, r.err);
        first = false;
    };
    (tryOne(ps), ...);
    if (decided) return out;
    return emptyError(std::move(err));
}

template <class P> auto lexemeUnit(P p) {
    return [p](State& s) -> Reply<Unit> {
        Seq q(s);
        q(p);
        if (!q) return q.failure();
        q(spaces);
        return q.ok();
    };
}

Reply<Unit> lineCount(State& s) {
    static const auto digits = lexeme(manySkip(digit()));
    Seq q(s);
    q(digit());
    if (!q) return q.failure();
    q(digits);
    return q.ok();
}

} // namespace

Reply<Unit> pProgramLine(State& s, ParagraphMemo* memo) {
    auto paragraph = [memo](State& st) { return pAnyParagraph(st, memo); };
    return firstOf(s, paragraph, pAnyStatement);
}

Reply<Unit> pSetupSectionLine(State& s, ParagraphMemo* memo) {
    auto declareVariable = lexemeUnit([](State& st) { return pDeclareVariable(st); });
    auto otherDeclare = lexemeUnit([memo](State& st) { return pOtherDeclare(st, memo); });
    auto paragraph = [memo](State& st) { return pAnyParagraph(st, memo); };
    return firstOf(s, declareVariable, otherDeclare, paragraph, pAnyStatement);
}

Reply<Unit> pSetup(State& s, ParagraphMemo* memo) {
    return section(s, kwBeginSetup, kwEndSetup, [memo](State& st) { return pSetupSectionLine(st, memo); });
}
Reply<Unit> pProgram(State& s, ParagraphMemo* memo) {
    return section(s, kwBeginProgram, kwEndProgram, [memo](State& st) { return pProgramLine(st, memo); });
}
Reply<Unit> pReport(State& s, ParagraphMemo* memo) {
    return section(s, kwBeginReport, kwEndReport, [memo](State& st) { return pProgramLine(st, memo); });
}

Reply<Unit> pHeadingLines(State& s) { return lineCount(s); }
Reply<Unit> pFootingLines(State& s) { return lineCount(s); }

namespace {

// The body of a HEADING or FOOTING section, up to its closing line.
Reply<Unit> headingBody(State& s, TextView end, ParagraphMemo* memo) {
    return bodyUntilClosingLine(s, end, [memo](State& st) { return pProgramLine(st, memo); });
}

Reply<Unit> headingSection(State& s, TextView begin, TextView end, ParagraphMemo* memo) {
    Seq q(s);
    q(command(begin));
    if (!q) return q.failure();
    q(lineCount);
    if (!q) return q.failure();
    q([end, memo](State& st) { return headingBody(st, end, memo); });
    if (!q) return q.failure();
    return q.ok();
}

} // namespace

Reply<Unit> pHeadingBody(State& s, ParagraphMemo* memo) { return headingBody(s, kwEndHeading, memo); }
Reply<Unit> pFootingBody(State& s, ParagraphMemo* memo) { return headingBody(s, kwEndFooting, memo); }

Reply<Unit> pHeadingRest(State& s, ParagraphMemo* memo) {
    Seq q(s);
    q(lineCount);
    if (!q) return q.failure();
    q([memo](State& st) { return pHeadingBody(st, memo); });
    if (!q) return q.failure();
    return q.ok();
}
Reply<Unit> pFootingRest(State& s, ParagraphMemo* memo) {
    Seq q(s);
    q(lineCount);
    if (!q) return q.failure();
    q([memo](State& st) { return pFootingBody(st, memo); });
    if (!q) return q.failure();
    return q.ok();
}

Reply<Unit> pHeading(State& s, ParagraphMemo* memo) { return headingSection(s, kwBeginHeading, kwEndHeading, memo); }
Reply<Unit> pFooting(State& s, ParagraphMemo* memo) { return headingSection(s, kwBeginFooting, kwEndFooting, memo); }

Reply<Unit> pSection(State& s, ParagraphMemo* memo) {
    // Fast path: where a procedure begins, the SETUP alternative before it fails without
    // trace, and a procedure read with its own fast path is the outcome when it succeeds
    // after consuming.
    if (fastPathsOn(s) && !keywordAbsent(s, kwBeginProcedure)) {
        const State before = s;
        Reply<Unit> r = lexemeUnit([memo](State& x) { return pProcedureQuick(x, memo); })(s);
        if (r.ok && r.consumed) return r;
        s = before;
    }
    // A procedure that fails is undone as a whole, and the line is offered to the other
    // section kinds (which refuse it, so the procedure's own error is reported).
    auto procedure = [memo](State& st) -> Reply<Unit> {
        const State before = st;
        Reply<Unit> r = lexemeUnit([memo](State& x) { return pProcedure(x, memo); })(st);
        if (r.ok) return r;
        st = before;
        return emptyError(std::move(r.err));
    };
    return firstOf(
        s, [memo](State& st) { return pSetup(st, memo); }, procedure,
        [memo](State& st) { return pProgram(st, memo); }, [memo](State& st) { return pReport(st, memo); },
        lexemeUnit([memo](State& st) { return pHeading(st, memo); }),
        lexemeUnit([memo](State& st) { return pFooting(st, memo); }));
}

Reply<UserState> pEndOfInput(State& s) {
    Seq q(s);
    q(eof);
    if (!q) return q.failure();
    return q.ok(s.user);
}

Reply<UserState> pSections(State& s, ParagraphMemo* memo) {
    Seq q(s);
    for (;;) {
        // Nothing before a section is read again once the section begins.
        secondPassReadUpTo(s);
        const State before = s;
        Reply<Unit> r = pSection(s, memo);
        if (r.ok) {
            q.take(std::move(r));
            continue;
        }
        if (r.consumed) {
            q.take(std::move(r));
            return q.failure();
        }
        s = before;
        q.take(okReply(false, Unit{}, std::move(r.err)));
        break;
    }
    q(spaces);
    UserState u = q(pEndOfInput);
    if (!q) return q.failure();
    return q.ok(std::move(u));
}

Reply<UserState> pSqrProgramBody(State& s, ParagraphMemo* memo) {
    Seq q(s);
    q(spaces);
    UserState u = q([memo](State& st) { return pSections(st, memo); });
    if (!q) return q.failure();
    return q.ok(std::move(u));
}

Reply<UserState> pSqrProgram(State& s) {
    ParagraphMemo memo;
    Seq q(s);
    q(setBuiltinVariables);
    UserState u = q([&memo](State& st) { return pSqrProgramBody(st, &memo); });
    if (!q) return q.failure();
    return q.ok(std::move(u));
}

Reply<Text> pSqrSecondPass(State& s) {
    Reply<UserState> r = pSqrProgram(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, Text(), std::move(r.err));
}

} // namespace zarnet::sqr
