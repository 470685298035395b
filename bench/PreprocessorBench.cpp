// Times the preprocessor over a large generated SQR program held in memory.
//
//   zarnet_bench_preprocessor [megabytes] [--conditionals N] [--includes N] [--plain]
//
// The program mixes ordinary lines, comments, blank lines, #define lines and {name}
// references. --conditionals N puts an #ifdef/#else/#end-if block after every N lines;
// --includes N writes a few include files to a scratch directory and includes one after
// every N lines. Both are off by default, so that figures stay comparable. --plain runs the
// plain grammar alone (every fast path off).

#include "core/ParserLib.h"
#include "preprocessor/Preprocessor.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace zarnet;

namespace {

struct Options {
    double megabytes = 64;
    long conditionalEvery = 0;
    long includeEvery = 0;
    bool plain = false;
};

constexpr int kIncludeFiles = 4;

// A small deterministic generator, so that every run times the same text.
struct Rng {
    unsigned long long x = 88172645463325252ull;
    unsigned next(unsigned n) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return static_cast<unsigned>(x % n);
    }
};

const char* const kOrdinary[] = {
    "begin-procedure process-row",
    "  let #total = #total + #amount   ! running sum",
    "  show 'Value: ' $name edit 999,999.99",
    "  print {title} (+1, {col3}) bold",
    "  do get-next-row($key, #count)",
    "  if #count > {limit} and $state != 'CA'",
    "    move $name to $saved-name",
    "  end-if",
    "  begin-select",
    "emplid &emplid",
    "  from ps_job where effdt <= {as-of} and company = $company",
    "  end-select",
    "  let $line = $first || ' ' || $last -",
    "      || ' done'",
    "end-procedure",
};
const char* const kComments[] = {"! ------------------------------------------------------------",
                                 "  ! indented comment about the next block",
                                 "!! doubled bang in column one"};
const char* const kBlanks[] = {"", "   ", "\t"};

// Names that the generated #define lines give values, so that no reference warns.
const char* const kDefines[] = {"#define title 'Monthly report'", "#define col3 30", "#define limit 100",
                                "#define as-of '2024-01-31'"};

void appendLine(std::string& out, const char* line) {
    out += line;
    out += '\n';
}

void appendConditionalBlock(std::string& out) {
    out += "#ifdef title\n  print 'with title' (+1, 1)\n#else\n  print 'without' (+1, 1)\n#end-if\n";
}

std::string generate(const Options& o, std::size_t targetBytes, const std::string& includeDir) {
    std::string out;
    out.reserve(targetBytes + 4096);
    for (const char* d : kDefines) appendLine(out, d);
    Rng rng;
    long line = 0;
    while (out.size() < targetBytes) {
        ++line;
        unsigned k = rng.next(100);
        if (k < 70)
            appendLine(out, kOrdinary[rng.next(std::size(kOrdinary))]);
        else if (k < 82)
            appendLine(out, kComments[rng.next(std::size(kComments))]);
        else if (k < 95)
            appendLine(out, kBlanks[rng.next(std::size(kBlanks))]);
        else
            appendLine(out, kDefines[rng.next(std::size(kDefines))]);
        if (o.conditionalEvery > 0 && line % o.conditionalEvery == 0) appendConditionalBlock(out);
        if (o.includeEvery > 0 && !includeDir.empty() && line % o.includeEvery == 0)
            out += "#include 'inc" + std::to_string(rng.next(kIncludeFiles)) + ".sqc'\n";
    }
    return out;
}

// Writes the include files; returns their directory.
std::string writeIncludeFiles() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zarnet-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return std::string();
    for (int i = 0; i < kIncludeFiles; ++i) {
        std::ofstream f(tmpl + "/inc" + std::to_string(i) + ".sqc", std::ios::binary);
        for (int j = 0; j < 20; ++j) f << kOrdinary[(i + j) % std::size(kOrdinary)] << '\n';
    }
    return tmpl;
}

Options parseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--conditionals") && i + 1 < argc)
            o.conditionalEvery = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--plain"))
            o.plain = true;
        else if (!std::strcmp(argv[i], "--includes") && i + 1 < argc)
            o.includeEvery = std::atol(argv[++i]);
        else
            o.megabytes = std::atof(argv[i]);
    }
    return o;
}

// An empty second pass, so that the first pass can be timed alone.
Reply<Text> nothing(State& s) { return okReply(false, Text(), unknownError(s.pos)); }

// The input is decoded and kept before the clock starts, as the driver does before it parses.
double run(InputView input, const ParserState& user, const SecondPass& second, bool plain, std::size_t& outputSize,
           bool& ok) {
    auto start = std::chrono::steady_clock::now();
    RunContext runContext;
    runContext.fastPaths = !plain;
    auto r = runParserWithState([&](State& s) { return pSqr(s, second); }, makeUserState(user),
                                runContext.sourceName("bench.sqr"), input, &runContext);
    auto stop = std::chrono::steady_clock::now();
    ok = r.ok;
    outputSize = r.value.size();
    if (!r.ok) std::fprintf(stderr, "parse failed:\n%s\n", renderError(r.error).c_str());
    return std::chrono::duration<double>(stop - start).count();
}

} // namespace

int main(int argc, char** argv) {
    Options o = parseArgs(argc, argv);
    std::string includeDir = o.includeEvery > 0 ? writeIncludeFiles() : std::string();
    std::string source = generate(o, static_cast<std::size_t>(o.megabytes * 1e6), includeDir);
    const Text text = source;
    const InputView input = viewOf(text);
    double mb = static_cast<double>(source.size()) / 1e6;
    std::size_t lines = 0;
    for (char c : source) lines += c == '\n';
    source = std::string();

    ParserState user = initialState();
    if (!includeDir.empty()) user.searchPaths = PList<Text>::fromVector({includeDir});

    std::printf("input: %.1f MB, %zu lines\n", mb, lines);
    std::size_t outSize = 0;
    bool ok = false;
    double firstPass = run(input, user, nothing, o.plain, outSize, ok);
    if (!ok) return 1;
    std::printf("first pass:            %7.3f s  %8.1f MB/s\n", firstPass, mb / firstPass);
    double whole = run(input, user, pZarnet, o.plain, outSize, ok);
    if (!ok) return 1;
    std::printf("first pass + pZarnet:  %7.3f s  %8.1f MB/s  (output %.1f MB)\n", whole, mb / whole,
                static_cast<double>(outSize) / 1e6);
    if (!includeDir.empty()) std::filesystem::remove_all(includeDir);
    return 0;
}
