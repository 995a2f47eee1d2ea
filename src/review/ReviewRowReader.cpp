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
        m_copies.push_back({ i, field, StepOf(field, info.kind), static_cast<uint32_t>(info.size),
            TextMemberOf(field), FlagMemberOf(field), DecimalMemberOf(field) });
    }
}

ReviewRowReader::Step ReviewRowReader::StepOf(ReviewField field, FieldKind kind)
{
    switch (kind) {
    case FieldKind::Text:
        return Step::Text;
    case FieldKind::Boolean:
        return Step::Flag;
    case FieldKind::Integer:
        return Step::DocMail;
    case FieldKind::Date:
        return Step::Date;
    case FieldKind::Decimal:
        break;
    }
    return field == ReviewField::id ? Step::Id : Step::Decimal;
}

bool ReviewRowReader::read(int row, ReviewRow &target, bool atCursor) const
{
    return readRow(row, target, atCursor);
}

bool ReviewRowReader::read(const db::StoredRow &row, ReviewRow &target) const
{
    return readRow(row, target, false);
}

// What copyUsual() did with a value.
enum class ReviewRowReader::Outcome : uint8_t { Set, Empty, Other };

ReviewRowReader::Outcome ReviewRowReader::copyUsual(
    const Copy &copy, const db::StoredValue &value, ReviewRow &target)
{
    using db::FieldType;
    const FieldType type = value.type;
    if (type == FieldType::Unknown)
        return Outcome::Empty;
    switch (copy.step) {
    case Step::Text:
        if (type != FieldType::Text)
            return Outcome::Other;
        copyText(copy, value.utf8(), target);
        return Outcome::Set;
    case Step::Flag:
        if (type != FieldType::Boolean)
            return Outcome::Other;
        target.*copy.flag = value.logical;
        return Outcome::Set;
    case Step::Decimal:
        if (type != FieldType::Float && type != FieldType::Integer)
            return Outcome::Other;
        target.*copy.decimal = value.numeric();
        return Outcome::Set;
    case Step::Id:
        if (type == FieldType::Integer) {
            target.id = value.integer;
            return Outcome::Set;
        }
        if (type != FieldType::Float || !WholeWithin(value.number, -9.0e15, 9.0e15))
            return Outcome::Other;
        target.id = static_cast<int64_t>(value.number);
        return Outcome::Set;
    case Step::DocMail:
        if ((type != FieldType::Float && type != FieldType::Integer)
            || !WholeWithin(value.numeric(), std::numeric_limits<int32_t>::min(),
                std::numeric_limits<int32_t>::max()))
            return Outcome::Other;
        target.sn_docmail = static_cast<int32_t>(value.numeric());
        return Outcome::Set;
    case Step::Date:
        if (type != FieldType::Date)
            return Outcome::Other;
        if (value.julianDay == 0)
            return Outcome::Empty;
        target.st_trdate = value.date();
        return Outcome::Set;
    }
    return Outcome::Other;
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
    for (size_t i = 0; i < m_copies.size(); ++i) {
        const Copy &copy = m_copies[i];
        switch (copyUsual(copy, values[i], target)) {
        case Outcome::Set:
            target.markSet(copy.field);
            break;
        case Outcome::Empty:
            target.nulls |= 1u << int(copy.field);
            break;
        case Outcome::Other:
            complete = convert(copy, target, atCursor) && complete;
            break;
        }
    }
    return complete;
}

void ReviewRowReader::copyText(const Copy &copy, std::string_view bytes, ReviewRow &target)
{
    // A UTF-8 text has no more UTF-16 units than bytes, so one that fits in bytes fits the
    // field; a longer one is cut at the field's size as QString::left() cuts it.
    const size_t size = copy.size;
    if (bytes.size() <= size) {
        target.*copy.text = ReviewText::inPlace(bytes);
    } else if (std::all_of(bytes.begin(), bytes.begin() + copy.size,
                   [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; })) {
        target.*copy.text = ReviewText::inPlace(bytes.substr(0, size));
    } else {
        target.*copy.text
            = ReviewText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                             .left(static_cast<qsizetype>(copy.size)));
    }
}

bool ReviewRowReader::convert(const Copy &copy, ReviewRow &target, bool atCursor) const
{
    if (!atCursor)
        return false;
    const db::Field field = m_query.field(copy.column);
    target.setValue(copy.field, field.isNull() ? QVariant() : field.asVariant());
    return true;
}
