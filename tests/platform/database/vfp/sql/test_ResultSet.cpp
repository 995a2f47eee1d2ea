// The result store across its block boundaries, and row orders applied one after another.

#include "platform/database/vfp/sql/ResultSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::ResultColumn;
using vfp::sql::ResultSet;

ResultSet TwoColumns()
{
    return ResultSet({ ResultColumn { "n", 'N', 10, 0 }, ResultColumn { "t", 'C', 0, 0 } });
}

std::string Text(int row)
{
    return "row " + std::to_string(row);
}

TEST(ResultSet, ManyRowsAndLongTextsKeepEveryValue)
{
    ResultSet rows = TwoColumns();
    const int count = 150000; // spans several cell blocks
    const std::string huge(3 << 20, 'x'); // larger than a text block
    for (int row = 0; row < count; ++row) {
        rows.beginRow();
        rows.append(Value::numeric(row, 0));
        rows.append(row == 5000 ? Value::memo(huge) : Value::character(Text(row)));
    }
    ASSERT_EQ(size_t(count), rows.rowCount());
    for (int row = 0; row < count; ++row) {
        ASSERT_EQ(row, rows.number(size_t(row), 0));
        if (row != 5000) {
            ASSERT_EQ(Text(row), rows.text(size_t(row), 1));
        }
    }
    EXPECT_EQ(huge, rows.text(5000, 1));
    EXPECT_EQ(Value::Kind::Memo, rows.kind(5000, 1));
}

TEST(ResultSet, RowsWiderThanABlock)
{
    constexpr int Width = 200000; // a row's cells alone outgrow the largest block
    std::vector<ResultColumn> columns(Width, ResultColumn { "n", 'N', 10, 0 });
    ResultSet rows(columns);
    for (int row = 0; row < 3; ++row) {
        rows.beginRow();
        for (int column = 0; column < Width; ++column)
            rows.append(Value::numeric(row * Width + column, 0));
    }
    ASSERT_EQ(3u, rows.rowCount());
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(row * Width, rows.number(size_t(row), 0));
        EXPECT_EQ(row * Width + Width - 1, rows.number(size_t(row), Width - 1));
    }
}

TEST(ResultSet, EmptyTextsNullsAndADroppedRow)
{
    ResultSet rows = TwoColumns();
    rows.beginRow();
    rows.append(Value());
    rows.append(Value::character(""));
    rows.beginRow();
    rows.append(Value::numeric(1, 0));
    rows.append(Value::character("gone"));
    rows.dropLastRow();
    rows.beginRow();
    rows.append(Value::numeric(2, 0));
    rows.append(Value::character("kept"));
    ASSERT_EQ(2u, rows.rowCount());
    EXPECT_TRUE(rows.isNull(0, 0));
    EXPECT_EQ(Value::Kind::Character, rows.kind(0, 1));
    EXPECT_EQ("", rows.text(0, 1));
    EXPECT_EQ("kept", rows.text(1, 1));
}

TEST(ResultSet, AppendedRowsKeepTheirTextsAndBuildingGoesOn)
{
    ResultSet rows = TwoColumns();
    ResultSet more = TwoColumns();
    const auto add = [](ResultSet &to, int row) {
        to.beginRow();
        to.append(Value::numeric(row, 0));
        to.append(Value::character(Text(row)));
    };
    for (int row = 0; row < 10; ++row)
        add(rows, row);
    for (int row = 10; row < 100010; ++row) // more than one block of each kind
        add(more, row);
    rows.appendRows(std::move(more));
    EXPECT_EQ(0u, more.rowCount());
    // Rows added afterwards go after the appended ones; a dropped one leaves no trace.
    add(rows, 100010);
    add(rows, -1);
    rows.dropLastRow();
    add(rows, 100011);
    ASSERT_EQ(100012u, rows.rowCount());
    for (int row = 0; row < 100012; ++row) {
        ASSERT_EQ(row, rows.number(size_t(row), 0));
        ASSERT_EQ(Text(row), rows.text(size_t(row), 1));
    }
    std::vector<uint32_t> reversed(rows.rowCount());
    std::iota(reversed.rbegin(), reversed.rend(), 0u);
    rows.permute(reversed);
    EXPECT_EQ(Text(100011), rows.text(0, 1));
    EXPECT_EQ(Text(0), rows.text(100011, 1));
}

TEST(ResultSet, OrdersComposeAndSortingIsStable)
{
    ResultSet rows = TwoColumns();
    const char *texts[] = { "b", "a", "b", "a" };
    for (int row = 0; row < 4; ++row) {
        rows.beginRow();
        rows.append(Value::numeric(row, 0));
        rows.append(Value::character(texts[row]));
    }
    rows.permute(rows.sortedOrder({ { 1, false } }));
    const double ascending[] = { 1, 3, 0, 2 };
    for (size_t row = 0; row < 4; ++row)
        EXPECT_EQ(ascending[row], rows.number(row, 0));
    // A second order is over the rows as they now stand.
    rows.permute({ 3, 2, 1, 0 });
    const double reversed[] = { 2, 0, 3, 1 };
    for (size_t row = 0; row < 4; ++row) {
        EXPECT_EQ(reversed[row], rows.number(row, 0));
        EXPECT_EQ(texts[static_cast<int>(reversed[row])], rows.text(row, 1));
    }
    EXPECT_TRUE(rows.rowsEqual(0, 0));
    EXPECT_FALSE(rows.rowsEqual(0, 1));
    EXPECT_EQ("a", rows.value(2, 1).text());
}

TEST(ResultSet, ABigSortIsStableAndOrdersByEveryKey)
{
    // Enough rows for the sort to be split between threads; few distinct keys, so most rows
    // tie on the first key and many on both.
    constexpr size_t Rows = 70000;
    ResultSet rows({ ResultColumn { "k", 'C', 4, 0 }, ResultColumn { "n", 'N', 10, 0 },
        ResultColumn { "i", 'N', 10, 0 } });
    std::mt19937 random(7);
    std::vector<std::string> first(Rows);
    std::vector<int> second(Rows);
    for (size_t row = 0; row < Rows; ++row) {
        first[row] = std::string(1, static_cast<char>('a' + random() % 20));
        second[row] = static_cast<int>(random() % 50);
        rows.beginRow();
        rows.append(Value::character(first[row]));
        rows.append(Value::numeric(second[row], 0));
        rows.append(Value::numeric(static_cast<double>(row), 0));
    }
    std::vector<uint32_t> expected(Rows);
    std::iota(expected.begin(), expected.end(), 0u);
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        if (first[a] != first[b])
            return first[a] < first[b];
        return second[a] > second[b];
    });
    EXPECT_EQ(expected, rows.sortedOrder({ { 0, false }, { 1, true } }));
    // A third key, kept apart from the two that travel with their rows, settles the ties.
    std::sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        if (second[a] != second[b])
            return second[a] < second[b];
        if (first[a] != first[b])
            return first[a] < first[b];
        return a > b;
    });
    EXPECT_EQ(expected, rows.sortedOrder({ { 1, false }, { 0, false }, { 2, true } }));
}

} // namespace
