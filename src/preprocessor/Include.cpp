#include "preprocessor/Include.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "platform/IncludeSearch.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/PreprocessorRun.h"

#include <unordered_map>

namespace zarnet {

namespace {

// The depth of the text being read: 0 for the root file.
std::int64_t depthOfInput(const State& s) {
    const auto& depths = preprocessorRun(s).includeDepths;
    auto it = depths.find(s.end);
    return it == depths.end() ? 0 : it->second;
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
    SearchResult found = searchFile(name, s.st().searchPaths, files);
    q(pDirectiveLineEnd);
    if (!q) return q.failure();

    if (!found.found) {
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
    InputView text = keepInRun(s, readTextFile(files, found.path));
    Text sourceName = fileNamePart(found.path);
    s.cur = text.begin;
    s.end = text.end;
    s.pos = initialPos(sourceNameInRun(s, sourceName));
    if (!text.empty()) {
        preprocessorRun(s).includeDepths[text.end] = depth;
        s.modify([&sourceName, seq = s.sequenceNo](ParserState& st) {
            st.sourceNameStack = st.sourceNameStack.push(SourceSwitch{seq, sourceName, 1});
        });
    }
    return q.ok(Text("\n"));
}

} // namespace zarnet
