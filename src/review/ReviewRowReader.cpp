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

// A row's values are read onto the stack when the row has no more fields than this.
constexpr size_t ValuesOnStack = 32;

} // namespace

ReviewRowReader::ReviewRowReader(const db::Query &query)
    : m_query(query)
    , m_result(query.sharedResult())
    , m_copies(CopiesOf(query))
    , m_values(query, ColumnsOf(m_copies))
{
    for (size_t k = 0; k < m_copies.size(); ++k)
        m_runEnds[static_cast<size_t>(m_copies[k].step)] = k + 1;
    // A step without copies ends its run where the run before it ended.
    for (size_t step = 1; step < StepCount; ++step)
        m_runEnds[step] = std::max(m_runEnds[step], m_runEnds[step - 1]);
}

std::vector<ReviewRowReader::Copy> ReviewRowReader::CopiesOf(const db::Query &query)
{
    std::vector<Copy> copies;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const int index = ReviewFieldIndex(query.fields().at(i).name);
        if (index < 0)
            continue;
        const auto field = static_cast<ReviewField>(index);
        copies.push_back(
            { i, field, StepOf(field), 1u << index, static_cast<uint32_t>(FieldInfo(field).size),
                TextMemberOf(field), FlagMemberOf(field), DecimalMemberOf(field) });
    }
    std::stable_sort(
        copies.begin(), copies.end(), [](const Copy &a, const Copy &b) { return a.step < b.step; });
    return copies;
}

std::vector<int> ReviewRowReader::ColumnsOf(const std::vector<Copy> &copies)
{
    std::vector<int> columns;
    for (const Copy &copy : copies)
        columns.push_back(copy.column);
    return columns;
}

ReviewRowReader::Step ReviewRowReader::StepOf(ReviewField field)
{
    switch (FieldInfo(field).kind) {
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

template <ReviewRowReader::Step S>
ReviewRowReader::Outcome ReviewRowReader::copyUsual(
    const Copy &copy, const db::StoredValue &value, ReviewRow &target)
{
    using db::FieldType;
    const FieldType type = value.type;
    if (type == FieldType::Unknown)
        return Outcome::Empty;
    const bool number = type == FieldType::Float || type == FieldType::Integer;
    if constexpr (S == Step::Text) {
        if (type != FieldType::Text)
            return Outcome::Other;
        copyText(copy, value.utf8(), target);
    } else if constexpr (S == Step::Flag) {
        if (type != FieldType::Boolean)
            return Outcome::Other;
        target.*copy.flag = value.logical;
    } else if constexpr (S == Step::Decimal) {
        if (!number)
            return Outcome::Other;
        target.*copy.decimal = value.numeric();
    } else if constexpr (S == Step::Id) {
        if (type == FieldType::Integer)
            target.id = value.integer;
        else if (type == FieldType::Float && WholeWithin(value.number, -9.0e15, 9.0e15))
            target.id = static_cast<int64_t>(value.number);
        else
            return Outcome::Other;
    } else if constexpr (S == Step::DocMail) {
        if (!number
            || !WholeWithin(value.numeric(), std::numeric_limits<int32_t>::min(),
                std::numeric_limits<int32_t>::max()))
            return Outcome::Other;
        target.sn_docmail = static_cast<int32_t>(value.numeric());
    } else {
        if (type != FieldType::Date)
            return Outcome::Other;
        if (value.julianDay == 0)
            return Outcome::Empty;
        target.st_trdate = value.date();
    }
    return Outcome::Set;
}

template <ReviewRowReader::Step S>
void ReviewRowReader::copyRun(size_t &next, const db::StoredValue *values, ReviewRow &target,
    Marks &marks, bool atCursor) const
{
    for (const size_t end = m_runEnds[static_cast<size_t>(S)]; next < end; ++next) {
        const Copy &copy = m_copies[next];
        switch (copyUsual<S>(copy, values[next], target)) {
        case Outcome::Set:
            marks.set |= copy.bit;
            break;
        case Outcome::Empty:
            marks.empty |= copy.bit;
            break;
        case Outcome::Other:
            marks.complete = convert(copy, target, atCursor) && marks.complete;
            break;
        }
    }
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
    Marks marks;
    size_t next = 0;
    copyRun<Step::Text>(next, values.data(), target, marks, atCursor);
    copyRun<Step::Flag>(next, values.data(), target, marks, atCursor);
    copyRun<Step::Decimal>(next, values.data(), target, marks, atCursor);
    copyRun<Step::Id>(next, values.data(), target, marks, atCursor);
    copyRun<Step::DocMail>(next, values.data(), target, marks, atCursor);
    copyRun<Step::Date>(next, values.data(), target, marks, atCursor);
    target.nulls = (target.nulls | marks.empty) & ~marks.set;
    return marks.complete;
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
