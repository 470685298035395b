// Every text the checker shows its users, in one place. The texts are product surface:
// users' scripts match them, and the command-line tests pin them to the character.
#pragma once

namespace zarnet::msg {

// Errors raised where SQR itself would report the construct.
inline constexpr const char* kEndSetupOutOfPlace = "(SQR 4702) Line found outside paragraph.1";
inline constexpr const char* kAskOutOfPlace = "(SQR 4702) Line found outside paragraph.2";
inline constexpr const char* kElseWithoutIf = "(SQR 4708) #ELSE without preceding #IF.";
inline constexpr const char* kEndIfWithoutIf = "(SQR 4709) #ENDIF without preceding #IF.";
inline constexpr const char* kInvalidOperator = "(SQR 4109) Invalid operator.";
inline constexpr const char* kEndOfLiteral = "(SQR 3501) Did not find end of literal.";
inline constexpr const char* kSectionEndOutOfPlace = "(SQR 4702)ff Line found outside paragraph.";
inline constexpr const char* kOnlyInLocalProcedures = "(SQR 7207) This command is only allowed within local procedures.";
inline constexpr const char* kMustBeFirstInProcedure =
    "(SQR 7208) This command must be before all other commands in the procedure.";
inline constexpr const char* kInvalidQualifierPrefix = "(SQR 5303) Invalid qualifier '";
inline constexpr const char* kTypeNotSpecified = "(SQR 7206) The Variable type has not been specified.";
inline constexpr const char* kInvalidVariableName = "(SQR 7210) Invalid Variable name specified.";
inline constexpr const char* kStringVariableRequired = "(SQR 7203) A string variable name is required here.";
inline constexpr const char* kNumericVariableRequired = "(SQR 7204) A numeric variable name is required here.";

// Warnings written on standard output; the run goes on.
inline constexpr const char* kCannotOpenIncludePrefix = "(SQR 4713) Cannot open the #INCLUDE file: '";
inline constexpr const char* kNoSubstitutionValuePrefix = "(SQR 4707) No value found for substitution variable: {";

// Errors of the checker itself (not SQR's).
inline constexpr const char* kIncludeTooDeep = "include files nested too deeply (more than 64 levels)";

} // namespace zarnet::msg
