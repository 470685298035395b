// The large-page hint changes nothing a buffer holds, whatever range it is given; a buffer
// read once gives back only what lies before the reading place, and is whole (and usable)
// again when the reading ends. Pool nodes carved from large pages keep apart.
#include "platform/Memory.h"

#include "core/Pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// A node whose size is no multiple of the heap's alignment, so that blocks of its slots must
// be rounded where they are carved from a chunk.
struct PoolProbe : Pooled<PoolProbe> {
    std::uint64_t a = 0, b = 0;
    std::uint32_t c = 0;
    std::uint8_t d = 0;
};

TEST(LargePages, PoolNodesFromLargePagesStayApartAndAligned) {
    useLargePagesForPools();
    // Past the megabytes taken from the heap first and across several chunks.
    const std::size_t n = (std::size_t(16) << 20) / sizeof(PoolProbe);
    std::vector<std::unique_ptr<PoolProbe>> nodes;
    nodes.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto p = std::make_unique<PoolProbe>();
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p.get()) % alignof(std::uint64_t), 0u);
        p->a = i;
        p->b = ~i;
        p->c = std::uint32_t(i * 7);
        p->d = std::uint8_t(i);
        nodes.push_back(std::move(p));
    }
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PoolProbe& p = *nodes[i];
        if (p.a != i || p.b != ~i || p.c != std::uint32_t(i * 7) || p.d != std::uint8_t(i)) ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
    nodes.clear();
    setPoolBlockSource(nullptr);
}

} // namespace
} // namespace zarnet
