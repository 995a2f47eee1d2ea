#include "platform/database/vfp/sql/BlockMemory.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include <sys/mman.h>

namespace vfp::sql {

namespace {

// Given-back blocks are kept for the next result up to this many bytes in all: enough for the
// rows of a big ledger query, the blocks it fills while it grows included.
constexpr size_t KeptBytes = size_t(64) << 20;
// Blocks from this size up to a huge page, in powers of two, are kept; smaller ones come and
// go through malloc cheaply.
constexpr size_t SmallestKept = size_t(64) << 10;

constexpr int SizeClasses = 6; // 64 KiB .. 2 MiB
static_assert(SmallestKept << (SizeClasses - 1) == HugeBlockBytes);

// The class of a block size that is kept; -1 for any other size.
int SizeClass(size_t bytes)
{
    for (int c = 0; c < SizeClasses; ++c) {
        if (bytes == SmallestKept << c)
            return c;
    }
    return -1;
}

class KeptBlocks
{
public:
    void *take(int sizeClass)
    {
        std::lock_guard lock(m_mutex);
        std::vector<void *> &blocks = m_blocks[sizeClass];
        if (blocks.empty())
            return nullptr;
        void *block = blocks.back();
        blocks.pop_back();
        m_bytes -= SmallestKept << sizeClass;
        return block;
    }

    bool keep(void *block, int sizeClass)
    {
        const size_t bytes = SmallestKept << sizeClass;
        std::lock_guard lock(m_mutex);
        if (m_bytes + bytes > KeptBytes)
            return false;
        m_blocks[sizeClass].push_back(block);
        m_bytes += bytes;
        return true;
    }

private:
    std::mutex m_mutex;
    std::vector<void *> m_blocks[SizeClasses];
    size_t m_bytes = 0;
};

// Never destroyed, so results that outlive static destruction can still give blocks back.
KeptBlocks &Kept()
{
    static auto *kept = new KeptBlocks;
    return *kept;
}

} // namespace

void BlockRelease::operator()(void *block) const
{
    const int sizeClass = SizeClass(bytes);
    if (sizeClass >= 0 && Kept().keep(block, sizeClass))
        return;
    std::free(block);
}

MemoryBlock AllocateBlock(size_t bytes)
{
    const int sizeClass = SizeClass(bytes);
    if (sizeClass >= 0) {
        if (void *block = Kept().take(sizeClass))
            return MemoryBlock(block, BlockRelease { bytes });
    }
    // Huge pages need blocks that are whole, aligned huge pages; a smaller or odd size gets
    // ordinary pages.
    if (bytes % HugeBlockBytes == 0) {
        if (void *block = std::aligned_alloc(HugeBlockBytes, bytes)) {
#ifdef MADV_HUGEPAGE
            madvise(block, bytes, MADV_HUGEPAGE);
#endif
            return MemoryBlock(block, BlockRelease { bytes });
        }
    }
    void *block = std::malloc(std::max<size_t>(bytes, 1));
    if (!block)
        throw std::bad_alloc();
    return MemoryBlock(block, BlockRelease { bytes });
}

} // namespace vfp::sql
