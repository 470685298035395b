#include "core/Parser.h"
#include "core/ParserLib.h"
#include "core/Text.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace zarnet {
namespace {

// One character of each UTF-8 length, and the ends of the code space.
const std::vector<char32_t> kSamples = {U'a', 0x7F, 0x80, 0xE9, 0x7FF, 0x800, 0x20AC, 0xFFFD, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};

TEST(Text, CharactersRoundTripThroughTheirBytes) {
    Text all;
    for (char32_t c : kSamples) {
        const Text one = charText(c);
        EXPECT_EQ(charWidth(one[0]), one.size()) << unsigned(c);
        EXPECT_EQ(decodeAt(one.data()), c) << unsigned(c);
        all += one;
    }
    EXPECT_EQ(charCount(all), kSamples.size());
    EXPECT_EQ(test::charsOf(all), kSamples);
    EXPECT_EQ(textOfChars(kSamples), all);
    // Walking back from the end finds every character's start.
    std::vector<char32_t> backwards;
    for (const char* p = all.data() + all.size(); p != all.data();) {
        p = charBefore(p);
        backwards.insert(backwards.begin(), decodeAt(p));
    }
    EXPECT_EQ(backwards, kSamples);
}

// Counting reads eight bytes at a time where they are ASCII: characters of every length at
// every place around those eight-byte steps, and every length of text, count alike.
TEST(Text, CountsCharactersAcrossEightByteSteps) {
    for (char32_t c : kSamples)
        for (std::size_t before = 0; before < 17; ++before)
            for (std::size_t after = 0; after < 10; ++after) {
                const Text t = Text(before, 'a') + charText(c) + Text(after, 'b') + charText(c);
                EXPECT_EQ(charCount(t), before + after + 2) << unsigned(c) << " " << before << " " << after;
                EXPECT_EQ(charCount(TextView(t).substr(0, before)), before);
            }
}

TEST(Text, OrderOfBytesIsTheOrderOfCodePoints) {
    for (std::size_t i = 0; i + 1 < kSamples.size(); ++i)
        EXPECT_LT(charText(kSamples[i]), charText(kSamples[i + 1])) << unsigned(kSamples[i]);
}

TEST(Text, DecodingKeepsUtf8AndReadsAnythingElseAsWindows1252) {
    struct Case {
        std::string bytes;
        Text text;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\u00e9"},                     // valid UTF-8 is kept as it is
        {"caf\xE9", "caf\u00e9"},                         // Latin-1 byte
        {"\x80\x81\x9F", "\u20ac\u0081\u0178"},           // the 0x80-0x9F row, undefined ones as themselves
        {"\xC0\xAF", "\u00c0\u00af"},                     // an overlong form is not UTF-8
        {"\xED\xA0\x80", "\u00ed\u00a0\u20ac"},           // nor is a surrogate
        {"\xF4\x90\x80\x80", "\u00f4\u0090\u20ac\u20ac"}, // nor a value beyond U+10FFFF
        {"ab\xC3", "ab\u00c3"},                           // a cut sequence at the end
    };
    for (const Case& c : cases) EXPECT_EQ(decodeBytes(c.bytes), c.text) << c.bytes;
    // ASCII is stepped over in blocks: a byte beyond ASCII is seen at every place in a block.
    for (std::size_t at = 0; at < 140; ++at) {
        const std::string head(at, 'a'), tail(140 - at, 'b');
        EXPECT_EQ(decodeBytes(head + "\xC3\xA9" + tail), head + "\u00e9" + tail) << at;
        EXPECT_EQ(decodeBytes(head + "\xE9" + tail), head + "\u00e9" + tail) << at;
        EXPECT_EQ(decodeBytes(head + "\xC3"), head + "\u00c3") << at;
    }
}

TEST(Text, TextModeFoldsCrLfAndHonoursByteOrderMarks) {
    struct Case {
        std::string bytes;
        Text text;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb\r", "a\rb\r"},                    // a lone carriage return stays
        {"\r\r\n\n", "\r\n\n"},
        {"x\xE9\r\n", "x\u00e9\n"},              // folded in the Windows-1252 reading too
        {"\xE9" "ab\r\ncd\r\r\n\xE9\r", "\u00e9ab\ncd\r\n\u00e9\r"},
        {"\xE9\r\xE9\n\r", "\u00e9\r\u00e9\n\r"},  // a pair only where CR meets LF
        {"\xEF\xBB\xBF" "a\r\n", "a\n"},         // UTF-8's mark is dropped
        {std::string("\xFF\xFE" "a\0\r\0\n\0\xE9\0", 10), "a\n\u00e9"},
        {std::string("\xFE\xFF\0a\xD8\x3D\xDE\x00", 8), "a\U0001F600"},
        {std::string("\xFF\xFE\x00\xD8" "a", 5), "\ufffd\ufffd"}, // a lone surrogate, an odd last byte
    };
    for (const Case& c : cases) EXPECT_EQ(fromTextMode(c.bytes), c.text) << c.bytes;
    // The Windows-1252 reading steps over ASCII in blocks: a carriage return or a byte
    // beyond ASCII is seen at every place in a block.
    for (std::size_t at = 0; at < 20; ++at) {
        const std::string head(at, 'a'), tail(20 - at, 'b');
        EXPECT_EQ(fromTextMode(head + "\r\n" + tail + "\xE9"), head + "\n" + tail + "\u00e9") << at;
        EXPECT_EQ(fromTextMode(head + "\r" + tail + "\xE9"), head + "\r" + tail + "\u00e9") << at;
        EXPECT_EQ(fromTextMode(head + "\x80" + tail), head + "\u20ac" + tail) << at;
        EXPECT_EQ(decodeBytes(head + "\r\n\xE9"), head + "\r\n\u00e9") << at;
    }
    // Long runs between carriage returns are copied whole.
    const std::string longLine(10000, 'x');
    EXPECT_EQ(fromTextMode(longLine + "\r\n" + longLine), longLine + "\n" + longLine);
}

TEST(Text, CaseMappingAndTrimmingWorkOnCharacters) {
    EXPECT_EQ(toUpperText("stra\u00dfe \u00e9t\u00e9 \u0101"), "STRA\u00dfE \u00c9T\u00c9 \u0100");
    // Blanks beyond ASCII are trimmed like the ASCII ones.
    EXPECT_EQ(stripSpaces("\u3000\u00a0 a\u00a0b \u2003\n"), "a\u00a0b");
    EXPECT_EQ(stripSpaces("\u00a0"), "");
}

// The state reads characters, not bytes: positions count one column a character.
TEST(Text, StateReadsWholeCharacters) {
    auto o = test::runOn(seqRight(many(noneOf("x")), char_(U'x')), "\u00e9\u20ac\U0001F600x!");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.rest, "!");
    EXPECT_EQ(o.pos.sourceColumn, 5);
    // A literal that differs inside a character fails there without consuming.
    auto partial = test::runOn(string_("\u00e9"), "\u00e8");
    EXPECT_FALSE(partial.ok);
    EXPECT_FALSE(partial.consumed);
    EXPECT_EQ(partial.error, "\"test.sqr\" (line 1, column 1):\nunexpected \"\\232\"\nexpecting \"\\233\"");
    State s = test::startState("a\u00e9\U0001F600b");
    EXPECT_EQ(s.peekAt(1), std::optional<char32_t>(0xE9));
    EXPECT_EQ(s.peekAt(2), std::optional<char32_t>(0x1F600));
    EXPECT_EQ(s.peekAt(3), std::optional<char32_t>(U'b'));
    EXPECT_EQ(s.peekAt(4), std::nullopt);
}

} // namespace
} // namespace zarnet
