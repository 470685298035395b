// The process's standard streams, with every failure of standard output kept so that the
// run can end with an error instead of losing output silently.
#pragma once

#include "core/Console.h"

#include <optional>
#include <string>

namespace zarnet {

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
