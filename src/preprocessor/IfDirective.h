// The #if directive: a comparison of two operands, each read as a number when it is one
// and otherwise as an upper-cased text, choosing the branch of a conditional block.
#pragma once

#include "core/Parser.h"

#include <optional>
#include <utility>

namespace zarnet {

// A character that can stand in a bare operand: anything but "!", line breaks, tab,
// blank, "=", "<" and ">".
bool isOperandChar(char32_t c) noexcept;
// One operand character; result that character as a text.
Reply<Text> pOperandChar(State& s);

// One row of the operator table.
struct CompareOp {
    TextView text; // a literal
    bool (*holds)(const PPValue&, const PPValue&) = nullptr;
};
// Matches the whole operator text or consumes nothing.
Reply<CompareOp> pCompareOp(State& s, const CompareOp& row);
// The first row of the table that matches: "=", "!!=", "!=", "<>", "<=", ">=", "<", ">".
Reply<CompareOp> pCompareOperator(State& s);

// The upper-cased text and, when the whole text reads as a number, that number.
std::pair<Text, std::optional<double>> readPPValue(TextView t);
PPValue mkPPValue(TextView t);
// The value of the substitution variable that the operand names, else the operand.
Reply<Text> pOperandValue(State& s, const Text& operand);

// Given the left operand: the operator, the right operand, and the comparison's result.
Reply<bool> evalCondition(State& s, const Text& left);

// After the "#if" keyword: the condition, the line end and the block. Result "\n" and the
// block's text.
Reply<Text> pIfDirective(State& s);
// Parses the condition text on its own, then ends the #if line and runs the block.
Reply<Text> pIfComparison(State& s, const Text& condition);

} // namespace zarnet
