// Every text the SQR program parser shows to users, referenced by name.
#pragma once

namespace zarnet::sqr::msg {

// --- lexical layer ---
inline constexpr const char* literalNotEndedError = "(SQR 3501) Did not find end of literal.";
inline constexpr const char* varTypeNotSpecifiedError = "(SQR 7206) The Variable type has not been specified.";
inline constexpr const char* onlyInLocalProcedureError =
    "(SQR 7207) This command is only allowed within local procedures.";


// --- symbol table and variable references ---


// --- program structure, commands and statements ---


// --- declarations and expressions ---


} // namespace zarnet::sqr::msg
