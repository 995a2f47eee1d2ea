#pragma once

#include "platform/database/vfp/Table.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An in-memory engine storage for executor tests: tables held as values, with the conversions a
// FoxPro table applies on write and a log of every write and script call.
namespace vfp::memory {

class MemoryTable : public Table
{
public:
    MemoryTable(std::string name, std::vector<FieldInfo> fields);

    // Adds a record from values in field order (texts padded to the field width).
    uint32_t addRow(const std::vector<Value> &values, bool deleted = false);
    void setDeleted(uint32_t recno, bool deleted);
    void addIndexTag(IndexTag tag) { m_tags.push_back(std::move(tag)); }
    // Fields whose index tags the "engine" cannot maintain: checkWritable refuses them.
    void refuseWritesTo(int field) { m_refused.push_back(field); }

    const std::string &name() const override { return m_name; }
    const std::vector<FieldInfo> &fields() const override { return m_fields; }
    int fieldIndex(std::string_view name) const override;
    uint32_t recordCount() const override { return static_cast<uint32_t>(m_rows.size()); }
    bool isDeleted(uint32_t recno) const override;
    Value value(uint32_t recno, int field) const override;
    std::vector<IndexTag> indexTags() const override { return m_tags; }
    void update(uint32_t recno, const FieldValues &changes) override;
    uint32_t append(const FieldValues &values) override;
    void checkWritable(const std::vector<int> &fields) const override;

    int writes() const { return m_writes; }
    // Counted from every thread that reads the table (tables in memory have no readers of
    // their own, so threads share them).
    mutable std::atomic<int> valueReads = 0;

private:
    Value convert(int field, const Value &value) const;

    std::string m_name;
    std::vector<FieldInfo> m_fields;
    std::vector<std::vector<Value>> m_rows;
    std::vector<bool> m_deleted;
    std::vector<IndexTag> m_tags;
    std::vector<int> m_refused;
    int m_writes = 0;
};

class MemoryDatabase : public Database
{
public:
    std::shared_ptr<MemoryTable> addTable(const std::string &name, std::vector<FieldInfo> fields);
    std::shared_ptr<MemoryTable> memoryTable(std::string_view name) const;

    std::shared_ptr<Table> table(std::string_view name) override;
    bool tableExists(std::string_view name) const override;
    void setDefaultFolder(const std::string &folder) override;
    std::string defaultFolder() const override { return m_folder; }
    void createFreeTable(const std::string &name, const std::vector<NewField> &fields) override;
    void createIndexTag(const std::string &table, const std::string &keyExpression,
        const std::string &tag) override;
    void closeAll() override;

    // Script calls in order, e.g. "default D:\Opera", "create A_ST_ZRQ", "index A_ST_ZRQ ST_ID
    // ST_ZRQ1".
    std::vector<std::string> log;

private:
    std::map<std::string, std::shared_ptr<MemoryTable>> m_tables; // by lower-case name
    std::string m_folder;
};

// Field descriptions in short form: {"ST_ID", 'N', 10, 0}.
FieldInfo MakeField(
    std::string name, char type, int length = 0, int decimals = 0, bool nullable = false);

} // namespace vfp::memory
