#include "platform/database/vfp/sql/ResultSet.h"

#include "platform/database/vfp/Table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <iterator>
#include <new>

namespace vfp::sql {

namespace {

std::atomic<size_t> BytesLimit { DefaultResultBytesLimit };

std::string SizeText(size_t bytes)
{
    if (bytes % (size_t(1) << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes % (size_t(1) << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes % (size_t(1) << 10) == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

size_t ResultBytesLimit()
{
    return BytesLimit.load(std::memory_order_relaxed);
}

void SetResultBytesLimit(size_t bytes)
{
    BytesLimit.store(bytes ? bytes : DefaultResultBytesLimit, std::memory_order_relaxed);
}

ResultSet::ResultSet(std::vector<ResultColumn> columns)
    : m_columns(std::move(columns))
    , m_collation(CodePage::named("CP1252"))
{ }

int ResultSet::columnIndex(std::string_view name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const std::string &column = m_columns[i].name;
        if (column.size() == name.size()
            && std::equal(column.begin(), column.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a))
                       == std::tolower(static_cast<unsigned char>(b));
               }))
            return static_cast<int>(i);
    }
    return -1;
}

void ResultSet::shareBoundWith(const ResultSet &whole)
{
    m_charged = whole.m_charged;
}

// Memory is counted a block at a time, so the bound costs nothing per row.
void ResultSet::charge(size_t bytes)
{
    const size_t limit = ResultBytesLimit();
    if (m_charged->fetch_add(bytes, std::memory_order_relaxed) + bytes > limit)
        throw Error("The query's result grew past the memory bound of " + SizeText(limit)
            + "; narrow it with a WHERE condition");
}

void ResultSet::beginRow()
{
    // A block holds whole rows, so a row's cells are contiguous.
    if (m_rowsLeft == 0) {
        const size_t rowBytes = sizeof(Cell) * std::max<size_t>(m_columns.size(), 1);
        const size_t bytes = std::max(m_cellBlockBytes, rowBytes);
        // With the block's rows' entries in the table of rows.
        charge(bytes + bytes / rowBytes * sizeof(Cell *));
        m_blocks.push_back(AllocateBlock(bytes));
        m_next = static_cast<Cell *>(m_blocks.back().get());
        m_rowsLeft = bytes / rowBytes;
        m_cellBlockBytes = std::min(2 * m_cellBlockBytes, HugeBlockBytes);
    }
    m_rows.push_back(m_next);
    --m_rowsLeft;
}

const char *ResultSet::storeText(std::string_view text)
{
    if (text.empty())
        return nullptr;
    if (text.size() > m_textRoom) {
        const size_t size = std::max(m_textBlockBytes, text.size());
        charge(size);
        m_blocks.push_back(AllocateBlock(size));
        m_textBlockBytes = std::min(2 * m_textBlockBytes, HugeBlockBytes);
        m_text = static_cast<char *>(m_blocks.back().get());
        m_textRoom = size;
    }
    char *at = m_text;
    std::memcpy(at, text.data(), text.size());
    m_text += text.size();
    m_textRoom -= text.size();
    return at;
}

void ResultSet::append(const Value &value)
{
    Cell cell = borrowedCell(value);
    if (value.isText())
        cell.text = storeText(value.text());
    *m_next++ = cell;
}

void ResultSet::appendBorrowed(const Value &value)
{
    *m_next++ = borrowedCell(value);
}

static_assert(sizeof(ResultSet::Cell) == 16, "a cell is meant to take 16 bytes");

ResultSet::Cell ResultSet::borrowedCell(const Value &value)
{
    Cell cell;
    cell.kind = value.kind();
    cell.decimals = static_cast<int8_t>(std::clamp(value.decimals(), -1, 127));
    cell.integer = 0;
    switch (value.kind()) {
    case Value::Kind::Null:
        break;
    case Value::Kind::Character:
    case Value::Kind::Memo: {
        const std::string &text = value.text();
        cell.decimals = -1;
        cell.size = static_cast<uint32_t>(text.size());
        cell.text = text.data();
        break;
    }
    case Value::Kind::Numeric:
        cell.number = value.number();
        break;
    case Value::Kind::Integer:
        cell.integer = value.integer();
        break;
    case Value::Kind::Logical:
        cell.logical = value.logical();
        break;
    case Value::Kind::Date:
    case Value::Kind::DateTime:
        cell.date.julianDay = value.julianDay();
        cell.date.milliseconds = value.milliseconds();
        break;
    }
    return cell;
}

void ResultSet::keepAlive(std::shared_ptr<const void> owner)
{
    m_owners.push_back(std::move(owner));
}

void ResultSet::dropLastRow()
{
    // Texts of the dropped row stay in their block; only its cells go.
    m_next = m_rows.back();
    m_rows.pop_back();
    ++m_rowsLeft;
}

void ResultSet::appendRows(ResultSet &&other)
{
    // The other set's blocks come along as they are, and with them the texts its cells point
    // at; this set goes on filling its own blocks.
    m_blocks.insert(m_blocks.end(), std::make_move_iterator(other.m_blocks.begin()),
        std::make_move_iterator(other.m_blocks.end()));
    m_rows.insert(m_rows.end(), other.m_rows.begin(), other.m_rows.end());
    if (other.m_charged != m_charged)
        m_charged->fetch_add(other.m_charged->load(std::memory_order_relaxed));
    m_owners.insert(m_owners.end(), other.m_owners.begin(), other.m_owners.end());
    other.m_blocks.clear();
    other.m_owners.clear();
    other.m_rows.clear();
    other.m_next = nullptr;
    other.m_text = nullptr;
    other.m_rowsLeft = other.m_textRoom = 0;
}

void ResultSet::permute(const std::vector<uint32_t> &order)
{
    std::vector<Cell *> rows(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        rows[i] = m_rows[order[i]];
    m_rows = std::move(rows);
}

Value ResultSet::value(size_t row, int column) const
{
    const Cell &c = cell(row, column);
    switch (c.kind) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Character:
        return Value::character(std::string(text(row, column)));
    case Value::Kind::Memo:
        return Value::memo(std::string(text(row, column)));
    case Value::Kind::Numeric:
        return Value::numeric(c.number, c.decimals);
    case Value::Kind::Integer:
        return Value::integer(c.integer);
    case Value::Kind::Logical:
        return Value::logical(c.logical);
    case Value::Kind::Date:
        return Value::date(c.date.julianDay);
    case Value::Kind::DateTime:
        return Value::dateTime(c.date.julianDay, c.date.milliseconds);
    }
    return {};
}

std::string_view ResultSet::text(size_t row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.kind != Value::Kind::Character && c.kind != Value::Kind::Memo)
        return {};
    return std::string_view(c.text, c.size);
}

double ResultSet::number(size_t row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.kind == Value::Kind::Numeric)
        return c.number;
    if (c.kind == Value::Kind::Integer)
        return static_cast<double>(c.integer);
    return 0;
}

bool ResultSet::rowsEqual(size_t a, size_t b) const
{
    for (int column = 0; column < columnCount(); ++column) {
        const Cell &x = cell(a, column);
        const Cell &y = cell(b, column);
        if (x.kind != y.kind)
            return false;
        switch (x.kind) {
        case Value::Kind::Null:
            break;
        case Value::Kind::Character:
        case Value::Kind::Memo:
            if (text(a, column) != text(b, column))
                return false;
            break;
        case Value::Kind::Numeric:
            if (x.number != y.number)
                return false;
            break;
        case Value::Kind::Integer:
            if (x.integer != y.integer)
                return false;
            break;
        case Value::Kind::Logical:
            if (x.logical != y.logical)
                return false;
            break;
        case Value::Kind::Date:
        case Value::Kind::DateTime:
            if (x.date.julianDay != y.date.julianDay || x.date.milliseconds != y.date.milliseconds)
                return false;
            break;
        }
    }
    return true;
}

size_t ResultSet::rowHash(size_t row) const
{
    size_t hash = 1469598103934665603ull;
    const auto mix = [&hash](size_t part) { hash = (hash ^ part) * 1099511628211ull; };
    for (int column = 0; column < columnCount(); ++column) {
        const Cell &c = cell(row, column);
        mix(static_cast<size_t>(c.kind));
        switch (c.kind) {
        case Value::Kind::Null:
            break;
        case Value::Kind::Character:
        case Value::Kind::Memo:
            mix(std::hash<std::string_view>()(text(row, column)));
            break;
        case Value::Kind::Numeric:
            mix(std::hash<double>()(c.number == 0 ? 0.0 : c.number));
            break;
        case Value::Kind::Integer:
            mix(static_cast<size_t>(c.integer));
            break;
        case Value::Kind::Logical:
            mix(c.logical ? 1 : 0);
            break;
        case Value::Kind::Date:
        case Value::Kind::DateTime:
            mix(static_cast<size_t>(c.date.julianDay) * 86400000u
                + static_cast<size_t>(c.date.milliseconds));
            break;
        }
    }
    return hash;
}

void ResultSet::settleUnknownTypes()
{
    for (int column = 0; column < columnCount(); ++column) {
        ResultColumn &info = m_columns[static_cast<size_t>(column)];
        if (info.type != 0)
            continue;
        info.type = 'C'; // a column of nulls only
        for (size_t row = 0; row < rowCount(); ++row) {
            switch (kind(row, column)) {
            case Value::Kind::Null:
                continue;
            case Value::Kind::Character:
                info.type = 'C';
                break;
            case Value::Kind::Memo:
                info.type = 'M';
                break;
            case Value::Kind::Numeric:
                info.type = 'N';
                break;
            case Value::Kind::Integer:
                info.type = 'I';
                break;
            case Value::Kind::Logical:
                info.type = 'L';
                break;
            case Value::Kind::Date:
                info.type = 'D';
                break;
            case Value::Kind::DateTime:
                info.type = 'T';
                break;
            }
            break;
        }
    }
}

} // namespace vfp::sql
