// Hints to the system about how large buffers will be used.
#pragma once

#include <cstddef>

namespace zarnet {

// Asks for large pages under [begin, begin + bytes), a buffer not touched yet that will be
// filled whole (a file's text, the preprocessed text). Every fresh page costs a fault, and
// a text of tens of megabytes spans thousands of small pages. Only a hint: nothing changes
// where the system cannot or will not, and small buffers are left alone.
void preferLargePages(void* begin, std::size_t bytes) noexcept;

} // namespace zarnet
