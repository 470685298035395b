// The SQR expression grammar: operators, operands and whole expressions, read into a text
// that rewrites the expression (operands as written, numbers in their floating-point form,
// infix operators in the display form " <op> "). Nothing is computed. The LET, IF and WHILE
// statement parsers and array-element indexes read their expressions here.
#pragma once

#include "core/Parser.h"

#include <vector>

namespace zarnet::sqr {

// Parentheses, prefix operators, function calls and array indexes nest through pExpr; one
// nested deeper than this fails with a parse error instead of exhausting the stack.
inline constexpr int kMaxExpressionDepth = 200;

// Infix operator families; each yields the operator text ("And", "Or", "Xor" for the bit
// operators however they were written), skips the blanks after it and fails clean.
Reply<Text> pArithmeticOp(State& s);
Reply<Text> pRelOp(State& s);
Reply<Text> pTextOp(State& s);
Reply<Text> pBitOp(State& s);
// The four families in order; yields the display form " <op> ". Fails clean.
Reply<Text> pBinaryOp(State& s);
// "-", "+" or "Not" (as written), then blanks. A partial "Not" fails after consuming.
Reply<Text> pUnaryOp(State& s);

// One expression: an operand, then any number of infix operators each followed by an
// operand, read iteratively; the blanks after it are skipped. A backtracking unit: it never
// fails after consuming input, and a failed attempt keeps no variable use.
Reply<Text> pExpr(State& s);
// One operand, then blanks. Never fails after consuming input.
Reply<Text> pTerm(State& s);
// A number or a quoted text. Never fails after consuming input.
Reply<Text> pLiteral(State& s);
// A name, "(", the arguments and ")": "name(arg, arg)". Never fails after consuming input.
Reply<Text> pFunctionCall(State& s);
// Letters, digits and "_", as written; skips no blanks.
Reply<Text> pFunctionName(State& s);
// Expressions separated by ","; possibly none. A comma with no expression after it fails
// the whole list, without consuming input.
Reply<std::vector<Text>> pArgs(State& s);
// A "#" variable (its use recorded) or a number literal.
Reply<Text> pVarOrNumLiteral(State& s);

// Parses the text as one expression from line 1, column 1 of an unnamed source, with the
// initial parser state, and writes the expression text in quoted form (or the parse error)
// and a line end to the console's standard output. What follows the expression is ignored.
void runExpr(const Text& input);

} // namespace zarnet::sqr
