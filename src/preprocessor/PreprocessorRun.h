// The preprocessor's part of a run: what the first pass counts and caches while it runs.
#pragma once

#include "core/Parser.h"
#include "platform/FileSystem.h"
#include "platform/Memory.h"

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace zarnet {

struct PreprocessorRun : RunPart {
    // Line steps open on the C++ stack (blocks and setup sections nest through them).
    int lineNesting = 0;
    // Conditional blocks open in taken branches.
    std::int64_t openBlocks = 0;
    // How many files lie between the root and each included text, by the place to resume
    // that its #include pushed (the front of `context` while the text is read; the root
    // has none). An #include on the last line of a file, without a line break, leaves that
    // file before the next one is entered, so the include places alone would not grow
    // along such a chain and a file that includes itself that way would never stop. The
    // text itself cannot be the key: every inclusion of a file reads the same text.
    // Each entry keeps its place alive, so that no later place can take its address.
    struct IncludeDepth {
        PList<Context> place;
        std::int64_t depth = 0;
    };
    std::unordered_map<const Context*, IncludeDepth> includeDepths;
    // The files #include has read, by the name as written: an #include of a name that was
    // found before along the same search directories, in the same file system, reads the
    // text read then, without searching, opening and reading the file again. A run reads
    // each included file once, as it lists each directory once; only files whose reading
    // can be repeated are kept.
    struct IncludedFile {
        const FileSystem* files = nullptr;
        PList<Text> searchPaths;
        InputView text;
        SourceName sourceName;
        std::size_t textsDropped = 0; // the text is gone once the run's texts are dropped
    };
    std::unordered_map<Text, IncludedFile> includedFiles;
    // The upper-cased name of a substitution reference, built in one buffer kept from one
    // reference to the next.
    Text referenceKey;
    // Pending errors of substituted lines that depend only on the line break (or end of
    // input) they lie at, by kind of line end.
    std::array<std::array<std::optional<ParseError>, 3>, 8> lineEndErrors;
    // Characters that references have put into the current line so far, and whether
    // references count (not while a line already counted is read again for its error).
    std::size_t substitutedOnLine = 0;
    bool countSubstitutions = true;
    // The bound on substitutedOnLine (tests lower it to stay fast).
    std::size_t maxSubstitutedLength = std::size_t(16) * 1024 * 1024;
    // The joined text while the second pass reads it (see secondPassReadUpTo).
    ReadOnceRegion* secondPassText = nullptr;
};

[[noreturn]] void preprocessingWithoutRun();

// The preprocessor's part of the run of s. Throws InternalError when the parse has no run.
inline PreprocessorRun& preprocessorRun(const State& s) {
    if (!s.run) preprocessingWithoutRun();
    return s.run->part<PreprocessorRun>();
}
// Whether the run's fast paths are on (on for a parse without a run).
inline bool fastPathsOn(const State& s) { return !s.run || s.run->fastPaths; }

// Runs p with the fast paths off (the plain grammar), whatever the run's switch says.
template <class P> auto plainGrammar(State& s, P&& p) {
    if (!s.run) preprocessingWithoutRun();
    bool& fast = s.run->fastPaths;
    struct Restore {
        bool& flag;
        bool old;
        ~Restore() { flag = old; }
    } restore{fast, fast};
    fast = false;
    return p(s);
}

// The run's text store: keeps t for the rest of the run and returns a view of it.
InputView keepInRun(const State& s, Text t);
// The run's copy of a source name.
SourceName sourceNameInRun(const State& s, TextView name);

} // namespace zarnet
