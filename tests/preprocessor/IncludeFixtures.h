// Runs over an included file whose name sorts after the including file's: errors merge by
// position, source name first, so an error kept from the included text after the return
// would win over every error of the including file.
#pragma once

#include "TestSupport.h"
#include "driver/TempDir.h"

#include "preprocessor/Preprocessor.h"

#include <string>

namespace zarnet::test {

// The whole preprocessor over the root "a.sqr", holding `rootLines` and then an #include
// line without a line break, over the file `name` holding `included`. The error of the run,
// or "" when it succeeds.
inline std::string errorIncludingLast(const std::string& rootLines, const std::string& included,
                                      const std::string& name, ParserState user = initialState()) {
    TempDir dir;
    TempDir::write(name, included);
    user.searchPaths = PList<Text>::fromVector({"."});
    auto o = runOn([](State& s) { return pSqr(s, pZarnet); }, rootLines + "#include '" + name + "'", user, "a.sqr");
    return o.ok ? std::string() : o.error;
}

// p over `included`, the text of "z.sqc" included by "r.sqr" at its line 4 with nothing
// left after it, then a parser that fails without consuming: the error that the run ends with.
template <class P> std::string errorAfterTheEndOfZ(P p, const std::string& included) {
    static const InputView rootRest = keepText(Text());
    ParserState user = initialState();
    user.context = user.context.push(Context{SourcePos{testSourceName("r.sqr"), 4, 1}, rootRest.begin, rootRest.end});
    auto then = [p](State& s) -> Reply<Unit> {
        Seq q(s);
        q(p);
        if (!q) return q.failure();
        q(char_(U'q'));
        return q.failure();
    };
    return runOn(then, included, user, "z.sqc").error;
}

// The user state of a text that "r.sqr" includes at its line 4, `rest` following there.
inline ParserState includedFrom(ParserState user, const Text& rest) {
    const InputView in = keepText(rest);
    user.context = user.context.push(Context{SourcePos{testSourceName("r.sqr"), 4, 1}, in.begin, in.end});
    return user;
}

// Texts built from pieces: every sequence of up to `maxPieces` pieces, then `randomCount`
// random sequences of up to `longest` pieces, handed to check in turn.
template <class F>
void forPieceSequences(const std::vector<Text>& pieces, std::size_t maxPieces, int randomCount, std::size_t longest,
                       F check) {
    Text indices;
    for (std::size_t i = 0; i < pieces.size(); ++i) appendChar(indices, char32_t(i));
    forShortAndRandomTexts(indices, maxPieces, randomCount, longest, "", [&](const Text& choice) {
        Text text;
        for (char32_t i : chars(choice)) text += pieces[i];
        check(text);
    });
}

inline std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

} // namespace zarnet::test
