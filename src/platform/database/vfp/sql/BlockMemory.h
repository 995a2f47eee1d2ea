#pragma once

// Memory for the blocks results keep their cells and texts in. Blocks of one huge page are
// aligned as one, so the kernel can back each with a single page. Blocks given back of the
// sizes a result grows through (powers of two from 64 KiB to a huge page) are kept, up to a
// bound, for the next result: a query run again, as a list refreshed after each change of its
// filters is, then writes into memory the kernel does not have to find and clear first.

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

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

// Containers of one kind (vectors, strings) given back with their memory, for the next query's
// to take: memory the process already holds is written again without the kernel first finding
// and clearing pages for it. Those over a bound are let go, and all held of one kind stay
// within it.
template <typename Container> class SpareContainers
{
public:
    static constexpr size_t BoundBytes = size_t(8) << 20;

    // An empty container, with the memory of one given back where there is one.
    static Container take()
    {
        Held &held = instance();
        std::lock_guard lock(held.mutex);
        if (held.spares.empty())
            return Container();
        Container spare = std::move(held.spares.back());
        held.spares.pop_back();
        held.bytes -= bytesOf(spare);
        return spare;
    }

    static void giveBack(Container &container)
    {
        const size_t bytes = bytesOf(container);
        if (bytes == 0 || bytes > BoundBytes)
            return;
        container.clear();
        Held &held = instance();
        std::lock_guard lock(held.mutex);
        if (held.bytes + bytes > BoundBytes)
            return;
        held.spares.push_back(std::move(container));
        held.bytes += bytes;
    }

private:
    struct Held
    {
        std::mutex mutex;
        std::vector<Container> spares;
        size_t bytes = 0;
    };
    static size_t bytesOf(const Container &container)
    {
        return container.capacity() * sizeof(typename Container::value_type);
    }
    // Never destroyed, so containers that outlive static destruction can still be given back.
    static Held &instance()
    {
        static auto *held = new Held;
        return *held;
    }
};

} // namespace vfp::sql
