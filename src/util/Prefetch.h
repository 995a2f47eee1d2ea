#pragma once

#include <cstddef>
#include <cstdint>

// Asks for every cache line of some bytes ahead of reading them, or of writing them with
// ForWriting: a hint only, for a pass over much memory that goes on while the memory comes.
template <bool ForWriting = false> void PrefetchBytes(const void *first, size_t bytes)
{
#if defined(__GNUC__)
    constexpr uintptr_t LineBytes = 64;
    if (bytes == 0)
        return;
    const uintptr_t last = reinterpret_cast<uintptr_t>(first) + bytes - 1;
    for (uintptr_t line = reinterpret_cast<uintptr_t>(first) & ~(LineBytes - 1); line <= last;
         line += LineBytes)
        __builtin_prefetch(reinterpret_cast<const void *>(line), ForWriting ? 1 : 0);
#else
    (void)first;
    (void)bytes;
#endif
}
