// Compound indexes: the fixtures' tags decode to the keys their tables hold; indexes we write
// have the expected layout and stay valid through appends, page splits and key changes.

#include "VfpTestSupport.h"

#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/IndexKey.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using namespace vfptest;

namespace {

uint32_t Le32At(const std::string &s, size_t at)
{
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

std::vector<vfp::NewField> StatusFields()
{
    return { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
        { "ST_ZRQSENT", 'L', 1, 0, false }, { "ST_ZRQPRNT", 'L', 1, 0, false } };
}

} // namespace

TEST(CdxIndex, FixtureTagsDecodeToTheirTablesKeys)
{
    int tags = 0;
    for (const char *path :
        { "foxprodb/calls.dbf", "foxprodb/contacts.dbf", "foxprodb/setup.dbf", "foxprodb/types.dbf",
            "xsource/employees.dbf", "xsource/payments.dbf", "xsource/foxref_ref.dbf" }) {
        SCOPED_TRACE(path);
        const auto table = vfp::DbfTable::openPath(FixturePath(path));
        ASSERT_FALSE(table->indexTags().empty());
        tags += ExpectIndexMatchesRecords(*table);
    }
    EXPECT_GE(tags, 10);

    const auto contacts = vfp::DbfTable::openPath(FixturePath("foxprodb/contacts.dbf"));
    const auto list = contacts->indexTags();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "CONTACT_ID");
    EXPECT_EQ(list[0].keyExpression, "contact_id");
    EXPECT_TRUE(list[0].candidate);
}

TEST(CdxIndex, ContainerIndexWithForConditionDecodes)
{
    const auto dbc = vfp::DbfTable::openPath(FixturePath("foxprodb/FOXPRO-DB-TEST.DBC"));
    const auto tags = dbc->indexTags();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].forExpression, ".NOT.DELETED()");
    EXPECT_EQ(ExpectIndexMatchesRecords(*dbc), 2);
}

// A one-tag index on ST_ID N(10,0): tag of tags at 0, its leaf at 1024 naming the tag header at
// 1536, the tag's root leaf at 2560, header flag 0x01.
TEST(CdxIndex, StatusTableIndexHasTheKnownLayout)
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("a_st_zrq.dbf")).toStdString();
    vfp::CreateTable(path, StatusFields());
    auto db = vfp::Database::open(dir.path().toStdString());
    db->createIndexTag("A_ST_ZRQ", "ST_ID", "ST_ZRQ1");
    db->closeAll();

    const std::string dbf = ReadBytes(path);
    EXPECT_EQ(dbf[28] & 0x01, 0x01);
    const std::string cdx = ReadBytes(dir.file(QStringLiteral("a_st_zrq.cdx")).toStdString());
    ASSERT_EQ(cdx.size(), 3072u);
    EXPECT_EQ(Le32At(cdx, 0), 1024u);
    EXPECT_EQ(static_cast<uint8_t>(cdx[14]), 0xE0);
    // The tag of tags' one key is the tag's name, blank-padded (blanks stored as a count).
    EXPECT_EQ(cdx.substr(1024 + 512 - 7, 7), "ST_ZRQ1");
    EXPECT_EQ(cdx[1024 + 2], 1);
    EXPECT_EQ(Le32At(cdx, 1536), 2560u);
    EXPECT_EQ(cdx[1536 + 12], 8);
    EXPECT_EQ(static_cast<uint8_t>(cdx[1536 + 14]), 0x60);
    EXPECT_EQ(cdx.substr(1536 + 512, 6), std::string("ST_ID\0", 6));
    EXPECT_EQ(cdx[2560] & 3, 3); // root leaf

    const auto table = vfp::DbfTable::openPath(path);
    ASSERT_EQ(table->indexTags().size(), 1u);
    EXPECT_EQ(table->indexTags()[0].name, "ST_ZRQ1");
    EXPECT_EQ(table->indexTags()[0].keyExpression, "ST_ID");
}

TEST(CdxIndex, KeyEncodingsOrderAsNumbersDo)
{
    EXPECT_EQ(vfp::EncodeDoubleKey(0.0), std::string("\x80\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(vfp::EncodeDoubleKey(1.0), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
    EXPECT_EQ(vfp::EncodeDoubleKey(-1.0), std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    const double values[] = { -1e9, -2.5, -1, -0.001, 0, 0.001, 1, 2.5, 1e9 };
    for (size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(vfp::EncodeDoubleKey(values[i - 1]), vfp::EncodeDoubleKey(values[i]));
    EXPECT_LT(vfp::EncodeIntegerKey(-5), vfp::EncodeIntegerKey(3));
}

// Thousands of appends in random key order split leaves and interior pages; the index keeps
// every key in order, and python's reader still sees the rows.
TEST(CdxIndex, AppendsKeepAnIndexValidThroughSplits)
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("t.dbf")).toStdString();
    {
        vfp::TableBuilder b(path,
            { { "ID", 'N', 10, 0, false }, { "NAME", 'C', 30, 0, false },
                { "DAY", 'D', 8, 0, false }, { "N", 'I', 4, 0, false } });
        b.addIndexTag("ID", "ID");
        b.addIndexTag("NAME", "UPPER(NAME)");
        b.addIndexTag("COMBO", "NAME+STR(ID,10)+DTOS(DAY)");
        b.addIndexTag("N", "N");
        b.finish();
    }
    const auto table = vfp::DbfTable::openPath(path);
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const int id = static_cast<int>(rng() % 100000);
        const std::string name = "name" + std::to_string(rng() % 500) + (i % 3 ? "x" : "");
        table->append({ { 0, vfp::Value::numeric(id) }, { 1, vfp::Value::character(name) },
            { 2, vfp::Value::date(vfp::JulianDayFromCivil(2020, 1, 1) + i % 900) },
            { 3, vfp::Value::integer(id - 50000) } });
    }
    EXPECT_EQ(table->recordCount(), 3000u);
    EXPECT_EQ(ExpectIndexMatchesRecords(*table), 4);
    EXPECT_GT(ReadBytes(dir.file(QStringLiteral("t.cdx")).toStdString()).size(), 100u * 512);

    // Key changes by update move the entries; the index still matches.
    for (uint32_t r = 1; r <= 3000; r += 7)
        table->update(r, { { 0, vfp::Value::numeric(r * 3) }, { 1, vfp::Value::character("zz") } });
    EXPECT_EQ(ExpectIndexMatchesRecords(*table), 4);
}

// Removing keys until leaves empty unlinks them; the tree shrinks back to valid pages.
TEST(CdxIndex, RemovingEveryKeyLeavesAnEmptyValidTag)
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("r.dbf")).toStdString();
    {
        vfp::TableBuilder b(path, { { "K", 'C', 40, 0, false } });
        for (int i = 0; i < 800; ++i)
            b.addRow({ vfp::Value::character("key" + std::to_string(i * 7919 % 800)) });
        b.addIndexTag("K", "K");
        b.finish();
    }
    const auto table = vfp::DbfTable::openPath(path);
    vfp::CdxFile *cdx = table->index();
    ASSERT_NE(cdx, nullptr);
    const vfp::CdxTag tag = cdx->tags()[0];
    auto keys = cdx->keys(tag, ' ');
    ASSERT_EQ(keys.size(), 800u);
    std::mt19937 rng(3);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_TRUE(cdx->remove(tag, ' ', keys[i]));
        if (i % 100 == 0) {
            EXPECT_EQ(cdx->keys(tag, ' ').size(), keys.size() - i - 1);
        }
    }
    EXPECT_TRUE(cdx->keys(tag, ' ').empty());
    EXPECT_FALSE(cdx->remove(tag, ' ', keys[0]));
    cdx->insert(tag, ' ', { "again", 1 });
    EXPECT_EQ(cdx->keys(tag, ' ').size(), 1u);
}

TEST(CdxIndex, TablesWithTagsTheEngineCannotMaintainRefuseWrites)
{
    TempDir dir;
    const std::string folder
        = CopyFixtureFolder(QStringLiteral("foxpro/xsource"), dir).toStdString();
    const auto table = vfp::DbfTable::openPath(folder + "/foxref_ref.dbf");
    const std::string before = ReadBytes(folder + "/foxref_ref.dbf");
    bool refusedSomething = false;
    for (const auto &tag : table->indexTags()) {
        std::string why;
        if (vfp::KeyExpression::parse(tag.keyExpression, table->header(), why)
            && tag.forExpression.empty())
            continue;
        refusedSomething = true;
        try {
            table->append({});
            ADD_FAILURE() << "append accepted";
        } catch (const vfp::Error &e) {
            EXPECT_NE(std::string(e.what()).find(tag.name), std::string::npos) << e.what();
        }
        break;
    }
    EXPECT_TRUE(refusedSomething);
    EXPECT_EQ(ReadBytes(folder + "/foxref_ref.dbf"), before);
}

TEST(CdxIndex, CandidateTagRefusesADuplicateBeforeWriting)
{
    TempDir dir;
    const std::string folder
        = CopyFixtureFolder(QStringLiteral("foxpro/foxprodb"), dir).toStdString();
    const auto db = vfp::Database::open(folder + "/foxpro-db-test.dbc");
    auto types = std::dynamic_pointer_cast<vfp::DbfTable>(db->table("types"));
    const int id = types->fieldIndex("contact_type_id");
    const auto existing = types->value(1, id);
    const std::string before = ReadBytes(folder + "/types.dbf");
    EXPECT_THROW(types->update(2, { { id, existing } }), vfp::Error);
    EXPECT_EQ(ReadBytes(folder + "/types.dbf"), before);
    // A fresh key is accepted and indexed.
    types->update(2, { { id, vfp::Value::integer(4711) } });
    EXPECT_EQ(ExpectIndexMatchesRecords(*types), 1);
}
