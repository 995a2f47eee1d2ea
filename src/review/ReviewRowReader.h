#pragma once

#include "platform/database/Query.h"
#include "review/ReviewRow.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Copies the rows of an open query into review rows: every column whose name matches a field of
// the row (letter case ignored) goes into that field, read straight from the result's typed
// values. Texts are not copied: a row's text fields refer to the result's bytes, which outlive
// the query's next open for as long as textOwner() is held (a list holds it beside its rows). A
// value the field cannot take the usual way goes through the query's field conversion, as any
// other copy would, and leaves the field empty where that fails.
class ReviewRowReader
{
public:
    explicit ReviewRowReader(const db::Query &query);

    // Fills the fields from the query's row (from 0). A value that needs the field conversion
    // is converted when the query's cursor stands on that row (atCursor); otherwise its field is
    // left for another read with the cursor there, and the answer is false.
    // Reads that do not convert at the cursor change nothing, so several threads may make them
    // at once, each into rows of its own.
    bool read(int row, ReviewRow &target, bool atCursor = true) const;
    // Fills the fields from a row where it lies (see db::Query::rowsInStorageOrder()), as
    // read(row.row, target, false) does.
    bool read(const db::StoredRow &row, ReviewRow &target) const;
    // Asks for a row's values ahead of reading them (a hint only).
    void prefetch(const db::StoredRow &row) const { m_values.prefetch(row); }
    // What the texts read refer to.
    const std::shared_ptr<const void> &textOwner() const { return m_result; }

private:
    // How a column's value goes into its field when it has the field's usual type.
    enum class Step : uint8_t { Text, Flag, Decimal, Id, DocMail, Date };
    static constexpr size_t StepCount = 6;
    struct Copy
    {
        int column;
        ReviewField field;
        Step step;
        uint32_t bit; // the field's bit in ReviewRow::nulls
        uint32_t size; // characters of a text field
        TextMember text;
        FlagMember flag;
        DecimalMember decimal;
    };
    enum class Outcome : uint8_t;
    // What the copies of one row came to.
    struct Marks
    {
        uint32_t set = 0;
        uint32_t empty = 0;
        bool complete = true;
    };

    static Step StepOf(ReviewField field);
    // The copies of the query's fields that match a field of the row, those by the same step
    // together: a pass over many rows then takes the same branches for runs of values.
    static std::vector<Copy> CopiesOf(const db::Query &query);
    static std::vector<int> ColumnsOf(const std::vector<Copy> &copies);

    template <typename Row> bool readRow(const Row &row, ReviewRow &target, bool atCursor) const;
    // Copies the values of the run of copies by one step, from the copy at `next` on.
    template <Step S>
    void copyRun(size_t &next, const db::StoredValue *values, ReviewRow &target, Marks &marks,
        bool atCursor) const;
    // Copies a value the field takes as it is (Set); an empty value, or an empty date, leaves
    // it Empty; anything else is left to convert() (Other), with nothing written.
    template <Step S>
    static Outcome copyUsual(const Copy &copy, const db::StoredValue &value, ReviewRow &target);
    static void copyText(const Copy &copy, std::string_view bytes, ReviewRow &target);
    // Stores the field's value as the query's field conversion gives it, when the cursor is on
    // the row; false otherwise.
    bool convert(const Copy &copy, ReviewRow &target, bool atCursor) const;

    const db::Query &m_query;
    std::shared_ptr<const void> m_result;
    std::vector<Copy> m_copies; // in runs by step
    std::array<size_t, StepCount> m_runEnds {}; // where each step's run of copies ends
    db::StoredValueReader m_values; // of the copies' columns, in their order
};
