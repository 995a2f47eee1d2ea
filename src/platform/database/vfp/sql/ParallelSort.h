#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <iterator>
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

// std::sort, with the halves of a big range sorted on two threads and then merged. The order
// is the one std::sort gives wherever `less` is a strict total order (ties broken by a row
// number, say).
template <typename Iterator, typename Less>
void ParallelSort(Iterator first, Iterator last, Less less)
{
    const auto size = static_cast<size_t>(std::distance(first, last));
    const bool split = InTwoHalves(
        size, 16384, [&](size_t from, size_t to) { std::sort(first + from, first + to, less); });
    if (split)
        std::inplace_merge(first, first + size / 2, last, less);
}

} // namespace vfp::sql
