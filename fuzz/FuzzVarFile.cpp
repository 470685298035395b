// The variable file of option P on arbitrary bytes, with a fixed, valid program.
//
// Must hold: exit code 0 or 1, and 1 exactly when the file does not parse, with the
// parse error on standard output; a second run gives the same result; the variable file
// and the program are never changed.
#include "FuzzSupport.h"

#include "platform/FileSystem.h"
#include "driver/VarFileParser.h"

#include <cstdint>

using namespace zarnet;
using namespace zarnet::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Snapshot files = {
        {"main.sqr", "begin-program\n  let #x = 1\nend-program\n"},
        {"vars.txt", bytes},
    };
    WorkDir& w = WorkDir::get();

    const std::vector<std::vector<std::string>> runs = {
        {"-P", "vars.txt", "main.sqr"},
        {"-L", "-U", "-O", "out.txt", "-P", "vars.txt", "main"},
    };
    const auto parsed = varfile::parseVarFile(fromTextMode(bytes), "vars.txt");
    for (const auto& args : runs) {
        w.reset(files);
        const RunResult first = runZarnet(args, "");
        Snapshot after = snapshot();
        require(after.at("vars.txt") == bytes && after.at("main.sqr") == files.at("main.sqr"),
                "a run changed its input files");
        require(first.code == (parsed.ok ? 0 : 1), "exit code disagrees with the variable file's parse");
        if (!parsed.ok) require(first.out == renderError(parsed.error) + "\n", "the parse error is not on standard output");
        w.reset(files);
        const RunResult again = runZarnet(args, "");
        require(first == again, "run not repeatable");
        require(snapshot() == after, "run's files not repeatable");
    }
    return 0;
}
