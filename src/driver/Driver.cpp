#include "driver/Driver.h"

#include "core/Console.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "driver/Report.h"
#include "driver/SqrFile.h"
#include "driver/VarFileParser.h"
#include "preprocessor/Ask.h"
#include "preprocessor/Include.h"
#include "preprocessor/Preprocessor.h"
#include "preprocessor/PreprocessorRun.h"
#include "sqr/SqrParser.h"

#include <cstdlib>
#include <memory>
#include <utility>

namespace zarnet {

void reportRuntimeError(const std::string& text) {
    console().flushOut();
    console().writeErr(programName() + ": " + text + "\n");
}

namespace {

// Where a result goes: the output file, whose contents its first piece replaces, or
// standard output.
class ResultWriter {
public:
    explicit ResultWriter(const Options& o) : o_(o) {}
    void operator()(TextView bytes) {
        if (!o_.optOutputHandle)
            console().writeOut(bytes);
        else if (first_)
            o_.optOutputHandle->replaceContents(bytes);
        else
            o_.optOutputHandle->appendContents(bytes);
        first_ = false;
    }
    void finish() {
        if (first_) (*this)(TextView());
        if (!o_.optOutputHandle) console().flushOut();
    }

private:
    const Options& o_;
    bool first_ = true;
};

void writeResult(const Options& o, TextView bytes) {
    ResultWriter w(o);
    w(bytes);
    w.finish();
}

void closeOutput(const Options& o) {
    if (o.optOutputHandle)
        o.optOutputHandle->close();
    else
        console().flushOut();
}

std::optional<SuppressList> readSuppressList(const Text& path) {
    Text text = readTextFile(path);
    auto r = varfile::parseVarFile(text, fileNamePart(path));
    if (r.ok) return std::move(r.value);
    // Standard output whatever options O and "!" say.
    console().writeOut(renderError(r.error) + "\n");
    console().flushOut();
    return std::nullopt;
}

// What a run builds and reads until its output is written: the run's texts and parts, the
// include files' directory listings, and the parse's result, which points into the texts.
// (Members go in reverse: the result first.)
struct RunWork {
    RunContext context;
    const DiskFileSystem includeFiles{true}; // directory listings kept for this run
    ParseResult<Text> result;
};

// The work of the last run left to the exit. Held here, it stays reachable, so that a leak
// checker does not count it as lost.
RunWork* leftToExit = nullptr;

struct EndRunWork {
    RunEnd end;
    void operator()(RunWork* w) const {
        if (end == RunEnd::FreeAll) {
            delete w;
            return;
        }
        delete std::exchange(leftToExit, w);
    }
};

int run(const std::vector<std::string>& args, const std::shared_ptr<OutputFiles>& outputs, RunEnd end) {
    std::vector<Text> words;
    for (const auto& a : args) words.push_back(decodeBytes(a));
    CommandLine cl = readCommandLine(words);
    Options start = defaultOptions();
    start.openedOutputs = outputs;
    Options o = applyOptionActions(start, cl.options);

    if (cl.files.empty()) {
        printUsage();
        return 1;
    }
    Text path = resolveInputPath(cl.files.front(), o.optSearchPaths);

    if (const auto& out = o.optOutputHandle) {
        const char* clash = nullptr;
        if (out->sameFileAs(path))
            clash = msg::kOutputIsInputFile;
        else if (o.optVarFilePath && out->sameFileAs(*o.optVarFilePath))
            clash = msg::kOutputIsVarFile;
        if (clash) {
            reportRuntimeError(out->path() + ": " + clash);
            return 1;
        }
    }

    SuppressList suppress;
    if (o.optVarFilePath) {
        auto list = readSuppressList(*o.optVarFilePath);
        if (!list) return 1;
        suppress = std::move(*list);
    }

    Text root = fileNamePart(path);
    ParserState st = initialState();
    st.searchPaths = o.optSearchPaths;
    st.matchSourceNameForReport = o.optFileFilter;
    st.recursiveCheck = o.optRecursiveCheck;

    // Everything of the run below, the positions in the final state and in errors among
    // them, points into this context: it outlives the rendering of errors and the report.
    const std::unique_ptr<RunWork, EndRunWork> work(new RunWork, EndRunWork{end});
    RunContext& runContext = work->context;
    st.rootSourceName = runContext.sourceName(root);
    runContext.part<IncludeFiles>().fileSystem = &work->includeFiles;
    // A developer's switch: the whole run through the plain grammar, without fast paths,
    // for comparing the two (see the command-line cases run that way).
    if (const char* plain = std::getenv("ZARNET_PLAIN_GRAMMAR"); plain && *plain)
        runContext.fastPaths = false;
    const InputView input = runContext.keep(readTextFile(path));
    SecondPass secondPass = o.optOnlyPreprocess ? SecondPass(pZarnet) : SecondPass(sqr::pSqrSecondPass);
    ParseResult<Text>& result = work->result;
    result = runParserWithState([&secondPass](State& s) { return pSqr(s, secondPass); },
                                makeUserState(std::move(st)), runContext.sourceName(root), input, &runContext);

    if (!result.ok) {
        if (!o.optSuppressOutput) writeResult(o, renderError(result.error) + "\n");
        closeOutput(o);
        return 1;
    }
    if (!o.optSuppressOutput) {
        // Texts are UTF-8 already: the preprocessed text is written as it is; the report in
        // pieces as it is made.
        ResultWriter w(o);
        if (o.optOnlyPreprocess) {
            result.value += '\n';
            w(result.value);
        } else {
            const std::function<void(TextView)> write = std::ref(w);
            writeReport(o.optOutputFormatList, suppress, o.optExceptCheckParam, result.finalState.st(), write);
            w(TextView("\n"));
        }
        w.finish();
    }
    closeOutput(o);
    return 0;
}

} // namespace

namespace {

int runCatching(const std::vector<std::string>& args, const std::shared_ptr<OutputFiles>& outputs, RunEnd end) {
    try {
        return run(args, outputs, end);
    } catch (const ExitRequest& e) {
        return e.code;
    } catch (const FileOpError& e) {
        reportRuntimeError(e.describe());
    } catch (const AskInputEnded& e) {
        console().flushOut();
        console().writeErr(e.what());
    } catch (const std::exception& e) {
        reportRuntimeError(e.what());
    }
    return 1;
}

} // namespace

int runMain(const std::vector<std::string>& args, RunEnd end) {
    auto outputs = std::make_shared<OutputFiles>();
    int code = runCatching(args, outputs, end);
    // A run that refused or failed before it wrote takes back the files it created.
    if (code != 0)
        for (const auto& f : *outputs) f->discardUnwritten();
    return code;
}

} // namespace zarnet
