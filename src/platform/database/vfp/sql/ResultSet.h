#pragma once

#include "platform/database/vfp/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vfp::sql {

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
    explicit ResultSet(std::vector<ResultColumn> columns);

    const std::vector<ResultColumn> &columns() const { return m_columns; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int columnIndex(std::string_view name) const; // any letter case; -1 when none
    size_t rowCount() const { return m_columns.empty() ? 0 : m_cells.size() / m_columns.size(); }

    // Building: begin a row, then append one value per column.
    void beginRow() { m_rowStart = m_cells.size(); }
    void append(const Value &value);
    void dropLastRow();
    void reserve(size_t rows) { m_cells.reserve(rows * m_columns.size()); }
    // Reorders the rows; order[i] is the old index of new row i.
    void permute(const std::vector<uint32_t> &order);

    Value value(size_t row, int column) const;
    Value::Kind kind(size_t row, int column) const { return cell(row, column).kind; }
    bool isNull(size_t row, int column) const { return kind(row, column) == Value::Kind::Null; }
    std::string_view text(size_t row, int column) const;
    double number(size_t row, int column) const;

    // Equality of two whole rows (DISTINCT) and a hash of one.
    bool rowsEqual(size_t a, size_t b) const;
    size_t rowHash(size_t row) const;
    // Order of two rows by one column: nulls first, texts padded with blanks.
    int compare(size_t a, size_t b, int column) const;
    // The rows' order by (column, descending) keys, stable: ties keep their present order.
    std::vector<uint32_t> sortedOrder(const std::vector<std::pair<int, bool>> &keys) const;

    // The type of a column whose static type was unknown, from its first non-null value.
    void settleUnknownTypes();

private:
    struct Cell
    {
        Value::Kind kind = Value::Kind::Null;
        int8_t decimals = -1;
        uint32_t size = 0; // text bytes
        union {
            double number;
            int64_t integer;
            uint64_t offset; // text start in m_text
            bool logical;
            struct
            {
                int32_t julianDay;
                int32_t milliseconds;
            } date;
        };
        Cell()
            : integer(0)
        { }
    };

    const Cell &cell(size_t row, int column) const
    {
        return m_cells[row * m_columns.size() + static_cast<size_t>(column)];
    }

    std::vector<ResultColumn> m_columns;
    std::vector<Cell> m_cells;
    std::string m_text;
    size_t m_rowStart = 0;
};

} // namespace vfp::sql
