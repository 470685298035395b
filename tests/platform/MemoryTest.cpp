// The large-page hint changes nothing a buffer holds, whatever range it is given; a buffer
// read once gives back only what lies before the reading place, and is whole (and usable)
// again when the reading ends.
#include "platform/Memory.h"

#include <gtest/gtest.h>

#include <string>

namespace zarnet {
namespace {

TEST(LargePages, TheHintKeepsTheBufferAsItIs) {
    std::string big;
    big.reserve(std::size_t(9) << 20);
    preferLargePages(big.data(), big.capacity());
    big.assign(std::size_t(9) << 20, 'x');
    preferLargePages(big.data() + 3, big.size() - 5); // unaligned ends
    preferLargePages(big.data(), 100);                // too small to matter
    preferLargePages(nullptr, 0);
    EXPECT_EQ(big.size(), std::size_t(9) << 20);
    EXPECT_EQ(big.find_first_not_of('x'), std::string::npos);
}

TEST(ReadOnce, GivesBackOnlyWhatLiesBehindAndEndsUsable) {
    const std::size_t size = std::size_t(3) << 20;
    std::string text(size, 'x');
    for (std::size_t i = 0; i < size; i += 4093) text[i] = char('a' + i % 26);
    const std::string copy = text;
    const char* b = text.data();
    const std::size_t reading = (std::size_t(3) << 19) + 7; // past the middle
    {
        ReadOnceRegion region(b + 5, b + size - 3); // unaligned ends
        for (std::size_t at = 0; at <= reading; at += 1000) region.readUpTo(b + at);
        region.readUpTo(b + reading);
        region.readUpTo(b + 11); // never backwards
        // Everything from a page before the reading place on reads as it was.
        const std::size_t kept = reading - 4096 * 2;
        EXPECT_EQ(text.compare(kept, std::string::npos, copy, kept, std::string::npos), 0);
        EXPECT_DEATH((void)*static_cast<const volatile char*>(b + 4096 * 2), "");
        region.readUpTo(b + size + 100); // past the end: the last whole page stays in bounds
    }
    // The region's end makes every page usable again.
    text.assign(size, 'y');
    EXPECT_EQ(text.find_first_not_of('y'), std::string::npos);
    {
        std::string small(100, 'z');
        ReadOnceRegion region(small.data(), small.data() + small.size());
        region.readUpTo(small.data() + 100);
        EXPECT_EQ(small, std::string(100, 'z'));
    }
}

} // namespace
} // namespace zarnet
