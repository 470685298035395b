// The process's standard streams, with every failure of standard output kept so that the
// run can end with an error instead of losing output silently.
#pragma once

#include "core/Console.h"

#include <optional>
#include <string>

namespace zarnet {

// A standard stream that the caller left closed frees its descriptor number for the next
// file opened: the output file of option O could then receive the version line or a
// prompt. Each closed one is held by a descriptor on which every use fails, as it would
// have on the closed stream. Called first thing at start-up.
void holdClosedStandardDescriptors();

class CheckedConsole : public StdConsole {
public:
    void writeOut(std::string_view utf8) override;
    void flushOut() override;
    // Flushes and closes standard output; the description of the first failure of
    // standard output ("<stdout>: <operation>: <kind> (<system text>)"), if any.
    std::optional<std::string> finish();

private:
    void fail(const char* operation, int errnum);
    std::optional<std::string> failure_;
};

} // namespace zarnet
