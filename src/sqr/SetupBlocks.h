// The declaration blocks of the SETUP section other than DECLARE-VARIABLE (DECLARE-CHART,
// DECLARE-LAYOUT, DECLARE-PRINTER, DECLARE-REPORT, ...). Their lines are not interpreted:
// the block is read over up to its END-DECLARE line, its lines as statement lines, so that
// their variable references are recorded like any other use.
#pragma once

#include "core/Parser.h"

namespace zarnet::sqr {

class ParagraphMemo;

// One block of any of the nine kinds; fails clean when the line opens none. The memo may
// be null.
Reply<Unit> pOtherDeclare(State& s, ParagraphMemo* memo);
inline Reply<Unit> pOtherDeclare(State& s) { return pOtherDeclare(s, nullptr); }
// The block of one kind, given its opening keyword ("DECLARE-LAYOUT", a literal).
Reply<Unit> pDeclareBlock(State& s, TextView keyword, ParagraphMemo* memo);
// The block after its opening keyword: its lines up to and including END-DECLARE.
Reply<Unit> pDeclareBlockRest(State& s, ParagraphMemo* memo);
Reply<Unit> pDeclareBlockBody(State& s, ParagraphMemo* memo);
// One line of a block: a paragraph, else a statement line; fails clean.
Reply<Unit> pDeclareBlockLine(State& s, ParagraphMemo* memo);

} // namespace zarnet::sqr
