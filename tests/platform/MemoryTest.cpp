// The large-page hint changes nothing a buffer holds, whatever range it is given.
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

} // namespace
} // namespace zarnet
