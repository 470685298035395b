// A second pass for tests: reads every line with eol and lists where each line began.
#pragma once

#include "TestSupport.h"

#include "preprocessor/LineEnd.h"

namespace zarnet::test {

// "name:line " for each line of the remaining text.
inline Reply<Text> linePositions(State& s) {
    Text out;
    while (!s.atEnd()) {
        out += s.pos.sourceName.text() + ":" + std::to_string(s.pos.sourceLine) + " ";
        while (!s.atEnd() && s.peek() != U'\n') s.take();
        auto r = eol(s);
        if (!r.ok) return Failure{r.err, true};
    }
    return okReply(true, out, unknownError(s.pos));
}

} // namespace zarnet::test
