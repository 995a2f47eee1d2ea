#pragma once

// Byte-range locks at the offsets the FoxPro engine uses on shared files, so that this program,
// other workstations and the accounting system serialise their writes on the same bytes.

#include "platform/database/vfp/FileIo.h"

#include <cstdint>

namespace vfp {

constexpr uint64_t kTableHeaderLock = 0x7FFFFFFE;
constexpr uint64_t kIndexLock = 0x7FFFFFFE;
constexpr uint64_t kMemoLock = 0;

inline uint64_t RecordLockOffset(uint32_t recno)
{
    return kTableHeaderLock - recno;
}

// Holds one byte lock for its lifetime. Waits a while for another holder to let go, then throws
// a vfp::Error saying the file is in use (nothing has been written at that point).
class ScopedLock
{
public:
    ScopedLock(FileIo &file, uint64_t offset, const char *what);
    ~ScopedLock();
    ScopedLock(const ScopedLock &) = delete;
    ScopedLock &operator=(const ScopedLock &) = delete;

private:
    FileIo &m_file;
    uint64_t m_offset;
};

// How long ScopedLock waits before giving up (milliseconds); tests shorten it.
void SetLockTimeout(int milliseconds);

} // namespace vfp
