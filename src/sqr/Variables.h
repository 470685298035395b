// Variable references of SQR text and the tokens they stand among: sigils, variable names,
// the reference that records one use, the generic command-argument tokens through which
// almost every use is found, SQL bind variables, procedure parameter names, column names
// and array elements.
#pragma once

#include "core/Parser.h"
#include "core/ParserLib.h"
#include "sqr/Lexical.h"
#include "sqr/SqrMessages.h"
#include "sqr/Symbols.h"

#include <vector>

namespace zarnet::sqr {

// --- sigils and name characters -----------------------------------------------------------

// "#": Sharp. Fails clean, expecting "#".
Reply<VarSymbol> pNumVarSymbol(State& s);
// "$": Dollar. Fails clean, expecting "$".
Reply<VarSymbol> pTextVarSymbol(State& s);
// "#", else "$".
Reply<VarSymbol> pAnyVarSymbol(State& s);

// The 121 variable-name characters: digits, ASCII letters, "_" and U+00A6 to U+00DF.
bool isVarNameChar(char32_t c) noexcept;
const Text& varNameChars();
// One variable-name character; no label.
Reply<char32_t> pVarNameChar(State& s);
// One character of a declared name: ")", "-" or a variable-name character; no label.
Reply<char32_t> pDeclVarNameChar(State& s);
bool isDeclVarNameChar(char32_t c) noexcept;

// Messages of the declared-name parser of DECLARE-VARIABLE.
using msg::invalidVarNameError;
using msg::numericVarNameRequiredError;
using msg::stringVarNameRequiredError;

// "DECLARE-VARIABLE" in any letter case; result as written.
Reply<Text> pDeclareVariableKeyword(State& s);

// --- variable references ------------------------------------------------------------------

// The underscore marker after a sigil: "_" when one follows, else the empty text, consuming
// nothing.
Reply<Text> pVarMarker(State& s);

// One use of the variable written with the symbol, the marker ("_" or empty) and the name,
// the sigil at `at`, recorded in the scope the marker chooses.
void recordVariableUse(State& s, VarSymbol symbol, TextView marker, TextView name, const SourcePos& at);

// One reference, read with the given sigil and name parsers, recorded as one use: in the
// global scope a name written with the "_" marker keeps it and is flagged as needless;
// inside a local procedure the marker sends the use to the global scope without it.
// Result: sigil, marker and name as written. Atomic: a failure consumes and records nothing,
// and keeps the error of the step that failed.
template <class S, class N> auto pVariable(S sigil, N name) {
    return [sigil, name](State& s) -> Reply<Text> {
        const SourcePos at = s.pos;
        Seq q(s);
        const VarSymbol symbol = q(sigil);
        if (!q) return emptyError(q.failure().err);
        Text marker = q(pVarMarker);
        Text n = q(name);
        if (!q) return emptyError(q.failure().err);
        recordVariableUse(s, symbol, marker, n, at);
        Text written = symbol == VarSymbol::Dollar ? Text("$") : Text("#");
        written += marker;
        written += n;
        return q.ok(std::move(written));
    };
}

// A name of variable-name characters with single hyphens between them; a hyphen that no
// name character follows fails after consuming.
Reply<Text> pStrictName(State& s);
// "#" and a strict name, recorded.
Reply<Text> pNumVar(State& s);
// "#" or "$" and a strict name, recorded.
Reply<Text> pVar(State& s);
// "#" or "$" and the given name, recorded.
template <class N> auto pAnyVariable(N name) { return pVariable(pAnyVarSymbol, std::move(name)); }

// --- generic command-argument tokens --------------------------------------------------------

// Ctrl-Z, blank, tab, line feed, carriage return and the operator characters.
bool isWordDelimiter(char32_t c) noexcept;
// The characters that end a procedure parameter's or a DO argument's name. Inline: the DO
// argument scan tests every character of a name with it.
inline bool isParameterStop(char32_t c) noexcept {
    return c == 0x1A || c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U')' || c == U',' ||
           c == U'!';
}
// One character that is no word delimiter; no label.
Reply<char32_t> pWordChar(State& s);
// One operator character of `opChars`; no label.
Reply<char32_t> pOperatorChar(State& s);
// The name of a token reference: any character but Ctrl-Z, blank, tab, line feed and
// carriage return, then `pWordChar`s.
Reply<Text> pBareVarName(State& s);

// One generic token, the first that matches: a text literal (which may run over line ends
// and fails after consuming when it does not end), a variable reference (recorded), one
// operator character, a bare word, or a lone "$" or "#" that no name character follows (a
// one-character word that records nothing; real programs write such a sign as an
// argument, as in WRAP 15 2 ON=$). Skips nothing after the token; fails clean where no
// token begins, at a line end among others.
Reply<Text> anyTok(State& s);
// `anyTok`, then the blanks and continuation marks after it (never a bare line end).
Reply<Text> pArgToken(State& s);
// One or more `pArgToken`, their texts dropped: the body of a generic command line. Stops
// before the first place where no token begins (the line end); a literal that does not end
// fails after consuming. Skips its tokens with a quick scan that keeps the outcome of
// `pArgTokensByRule` exactly.
Reply<Unit> pArgTokens(State& s);
// The same as the rule states it, `pArgToken` after `pArgToken`: what the quick scan of
// `pArgTokens` falls back to and is tested against.
Reply<Unit> pArgTokensByRule(State& s);
// `pArgTokens` for a caller that reads the blanks after the run at once: where the run stops
// at a line feed, those blanks consume it, so the run's pending error would never show and
// is not made (the error handed on is empty). Elsewhere, `pArgTokens`.
Reply<Unit> pArgTokensToLineEnd(State& s);

// "[" and blanks, a reference whose name runs up to a blank, tab, line end, "[" or "]"
// (recorded), blanks, "]" and blanks; result the reference.
Reply<Text> pSqlBindVar(State& s);

// --- procedure parameter names -------------------------------------------------------------

// The name after the sigil of a procedure parameter or a DO argument: characters up to a
// Ctrl-Z, blank, tab, line end, ")", "," or a single "!"; "!!" stands for one "!". Records
// nothing. Fails clean when no character of a name follows.
Reply<Text> pParameterVarName(State& s);

// --- column names and array elements ---------------------------------------------------------

// The 122 column-name characters: the variable-name characters and ".".
bool isColumnNameChar(char32_t c) noexcept;
// "&" and column-name characters, atomically, then the white space after it. Records
// nothing.
Reply<Text> pColumn(State& s);

// An array element: strict name, ".", strict name, "(" and blanks, the index list read by
// `args`, ")" and blanks; atomic, then the white space after it. Result: the two names
// joined by ".", "(", the index texts joined by ", ", ")". Records nothing itself; the
// index expressions record their own uses. The index list is the expression grammar's
// argument list, passed in so that this layer does not depend on the expression grammar.
template <class A> auto pArrayElement(A args) {
    return [args](State& s) -> Reply<Text> {
        auto element = [&args](State& st) -> Reply<Text> {
            Seq q(st);
            Text array = q(pStrictName);
            if (!q) return q.failure();
            q(pDot);
            if (!q) return q.failure();
            Text field = q(pStrictName);
            if (!q) return q.failure();
            q(pOpenParen);
            if (!q) return q.failure();
            std::vector<Text> indexes = q(args);
            if (!q) return q.failure();
            q(pCloseParen);
            if (!q) return q.failure();
            Text out = std::move(array);
            appendChar(out, U'.');
            out += field;
            appendChar(out, U'(');
            out += showListItems(indexes);
            appendChar(out, U')');
            return q.ok(std::move(out));
        };
        return lexeme(attempt(element))(s);
    };
}

} // namespace zarnet::sqr
