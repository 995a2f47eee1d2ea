#pragma once

// Drives the table reader over one set of (possibly damaged) file images held in memory: opens
// the table, reads every field of every record, its index tags and their keys, and one append.
// Any vfp::Error is an acceptable answer; anything else (a crash, another exception, a sanitizer
// report) is a fault. Shared by the fuzz target and the corrupt-file tests.

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/FileIo.h"

#include <memory>
#include <string>

namespace vfpfuzz {

struct Images
{
    std::string dbf;
    std::string memo;
    bool hasMemo = true;
    std::string cdx;
    bool hasCdx = true;
};

// Returns true when the table opened and every read succeeded.
inline bool ExerciseTable(const Images &images, uint32_t maxRecords = 2000)
{
    auto opener = [&images](const std::string &ext) -> std::unique_ptr<vfp::FileIo> {
        if (ext == ".cdx")
            return images.hasCdx ? std::make_unique<vfp::MemoryFile>("t.cdx", images.cdx) : nullptr;
        return images.hasMemo ? std::make_unique<vfp::MemoryFile>("t" + ext, images.memo) : nullptr;
    };
    try {
        vfp::DbfTable table("t", std::make_unique<vfp::MemoryFile>("t.dbf", images.dbf), opener);
        bool clean = true;
        const uint32_t count = std::min(table.recordCount(), maxRecords);
        for (uint32_t r = 1; r <= count; ++r) {
            table.isDeleted(r);
            for (size_t f = 0; f < table.fields().size(); ++f) {
                try {
                    table.value(r, static_cast<int>(f));
                } catch (const vfp::Error &) {
                    clean = false;
                }
            }
        }
        try {
            table.indexTags();
            if (vfp::CdxFile *cdx = table.index())
                for (const auto &tag : cdx->tags())
                    cdx->keys(tag, table.padFor(tag));
        } catch (const vfp::Error &) {
            clean = false;
        }
        try {
            table.append({});
        } catch (const vfp::Error &) { }
        return clean;
    } catch (const vfp::Error &) {
        return false;
    }
}

// The fuzzer's input: 4-byte dbf length, 4-byte memo length, then dbf, memo and index images.
inline Images SplitInput(const uint8_t *data, size_t size)
{
    Images images;
    auto take = [&](size_t n) {
        n = std::min(n, size);
        std::string s(reinterpret_cast<const char *>(data), n);
        data += n;
        size -= n;
        return s;
    };
    auto length = [&]() {
        const std::string b = take(4);
        uint32_t v = 0;
        for (size_t i = 0; i < b.size(); ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
        return v % (1u << 20);
    };
    const uint32_t dbfLength = length();
    const uint32_t memoLength = length();
    images.dbf = take(dbfLength);
    images.memo = take(memoLength);
    images.hasMemo = memoLength > 0;
    images.cdx = take(size);
    images.hasCdx = !images.cdx.empty();
    return images;
}

inline std::string JoinInput(const Images &images)
{
    std::string out;
    for (uint32_t n : { static_cast<uint32_t>(images.dbf.size()),
             static_cast<uint32_t>(images.hasMemo ? images.memo.size() : 0) })
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<char>(n >> (8 * i)));
    return out + images.dbf + (images.hasMemo ? images.memo : std::string())
        + (images.hasCdx ? images.cdx : std::string());
}

} // namespace vfpfuzz
