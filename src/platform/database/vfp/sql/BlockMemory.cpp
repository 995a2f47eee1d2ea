#include "platform/database/vfp/sql/BlockMemory.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include <sys/mman.h>

namespace vfp::sql {

namespace {

// Enough for the results of a big ledger query and the one it replaces.
constexpr size_t KeptBlocks = 32;

class KeptHugeBlocks
{
public:
    void *take()
    {
        std::lock_guard lock(m_mutex);
        if (m_blocks.empty())
            return nullptr;
        void *block = m_blocks.back();
        m_blocks.pop_back();
        return block;
    }

    bool keep(void *block)
    {
        std::lock_guard lock(m_mutex);
        if (m_blocks.size() >= KeptBlocks)
            return false;
        m_blocks.push_back(block);
        return true;
    }

private:
    std::mutex m_mutex;
    std::vector<void *> m_blocks;
};

// Never destroyed, so results that outlive static destruction can still give blocks back.
KeptHugeBlocks &Kept()
{
    static auto *kept = new KeptHugeBlocks;
    return *kept;
}

} // namespace

void BlockRelease::operator()(void *block) const
{
    if (bytes == HugeBlockBytes && Kept().keep(block))
        return;
    std::free(block);
}

MemoryBlock AllocateBlock(size_t bytes)
{
    if (bytes == HugeBlockBytes) {
        if (void *block = Kept().take())
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
