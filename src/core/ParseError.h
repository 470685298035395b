// Parse errors: a position and a list of messages whose texts stay unbuilt until the
// error is rendered. Merging two errors is cheap: an error without messages costs a test.
#pragma once

#include "Pool.h"
#include "Rc.h"
#include "SourcePos.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>
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

    MsgText() noexcept : bits_(0) {}
    MsgText(const MsgText& o) noexcept : bits_(o.bits_), len_(o.len_), form_(o.form_) { retain(); }
    MsgText& operator=(const MsgText& o) noexcept {
        o.retain();
        release();
        bits_ = o.bits_;
        len_ = o.len_;
        form_ = o.form_;
        return *this;
    }
    MsgText(MsgText&& o) noexcept : bits_(o.bits_), len_(o.len_), form_(o.form_) { o.clear(); }
    MsgText& operator=(MsgText&& o) noexcept {
        if (this != &o) {
            release();
            bits_ = o.bits_;
            len_ = o.len_;
            form_ = o.form_;
            o.clear();
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
        m.bits_ = c;
        return m;
    }
    static MsgText singleQuotedChar(char32_t c) {
        MsgText m;
        m.form_ = Form::SingleQuoted;
        m.bits_ = c;
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
    friend struct StoredMsg;
    bool isBoxed() const noexcept { return form_ == Form::Owned || form_ == Form::QuotedOwned; }
    void clear() noexcept {
        bits_ = 0;
        len_ = 0;
        form_ = Form::Empty;
    }
    void retain() const noexcept {
        if (isBoxed()) ++box_->refs;
    }
    void release() noexcept {
        if (isBoxed() && --box_->refs == 0) dropBox(box_);
    }

    union {
        std::uint64_t bits_; // all of it, so that unused bytes are zero
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

// A message as an error stores it: sixteen bytes, copied as they stand. Messages with an
// owned text are stored only in blocks, which hold a reference to the text's box.
struct StoredMsg {
    union {
        std::uint64_t bits;
        const char* ascii;
        const char* view;
        char32_t ch;
        const TextBox* box;
    };
    std::uint32_t len;
    MsgText::Form form;
    MsgKind kind;
    std::uint16_t zero; // no padding (always 0): equal messages are equal bytes

    bool isBoxed() const noexcept { return form == MsgText::Form::Owned || form == MsgText::Form::QuotedOwned; }
    // Without a reference to an owned text: the caller takes one where it keeps the copy.
    static StoredMsg of(const Message& m) noexcept {
        StoredMsg i;
        i.zero = 0;
        i.bits = m.text.bits_;
        i.len = m.text.len_;
        i.form = m.text.form_;
        i.kind = m.kind;
        return i;
    }
    Message message() const noexcept {
        Message m;
        m.kind = kind;
        m.text.bits_ = bits;
        m.text.len_ = len;
        m.text.form_ = form;
        m.text.retain();
        return m;
    }
    void retain() const noexcept {
        if (isBoxed()) ++box->refs;
    }
    void release() const noexcept {
        if (isBoxed() && --box->refs == 0) MsgText::dropBox(box);
    }
    // Equal messages render alike; owned texts compare by their box. Every form sets the
    // bytes it does not use to zero, so equal messages are equal fields.
    bool operator==(const StoredMsg& o) const noexcept { return bits == o.bits && tail() == o.tail(); }

private:
    // len, form, kind and zero as one word: errors compare messages at every merge.
    std::uint64_t tail() const noexcept {
        std::uint64_t t;
        std::memcpy(&t, reinterpret_cast<const char*>(this) + sizeof(bits), sizeof t);
        return t;
    }
};

static_assert(sizeof(StoredMsg) == 16 && std::is_standard_layout_v<StoredMsg>);
static_assert(offsetof(StoredMsg, len) == 8 && offsetof(StoredMsg, zero) == 14, "the tail word is len to zero");

// Messages beyond those an error holds inline: a chain of small blocks, the earlier
// messages in `prev`. A block shared by several errors is never changed; an error that
// alone holds its last block appends there, so pooling allocates only every few messages.
struct MsgBlock : RcObject, Pooled<MsgBlock> {
    static constexpr int kCapacity = 6;
    MsgBlock() = default;
    MsgBlock(const MsgBlock&) = delete;
    MsgBlock& operator=(const MsgBlock&) = delete;
    ~MsgBlock() {
        if (boxed)
            for (int i = 0; i < count; ++i) items[i].release();
    }
    Rc<MsgBlock> prev;
    std::uint8_t count = 0;
    bool boxed = false; // some item holds an owned text
    StoredMsg items[kCapacity];
};

class ParseError;

// A ready-made run of messages that many errors end with (what a common rule expected),
// made once and shared: an error holds it as its block chain without copying it.
class MessageSet {
public:
    // The messages must differ from one another.
    explicit MessageSet(std::initializer_list<Message> ms);

private:
    friend class ParseError;
    ParseError asError() const;
    Rc<MsgBlock> block_;
};

// A position and its messages. Up to kInline messages are held in the error itself, so
// that making, merging and dropping the errors of failed tests allocates nothing; only
// errors that pool more messages at one position allocate. A message equal to one the
// error holds already is dropped: it would render the same.
class ParseError {
public:
    static constexpr int kInline = 2;
    static_assert(kInline >= 2, "a failed test's two messages are held inline");

    ParseError() = default;
    explicit ParseError(SourcePos p) : pos_(p) {}
    ParseError(SourcePos p, Message m) : pos_(p) { add(m); }
    // The two messages of a failed test, what it expected and what it found.
    ParseError(SourcePos p, const Message& a, const Message& b) : pos_(p) {
        const StoredMsg sa = StoredMsg::of(a), sb = StoredMsg::of(b);
        if (!sa.isBoxed() && !sb.isBoxed() && !(sa == sb)) {
            inline_[0] = sa;
            inline_[1] = sb;
            count_ = 2;
            return;
        }
        addStored(sa);
        addStored(sb);
    }

    // The two messages of a failed test, then a ready-made set; the set's messages must
    // differ from the two.
    ParseError(SourcePos p, const Message& a, const Message& b, const MessageSet& rest) : ParseError(p, a, b) {
        if (!more_ && count_ == kInline)
            more_ = rest.block_; // shared, so never appended to in place
        else
            pool(rest.asError());
    }

    const SourcePos& pos() const noexcept { return pos_; }
    bool hasMessages() const noexcept { return count_ != 0 || more_; }
    std::vector<Message> messages() const;

    friend ParseError mergeError(const ParseError& e1, const ParseError& e2);
    friend ParseError mergeError(ParseError&& e1, const ParseError& e2);
    friend ParseError mergeError(ParseError&& e1, ParseError&& e2);
    friend ParseError mergeError(const ParseError& e1, ParseError&& e2);
    friend ParseError setExpectErrors(const ParseError& e, MsgText label);
    friend class MessageSet;
    ParseError withPos(SourcePos p) const {
        ParseError e = *this;
        e.pos_ = p;
        return e;
    }
    // This error merged with e2, in place (as mergeError(*this, e2)).
    void merge(const ParseError& e2) {
        switch (mergeWinner(e2)) {
        case 1: return;
        case 2: *this = e2; return;
        }
        pool(e2);
    }
    void merge(ParseError&& e2) {
        switch (mergeWinner(e2)) {
        case 1: return;
        case 2: *this = std::move(e2); return;
        }
        pool(e2);
    }
    // This error merged with one at p without messages, in place.
    void mergeUnknown(const SourcePos& p) {
        if (!hasMessages() && compare(pos_, p) < 0) pos_ = p;
    }
    // Adds a message after the others. Inline: every failed test builds an error.
    void add(const Message& m) { addStored(StoredMsg::of(m)); }

private:
    void addStored(const StoredMsg& i) {
        if (!more_ && !i.isBoxed()) {
            for (int k = 0; k < count_; ++k)
                if (inline_[k] == i) return;
            if (count_ < kInline) {
                inline_[count_++] = i;
                return;
            }
            appendToBlocks(i); // new: the error holds only the messages just looked at
            return;
        }
        addToBlocks(i);
    }
    // Which of this error and e2 the merge keeps: 1 this, 2 e2, 0 both (pooled).
    int mergeWinner(const ParseError& e2) const {
        const bool m1 = hasMessages(), m2 = e2.hasMessages();
        if (!m2 && m1) return 1;
        if (!m1 && m2) return 2;
        int c = compare(pos_, e2.pos_);
        if (c > 0) return 1;
        if (c < 0) return 2;
        return m1 ? 0 : 1;
    }
    // mergeError for every kind of its arguments: an argument to drop is reused.
    template <class E1, class E2> static ParseError merged(E1&& e1, E2&& e2);
    bool holds(const StoredMsg& i) const noexcept;
    void pool(const ParseError& e2);
    void addToBlocks(const StoredMsg& i);
    // Appends a message the error does not hold.
    void appendToBlocks(const StoredMsg& i);

    // The messages: inline_[0, count_), then the blocks. Once the blocks have begun, every
    // further message goes there, so the order stays the order of adding.
    SourcePos pos_;
    Rc<MsgBlock> more_;
    std::uint8_t count_ = 0;
    StoredMsg inline_[kInline]{};
};

inline ParseError unknownError(SourcePos p) { return ParseError(p); }
// The error further on; at one position, the messages of both, e1's first. The forms that
// take an error to drop reuse it.
ParseError mergeError(const ParseError& e1, const ParseError& e2);
ParseError mergeError(ParseError&& e1, const ParseError& e2);
ParseError mergeError(ParseError&& e1, ParseError&& e2);
ParseError mergeError(const ParseError& e1, ParseError&& e2);
// The error with its expected messages replaced by one expected message with the label.
ParseError setExpectErrors(const ParseError& e, MsgText label);

// The printed form: position, colon, and the message groups each on a line of its own.
std::string renderError(const ParseError& e);

// Escaped forms of characters and texts, as they appear in messages.
std::string quoteChar(char32_t c);        // "c"
std::string singleQuoteChar(char32_t c);  // 'c'
std::string quoteText(TextView t);        // "text"

} // namespace zarnet
