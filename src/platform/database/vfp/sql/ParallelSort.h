#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <iterator>
#include <thread>

namespace vfp::sql {

// std::sort, with the halves of a big range sorted on two threads and then merged. The order
// is the one std::sort gives wherever `less` is a strict total order (ties broken by a row
// number, say).
template <typename Iterator, typename Less>
void ParallelSort(Iterator first, Iterator last, Less less)
{
    constexpr std::ptrdiff_t MinPerHalf = 16384;
    const std::ptrdiff_t size = std::distance(first, last);
    if (size < 2 * MinPerHalf || std::thread::hardware_concurrency() < 2) {
        std::sort(first, last, less);
        return;
    }
    const Iterator middle = first + size / 2;
    auto upper = std::async(std::launch::async, [=] { std::sort(middle, last, less); });
    std::sort(first, middle, less);
    upper.get();
    std::inplace_merge(first, middle, last, less);
}

} // namespace vfp::sql
