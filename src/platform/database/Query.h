#pragma once

#include "util/Errors.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vfp::sql {
class ResultSet;
}

namespace db {

class Connection;
class Query;

enum class FieldType { Text, Memo, Integer, Float, Boolean, Date, DateTime, Unknown };

// One field of a query: a column of its result set, or a calculated field the owner declared
// that nothing fills (always null).
struct FieldDef
{
    QString name; // as the engine names the column (lower case)
    QString label; // display label; empty = the name
    bool visible = true;
    bool calculated = false;
    FieldType type = FieldType::Unknown;
    int size = 0; // characters for texts, digits for numbers
    int decimals = 0;

    QString displayLabel() const { return label.isEmpty() ? name : label; }
};

// A declared field: MakeFieldDef("st_account", "SL Account"), hidden or calculated as asked.
FieldDef MakeFieldDef(
    const QString &name, const QString &label = {}, bool visible = true, bool calculated = false);

// A column of the current row, with typed reads. A null reads as "", 0, false or date 0.
class Field
{
public:
    Field(const Query &query, int index)
        : m_query(&query)
        , m_index(index)
    { }

    const FieldDef &def() const;
    const QString &name() const { return def().name; }
    bool isNull() const;
    // Texts exactly as delivered (blank-padded); numbers in their shortest form ("100", "12.5");
    // dates in the locale's short format; logicals "True"/"False"; null "".
    QString asString() const;
    qint64 asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    double asDate() const; // days since 30 December 1899, the fraction the time; 0 = no date
    QVariant asVariant() const; // QString, qint64, double, bool, QDate, QDateTime; null invalid

private:
    const Query *m_query;
    int m_index;
};

// A value as stored in the result: its type as a reader of many rows takes it (Text, also a
// memo; Integer, Float, Boolean, Date or DateTime; Unknown for a null and for a calculated
// field) and the value of that type. Plain data of 16 bytes, so a reader of many values makes
// room for them without writing any, and copies them as it would two numbers.
struct StoredValue
{
    FieldType type;
    uint32_t textSize; // Text
    union {
        const char *text; // Text: its bytes in UTF-8, blank-padded as delivered
        double number; // Float
        qint64 integer; // Integer
        int32_t julianDay; // Date: 0 for an empty date
        bool logical; // Boolean
    };

    std::string_view utf8() const { return std::string_view(text, textSize); }
    // A Float or an Integer as a number.
    double numeric() const { return type == FieldType::Integer ? double(integer) : number; }
    QDate date() const; // Date; invalid for an empty date
};

// A row of a query's result (from 0) and where its values lie in memory.
struct StoredRow
{
    int row = 0;
    const void *place = nullptr;
};

// The values of chosen fields by row number (from 0), without the cursor or a QVariant per
// value: for reading every row of a large result. A row's values are read together, so several
// threads may read rows at once. Valid while the result it was made on lives (see
// Query::sharedResult()).
class StoredValueReader
{
public:
    StoredValueReader(const Query &query, const std::vector<int> &fields);

    // The chosen fields' values at a row, in the order they were chosen.
    void read(int row, std::span<StoredValue> values) const;
    // The same for a row where it lies, without looking up the place.
    void read(const StoredRow &row, std::span<StoredValue> values) const;
    // Asks for a row's values ahead of reading them: a hint only, for a pass over many rows,
    // which goes on while the memory comes.
    void prefetch(const StoredRow &row) const;

private:
    const vfp::sql::ResultSet *m_result = nullptr;
    std::vector<int> m_columns; // -1 for a calculated field
};

// A query on the connection: SQL text, open, cursor over the rows, fields by name, locate.
// Rows are read in full when the query opens (a static, client-side result).
class Query
{
public:
    explicit Query(Connection &connection);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    void setSql(const QString &sql);
    const QString &sql() const { return m_sql; }

    // Declares the query's fields in the owner's order, with labels and visibility, bound to the
    // result's columns by name when it opens (a declared field the result lacks is an error
    // unless calculated). Without declarations the fields are the result's columns.
    void setFieldDefs(const QList<FieldDef> &defs);
    void setFieldLabel(const QString &name, const QString &label);
    void setFieldVisible(const QString &name, bool visible);

    // Runs the SQL text (opening the connection first) and moves to the first row.
    void open();
    void close();
    bool isOpen() const { return m_result != nullptr; }

    int recordCount() const;
    int recNo() const { return m_row + 1; } // 1-based; past the last row when eof
    void first();
    void next();
    bool eof() const;
    // Moves the cursor to a row (1-based, as recNo()); a number past the last row moves it
    // past the last row, one before the first to the first.
    void setRecNo(int recNo);

    const QList<FieldDef> &fields() const { return m_fields; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    int fieldIndex(const QString &name) const; // -1 when none; any letter case
    Field field(int index) const;
    Field fieldByName(const QString &name) const; // throws Exception when there is none
    // The open result, for a reader that keeps values where they lie: it stays alive and
    // unchanged for as long as a holder keeps it, also after this query closes or reopens.
    // Null while closed.
    std::shared_ptr<const vfp::sql::ResultSet> sharedResult() const { return m_result; }
    // The rows in the order their values lie in memory: a sorted result's rows lie in the order
    // they were found, and reading every row in this order reads memory in sequence.
    std::vector<StoredRow> rowsInStorageOrder() const;

    // Moves to the first row whose field equals the value (texts compared exactly, trailing
    // blanks of the column ignored); leaves the cursor where it was when none does.
    bool locate(const QString &fieldName, const QVariant &value);

private:
    friend class Field;
    friend class StoredValueReader;
    friend class Connection;
    void requireOpen() const;
    void bindFields();

    Connection *m_connection; // null once the connection is gone
    QString m_sql;
    QList<FieldDef> m_declared;
    QList<FieldDef> m_fields;
    QList<int> m_columns; // result column of each field, -1 for calculated
    QHash<QString, QString> m_labels; // by lower-case name
    QHash<QString, bool> m_visibility; // by lower-case name
    std::shared_ptr<const vfp::sql::ResultSet> m_result;
    int m_row = 0;
    // locate's index of a text field: first row of each value without trailing blanks.
    int m_locateField = -1;
    std::unordered_map<std::string, int> m_locateIndex;
};

} // namespace db
