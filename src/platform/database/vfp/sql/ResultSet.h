#pragma once

#include "platform/database/vfp/Value.h"
#include "platform/database/vfp/sql/BlockMemory.h"
#include "platform/database/vfp/sql/Collation.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vfp::sql {

// The most memory the rows of one query may take (cells, texts and the table of rows, of all
// the parts a scan is split into): a result growing past it stops the query with an error that
// names the bound, instead of exhausting the machine.
constexpr size_t DefaultResultBytesLimit = size_t(1) << 30;
size_t ResultBytesLimit();
// Sets the bound (0: back to the default); for tests, which need not allocate a gigabyte.
void SetResultBytesLimit(size_t bytes);

struct ResultColumn
{
    std::string name; // lower case, as the engine names it (alias, field name, exp_N)
    char type = 'C'; // C M N I L D T
    int length = 0;
    int decimals = 0;
};

// The rows of a query, held compactly: one 16-byte cell per value, texts in one shared buffer.
class ResultSet
{
public:
    // One value of a row: 16 bytes, a text's bytes held elsewhere.
    struct Cell
    {
        Value::Kind kind = Value::Kind::Null;
        int8_t decimals = -1;
        uint32_t size = 0; // text bytes
        union {
            double number;
            int64_t integer;
            const char *text; // in one of the set's blocks, or borrowed
            bool logical;
            struct
            {
                int32_t julianDay;
                int32_t milliseconds;
            } date;
        };
    };
    // The cell appendBorrowed() would append for the value: a text's cell points at the value's
    // own bytes, which must outlive every set the cell is appended to.
    static Cell borrowedCell(const Value &value);

    explicit ResultSet(std::vector<ResultColumn> columns);

    const std::vector<ResultColumn> &columns() const { return m_columns; }
    // The order of texts for compare() and sortedOrder(); Windows-1252 unless set.
    void setCollation(const Collation &collation) { m_collation = collation; }
    const Collation &collation() const { return m_collation; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int columnIndex(std::string_view name) const; // any letter case; -1 when none
    size_t rowCount() const { return m_columns.empty() ? 0 : m_rows.size(); }

    // Building: begin a row, then append one value per column.
    void beginRow();
    void append(const Value &value);
    // As append, but a text is not copied: its cell points at the value's own bytes, which must
    // stay put for as long as this set lives, held by an owner given to keepAlive().
    void appendBorrowed(const Value &value);
    void keepAlive(std::shared_ptr<const void> owner);
    // As append() of the value these make, without making it: a text of `kind` (Character or
    // Memo), a Numeric with its decimals, an Integer, a Logical, a Date or a null.
    void appendText(Value::Kind kind, std::string_view text)
    {
        Cell &cell = *new (m_next++) Cell;
        cell.kind = kind;
        cell.size = static_cast<uint32_t>(text.size());
        cell.text = storeText(text);
    }
    void appendNumeric(double number, int decimals)
    {
        Cell &cell = *new (m_next++) Cell;
        cell.kind = Value::Kind::Numeric;
        cell.decimals = static_cast<int8_t>(std::clamp(decimals, -1, 127));
        cell.number = number;
    }
    void appendInteger(int64_t number)
    {
        Cell &cell = *new (m_next++) Cell;
        cell.kind = Value::Kind::Integer;
        cell.decimals = 0;
        cell.integer = number;
    }
    void appendLogical(bool flag)
    {
        Cell &cell = *new (m_next++) Cell;
        cell.kind = Value::Kind::Logical;
        cell.integer = 0;
        cell.logical = flag;
    }
    void appendDate(int32_t julianDay)
    {
        Cell &cell = *new (m_next++) Cell;
        cell.kind = Value::Kind::Date;
        cell.date.julianDay = julianDay;
        cell.date.milliseconds = 0;
    }
    void appendNull()
    {
        Cell &cell = *new (m_next++) Cell;
        cell.integer = 0;
    }
    // A cell made by borrowedCell(), whose text's owner is given to keepAlive().
    void appendCell(const Cell &cell) { *m_next++ = cell; }
    void dropLastRow();
    // Counts this set's memory against the bound together with `whole`'s (a part of its rows).
    void shareBoundWith(const ResultSet &whole);
    // Moves the rows of another set with the same columns, built in stored order, after these.
    void appendRows(ResultSet &&other);
    // Reorders the rows; order[i] is the old index of new row i. Cells are not moved: only the
    // table of rows is.
    void permute(const std::vector<uint32_t> &order);

    Value value(size_t row, int column) const;
    Value::Kind kind(size_t row, int column) const { return cell(row, column).kind; }
    bool isNull(size_t row, int column) const { return kind(row, column) == Value::Kind::Null; }
    std::string_view text(size_t row, int column) const;
    double number(size_t row, int column) const;
    // Where a row's cells lie: reading many rows in the order of these places reads memory in
    // sequence instead of at random.
    const void *rowPlace(size_t row) const { return m_rows[row]; }
    // A Logical's flag, an Integer's number and a Date's day, for a reader of many values that
    // has checked the kind, without making a Value of each.
    bool logical(size_t row, int column) const { return cell(row, column).logical; }
    int64_t integer(size_t row, int column) const { return cell(row, column).integer; }
    int32_t julianDay(size_t row, int column) const { return cell(row, column).date.julianDay; }

    // Equality of two whole rows (DISTINCT) and a hash of one.
    bool rowsEqual(size_t a, size_t b) const;
    size_t rowHash(size_t row) const;
    // Order of two rows by one column: nulls first, texts padded with blanks in the collation's
    // order.
    int compare(size_t a, size_t b, int column) const;
    // The rows' order by (column, descending) keys, stable: ties keep their present order;
    // order[i] is the row that goes i-th.
    std::vector<uint32_t> sortedOrder(const std::vector<std::pair<int, bool>> &keys) const;
    // Where a cell lies, for a pass over many rows to read ahead.
    const void *cellPlace(size_t row, int column) const { return &cell(row, column); }

    // The type of a column whose static type was unknown, from its first non-null value.
    void settleUnknownTypes();

private:
    const Cell &cell(size_t row, int column) const
    {
        return m_rows[row][static_cast<size_t>(column)];
    }
    const char *storeText(std::string_view text);
    void charge(size_t bytes);

    std::vector<ResultColumn> m_columns;
    Collation m_collation;
    // Cells and texts live in blocks that never move, so building copies nothing twice; a table
    // of rows points at each row's cells. Blocks double in size up to a huge page, so a small
    // result stays small.
    std::vector<MemoryBlock> m_blocks; // of cells and of texts, in no particular order
    std::vector<Cell *> m_rows;
    std::vector<std::shared_ptr<const void>> m_owners; // of borrowed texts
    Cell *m_next = nullptr; // where the row being built takes its next cell
    size_t m_rowsLeft = 0; // rows that still fit in the cell block being filled
    size_t m_cellBlockBytes = size_t(16) << 10; // the next cell block's size
    size_t m_textBlockBytes = size_t(4) << 10; // the next text block's size
    char *m_text = nullptr; // where the next text goes
    size_t m_textRoom = 0; // bytes free after it
    // Bytes taken by this set and those sharing its bound.
    std::shared_ptr<std::atomic<size_t>> m_charged = std::make_shared<std::atomic<size_t>>(0);
};

} // namespace vfp::sql
