// A big first table is scanned in parts on several threads: the rows, their order and the error
// must be what one scan in physical order gives.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/sql/Executor.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <string>

using vfp::Value;
using vfp::sql::Execute;

namespace {

// Parts have 32768 records at least: two or more of each big table on most hosts.
constexpr int kRecords = 100000;

std::string AccountOf(int id)
{
    return "A" + std::to_string(id % 97);
}
std::string Padded(std::string text, size_t width)
{
    text.resize(width, ' ');
    return text;
}
bool DeletedAt(int id)
{
    return id % 11 == 0;
}
bool HasStatus(int id)
{
    return id % 4 != 0;
}
bool SentAt(int id)
{
    return HasStatus(id) && id % 6 == 0;
}

// z_stran (id, account, memo), z_sname (one row per account) and z_st_zrq (three ids in four).
class ParallelScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string folder = m_dir.path().toStdString();
        vfp::TableBuilder stran(folder + "/z_stran.dbf",
            { vfp::MakeField("ID", 'N', 10, 0), vfp::MakeField("ST_ACCOUNT", 'C', 8),
                vfp::MakeField("ST_MEMO", 'M') });
        vfp::TableBuilder status(folder + "/z_st_zrq.dbf",
            { vfp::MakeField("ST_ID", 'N', 10, 0), vfp::MakeField("ST_ZRQSENT", 'L') });
        for (int id = 1; id <= kRecords; ++id) {
            stran.addRow({ Value::numeric(id, 0), Value::character(AccountOf(id)),
                Value::memo("DOC" + std::to_string(id) + ".PDF") });
            if (DeletedAt(id))
                stran.deleteLastRow();
            if (HasStatus(id))
                status.addRow({ Value::numeric(id, 0), Value::logical(SentAt(id)) });
        }
        stran.finish();
        status.finish();
        vfp::TableBuilder sname(folder + "/z_sname.dbf",
            { vfp::MakeField("SN_ACCOUNT", 'C', 8), vfp::MakeField("SN_NAME", 'C', 20) });
        for (int n = 0; n < 97; ++n)
            sname.addRow(
                { Value::character(AccountOf(n)), Value::character("Name " + std::to_string(n)) });
        sname.finish();
        m_db = vfp::Database::open(folder);
    }

    TempDir m_dir;
    std::unique_ptr<vfp::Database> m_db;
};

TEST_F(ParallelScan, RowsComeInScanOrderWithTheirJoinedValues)
{
    const auto rows = Execute(*m_db,
        "SELECT id, sn_name, CAST(st_memo as C(12)) as memo, "
        "IIF(ISNULL(st_zrqsent),.f.,st_zrqsent) as sent "
        "FROM z_stran LEFT JOIN z_sname ON sn_account = st_account "
        "LEFT JOIN z_st_zrq ON id = st_id "
        "WHERE RIGHT(st_memo,4)=='.PDF' AND !IIF(ISNULL(st_zrqsent),.f.,st_zrqsent)")
                          .rows;
    size_t row = 0;
    bool inOrder = true, valuesRight = true;
    for (int id = 1; id <= kRecords; ++id) {
        if (DeletedAt(id) || SentAt(id))
            continue;
        if (row >= rows->rowCount())
            break;
        inOrder = inOrder && rows->number(row, 0) == id;
        valuesRight = valuesRight
            && rows->text(row, 1) == Padded("Name " + std::to_string(id % 97), 20)
            && rows->text(row, 2) == Padded("DOC" + std::to_string(id) + ".PDF", 12)
            && !rows->isNull(row, 3);
        ++row;
    }
    EXPECT_EQ(row, rows->rowCount());
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(valuesRight);
}

TEST_F(ParallelScan, ASingleTableScanKeepsEveryLiveRecordOnce)
{
    const auto rows = Execute(*m_db, "SELECT id FROM z_stran WHERE id > 0").rows;
    int expected = 0;
    for (int id = 1; id <= kRecords; ++id)
        expected += DeletedAt(id) ? 0 : 1;
    ASSERT_EQ(static_cast<size_t>(expected), rows->rowCount());
    for (size_t row = 1; row < rows->rowCount(); ++row)
        ASSERT_LT(rows->number(row - 1, 0), rows->number(row, 0)) << "row " << row;
}

std::string ErrorOf(
    vfp::Database &db, const std::string &condition, const std::string &statusKey = "st_id")
{
    try {
        Execute(db,
            "SELECT id FROM z_stran LEFT JOIN z_st_zrq ON id = " + statusKey + " WHERE "
                + condition);
    } catch (const vfp::Error &error) {
        return error.what();
    }
    return "no error";
}

TEST_F(ParallelScan, TheErrorIsTheOneTheFirstFailingRecordGives)
{
    const auto has = [](const std::string &message, const char *part) {
        return message.find(part) != std::string::npos;
    };
    // Only a record near the end, in the last part, fails.
    EXPECT_PRED2(has, ErrorOf(*m_db, "IIF(id = 99999, 'a' + 1 = 1, .T.)"), "type mismatch");
    // Record 10 divides by zero and record 99999 adds a text to a number: one scan stops at
    // record 10, so that is the error to see.
    EXPECT_PRED2(has, ErrorOf(*m_db, "IIF(id = 10, 1/0 = 1, IIF(id = 99999, 'a' + 1 = 1, .T.))"),
        "division by zero");
    // The status table's hash is read in parts too: a key that fails late in it fails the query.
    EXPECT_PRED2(has, ErrorOf(*m_db, ".T.", "IIF(st_id = 99998, 1/0, st_id)"), "division by zero");
}

// The hashes of two joined tables are read side by side, parts of both on each thread: when both
// fail, the error is the first join's, as reading them one after the other gives it, and when
// neither does, every row has its values from both.
TEST_F(ParallelScan, TwoHashesReadTogetherFailAndJoinAsOneAfterTheOther)
{
    const std::string statement
        = "SELECT id, sn_name, st_zrqsent FROM z_stran "
          "LEFT JOIN z_sname ON IIF(sn_account = 'A96', STR(2/0), sn_account) == st_account "
          "LEFT JOIN z_st_zrq ON id = IIF(st_id = 7, 1/0, st_id)";
    std::string error = "no error";
    try {
        Execute(*m_db, statement);
    } catch (const vfp::Error &e) {
        error = e.what();
    }
    EXPECT_NE(error.find("at " + std::to_string(statement.find("2/0") + 2)), std::string::npos)
        << error;

    const auto rows = Execute(*m_db,
        "SELECT id, sn_name, st_zrqsent FROM z_stran "
        "LEFT JOIN z_sname ON sn_account == st_account LEFT JOIN z_st_zrq ON id = st_id")
                          .rows;
    ASSERT_TRUE(rows);
    size_t row = 0;
    bool right = true;
    for (int id = 1; id <= kRecords && row < rows->rowCount(); ++id) {
        if (DeletedAt(id))
            continue;
        right = right && rows->number(row, 0) == id
            && rows->text(row, 1) == Padded("Name " + std::to_string(id % 97), 20)
            && rows->isNull(row, 2) == !HasStatus(id)
            && (!HasStatus(id) || rows->logical(row, 2) == SentAt(id));
        ++row;
    }
    EXPECT_TRUE(right);
    EXPECT_EQ(row, rows->rowCount());
}

TEST_F(ParallelScan, AReaderSeesTheSameFieldsAndRecords)
{
    auto table = m_db->table("z_stran");
    auto reader = table->openReader();
    ASSERT_NE(nullptr, reader);
    ASSERT_EQ(table->fields().size(), reader->fields().size());
    EXPECT_EQ(table->recordCount(), reader->recordCount());
    EXPECT_EQ("DOC77777.PDF", reader->value(77777, 2).text());
    EXPECT_EQ(table->value(77777, 1).text(), reader->value(77777, 1).text());
}

TEST_F(ParallelScan, WithoutASecondReaderOneThreadScansEveryPart)
{
    // The open table keeps reading its file; a second handle can no longer be had.
    auto table = m_db->table("z_stran");
    ASSERT_TRUE(QFile::remove(m_dir.file(QStringLiteral("z_stran.dbf"))));
    EXPECT_EQ(nullptr, table->openReader());
    int expected = 0, last = 0;
    for (int id = 1; id <= kRecords; ++id) {
        expected += DeletedAt(id) ? 0 : 1;
        last = DeletedAt(id) ? last : id;
    }
    const auto rows = Execute(*m_db, "SELECT id FROM z_stran WHERE id > 0").rows;
    ASSERT_EQ(static_cast<size_t>(expected), rows->rowCount());
    EXPECT_EQ(last, rows->number(rows->rowCount() - 1, 0));
}

} // namespace
