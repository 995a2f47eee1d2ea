#include "util/ProcessMemory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    constexpr int KeptBytes = 64 * 1024 * 1024;
    mallopt(M_TOP_PAD, KeptBytes);
#endif
}
