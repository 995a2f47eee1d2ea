// The sort of the review query's rows alone (ORDER BY st_account, st_trref over 87,819 rows of
// 21 columns, 5,000 accounts, in scan order), against a sort that compares the values row by
// row, in the same run.
//
//   bench_sql --benchmark_filter=Sort

#include "platform/database/vfp/sql/ResultSet.h"
#include "platform/database/vfp/sql/SortKeys.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>

namespace {

using vfp::Value;
using vfp::sql::OrderKey;
using vfp::sql::ResultColumn;
using vfp::sql::ResultSet;

constexpr int Rows = 87819;
constexpr int Columns = 21;
constexpr int AccountColumn = 0;
constexpr int ReferenceColumn = 6;

const ResultSet &ReviewRows()
{
    static const std::unique_ptr<ResultSet> rows = [] {
        std::vector<ResultColumn> columns;
        for (int c = 0; c < Columns; ++c)
            columns.push_back(ResultColumn { "c" + std::to_string(c), 'N', 12, 2 });
        columns[AccountColumn] = ResultColumn { "st_account", 'C', 8, 0 };
        columns[ReferenceColumn] = ResultColumn { "st_trref", 'C', 20, 0 };
        auto set = std::make_unique<ResultSet>(columns);
        std::mt19937 random(42);
        char text[32];
        for (int row = 0; row < Rows; ++row) {
            set->beginRow();
            for (int c = 0; c < Columns; ++c) {
                if (c == AccountColumn) {
                    std::snprintf(text, sizeof text, "C%05d  ", int(random() % 5000));
                    set->appendText(Value::Kind::Character, text);
                } else if (c == ReferenceColumn) {
                    std::snprintf(text, sizeof text, "INV%07d          ", 2 * row + 1);
                    set->appendText(Value::Kind::Character, text);
                } else {
                    set->appendNumeric(row * 0.5, 2);
                }
            }
        }
        return set;
    }();
    return *rows;
}

const std::vector<OrderKey> Keys
    = { OrderKey { AccountColumn, false, false }, OrderKey { ReferenceColumn, false, false } };

void BM_SortReviewRowsByPackedKeys(benchmark::State &state)
{
    const ResultSet &rows = ReviewRows();
    const vfp::sql::SortKeyLayout layout(rows.columns(), Keys);
    for (auto _ : state) {
        auto order = vfp::sql::SortRows(rows, layout);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortReviewRowsByPackedKeys)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SortReviewRowsComparingValues(benchmark::State &state)
{
    const ResultSet &rows = ReviewRows();
    for (auto _ : state) {
        std::vector<uint32_t> order(rows.rowCount());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int c = vfp::sql::CompareRows(rows, Keys, a, b);
            return c != 0 ? c < 0 : a < b;
        });
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortReviewRowsComparingValues)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
