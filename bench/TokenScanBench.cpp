// Times the generic token scan of the second pass with every variable use recorded, over
// generated command-line-heavy programs of growing size, to show its throughput and that
// it stays linear in the input.
//
//   zarnet_bench_token_scan [megabytes ...]     (default: 1 8 64)
//
// Each line is scanned the way a command line without a rule of its own is: blanks, the run
// of tokens (variables, literals, operators, words, continuation lines), the line end. The
// scope switches between the global scope and local procedures every few dozen lines.

#include "core/ParserLib.h"
#include "preprocessor/LineEnd.h"
#include "sqr/Reserved.h"
#include "sqr/Symbols.h"
#include "sqr/Variables.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace zarnet;

namespace {

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

// Command lines; "@" stands for a variable-name suffix that changes from line to line.
const char* const kLines[] = {
    "  let #total_@ = #total_@ + #amount * 1.5 - ($rate / 100)",
    "  print $name_@ (+1, 10) edit 999,999.99",
    "  show 'Value: ' $name_@ ' and ''quoted'' text' #count",
    "  if #count_@ > 100 and $state != 'CA' or #sql-status <> 0",
    "  let $line_@ = $first || ' ' || $last -\n      || ' done' || $_suffix",
    "  move $_global_@ to $saved_@",
    "  end-if",
    "  display #a #b #c_@ $d $e noline",
    "  print 'abc' (0, +2) wrap 15 2 on=$ strip=$",
    "  let #x_@ = round(#y_@ * #z, 2) + array.field(#i)",
    "",
};

std::string generate(std::size_t targetBytes) {
    std::string out;
    out.reserve(targetBytes + 256);
    Rng rng;
    while (out.size() < targetBytes) {
        std::string line = kLines[rng.next(std::size(kLines))];
        std::string suffix = std::to_string(rng.next(40));
        for (std::size_t at = line.find('@'); at != std::string::npos; at = line.find('@', at))
            line.replace(at, 1, suffix);
        out += line;
        out += '\n';
    }
    return out;
}

struct Totals {
    long lines = 0;
    std::size_t variables = 0;
};

// The scan: reserved variables, then line by line blanks, tokens and the line end.
Reply<Unit> scanProgram(State& s, Totals& t) {
    sqr::setBuiltinVariables(s);
    while (!s.atEnd()) {
        while (!s.atEnd() && isBlank(s.peek())) s.take();
        if (!s.atEnd() && s.peek() != U'\n') {
            Reply<Unit> r = sqr::pArgTokens(s);
            if (!r.ok) return Failure{std::move(r.err), true};
        }
        Reply<Text> e = eol(s);
        if (!e.ok) return Failure{std::move(e.err), true};
        if (++t.lines % 40 == 0) {
            long k = t.lines / 40;
            sqr::setCurrentScope(s, k % 2 ? Scope::local("PROC-" + std::to_string(k % 50)) : Scope::global());
        }
    }
    s.st().scopeMap.forEach([&](const Scope&, const VarMap& m) { t.variables += m.size(); });
    return okReply(true, Unit{}, unknownError(s.pos));
}

double run(double megabytes, bool print) {
    std::string source = generate(static_cast<std::size_t>(megabytes * 1e6));
    const double mb = static_cast<double>(source.size()) / 1e6;
    RunContext runContext;
    InputView input = runContext.keep(source);
    source = std::string();
    ParserState user = initialState();
    user.rootSourceName = runContext.sourceName("bench.sqr");
    Totals t;
    auto start = std::chrono::steady_clock::now();
    auto r = runParserWithState([&](State& s) { return scanProgram(s, t); }, makeUserState(user),
                                runContext.sourceName("bench.sqr"), input, &runContext);
    auto stop = std::chrono::steady_clock::now();
    if (!r.ok) {
        std::fprintf(stderr, "scan failed:\n%s\n", renderError(r.error).c_str());
        std::exit(1);
    }
    const double seconds = std::chrono::duration<double>(stop - start).count();
    if (print)
        std::printf("%7.1f MB  %9ld lines  %6zu variables  %7.3f s  %7.1f MB/s  %6.1f ns/byte\n", mb, t.lines,
                    t.variables, seconds, mb / seconds, seconds * 1e3 / mb);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<double> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
    if (sizes.empty()) sizes = {1, 8, 64};
    run(0.5, false); // warm the allocator pools
    for (double mb : sizes) run(mb, true);
    return 0;
}
