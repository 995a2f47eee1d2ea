#pragma once

// Creating tables, indexes and database containers from code: the demo-company generator, the
// benchmarks and the tests build their files with these (the SQL script commands use the same
// writers through vfp::Database).

#include "platform/database/vfp/Table.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vfp {

// A field of a new table, for field lists written out in code.
inline NewField MakeField(std::string name, char type, int length = 0, int decimals = 0)
{
    NewField field;
    field.name = std::move(name);
    field.type = type;
    field.length = length;
    field.decimals = decimals;
    return field;
}

struct TableOptions
{
    uint8_t version = 0x30; // 0x30 Visual FoxPro; 0x31 when a field autoincrements
    uint8_t codePageMark = 0x03; // 0x03 cp1252
};

// Writes rows of a new table in one pass: records are buffered and written in big blocks, memos
// appended to the .fpt, and on finish() the header and every requested structural index tag
// (built from all keys at once) are written. Long field names (more than 10 characters) are
// cut to 10 in the table header; give the long names to CreateDatabaseContainer.
// Throws vfp::Error on a bad field list or a value that does not fit its field; the files are
// removed again when finish() is not reached.
class TableBuilder
{
public:
    TableBuilder(const std::string &dbfPath, const std::vector<NewField> &fields,
        const TableOptions &options = {});
    ~TableBuilder();
    TableBuilder(const TableBuilder &) = delete;
    TableBuilder &operator=(const TableBuilder &) = delete;

    // One value per field in field order (Value::null() for a nullable field's null or a blank).
    void addRow(const std::vector<Value> &values);
    // Marks the row just added as deleted.
    void deleteLastRow();
    // Structural index tags to build on finish(): key expression as typed ("ST_ID",
    // "UPPER(SN_NAME)", "SN_ACCOUNT+STR(ST_ID,10)"); forExpression empty or ".NOT.DELETED()".
    void addIndexTag(const std::string &tag, const std::string &keyExpression,
        const std::string &forExpression = {});
    void finish();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// An empty table: the same as a TableBuilder finished at once.
void CreateTable(const std::string &dbfPath, const std::vector<NewField> &fields,
    const TableOptions &options = {});

// Opens one table for reading and writing (Table::update / append).
std::shared_ptr<Table> OpenTable(const std::string &dbfPath);

struct ContainerTable
{
    std::string dbfPath; // an existing table, in the container's folder or below
    std::string name; // the table's name in the container; empty = base name
    std::vector<std::string> longFieldNames; // per field in header order; empty = header names
};

// Writes dbcPath (e.g. ".../COMP_Z.DBC") with its .DCT memo and .DCX index: the Database rows,
// then per table a Table row whose PATH property is the table's path relative to the container,
// and its Field rows (long names). Sets each table's backlink to the container's file name.
void CreateDatabaseContainer(const std::string &dbcPath, const std::vector<ContainerTable> &tables);

} // namespace vfp
