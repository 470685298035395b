#include "preprocessor/IfDirective.h"

#include "core/Messages.h"
#include "core/ParserLib.h"
#include "preprocessor/Conditional.h"
#include "preprocessor/DirectiveKeywords.h"
#include "preprocessor/LineScanner.h"
#include "preprocessor/Substitution.h"

#include <array>

namespace zarnet {

namespace {

bool equalOp(const PPValue& a, const PPValue& b) { return a == b; }
bool notEqualOp(const PPValue& a, const PPValue& b) { return a != b; }
bool lessEqualOp(const PPValue& a, const PPValue& b) { return a <= b; }
bool greaterEqualOp(const PPValue& a, const PPValue& b) { return a >= b; }
bool lessOp(const PPValue& a, const PPValue& b) { return a < b; }
bool greaterOp(const PPValue& a, const PPValue& b) { return a > b; }

// Tried in this order: a longer operator before the one it begins with.
const std::array<CompareOp, 8> kOperators{{
    {"=", equalOp},
    {"!!=", notEqualOp},
    {"!=", notEqualOp},
    {"<>", notEqualOp},
    {"<=", lessEqualOp},
    {">=", greaterEqualOp},
    {"<", lessOp},
    {">", greaterOp},
}};

// Zero or more operand characters; never fails.
Reply<Text> bareOperand(State& s) {
    static const auto p = charsWhile(isOperandChar);
    return p(s);
}

// The left operand: between single quotes, else bare.
Reply<Text> leftOperand(State& s) {
    static const auto p = orElse(attempt(seqLeft(pQuotedChars, pQuote)), bareOperand);
    return p(s);
}

// The operator, or the run-ending failure where none stands.
Reply<CompareOp> operatorOrFail(State& s) {
    static const auto p = orElse(pCompareOperator, [](State& st) -> Reply<CompareOp> {
        auto r = pFail(st, MsgText::literal(msg::kInvalidOperator));
        return Failure{std::move(r.err), r.consumed};
    });
    return p(s);
}

} // namespace

bool isOperandChar(char32_t c) noexcept {
    switch (c) {
    case U'!': case U'\n': case U'\r': case U'\t': case U' ': case U'=': case U'<': case U'>':
        return false;
    default:
        return true;
    }
}

Reply<Text> pOperandChar(State& s) {
    auto r = satisfying(isOperandChar)(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, charText(r.value), std::move(r.err));
}

Reply<CompareOp> pCompareOp(State& s, const CompareOp& row) {
    auto r = attempt(string_(row.text))(s);
    if (!r.ok) return Failure{std::move(r.err), r.consumed};
    return okReply(r.consumed, row, std::move(r.err));
}

Reply<CompareOp> pCompareOperator(State& s) {
    State saved = s;
    ParseError merged;
    for (std::size_t i = 0; i < kOperators.size(); ++i) {
        auto r = pCompareOp(s, kOperators[i]);
        if (r.ok) return r; // every operator text consumes
        merged = i == 0 ? std::move(r.err) : mergeError(merged, r.err);
        s = saved;
    }
    return emptyError(std::move(merged));
}

std::pair<Text, std::optional<double>> readPPValue(TextView t) { return {toUpperText(t), readPPNumber(t)}; }

PPValue mkPPValue(TextView t) {
    auto [text, number] = readPPValue(t);
    return PPValue{std::move(text), number};
}

Reply<Text> pOperandValue(State& s, const Text& operand) {
    std::optional<Text> value = lookupSubstVar(s.st(), operand);
    return okReply(false, value ? std::move(*value) : operand, unknownError(s.pos));
}

Reply<bool> evalCondition(State& s, const Text& left) {
    Seq q(s);
    q(manySkip(nbsp));
    if (!q) return q.failure();
    CompareOp op = q(operatorOrFail);
    if (!q) return q.failure();
    q(manySkip(nbsp));
    if (!q) return q.failure();
    Text right = stripSpaces(q(pDirectiveArg));
    if (!q) return q.failure();
    Text leftValue = q([&left](State& st) { return pOperandValue(st, left); });
    Text rightValue = q([&right](State& st) { return pOperandValue(st, right); });
    return q.ok(op.holds(mkPPValue(leftValue), mkPPValue(rightValue)));
}

Reply<Text> pIfDirective(State& s) {
    if (ConditionalLevel::exhausted(s)) return pConditionalTooDeep(s);
    ConditionalLevel level(s);
    static const auto blanksOrFail = orElse(seqRight(nbsp, manySkip(nbsp)), pFail(msg::kInvalidOperator));
    Seq q(s);
    q(blanksOrFail);
    if (!q) return q.failure();
    Text condition = q(pRestOfLineSubst);
    if (!q) return q.failure();
    condition += q(pTrailingBlanks);
    if (!q) return q.failure();
    Text out = q([&condition](State& st) { return pIfComparison(st, condition); });
    if (!q) return q.failure();
    return q.ok(std::move(out));
}

Reply<Text> pIfComparison(State& s, const Text& condition) {
    Seq q(s);
    // The comparison is read from the condition text alone, its positions running on from
    // the end of the #if line; then the line itself is ended. Line and comparison are one
    // unit, so that when the line end returns from an included file nothing pending from
    // the file left behind outranks the errors of the block that follows.
    // The condition is read in place: the state leaves it before this call returns.
    bool taken = q(droppingErrorsLeftBehind([&condition](State& st) -> Reply<bool> {
        Seq u(st);
        const InputView line = st.input();
        const SourcePos lineEnd = st.pos;
        const InputView cond = viewOf(condition);
        st.cur = cond.begin;
        st.end = cond.end;
        auto backOnTheLine = [&st, &line] {
            st.cur = line.begin;
            st.end = line.end;
        };
        Text left = stripSpaces(u(leftOperand));
        if (!u) {
            backOnTheLine();
            return u.failure();
        }
        bool t = u([&left](State& x) { return evalCondition(x, left); });
        backOnTheLine();
        if (!u) return u.failure();
        st.pos = lineEnd;
        u(pDirectiveLineEnd);
        if (!u) return u.failure();
        return u.ok(t);
    }));
    if (!q) return q.failure();
    Text block = q([taken](State& st) { return pCondBlock(st, taken); });
    if (!q) return q.failure();
    block.insert(block.begin(), '\n');
    return q.ok(std::move(block));
}

} // namespace zarnet
