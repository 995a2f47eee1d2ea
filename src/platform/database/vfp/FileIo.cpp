#include "platform/database/vfp/FileIo.h"

#include "platform/database/vfp/Table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vfp {

void FileIo::readExact(uint64_t offset, void *buffer, size_t len, const char *what) const
{
    if (read(offset, buffer, len) != len)
        throw Error(std::string("File ") + path() + " is corrupt: " + what + " lies past its end");
}

namespace {

std::string SystemError(const std::string &action, const std::string &path)
{
    return "Cannot " + action + " file " + path + ": " + std::strerror(errno);
}

class HostFile final : public FileIo
{
public:
    HostFile(std::string path, int fd, bool writable)
        : m_path(std::move(path))
        , m_fd(fd)
        , m_writable(writable)
    { }
    ~HostFile() override { ::close(m_fd); }

    const std::string &path() const override { return m_path; }

    uint64_t size() const override
    {
        struct stat st
        { };
        if (::fstat(m_fd, &st) != 0)
            throw Error(SystemError("examine", m_path));
        return static_cast<uint64_t>(st.st_size);
    }

    size_t read(uint64_t offset, void *buffer, size_t len) const override
    {
        size_t done = 0;
        auto *out = static_cast<char *>(buffer);
        while (done < len) {
            const ssize_t n
                = ::pread(m_fd, out + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw Error(SystemError("read", m_path));
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        return done;
    }

    void write(uint64_t offset, const void *data, size_t len) override
    {
        if (!m_writable)
            throw Error("File " + m_path + " is read-only");
        size_t done = 0;
        const auto *in = static_cast<const char *>(data);
        while (done < len) {
            const ssize_t n
                = ::pwrite(m_fd, in + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Error(SystemError("write", m_path));
            done += static_cast<size_t>(n);
        }
    }

    void truncate(uint64_t size) override
    {
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
            throw Error(SystemError("resize", m_path));
    }

    bool writable() const override { return m_writable; }

    std::unique_ptr<FileIo> reopenForReading() const override
    {
        return OpenFile(m_path, FileMode::ReadOnly);
    }

    // Open-file-description locks: held per open file like the other workstations' locks, and
    // not lost when another descriptor of the same file in this process closes.
    bool tryLock(uint64_t offset, uint64_t len) override
    {
        struct flock fl
        { };
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(offset);
        fl.l_len = static_cast<off_t>(len);
        for (;;) {
            if (::fcntl(m_fd, F_OFD_SETLK, &fl) == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno == EACCES || errno == EAGAIN)
                return false;
            throw Error(SystemError("lock", m_path));
        }
    }

    void unlock(uint64_t offset, uint64_t len) override
    {
        struct flock fl
        { };
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(offset);
        fl.l_len = static_cast<off_t>(len);
        ::fcntl(m_fd, F_OFD_SETLK, &fl);
    }

private:
    std::string m_path;
    int m_fd;
    bool m_writable;
};

} // namespace

std::unique_ptr<FileIo> OpenFile(const std::string &path, FileMode mode)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::ReadOnly:
        flags |= O_RDONLY;
        break;
    case FileMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case FileMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        throw Error(SystemError(mode == FileMode::CreateNew ? "create" : "open", path));
    struct stat st
    { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error("Cannot open file " + path + ": not a regular file");
    }
    return std::make_unique<HostFile>(path, fd, mode != FileMode::ReadOnly);
}

bool FileExists(const std::string &path)
{
    struct stat st
    { };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void RemoveFile(const std::string &path)
{
    ::unlink(path.c_str());
}

MemoryFile::MemoryFile(std::string name, std::string bytes, bool writable)
    : m_name(std::move(name))
    , m_bytes(std::move(bytes))
    , m_writable(writable)
{ }

size_t MemoryFile::read(uint64_t offset, void *buffer, size_t len) const
{
    if (offset >= m_bytes.size())
        return 0;
    const size_t n = std::min<uint64_t>(len, m_bytes.size() - offset);
    std::memcpy(buffer, m_bytes.data() + offset, n);
    return n;
}

void MemoryFile::write(uint64_t offset, const void *data, size_t len)
{
    if (!m_writable)
        throw Error("File " + m_name + " is read-only");
    if (offset + len > m_bytes.size())
        m_bytes.resize(offset + len, '\0');
    std::memcpy(m_bytes.data() + offset, data, len);
}

void MemoryFile::truncate(uint64_t size)
{
    m_bytes.resize(size, '\0');
}

} // namespace vfp
