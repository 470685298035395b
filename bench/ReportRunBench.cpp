// Times a report run (both passes and the SQR program parser) over a large generated SQR
// program held in memory, beside the preprocessed-text run of the same program.
//
//   zarnet_bench_report_run [megabytes] [--unclosed] [--includes N] [--write FILE]
//
// The program is made of procedures with parameters and a local DECLARE-VARIABLE block,
// BEGIN-SELECT paragraphs with bind variables, DO lines with arguments, IF blocks and long
// command lines with many variables. --unclosed adds a BEGIN-SELECT that never closes to
// every procedure (each is read to the END-PROCEDURE line, undone and read again as
// statements); --includes N includes a small file of procedures after every N procedures;
// --write FILE only writes the program to FILE (and its include file beside it), to time
// the zarnet binary on it.

#include "core/ParserLib.h"
#include "driver/Report.h"
#include "platform/Memory.h"
#include "preprocessor/Preprocessor.h"
#include "sqr/SqrParser.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace zarnet;

namespace {

struct BenchOptions {
    double megabytes = 64;
    bool unclosed = false;
    long includeEvery = 0;
    std::string writeTo;
};

std::string procedure(long i, bool unclosed) {
    std::string n = std::to_string(i);
    std::string p;
    p += "begin-procedure proc-" + n + "($key_" + n + ", :#count_" + n + ", $name)\n";
    p += "  declare-variable\n    integer #local_a #local_b\n    text $msg\n  end-declare\n";
    p += "  let #local_a = #count_" + n + " + #total * 2\n";
    p += "begin-select\nemplid &emplid\nname &nm\n  let $msg = &nm\n  add 1 to #local_b\n";
    p += "from ps_job where emplid = $key_" + n + " and company = $_state\n  and effdt <= $as_of_date\nend-select\n";
    if (unclosed) p += "  begin-select\n  $x\n";
    p += "  do get-next-row($key_" + n + ", #count_" + n + ", 'X', 10)\n";
    p += "  print $name (+1, 1) edit 'xxxx' bold\n  print #local_a (, 20) edit 999,999.99\n";
    p += "  let $line = $first || ' ' || $last || ' ' || $middle || ' ' || $suffix || ' ' || $title || $msg\n";
    p += "  if #local_b > 100 and $_state != 'CA'\n    show 'too many ' #local_b\n  end-if\n";
    p += "end-procedure proc-" + n + "\n\n";
    return p;
}

std::string generate(const BenchOptions& o, std::size_t targetBytes, bool withIncludes) {
    std::string out;
    out.reserve(targetBytes + 4096);
    out += "begin-setup\n  declare-variable\n    integer #total\n    text $state\n  end-declare\nend-setup\n";
    out += "begin-program\n  do proc-1($a, #b, $c)\nend-program\n\n";
    for (long i = 1; out.size() < targetBytes; ++i) {
        out += procedure(i, o.unclosed);
        if (withIncludes && i % o.includeEvery == 0) out += "#include 'inc.sqc'\n";
    }
    return out;
}

void writeIncludeFileIn(const std::string& folder) {
    std::ofstream f(folder + "/inc.sqc", std::ios::binary);
    f << procedure(0, false);
}

std::string writeIncludeFile() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zarnet-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return std::string();
    writeIncludeFileIn(tmpl);
    return tmpl;
}

// The program and its include file, for a run of the binary.
int writeProgram(const BenchOptions& o) {
    const std::filesystem::path file(o.writeTo);
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    if (o.includeEvery > 0) writeIncludeFileIn(folder.string());
    std::ofstream f(file, std::ios::binary);
    f << generate(o, static_cast<std::size_t>(o.megabytes * 1e6), o.includeEvery > 0);
    return f ? 0 : 1;
}

BenchOptions parseArgs(int argc, char** argv) {
    BenchOptions o;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--unclosed"))
            o.unclosed = true;
        else if (!std::strcmp(argv[i], "--includes") && i + 1 < argc)
            o.includeEvery = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--write") && i + 1 < argc)
            o.writeTo = argv[++i];
        else
            o.megabytes = std::atof(argv[i]);
    }
    return o;
}

// The input is decoded and kept before the clock starts, as the driver does before it parses.
template <class Second>
double run(const Text& source, ParserState user, const Second& second, bool report, bool& ok) {
    RunContext runContext;
    InputView input = runContext.keep(source);
    user.rootSourceName = runContext.sourceName("bench.sqr");
    auto start = std::chrono::steady_clock::now();
    auto r = runParserWithState([&](State& s) { return pSqr(s, second); }, makeUserState(user),
                                user.rootSourceName, input, &runContext);
    auto parsed = std::chrono::steady_clock::now();
    std::size_t reportSize = 0;
    // The report is made in pieces, as a run writes it; the pieces are only counted.
    if (r.ok && report)
        writeReport(false, {}, false, r.finalState.st(), [&reportSize](TextView piece) { reportSize += piece.size(); });
    auto stop = std::chrono::steady_clock::now();
    ok = r.ok;
    if (!r.ok) std::fprintf(stderr, "parse failed:\n%s\n", renderError(r.error).c_str());
    if (report)
        std::printf("  (parse %.3f s, report %.3f s, %zu bytes)\n",
                    std::chrono::duration<double>(parsed - start).count(),
                    std::chrono::duration<double>(stop - parsed).count(), reportSize);
    return std::chrono::duration<double>(stop - start).count();
}

} // namespace

int main(int argc, char** argv) {
    useLargePagesForPools(); // as the zarnet executable does
    BenchOptions o = parseArgs(argc, argv);
    if (!o.writeTo.empty()) return writeProgram(o);
    std::string includeDir = o.includeEvery > 0 ? writeIncludeFile() : std::string();
    std::string source = generate(o, static_cast<std::size_t>(o.megabytes * 1e6), !includeDir.empty());
    const Text input = source;
    double mb = static_cast<double>(source.size()) / 1e6;
    source = std::string();

    ParserState user = initialState();
    if (!includeDir.empty()) user.searchPaths = PList<Text>::fromVector({includeDir});

    std::printf("input: %.1f MB%s\n", mb, o.unclosed ? ", unclosed paragraphs" : "");
    bool ok = false;
    double text = run(input, user, pZarnet, false, ok);
    if (!ok) return 1;
    std::printf("preprocessed text:   %7.3f s  %8.1f MB/s\n", text, mb / text);
    double whole = run(input, user, sqr::pSqrSecondPass, true, ok);
    if (!ok) return 1;
    std::printf("report run:          %7.3f s  %8.1f MB/s  (%.2f times the text run)\n", whole, mb / whole,
                whole / text);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak memory:         %.0f MB\n", static_cast<double>(ru.ru_maxrss) / 1024);
    if (!includeDir.empty()) std::filesystem::remove_all(includeDir);
    return 0;
}
