// Ordinary lines, and the ASK and END-SETUP lines met outside a BEGIN-SETUP section.
#pragma once

#include "core/Parser.h"

#include <optional>

namespace zarnet {

// An ASK line outside a setup section: fails after consuming (the run ends).
Reply<Text> pAskOutOfPlace(State& s);
// An END-SETUP line outside a setup section: fails after consuming (the run ends).
Reply<Text> pEndSetupOutOfPlace(State& s);
// A comment-only line ("\n") or a line of text with its references substituted, then its
// line end ("\n"). Fails clean when no text can begin here.
Reply<Text> pOrdinaryLine(State& s);
// The same with the text appended to out; after a failure out is as it was.
Reply<Unit> pOrdinaryLineInto(State& s, Text& out);
// Its direct path alone, for a line of text that starts with a token: then its outcome,
// which has always consumed. Otherwise nothing: s and out are untouched.
std::optional<Reply<Unit>> ordinaryLineDirect(State& s, Text& out);
// The same without the shortcuts for common lines (the reference they must agree with).
Reply<Text> pOrdinaryLineInFull(State& s);

} // namespace zarnet
