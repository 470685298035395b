#include "preprocessor/PreprocessorRun.h"

namespace zarnet {

void preprocessingWithoutRun() {
    throw InternalError("internal error: the preprocessor runs only within a run context.");
}

InputView keepInRun(const State& s, Text t) {
    if (!s.run) preprocessingWithoutRun();
    return s.run->keep(std::move(t));
}

SourceName sourceNameInRun(const State& s, TextView name) {
    if (!s.run) preprocessingWithoutRun();
    return s.run->sourceName(name);
}

} // namespace zarnet
