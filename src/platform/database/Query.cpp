#include "platform/database/Query.h"

#include "platform/database/Connection.h"
#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/TextOps.h"
#include "util/Prefetch.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace db {

namespace {

// The type a reader of many values takes each kind of stored value as.
constexpr std::array<FieldType, 8> StoredTypes = [] {
    using Kind = vfp::Value::Kind;
    std::array<FieldType, 8> types {};
    types[size_t(Kind::Null)] = FieldType::Unknown;
    types[size_t(Kind::Character)] = FieldType::Text;
    types[size_t(Kind::Memo)] = FieldType::Text;
    types[size_t(Kind::Numeric)] = FieldType::Float;
    types[size_t(Kind::Integer)] = FieldType::Integer;
    types[size_t(Kind::Logical)] = FieldType::Boolean;
    types[size_t(Kind::Date)] = FieldType::Date;
    types[size_t(Kind::DateTime)] = FieldType::DateTime;
    return types;
}();
static_assert(size_t(vfp::Value::Kind::DateTime) + 1 == StoredTypes.size());

// Day numbers count from 30 December 1899.
const int32_t DayZero = vfp::JulianDayFromCivil(1899, 12, 30);

FieldType TypeOf(const vfp::sql::ResultColumn &column)
{
    switch (column.type) {
    case 'C':
        return FieldType::Text;
    case 'M':
        return FieldType::Memo;
    case 'N':
        return FieldType::Float;
    case 'I':
        return FieldType::Integer;
    case 'L':
        return FieldType::Boolean;
    case 'D':
        return FieldType::Date;
    case 'T':
        return FieldType::DateTime;
    default:
        return FieldType::Unknown;
    }
}

// The day number of 1 January of the year 1: from there on this calendar's day numbers are the
// toolkit's.
constexpr int32_t FirstDayOfYearOne = 1721426;

QDate DateOf(int32_t julianDay)
{
    if (julianDay >= FirstDayOfYearOne)
        return QDate::fromJulianDay(julianDay);
    int y = 0, m = 0, d = 0;
    vfp::CivilFromJulianDay(julianDay, y, m, d);
    return QDate(y, m, d);
}

// Shortest general form with the locale's decimal separator: 100.00 -> "100", 12.50 -> "12.5".
QString NumberText(double number)
{
    QString text = QString::number(number, 'g', 15);
    const QString point = QLocale().decimalPoint();
    if (point != QStringLiteral("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

[[noreturn]] void ConversionError(const QString &value, const char *what)
{
    throw Exception(QLatin1Char('\'') + value + QStringLiteral("' is not a valid ")
        + QLatin1String(what) + QStringLiteral(" value"));
}

} // namespace

FieldDef MakeFieldDef(const QString &name, const QString &label, bool visible, bool calculated)
{
    FieldDef def;
    def.name = name;
    def.label = label;
    def.visible = visible;
    def.calculated = calculated;
    return def;
}

// ---- Field ------------------------------------------------------------------------------------

const FieldDef &Field::def() const
{
    return m_query->m_fields[m_index];
}

bool Field::isNull() const
{
    const int column = m_query->m_columns[m_index];
    if (column < 0 || !m_query->m_result || m_query->eof())
        return true;
    return m_query->m_result->isNull(static_cast<size_t>(m_query->m_row), column);
}

QVariant Field::asVariant() const
{
    if (isNull())
        return {};
    const auto &rows = *m_query->m_result;
    const auto row = static_cast<size_t>(m_query->m_row);
    const int column = m_query->m_columns[m_index];
    const vfp::Value::Kind kind = rows.kind(row, column);
    // Texts straight from the result's buffer, without a copy on the way.
    if (kind == vfp::Value::Kind::Character || kind == vfp::Value::Kind::Memo) {
        const std::string_view text = rows.text(row, column);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    const vfp::Value value = rows.value(row, column);
    switch (kind) {
    case vfp::Value::Kind::Character:
    case vfp::Value::Kind::Memo:
    case vfp::Value::Kind::Null:
        break; // texts are answered above, nulls by isNull()
    case vfp::Value::Kind::Numeric:
        return value.number();
    case vfp::Value::Kind::Integer:
        return static_cast<qint64>(value.integer());
    case vfp::Value::Kind::Logical:
        return value.logical();
    case vfp::Value::Kind::Date:
        return value.julianDay() == 0 ? QVariant(QDate()) : QVariant(DateOf(value.julianDay()));
    case vfp::Value::Kind::DateTime:
        if (value.julianDay() == 0)
            return QDateTime();
        return QDateTime(
            DateOf(value.julianDay()), QTime::fromMSecsSinceStartOfDay(value.milliseconds()));
    }
    return {};
}

QString Field::asString() const
{
    const QVariant v = asVariant();
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Double:
        return NumberText(v.toDouble());
    case QMetaType::LongLong:
        return QString::number(v.toLongLong());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return v.toDate().isValid() ? QLocale().toString(v.toDate(), QLocale::ShortFormat)
                                    : QString();
    case QMetaType::QDateTime:
        return v.toDateTime().isValid() ? QLocale().toString(v.toDateTime(), QLocale::ShortFormat)
                                        : QString();
    default:
        return {};
    }
}

double Field::asFloat() const
{
    const QVariant v = asVariant();
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok)
            ConversionError(text, "floating point");
        return number;
    }
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::LongLong:
        return static_cast<double>(v.toLongLong());
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return asDate();
    default:
        return 0;
    }
}

qint64 Field::asInteger() const
{
    const QVariant v = asVariant();
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const qint64 number = text.toLongLong(&ok);
        if (!ok)
            ConversionError(text, "integer");
        return number;
    }
    case QMetaType::LongLong:
        return v.toLongLong();
    default: {
        const double number = asFloat();
        if (!(std::fabs(number) < 9.2e18))
            ConversionError(NumberText(number), "integer");
        return std::llround(number);
    }
    }
}

bool Field::asBoolean() const
{
    const QVariant v = asVariant();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QString: {
        const QString text = v.toString().trimmed().toUpper();
        if (text.isEmpty() || text.startsWith(QLatin1Char('F')) || text.startsWith(QLatin1Char('N'))
            || text == QStringLiteral("0"))
            return false;
        if (text.startsWith(QLatin1Char('T')) || text.startsWith(QLatin1Char('Y'))
            || text == QStringLiteral("1"))
            return true;
        ConversionError(v.toString(), "boolean");
    }
    case QMetaType::Double:
    case QMetaType::LongLong:
        return v.toDouble() != 0;
    default:
        return false;
    }
}

double Field::asDate() const
{
    if (isNull())
        return 0;
    const vfp::Value value = m_query->m_result->value(
        static_cast<size_t>(m_query->m_row), m_query->m_columns[m_index]);
    switch (value.kind()) {
    case vfp::Value::Kind::Date:
        return value.julianDay() == 0 ? 0 : value.julianDay() - DayZero;
    case vfp::Value::Kind::DateTime:
        return value.julianDay() == 0
            ? 0
            : value.julianDay() - DayZero + value.milliseconds() / 86400000.0;
    case vfp::Value::Kind::Numeric:
    case vfp::Value::Kind::Integer:
        return value.number();
    default:
        ConversionError(QString::fromStdString(value.text()), "date");
    }
}

// ---- StoredValueReader ------------------------------------------------------------------------

StoredValueReader::StoredValueReader(const Query &query, const std::vector<int> &fields)
    : m_result(query.m_result.get())
{
    query.requireOpen();
    for (const int field : fields) {
        if (field < 0 || field >= query.fieldCount())
            throw Exception(QStringLiteral("Field index out of range"));
        m_columns.push_back(query.m_columns[field]);
    }
}

void StoredValueReader::read(int row, std::span<StoredValue> values) const
{
    read({ row, m_result->rowPlace(static_cast<size_t>(row)) }, values);
}

void StoredValueReader::read(const StoredRow &row, std::span<StoredValue> values) const
{
    using Cell = vfp::sql::ResultSet::Cell;
    const auto *cells = static_cast<const Cell *>(row.place);
    for (size_t i = 0; i < m_columns.size() && i < values.size(); ++i) {
        const int column = m_columns[i];
        StoredValue &value = values[i];
        if (column < 0) {
            value.type = FieldType::Unknown;
            continue;
        }
        // A cell keeps each kind's value in the first bytes of eight, as a stored value does
        // (a text's size apart): they are copied as they lie, whatever the kind, without a
        // branch per value.
        const Cell &cell = cells[column];
        value.type = StoredTypes[static_cast<size_t>(cell.kind)];
        value.textSize = cell.size;
        std::memcpy(&value.integer, &cell.integer, sizeof value.integer);
    }
}

QDate StoredValue::date() const
{
    return type != FieldType::Date || julianDay == 0 ? QDate() : DateOf(julianDay);
}

void StoredValueReader::prefetch(const StoredRow &row) const
{
    PrefetchBytes(row.place, m_result->columnCount() * sizeof(vfp::sql::ResultSet::Cell));
}

// ---- Query ------------------------------------------------------------------------------------

Query::Query(Connection &connection)
    : m_connection(&connection)
{
    connection.attach(this);
}

Query::~Query()
{
    if (m_connection)
        m_connection->detach(this);
}

void Query::setSql(const QString &sql)
{
    close();
    m_sql = sql;
}

void Query::setFieldDefs(const QList<FieldDef> &defs)
{
    close();
    m_declared = defs;
}

void Query::setFieldLabel(const QString &name, const QString &label)
{
    m_labels.insert(name.toLower(), label);
    const int index = fieldIndex(name);
    if (index >= 0)
        m_fields[index].label = label;
}

void Query::setFieldVisible(const QString &name, bool visible)
{
    m_visibility.insert(name.toLower(), visible);
    const int index = fieldIndex(name);
    if (index >= 0)
        m_fields[index].visible = visible;
}

void Query::open()
{
    if (isOpen())
        return;
    if (!m_connection)
        throw Exception(QStringLiteral("The query has no connection"));
    vfp::Database &database = m_connection->database();
    m_connection->noteStatement(m_sql);
    vfp::sql::ExecutionResult result;
    try {
        result = vfp::sql::Execute(database, m_sql.toStdString());
    } catch (const Exception &) {
        throw;
    } catch (const std::exception &error) {
        throw Exception(QString::fromUtf8(error.what()));
    }
    if (!result.rows)
        throw Exception(QStringLiteral("The SQL text does not return a result set"));
    m_result = std::move(result.rows);
    try {
        bindFields();
    } catch (...) {
        close();
        throw;
    }
    m_row = 0;
}

void Query::bindFields()
{
    const auto &columns = m_result->columns();
    m_fields.clear();
    m_columns.clear();
    if (m_declared.isEmpty()) {
        for (size_t i = 0; i < columns.size(); ++i) {
            FieldDef def;
            def.name = QString::fromStdString(columns[i].name);
            m_fields.append(def);
            m_columns.append(static_cast<int>(i));
        }
    } else {
        for (const FieldDef &declared : m_declared) {
            m_fields.append(declared);
            if (declared.calculated) {
                m_columns.append(-1);
                continue;
            }
            const int column = m_result->columnIndex(declared.name.toStdString());
            if (column < 0)
                throw Exception(
                    QStringLiteral("Field '") + declared.name + QStringLiteral("' not found"));
            m_columns.append(column);
        }
    }
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        FieldDef &def = m_fields[i];
        if (m_columns[i] >= 0) {
            const auto &column = columns[static_cast<size_t>(m_columns[i])];
            def.type = TypeOf(column);
            def.size = column.length;
            def.decimals = column.decimals;
        }
        const QString key = def.name.toLower();
        if (m_labels.contains(key))
            def.label = m_labels.value(key);
        if (m_visibility.contains(key))
            def.visible = m_visibility.value(key);
    }
}

void Query::close()
{
    m_result.reset();
    m_row = 0;
    m_locateField = -1;
    m_locateIndex.clear();
}

void Query::requireOpen() const
{
    if (!m_result)
        throw Exception(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

int Query::recordCount() const
{
    requireOpen();
    return static_cast<int>(m_result->rowCount());
}

void Query::first()
{
    requireOpen();
    m_row = 0;
}

void Query::setRecNo(int recNo)
{
    requireOpen();
    m_row = static_cast<int>(
        std::clamp<int64_t>(int64_t(recNo) - 1, 0, static_cast<int64_t>(m_result->rowCount())));
}

void Query::next()
{
    requireOpen();
    if (!eof())
        ++m_row;
}

bool Query::eof() const
{
    return !m_result || static_cast<size_t>(m_row) >= m_result->rowCount();
}

int Query::fieldIndex(const QString &name) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

Field Query::field(int index) const
{
    requireOpen();
    if (index < 0 || index >= fieldCount())
        throw Exception(QStringLiteral("Field index out of range"));
    return Field(*this, index);
}

Field Query::fieldByName(const QString &name) const
{
    requireOpen();
    const int index = fieldIndex(name);
    if (index < 0)
        throw Exception(QStringLiteral("Field '") + name + QStringLiteral("' not found"));
    return Field(*this, index);
}

std::vector<StoredRow> Query::rowsInStorageOrder() const
{
    requireOpen();
    const size_t count = m_result->rowCount();
    std::vector<StoredRow> rows(count);
    uintptr_t low = UINTPTR_MAX;
    uintptr_t high = 0;
    for (size_t row = 0; row < count; ++row) {
        const void *place = m_result->rowPlace(row);
        rows[row] = { static_cast<int>(row), place };
        low = std::min(low, reinterpret_cast<uintptr_t>(place));
        high = std::max(high, reinterpret_cast<uintptr_t>(place));
    }
    if (count < 2)
        return rows;
    // Rows are sorted by where they start, with a radix sort of a pass or a few: the rows lie
    // in few stretches of memory, which may be far apart. Sorting by page alone would leave the
    // rows of a page in the query's order, and reading a page's rows out of order defeats the
    // processor's reading ahead.
    constexpr int CellBits = std::countr_zero(sizeof(vfp::sql::ResultSet::Cell));
    constexpr int BitsPerPass = 11;
    constexpr size_t Buckets = size_t(1) << BitsPerPass;
    const auto cellOf = [low](const StoredRow &row) {
        return (reinterpret_cast<uintptr_t>(row.place) - low) >> CellBits;
    };
    const int cellBits = std::bit_width((high - low) >> CellBits);
    std::vector<StoredRow> sorted(count);
    for (int shift = 0; shift < cellBits; shift += BitsPerPass) {
        std::vector<size_t> starts(Buckets + 1, 0);
        for (const StoredRow &row : rows)
            ++starts[((cellOf(row) >> shift) & (Buckets - 1)) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const StoredRow &row : rows)
            sorted[starts[(cellOf(row) >> shift) & (Buckets - 1)]++] = row;
        rows.swap(sorted);
    }
    return rows;
}

bool Query::locate(const QString &fieldName, const QVariant &value)
{
    const Field target = fieldByName(fieldName);
    const int index = fieldIndex(fieldName);
    const int column = m_columns[index];
    const size_t rows = m_result->rowCount();
    if (column < 0)
        return false;

    const bool textField
        = m_fields[index].type == FieldType::Text || m_fields[index].type == FieldType::Memo;
    if (value.typeId() == QMetaType::QString && textField) {
        // Texts are found through an index built on the first search of this field.
        if (m_locateField != index) {
            m_locateIndex.clear();
            for (size_t row = 0; row < rows; ++row) {
                if (m_result->isNull(row, column))
                    continue;
                const std::string_view text
                    = vfp::sql::text::TrimRight(m_result->text(row, column));
                m_locateIndex.try_emplace(std::string(text), static_cast<int>(row));
            }
            m_locateField = index;
        }
        const std::string wanted = value.toString().toStdString();
        const auto it = m_locateIndex.find(std::string(vfp::sql::text::TrimRight(wanted)));
        if (it == m_locateIndex.end())
            return false;
        m_row = it->second;
        return true;
    }

    const int saved = m_row;
    for (size_t row = 0; row < rows; ++row) {
        m_row = static_cast<int>(row);
        bool equal = false;
        if (value.isNull())
            equal = target.isNull();
        else if (target.isNull())
            equal = false;
        else if (value.typeId() == QMetaType::Bool)
            equal = target.asBoolean() == value.toBool();
        else if (value.typeId() == QMetaType::QDate)
            equal = target.asVariant().toDate() == value.toDate();
        else if (value.typeId() == QMetaType::QString)
            equal = target.asString() == value.toString();
        else if (value.canConvert<double>())
            equal = target.asFloat() == value.toDouble();
        if (equal)
            return true;
    }
    m_row = saved;
    return false;
}

} // namespace db
