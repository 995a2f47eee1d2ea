#pragma once

#include "platform/database/Query.h"
#include "review/ReviewRow.h"

#include <QString>

#include <array>
#include <string_view>
#include <vector>

// Copies the rows of an open query into review rows: every column whose name matches a field of
// the row (letter case ignored) goes into that field, read straight from the result's typed
// values. Equal texts of neighbouring rows (an account's name and address, one-letter codes)
// share one string. A value the field cannot take the usual way goes through the query's field
// conversion, as any other copy would, and leaves the field empty where that fails.
class ReviewRowReader
{
public:
    explicit ReviewRowReader(const db::Query &query);

    // Fills the fields from the query's row (from 0); the query's cursor must stand on that row
    // for a value that needs the field conversion.
    void read(int row, ReviewRow &target);
    // Asks for a later row's values ahead of read(): rows come in sorted order, scattered over
    // the result's memory, and waiting for each in turn costs more than the copying.
    void prefetch(int row) const;

private:
    // The last text read for a column, so a repeat costs a comparison instead of a conversion.
    struct TextCache
    {
        std::string_view bytes;
        QString text;
        bool filled = false;
    };

    struct Copy
    {
        int column;
        ReviewField field;
        FieldKind kind;
        int size; // characters of a text field
        TextMember text;
        FlagMember flag;
        DecimalMember decimal;
        db::ColumnReader reader;
        TextCache cache;
    };

    QString text(Copy &copy, std::string_view bytes);
    void copyValue(Copy &copy, int row, ReviewRow &target);

    const db::Query &m_query;
    std::vector<Copy> m_copies;
    // One-character texts (and the empty text), shared by every row.
    std::array<QString, 257> m_short;
};
