#include "review/ReviewRowReader.h"

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
{
    for (int i = 0; i < query.fieldCount(); ++i) {
        const int index = ReviewFieldIndex(query.fields().at(i).name);
        if (index < 0)
            continue;
        const auto field = static_cast<ReviewField>(index);
        const ReviewFieldInfo &info = FieldInfo(field);
        m_copies.push_back({ i, field, info.kind, info.size, TextMemberOf(field),
            FlagMemberOf(field), DecimalMemberOf(field), query.column(i), {} });
    }
}

void ReviewRowReader::read(int row, ReviewRow &target)
{
    for (Copy &copy : m_copies)
        copyValue(copy, row, target);
}

void ReviewRowReader::prefetch([[maybe_unused]] int row) const
{
#if defined(__GNUC__)
    for (const Copy &copy : m_copies) {
        if (copy.kind == FieldKind::Text)
            __builtin_prefetch(copy.reader.utf8(row).data());
    }
#endif
}

QString ReviewRowReader::text(Copy &copy, std::string_view bytes)
{
    if (bytes.size() <= 1) {
        QString &shared = m_short[bytes.empty() ? 256 : static_cast<unsigned char>(bytes[0])];
        if (shared.isNull())
            shared = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        return shared.left(copy.size);
    }
    TextCache &cache = copy.cache;
    if (!cache.filled || cache.bytes != bytes) {
        cache.text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        if (cache.text.size() > copy.size)
            cache.text.truncate(copy.size);
        cache.bytes = bytes;
        cache.filled = true;
    }
    return cache.text;
}

void ReviewRowReader::copyValue(Copy &copy, int row, ReviewRow &target)
{
    const db::ColumnReader &reader = copy.reader;
    const db::FieldType type = reader.type(row);
    const auto empty = [&] { target.nulls |= 1u << int(copy.field); };
    if (type == db::FieldType::Unknown)
        return empty();
    const bool number = type == db::FieldType::Float || type == db::FieldType::Integer;
    bool copied = false;
    switch (copy.kind) {
    case FieldKind::Text:
        if (type == db::FieldType::Text) {
            target.*copy.text = text(copy, reader.utf8(row));
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
        return;
    }
    const db::Field field = m_query.field(copy.column);
    target.setValue(copy.field, field.isNull() ? QVariant() : field.asVariant());
}
