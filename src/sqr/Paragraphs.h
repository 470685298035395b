// BEGIN-SELECT and BEGIN-SQL paragraphs: the lines up to the paragraph's END line are read
// as statement lines, so that the variables of the SQL text are recorded as uses. A
// paragraph that does not close is undone as a whole.
#pragma once

#include "core/Parser.h"

#include <cstddef>
#include <unordered_map>

namespace zarnet::sqr {

// Places from which reading a paragraph body is known to fail, kept for one program run.
// Reading a body is a function of the place alone (the parser state only decides where
// uses are recorded), so a later paragraph that reaches such a place can stop there: n
// paragraphs that never close then cost one reading of the text, not n.
class ParagraphMemo {
public:
    enum Kind { Sql = 0, Select = 1 };
    const ParseError* failureFrom(Kind kind, std::size_t place) const;
    void rememberFailure(Kind kind, std::size_t place, const ParseError& err);

private:
    std::unordered_map<std::size_t, ParseError> failed_[2];
};

// One BEGIN-SQL or BEGIN-SELECT paragraph and the white space after it; a unit (a failure
// consumes nothing and records nothing). The memo may be null.
Reply<Unit> pAnyParagraph(State& s, ParagraphMemo* memo);
inline Reply<Unit> pAnyParagraph(State& s) { return pAnyParagraph(s, nullptr); }

// One paragraph of the kind "SQL" or "SELECT" (not a unit by itself).
Reply<Unit> paragraph(State& s, TextView kind, ParagraphMemo* memo);

// One line inside a paragraph: a statement line.
Reply<Unit> pParagraphLine(State& s);

} // namespace zarnet::sqr
