#include "ParseError.h"

#include <algorithm>
#include <array>

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
    for (char32_t c : t) {
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

std::string quoteChar(char32_t c) { return quoteWith(TextView(&c, 1), '"'); }
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
    case Form::Owned: return toUtf8(box_->text);
    case Form::QuotedChar: return quoteChar(ch_);
    case Form::SingleQuoted: return singleQuoteChar(ch_);
    case Form::QuotedStatic: return quoteText(TextView(view_, len_));
    case Form::QuotedOwned: return quoteText(box_->text);
    }
    return std::string();
}

ParseError::ParseError(SourcePos p, Message m) : pos_(p) {
    auto n = makeRc<MsgNode>();
    n->items[0] = std::move(m);
    n->count = 1;
    msgs_ = std::move(n);
}

ParseError::ParseError(SourcePos p, Message a, Message b) : pos_(p) {
    auto n = makeRc<MsgNode>();
    n->items[0] = std::move(a);
    n->items[1] = std::move(b);
    n->count = 2;
    msgs_ = std::move(n);
}

std::vector<Message> ParseError::messages() const {
    std::vector<Message> out;
    std::vector<const MsgNode*> stack;
    if (msgs_) stack.push_back(msgs_.get());
    while (!stack.empty()) {
        const MsgNode* n = stack.back();
        stack.pop_back();
        for (int i = 0; i < n->count; ++i) out.push_back(n->items[i]);
        if (n->right) stack.push_back(n->right.get());
        if (n->left) stack.push_back(n->left.get());
    }
    return out;
}

ParseError mergeError(const ParseError& e1, const ParseError& e2) {
    if (!e2.msgs_ && e1.msgs_) return e1;
    if (!e1.msgs_ && e2.msgs_) return e2;
    int c = compare(e1.pos_, e2.pos_);
    if (c > 0) return e1;
    if (c < 0) return e2;
    if (!e1.msgs_) return e1;
    auto n = makeRc<MsgNode>();
    n->left = e1.msgs_;
    n->right = e2.msgs_;
    return ParseError(e1.pos_, Rc<const MsgNode>(std::move(n)));
}

ParseError setExpectErrors(const ParseError& e, MsgText label) {
    std::vector<Message> ms = e.messages();
    auto first = makeRc<MsgNode>();
    first->items[0] = Message{MsgKind::Expect, std::move(label)};
    first->count = 1;
    Rc<const MsgNode> list = std::move(first);
    // Rebuild as a left-leaning chain of one-message nodes, keeping the order.
    for (const Message& m : ms) {
        if (m.kind == MsgKind::Expect) continue;
        auto leaf = makeRc<MsgNode>();
        leaf->items[0] = m;
        leaf->count = 1;
        auto cat = makeRc<MsgNode>();
        cat->left = list;
        cat->right = std::move(leaf);
        list = std::move(cat);
    }
    return ParseError(e.pos_, std::move(list));
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
