// Conditional blocks of the first pass (#if, #ifdef, #ifndef with #else and #end-if): the
// taken branch goes through the line step, the other through the skipper.
#pragma once

#include "core/Parser.h"

#include <cstdint>

namespace zarnet {

// Blocks in taken branches nest through the line step, one level of C++ calls each; a
// block nested deeper than this ends the run with an error instead of exhausting the stack.
// It lies below the line step's own bound, so that a deep #if nest is named as such.
inline constexpr std::int64_t kMaxConditionalDepth = 100;

// Held by a directive while its block runs: counts the blocks open in taken branches.
class ConditionalLevel {
public:
    explicit ConditionalLevel(const State& s);
    ~ConditionalLevel();
    ConditionalLevel(const ConditionalLevel&) = delete;
    ConditionalLevel& operator=(const ConditionalLevel&) = delete;
    // True when one more open block would pass kMaxConditionalDepth.
    static bool exhausted(const State& s);

private:
    std::int64_t& openBlocks_;
};
// The failure for a block nested too deeply, raised right after its directive's keyword.
Reply<Text> pConditionalTooDeep(State& s);

// One skipped line of a branch not taken: its leading blanks and its line end; a line
// that opens a nested block is skipped with that whole block. Nothing takes effect.
Reply<Text> pSkipLine(State& s);

// The block's lines through its #end-if line, the first branch taken when the flag is set.
Reply<Text> pCondBlock(State& s, bool firstBranchTaken);
// pSkipLine and pCondBlock without the direct paths for common lines (the reference that
// the direct paths must agree with); taken lines still go through the line step.
Reply<Text> pSkipLineInFull(State& s);
Reply<Text> pCondBlockInFull(State& s, bool firstBranchTaken);
// The else-branch through the #end-if line; the flag is that of the first branch.
Reply<Text> pCondElseBlock(State& s, bool firstBranchTaken);
// One line of a branch: the line step when taken, the skipper otherwise.
Reply<Text> pCondLine(State& s, bool taken);

// After "#ifdef" (flag true) or "#ifndef" (flag false): the name, looked up in the
// substitution table, and the block. Result "\n" and the block's text.
Reply<Text> pIfdefDirective(State& s, bool isIfdef);
// The same without the direct paths of its line and block.
Reply<Text> pIfdefDirectiveInFull(State& s, bool isIfdef);

} // namespace zarnet
