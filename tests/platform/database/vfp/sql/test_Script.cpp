// EXECSCRIPT: the status-table creation script as the review page sends it, and its guards.

#include "SampleCompany.h"
#include "platform/database/vfp/sql/Executor.h"

#include <gtest/gtest.h>

namespace {

using vfp::memory::MemoryDatabase;

std::string CreationScript(const std::string &company, const std::string &folder)
{
    return "EXECSCRIPT([SET DEFAULT TO \"" + folder + "\"]" + "   +CHR(13)+CHR(10)+"
        + "[CREATE TABLE " + company + "_ST_ZRQ FREE " + " (ST_ID        N(10,0) , "
        + "  ST_ZRQTAG    L(1)    , " + "  ST_ZRQSENT   L(1)    , " + "  ST_ZRQPRNT   L(1)  )]"
        + "   +CHR(13)+CHR(10)+" + "[USE " + company + "_ST_ZRQ EXCLUSIVE]" + "   +CHR(13)+CHR(10)+"
        + "[INDEX ON ST_ID TAG ST_ZRQ1]" + "   +CHR(13)+CHR(10)+" + "[CLOSE ALL])";
}

TEST(ExecScript, CreatesTheStatusTableForCompanyAInItsFolder)
{
    MemoryDatabase db;
    const auto result = vfp::sql::Execute(db, CreationScript("A", "D:\\Opera"));
    EXPECT_FALSE(result.rows);
    const std::vector<std::string> expected = { "default D:\\Opera",
        "create A_ST_ZRQ ST_ID:N10,0 ST_ZRQTAG:L1,0 ST_ZRQSENT:L1,0 ST_ZRQPRNT:L1,0",
        "index A_ST_ZRQ ST_ID ST_ZRQ1", "close" };
    EXPECT_EQ(expected, db.log);

    // The new table takes the status statements at once.
    vfp::sql::Execute(db, "INSERT INTO A_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (1234,  0 )");
    vfp::sql::Execute(db, "UPDATE A_ST_ZRQ  SET  st_zrqtag = 1  WHERE st_ID = 1234");
    const auto rows = vfp::sql::Execute(db, " SELECT * FROM A_ST_ZRQ WHERE st_ID = 1234").rows;
    ASSERT_EQ(1u, rows->rowCount());
    EXPECT_TRUE(rows->value(0, 1).logical());
    EXPECT_FALSE(rows->value(0, 2).logical());
}

TEST(ExecScript, AnExistingTableIsKeptWithItsRowsAndReindexed)
{
    auto db = vfp::memory::MakeSampleCompany();
    vfp::sql::Execute(*db, CreationScript("Z", "D:\\Opera"));
    EXPECT_EQ(4u, db->memoryTable("Z_ST_ZRQ")->recordCount());
    const std::vector<std::string> expected
        = { "default D:\\Opera", "index Z_ST_ZRQ ST_ID ST_ZRQ1", "close" };
    EXPECT_EQ(expected, db->log);
}

TEST(ExecScript, AnExistingTableWithOtherColumnsIsRefusedNotReplaced)
{
    auto db = vfp::memory::MakeSampleCompany();
    EXPECT_THROW(
        vfp::sql::Execute(*db, "EXECSCRIPT([CREATE TABLE z_sname FREE (X C(1))])"), vfp::Error);
    EXPECT_EQ(4, db->memoryTable("z_sname")->fields().size());
    EXPECT_EQ(4u, db->memoryTable("z_sname")->recordCount());
}

TEST(ExecScript, LinesMaySplitAtCrLfOrEitherAlone)
{
    MemoryDatabase db;
    vfp::sql::Execute(db,
        "EXECSCRIPT('SET DEFAULT TO f1' + CHR(10) + 'CREATE TABLE t FREE (A I, "
        "B C(3) NULL, C N(8,2), D D, M M)' + CHR(13) + CHR(13) + 'CLOSE ALL')");
    const std::vector<std::string> expected
        = { "default f1", "create t A:I4,0 B:C3,0null C:N8,2 D:D8,0 M:M4,0", "close" };
    EXPECT_EQ(expected, db.log);
}

TEST(ExecScript, FailingLinesNameTheLineAndStopTheScript)
{
    struct Bad
    {
        const char *script;
        const char *message;
    };
    const Bad cases[] = {
        { "[SET DEFAULT TO x]+CHR(13)+[DROP TABLE t]",
            "script line 2: near \"DROP TABLE t\": unrecognized command" },
        { "[INDEX ON ST_ID TAG T1]", "script line 1: no table is open in the current work area" },
        { "[USE nowhere EXCLUSIVE]", "script line 1: File 'nowhere.dbf' does not exist." },
        { "[CREATE TABLE t (A I)]",
            "script line 1: near \"(\": only free tables can be created at 16" },
        { "[CREATE TABLE t FREE (A C(0))]",
            "script line 1: near \"0\": invalid field width at 26" },
        { "[CREATE TABLE t FREE (A N(5,5))]",
            "script line 1: near \"5\": invalid field width at 26" },
        { "[CREATE TABLE t FREE (A X(1))]",
            "script line 1: near \"X\": unsupported field type at 24" },
        { "[CREATE TABLE t FREE (A I, a L)]",
            "script line 1: near \"a\": field name is a duplicate at 27" },
        { "[CREATE TABLE t FREE (ABCDEFGHIJK I)]",
            "script line 1: near \"ABCDEFGHIJK\": field name is longer than 10 characters at 22" },
        { "[CREATE TABLE t FREE (A I]", "script line 1: near end of text: syntax error at 25" },
        { "5", "near \"EXECSCRIPT\": the script must be a text at 12" },
    };
    for (const Bad &bad : cases) {
        MemoryDatabase db;
        try {
            vfp::sql::Execute(db, std::string("EXECSCRIPT(") + bad.script + ")");
            ADD_FAILURE() << bad.script << " ran";
        } catch (const vfp::Error &error) {
            EXPECT_EQ(bad.message, std::string(error.what())) << bad.script;
        }
        if (std::string(bad.script).find("DROP") != std::string::npos) {
            EXPECT_EQ(std::vector<std::string> { "default x" }, db.log);
        }
    }
}

} // namespace
