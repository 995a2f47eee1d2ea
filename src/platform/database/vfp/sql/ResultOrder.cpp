// The order of a query's rows: comparing two rows by a column, and sorting them by ORDER BY's keys.

#include "platform/database/vfp/sql/ResultSet.h"

#include "platform/database/vfp/sql/SortKeys.h"

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

std::vector<uint32_t> ResultSet::sortedOrder(const std::vector<std::pair<int, bool>> &keys) const
{
    std::vector<OrderKey> orderKeys;
    for (const auto &[column, descending] : keys)
        orderKeys.push_back(OrderKey { column, descending, true });
    return SortRows(*this, SortKeyLayout(m_columns, std::move(orderKeys)));
}

} // namespace vfp::sql
