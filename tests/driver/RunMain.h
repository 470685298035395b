// A whole run through the driver's entry point, its output captured.
#pragma once

#include "TestSupport.h"
#include "driver/Driver.h"

#include <deque>
#include <string>
#include <vector>

namespace zarnet::test {

struct RunOutcome {
    int code = -1;
    std::string out, err;
    bool operator==(const RunOutcome&) const = default;
};

// Runs zarnet with the arguments; `input` answers ASK lines.
inline RunOutcome run(const std::vector<std::string>& args, std::deque<std::string> input = {},
                      RunEnd end = RunEnd::FreeAll) {
    CapturedConsole c;
    c.input = std::move(input);
    RunOutcome r;
    r.code = runMain(args, end);
    r.out = c.out;
    r.err = c.err;
    return r;
}

} // namespace zarnet::test
