#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <thread>
#include <vector>

// Work over many items shared out between the machine's cores.

// How many parts work over `count` items is split into: one per core, at most `maxParts`, each
// of `minimum` items at least; one part when the items are fewer or the machine has one core.
inline size_t PartsFor(size_t count, size_t minimum, size_t maxParts)
{
    const size_t cores = std::thread::hardware_concurrency();
    return std::clamp<size_t>(
        std::min(cores, maxParts), 1, std::max<size_t>(count / std::max<size_t>(minimum, 1), 1));
}

// Runs work(part, first, last) over the items [0, count) in `parts` parts of near equal size,
// in order: the first part on the calling thread, each other on a thread of its own. Returns
// once every part is done; an exception of the first part is thrown on, else one of another.
template <typename Work> void InParts(size_t count, size_t parts, Work work)
{
    parts = std::max<size_t>(parts, 1);
    std::vector<std::future<void>> others;
    for (size_t part = 1; part < parts; ++part) {
        others.push_back(std::async(std::launch::async, [&work, count, parts, part] {
            work(part, count * part / parts, count * (part + 1) / parts);
        }));
    }
    work(size_t(0), size_t(0), count / parts);
    for (std::future<void> &other : others)
        other.get();
}

// Whether test(first, last) holds for every part of [0, count), the parts tested as InParts()
// runs them.
template <typename Test> bool HoldsInParts(size_t count, size_t parts, Test test)
{
    std::vector<char> holds(std::max<size_t>(parts, 1), 0);
    InParts(count, parts,
        [&](size_t part, size_t first, size_t last) { holds[part] = test(first, last) ? 1 : 0; });
    return std::all_of(holds.begin(), holds.end(), [](char held) { return held != 0; });
}
