#include "review/ReviewRowReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

namespace {

// A whole number within the range converts the same way however a conversion rounds.
bool WholeWithin(double number, double low, double high)
{
    return number >= low && number <= high && std::trunc(number) == number;
}

std::vector<int> ColumnsOf(const db::Query &query)
{
    std::vector<int> columns;
    for (int i = 0; i < query.fieldCount(); ++i) {
        if (ReviewFieldIndex(query.fields().at(i).name) >= 0)
            columns.push_back(i);
    }
    return columns;
}

// A row's values are read onto the stack when the row has no more fields than this.
constexpr size_t ValuesOnStack = 32;

} // namespace

ReviewRowReader::ReviewRowReader(const db::Query &query)
    : ReviewRowReader(query, ColumnsOf(query))
{ }

ReviewRowReader::ReviewRowReader(const db::Query &query, const std::vector<int> &columns)
    : m_query(query)
    , m_result(query.sharedResult())
    , m_values(query, columns)
{
    for (const int i : columns) {
        const auto field = static_cast<ReviewField>(ReviewFieldIndex(query.fields().at(i).name));
        const ReviewFieldInfo &info = FieldInfo(field);
        m_copies.push_back({ i, field, info.kind, info.size, TextMemberOf(field),
            FlagMemberOf(field), DecimalMemberOf(field) });
    }
}

bool ReviewRowReader::read(int row, ReviewRow &target, bool atCursor) const
{
    return readRow(row, target, atCursor);
}

bool ReviewRowReader::read(const db::StoredRow &row, ReviewRow &target) const
{
    return readRow(row, target, false);
}

template <typename Row>
bool ReviewRowReader::readRow(const Row &row, ReviewRow &target, bool atCursor) const
{
    std::array<db::StoredValue, ValuesOnStack> onStack;
    std::vector<db::StoredValue> onHeap;
    std::span<db::StoredValue> values(onStack);
    if (m_copies.size() > ValuesOnStack) {
        onHeap.resize(m_copies.size());
        values = onHeap;
    }
    m_values.read(row, values);
    bool complete = true;
    for (size_t i = 0; i < m_copies.size(); ++i)
        complete = copyValue(m_copies[i], values[i], target, atCursor) && complete;
    return complete;
}

void ReviewRowReader::copyText(const Copy &copy, std::string_view bytes, ReviewRow &target)
{
    // A UTF-8 text has no more UTF-16 units than bytes, so one that fits in bytes fits the
    // field; a longer one is cut at the field's size as QString::left() cuts it.
    const auto size = static_cast<size_t>(copy.size);
    if (bytes.size() <= size) {
        target.*copy.text = ReviewText::inPlace(bytes);
    } else if (std::all_of(bytes.begin(), bytes.begin() + copy.size,
                   [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; })) {
        target.*copy.text = ReviewText::inPlace(bytes.substr(0, size));
    } else {
        target.*copy.text = ReviewText(
            QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).left(copy.size));
    }
}

bool ReviewRowReader::copyValue(
    const Copy &copy, const db::StoredValue &value, ReviewRow &target, bool atCursor) const
{
    const db::FieldType type = value.type;
    const auto empty = [&] {
        target.nulls |= 1u << int(copy.field);
        return true;
    };
    if (type == db::FieldType::Unknown)
        return empty();
    const bool number = type == db::FieldType::Float || type == db::FieldType::Integer;
    bool copied = false;
    switch (copy.kind) {
    case FieldKind::Text:
        if (type == db::FieldType::Text) {
            copyText(copy, value.utf8(), target);
            copied = true;
        }
        break;
    case FieldKind::Boolean:
        if (type == db::FieldType::Boolean) {
            target.*copy.flag = value.logical;
            copied = true;
        }
        break;
    case FieldKind::Decimal:
        if (copy.decimal && number) {
            target.*copy.decimal = value.number;
            copied = true;
        } else if (copy.field == ReviewField::id && type == db::FieldType::Integer) {
            target.id = value.integer;
            copied = true;
        } else if (copy.field == ReviewField::id && type == db::FieldType::Float) {
            copied = WholeWithin(value.number, -9.0e15, 9.0e15);
            if (copied)
                target.id = static_cast<int64_t>(value.number);
        }
        break;
    case FieldKind::Integer: // sn_docmail
        if (number) {
            copied = WholeWithin(value.number, std::numeric_limits<int32_t>::min(),
                std::numeric_limits<int32_t>::max());
            if (copied)
                target.sn_docmail = static_cast<int32_t>(value.number);
        }
        break;
    case FieldKind::Date: // st_trdate
        if (type == db::FieldType::Date) {
            target.st_trdate = value.date();
            if (!target.st_trdate.isValid())
                return empty(); // an empty date
            copied = true;
        }
        break;
    }
    if (copied) {
        target.markSet(copy.field);
        return true;
    }
    if (!atCursor)
        return false;
    const db::Field field = m_query.field(copy.column);
    target.setValue(copy.field, field.isNull() ? QVariant() : field.asVariant());
    return true;
}
