// A join whose hash keeps copies of the joined table's records (flags and numbers only) must
// give the values a join over the file gives: nulls, deleted records, several matches, none.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using vfp::Value;
using vfp::sql::Execute;

namespace {

vfp::NewField Nullable(vfp::NewField field)
{
    field.nullable = true;
    return field;
}

class HashJoinCopies : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string folder = m_dir.path().toStdString();
        vfp::TableBuilder docs(folder + "/docs.dbf",
            { vfp::MakeField("ID", 'N', 6, 0), vfp::MakeField("NAME", 'C', 6) });
        for (int id = 1; id <= 5; ++id)
            docs.addRow({ Value::numeric(id, 0), Value::character("doc" + std::to_string(id)) });
        docs.finish();
        // id 1: one flag row; 2: its row deleted; 3: two rows; 4: nulls; 5: none.
        vfp::TableBuilder flags(folder + "/flags.dbf",
            { vfp::MakeField("DOC", 'N', 6, 0), Nullable(vfp::MakeField("SENT", 'L')),
                Nullable(vfp::MakeField("AMOUNT", 'N', 8, 2)), vfp::MakeField("SENT_ON", 'D'),
                vfp::MakeField("TIMES", 'I') });
        const auto add = [&](int doc, Value sent, Value amount, int day, int count) {
            flags.addRow({ Value::numeric(doc, 0), std::move(sent), std::move(amount),
                Value::date(vfp::JulianDayFromCivil(2026, 12, day)), Value::integer(count) });
        };
        add(1, Value::logical(true), Value::numeric(12.5, 2), 1, 10);
        add(2, Value::logical(true), Value::numeric(99, 2), 2, 20);
        flags.deleteLastRow();
        add(3, Value::logical(false), Value::numeric(-3.25, 2), 3, 30);
        add(3, Value::logical(true), Value::numeric(4, 2), 4, 40);
        add(4, Value::null(), Value::null(), 5, 50);
        flags.finish();
        m_db = vfp::Database::open(folder);
    }

    TempDir m_dir;
    std::unique_ptr<vfp::Database> m_db;
};

TEST_F(HashJoinCopies, GiveTheValuesOfTheRecords)
{
    const auto rows = Execute(*m_db,
        "SELECT id, sent, amount, DTOS(sent_on) as day, times FROM docs "
        "LEFT JOIN flags ON doc = id ORDER BY id, day")
                          .rows;
    ASSERT_EQ(6u, rows->rowCount());
    const int ids[] = { 1, 2, 3, 3, 4, 5 };
    for (size_t row = 0; row < 6; ++row)
        EXPECT_EQ(ids[row], rows->number(row, 0)) << row;

    EXPECT_TRUE(rows->value(0, 1).logical());
    EXPECT_EQ(12.5, rows->number(0, 2));
    EXPECT_EQ("20261201", rows->text(0, 3));
    EXPECT_EQ(10, rows->number(0, 4));

    for (int column = 1; column <= 4; ++column) {
        EXPECT_TRUE(rows->isNull(1, column)) << "deleted match, column " << column;
        EXPECT_TRUE(rows->isNull(5, column)) << "no match, column " << column;
    }

    EXPECT_FALSE(rows->value(2, 1).logical());
    EXPECT_EQ(-3.25, rows->number(2, 2));
    EXPECT_EQ(30, rows->number(2, 4));
    EXPECT_TRUE(rows->value(3, 1).logical());
    EXPECT_EQ(4, rows->number(3, 2));
    EXPECT_EQ("20261204", rows->text(3, 3));

    EXPECT_TRUE(rows->isNull(4, 1));
    EXPECT_TRUE(rows->isNull(4, 2));
    EXPECT_EQ("20261205", rows->text(4, 3));
    EXPECT_EQ(50, rows->number(4, 4));
}

TEST_F(HashJoinCopies, AndTheirConditionsReadTheCopies)
{
    // The joined fields are read by WHERE and by a residual ON condition too.
    const auto rows = Execute(*m_db,
        "SELECT id, times FROM docs LEFT JOIN flags ON doc = id AND times > 15 "
        "WHERE !ISNULL(sent) AND amount < 10")
                          .rows;
    ASSERT_EQ(2u, rows->rowCount());
    EXPECT_EQ(3, rows->number(0, 0));
    EXPECT_EQ(30, rows->number(0, 1));
    EXPECT_EQ(3, rows->number(1, 0));
    EXPECT_EQ(40, rows->number(1, 1));
}

} // namespace
