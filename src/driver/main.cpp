#include "core/Console.h"
#include "driver/Driver.h"
#include "driver/StdStreams.h"
#include "platform/Memory.h"

#include <csignal>

int main(int argc, char** argv) {
    using namespace zarnet;
    holdClosedStandardDescriptors();
    useLargePagesForPools();
    // A closed pipe is a failed write (EPIPE), reported like any other.
    std::signal(SIGPIPE, SIG_IGN);
    CheckedConsole streams;
    setConsole(&streams);
    setProgramName(argc > 0 && argv[0] ? argv[0] : "zarnet");

    // The process ends right after the run: what the run built is left to the exit.
    int code = runMain(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), RunEnd::LeaveToExit);
    if (auto failure = streams.finish()) {
        streams.writeErr(programName() + ": " + *failure + "\n");
        code = 1;
    }
    return code;
}
