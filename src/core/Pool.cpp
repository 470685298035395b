#include "Pool.h"

namespace zarnet {

namespace {
PoolBlockSource blockSource = nullptr;
}

void setPoolBlockSource(PoolBlockSource source) noexcept { blockSource = source; }

void* detail::takePoolBlock(std::size_t bytes) { return blockSource ? blockSource(bytes) : ::operator new(bytes); }

} // namespace zarnet
