// Every text the SQR program parser shows to users, referenced by name.
#pragma once

namespace zarnet::sqr::msg {

// --- lexical layer ---


// --- symbol table and variable references ---
// Raised by the declaration-name parser of DECLARE-VARIABLE.
inline constexpr const char* invalidVarNameError = "(SQR 7210) Invalid Variable name specified.";
inline constexpr const char* numericVarNameRequiredError = "(SQR 7204) A numeric variable name is required here.";
inline constexpr const char* stringVarNameRequiredError = "(SQR 7203) A string variable name is required here.";


// --- program structure, commands and statements ---


// --- declarations and expressions ---


} // namespace zarnet::sqr::msg
