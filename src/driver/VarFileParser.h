// The variable file: one variable a line, global ("#CURR_SEQ_NO") or local to a procedure
// ("get_state_code $STATE_CD"); the rest of each line is ignored.
#pragma once

#include "core/Parser.h"
#include "driver/Options.h"

namespace zarnet::varfile {

using VarDef = std::pair<Scope, VarIdentifier>;

Reply<SuppressList> pVarFile(State& s);
Reply<VarDef> pVarDefLine(State& s);
Reply<VarDef> pGlobalVarDef(State& s);
Reply<VarDef> pLocalVarDef(State& s);
Reply<Scope> pProcName(State& s);
Reply<VarIdentifier> pVarName(State& s);
Reply<VarSymbol> pAnyVarSymbol(State& s);
Reply<VarSymbol> pNumVarSymbol(State& s);
Reply<VarSymbol> pTextVarSymbol(State& s);
VarDef globalVarDef(VarIdentifier v);

// Parses the text of a variable file read under the given source name.
ParseResult<SuppressList> parseVarFile(const Text& text, TextView sourceName);

// Parses a text under an empty source name and writes the rendered error or the printed
// list on standard output (a diagnostic aid).
void run(const Text& text);

} // namespace zarnet::varfile
