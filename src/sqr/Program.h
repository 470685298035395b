// The top level of an SQR program: the reserved variables, then sections of six kinds
// (SETUP, PROCEDURE, PROGRAM, REPORT, HEADING, FOOTING) in any number and order, and
// nothing but white space after the last.
#pragma once

#include "core/Parser.h"
#include "sqr/Commands.h"

namespace zarnet::sqr {

class ParagraphMemo;

// The whole program; result the parser state at the end of the input, from whose scope
// map and procedure map the report is built.
Reply<UserState> pSqrProgram(State& s);
// Leading white space, then the sections.
Reply<UserState> pSqrProgramBody(State& s, ParagraphMemo* memo);
// All sections, the white space after them and the end of the input.
Reply<UserState> pSections(State& s, ParagraphMemo* memo);
// The end of the input; result the parser state there.
Reply<UserState> pEndOfInput(State& s);
// One section of any kind; fails clean when no section begins here. The memo may be null.
Reply<Unit> pSection(State& s, ParagraphMemo* memo);

// A section frame: the opening keyword (a command word), body lines up to the closing
// line (tried before every line), and the white space after it. Text after the closing
// keyword on its line is skipped.
template <class Line> Reply<Unit> section(State& s, TextView begin, TextView end, Line bodyLine);

Reply<Unit> pSetup(State& s, ParagraphMemo* memo);
Reply<Unit> pProgram(State& s, ParagraphMemo* memo);
Reply<Unit> pReport(State& s, ParagraphMemo* memo);
Reply<Unit> pHeading(State& s, ParagraphMemo* memo);
Reply<Unit> pFooting(State& s, ParagraphMemo* memo);
// The line count and the body of a HEADING (FOOTING) section.
Reply<Unit> pHeadingRest(State& s, ParagraphMemo* memo);
Reply<Unit> pFootingRest(State& s, ParagraphMemo* memo);
// One or more digits and the white space after them.
Reply<Unit> pHeadingLines(State& s);
Reply<Unit> pFootingLines(State& s);
Reply<Unit> pHeadingBody(State& s, ParagraphMemo* memo);
Reply<Unit> pFootingBody(State& s, ParagraphMemo* memo);

// One body line of the SETUP section: DECLARE-VARIABLE, another declaration block, a
// paragraph or a statement line.
Reply<Unit> pSetupSectionLine(State& s, ParagraphMemo* memo);
// One body line of the PROGRAM, REPORT, HEADING and FOOTING sections: a paragraph or a
// statement line; fails clean.
Reply<Unit> pProgramLine(State& s, ParagraphMemo* memo);

// --- template definitions -------------------------------------------------------------------

Reply<Text> commandWord(State& s, TextView keyword);
Reply<Unit> closingLine(State& s, TextView keyword);
Reply<Unit> whiteSpace(State& s);
template <class Line> Reply<Unit> bodyUntilClosingLine(State& s, TextView end, Line bodyLine) {
    return linesUntil(s, end, [end](State& st) { return closingLine(st, end); }, bodyLine);
}

template <class Line> Reply<Unit> section(State& s, TextView begin, TextView end, Line bodyLine) {
    Seq q(s);
    q.take(commandWord(s, begin));
    if (!q) return q.failure();
    q.take(bodyUntilClosingLine(s, end, bodyLine));
    if (!q) return q.failure();
    q(whiteSpace);
    return q.ok();
}

} // namespace zarnet::sqr
