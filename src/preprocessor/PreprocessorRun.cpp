#include "preprocessor/PreprocessorRun.h"

namespace zarnet {

namespace {
RunContext& runOf(const State& s) {
    if (!s.run) throw InternalError("internal error: the preprocessor runs only within a run context.");
    return *s.run;
}
} // namespace

PreprocessorRun& preprocessorRun(const State& s) { return runOf(s).part<PreprocessorRun>(); }

InputView keepInRun(const State& s, Text t) { return runOf(s).keep(std::move(t)); }

} // namespace zarnet
