// The order of a query's rows: comparing two rows by a column, and sorting them by ORDER BY's keys.

#include "platform/database/vfp/sql/ResultSet.h"

#include "platform/database/vfp/sql/ParallelSort.h"

#include <algorithm>
#include <cstring>

namespace vfp::sql {

int ResultSet::compare(size_t a, size_t b, int column) const
{
    const Cell &x = cell(a, column);
    const Cell &y = cell(b, column);
    const bool xNull = x.kind == Value::Kind::Null, yNull = y.kind == Value::Kind::Null;
    if (xNull || yNull)
        return int(yNull) - int(xNull) == 0 ? 0 : (xNull ? -1 : 1);
    switch (x.kind) {
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return m_collation.compare(text(a, column), text(b, column));
    case Value::Kind::Numeric:
    case Value::Kind::Integer: {
        const double p = number(a, column), q = number(b, column);
        return p < q ? -1 : (p > q ? 1 : 0);
    }
    case Value::Kind::Logical:
        return int(x.logical) - int(y.logical);
    case Value::Kind::Date:
    case Value::Kind::DateTime: {
        const int64_t p = int64_t(x.date.julianDay) * 86400000 + x.date.milliseconds;
        const int64_t q = int64_t(y.date.julianDay) * 86400000 + y.date.milliseconds;
        return p < q ? -1 : (p > q ? 1 : 0);
    }
    case Value::Kind::Null:
        break;
    }
    return 0;
}

namespace {

uint64_t OrderedBits(double number)
{
    if (number == 0)
        number = 0; // -0 sorts as 0
    uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

} // namespace

// A sort key that orders like ResultSet::compare for most pairs: nulls first, then the first 16
// characters of a text as code-page bytes padded with blanks, a number or a date as an
// order-preserving integer. Equal keys of texts the 16 bytes do not settle go to the full
// comparison.
struct ResultSet::SortKey
{
    uint64_t high = 0;
    uint64_t low = 0;
    bool null = true;
    bool longText = false;
};

ResultSet::SortKey ResultSet::sortKey(size_t row, int column) const
{
    SortKey key;
    const Cell &c = cell(row, column);
    key.null = c.kind == Value::Kind::Null;
    switch (c.kind) {
    case Value::Kind::Null:
        break;
    case Value::Kind::Character:
    case Value::Kind::Memo: {
        bool settled = true;
        m_collation.sortWords(text(row, column), key.high, key.low, settled);
        key.longText = !settled;
        break;
    }
    case Value::Kind::Numeric:
    case Value::Kind::Integer:
        key.high = OrderedBits(number(row, column));
        break;
    case Value::Kind::Logical:
        key.high = c.logical ? 1 : 0;
        break;
    case Value::Kind::Date:
    case Value::Kind::DateTime:
        key.high = static_cast<uint64_t>(int64_t(c.date.julianDay) * 86400000 + c.date.milliseconds)
            ^ (uint64_t(1) << 63);
        break;
    }
    return key;
}

std::vector<uint32_t> ResultSet::sortedOrder(const std::vector<std::pair<int, bool>> &keys) const
{
    const size_t rows = rowCount();
    if (keys.empty() || rows == 0) {
        std::vector<uint32_t> order(rows);
        for (size_t i = 0; i < rows; ++i)
            order[i] = static_cast<uint32_t>(i);
        return order;
    }
    // The first two keys travel with their row, so most comparisons (ties of the first key
    // included: many rows of one account) read one contiguous array; further keys are looked
    // up on ties. The row number settles full ties, which keeps the sort stable without a
    // stable sort.
    struct Item
    {
        SortKey first;
        SortKey second;
        uint32_t row;
    };
    std::vector<Item> items(rows);
    const size_t inlined = std::min<size_t>(keys.size(), 2);
    std::vector<std::vector<SortKey>> rest(keys.size() - inlined, std::vector<SortKey>(rows));
    // One pass reads all of a row's keys, which lie close together, while it is at hand.
    InTwoHalves(rows, 16384, [&](size_t first, size_t last) {
        for (size_t row = first; row < last; ++row) {
            Item &item = items[row];
            item.first = sortKey(row, keys[0].first);
            if (inlined > 1)
                item.second = sortKey(row, keys[1].first);
            item.row = static_cast<uint32_t>(row);
            for (size_t k = inlined; k < keys.size(); ++k)
                rest[k - inlined][row] = sortKey(row, keys[k].first);
        }
    });
    const auto order = [&](const SortKey &x, const SortKey &y, uint32_t a, uint32_t b, size_t k) {
        int c = 0;
        if (x.null != y.null)
            c = x.null ? -1 : 1;
        else if (x.high != y.high)
            c = x.high < y.high ? -1 : 1;
        else if (x.low != y.low)
            c = x.low < y.low ? -1 : 1;
        else if (x.longText || y.longText)
            c = compare(a, b, keys[k].first);
        return keys[k].second ? -c : c;
    };
    ParallelSort(items.begin(), items.end(), [&](const Item &x, const Item &y) {
        if (const int c = order(x.first, y.first, x.row, y.row, 0))
            return c < 0;
        if (inlined > 1) {
            if (const int c = order(x.second, y.second, x.row, y.row, 1))
                return c < 0;
        }
        for (size_t k = inlined; k < keys.size(); ++k) {
            const auto &column = rest[k - inlined];
            if (const int c = order(column[x.row], column[y.row], x.row, y.row, k))
                return c < 0;
        }
        return x.row < y.row;
    });
    std::vector<uint32_t> result(rows);
    for (size_t i = 0; i < rows; ++i)
        result[i] = items[i].row;
    return result;
}

} // namespace vfp::sql
