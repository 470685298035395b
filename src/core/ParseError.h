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

struct TextBox : RcObject {
    explicit TextBox(Text t) : text(std::move(t)) {}
    Text text;
};

// The text of one message, in one of a few unbuilt forms.
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

    MsgText() = default;
    static MsgText empty() { return MsgText(); }
    // s must outlive every error that holds it (grammar literals do).
    static MsgText literal(const char* s) {
        MsgText m;
        m.form_ = Form::Static;
        m.ascii_ = s;
        return m;
    }
    static MsgText owned(Text t) {
        MsgText m;
        m.form_ = Form::Owned;
        m.box_ = makeRc<TextBox>(std::move(t));
        return m;
    }
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
    static MsgText quotedOwned(Text t) {
        MsgText m;
        m.form_ = Form::QuotedOwned;
        m.box_ = makeRc<TextBox>(std::move(t));
        return m;
    }

    Form form() const noexcept { return form_; }
    // The message text as it is shown (UTF-8).
    std::string build() const;

private:
    Form form_ = Form::Empty;
    char32_t ch_ = 0;
    std::uint32_t len_ = 0;
    union {
        const char* ascii_;
        const char32_t* view_ = nullptr;
    };
    Rc<const TextBox> box_;
};

struct Message {
    MsgKind kind = MsgKind::Message;
    MsgText text;
};

// Messages form a small immutable rope so that errors at one position pool their
// messages without copying them.
struct MsgNode : RcObject, Pooled<MsgNode> {
    Message items[4];
    std::uint8_t count = 0;
    Rc<const MsgNode> left, right;
};

class ParseError {
public:
    ParseError() = default;
    explicit ParseError(SourcePos p) : pos_(p) {}
    ParseError(SourcePos p, Message m);
    ParseError(SourcePos p, Message a, Message b);

    const SourcePos& pos() const noexcept { return pos_; }
    bool hasMessages() const noexcept { return bool(msgs_); }
    std::vector<Message> messages() const;

    friend ParseError mergeError(const ParseError& e1, const ParseError& e2);
    friend ParseError setExpectErrors(const ParseError& e, MsgText label);
    ParseError withPos(SourcePos p) const {
        ParseError e = *this;
        e.pos_ = p;
        return e;
    }

    ParseError(SourcePos p, Rc<const MsgNode> m) : pos_(p), msgs_(std::move(m)) {}

private:
    SourcePos pos_;
    Rc<const MsgNode> msgs_;
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
