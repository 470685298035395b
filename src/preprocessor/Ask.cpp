#include "Ask.h"

#include "DirectiveKeywords.h"
#include "Substitution.h"

#include "core/Console.h"
#include "core/Messages.h"
#include "core/ParserLib.h"

namespace zarnet {

namespace {

// The console dialogue, once the whole ASK line has been read.
void askAtConsole(State& s, const Text& name, const Text& prompt) {
    if (auto value = lookupSubstVar(s.st(), name)) {
        console().writeOut(msg::kAskAlreadyDefinedOpen + name + msg::kAskAlreadyDefinedMiddle +
                           *value + msg::kAskAlreadyDefinedClose + "\n");
        return;
    }
    console().writeOut(stripSpaces(prompt) + msg::kAskPromptEnd);
    console().flushOut();
    std::optional<std::string> line = console().readLine();
    if (!line) throw AskInputEnded(programName());
    Text answer = decodeBytes(*line);
    defineSubstVar(s, name, answer);
    console().writeOut(name + msg::kAskEchoSeparator + answer + "\n");
    console().flushOut();
}

} // namespace

AskInputEnded::AskInputEnded(const std::string& programName)
    : std::runtime_error(programName + msg::kAskEndOfInputSuffix + "\n") {}

Reply<Text> pAsk(State& s) {
    static const auto p = seqKeep<1>(manyOne(nbsp), pAskArgs);
    return p(s);
}

Reply<Text> pAskArgs(State& s) {
    static const auto name = manyOneText(pSubstVar);
    Seq q(s);
    Text n = q(name);
    if (!q) return q.failure();
    Text nl = q([&n](State& st) { return askSubstVar(st, n); });
    if (!q) return q.failure();
    return q.ok(std::move(nl));
}

Reply<Text> askSubstVar(State& s, const Text& name) {
    static const auto givenPrompt = attempt(seqKeep<1>(manyOne(nbsp), pDirectiveArg));
    Seq q(s);
    Text prompt = q(orElse(givenPrompt, succeedWith(msg::kAskDefaultPrompt + name)));
    if (!q) return q.failure();
    q(pDirectiveLineEnd);
    if (!q) return q.failure();
    askAtConsole(s, name, prompt);
    return q.ok(Text("\n"));
}

} // namespace zarnet
