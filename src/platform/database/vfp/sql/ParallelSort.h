#pragma once

#include <cstddef>
#include <future>
#include <thread>

namespace vfp::sql {

// Runs work(first, last) over [0, count): as two halves on two threads where each half has
// `minimum` items at least and the machine has two cores, else in one piece here. Returns
// whether it split the work, at count / 2.
template <typename Work> bool InTwoHalves(size_t count, size_t minimum, Work work)
{
    if (count < 2 * minimum || std::thread::hardware_concurrency() < 2) {
        work(size_t(0), count);
        return false;
    }
    const size_t middle = count / 2;
    auto upper = std::async(std::launch::async, [&] { work(middle, count); });
    work(size_t(0), middle);
    upper.get();
    return true;
}

} // namespace vfp::sql
