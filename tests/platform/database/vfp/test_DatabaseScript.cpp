// Paths as the accounting system writes them, and the script commands the status table's
// creation runs: SET DEFAULT TO, CREATE TABLE ... FREE, INDEX ON ... TAG.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/PathMapping.h"

#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vfptest;
using vfp::Value;

namespace {

std::vector<vfp::NewField> StatusFields()
{
    return { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
        { "ST_ZRQSENT", 'L', 1, 0, false }, { "ST_ZRQPRNT", 'L', 1, 0, false } };
}

} // namespace

TEST(Paths, BackslashesAndLetterCaseMapOntoExistingNames)
{
    TempDir dir;
    const std::string root = dir.path().toStdString();
    QDir(dir.path()).mkpath(QStringLiteral("Opera/Data"));
    WriteBytes(root + "/Opera/Data/Z_STRAN.DBF", "x");

    EXPECT_EQ(
        vfp::MapHostPath(root + "\\opera\\DATA\\z_stran.dbf"), root + "/Opera/Data/Z_STRAN.DBF");
    // The unmatched rest is kept as typed, after the part that matched.
    EXPECT_EQ(vfp::MapHostPath(root + "\\OPERA\\new\\File.dbf"), root + "/Opera/new/File.dbf");
    // Runs of separators collapse.
    EXPECT_EQ(vfp::MapHostPath(root + "\\\\opera\\\\data"), root + "/Opera/Data");

    // A drive letter stands for a configured host folder.
    vfp::SetDriveRoot('d', root);
    EXPECT_EQ(vfp::MapHostPath("D:\\Opera\\data\\z_stran.dbf"), root + "/Opera/Data/Z_STRAN.DBF");
    EXPECT_EQ(vfp::MapHostPath("d:\\opera"), root + "/Opera");
    vfp::ClearDriveRoots();
    EXPECT_EQ(vfp::MapHostPath("Q:\\x"), "Q:/x");
}

// The status table's five script lines for company A in D:\Opera, mapped onto a folder.
TEST(DatabaseScript, StatusTableCreationScript)
{
    TempDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Opera"));
    vfp::SetDriveRoot('D', dir.path().toStdString());
    const auto db = vfp::Database::open(dir.path().toStdString() + "/Opera");
    db->setDefaultFolder("D:\\Opera");
    db->createFreeTable("A_ST_ZRQ", StatusFields());
    auto table = db->table("A_ST_ZRQ"); // USE ... EXCLUSIVE
    EXPECT_EQ(table->recordCount(), 0u);
    db->createIndexTag("A_ST_ZRQ", "ST_ID", "ST_ZRQ1");
    db->closeAll();
    vfp::ClearDriveRoots();

    const std::string folder = dir.path().toStdString() + "/Opera";
    ASSERT_TRUE(vfp::FileExists(folder + "/A_ST_ZRQ.dbf"));
    ASSERT_TRUE(vfp::FileExists(folder + "/A_ST_ZRQ.cdx"));
    const std::string header = ReadBytes(folder + "/A_ST_ZRQ.dbf");
    EXPECT_EQ(static_cast<uint8_t>(header[0]), 0x30);
    EXPECT_EQ(static_cast<uint8_t>(header[29]), 0x03);
    EXPECT_EQ(header[28] & 0x01, 0x01);

    // The status writers' rows: insert with ST_ID and one flag at 0, then update the flag.
    table = db->table("a_st_zrq");
    const uint32_t r = table->append({ { 0, Value::numeric(1234) }, { 2, Value::numeric(0) } });
    table->update(r, { { 2, Value::numeric(1) } });
    table->append({ { 0, Value::numeric(17) }, { 1, Value::numeric(0) } });
    EXPECT_TRUE(table->value(1, 2).logical());
    EXPECT_FALSE(table->value(1, 1).logical());
    EXPECT_FALSE(table->value(2, 3).logical());
    EXPECT_EQ(ExpectIndexMatchesRecords(*std::dynamic_pointer_cast<vfp::DbfTable>(table)), 1);
    const auto rows = DbfreadRows(folder + "/A_ST_ZRQ.dbf", "cp1252");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string> { "live", "N:1234.000000", "L:F", "L:T", "L:F" }));
}

TEST(DatabaseScript, ScriptCommandsRefuseBadInput)
{
    TempDir dir;
    const auto db = vfp::Database::open(dir.path().toStdString());
    EXPECT_THROW(db->setDefaultFolder(dir.path().toStdString() + "/missing"), vfp::Error);
    db->createFreeTable("T1", StatusFields());
    EXPECT_THROW(db->createFreeTable("t1", StatusFields()), vfp::Error); // exists, any case
    EXPECT_THROW(
        db->createFreeTable("T2", { { "A_NAME_TOO_LONG", 'C', 5, 0, false } }), vfp::Error);
    EXPECT_THROW(db->createFreeTable("T3", { { "A", 'C', 300, 0, false } }), vfp::Error);
    EXPECT_THROW(
        db->createFreeTable("T4", { { "A", 'N', 5, 0, false }, { "a", 'L', 1, 0, false } }),
        vfp::Error);
    EXPECT_THROW(db->createFreeTable("T5", {}), vfp::Error);
    EXPECT_THROW(db->createIndexTag("T1", "ST_ID", "NAME_TOO_LONG_"), vfp::Error);
    EXPECT_THROW(db->createIndexTag("T1", "NOSUCH", "T"), vfp::Error);
    EXPECT_THROW(db->createIndexTag("T1", "SUBSTR(ST_ID,1)", "T"), vfp::Error);
    EXPECT_THROW(db->createIndexTag("NOSUCH", "ST_ID", "T"), vfp::Error);
    EXPECT_FALSE(vfp::FileExists(dir.path().toStdString() + "/T1.cdx"));
    EXPECT_FALSE(vfp::FileExists(dir.path().toStdString() + "/T2.dbf"));

    // A second tag joins the first; re-indexing a tag replaces it.
    auto table = db->table("T1");
    for (int i = 0; i < 50; ++i)
        table->append({ { 0, Value::numeric(50 - i) }, { 1, Value::logical(i % 2) } });
    db->createIndexTag("T1", "ST_ID", "ST_ZRQ1");
    db->createIndexTag("T1", "ST_ZRQTAG", "TAGGED");
    db->createIndexTag("T1", "STR(ST_ID,10)", "ST_ZRQ1");
    const auto reopened = vfp::DbfTable::openPath(dir.path().toStdString() + "/T1.dbf");
    ASSERT_EQ(reopened->indexTags().size(), 2u);
    EXPECT_EQ(ExpectIndexMatchesRecords(*reopened), 2);
}
