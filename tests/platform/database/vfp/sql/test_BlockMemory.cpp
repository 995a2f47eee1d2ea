// Blocks of every size are whole, and can be given back and taken again from several threads
// at once, more of them than are kept (run under the sanitizers, which see a short block).

#include "platform/database/vfp/sql/BlockMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

using vfp::sql::AllocateBlock;
using vfp::sql::HugeBlockBytes;
using vfp::sql::MemoryBlock;

void TakeWriteAndGiveBack(int rounds, int blocks)
{
    for (int round = 0; round < rounds; ++round) {
        std::vector<MemoryBlock> held;
        for (int i = 0; i < blocks; ++i) {
            held.push_back(AllocateBlock(HugeBlockBytes));
            ASSERT_NE(nullptr, held.back().get());
            std::memset(held.back().get(), round, HugeBlockBytes);
        }
    }
}

TEST(BlockMemory, HugeBlocksCanBeTakenAndGivenBackFromSeveralThreads)
{
    std::thread other(TakeWriteAndGiveBack, 3, 40);
    TakeWriteAndGiveBack(3, 40);
    other.join();
}

TEST(BlockMemory, OtherSizesAreWholeToo)
{
    for (size_t bytes : { size_t(0), size_t(16) << 10, HugeBlockBytes + 1, 2 * HugeBlockBytes }) {
        MemoryBlock block = AllocateBlock(bytes);
        ASSERT_NE(nullptr, block.get());
        std::memset(block.get(), 0x5a, bytes);
    }
}

} // namespace
