#include "platform/database/vfp/MemoFile.h"

#include "platform/database/vfp/Locking.h"
#include "platform/database/vfp/Table.h"

#include <algorithm>

namespace vfp {

namespace {

constexpr size_t kWindow = 256 * 1024;
constexpr uint64_t kFptHeaderBytes = 512;

Error InvalidBlock(const std::string &path, uint32_t block, const char *why)
{
    return Error("Memo file " + path + " is invalid: block " + std::to_string(block) + " " + why);
}
// A .fpt block starts with its type: 0 picture, 1 text, 2 object.
constexpr uint32_t kLastBlockType = 2;

uint32_t Be32(const unsigned char *p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
        | (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

void PutBe32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

} // namespace

MemoFile::MemoFile(std::unique_ptr<FileIo> file, Format format)
    : m_file(std::move(file))
    , m_format(format)
{
    unsigned char h[24] = {};
    if (m_file->read(0, h, sizeof h) < 8)
        throw Error("Memo file " + m_file->path() + " is invalid: its header is truncated");
    if (m_format == Format::Fpt) {
        m_blockSize = static_cast<uint32_t>((h[6] << 8) | h[7]);
        if (m_blockSize == 0)
            throw Error("Memo file " + m_file->path() + " is invalid: block size 0");
    } else if (m_format == Format::Dbt4) {
        const uint32_t size = static_cast<uint32_t>(h[20] | (h[21] << 8));
        m_blockSize = size >= 64 ? size : 512;
    }
}

void MemoFile::refresh() const
{
    forgetView();
    m_window.clear();
    m_size = 0;
    m_nextFree = 0;
}

uint32_t MemoFile::nextFreeBlock(uint32_t block) const
{
    // Writers put a memo in place before they count it in the header, so the header is read
    // again only when a pointer reaches past what was counted when it was read last.
    if (block >= m_nextFree) {
        unsigned char head[4];
        m_file->readExact(0, head, sizeof head, "the memo header");
        m_nextFree = Be32(head);
    }
    return m_nextFree;
}

uint64_t MemoFile::knownSize(uint64_t needed) const
{
    if (needed > m_size)
        m_size = m_file->size();
    return m_size;
}

bool MemoFile::readCached(uint64_t offset, void *buffer, size_t len) const
{
    if (offset >= m_windowStart && offset + len <= m_windowStart + m_window.size()) {
        std::copy_n(m_window.data() + (offset - m_windowStart), len, static_cast<char *>(buffer));
        return true;
    }
    if (len > kWindow / 2)
        return m_file->read(offset, buffer, len) == len;
    loadWindow(offset);
    if (len > m_window.size())
        return false;
    std::copy_n(m_window.data(), len, static_cast<char *>(buffer));
    return true;
}

void MemoFile::loadWindow(uint64_t offset) const
{
    // A memo viewed in the window goes with the bytes it pointed at.
    if (m_viewBlock != 0 && m_view.data() != m_spill.data())
        forgetView();
    m_window.resize(kWindow);
    m_windowStart = offset;
    m_window.resize(m_file->read(offset, m_window.data(), kWindow));
}

MemoFile::FptText MemoFile::fptText(uint32_t block) const
{
    const uint64_t at = static_cast<uint64_t>(block) * m_blockSize;
    const uint64_t size = knownSize(at + 8);
    if (at < kFptHeaderBytes)
        throw InvalidBlock(m_file->path(), block, "lies inside the memo file's header");
    if (at >= size || block >= nextFreeBlock(block))
        throw InvalidBlock(m_file->path(), block, "lies past its end");
    unsigned char head[8];
    if (!readCached(at, head, sizeof head))
        throw InvalidBlock(m_file->path(), block, "lies past its end");
    if (Be32(head) > kLastBlockType)
        throw InvalidBlock(m_file->path(), block, "does not start with a memo block header");
    const uint32_t length = Be32(head + 4);
    if (length > MaxLength || at + 8 + length > knownSize(at + 8 + length))
        throw InvalidBlock(m_file->path(), block, "runs past its end");
    return { at + 8, length };
}

std::string MemoFile::read(uint32_t block) const
{
    if (block == 0)
        return {};
    if (m_format == Format::Fpt) {
        if (block == m_viewBlock)
            return std::string(m_view);
        const FptText text = fptText(block);
        std::string data(text.length, '\0');
        if (!readCached(text.start, data.data(), text.length))
            throw InvalidBlock(m_file->path(), block, "runs past its end");
        return data;
    }
    const uint64_t at = static_cast<uint64_t>(block) * m_blockSize;
    const uint64_t size = knownSize(at + 8);
    if (at < 8)
        throw InvalidBlock(m_file->path(), block, "lies inside the memo file's header");
    if (at >= size)
        throw InvalidBlock(m_file->path(), block, "lies past its end");

    unsigned char head[8] = {};
    m_file->read(at, head, sizeof head);
    if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
        // dBase IV block: the length counts its own 8-byte header.
        const uint32_t length = static_cast<uint32_t>(head[4] | (head[5] << 8) | (head[6] << 16))
            | (uint32_t(head[7]) << 24);
        if (length < 8 || length - 8 > MaxLength || at + length > size)
            throw InvalidBlock(m_file->path(), block, "runs past its end");
        std::string data(length - 8, '\0');
        m_file->readExact(at + 8, data.data(), data.size(), "a memo");
        return data;
    }
    // dBase III: the text runs to the first end mark (or the end of the file).
    std::string data;
    char chunk[512];
    uint64_t pos = at;
    while (pos < size && data.size() < MaxLength) {
        const size_t n = m_file->read(pos, chunk, sizeof chunk);
        if (n == 0)
            break;
        const auto *end = std::find(chunk, chunk + n, '\x1A');
        data.append(chunk, static_cast<size_t>(end - chunk));
        if (end != chunk + n)
            break;
        pos += n;
    }
    return data;
}

std::string MemoFile::readPart(uint32_t block, size_t count, bool fromEnd) const
{
    if (m_format != Format::Fpt || block == 0) {
        std::string data = read(block);
        if (data.size() > count)
            data = fromEnd ? data.substr(data.size() - count) : data.substr(0, count);
        return data;
    }
    std::string_view text = m_view;
    if (block != m_viewBlock) {
        const FptText place = fptText(block);
        if (place.length > kWindow / 2) {
            // Of a long memo only the part asked for is read.
            const size_t taken = std::min<size_t>(count, place.length);
            std::string data(taken, '\0');
            if (!readCached(place.start + (fromEnd ? place.length - taken : 0), data.data(), taken))
                throw InvalidBlock(m_file->path(), block, "runs past its end");
            return data;
        }
        // A short memo is read whole and kept: the outputs of the row that passes a test of
        // its part read it again.
        text = viewFpt(block, place);
    }
    const size_t taken = std::min(count, text.size());
    return std::string(fromEnd ? text.substr(text.size() - taken) : text.substr(0, taken));
}

std::string_view MemoFile::view(uint32_t block) const
{
    if (block == 0)
        return {};
    if (block == m_viewBlock)
        return m_view;
    if (m_format != Format::Fpt) {
        m_spill = read(block);
        m_view = m_spill;
        m_viewBlock = block;
        return m_view;
    }
    return viewFpt(block, fptText(block));
}

std::string_view MemoFile::viewFpt(uint32_t block, const FptText &text) const
{
    const auto inWindow = [&] {
        return text.start >= m_windowStart
            && text.start + text.length <= m_windowStart + m_window.size();
    };
    // The header was read through the window: a text that did not come with it is read
    // again together with its header, in one read, when the two fit in the window.
    if (!inWindow() && text.length <= kWindow - 8)
        loadWindow(text.start - 8);
    if (inWindow()) {
        if (m_spill.capacity() > kWindow) // a long memo's copy is not held on to
            std::string().swap(m_spill);
        m_view = std::string_view(m_window).substr(text.start - m_windowStart, text.length);
    } else {
        m_spill.resize(text.length);
        if (m_file->read(text.start, m_spill.data(), text.length) != text.length)
            throw InvalidBlock(m_file->path(), block, "runs past its end");
        m_view = m_spill;
    }
    m_viewBlock = block;
    return m_view;
}

uint32_t MemoFile::append(std::string_view bytes, uint32_t type)
{
    if (m_format != Format::Fpt)
        throw Error("Memo file " + m_file->path() + " is a dBase memo file, which is read only");
    if (bytes.size() > MaxLength)
        throw Error("Memo too long");
    ScopedLock lock(*m_file, kMemoLock, "memo file");
    unsigned char head[8];
    m_file->readExact(0, head, sizeof head, "the memo header");
    uint32_t next = Be32(head);
    const uint32_t headerBlocks = (512 + m_blockSize - 1) / m_blockSize;
    next = std::max(next, headerBlocks);
    const uint64_t at = static_cast<uint64_t>(next) * m_blockSize;
    const uint64_t used = 8 + bytes.size();
    const uint64_t blocks = (used + m_blockSize - 1) / m_blockSize;
    if (next + blocks > 0xFFFFFFFFull)
        throw Error("Memo file " + m_file->path() + " is full");

    std::string block(blocks * m_blockSize, '\0');
    auto *p = reinterpret_cast<unsigned char *>(block.data());
    PutBe32(p, type);
    PutBe32(p + 4, static_cast<uint32_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), block.begin() + 8);
    m_file->write(at, block);
    PutBe32(head, static_cast<uint32_t>(next + blocks));
    m_file->write(0, head, 4);
    refresh();
    return next;
}

std::string MemoFile::newFptHeader(uint32_t blockSize)
{
    std::string h(512, '\0');
    auto *p = reinterpret_cast<unsigned char *>(h.data());
    PutBe32(p, (512 + blockSize - 1) / blockSize);
    p[6] = static_cast<unsigned char>(blockSize >> 8);
    p[7] = static_cast<unsigned char>(blockSize);
    return h;
}

} // namespace vfp
