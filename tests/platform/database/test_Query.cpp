// Connection, Query and Command over the in-memory sample company.

#include "SampleCompany.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"

#include <QDate>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A connection whose database is the sample company; counts how often it is opened.
struct SampleConnection
{
    int opens = 0;
    vfp::memory::MemoryDatabase *last = nullptr;
    db::Connection connection { [this](const std::string &path) {
        EXPECT_EQ("D:\\Opera\\COMP_Z.DBC", path);
        ++opens;
        auto company = vfp::memory::MakeSampleCompany();
        last = company.get();
        return std::unique_ptr<vfp::Database>(std::move(company));
    } };

    SampleConnection()
    {
        connection.setConnectionString(QStringLiteral(
            "Provider=VFPOLEDB.1;Data Source=D:\\Opera\\COMP_Z.DBC;Mode=Share Deny None"));
    }
};

const QString Review = QStringLiteral(
    "SELECT st_account, sn_name, IIF(ISNULL(Z_ST_ZRQ.st_zrqtag),.f.,Z_ST_ZRQ.st_zrqtag) as "
    "zrqtag, st_trref, st_trdate, st_trvalue, st_memo, CAST(st_memo as C(24)) as st_memoT, "
    "sn_docmail, id FROM Z_stran LEFT JOIN Z_sname ON sn_account = st_account LEFT JOIN Z_ST_ZRQ "
    "ON id = st_id WHERE st_trtype IN ('I','C') ORDER BY st_account, st_trref");

TEST(Connection, OpensOnFirstUseAndClosingEndsItsQueries)
{
    SampleConnection sample;
    db::Query query(sample.connection);
    EXPECT_EQ(db::Connection::State::Closed, sample.connection.state());
    query.setSql(QStringLiteral("SELECT sn_account FROM z_sname"));
    query.open();
    EXPECT_TRUE(sample.connection.isOpen());
    EXPECT_EQ(3, query.recordCount());
    db::Query second(sample.connection);
    second.setSql(QStringLiteral("SELECT * FROM z_itran"));
    second.open();
    EXPECT_EQ(1, sample.opens);

    sample.connection.close();
    EXPECT_FALSE(query.isOpen());
    EXPECT_FALSE(second.isOpen());
    EXPECT_THROW(query.recordCount(), Exception);
    query.open();
    EXPECT_EQ(2, sample.opens);

    // A new string closes the connection; the next use opens it on the new string.
    sample.connection.setConnectionString(QStringLiteral("<None>"));
    EXPECT_FALSE(query.isOpen());
    EXPECT_THROW(query.open(), Exception);
    EXPECT_FALSE(sample.connection.isOpen());
}

TEST(Query, FieldsReadAsTheirTypes)
{
    SampleConnection sample;
    db::Query query(sample.connection);
    query.setSql(Review);
    query.open();
    ASSERT_EQ(8, query.recordCount());
    // First row: A001 CN001 (credit note), 20 Jan 2011.
    EXPECT_EQ(
        QStringLiteral("A001    "), query.fieldByName(QStringLiteral("ST_ACCOUNT")).asString());
    EXPECT_EQ(QStringLiteral("CN001               "),
        query.fieldByName(QStringLiteral("st_trref")).asString());
    EXPECT_DOUBLE_EQ(40563, query.fieldByName(QStringLiteral("st_trdate")).asDate());
    EXPECT_EQ(
        QDate(2011, 1, 20), query.fieldByName(QStringLiteral("st_trdate")).asVariant().toDate());
    EXPECT_EQ(QStringLiteral("-24"), query.fieldByName(QStringLiteral("st_trvalue")).asString());
    EXPECT_DOUBLE_EQ(-24, query.fieldByName(QStringLiteral("st_trvalue")).asFloat());
    EXPECT_EQ(2, query.fieldByName(QStringLiteral("id")).asInteger());
    EXPECT_EQ(QStringLiteral("2"), query.fieldByName(QStringLiteral("id")).asString());
    EXPECT_FALSE(query.fieldByName(QStringLiteral("zrqtag")).asBoolean());
    EXPECT_EQ(QStringLiteral("False"), query.fieldByName(QStringLiteral("zrqtag")).asString());
    EXPECT_EQ(8, query.fieldByName(QStringLiteral("sn_docmail")).asInteger());
    EXPECT_EQ(QStringLiteral("CN001.PDF               "),
        query.fieldByName(QStringLiteral("st_memot")).asString());
    EXPECT_EQ(db::FieldType::Memo, query.fieldByName(QStringLiteral("st_memo")).def().type);
    EXPECT_EQ(24, query.fieldByName(QStringLiteral("st_memot")).def().size);

    query.next(); // A001 INV001, tagged
    EXPECT_TRUE(query.fieldByName(QStringLiteral("zrqtag")).asBoolean());
    EXPECT_EQ(QStringLiteral("True"), query.fieldByName(QStringLiteral("zrqtag")).asString());

    // The transaction without a customer record reads as nulls: "", 0.
    ASSERT_TRUE(query.locate(QStringLiteral("st_account"), QStringLiteral("E005")));
    const db::Field name = query.fieldByName(QStringLiteral("sn_name"));
    EXPECT_TRUE(name.isNull());
    EXPECT_EQ(QString(), name.asString());
    EXPECT_EQ(0, query.fieldByName(QStringLiteral("sn_docmail")).asInteger());
    EXPECT_FALSE(query.fieldByName(QStringLiteral("sn_docmail")).asVariant().isValid());

    EXPECT_THROW(query.fieldByName(QStringLiteral("nope")), Exception);
    EXPECT_THROW(query.fieldByName(QStringLiteral("st_account")).asDate(), Exception);
    EXPECT_THROW(query.fieldByName(QStringLiteral("st_account")).asInteger(), Exception);
}

// Every row read where it lies, in the order rows lie in memory (by address), gives what the
// fields give at the cursor: each row once, nulls as Unknown, texts blank-padded, dates and
// numbers alike.
TEST(Query, StoredValuesAreWhatTheFieldsGive)
{
    SampleConnection sample;
    db::Query query(sample.connection);
    query.setSql(Review);
    query.open();
    std::vector<int> fields(static_cast<size_t>(query.fieldCount()));
    std::iota(fields.begin(), fields.end(), 0);
    const db::StoredValueReader reader(query, fields);
    const std::vector<db::StoredRow> rows = query.rowsInStorageOrder();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
        [](const db::StoredRow &a, const db::StoredRow &b) { return a.place < b.place; }));
    std::vector<bool> seen(rows.size(), false);
    int nulls = 0;
    for (const db::StoredRow &row : rows) {
        ASSERT_FALSE(seen.at(static_cast<size_t>(row.row)));
        seen[static_cast<size_t>(row.row)] = true;
        std::vector<db::StoredValue> values(fields.size());
        reader.read(row, values);
        for (query.first(); query.recNo() - 1 < row.row;)
            query.next();
        for (size_t i = 0; i < fields.size(); ++i) {
            const db::Field field = query.field(static_cast<int>(i));
            const db::StoredValue &value = values[i];
            const std::string where
                = field.def().name.toStdString() + ", row " + std::to_string(row.row);
            if (field.isNull()) {
                EXPECT_EQ(value.type, db::FieldType::Unknown) << where;
                ++nulls;
                continue;
            }
            switch (value.type) {
            case db::FieldType::Text:
                EXPECT_EQ(QString::fromUtf8(value.utf8()), field.asString()) << where;
                break;
            case db::FieldType::Float:
            case db::FieldType::Integer:
                EXPECT_DOUBLE_EQ(value.numeric(), field.asFloat()) << where;
                break;
            case db::FieldType::Boolean:
                EXPECT_EQ(value.logical, field.asBoolean()) << where;
                break;
            case db::FieldType::Date:
                EXPECT_EQ(value.date(), field.asVariant().toDate()) << where;
                break;
            default:
                ADD_FAILURE() << where;
            }
        }
        // Read by row number, the same.
        std::vector<db::StoredValue> again(fields.size());
        reader.read(row.row, again);
        for (size_t i = 0; i < fields.size(); ++i)
            EXPECT_EQ(again[i].type, values[i].type);
    }
    EXPECT_GT(nulls, 0);
    EXPECT_THROW(db::StoredValueReader(query, { query.fieldCount() }), Exception);
}

TEST(Query, CursorWalksEveryRowOnceAndStopsAtTheEnd)
{
    SampleConnection sample;
    db::Query query(sample.connection);
    query.setSql(QStringLiteral("SELECT st_trref FROM z_stran WHERE st_trtype = 'I'"));
    query.open();
    QStringList refs;
    for (query.first(); !query.eof(); query.next())
        refs << query.fieldByName(QStringLiteral("st_trref")).asString().trimmed();
    EXPECT_EQ(QStringList({ QStringLiteral("INV001"), QStringLiteral("INV002"),
                  QStringLiteral("INV003"), QStringLiteral("INV004"), QStringLiteral("INV006") }),
        refs);
    query.next();
    EXPECT_TRUE(query.eof());
    EXPECT_TRUE(query.fieldByName(QStringLiteral("st_trref")).isNull());
    query.first();
    EXPECT_EQ(QStringLiteral("INV001"),
        query.fieldByName(QStringLiteral("st_trref")).asString().trimmed());

    // Straight to a row, or past the ends.
    query.setRecNo(4);
    EXPECT_EQ(QStringLiteral("INV004"),
        query.fieldByName(QStringLiteral("st_trref")).asString().trimmed());
    query.setRecNo(6);
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(6, query.recNo());
    query.setRecNo(99);
    EXPECT_EQ(6, query.recNo());
    query.setRecNo(-5);
    EXPECT_EQ(1, query.recNo());
    EXPECT_FALSE(query.eof());
}

TEST(Query, LocateFindsTheFirstRowAndKeepsTheCursorWhenNothingMatches)
{
    SampleConnection sample;
    db::Query lookup(sample.connection);
    lookup.setSql(QStringLiteral(" SELECT DISTINCT   it_numinv ,   it_numdelv   FROM Z_itran   "
                                 "WHERE !empty(it_numinv)   ORDER BY it_numinv "));
    lookup.open();
    ASSERT_TRUE(lookup.locate(QStringLiteral("it_numinv"), QStringLiteral("INV003")));
    EXPECT_EQ(
        QStringLiteral("D1        "), lookup.fieldByName(QStringLiteral("it_numdelv")).asString());
    const int at = lookup.recNo();
    EXPECT_FALSE(lookup.locate(QStringLiteral("it_numinv"), QStringLiteral("INV00")));
    EXPECT_FALSE(lookup.locate(QStringLiteral("it_numinv"), QStringLiteral("inv003")));
    EXPECT_EQ(at, lookup.recNo());
    EXPECT_TRUE(lookup.locate(QStringLiteral("it_numinv"), QStringLiteral("INV001")));
    EXPECT_EQ(1, lookup.recNo());

    db::Query numbers(sample.connection);
    numbers.setSql(QStringLiteral("SELECT st_id, st_zrqtag FROM z_st_zrq"));
    numbers.open();
    ASSERT_TRUE(numbers.locate(QStringLiteral("st_id"), 8));
    EXPECT_EQ(3, numbers.recNo());
    EXPECT_TRUE(numbers.locate(QStringLiteral("st_zrqtag"), false));
    EXPECT_EQ(2, numbers.recNo());
}

TEST(Query, DeclaredFieldsGiveOrderLabelsVisibilityAndCalculatedFields)
{
    SampleConnection sample;
    db::Query query(sample.connection);
    const db::FieldDef account
        = db::MakeFieldDef(QStringLiteral("st_account"), QStringLiteral("SL Account"));
    const db::FieldDef delivery
        = db::MakeFieldDef(QStringLiteral("it_numdelv"), QStringLiteral("Del Note"), true, true);
    const db::FieldDef memo = db::MakeFieldDef(QStringLiteral("st_memo"), {}, false);
    query.setFieldDefs({ delivery, account, memo });
    query.setSql(Review);
    query.open();
    ASSERT_EQ(3, query.fieldCount());
    EXPECT_EQ(QStringLiteral("Del Note"), query.fields()[0].displayLabel());
    EXPECT_TRUE(query.field(0).isNull());
    EXPECT_EQ(QStringLiteral("SL Account"), query.fields()[1].displayLabel());
    EXPECT_EQ(QStringLiteral("st_memo"), query.fields()[2].displayLabel());
    EXPECT_FALSE(query.fields()[2].visible);
    EXPECT_EQ(QStringLiteral("A001    "), query.field(1).asString());
    EXPECT_THROW(query.fieldByName(QStringLiteral("id")), Exception);

    // Labels set on the query survive a new open.
    query.close();
    query.setFieldLabel(QStringLiteral("st_memo"), QStringLiteral("PDF"));
    query.open();
    EXPECT_EQ(QStringLiteral("PDF"), query.fields()[2].displayLabel());

    query.close();
    query.setFieldDefs({ db::MakeFieldDef(QStringLiteral("missing")) });
    EXPECT_THROW(query.open(), Exception);
    EXPECT_FALSE(query.isOpen());
}

TEST(Command, ReturnsTheRecordsAffectedAndErrorsCarryTheEnginesMessage)
{
    SampleConnection sample;
    db::Command command(sample.connection);
    EXPECT_EQ(1,
        command.execute(
            QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (9,  0 )")));
    EXPECT_EQ(
        1, command.execute(QStringLiteral("UPDATE Z_ST_ZRQ  SET  st_zrqtag = 1  WHERE st_ID = 9")));
    try {
        command.execute(QStringLiteral("UPDATE Z_ST_ZRQ  SET  st_zrqtag = 1  WHERE st_ID = "));
        ADD_FAILURE() << "accepted";
    } catch (const Exception &error) {
        EXPECT_EQ(QStringLiteral("near end of text: syntax error at 52"), error.message());
    }
    db::Query query(sample.connection);
    query.setSql(QStringLiteral("UPDATE Z_ST_ZRQ SET st_zrqtag = 0"));
    EXPECT_THROW(query.open(), Exception);
}

TEST(Query, OutlivingItsConnectionIsSafe)
{
    auto sample = std::make_unique<SampleConnection>();
    db::Query query(sample->connection);
    query.setSql(QStringLiteral("SELECT * FROM z_sname"));
    query.open();
    sample.reset();
    EXPECT_FALSE(query.isOpen());
    EXPECT_THROW(query.open(), Exception);
}

} // namespace
