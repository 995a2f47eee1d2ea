#pragma once

// The one narrow interface through which the storage layer touches files: positioned reads and
// writes, size, and byte-range locks. Tests and fuzzers drive the readers with MemoryFile.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vfp {

enum class FileMode { ReadOnly, ReadWrite, CreateNew };

class FileIo
{
public:
    virtual ~FileIo() = default;

    virtual const std::string &path() const = 0;
    virtual uint64_t size() const = 0;
    // Reads up to len bytes at offset; returns how many were read (fewer at the end of file).
    virtual size_t read(uint64_t offset, void *buffer, size_t len) const = 0;
    // Writes all bytes or throws.
    virtual void write(uint64_t offset, const void *data, size_t len) = 0;
    virtual void truncate(uint64_t size) = 0;
    virtual bool writable() const = 0;
    // Exclusive one-range lock; false when another holder has it (wait = false) .
    virtual bool tryLock(uint64_t offset, uint64_t len) = 0;
    virtual void unlock(uint64_t offset, uint64_t len) = 0;
    // A second, independent read handle on the same file, for a reader on another thread;
    // null when the file cannot be opened twice (a file held in memory).
    virtual std::unique_ptr<FileIo> reopenForReading() const { return nullptr; }

    // Reads exactly len bytes or throws a vfp::Error naming what was being read.
    void readExact(uint64_t offset, void *buffer, size_t len, const char *what) const;
    void write(uint64_t offset, std::string_view bytes)
    {
        write(offset, bytes.data(), bytes.size());
    }
};

// Opens a host file; throws vfp::Error when it cannot be opened (or exists, for CreateNew).
std::unique_ptr<FileIo> OpenFile(const std::string &path, FileMode mode);
bool FileExists(const std::string &path);
void RemoveFile(const std::string &path);

// A file held in memory: the fuzzers' and corrupt-file tests' stand-in. Locks always succeed.
class MemoryFile final : public FileIo
{
public:
    explicit MemoryFile(std::string name, std::string bytes = {}, bool writable = true);

    const std::string &path() const override { return m_name; }
    uint64_t size() const override { return m_bytes.size(); }
    size_t read(uint64_t offset, void *buffer, size_t len) const override;
    void write(uint64_t offset, const void *data, size_t len) override;
    void truncate(uint64_t size) override;
    bool writable() const override { return m_writable; }
    bool tryLock(uint64_t, uint64_t) override { return true; }
    void unlock(uint64_t, uint64_t) override { }

    const std::string &bytes() const { return m_bytes; }

private:
    std::string m_name;
    std::string m_bytes;
    bool m_writable;
};

} // namespace vfp
