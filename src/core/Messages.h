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

// The console dialogue of ASK: the prompt, the echo of the answer, and the notice for a
// name that already has a value (the name and the value each between grave accents).
inline constexpr const char* kAskDefaultPrompt = "Enter ";
inline constexpr const char* kAskPromptEnd = ": ";
inline constexpr const char* kAskEchoSeparator = ":";
inline constexpr const char* kAskAlreadyDefinedOpen = "`";
inline constexpr const char* kAskAlreadyDefinedMiddle = "` is already defined. The value is `";
inline constexpr const char* kAskAlreadyDefinedClose = "`.";
// Standard input ended while ASK waited: the program's name, then this.
inline constexpr const char* kAskEndOfInputSuffix = ": <stdin>: hGetLine: end of file";

// Errors of the checker itself (not SQR's).
inline constexpr const char* kLineNestingTooDeep =
    "setup sections and conditional blocks nested too deeply (more than 200 levels)";
// Followed by the name as written in the #include line and kIncludeNameEnd.
inline constexpr const char* kIncludeTooDeepPrefix =
    "include files nested too deeply (more than 64 levels) at #INCLUDE file: '";
inline constexpr const char* kIncludeNameEnd = "'";
inline constexpr const char* kConditionalTooDeep =
    "#IF, #IFDEF and #IFNDEF blocks nested too deeply (more than 100 levels)";

inline constexpr const char* kSubstitutedTooLong = "substituted text too long (more than 16777216 characters)";

// Command line: version and usage.
inline constexpr const char* kVersion = "zarnet version 1.06";
inline constexpr const char* kUsageTitle = "Preprocess and report undefined variable for SQR file.";
inline constexpr const char* kUsageSynopsisSuffix = " {filepath | [Options]}";
inline constexpr const char* kUsageOptionsHeader = "\nOptions";
inline constexpr const char* kUsageExampleHeader = "(example)";
inline constexpr const char* kUsageExample1 = "ZARNET trvmdx04 -I.;c:\\vq263\\sqr -E";
inline constexpr const char* kUsageExample2 = "ZARNET -Ic:\\vq263\\sqr;. -Rtr* trvmdx04 -U -Pvar.txt";
inline constexpr const char* kHelpSearchPaths =
    "Specify the search paths for include files.\n"
    "Paths must be delimited by ';'(semicolon).\n"
    "If want to include a current directory to \n"
    "search paths, append a dot to the path list.\n"
    "\n";
inline constexpr const char* kHelpVersion = "Display version.\n\n";
inline constexpr const char* kHelpUsage = "Display usage.\n\n";
inline constexpr const char* kHelpPreprocess = "Output preprocessed source code.\n\n";
inline constexpr const char* kHelpOutput =
    "Specify output file path.\n"
    "When not specify, output to standard output.\n"
    "\n";
inline constexpr const char* kHelpRecursive =
    "Check recursively for included files.\n"
    "If specify a filter, check only files matched to the filter.\n"
    "When not specify a filter, check all included files.\n"
    "\n";
inline constexpr const char* kHelpExceptParam = "suppress definitions error for procedure's parameters.\n\n";
inline constexpr const char* kHelpListFormat = "output with list format.\n\n";
inline constexpr const char* kHelpVarFile =
    "Specify a variable file path.\n"
    "Variables on the file are suppressed definition error.\n"
    "Following is an example of a variable file.\n"
    "\n"
    "    #CURR_SEQ_NO\n"
    "    $CURRENCY_CD\n"
    "    get_state_code $COUNTRY_CD -- local variable with procedure name.\n"
    "    get_state_code $STATE_CD\n"
    "    get_state_code #ERROR_NO\n"
    "\n";
inline constexpr const char* kHelpSuppress = "Suppress output.\n";

// Variable report: kinds, messages and list-format codes.
inline constexpr const char* kReportError = "Error";
inline constexpr const char* kReportWarning = "Warning";
inline constexpr const char* kNotDefined = " is not defined.";
inline constexpr const char* kNotUsed = " is not used.";
inline constexpr const char* kUsedOnlyOnce = " used only once.";
inline constexpr const char* kSameNameGlobal = " is same name as global variable.";
inline constexpr const char* kUnnecessaryUnderscore = " Underscore may be unnecessary. The scope is not local.";
inline constexpr const char* kCodeNotDefined = "Error:NotDefined";
inline constexpr const char* kCodeWarning = "Warning:";
inline constexpr const char* kCodeNotUsed = "NotUsed";
inline constexpr const char* kCodeUsedOnlyOnce = "UsedOnlyOnce";
inline constexpr const char* kCodeSameNameGlobal = "SameNameGlobalVar";

// Driver: refusals that protect the user's files (after "<program>: <output path>: ").
inline constexpr const char* kOutputIsInputFile =
    "refusing to write the output over the input file; nothing was written";
inline constexpr const char* kOutputIsVarFile =
    "refusing to write the output over the variable file; nothing was written";
// The name of standard output in the runtime error line.
inline constexpr const char* kStdoutName = "<stdout>";

} // namespace zarnet::msg
