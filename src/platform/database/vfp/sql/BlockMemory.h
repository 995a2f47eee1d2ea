#pragma once

// Memory for the blocks results keep their cells and texts in. Blocks of one huge page are
// aligned as one, so the kernel can back each with a single page, and those given back are
// kept (up to a bound) for the next result: a query run again, as a list refreshed after each
// change of its filters is, then writes into memory the kernel does not have to clear first.

#include <cstddef>
#include <memory>

namespace vfp::sql {

constexpr size_t HugeBlockBytes = size_t(2) << 20;

struct BlockRelease
{
    size_t bytes = 0;
    void operator()(void *block) const;
};
using MemoryBlock = std::unique_ptr<void, BlockRelease>;

// Never null; throws std::bad_alloc when no memory is left.
MemoryBlock AllocateBlock(size_t bytes);

} // namespace vfp::sql
