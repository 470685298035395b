// A whole run on arbitrary bytes, in -E and in report mode. The input holds up to five
// parts separated by a line "%%%": the program, the standard input that answers ASK, and
// the include files inc/a.sqc, inc/B.SQC and c.sqh (the last beside the program).
//
// Must hold: exit code 0 or 1; a second run of the same files, through the plain grammar
// (every quick reading off), gives the same exit code, output and output file; a successful -E run of a program without #include keeps one
// output line per source line; no run changes the program or an include file.
#include "FuzzSupport.h"

#include <cstdint>

using namespace zarnet::fuzz;

namespace {

std::vector<std::string_view> parts(std::string_view in) {
    static constexpr std::string_view kSep = "\n%%%\n";
    std::vector<std::string_view> p;
    while (p.size() < 4) {
        std::size_t k = in.find(kSep);
        if (k == std::string_view::npos) break;
        p.push_back(in.substr(0, k));
        in.remove_prefix(k + kSep.size());
    }
    p.push_back(in);
    p.resize(5);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> p = parts(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string_view stdinText = p[1];
    const Snapshot files = {
        {"main.sqr", std::string(p[0])},
        {"inc/a.sqc", std::string(p[2])},
        {"inc/B.SQC", std::string(p[3])},
        {"c.sqh", std::string(p[4])},
        {"empty/", ""},
    };
    WorkDir& w = WorkDir::get();

    // -E on standard output, twice.
    const std::vector<std::string> preprocess = {"-E", "-I", "nowhere;inc;.", "main.sqr"};
    w.reset(files);
    const RunResult e1 = runZarnet(preprocess, stdinText);
    require(snapshot() == files, "-E changed the files:" + describeChange(files, snapshot()));
    w.reset(files);
    const RunResult e2 = runZarnetPlain(preprocess, stdinText);
    require(e1 == e2, "-E run not repeatable through the plain grammar");

    // Report mode into an output file (the input found by its name without ".sqr"), twice.
    const std::vector<std::string> report = {"-O", "out.txt", "-I", "nowhere;inc;.", "-R", "main"};
    Snapshot out1, out2;
    w.reset(files);
    const RunResult r1 = runZarnet(report, stdinText);
    out1 = snapshot();
    w.reset(files);
    const RunResult r2 = runZarnetPlain(report, stdinText);
    out2 = snapshot();
    require(r1 == r2, "report run not repeatable through the plain grammar");
    require(out1 == out2, "report run's files not repeatable:" + describeChange(out1, out2));
    for (const auto& [name, bytes] : files)
        require(out1.count(name) && out1.at(name) == bytes, "report run changed " + name);

    // -E on a program without an #include: the output file holds one line per source line
    // (and the closing line end). (An include name that runs over line ends makes one line
    // of several, and an included file adds its own lines.) A UTF-16 file's lines are not
    // its line-feed bytes, so such a file is left out.
    std::string lower(p[0]);
    for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const bool utf16 = p[0].size() >= 2 && ((p[0][0] == '\xFF' && p[0][1] == '\xFE') ||
                                           (p[0][0] == '\xFE' && p[0][1] == '\xFF'));
    if (lower.find("nclude") == std::string::npos && !utf16) {
        w.reset(files);
        const RunResult l = runZarnet({"-E", "-O", "lines.txt", "main.sqr"}, stdinText);
        if (l.code == 0) {
            const std::string text = readBytes("lines.txt");
            require(lineEnds(text) == sourceLines(p[0]) + 1,
                    "-E output has " + std::to_string(lineEnds(text)) + " line ends for " +
                        std::to_string(sourceLines(p[0])) + " source lines");
        }
    }
    return 0;
}
