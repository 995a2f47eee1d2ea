#pragma once

#include "platform/database/Query.h"
#include "review/ReviewRow.h"

#include <QString>

#include <memory>
#include <string_view>
#include <vector>

// Copies the rows of an open query into review rows: every column whose name matches a field of
// the row (letter case ignored) goes into that field, read straight from the result's typed
// values. Texts are not copied: a row's text fields refer to the result's bytes, and the row
// holds the result, so they outlive the query's next open. A value the field cannot take the
// usual way goes through the query's field conversion, as any other copy would, and leaves the
// field empty where that fails.
class ReviewRowReader
{
public:
    explicit ReviewRowReader(const db::Query &query);

    // Fills the fields from the query's row (from 0). A value that needs the field conversion
    // is converted when the query's cursor stands on that row (atCursor); otherwise its field is
    // left for another read with the cursor there, and the answer is false.
    bool read(int row, ReviewRow &target, bool atCursor = true);

private:
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
    };

    static void copyText(const Copy &copy, std::string_view bytes, ReviewRow &target);
    bool copyValue(const Copy &copy, int row, ReviewRow &target, bool atCursor);

    const db::Query &m_query;
    std::shared_ptr<const void> m_result;
    std::vector<Copy> m_copies;
};
