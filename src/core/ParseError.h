// Parse errors: a position and a list of messages whose texts stay unbuilt until the
// error is rendered. Merging two errors is cheap: an error without messages costs a test.
#pragma once

#include "Pool.h"
#include "Rc.h"
#include "SourcePos.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarnet {

enum class MsgKind : std::uint8_t { SysUnExpect = 0, UnExpect = 1, Expect = 2, Message = 3 };

// An owned message text, shared by the copies of the message that holds it.
struct TextBox {
    explicit TextBox(Text t) : text(std::move(t)) {}
    Text text;
    mutable std::size_t refs = 1;
};

// The text of one message, in one of a few unbuilt forms. Sixteen bytes: errors hold a
// few of these inline.
class MsgText {
public:
    enum class Form : std::uint8_t {
        Empty,         // the empty text
        Static,        // a static ASCII text, as it stands
        Owned,         // an owned text, as it stands
        QuotedChar,    // a character in double quotes, escaped
        SingleQuoted,  // a character in single quotes, escaped
        QuotedStatic,  // a static text in double quotes, escaped
        QuotedOwned,   // an owned text in double quotes, escaped
    };

    MsgText() noexcept : ascii_(nullptr) {}
    MsgText(const MsgText& o) noexcept : ascii_(o.ascii_), len_(o.len_), form_(o.form_) { retain(); }
    MsgText& operator=(const MsgText& o) noexcept {
        o.retain();
        release();
        ascii_ = o.ascii_;
        len_ = o.len_;
        form_ = o.form_;
        return *this;
    }
    MsgText(MsgText&& o) noexcept : ascii_(o.ascii_), len_(o.len_), form_(o.form_) { o.form_ = Form::Empty; }
    MsgText& operator=(MsgText&& o) noexcept {
        if (this != &o) {
            release();
            ascii_ = o.ascii_;
            len_ = o.len_;
            form_ = o.form_;
            o.form_ = Form::Empty;
        }
        return *this;
    }
    ~MsgText() { release(); }

    static MsgText empty() { return MsgText(); }
    // s must outlive every error that holds it (grammar literals do).
    static MsgText literal(const char* s) {
        MsgText m;
        m.form_ = Form::Static;
        m.ascii_ = s;
        return m;
    }
    static MsgText owned(Text t) { return boxed(Form::Owned, std::move(t)); }
    static MsgText quotedChar(char32_t c) {
        MsgText m;
        m.form_ = Form::QuotedChar;
        m.ch_ = c;
        return m;
    }
    static MsgText singleQuotedChar(char32_t c) {
        MsgText m;
        m.form_ = Form::SingleQuoted;
        m.ch_ = c;
        return m;
    }
    // t must outlive every error that holds it (grammar literals do).
    static MsgText quotedLiteral(TextView t) {
        MsgText m;
        m.form_ = Form::QuotedStatic;
        m.view_ = t.data();
        m.len_ = static_cast<std::uint32_t>(t.size());
        return m;
    }
    static MsgText quotedOwned(Text t) { return boxed(Form::QuotedOwned, std::move(t)); }

    Form form() const noexcept { return form_; }
    // The message text as it is shown (UTF-8).
    std::string build() const;
private:
    friend class ParseError;
    static MsgText boxed(Form f, Text t) {
        MsgText m;
        m.form_ = f;
        m.box_ = new TextBox(std::move(t));
        return m;
    }
    // Out of line: the compiler cannot follow the form tests that guard the count.
    [[gnu::noinline]] static void dropBox(const TextBox* b) noexcept;
    friend struct InlineMsg;
    bool isBoxed() const noexcept { return form_ == Form::Owned || form_ == Form::QuotedOwned; }
    void retain() const noexcept {
        if (isBoxed()) ++box_->refs;
    }
    void release() noexcept {
        if (isBoxed() && --box_->refs == 0) dropBox(box_);
    }

    union {
        const char* ascii_;
        const char* view_;
        char32_t ch_;
        const TextBox* box_;
    };
    std::uint32_t len_ = 0;
    Form form_ = Form::Empty;
};

struct Message {
    MsgKind kind = MsgKind::Message;
    MsgText text;
};

// Messages beyond those an error holds inline form a small immutable rope, so that errors
// at one position pool their messages without copying them. The order of a node's
// messages: its items, then left, then right.
struct MsgNode : RcObject, Pooled<MsgNode> {
    Message items[4];
    std::uint8_t count = 0;
    Rc<const MsgNode> left, right;
};

// A message without an owned text, as an error holds it inline: trivially copied.
struct InlineMsg {
    union {
        const char* ascii;
        const char* view;
        char32_t ch;
    };
    std::uint32_t len;
    MsgText::Form form;
    MsgKind kind;

    static bool fits(const Message& m) noexcept { return !m.text.isBoxed(); }
    static InlineMsg of(const Message& m) noexcept {
        InlineMsg i;
        i.ascii = m.text.ascii_;
        i.len = m.text.len_;
        i.form = m.text.form_;
        i.kind = m.kind;
        return i;
    }
    Message message() const noexcept {
        Message m;
        m.kind = kind;
        m.text.ascii_ = ascii;
        m.text.len_ = len;
        m.text.form_ = form;
        return m;
    }
    bool operator==(const InlineMsg& o) const noexcept {
        if (kind != o.kind || form != o.form) return false;
        switch (form) {
        case MsgText::Form::Empty: return true;
        case MsgText::Form::QuotedChar:
        case MsgText::Form::SingleQuoted: return ch == o.ch;
        case MsgText::Form::QuotedStatic: return view == o.view && len == o.len;
        default: return ascii == o.ascii;
        }
    }
};

// A position and its messages. Up to kInline messages are held in the error itself, so
// that making, merging and dropping the errors of failed tests allocates nothing; only
// errors that pool more messages at one position allocate.
class ParseError {
public:
    static constexpr int kInline = 3;

    ParseError() = default;
    explicit ParseError(SourcePos p) : pos_(p) {}
    ParseError(SourcePos p, Message m) : pos_(p) { add(m); }
    ParseError(SourcePos p, Message a, Message b) : pos_(p) {
        add(a);
        add(b);
    }

    const SourcePos& pos() const noexcept { return pos_; }
    bool hasMessages() const noexcept { return count_ != 0 || more_; }
    std::vector<Message> messages() const;

    friend ParseError mergeError(const ParseError& e1, const ParseError& e2);
    friend ParseError setExpectErrors(const ParseError& e, MsgText label);
    ParseError withPos(SourcePos p) const {
        ParseError e = *this;
        e.pos_ = p;
        return e;
    }
    // Adds a message after the others; one equal to a message held inline is dropped
    // (the rendered text is the same). Inline: every failed test builds an error.
    void add(const Message& m) {
        if (!more_ && InlineMsg::fits(m))
            addInline(InlineMsg::of(m));
        else
            addToRope(m);
    }

private:
    void addInline(const InlineMsg& i) {
        if (!more_) {
            for (int k = 0; k < count_; ++k)
                if (inline_[k] == i) return;
            if (count_ < kInline) {
                inline_[count_++] = i;
                return;
            }
        }
        addToRope(i.message());
    }
    void pool(const ParseError& e2);
    void addToRope(Message m);

    // The messages: inline_[0, count_), then the rope. Once the rope has begun, every
    // further message goes there, so the order stays the order of adding.
    SourcePos pos_;
    Rc<const MsgNode> more_;
    std::uint8_t count_ = 0;
    InlineMsg inline_[kInline]{};
};

inline ParseError unknownError(SourcePos p) { return ParseError(p); }
ParseError mergeError(const ParseError& e1, const ParseError& e2);
// The error with its expected messages replaced by one expected message with the label.
ParseError setExpectErrors(const ParseError& e, MsgText label);

// The printed form: position, colon, and the message groups each on a line of its own.
std::string renderError(const ParseError& e);

// Escaped forms of characters and texts, as they appear in messages.
std::string quoteChar(char32_t c);        // "c"
std::string singleQuoteChar(char32_t c);  // 'c'
std::string quoteText(TextView t);        // "text"

} // namespace zarnet
