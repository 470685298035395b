// Every text the SQR program parser shows to users, referenced by name.
#pragma once

namespace zarnet::sqr::msg {

// --- lexical layer ---
inline constexpr const char* literalNotEndedError = "(SQR 3501) Did not find end of literal.";
inline constexpr const char* varTypeNotSpecifiedError = "(SQR 7206) The Variable type has not been specified.";
inline constexpr const char* onlyInLocalProcedureError =
    "(SQR 7207) This command is only allowed within local procedures.";


// --- symbol table and variable references ---
// Raised by the declaration-name parser of DECLARE-VARIABLE.
inline constexpr const char* invalidVarNameError = "(SQR 7210) Invalid Variable name specified.";
inline constexpr const char* numericVarNameRequiredError = "(SQR 7204) A numeric variable name is required here.";
inline constexpr const char* stringVarNameRequiredError = "(SQR 7203) A string variable name is required here.";


// --- program structure, commands and statements ---


// --- declarations and expressions ---

// A word where a DECLARE-VARIABLE qualifier is expected: the first part, the word as
// written, then the second part.
inline constexpr const char* invalidQualifierStart = "(SQR 5303) Invalid qualifier '";
inline constexpr const char* invalidQualifierEnd =
    "'.  Valid qualifiers are: default-numeric  decimal  integer  float  text  date  end-declare";
// Parentheses, prefix operators, function calls and array indexes nested past the limit.
inline constexpr const char* expressionTooDeep = "expression nested too deeply (more than 200 levels)";


} // namespace zarnet::sqr::msg
