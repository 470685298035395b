// Small text parsers shared by the preprocessor's line grammars: the join of two text
// parsers, '!' comments, the tail of a line, the name of a substitution reference and
// the quoted argument of a directive.
#pragma once

#include "core/Parser.h"
#include "core/ParserLib.h"

namespace zarnet {

// The line-break characters; every other character is a line character.
inline constexpr TextView lineBreakChars = U"\n\r";
// The not-equal operator; as a set, the two characters after a '!' that keep it from
// starting a comment.
inline constexpr TextView notEqualText = U"!=";
// The characters that end a plain run inside a substitution name.
inline constexpr TextView wordStopChars = U"!\n\r\t }";
// The characters that are not plain characters of a quoted argument.
inline constexpr TextView quotedStopChars = U"'\n\r";

// p, then q on the state p left; the two texts joined. Fails as a sequence does.
template <class P, class Q> auto joinText(P p, Q q) {
    return [p, q](State& s) -> Reply<Text> {
        Seq seq(s);
        Text a = seq(p);
        if (!seq) return seq.failure();
        Text b = seq(q);
        if (!seq) return seq.failure();
        a += b;
        return seq.ok(std::move(a));
    };
}

// '!' not followed by '!' or '=', then the rest of the line (not its break). Result: the
// comment after the '!'. Fails after consuming the '!' before "!!" and "!=".
Reply<Text> pComment(State& s);
// The next character is a line break, or the input has ended. Consumes nothing.
Reply<Text> pAtLineEnd(State& s);
// An optional comment, then pAtLineEnd. Result: the empty text.
Reply<Text> pCommentAtLineEnd(State& s);
// Blanks, an optional comment, then the line end (not consumed). Result: the empty text.
// Fails after consuming when blanks are followed by other text: use it under attempt.
Reply<Text> pLineTail(State& s);
Reply<Text> pOpenBrace(State& s);
Reply<Text> pCloseBrace(State& s);
// One piece of a substitution name: a plain run, "!=", or "!!" (read as one '!').
Reply<Text> pWordPiece(State& s);
// The name of a reference after its '{', with the closing '}' (not part of the result).
Reply<Text> pWordText(State& s);
// One character of a quoted argument; two quotes stand for one.
Reply<Text> pQuotedChar(State& s);
// The opening quote and the characters of a quoted argument (closing quote left unread).
Reply<Text> pQuotedChars(State& s);
// The closing quote.
Reply<Text> pQuote(State& s);

} // namespace zarnet
