// Damaged tables, memos and indexes: each gives a vfp::Error or a defined result, never a crash
// or a read past the end. The same images seed the fuzz target (VELLORAN_FUZZ_CORPUS_DIR).

#include "VfpTestSupport.h"

#include "fuzz/table/ExerciseTable.h"
#include "platform/database/vfp/Create.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace vfptest;
using vfp::Value;

namespace {

void PutLe32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// A healthy table with a memo and an index, as images.
vfpfuzz::Images HealthyImages()
{
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("t.dbf")).toStdString();
    {
        vfp::TableBuilder b(path,
            { { "NAME", 'C', 12, 0, false }, { "QTY", 'N', 6, 2, false },
                { "DAY", 'D', 8, 0, false }, { "NOTE", 'M', 4, 0, false },
                { "N", 'I', 4, 0, false }, { "MAYBE", 'T', 8, 0, true } });
        for (int i = 0; i < 40; ++i)
            b.addRow({ Value::character("row" + std::to_string(i)), Value::numeric(i / 4.0),
                Value::date(2460000 + i), Value::memo(std::string(static_cast<size_t>(i * 5), 'm')),
                Value::integer(i), i % 2 ? Value::null() : Value::dateTime(2460000, i) });
        b.addIndexTag("NAME", "UPPER(NAME)");
        b.addIndexTag("N", "N");
        b.finish();
    }
    vfpfuzz::Images images;
    images.dbf = ReadBytes(path);
    images.memo = ReadBytes(dir.file(QStringLiteral("t.fpt")).toStdString());
    images.cdx = ReadBytes(dir.file(QStringLiteral("t.cdx")).toStdString());
    return images;
}

void SaveForFuzzer(const vfpfuzz::Images &images, const std::string &name)
{
    const QByteArray dir = qgetenv("VELLORAN_FUZZ_CORPUS_DIR");
    if (!dir.isEmpty())
        WriteBytes(dir.toStdString() + "/" + name, vfpfuzz::JoinInput(images));
}

} // namespace

TEST(CorruptFiles, HealthyImagesReadCleanly)
{
    const auto images = HealthyImages();
    EXPECT_TRUE(vfpfuzz::ExerciseTable(images));
    SaveForFuzzer(images, "healthy");
}

// Each case is a named damage; none may crash, and the ones that must fail do so with an error.
TEST(CorruptFiles, NamedDamageGivesErrorsOrDefinedResults)
{
    const auto healthy = HealthyImages();
    const uint16_t headerLength
        = static_cast<uint8_t>(healthy.dbf[8]) | (static_cast<uint8_t>(healthy.dbf[9]) << 8);
    struct Case
    {
        std::string name;
        std::function<void(vfpfuzz::Images &)> damage;
        bool expectClean;
    };
    const std::vector<Case> cases = {
        { "empty file", [](auto &i) { i.dbf.clear(); }, false },
        { "header cut at 20", [](auto &i) { i.dbf.resize(20); }, false },
        { "header cut in the fields", [](auto &i) { i.dbf.resize(100); }, false },
        { "header cut before backlink", [=](auto &i) { i.dbf.resize(headerLength - 10); }, false },
        { "records cut off", [=](auto &i) { i.dbf.resize(headerLength + 500); }, false },
        { "count past the end", [](auto &i) { PutLe32(i.dbf, 4, 0x7FFFFFFF); }, false },
        { "no end mark", [](auto &i) { i.dbf.pop_back(); }, true },
        { "header length huge",
            [](auto &i) {
                i.dbf[8] = '\xFF';
                i.dbf[9] = '\xFF';
            },
            false },
        { "record length 0",
            [](auto &i) {
                i.dbf[10] = 0;
                i.dbf[11] = 0;
            },
            false },
        { "record length short",
            [](auto &i) {
                i.dbf[10] = 5;
                i.dbf[11] = 0;
            },
            false },
        { "unknown version", [](auto &i) { i.dbf[0] = 0x77; }, false },
        { "bad code page mark", [](auto &i) { i.dbf[29] = '\xEE'; }, true },
        { "no code page mark", [](auto &i) { i.dbf[29] = 0; }, true },
        { "unknown field type", [](auto &i) { i.dbf[32 + 11] = '?'; }, false },
        { "field length 0", [](auto &i) { i.dbf[32 + 16] = 0; }, false },
        { "memo file missing", [](auto &i) { i.hasMemo = false; }, false },
        { "memo header cut", [](auto &i) { i.memo.resize(4); }, false },
        { "memo block size 0",
            [](auto &i) {
                i.memo[6] = 0;
                i.memo[7] = 0;
            },
            false },
        { "memo file cut", [](auto &i) { i.memo.resize(i.memo.size() / 2); }, false },
        { "memo length huge", [](auto &i) { i.memo[8 * 64 + 4] = '\x7F'; }, false },
        { "memo pointer past the end",
            [=](auto &i) {
                const size_t noteAt = headerLength + 1 + 12 + 6 + 8;
                PutLe32(i.dbf, noteAt + 2 * 49, 0x00FFFFFF); // record 3's NOTE
                PutLe32(i.dbf, noteAt, 0xFFFFFFFF);
            },
            false },
        { "index file missing", [](auto &i) { i.hasCdx = false; }, true },
        { "index cut", [](auto &i) { i.cdx.resize(1500); }, false },
        { "index root points outside", [](auto &i) { PutLe32(i.cdx, 0, 0x10000000); }, false },
        { "index leaf loops",
            [](auto &i) {
                // The first tag's root leaf names itself as its right sibling.
                for (size_t at = 1024; at + 512 <= i.cdx.size(); at += 512)
                    if ((i.cdx[at] & 2) && at > 2048) {
                        PutLe32(i.cdx, at + 8, static_cast<uint32_t>(at));
                        break;
                    }
            },
            false },
        { "index entry size 0",
            [](auto &i) {
                i.cdx[2560 + 23] = 0;
                i.cdx[1024 + 23] = 0;
            },
            false },
        { "index key length 0",
            [](auto &i) {
                i.cdx[12] = 0;
                i.cdx[13] = 0;
            },
            false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto images = healthy;
        c.damage(images);
        EXPECT_EQ(vfpfuzz::ExerciseTable(images), c.expectClean);
        SaveForFuzzer(images, c.name);
    }
}

TEST(CorruptFiles, CountPastTheEndIsRefusedForReadingAndWriting)
{
    auto images = HealthyImages();
    PutLe32(images.dbf, 4, 1000000);
    images.dbf.resize(
        images.dbf.size() - 1 - 30 * ((images.dbf.size() - 1) / 10000 + 1)); // cut mid-record
    try {
        vfp::DbfTable table("t", std::make_unique<vfp::MemoryFile>("t.dbf", images.dbf), nullptr);
        ADD_FAILURE() << "opened with " << table.recordCount() << " records";
    } catch (const vfp::Error &error) {
        EXPECT_NE(std::string(error.what()).find("Table t has become corrupted"), std::string::npos)
            << error.what();
    }

    // Appending behind such a header would leave a hole: refused, the file unchanged.
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("t.dbf")).toStdString();
    WriteBytes(path, images.dbf);
    EXPECT_THROW(vfp::DbfTable::openPath(path)->append({}), vfp::Error);
    EXPECT_EQ(ReadBytes(path), images.dbf);
}

// Random byte damage anywhere in the three files, deterministic by seed.
TEST(CorruptFiles, RandomByteDamageNeverCrashes)
{
    const auto healthy = HealthyImages();
    std::mt19937 rng(20240229);
    int opened = 0;
    for (int round = 0; round < 1500; ++round) {
        auto images = healthy;
        std::string *target = round % 3 == 0 ? &images.dbf
            : round % 3 == 1                 ? &images.memo
                                             : &images.cdx;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < flips; ++k) {
            // Headers are where damage matters most: aim half the flips there.
            const size_t span
                = (rng() % 2) ? std::min<size_t>(target->size(), 1100) : target->size();
            (*target)[rng() % span] = static_cast<char>(rng());
        }
        if (round % 50 == 0)
            target->resize(rng() % target->size());
        opened += vfpfuzz::ExerciseTable(images, 100);
        if (round % 100 == 0)
            SaveForFuzzer(images, "random" + std::to_string(round));
    }
    EXPECT_GT(opened, 0);
}

// Host files: a table whose memo file cannot be found reads its other fields.
TEST(CorruptFiles, HostTableWithoutItsMemoFile)
{
    TempDir dir;
    const auto images = HealthyImages();
    const std::string path = dir.file(QStringLiteral("t.dbf")).toStdString();
    WriteBytes(path, images.dbf);
    const auto table = vfp::DbfTable::openPath(path);
    EXPECT_EQ(table->value(2, 0).text(), "row1        ");
    EXPECT_THROW(table->value(2, 3), vfp::Error);
    EXPECT_EQ(table->value(1, 3).text(), ""); // empty memo: no file needed
    EXPECT_THROW(table->update(2, { { 3, Value::memo("x") } }), vfp::Error);
    EXPECT_EQ(ReadBytes(path), images.dbf);
}
