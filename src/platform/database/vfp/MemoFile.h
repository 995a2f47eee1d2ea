#pragma once

// Memo files: FoxPro's .fpt (block-addressed, typed, big-endian lengths) and dBase's .dbt
// (dBase III: text ended by 0x1A; dBase IV: blocks with a length header). Pointers are checked
// against the file, so a damaged pointer gives a vfp::Error and never a read past the end; in an
// .fpt a pointer into the header, at or past the header's next free block, or to a block whose
// type is not a memo block's is damage as well, not an empty memo.

#include "platform/database/vfp/FileIo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vfp {

class MemoFile
{
public:
    enum class Format { Fpt, Dbt3, Dbt4 };
    // The longest memo read or written.
    static constexpr uint32_t MaxLength = 256u * 1024 * 1024;

    MemoFile(std::unique_ptr<FileIo> file, Format format);

    Format format() const { return m_format; }
    uint32_t blockSize() const { return m_blockSize; }
    FileIo &file() { return *m_file; }

    // The memo's bytes (no code-page translation). Block 0 is the empty memo.
    std::string read(uint32_t block) const;
    // The first `count` bytes of the memo, or its last `count` with `fromEnd` (all of it when
    // shorter), checked as read() checks the whole; an .fpt reads only those bytes.
    std::string readPart(uint32_t block, size_t count, bool fromEnd) const;
    // The memo's bytes as read() gives them, without a copy where they lie within one read
    // (header and text then come in a single read); valid until the next read of this file.
    // The memo last viewed is kept, so the parts of one memo that a scan tests and outputs
    // cost one read between them.
    std::string_view view(uint32_t block) const;
    // Appends a memo at the next free block under the memo lock; returns its block number.
    // Only .fpt files are written.
    uint32_t append(std::string_view bytes, uint32_t type = 1);

    // Forgets the read-ahead and the known size (call at the start of a scan).
    void refresh() const;

    // The 512-byte header of a new, empty .fpt file.
    static std::string newFptHeader(uint32_t blockSize = 64);

private:
    // Reads through a read-ahead window: a scan reads memos in file order.
    bool readCached(uint64_t offset, void *buffer, size_t len) const;
    void loadWindow(uint64_t offset) const;
    uint64_t knownSize(uint64_t needed) const;
    // The first block no memo uses yet, as the header counts it (.fpt).
    uint32_t nextFreeBlock(uint32_t block) const;
    // Where an .fpt block's text starts and how long it is, once the block is found to lie
    // inside the file and to start with a memo block header.
    struct FptText
    {
        uint64_t start;
        uint32_t length;
    };
    FptText fptText(uint32_t block) const;
    std::string_view viewFpt(uint32_t block, const FptText &text) const;

    // The memo of the last view(), in the window or in m_spill; block 0 when none is kept.
    void forgetView() const { m_viewBlock = 0; }

    std::unique_ptr<FileIo> m_file;
    mutable uint32_t m_viewBlock = 0;
    mutable std::string_view m_view;
    mutable std::string m_spill;
    mutable std::string m_window;
    mutable uint64_t m_windowStart = 0;
    mutable uint64_t m_size = 0;
    mutable uint32_t m_nextFree = 0;
    Format m_format;
    uint32_t m_blockSize = 512;
};

} // namespace vfp
