// Reading only the head or the tail of a memo: the same bytes as the whole memo's, and the same
// refusal of a damaged pointer.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using vfp::Value;

namespace {

std::string MemoText(size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

} // namespace

TEST(MemoParts, HeadAndTailAreTheWholeMemosEnds)
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("m.dbf")).toStdString();
    // Lengths around the block size (64) and the read-ahead, and an empty memo.
    const std::vector<size_t> lengths = { 0, 1, 3, 4, 5, 56, 63, 64, 65, 200, 70000 };
    {
        vfp::TableBuilder b(path, { { "NAME", 'C', 4, 0, false }, { "NOTE", 'M', 4, 0, false } });
        for (size_t length : lengths)
            b.addRow({ Value::character("x"), Value::memo(MemoText(length)) });
        b.finish();
    }
    const auto table = vfp::DbfTable::openPath(path);
    ASSERT_EQ(table->recordCount(), lengths.size());
    std::string part;
    for (uint32_t recno = 1; recno <= table->recordCount(); ++recno) {
        const std::string whole = table->value(recno, 1).text();
        ASSERT_EQ(whole.size(), lengths[recno - 1]);
        const std::string record(table->recordBytes(recno));
        for (size_t count : { size_t(0), size_t(1), size_t(4), size_t(64), size_t(100000) }) {
            const size_t n = std::min(count, whole.size());
            ASSERT_TRUE(table->memoPart(record.data(), 1, count, true, part));
            EXPECT_EQ(part, whole.substr(whole.size() - n)) << recno << " tail " << count;
            ASSERT_TRUE(table->memoPart(record.data(), 1, count, false, part));
            EXPECT_EQ(part, whole.substr(0, n)) << recno << " head " << count;
        }
    }
    // Not a memo field: the caller reads it otherwise.
    const std::string record(table->recordBytes(1));
    EXPECT_FALSE(table->memoPart(record.data(), 0, 4, true, part));
}

TEST(MemoParts, DamagedPointersAreRefusedAsWholeReadsRefuseThem)
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("m.dbf")).toStdString();
    {
        vfp::TableBuilder b(path, { { "NOTE", 'M', 4, 0, false } });
        b.addRow({ Value::memo("report.PDF") });
        b.finish();
    }
    const auto table = vfp::DbfTable::openPath(path);
    const auto place = table->fieldPlace(0);
    ASSERT_TRUE(place);
    std::string record(table->recordBytes(1));
    std::string part;
    // Into the header, past the end, and a huge block number.
    for (uint32_t block : { 1u, 5000u, 0x7FFFFFFFu }) {
        for (int i = 0; i < 4; ++i)
            record[place->offset + static_cast<size_t>(i)] = static_cast<char>(block >> (8 * i));
        EXPECT_THROW(table->memoPart(record.data(), 0, 4, true, part), vfp::Error) << block;
        EXPECT_THROW(table->memoPart(record.data(), 0, 4, false, part), vfp::Error) << block;
        vfp::Value value;
        EXPECT_THROW(table->decodeField(record.data(), 0, value), vfp::Error) << block;
    }
}
