#include "preprocessor/Include.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "platform/IncludeSearch.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/PreprocessorRun.h"

#include <optional>

namespace zarnet {

namespace {

// The depth of the text being read: 0 for the root file.
std::int64_t depthOfInput(const State& s) {
    const PList<Context>& places = s.st().context;
    if (places.empty()) return 0;
    const auto& depths = preprocessorRun(s).includeDepths;
    auto it = depths.find(&places.front());
    return it == depths.end() ? 0 : it->second.depth;
}

bool sameList(const PList<Text>& a, const PList<Text>& b) { return a.begin() == b.begin() || a == b; }

// The file an earlier #include of `name` read, when this one would find and read it again.
std::optional<PreprocessorRun::IncludedFile> readBefore(const State& s, const Text& name, const FileSystem& files) {
    const auto& known = preprocessorRun(s).includedFiles;
    auto it = known.find(name);
    if (it == known.end()) return std::nullopt;
    const PreprocessorRun::IncludedFile& f = it->second;
    if (f.files != &files || f.textsDropped != s.run->textsDropped() || !sameList(f.searchPaths, s.st().searchPaths))
        return std::nullopt;
    return f;
}

Text messageWithName(const char* prefix, const Text& name) {
    Text m = prefix;
    m += name;
    m += msg::kIncludeNameEnd;
    return m;
}

// Every character up to the closing quote, line ends included.
Reply<Text> quotedName(State& s, char32_t quote) {
    return charsWhile([quote](char32_t c) { return c != quote; })(s);
}

} // namespace

const FileSystem& includeFileSystem(const State& s) {
    if (s.run)
        if (const FileSystem* fs = s.run->part<IncludeFiles>().fileSystem) return *fs;
    return diskFileSystem();
}

Reply<Context> mkContext(State& s) {
    return okReply(false, Context{s.pos, s.cur, s.end}, unknownError(s.pos));
}

Reply<Unit> pushContext(State& s, const Context& c) {
    s.modify([&c](ParserState& st) { st.context = st.context.push(c); });
    return okReply(false, Unit{}, unknownError(s.pos));
}

Reply<Text> pIncludeDirective(State& s) {
    static const auto p = seqKeep<1>(manySkip(nbsp), pIncludeFile);
    return p(s);
}

Reply<Text> pIncludeFile(State& s) {
    Seq q(s);
    const SourcePos quotePos = s.pos;
    const std::int64_t depth = depthOfInput(s) + 1; // read before the line end may leave the file
    char32_t quote = q(satisfying([](char32_t c) { return c == U'\'' || c == U'"'; }));
    if (!q) return q.failure();
    Text name = q([quote](State& st) { return quotedName(st, quote); });
    if (!q) return q.failure();
    q(char_(quote));
    if (!q) return q.failure();
    const FileSystem& files = includeFileSystem(s);
    const std::optional<PreprocessorRun::IncludedFile> known = readBefore(s, name, files);
    const PList<Text> searchPaths = s.st().searchPaths;
    SearchResult found;
    if (!known) found = searchFile(name, searchPaths, files);
    q(pDirectiveLineEnd);
    if (!q) return q.failure();

    if (!known && !found.found) {
        writePosMessage(quotePos, messageWithName(msg::kCannotOpenIncludePrefix, name));
        // A name that ran over line ends made one output line of several source lines:
        // the second pass must go on at the line that follows them.
        if (name.find(U'\n') != Text::npos) {
            SourceSwitch resume{s.sequenceNo, s.pos.sourceName.text(), s.pos.sourceLine};
            s.modify([&resume](ParserState& st) { st.sourceNameStack = st.sourceNameStack.push(resume); });
        }
        return q.ok(Text("\n"));
    }
    // A file that includes itself, directly or through others, would nest without end.
    if (depth > kMaxIncludeDepth)
        return consumedError(ParseError(
            quotePos, Message{MsgKind::Message, MsgText::owned(messageWithName(msg::kIncludeTooDeepPrefix, name))}));

    Context here = q(mkContext);
    q([&here](State& st) { return pushContext(st, here); });
    PreprocessorRun& run = preprocessorRun(s);
    const PList<Context>& places = s.st().context;
    run.includeDepths.insert_or_assign(&places.front(), PreprocessorRun::IncludeDepth{places, depth});
    InputView text;
    SourceName sourceName;
    if (known) {
        text = known->text;
        sourceName = known->sourceName;
    } else {
        FileText read = readFileText(files, found.path);
        text = keepInRun(s, std::move(read.text));
        sourceName = sourceNameInRun(s, fileNamePart(found.path));
        if (read.repeatable)
            run.includedFiles.insert_or_assign(
                name, PreprocessorRun::IncludedFile{&files, searchPaths, text, sourceName, s.run->textsDropped()});
    }
    s.cur = text.begin;
    s.end = text.end;
    s.pos = initialPos(sourceName);
    if (!text.empty())
        s.modify([&sourceName, seq = s.sequenceNo](ParserState& st) {
            st.sourceNameStack = st.sourceNameStack.push(SourceSwitch{seq, sourceName.text(), 1});
        });
    return q.ok(Text("\n"));
}

} // namespace zarnet
