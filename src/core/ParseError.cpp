#include "ParseError.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace zarnet {

namespace {

constexpr std::array<const char*, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "a",   "b",   "t",  "n",
    "v",   "f",   "r",   "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

// Appends the escaped form of c; returns what the next character must be checked for:
// 1 after a decimal escape (a following digit needs "\&"), 2 after "\SO" (a following
// 'H' needs "\&"), 0 otherwise.
int appendEscaped(std::string& out, char32_t c) {
    if (c > 127) {
        out += '\\';
        out += std::to_string(static_cast<std::uint32_t>(c));
        return 1;
    }
    if (c == 127) {
        out += "\\DEL";
        return 0;
    }
    if (c == U'\\') {
        out += "\\\\";
        return 0;
    }
    if (c >= 32) {
        out += static_cast<char>(c);
        return 0;
    }
    out += '\\';
    out += kControlNames[c];
    return c == 14 ? 2 : 0;
}

std::string quoteWith(TextView t, char quote) {
    std::string out(1, quote);
    int pending = 0;
    for (char32_t c : chars(t)) {
        if ((pending == 1 && c >= U'0' && c <= U'9') || (pending == 2 && c == U'H')) out += "\\&";
        if (c == static_cast<char32_t>(quote)) {
            out += '\\';
            out += quote;
            pending = 0;
        } else {
            pending = appendEscaped(out, c);
        }
    }
    out += quote;
    return out;
}

} // namespace

std::string quoteChar(char32_t c) { return quoteWith(charText(c), '"'); }
std::string quoteText(TextView t) { return quoteWith(t, '"'); }
std::string singleQuoteChar(char32_t c) {
    if (c == U'\'') return "'\\''";
    std::string out = "'";
    appendEscaped(out, c);
    out += '\'';
    return out;
}

std::string MsgText::build() const {
    switch (form_) {
    case Form::Empty: return std::string();
    case Form::Static: return std::string(ascii_);
    case Form::Owned: return box_->text;
    case Form::QuotedChar: return quoteChar(ch_);
    case Form::SingleQuoted: return singleQuoteChar(ch_);
    case Form::QuotedStatic: return quoteText(TextView(view_, len_));
    case Form::QuotedOwned: return quoteText(box_->text);
    }
    return std::string();
}

void MsgText::dropBox(const TextBox* b) noexcept { delete b; }

namespace {
// Calls f on the stored messages of a chain of blocks, earliest first.
template <class F> void forEachStored(const MsgBlock* last, F f) {
    if (last && !last->prev) {
        for (int i = 0; i < last->count; ++i) f(last->items[i]);
        return;
    }
    const MsgBlock* few[8];
    std::vector<const MsgBlock*> many;
    int n = 0;
    for (const MsgBlock* b = last; b; b = b->prev.get()) {
        if (n < 8)
            few[n++] = b;
        else
            many.push_back(b);
    }
    for (auto it = many.rbegin(); it != many.rend(); ++it)
        for (int i = 0; i < (*it)->count; ++i) f((*it)->items[i]);
    while (n > 0) {
        const MsgBlock* b = few[--n];
        for (int i = 0; i < b->count; ++i) f(b->items[i]);
    }
}
} // namespace

bool ParseError::holds(const StoredMsg& m) const noexcept {
    for (int k = 0; k < count_; ++k)
        if (inline_[k] == m) return true;
    for (const MsgBlock* b = more_.get(); b; b = b->prev.get())
        for (int i = 0; i < b->count; ++i)
            if (b->items[i] == m) return true;
    return false;
}

void ParseError::addToBlocks(const StoredMsg& m) {
    if (!holds(m)) appendToBlocks(m);
}

void ParseError::appendToBlocks(const StoredMsg& m) {
    if (!more_.unique() || more_->count == MsgBlock::kCapacity) {
        auto b = makeRc<MsgBlock>();
        b->prev = std::move(more_);
        more_ = std::move(b);
    }
    if (m.isBoxed()) {
        m.retain();
        more_->boxed = true;
    }
    more_->items[more_->count++] = m;
}

MessageSet::MessageSet(std::initializer_list<Message> ms) {
    ParseError e;
    for (const Message& m : ms) e.addToBlocks(StoredMsg::of(m));
    block_ = std::move(e.more_);
}

ParseError MessageSet::asError() const {
    ParseError e;
    e.more_ = block_;
    return e;
}

std::vector<Message> ParseError::messages() const {
    std::vector<Message> out;
    for (int i = 0; i < count_; ++i) out.push_back(inline_[i].message());
    forEachStored(more_.get(), [&out](const StoredMsg& m) { out.push_back(m.message()); });
    return out;
}

// Appends the messages of e2 (at the same position) after this error's.
void ParseError::pool(const ParseError& e2) {
    if (!more_) {
        for (int i = 0; i < e2.count_; ++i) addStored(e2.inline_[i]);
        if (!e2.more_) return;
        if (!more_) {
            more_ = e2.more_;
            return;
        }
    } else {
        for (int i = 0; i < e2.count_; ++i) addToBlocks(e2.inline_[i]);
    }
    if (!e2.more_ || e2.more_ == more_) return;
    forEachStored(e2.more_.get(), [this](const StoredMsg& m) { addToBlocks(m); });
}

template <class E1, class E2> ParseError ParseError::merged(E1&& e1, E2&& e2) {
    switch (e1.mergeWinner(e2)) {
    case 1: return std::forward<E1>(e1);
    case 2: return std::forward<E2>(e2);
    }
    ParseError out = std::forward<E1>(e1);
    out.pool(e2);
    return out;
}

ParseError mergeError(const ParseError& e1, const ParseError& e2) { return ParseError::merged(e1, e2); }
ParseError mergeError(ParseError&& e1, const ParseError& e2) { return ParseError::merged(std::move(e1), e2); }
ParseError mergeError(ParseError&& e1, ParseError&& e2) { return ParseError::merged(std::move(e1), std::move(e2)); }
ParseError mergeError(const ParseError& e1, ParseError&& e2) { return ParseError::merged(e1, std::move(e2)); }

ParseError setExpectErrors(const ParseError& e, MsgText label) {
    ParseError out(e.pos_, Message{MsgKind::Expect, std::move(label)});
    for (int i = 0; i < e.count_; ++i)
        if (e.inline_[i].kind != MsgKind::Expect) out.addStored(e.inline_[i]);
    forEachStored(e.more_.get(), [&out](const StoredMsg& m) {
        if (m.kind != MsgKind::Expect) out.addStored(m);
    });
    return out;
}

namespace {

// Texts joined with ", " and a final " or "; empty and repeated texts dropped.
std::string listText(const std::vector<std::string>& texts) {
    std::vector<std::string> kept;
    for (const auto& t : texts)
        if (!t.empty() && std::find(kept.begin(), kept.end(), t) == kept.end()) kept.push_back(t);
    if (kept.empty()) return std::string();
    std::string out = kept.front();
    for (std::size_t i = 1; i + 1 < kept.size(); ++i) out += ", " + kept[i];
    if (kept.size() > 1) out += " or " + kept.back();
    return out;
}

} // namespace

std::string renderError(const ParseError& e) {
    std::string out = showPos(e.pos()) + ":";
    std::vector<Message> ms = e.messages();
    if (ms.empty()) return out + "unknown parse error";
    std::stable_sort(ms.begin(), ms.end(),
                     [](const Message& a, const Message& b) { return a.kind < b.kind; });
    std::vector<std::string> groups[4];
    for (const Message& m : ms) groups[static_cast<int>(m.kind)].push_back(m.text.build());

    std::vector<std::string> lines;
    if (groups[1].empty() && !groups[0].empty())
        lines.push_back("unexpected " + (groups[0].front().empty() ? std::string("end of input")
                                                                   : groups[0].front()));
    const char* prefixes[] = {nullptr, "unexpected", "expecting", nullptr};
    for (int k = 1; k < 4; ++k) {
        std::string t = listText(groups[k]);
        if (t.empty()) continue;
        lines.push_back(prefixes[k] ? std::string(prefixes[k]) + " " + t : t);
    }
    std::vector<std::string> shown;
    for (const auto& l : lines) {
        if (std::find(shown.begin(), shown.end(), l) != shown.end()) continue;
        shown.push_back(l);
        out += "\n" + l;
    }
    return out;
}

} // namespace zarnet
