#pragma once

// One .dbf table with its memo file and structural index: the storage layer's Table.
//
// Reading: records are read in blocks of about a megabyte (a few kilobytes when a read jumps
// away from where the last one ended) and fields decoded only when asked for.
// recordCount() re-reads the header (appends by other programs become visible) and drops the
// read-ahead, so call it once at the start of a scan, not per record.
// Writing: update() and append() lock as FoxPro does (record lock, header lock, memo lock,
// index lock), validate every value before the first byte is written, and keep the structural
// index tags valid.

#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/DbfHeader.h"
#include "platform/database/vfp/IndexKey.h"
#include "platform/database/vfp/MemoFile.h"
#include "platform/database/vfp/Table.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vfp {

class DbfTable final : public Table
{
public:
    // Opens a companion file by extension (".fpt", ".dbt", ".cdx"); null when it does not exist.
    using CompanionOpener = std::function<std::unique_ptr<FileIo>(const std::string &extension)>;

    // stem: the host path without extension, for creating companions (empty: cannot create).
    DbfTable(std::string name, std::unique_ptr<FileIo> dbf, CompanionOpener companions,
        std::string stem = {});
    // Opens a table file on the host; companions are found without regard to letter case.
    static std::shared_ptr<DbfTable> openPath(const std::string &path, std::string name = {});

    const std::string &name() const override { return m_name; }
    const std::vector<FieldInfo> &fields() const override { return m_fields; }
    int fieldIndex(std::string_view name) const override;
    uint32_t recordCount() const override;
    bool isDeleted(uint32_t recno) const override;
    Value value(uint32_t recno, int field) const override;
    void readValue(uint32_t recno, int field, Value &into) const override;
    size_t recordLength() const override { return m_header.recordLength; }
    // The raw bytes of a record (delete flag first); valid until the next read of this table.
    std::string_view recordBytes(uint32_t recno) const override;
    void decodeField(const char *record, int field, Value &into) const override;
    std::string_view recordBlock(uint32_t first, uint32_t wanted) const override;
    std::optional<FieldPlace> fieldPlace(int field) const override;
    bool memoPart(const char *record, int field, size_t count, bool fromEnd,
        std::string &bytes) const override;
    bool memoText(const char *record, int field, std::string_view &bytes) const override;
    std::shared_ptr<Table> openReader() const override;
    std::vector<IndexTag> indexTags() const override;
    std::optional<std::vector<uint32_t>> seekNumber(int field, const Value &number) const override;
    void update(uint32_t recno, const FieldValues &changes) override;
    void checkChanges(const FieldValues &changes) const override;
    uint32_t append(const FieldValues &values) override;
    void checkWritable(const std::vector<int> &fields) const override;

    const DbfHeader &header() const { return m_header; }
    const CodePage &codePage() const override { return *m_codePage; }
    FileIo &file() { return *m_dbf; }
    // Long names from a database container, one per field in header order.
    void setLongFieldNames(const std::vector<std::string> &names);
    // The index file, or null when the table has none (throws when it is damaged).
    CdxFile *index() const;
    // The key a tag holds for a record's bytes, or nullopt when the tag leaves the record out.
    // Throws when the tag's expression cannot be evaluated.
    std::optional<std::string> keyFor(const CdxTag &tag, const char *record) const;
    // Pad byte of a tag's keys: blank for text keys, NUL otherwise.
    char padFor(const CdxTag &tag) const;
    // Rebuilds the structural index with one more tag over all records (exclusive use).
    void addIndexTag(const std::string &tag, const std::string &keyExpression);

    // Marks the table as the program's own: what a writer killed mid-append may have left is
    // repaired (repairOwnTable()) now when the file is writable and the locks free, else
    // before the first write through this object; seeks scan until then.
    void markOwnTable();
    // Drops a record written past the header's count (its writer died before counting it,
    // and readers that stop at the end mark rather than the count would see it), then
    // compares every tag this engine maintains with the keys the records give (every counted
    // record, each key on its record) and rebuilds the tags that differ or whose last change
    // did not finish. Holds the header and index locks meanwhile. Returns the tags rebuilt.
    int repairOwnTable();

private:
    struct TagPlan
    {
        CdxTag tag;
        std::unique_ptr<KeyExpression> key;
        ForCondition condition = ForCondition::None;
        std::string why; // empty when maintainable
        std::vector<int> fields;
    };

    const char *recordPointer(uint32_t recno) const;
    void refreshCount() const;
    MemoFile *memo() const;
    // Calls read(memo file, block) for a record's memo field (null and 0 for an empty memo),
    // with a damaged block's error naming the table and field; false for a field not a memo.
    template <typename Read> bool readMemoOf(const char *record, int field, Read &&read) const;
    MemoFile &writableMemo();
    void checkMemoWritable() const;
    // A new record: every field blank, no null flag set.
    std::string blankRecord() const;
    // Encodes changes into a record image; memo texts are collected, not written.
    void encodeChanges(const FieldValues &changes, char *record,
        std::vector<std::pair<size_t, std::string>> &memos) const;
    const std::vector<TagPlan> &plans() const;
    bool included(const TagPlan &plan, const char *record) const;
    const TagPlan *seekPlan(int field) const;
    void requireWritable() const;
    void checkIndexOnce();

    std::string m_name;
    std::string m_stem;
    std::unique_ptr<FileIo> m_dbf;
    CompanionOpener m_companions;
    DbfHeader m_header;
    std::vector<FieldInfo> m_fields;
    const CodePage *m_codePage = nullptr;

    mutable uint32_t m_recordCount = 0;
    mutable std::vector<char> m_cache;
    mutable uint32_t m_cacheFirst = 0;
    mutable uint32_t m_cacheCount = 0;
    mutable uint32_t m_readEnd = 1; // the record after the last block read

    mutable bool m_memoTried = false;
    mutable std::unique_ptr<MemoFile> m_memo;
    mutable bool m_indexTried = false;
    mutable std::unique_ptr<CdxFile> m_index;
    mutable std::optional<std::vector<TagPlan>> m_plans;
    bool m_ownTable = false;
    bool m_indexChecked = false;
};

} // namespace vfp
