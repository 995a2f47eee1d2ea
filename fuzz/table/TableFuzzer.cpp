// libFuzzer entry point for the table, memo and index readers.

#include "ExerciseTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vfpfuzz::ExerciseTable(vfpfuzz::SplitInput(data, size), 500);
    return 0;
}
