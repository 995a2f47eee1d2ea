#include "review/ReviewRowReader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A whole number within the range converts the same way however a conversion rounds.
bool WholeWithin(double number, double low, double high)
{
    return number >= low && number <= high && std::trunc(number) == number;
}

} // namespace

ReviewRowReader::ReviewRowReader(const db::Query &query)
    : m_query(query)
    , m_result(query.sharedResult())
{
    for (int i = 0; i < query.fieldCount(); ++i) {
        const int index = ReviewFieldIndex(query.fields().at(i).name);
        if (index < 0)
            continue;
        const auto field = static_cast<ReviewField>(index);
        const ReviewFieldInfo &info = FieldInfo(field);
        m_copies.push_back({ i, field, info.kind, info.size, TextMemberOf(field),
            FlagMemberOf(field), DecimalMemberOf(field), query.column(i) });
    }
}

bool ReviewRowReader::read(int row, ReviewRow &target, bool atCursor)
{
    target.texts = m_result;
    bool complete = true;
    for (const Copy &copy : m_copies)
        complete = copyValue(copy, row, target, atCursor) && complete;
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

bool ReviewRowReader::copyValue(const Copy &copy, int row, ReviewRow &target, bool atCursor)
{
    const db::ColumnReader &reader = copy.reader;
    const db::FieldType type = reader.type(row);
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
            copyText(copy, reader.utf8(row), target);
            copied = true;
        }
        break;
    case FieldKind::Boolean:
        if (type == db::FieldType::Boolean) {
            target.*copy.flag = reader.logical(row);
            copied = true;
        }
        break;
    case FieldKind::Decimal:
        if (copy.decimal && number) {
            target.*copy.decimal = reader.number(row);
            copied = true;
        } else if (copy.field == ReviewField::id && type == db::FieldType::Integer) {
            target.id = reader.integer(row);
            copied = true;
        } else if (copy.field == ReviewField::id && type == db::FieldType::Float) {
            const double value = reader.number(row);
            copied = WholeWithin(value, -9.0e15, 9.0e15);
            if (copied)
                target.id = static_cast<int64_t>(value);
        }
        break;
    case FieldKind::Integer: // sn_docmail
        if (number) {
            const double value = reader.number(row);
            copied = WholeWithin(
                value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
            if (copied)
                target.sn_docmail = static_cast<int32_t>(value);
        }
        break;
    case FieldKind::Date: // st_trdate
        if (type == db::FieldType::Date) {
            target.st_trdate = reader.date(row);
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
