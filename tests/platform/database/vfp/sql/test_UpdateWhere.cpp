// UPDATE's WHERE as the program writes it, on tables in files: which records change, with
// deleted records, nulls, Windows-1252 texts and = as SET ANSI OFF has it, and that no
// condition is left to per-row evaluation.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ScanProgram.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <set>
#include <string>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::Execute;

class UpdateWhere : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string folder = m_dir.path().toStdString();
        vfp::NewField account = vfp::MakeField("SN_ACCOUNT", 'C', 8);
        account.nullable = true;
        vfp::TableBuilder sname(folder + "/Z_SNAME.DBF",
            { account, vfp::MakeField("SN_EMAIL", 'C', 30), vfp::MakeField("SN_DOCMAIL", 'I') });
        // Record numbers from 1; record 4 is deleted and keeps its 77 throughout.
        const std::vector<Value> accounts = { Value::character("C00001"),
            Value::character("C00001  "), Value::character("C0000"), Value::character("C00001"),
            Value::character("Ü00004"), Value::character("c00001"), Value::character(""),
            Value::null(), Value::character("Ü0000"), Value::character("AB"), Value::character("A"),
            Value::character("Œuvre") };
        for (size_t i = 0; i < accounts.size(); ++i) {
            sname.addRow({ accounts[i], Value::character("a@example.com"),
                Value::integer(i == 3 ? 77 : 0) });
            if (i == 3)
                sname.deleteLastRow();
        }
        sname.finish();

        vfp::TableBuilder status(folder + "/Z_ST_ZRQ.DBF",
            { vfp::MakeField("ST_ID", 'N', 10, 0), vfp::MakeField("ST_ZRQTAG", 'L'),
                vfp::MakeField("ST_ZRQSENT", 'L') });
        int added = 0;
        for (int id : { 20, 21, 22, 21, 23, 21 }) {
            status.addRow({ Value::numeric(id, 0), Value::logical(false), Value::logical(false) });
            if (++added == 4)
                status.deleteLastRow();
        }
        status.addIndexTag("ST_ZRQ1", "ST_ID");
        status.finish();
        m_database = vfp::Database::open(folder);
    }

    // The record numbers whose field holds `value`, deleted ones included.
    std::set<uint32_t> holding(const char *table, const char *field, const Value &value)
    {
        const auto t = m_database->table(table);
        std::set<uint32_t> found;
        Value v;
        for (uint32_t recno = 1; recno <= t->recordCount(); ++recno) {
            t->readValue(recno, t->fieldIndex(field), v);
            if (v.kind() == value.kind() && v.number() == value.number()
                && v.logical() == value.logical())
                found.insert(recno);
        }
        return found;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<vfp::Database> m_database;
};

TEST_F(UpdateWhere, TheProgramsCustomerUpdatesChangeTheRecordsEqualityHoldsFor)
{
    struct Case
    {
        std::string where;
        std::set<uint32_t> changed;
    };
    const std::set<uint32_t> live = { 1, 2, 3, 5, 6, 7, 9, 10, 11, 12 };
    const std::vector<Case> cases = {
        { "sn_account = 'C00001'", { 1, 2 } },
        { "sn_account = 'C00001  '", { 1, 2 } },
        // = holds up to the end of the shorter text: 'AB' = 'A', 'C00001' = 'C0000'.
        { "sn_account = 'C0000'", { 1, 2, 3 } },
        { "sn_account = 'A'", { 10, 11 } },
        { "sn_account = 'AB'", { 10 } },
        { "sn_account == 'C0000'", { 3 } },
        { "sn_account = ''", live },
        { "sn_account = 'Ü00004'", { 5 } },
        { "sn_account = 'Ü0000'", { 5, 9 } },
        { "sn_account = 'Œuvre'", { 12 } },
        { "sn_account = 'Ü00004X'", {} },
        { "sn_account <> 'C00001'", { 3, 5, 6, 7, 9, 10, 11, 12 } },
        { "sn_account IN ('A', 'Ü0000')", { 5, 9, 10, 11 } },
        { "sn_account IS NULL", { 8 } },
        { "sn_account = 'c00001' AND sn_docmail = 0", { 6 } },
    };
    const uint64_t evaluated = vfp::sql::InterpretedEvaluationCount();
    for (const Case &c : cases) {
        Execute(*m_database, "UPDATE Z_SNAME SET sn_docmail = 0");
        const int affected
            = Execute(*m_database, "UPDATE Z_SNAME  SET  sn_docmail = 8  WHERE " + c.where)
                  .affected;
        EXPECT_EQ(static_cast<int>(c.changed.size()), affected) << c.where;
        EXPECT_EQ(c.changed, holding("Z_SNAME", "SN_DOCMAIL", Value::integer(8))) << c.where;
        EXPECT_EQ(std::set<uint32_t> { 4 }, holding("Z_SNAME", "SN_DOCMAIL", Value::integer(77)))
            << c.where;
    }
    // The address the program writes reads back as written, Windows-1252 letters included.
    EXPECT_EQ(1,
        Execute(*m_database,
            "UPDATE Z_SNAME  SET  sn_email = 'jür@exämple.com'  WHERE "
            "sn_account = 'Œuvre'")
            .affected);
    Value email;
    m_database->table("Z_SNAME")->readValue(12, 1, email);
    EXPECT_EQ("jür@exämple.com               ", email.text());
    EXPECT_EQ(vfp::sql::InterpretedEvaluationCount(), evaluated);
}

// The status flags are found through the index on st_ID: deleted records stay as they are, and
// every live record of the number changes.
TEST_F(UpdateWhere, TheProgramsStatusUpdatesChangeEveryLiveRecordOfTheDocument)
{
    const uint64_t evaluated = vfp::sql::InterpretedEvaluationCount();
    EXPECT_EQ(2,
        Execute(*m_database, "UPDATE Z_ST_ZRQ  SET  st_zrqtag = .T.  WHERE st_ID = 21").affected);
    EXPECT_EQ(
        (std::set<uint32_t> { 2, 6 }), holding("Z_ST_ZRQ", "ST_ZRQTAG", Value::logical(true)));
    EXPECT_EQ(0,
        Execute(*m_database, "UPDATE Z_ST_ZRQ  SET  st_zrqsent = .T.  WHERE st_ID = 24").affected);
    EXPECT_EQ(1,
        Execute(*m_database,
            "UPDATE Z_ST_ZRQ SET st_zrqsent = .T. WHERE st_zrqtag AND st_ID > 20 "
            "AND st_ID <> 21 OR st_ID = 23")
            .affected);
    EXPECT_EQ((std::set<uint32_t> { 5 }), holding("Z_ST_ZRQ", "ST_ZRQSENT", Value::logical(true)));
    // The OR is evaluated on each of the five live records.
    EXPECT_EQ(vfp::sql::InterpretedEvaluationCount(), evaluated + 5);
}

// A WHERE that fails on some record changes nothing, as before.
TEST_F(UpdateWhere, AFailingConditionChangesNoRecord)
{
    EXPECT_THROW(Execute(*m_database,
                     "UPDATE Z_SNAME SET sn_docmail = 5 WHERE sn_account = 'C0' AND "
                     "sn_docmail = 'x'"),
        vfp::Error);
    EXPECT_TRUE(holding("Z_SNAME", "SN_DOCMAIL", Value::integer(5)).empty());
    // A null term does not end AND as .F. does: on the record without an account the term
    // after it is evaluated and fails.
    EXPECT_THROW(Execute(*m_database,
                     "UPDATE Z_SNAME SET sn_docmail = 5 WHERE sn_account = 'NOBODY' AND "
                     "sn_docmail = 'x'"),
        vfp::Error);
    EXPECT_EQ(0,
        Execute(*m_database,
            "UPDATE Z_SNAME SET sn_docmail = 5 WHERE sn_account = 'NOBODY' AND sn_docmail = 0")
            .affected);
    EXPECT_TRUE(holding("Z_SNAME", "SN_DOCMAIL", Value::integer(5)).empty());
}

} // namespace
