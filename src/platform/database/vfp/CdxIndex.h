#pragma once

// Compound index files (.cdx): the tag of tags, each tag's header and its B-tree of compact leaf
// pages and interior pages. Reads tags and keys; inserts and removes single keys (splitting and
// unlinking pages as needed); builds whole files from sorted keys. Callers hold the index lock
// around changes. Every page offset is checked against the file and walks are bounded, so a
// damaged index gives a vfp::Error instead of a loop or a read past the end.
//
// Readers take no lock, so a writer marks each change in the tag header's version counter: the
// top bit is set before its first page write and cleared, with the counter moved on, after its
// last. A seek that saw the mark or a different counter afterwards read pages in the middle of
// a change and reads again. A mark left behind by a writer that died says a change did not
// finish: it stays until the tag is rebuilt, and seeks leave the tag alone until then.

#include "platform/database/vfp/FileIo.h"
#include "platform/database/vfp/Table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vfp {

constexpr uint8_t kCdxUnique = 0x01;
constexpr uint8_t kCdxNullable = 0x02;
constexpr uint8_t kCdxCandidate = 0x04;
constexpr uint8_t kCdxHasFor = 0x08;
constexpr uint8_t kCdxCompact = 0x20;
constexpr uint8_t kCdxCompound = 0x40;
constexpr uint8_t kCdxTagOfTags = 0x80;

struct CdxKey
{
    std::string key;
    uint32_t recno = 0;
};

struct CdxTag
{
    IndexTag tag;
    uint32_t headerOffset = 0;
    uint16_t keyLength = 0;
    uint8_t options = 0;
};

class CdxFile
{
public:
    explicit CdxFile(std::unique_ptr<FileIo> file);

    FileIo &file() { return *m_file; }
    const std::vector<CdxTag> &tags() const { return m_tags; }

    // Keys of a tag in index order. pad is the byte trailing counts stand for (blank for text
    // keys, NUL for the others).
    std::vector<CdxKey> keys(const CdxTag &tag, char pad) const;
    bool containsKey(const CdxTag &tag, const std::string &key, char pad) const;
    // Record numbers of the entries whose key is exactly `key`, in index order, read without a
    // lock: a read that met a change in progress is repeated; nullopt when changes kept
    // coming or the tag's last change did not finish (the caller scans instead).
    std::optional<std::vector<uint32_t>> recordsWithKey(
        const CdxTag &tag, const std::string &key, char pad) const;
    void insert(const CdxTag &tag, char pad, const CdxKey &entry);
    // Returns false when the entry is not in the tag.
    bool remove(const CdxTag &tag, char pad, const CdxKey &entry);
    // Replaces a tag's whole tree with one built from these keys: the new pages are written
    // past the end of the file and the tag header then pointed at them, so a reader sees the
    // old tree or the new one. The old pages stay behind unused.
    void replaceKeys(const CdxTag &tag, char pad, std::vector<CdxKey> keys);
    // Whether a change to the tag began and never finished (its writer died).
    bool changeUnfinished(const CdxTag &tag) const;

private:
    struct Page;
    struct PathStep
    {
        uint32_t offset;
        size_t index;
    };

    Page readPage(uint32_t offset, const CdxTag &tag, char pad) const;
    void writePage(const Page &page, const CdxTag &tag, char pad);
    uint32_t root(const CdxTag &tag) const;
    uint32_t version(const CdxTag &tag) const;
    // Marks a change begun; returns whether an earlier one was left unfinished, whose mark
    // endChange() then keeps: the tree may still hold its half-made pages.
    bool beginChange(const CdxTag &tag);
    void endChange(const CdxTag &tag, bool keepMark);
    void insertKey(const CdxTag &tag, char pad, const CdxKey &entry);
    bool removeKey(const CdxTag &tag, char pad, const CdxKey &entry);
    std::vector<uint32_t> readRecordsWithKey(
        const CdxTag &tag, const std::string &key, char pad) const;
    std::vector<PathStep> descend(const CdxTag &tag, char pad, const CdxKey &entry) const;
    void fixUpperKeys(const CdxTag &tag, char pad, std::vector<PathStep> path, const Page &changed);
    uint32_t allocatePage();

    std::unique_ptr<FileIo> m_file;
    std::vector<CdxTag> m_tags;
};

// One tag of a new index file: keys sorted by (key bytes, record number).
struct CdxNewTag
{
    std::string name;
    std::string keyExpression;
    std::string forExpression;
    uint8_t options = kCdxCompact | kCdxCompound;
    uint16_t keyLength = 0;
    char pad = ' ';
    std::vector<CdxKey> keys;
};

// The bytes of a complete compound index file holding these tags.
std::string BuildCdx(std::vector<CdxNewTag> tags);

// Orders keys as the index does: bytes unsigned, then record number.
bool CdxKeyLess(const CdxKey &a, const CdxKey &b);
bool operator==(const CdxKey &a, const CdxKey &b);

} // namespace vfp
