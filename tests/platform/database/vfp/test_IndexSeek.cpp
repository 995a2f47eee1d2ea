// Equality on an indexed numeric field is answered through the structural index: the same rows
// as a scan in every case, and conditions or tags that cannot use the index still scan.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/sql/Executor.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace vfptest;
using vfp::Value;
using vfp::sql::Execute;

namespace {

constexpr int kRecords = 4000;
constexpr int kRunKey = 5000; // held by a run of records spanning several leaf pages

// Even ids in pairs (odd ids are absent), a long run of one id in the middle.
int IdOf(int recno)
{
    return (recno > 1500 && recno <= 1900) ? kRunKey : recno / 2 * 2;
}
int NumOf(int recno)
{
    return recno % 50 - 25;
}
bool DeletedAt(int recno)
{
    return recno % 7 == 0;
}

// z_st_zrq with tags on ST_ID (ST_ZRQ1, with the FOR given), NUM (I) and NOTE (C); `patch`
// may rewrite the ST_ZRQ1 header bytes before the table is opened.
class StatusFolder
{
    TempDir m_dir;

public:
    explicit StatusFolder(const std::string &forExpression = {},
        const std::function<void(std::string &cdx, size_t header)> &patch = {})
    {
        vfp::TableBuilder b(dbf(),
            { { "ST_ID", 'N', 10, 0, false }, { "NUM", 'I', 4, 0, false },
                { "NOTE", 'C', 8, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false } });
        for (int r = 1; r <= kRecords; ++r) {
            b.addRow({ Value::integer(IdOf(r)), Value::integer(NumOf(r)),
                Value::character("N" + std::to_string(r % 30)), Value::logical(false) });
            if (DeletedAt(r))
                b.deleteLastRow();
        }
        b.addIndexTag("ST_ZRQ1", "ST_ID", forExpression);
        b.addIndexTag("NUMS", "NUM");
        b.addIndexTag("NOTES", "NOTE");
        b.finish();
        if (patch) {
            size_t header = 0;
            const auto table = vfp::DbfTable::openPath(dbf());
            for (const auto &t : table->index()->tags())
                if (t.tag.name == "ST_ZRQ1")
                    header = t.headerOffset;
            std::string cdx = ReadBytes(cdxPath());
            patch(cdx, header);
            WriteBytes(cdxPath(), cdx);
        }
        db = vfp::Database::open(m_dir.path().toStdString());
    }

    std::string dbf() const { return m_dir.file(QStringLiteral("z_st_zrq.dbf")).toStdString(); }
    std::string cdxPath() const { return m_dir.file(QStringLiteral("z_st_zrq.cdx")).toStdString(); }

    std::vector<std::string> rows(const std::string &where)
    {
        const auto set = Execute(*db, "SELECT * FROM z_st_zrq WHERE " + where).rows;
        std::vector<std::string> out;
        for (size_t r = 0; r < set->rowCount(); ++r) {
            std::string line;
            for (int c = 0; c < static_cast<int>(set->columns().size()); ++c)
                line += Canonical(set->value(r, c)) + "|";
            out.push_back(line);
        }
        return out;
    }
    int execute(const std::string &sql) { return Execute(*db, sql).affected; }

    std::unique_ptr<vfp::Database> db;
};

// The tag's root pointer made invalid: any walk of ST_ZRQ1 fails.
void BreakRoot(std::string &cdx, size_t header)
{
    const uint32_t bad = 7;
    std::memcpy(cdx.data() + header, &bad, 4);
}

// Pairs of conditions: the first can use ST_ZRQ1 or NUMS, the second (arithmetic on the
// field) always scans.
const std::vector<std::pair<std::string, std::string>> kTwins = {
    { "st_id = 1234", "st_id + 0 = 1234" }, // a pair of live records
    { "st_id = 1235", "st_id + 0 = 1235" }, // absent, between present keys
    { "st_id = -2", "st_id + 0 = -2" }, // below the first key
    { "st_id = 99999", "st_id + 0 = 99999" }, // above the last
    { "st_id = 5000", "st_id + 0 = 5000" }, // a run over several leaves
    { "st_id = 6", "st_id + 0 = 6" }, // record 7 of the pair is deleted
    { "st_id = 14", "st_id + 0 = 14" }, // record 14 of the pair is deleted
    { "st_id == 1234.0", "st_id + 0 == 1234" },
    { "1234 = st_id", "1234 = st_id + 0" },
    { "-(-1234) = st_id", "1234 = st_id + 0" },
    { "st_id = 5000 AND num > 0", "st_id + 0 = 5000 AND num > 0" },
    { "num > 0 AND (note = 'N1' AND st_id = 5000)",
        "st_id + 0 = 5000 AND num > 0 AND note = 'N1'" },
    { "num = -3", "num + 0 = -3" },
    { "num = -3 AND st_id = 1234", "num + 0 = -3 AND st_id + 0 = 1234" },
};

void ExpectTwinsAgree(StatusFolder &folder)
{
    for (const auto &[indexed, scanned] : kTwins) {
        SCOPED_TRACE(indexed);
        EXPECT_EQ(folder.rows(indexed), folder.rows(scanned));
    }
}

} // namespace

TEST(IndexSeek, TheIndexFindsEveryRecordOfAKeyAcrossLeafPages)
{
    StatusFolder folder;
    const auto table = vfp::DbfTable::openPath(folder.dbf());
    ASSERT_GT(ReadBytes(folder.cdxPath()).size(), 40u * 512); // many leaves per tag
    const int stId = table->fieldIndex("st_id");
    for (int key = -3; key <= kRecords + 3; ++key) {
        std::vector<uint32_t> expected; // deleted records too: the tag has no FOR
        for (int r = 1; r <= kRecords; ++r)
            if (IdOf(r) == key)
                expected.push_back(static_cast<uint32_t>(r));
        const auto found = table->seekNumber(stId, Value::integer(key));
        ASSERT_TRUE(found) << key;
        ASSERT_EQ(*found, expected) << key;
    }
    EXPECT_EQ(table->seekNumber(stId, Value::numeric(kRunKey, 2))->size(), 400u);
    const auto negative = table->seekNumber(table->fieldIndex("num"), Value::integer(-25));
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->size(), static_cast<size_t>(kRecords / 50));
    EXPECT_EQ(negative->front(), 50u);

    // Numbers the field would round or refuse, and fields without a usable tag, do not seek.
    EXPECT_FALSE(table->seekNumber(stId, Value::numeric(1234.5)));
    EXPECT_FALSE(table->seekNumber(stId, Value::numeric(1e12)));
    EXPECT_FALSE(table->seekNumber(table->fieldIndex("num"), Value::numeric(2.5)));
    EXPECT_FALSE(table->seekNumber(table->fieldIndex("note"), Value::integer(1)));
    EXPECT_FALSE(table->seekNumber(table->fieldIndex("st_zrqtag"), Value::integer(1)));
    EXPECT_FALSE(table->seekNumber(stId, Value::character("1234")));
}

TEST(IndexSeek, SelectsGiveTheScansRows)
{
    for (const std::string forExpression : { "", ".NOT.DELETED()" }) {
        SCOPED_TRACE(forExpression);
        StatusFolder folder(forExpression);
        ExpectTwinsAgree(folder);
        EXPECT_EQ(folder.rows("st_id = 1234").size(), 2u);
        EXPECT_EQ(folder.rows("st_id = 6").size(), 1u);
        EXPECT_EQ(folder.rows("st_id = 5000").size(), 400u - 57);
        EXPECT_TRUE(folder.rows("st_id = 1235").empty());
    }
}

TEST(IndexSeek, OnlyQualifyingConditionsAndTagsReadTheIndex)
{
    // With ST_ZRQ1 broken, a statement that reads it fails; one that scans does not.
    StatusFolder broken({}, BreakRoot);
    EXPECT_THROW(broken.rows("st_id = 1234"), vfp::Error);
    EXPECT_THROW(broken.rows("1234 == st_id AND num < 0"), vfp::Error);
    EXPECT_THROW(
        broken.execute("UPDATE z_st_zrq SET st_zrqtag = 1 WHERE st_id = 1234"), vfp::Error);
    EXPECT_EQ(broken.rows("st_id = 1234 OR st_id = 1236").size(), 4u);
    EXPECT_EQ(broken.rows("st_id = 1234.5").size(), 0u);
    EXPECT_EQ(broken.rows("st_id > 1233 AND st_id < 1235").size(), 2u);
    EXPECT_EQ(broken.rows("note = 'N5' AND st_id + 0 = 1234").size(), 1u);
    EXPECT_EQ(broken.rows("num = 9 AND st_id + 0 = 1234").size(), 1u); // NUMS is sound
    EXPECT_EQ(broken.execute("UPDATE z_st_zrq SET st_zrqtag = 1 WHERE st_id + 0 = 1234"), 2);

    // Tags that do not hold every live record under the field's own key are never read.
    const std::vector<std::pair<std::string, std::function<void(std::string &, size_t)>>> tags = {
        { "DELETED()", BreakRoot },
        { "",
            [](std::string &cdx, size_t h) {
                BreakRoot(cdx, h);
                cdx[h + 502] = 1; // DESCENDING
            } },
        { "",
            [](std::string &cdx, size_t h) {
                BreakRoot(cdx, h);
                cdx[h + 14] |= 0x01; // UNIQUE: one record per key
            } },
    };
    for (const auto &[forExpression, patch] : tags) {
        StatusFolder folder(forExpression, patch);
        EXPECT_EQ(folder.rows("st_id = 6"), folder.rows("st_id + 0 = 6"));
        EXPECT_EQ(folder.rows("st_id = 6").size(), 1u);
        EXPECT_EQ(folder.execute("UPDATE z_st_zrq SET st_zrqtag = 1 WHERE st_id = 6"), 1);
    }
}

TEST(IndexSeek, RecordsInsertedByTheEngineAreFound)
{
    StatusFolder folder;
    // Enough inserts on a few keys to split the leaves they land in.
    for (int i = 0; i < 600; ++i) {
        const int key = std::vector<int> { 1234, kRunKey, 1235, -10, 0 }[i % 5];
        folder.execute("INSERT INTO z_st_zrq (st_id, num, note) VALUES (" + std::to_string(key)
            + ", " + std::to_string(i % 7) + ", 'X')");
    }
    ExpectTwinsAgree(folder);
    EXPECT_EQ(folder.rows("st_id = 1235").size(), 120u);
    EXPECT_EQ(folder.rows("st_id = -10").size(), 120u);
    EXPECT_EQ(folder.rows("st_id = 1234").size(), 122u);
    EXPECT_EQ(folder.rows("st_id = 5000").size(), 400u - 57 + 120);
    EXPECT_EQ(folder.rows("st_id = 0 AND note = 'X'").size(), 120u);
}

TEST(IndexSeek, UpdatesChangeExactlyTheMatchedRecords)
{
    StatusFolder folder;
    const auto before = folder.rows(".T.");
    const auto matched = folder.rows("st_id + 0 = 5000 AND num > 0");
    ASSERT_FALSE(matched.empty());
    EXPECT_EQ(folder.execute("UPDATE z_st_zrq SET st_zrqtag = 1 WHERE st_id = 5000 AND num > 0"),
        static_cast<int>(matched.size()));
    const auto after = folder.rows(".T.");
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i] == before[i])
            continue;
        ++changed;
        std::string expected = before[i];
        expected.replace(expected.rfind("L:F"), 3, "L:T");
        EXPECT_EQ(after[i], expected);
    }
    EXPECT_EQ(changed, matched.size());

    // Changing the key itself: the records move to the new key, deleted ones stay behind.
    EXPECT_EQ(folder.execute("UPDATE z_st_zrq SET st_id = 1235 WHERE st_id = 1234"), 2);
    EXPECT_EQ(folder.execute("UPDATE z_st_zrq SET st_id = 1235 WHERE 6 = st_id"), 1);
    EXPECT_TRUE(folder.rows("st_id = 1234").empty());
    EXPECT_TRUE(folder.rows("st_id = 6").empty());
    EXPECT_EQ(folder.rows("st_id = 1235"), folder.rows("st_id + 0 = 1235"));
    EXPECT_EQ(folder.rows("st_id = 1235").size(), 3u);
    const auto table = vfp::DbfTable::openPath(folder.dbf());
    EXPECT_EQ(*table->seekNumber(table->fieldIndex("st_id"), Value::integer(6)),
        std::vector<uint32_t> { 7 });
}
