// The command line: the options record of a run, the option table, the reading of the
// argument words, and the usage text.
#pragma once

#include "core/ParserState.h"
#include "core/Records.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace zarnet {

// Ends the run with an exit code (the version and usage options do so while the options
// are being applied).
struct ExitRequest {
    int code = 0;
};

// The output file of option O. It is opened for writing when the option is read, without
// emptying it: an existing file keeps its contents until a result is written over it. The
// path is taken as written ("\" read as "/"), never looked up without regard to case: an
// output file must not land on another file whose name differs only in case.
class OutputFile {
public:
    // Opens (creating it when missing); throws FileOpError.
    explicit OutputFile(Text path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const Text& path() const noexcept { return path_; }
    // True when the open file and the file at `path` are one file.
    bool sameFileAs(const Text& path) const;
    // Replaces the file's contents with the bytes; throws FileOpError.
    void replaceContents(std::string_view bytes);
    // Writes the bytes after those written before (a result written in pieces: the first
    // piece replaces the contents); throws FileOpError.
    void appendContents(std::string_view bytes);
    // Closes the file; throws FileOpError when the close fails.
    void close();
    // True when opening the file created it.
    bool created() const noexcept { return created_; }
    // Removes the file when this object created it and nothing was written to it (a run
    // that ends without a result must not leave an empty file that later runs would find,
    // e.g. as their input). Never fails: a file that cannot be removed stays.
    void discardUnwritten() noexcept;

private:
    Text path_;
    std::string native_;
    int fd_ = -1;
    bool created_ = false;
    bool written_ = false;
    // The created file, to be told from one put in its place.
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Every output file a run opened, in command-line order, kept so that a run that fails
// can remove those it created.
using OutputFiles = std::vector<std::shared_ptr<OutputFile>>;

using SuppressList = std::vector<std::pair<Scope, VarIdentifier>>;

struct Options {
    PList<Text> optSearchPaths;
    bool optOnlyPreprocess = false;
    bool optRecursiveCheck = false;
    NamePredicate optFileFilter;
    std::shared_ptr<OutputFile> optOutputHandle; // none: standard output
    std::shared_ptr<OutputFiles> openedOutputs;  // where option O records its files; none: not kept
    bool optExceptCheckParam = false;
    bool optOutputFormatList = false;
    std::optional<Text> optVarFilePath;
    SuppressList variablesSuppressError;
    bool optSuppressOutput = false;
};

bool acceptAllFiles(const Text& name);
const Options& defaultOptions();

enum class ArgKind { None, Required, Optional };

using OptionAction = std::function<Options(const Options&)>;

struct OptionDescriptor {
    std::string letters;            // one or two letters, the same option under each
    std::vector<std::string> longNames; // always empty
    ArgKind argKind = ArgKind::None;
    const char* placeholder = "";
    const char* help = "";
    // The action, given the argument text (empty for options without one, absent for an
    // optional argument that was not given).
    std::function<OptionAction(const std::optional<Text>&)> action;
};

const std::vector<OptionDescriptor>& optionDescriptors();

// One recognised option of the command line, with its argument.
struct OptionUse {
    char32_t letter = 0; // as typed
    std::optional<Text> argument;
    OptionAction action;
};

struct CommandLine {
    std::vector<OptionUse> options;     // in command-line order
    std::vector<Text> files;            // in command-line order
    std::vector<std::string> errors;    // unrecognised options, missing arguments: unused
};

CommandLine readCommandLine(const std::vector<Text>& words);
Options applyOptionActions(const Options& start, const std::vector<OptionUse>& options);

// The argument of option I cut at ";", empty pieces dropped.
PList<Text> splitSearchPaths(const Text& list);

std::string usageText();
void printUsage();

} // namespace zarnet
