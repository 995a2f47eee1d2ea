#include "platform/database/vfp/Locking.h"

#include "platform/database/vfp/Table.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace vfp {

namespace {
std::atomic<int> g_lockTimeoutMs { 10000 };
}

void SetLockTimeout(int milliseconds)
{
    g_lockTimeoutMs = milliseconds;
}

ScopedLock::ScopedLock(FileIo &file, uint64_t offset, const char *what)
    : m_file(file)
    , m_offset(offset)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(g_lockTimeoutMs.load());
    auto pause = std::chrono::microseconds(50);
    while (!m_file.tryLock(m_offset, 1)) {
        if (Clock::now() >= deadline)
            throw Error(
                std::string("File is in use: cannot lock the ") + what + " of " + m_file.path());
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

ScopedLock::~ScopedLock()
{
    m_file.unlock(m_offset, 1);
}

} // namespace vfp
