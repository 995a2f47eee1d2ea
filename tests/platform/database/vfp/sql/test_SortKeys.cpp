// The order of a query's rows from packed sort keys against the order of the values themselves
// (ResultSet::compare, key by key, ties kept in place): texts with Windows-1252 letters, with
// characters the code page lacks, longer than their room, sharing long prefixes, with trailing
// blanks or empty; numbers of either sign with decimals; dates, empty dates and times;
// logicals; nulls; DESC and mixed directions; rows keyed in parts and merged; and ORDER BY through
// the engine over a table big enough to be scanned in parts, with a LEFT JOIN's missing records.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ResultSet.h"
#include "platform/database/vfp/sql/SortKeys.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::OrderKey;
using vfp::sql::ResultColumn;
using vfp::sql::ResultSet;
using vfp::sql::SortKeyLayout;

// The order the sort must give: stable, each key by ResultSet::compare, DESC reversed.
std::vector<uint32_t> ReferenceOrder(const ResultSet &rows, const std::vector<OrderKey> &keys)
{
    std::vector<uint32_t> order(rows.rowCount());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        for (const OrderKey &key : keys) {
            const int c = rows.compare(a, b, key.column);
            if (c != 0)
                return key.descending ? c > 0 : c < 0;
        }
        return false;
    });
    return order;
}

int Draw(std::mt19937 &random, int low, int high)
{
    return low + static_cast<int>(random() % static_cast<uint32_t>(high - low + 1));
}

// Texts made of pieces, so that many share prefixes (some longer than any key's room) and tie.
std::string RandomText(std::mt19937 &random)
{
    static const std::vector<std::string> pieces = { "", "A", "AB", "ab", "Ab", "e", "é", "É", "f",
        "z", "Z", "ÿ", "€", "Œ", "ß", "Ω", "ł", "\x01", " ", "   ", "0", "9", "~",
        "SHARED-PREFIX-LONGER-THAN-ANY-ROOM-0123456789-0123456789-" };
    std::string text;
    const int count = Draw(random, 0, 3);
    for (int i = 0; i < count; ++i)
        text += pieces[static_cast<size_t>(Draw(random, 0, static_cast<int>(pieces.size()) - 1))];
    if (Draw(random, 0, 3) == 0)
        text.append(static_cast<size_t>(Draw(random, 1, 30)), ' ');
    return text;
}

// A fixed-width text as a C field holds it: cut or padded to the width, in characters.
std::string FieldText(std::string text, int width)
{
    std::string out;
    size_t at = 0;
    int characters = 0;
    while (at < text.size() && characters < width) {
        size_t next = at + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        out.append(text, at, next - at);
        at = next;
        ++characters;
    }
    out.append(static_cast<size_t>(width - characters), ' ');
    return out;
}

Value RandomValue(std::mt19937 &random, const ResultColumn &column)
{
    switch (column.type) {
    case 'C': {
        std::string text = RandomText(random);
        // Mostly as a field holds it; sometimes of any length, as an expression's may be.
        return Value::character(Draw(random, 0, 3) ? FieldText(text, column.length) : text);
    }
    case 'M':
        return Value::memo(RandomText(random) + RandomText(random));
    case 'N': {
        static const double numbers[] = { -1e12, -100.5, -2.25, -2.2, -0.01, -0.0, 0, 0.01, 0.5,
            2.2, 2.25, 99.99, 100, 1e12 };
        return Value::numeric(numbers[Draw(random, 0, 13)], 2);
    }
    case 'I':
        return Value::integer(Draw(random, -3, 3) * int64_t(1000000007));
    case 'L':
        return Value::logical(Draw(random, 0, 1) == 1);
    case 'D':
        return Value::date(Draw(random, 0, 3) == 0 ? 0 : 2459000 + Draw(random, -5, 5));
    case 'T':
        return Value::dateTime(
            Draw(random, 0, 3) == 0 ? 0 : 2459000 + Draw(random, -2, 2), Draw(random, 0, 3) * 1000);
    }
    return {};
}

struct Table
{
    ResultSet rows;
    std::vector<bool> hasNulls;
};

Table RandomTable(std::mt19937 &random, const std::vector<ResultColumn> &columns, size_t count)
{
    Table table { ResultSet(columns), std::vector<bool>(columns.size(), false) };
    std::vector<bool> nullable(columns.size());
    for (size_t c = 0; c < columns.size(); ++c)
        nullable[c] = Draw(random, 0, 1) == 1;
    for (size_t row = 0; row < count; ++row) {
        table.rows.beginRow();
        for (size_t c = 0; c < columns.size(); ++c) {
            if (nullable[c] && Draw(random, 0, 9) == 0) {
                table.rows.append(Value());
                table.hasNulls[c] = true;
            } else {
                table.rows.append(RandomValue(random, columns[c]));
            }
        }
    }
    return table;
}

std::vector<ResultColumn> RandomColumns(std::mt19937 &random)
{
    static const std::vector<ResultColumn> kinds = { { "c1", 'C', 1, 0 }, { "c8", 'C', 8, 0 },
        { "c20", 'C', 20, 0 }, { "c60", 'C', 60, 0 }, { "m", 'M', 4, 0 }, { "n", 'N', 12, 2 },
        { "i", 'I', 4, 0 }, { "l", 'L', 1, 0 }, { "d", 'D', 8, 0 }, { "t", 'T', 8, 0 } };
    std::vector<ResultColumn> columns;
    const int count = Draw(random, 1, 5);
    for (int i = 0; i < count; ++i)
        columns.push_back(kinds[static_cast<size_t>(Draw(random, 0, 9))]);
    return columns;
}

TEST(SortKeys, RandomRowsOrderAsTheirValuesCompare)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 150; ++round) {
        const std::vector<ResultColumn> columns = RandomColumns(random);
        // Some rounds big enough for the rows to be keyed and sorted on two threads.
        const size_t count = round % 25 == 0 ? 40000 : static_cast<size_t>(Draw(random, 0, 600));
        Table table = RandomTable(random, columns, count);
        std::vector<OrderKey> keys;
        const int keyCount = Draw(random, 1, static_cast<int>(columns.size()) + 1);
        for (int k = 0; k < keyCount; ++k) {
            const int column = Draw(random, 0, static_cast<int>(columns.size()) - 1);
            // A column said to hold no nulls is keyed without a null byte: one that holds some
            // anyway must still sort them first.
            const bool mayBeNull = table.hasNulls[static_cast<size_t>(column)]
                ? Draw(random, 0, 4) > 0
                : Draw(random, 0, 1) == 1;
            keys.push_back(OrderKey { column, Draw(random, 0, 1) == 1, mayBeNull });
        }
        const auto expected = ReferenceOrder(table.rows, keys);
        const auto order = vfp::sql::SortRows(table.rows, SortKeyLayout(columns, keys));
        ASSERT_EQ(expected, order) << "round " << round;
    }
}

TEST(SortKeys, TextsOrderByCodePageBytesPaddedWithBlanks)
{
    ResultSet rows({ ResultColumn { "t", 'C', 6, 0 } });
    // In the order the sort must give; texts on one line are equal and keep their order.
    const std::vector<std::vector<std::string>> groups
        = { { "\x01" }, { "", " ", "      " }, { "A" }, { "AB", "AB    " }, { "ABC" }, { "Z" },
              { "a" }, { "z" }, { "~" }, { "Œ" }, { "É" }, { "é" }, { "éa" }, { "ÿ" }, { "ÿÿÿÿÿÿ" },
              { "ÿÿÿÿÿÿÿ" }, { "ł" }, { "Ω" }, { "Ωa" } };
    std::vector<std::pair<std::string, size_t>> texts;
    for (size_t g = 0; g < groups.size(); ++g) {
        for (const std::string &text : groups[g])
            texts.emplace_back(text, g);
    }
    // Added in reverse, so that equal texts show whether they keep their order.
    std::reverse(texts.begin(), texts.end());
    for (const auto &[text, group] : texts) {
        rows.beginRow();
        rows.append(Value::character(text));
    }
    const auto order = rows.sortedOrder({ { 0, false } });
    ASSERT_EQ(texts.size(), order.size());
    for (size_t i = 1; i < order.size(); ++i) {
        const auto &before = texts[order[i - 1]];
        const auto &after = texts[order[i]];
        ASSERT_LE(before.second, after.second) << before.first << " / " << after.first;
        if (before.second == after.second) {
            EXPECT_LT(order[i - 1], order[i]) << before.first << " / " << after.first;
        }
    }
    EXPECT_EQ(
        ReferenceOrder(rows, { OrderKey { 0, true, true } }), rows.sortedOrder({ { 0, true } }));
}

TEST(SortKeys, NumbersDatesAndLogicalsOrderAsValuesWithNullsFirst)
{
    ResultSet rows({ ResultColumn { "n", 'N', 12, 2 }, ResultColumn { "d", 'D', 8, 0 },
        ResultColumn { "l", 'L', 1, 0 } });
    const double numbers[] = { 3.5, -0.0, -3.25, 0, 1e15, -1e15, 0.01, -0.01 };
    for (size_t i = 0; i < 8; ++i) {
        rows.beginRow();
        rows.append(Value::numeric(numbers[i], 2));
        rows.append(i == 2 ? Value() : Value::date(i % 3 == 0 ? 0 : 2459000 - int32_t(i)));
        rows.append(i == 5 ? Value() : Value::logical(i % 2 == 0));
    }
    rows.beginRow();
    rows.append(Value());
    rows.append(Value::date(2459000));
    rows.append(Value::logical(true));
    // Row 8 is the null number; -0 and 0 tie and keep their order.
    EXPECT_EQ(
        (std::vector<uint32_t> { 8, 5, 2, 7, 1, 3, 6, 0, 4 }), rows.sortedOrder({ { 0, false } }));
    EXPECT_EQ(
        (std::vector<uint32_t> { 4, 0, 6, 1, 3, 7, 2, 5, 8 }), rows.sortedOrder({ { 0, true } }));
    // Dates: the null, the empty dates, then by day; logicals: the null, .F., .T.
    EXPECT_EQ(
        (std::vector<uint32_t> { 2, 0, 3, 6, 7, 5, 4, 1, 8 }), rows.sortedOrder({ { 1, false } }));
    EXPECT_EQ(
        (std::vector<uint32_t> { 5, 1, 3, 7, 0, 2, 4, 6, 8 }), rows.sortedOrder({ { 2, false } }));
    // Mixed directions: logicals descending, then numbers ascending.
    EXPECT_EQ(ReferenceOrder(rows, { OrderKey { 2, true, true }, OrderKey { 0, false, true } }),
        rows.sortedOrder({ { 2, true }, { 0, false } }));
    EXPECT_EQ((std::vector<uint32_t> { 8, 2, 6, 0, 4, 7, 1, 3, 5 }),
        rows.sortedOrder({ { 2, true }, { 0, false } }));
}

TEST(SortKeys, KeysBeyondThePackedRoomStillOrderTheRows)
{
    std::vector<ResultColumn> columns;
    for (int c = 0; c < 5; ++c)
        columns.push_back(ResultColumn { "c" + std::to_string(c), 'C', 20, 0 });
    std::vector<OrderKey> keys;
    for (int c = 0; c < 5; ++c)
        keys.push_back(OrderKey { c, c == 3, true });
    const SortKeyLayout layout(columns, keys);
    EXPECT_FALSE(layout.complete());
    EXPECT_LE(layout.keyBytes(), SortKeyLayout::MaxKeyBytes);

    // Few values per column, so rows tie on the packed keys and differ past them.
    std::mt19937 random(5);
    ResultSet rows(columns);
    for (int row = 0; row < 3000; ++row) {
        rows.beginRow();
        for (int c = 0; c < 5; ++c)
            rows.append(
                Value::character(std::string(1, static_cast<char>('a' + Draw(random, 0, 2)))));
    }
    EXPECT_EQ(ReferenceOrder(rows, keys), vfp::sql::SortRows(rows, layout));
}

// Nulls, then values of another type than the column's, then its own; a column of no known type
// orders by type, then by value.
TEST(SortKeys, ValuesOfOtherTypesOrderBeforeTheColumnsOwn)
{
    for (const char type : { 'C', '\0' }) {
        ResultSet rows({ ResultColumn { "x", type, 4, 0 } });
        const std::vector<Value> values = { Value::character("b"), Value::numeric(2, 0), Value(),
            Value::character("a"), Value::logical(true), Value::numeric(1, 0), Value::date(5),
            Value::character("a") };
        for (const Value &value : values) {
            rows.beginRow();
            rows.append(value);
        }
        const std::vector<OrderKey> keys = { OrderKey { 0, false, true } };
        const auto order = vfp::sql::SortRows(rows, SortKeyLayout(rows.columns(), keys));
        const std::vector<uint32_t> expected = type == 'C'
            ? std::vector<uint32_t> { 2, 5, 1, 4, 6, 3, 7, 0 }
            : std::vector<uint32_t> { 2, 3, 7, 0, 5, 1, 4, 6 };
        EXPECT_EQ(expected, order) << "type " << int(type);
    }
}

// Rows made by several parts of a scan, each keyed in stretches and sorted alone, then merged:
// the same order as one sort of all the rows, ties in the parts' order.
TEST(SortKeys, RunsOfPartsMergeAsOneSort)
{
    std::mt19937 random(11);
    const std::vector<ResultColumn> columns = { ResultColumn { "a", 'C', 8, 0 },
        ResultColumn { "b", 'M', 4, 0 }, ResultColumn { "n", 'N', 10, 0 } };
    const std::vector<OrderKey> keys
        = { OrderKey { 0, false, false }, OrderKey { 1, true, true }, OrderKey { 2, false, true } };
    const SortKeyLayout layout(columns, keys);
    ResultSet whole(columns);
    std::vector<ResultSet> parts;
    const size_t sizes[] = { 900, 0, 1500, 700 };
    for (const size_t size : sizes) {
        parts.emplace_back(columns);
        for (size_t row = 0; row < size; ++row) {
            parts.back().beginRow();
            parts.back().append(Value::character(FieldText(RandomText(random), 8)));
            parts.back().append(Value::memo(RandomText(random) + RandomText(random)));
            parts.back().append(Value::numeric(Draw(random, 0, 3), 0));
        }
    }
    std::vector<vfp::sql::SortRun> runs;
    for (ResultSet &part : parts) {
        runs.emplace_back(layout);
        for (size_t from = 0; from < part.rowCount(); from += 128)
            runs.back().add(part, from, std::min(part.rowCount(), from + 128));
        runs.back().sort();
    }
    for (size_t p = 0; p < parts.size(); ++p) {
        runs[p].setRowOffset(static_cast<uint32_t>(whole.rowCount()));
        whole.appendRows(std::move(parts[p]));
    }
    const auto expected = ReferenceOrder(whole, keys);
    EXPECT_EQ(expected, vfp::sql::MergeRuns(whole, runs));
    EXPECT_EQ(expected, vfp::sql::SortRows(whole, layout));
}

// ORDER BY through the engine, over a ledger big enough to be scanned in parts whose rows are
// keyed as they are made: the rows come in the order of their values, compared one by one,
// ties in record order; a LEFT JOIN's missing records give nulls, first ascending and last
// descending.
TEST(SortKeys, OrderByOverAScanInPartsFollowsTheValues)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.path().toStdString();
    std::mt19937 random(3);
    constexpr int Records = 70000;
    {
        vfp::NewField flag = vfp::MakeField("FLAG", 'L');
        flag.nullable = true;
        vfp::TableBuilder ledger(path + "/LEDGER.DBF",
            { vfp::MakeField("ACCOUNT", 'C', 8), vfp::MakeField("REF", 'C', 20),
                vfp::MakeField("AMOUNT", 'N', 12, 2), vfp::MakeField("DAY", 'D'), flag,
                vfp::MakeField("ID", 'N', 10, 0) });
        static const char *names[]
            = { "Ölfen", "Olsen", "éclair", "Eclair", "zeta", "Œuvre", "", "ab", "ab  x" };
        for (int id = 1; id <= Records; ++id) {
            ledger.addRow({ Value::character(FieldText(names[Draw(random, 0, 8)], 5)
                                + std::to_string(Draw(random, 0, 9))),
                Value::character("R" + std::to_string(Draw(random, 0, 99))),
                Value::numeric(Draw(random, -500, 500) / 4.0, 2),
                Value::date(2459000 + Draw(random, 0, 40)),
                Draw(random, 0, 4) == 0 ? Value() : Value::logical(Draw(random, 0, 1) == 1),
                Value::numeric(id, 0) });
        }
        ledger.finish();
        vfp::TableBuilder names2(path + "/NAMES.DBF",
            { vfp::MakeField("ACCT", 'C', 8), vfp::MakeField("NAME", 'C', 30) });
        for (int n = 0; n < 9; n += 2) {
            for (int digit = 0; digit < 10; ++digit) {
                names2.addRow({ Value::character(FieldText(names[n], 5) + std::to_string(digit)),
                    Value::character(digit % 3 ? "Zoë " + std::to_string(digit) : "Anne") });
            }
        }
        names2.finish();
    }
    auto database = vfp::Database::open(path);
    const std::string select = "SELECT account, ref, amount, day, flag, name, id FROM ledger "
                               "LEFT JOIN names ON acct = account";
    const auto scanned = vfp::sql::Execute(*database, select).rows;
    ASSERT_EQ(size_t(Records), scanned->rowCount());
    const std::vector<std::pair<std::string, std::vector<OrderKey>>> orders = {
        { "account, ref", { { 0, false, false }, { 1, false, false } } },
        { "name DESC, amount, id", { { 5, true, true }, { 2, false, true }, { 6, false, true } } },
        { "name, day DESC", { { 5, false, true }, { 3, true, true } } },
        { "flag, 1 DESC", { { 4, false, true }, { 0, true, true } } },
    };
    for (const auto &[orderBy, keys] : orders) {
        const auto sorted = vfp::sql::Execute(*database, select + " ORDER BY " + orderBy).rows;
        const auto expected = ReferenceOrder(*scanned, keys);
        ASSERT_EQ(expected.size(), sorted->rowCount());
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(scanned->number(expected[i], 6), sorted->number(i, 6))
                << orderBy << ", row " << i;
        }
        if (orderBy.starts_with("name")) {
            // Accounts without a name: at the start ascending, at the end descending.
            const size_t edge = keys[0].descending ? sorted->rowCount() - 1 : 0;
            EXPECT_TRUE(sorted->isNull(edge, 5)) << orderBy;
        }
    }
}

} // namespace
