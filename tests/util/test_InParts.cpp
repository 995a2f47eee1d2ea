// Work shared out in parts: every item in exactly one part, the parts in order, a part's
// failure seen by the caller.
#include "util/InParts.h"

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(InParts, PartsAreBoundByItemsCoresAndTheMost)
{
    const size_t cores = std::max<size_t>(std::thread::hardware_concurrency(), 1);
    EXPECT_EQ(PartsFor(0, 100, 4), 1u);
    EXPECT_EQ(PartsFor(199, 100, 4), 1u);
    EXPECT_EQ(PartsFor(200, 100, 4), std::min<size_t>(cores, 2));
    EXPECT_EQ(PartsFor(100000, 100, 4), std::min<size_t>(cores, 4));
    EXPECT_EQ(PartsFor(100000, 100, 1), 1u);
    EXPECT_EQ(PartsFor(5, 0, 8), std::min<size_t>(cores, 5));
}

TEST(InParts, EveryItemIsInOnePartAndThePartsFollowInOrder)
{
    for (const size_t count : { size_t(0), size_t(1), size_t(7), size_t(1000) }) {
        for (const size_t parts : { size_t(1), size_t(2), size_t(3), size_t(4) }) {
            std::vector<std::atomic<int>> seen(count);
            std::vector<std::pair<size_t, size_t>> ranges(parts);
            std::atomic<bool> firstOnCaller = false;
            const std::thread::id caller = std::this_thread::get_id();
            InParts(count, parts, [&](size_t part, size_t first, size_t last) {
                ranges[part] = { first, last };
                if (part == 0)
                    firstOnCaller = std::this_thread::get_id() == caller;
                for (size_t i = first; i < last; ++i)
                    ++seen[i];
            });
            EXPECT_TRUE(firstOnCaller);
            EXPECT_EQ(ranges.front().first, 0u);
            EXPECT_EQ(ranges.back().second, count);
            for (size_t part = 1; part < parts; ++part)
                EXPECT_EQ(ranges[part].first, ranges[part - 1].second);
            for (size_t i = 0; i < count; ++i)
                ASSERT_EQ(seen[i].load(), 1)
                    << count << " items, " << parts << " parts, item " << i;
        }
    }
}

TEST(InParts, AFailingPartIsSeenByTheCaller)
{
    EXPECT_THROW(InParts(100, 2,
                     [](size_t part, size_t, size_t) {
                         if (part == 1)
                             throw std::runtime_error("second part");
                     }),
        std::runtime_error);
    EXPECT_THROW(InParts(100, 2,
                     [](size_t part, size_t, size_t) {
                         if (part == 0)
                             throw std::runtime_error("first part");
                     }),
        std::runtime_error);
    EXPECT_TRUE(HoldsInParts(100, 3, [](size_t, size_t) { return true; }));
    EXPECT_FALSE(HoldsInParts(100, 3, [](size_t first, size_t) { return first == 0; }));
    EXPECT_FALSE(HoldsInParts(100, 3, [](size_t first, size_t) { return first != 0; }));
}

} // namespace
