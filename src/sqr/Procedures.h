// Procedure sections: BEGIN-PROCEDURE, the name, the header that makes a procedure local
// (a parameter list or LOCAL), its record and scope, an optional leading DECLARE-VARIABLE
// block, the body lines and END-PROCEDURE.
#pragma once

#include "core/Parser.h"

#include <utility>
#include <vector>

namespace zarnet::sqr {

class ParagraphMemo;

// One parameter of a procedure header: its record, its name as written (without sigil)
// and the position of its sigil.
struct ParamItem {
    Parameter parameter;
    Text writtenName;
    SourcePos position;
};
// What a header says: whether the procedure is local, and its parameters in written order.
using HeaderInfo = std::pair<bool, std::vector<ParamItem>>;

// --- procedure sections -------------------------------------------------------------------

// One procedure section and the white space after it. The memo may be null.
Reply<Unit> pProcedure(State& s, ParagraphMemo* memo);
inline Reply<Unit> pProcedure(State& s) { return pProcedure(s, nullptr); }
// pProcedure by the fast path: the tests that must fail without trace are skipped, which
// changes only the error of an outcome that is not a success after consuming: keep its
// result only then, and otherwise run pProcedure.
Reply<Unit> pProcedureQuick(State& s, ParagraphMemo* memo);
// The name after BEGIN-PROCEDURE (as written, "!!" giving "!") and the white space after it.
Reply<Text> pProcedureName(State& s);
// "!!", giving one "!".
Reply<char32_t> pDoubledBang(State& s);
// Everything after the BEGIN-PROCEDURE keyword: name, header, record, scope, leading
// declarations, parameter uses, body.
Reply<Unit> pProcedureHeader(State& s, ParagraphMemo* memo);
// DECLARE-VARIABLE in a procedure that is not local: fails with "(SQR 7207)"; without the
// keyword fails clean. Never succeeds.
Reply<Unit> pDeclareOnlyLocal(State& s);
// The body lines up to and including END-PROCEDURE; then the global scope again.
Reply<Unit> pProcedureRest(State& s, ParagraphMemo* memo);
Reply<Unit> pProcedureBody(State& s, ParagraphMemo* memo);
// One body line: a misplaced DECLARE-VARIABLE ("(SQR 7208)"), a paragraph or a statement.
Reply<Unit> pProcedureLine(State& s, ParagraphMemo* memo);

// --- headers ---------------------------------------------------------------------------------

// "(" parameters ")": local, with its parameters.
Reply<HeaderInfo> pParenParameters(State& s);
// The keyword LOCAL: local, no parameters. Fails clean.
Reply<HeaderInfo> pLocalKeyword(State& s);
// Nothing: not local, no parameters.
Reply<HeaderInfo> pNoParameters(State& s);
// Parameters separated by "," or a line end, one comma allowed after the last. Never fails.
Reply<std::vector<ParamItem>> pParameterList(State& s);
// An optional ":" (call by reference), then the parameter name; a unit.
Reply<ParamItem> pParameter(State& s);
// The sigil and the name, then plain blanks.
Reply<ParamItem> pParameterName(State& s, CallType callType);
// "," then blanks, as a unit.
Reply<Unit> pParameterSep(State& s);

} // namespace zarnet::sqr
