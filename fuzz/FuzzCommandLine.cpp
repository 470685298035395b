// The command line: one argument a line, as in the command-line cases' `args` files, run
// in a folder holding a program, an include file, a variable file and a few other files.
// An input that holds "/" or "\" is skipped: every name then stays inside the folder, so
// option O cannot write anywhere else on the machine.
//
// Must hold: exit code 0 or 1; a second run gives the same result and leaves the same
// files; the only files a run may change are those named by option O; a run that fails
// leaves no new file behind but one it wrote its error into.
#include "FuzzSupport.h"

#include "driver/Options.h"

#include <cstdint>
#include <set>

using namespace zarnet;
using namespace zarnet::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    if (in.find('/') != std::string_view::npos || in.find('\\') != std::string_view::npos) return -1;
    std::vector<std::string> args;
    for (std::string_view rest = in; !rest.empty();) {
        std::size_t k = rest.find('\n');
        args.emplace_back(rest.substr(0, k));
        rest.remove_prefix(k == std::string_view::npos ? rest.size() : k + 1);
    }
    const Snapshot files = {
        {"main.sqr", "#include 'a.sqc'\nbegin-setup\n  ask who 'Who'\nend-setup\nbegin-program\n  show '{who}'\nend-program\n"},
        {"inc/a.sqc", "#define width 10\n"},
        {"a.sqc", "#ifdef x\n#end-if\n"},
        {"prog.sqr", "show 1\n"},
        {"vars.txt", "#x\nproc $y\n"},
        {"keep.txt", "precious\n"},
        {"dir/", ""},
    };

    // The names option O was given (a file a run may write).
    std::vector<Text> words;
    for (const auto& a : args) words.push_back(decodeBytes(a));
    std::set<std::string> outputs;
    for (const auto& use : readCommandLine(words).options)
        if ((use.letter == U'O' || use.letter == U'o') && use.argument) outputs.insert(*use.argument);

    WorkDir& w = WorkDir::get();
    w.reset(files);
    const RunResult first = runZarnet(args, "someone\nelse\n");
    const Snapshot after = snapshot();
    for (const auto& [name, bytes] : files) {
        auto it = after.find(name);
        require(it != after.end(), "a run removed " + name);
        require(it->second == bytes || outputs.count(name), "a run changed " + name + ", not named by option O");
    }
    for (const auto& [name, bytes] : after) {
        if (files.count(name)) continue;
        // A failed run keeps an output file only when it wrote its result (an error) there.
        require(first.code == 0 || !bytes.empty(), "a failed run left " + name + " behind, empty");
        require(outputs.count(name), "a run made " + name + ", not named by option O");
    }
    w.reset(files);
    const RunResult again = runZarnet(args, "someone\nelse\n");
    require(first == again, "run not repeatable");
    require(snapshot() == after, "run's files not repeatable:" + describeChange(after, snapshot()));
    return 0;
}
