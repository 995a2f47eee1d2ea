// The status table's operations on a real company folder: the program's writes repair what a
// writer killed mid-append left in the table's index.

#include "data/StatusTableOps.h"

#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const QString Company = QStringLiteral("Z");

size_t IndexKeys(const std::string &dbf)
{
    const auto table = vfp::DbfTable::openPath(dbf);
    const vfp::CdxTag &tag = table->index()->tags().front();
    return table->index()->keys(tag, table->padFor(tag)).size();
}

} // namespace

TEST(StatusTableOps, FlagWriteRebuildsAnIndexMissingKeys)
{
    TempDir dir;
    const std::string dbf = dir.path().toStdString() + "/Z_ST_ZRQ.dbf";
    {
        db::Connection connection;
        connection.setConnectionString(
            QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + dir.path());
        db::Command command(connection);
        db::Query check(connection);
        ASSERT_TRUE(EnsureStatusTable(command, dir.path(), Company));
        for (int document = 1; document <= 40; ++document)
            SetStatusFlag(
                check, command, Company, QString::number(document), StatusFlag::Tag, true);
    }
    // A writer killed after counting its record but before indexing it.
    {
        const auto table = vfp::DbfTable::openPath(dbf);
        const vfp::CdxTag &tag = table->index()->tags().front();
        ASSERT_TRUE(table->index()->remove(
            tag, table->padFor(tag), { *table->keyFor(tag, table->recordBytes(40).data()), 40 }));
    }
    ASSERT_EQ(IndexKeys(dbf), 39u);

    db::Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + dir.path());
    db::Command command(connection);
    db::Query check(connection);
    EXPECT_FALSE(EnsureStatusTable(command, dir.path(), Company));
    // Unrepaired, the status check would miss document 40 and insert it a second time.
    SetStatusFlag(check, command, Company, QStringLiteral("40"), StatusFlag::Sent, true);
    EXPECT_EQ(vfp::DbfTable::openPath(dbf)->recordCount(), 40u);
    EXPECT_EQ(IndexKeys(dbf), 40u);
}
