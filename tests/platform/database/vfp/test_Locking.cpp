// Writers lock the bytes other FoxPro programs lock: a held record or header lock makes our
// update or append wait, then give up with "in use" having written nothing.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/Locking.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace vfptest;
using vfp::Value;

namespace {

struct ShortLockTimeout
{
    ShortLockTimeout() { vfp::SetLockTimeout(150); }
    ~ShortLockTimeout() { vfp::SetLockTimeout(10000); }
};

} // namespace

TEST(Locking, HeldLocksAtFoxProOffsetsBlockOurWrites)
{
    ShortLockTimeout timeout;
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("l.dbf")).toStdString();
    {
        vfp::TableBuilder b(path, { { "ID", 'N', 5, 0, false }, { "FLAG", 'L', 1, 0, false } });
        b.addRow({ Value::numeric(1), Value::logical(false) });
        b.addRow({ Value::numeric(2), Value::logical(false) });
        b.addIndexTag("ID", "ID");
        b.finish();
    }
    const auto table = vfp::DbfTable::openPath(path);
    // Another program's handle on the same files.
    auto other = vfp::OpenFile(path, vfp::FileMode::ReadWrite);
    auto otherIndex
        = vfp::OpenFile(dir.file(QStringLiteral("l.cdx")).toStdString(), vfp::FileMode::ReadWrite);
    const std::string before = ReadBytes(path);

    ASSERT_TRUE(other->tryLock(vfp::RecordLockOffset(2), 1)); // 0x7FFFFFFC
    try {
        table->update(2, { { 1, Value::logical(true) } });
        ADD_FAILURE() << "update ran under another's record lock";
    } catch (const vfp::Error &e) {
        EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
    }
    table->update(1, { { 1, Value::logical(true) } }); // another record is free
    other->unlock(vfp::RecordLockOffset(2), 1);
    table->update(2, { { 1, Value::logical(true) } });

    ASSERT_TRUE(other->tryLock(vfp::kTableHeaderLock, 1));
    EXPECT_THROW(table->append({ { 0, Value::numeric(3) } }), vfp::Error);
    other->unlock(vfp::kTableHeaderLock, 1);

    ASSERT_TRUE(otherIndex->tryLock(vfp::kIndexLock, 1));
    EXPECT_THROW(table->append({ { 0, Value::numeric(3) } }), vfp::Error);
    otherIndex->unlock(vfp::kIndexLock, 1);
    EXPECT_EQ(table->recordCount(), 2u);

    EXPECT_EQ(table->append({ { 0, Value::numeric(3) } }), 3u);
    EXPECT_EQ(ExpectIndexMatchesRecords(*table), 1);
    EXPECT_NE(ReadBytes(path), before);

    // While we hold a record's lock, the other handle cannot take it.
    {
        vfp::ScopedLock held(table->file(), vfp::RecordLockOffset(1), "record");
        EXPECT_FALSE(other->tryLock(vfp::RecordLockOffset(1), 1));
    }
    EXPECT_TRUE(other->tryLock(vfp::RecordLockOffset(1), 1));
}
